#include "core/navigation.h"

#include <QAbstractItemView>
#include <QComboBox>
#include <QLineEdit>
#include <QPlainTextEdit>
#include <QTabBar>
#include <QTabWidget>
#include <QTextEdit>

#include "platform/keys.h"

namespace core {

namespace {

bool CanTakeFocus(const QWidget* form, QWidget* w) {
  return w && w->isVisible() && w->isEnabled() && (w->focusPolicy() & Qt::TabFocus) &&
         !w->focusProxy() && form->isAncestorOf(w);
}

// The next (or previous) control in the form's tab order that can take the
// focus, as the dialog's own Tab key would pick it.
void MoveFocus(QWidget* form, bool next) {
  QWidget* start = form->focusWidget();
  if (!start) start = form;
  QWidget* w = start;
  do {
    w = next ? w->nextInFocusChain() : w->previousInFocusChain();
    if (CanTakeFocus(form, w)) {
      w->setFocus(next ? Qt::TabFocusReason : Qt::BacktabFocusReason);
      return;
    }
  } while (w && w != start);
}

}  // namespace

platform::ControlKind FocusKind(const QWidget* control) {
  using platform::ControlKind;
  if (!control) return ControlKind::Other;
  if (const auto* own = dynamic_cast<const platform::Control*>(control)) return own->kind;
  if (qobject_cast<const QComboBox*>(control)) return ControlKind::Combo;
  if (qobject_cast<const QLineEdit*>(control))
    return qobject_cast<const QComboBox*>(control->parentWidget()) ? ControlKind::Combo
                                                                   : ControlKind::Edit;
  if (qobject_cast<const QPlainTextEdit*>(control) || qobject_cast<const QTextEdit*>(control))
    return ControlKind::Memo;
  if (qobject_cast<const QAbstractItemView*>(control)) return ControlKind::List;
  if (qobject_cast<const QTabBar*>(control) || qobject_cast<const QTabWidget*>(control))
    return ControlKind::TabControl;
  return ControlKind::Other;
}

bool MemoWantsReturn(const QWidget* memo) {
  if (const auto* own = dynamic_cast<const platform::Control*>(memo)) return own->wantReturns;
  if (const auto* plain = qobject_cast<const QPlainTextEdit*>(memo)) return !plain->isReadOnly();
  if (const auto* rich = qobject_cast<const QTextEdit*>(memo)) return !rich->isReadOnly();
  return false;
}

void NavigateKey(QWidget* form, int& key) {
  if (!form) return;
  if (key == platform::VK_RETURN || key == platform::VK_DOWN) {
    MoveFocus(form, true);
    key = 0;
  } else if (key == platform::VK_UP) {
    MoveFocus(form, false);
    key = 0;
  }
}

void NavigateEditKey(QWidget* form, int& key) {
  if (!form) return;
  const platform::ControlKind kind = FocusKind(form->focusWidget());
  if (kind == platform::ControlKind::Edit || kind == platform::ControlKind::TabControl)
    NavigateKey(form, key);
}

void NavigateFormKey(QWidget* form, int& key, QWidget* focused) {
  if (!form) return;
  using platform::ControlKind;
  const ControlKind kind = FocusKind(focused);
  if (kind == ControlKind::List) return;
  if (kind == ControlKind::Memo && MemoWantsReturn(focused)) return;
  if (key == platform::VK_RETURN) {
    MoveFocus(form, true);
    key = 0;
    return;
  }
  if (key != platform::VK_DOWN && key != platform::VK_UP) return;
  if (kind == ControlKind::Combo || kind == ControlKind::Memo) return;
  MoveFocus(form, key == platform::VK_DOWN);
  key = 0;
}

}  // namespace core
