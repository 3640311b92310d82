#pragma once
// Moving the focus between a dialog's controls with Enter and the arrow
// keys. Each routine takes a virtual-key code and sets it to 0 when it
// handled the key, so the caller's key handler drops it.
#include "platform/control.h"

class QWidget;

namespace core {

// Enter and Down: the next control of the form; Up: the previous one.
void NavigateKey(QWidget* form, int& key);
// NavigateKey, but only while an edit box (not a memo) or a tab control has the focus.
void NavigateEditKey(QWidget* form, int& key);
// Enter moves on unless a list, a list view or a memo that takes Enter has
// the focus; Down and Up move on unless a combo box, list or memo has it.
void NavigateFormKey(QWidget* form, int& key, QWidget* focused);

// What the navigation needs to know of a control: a platform control says
// itself; Qt's own widgets are known by class (list views count as lists).
platform::ControlKind FocusKind(const QWidget* control);
// Whether a memo takes Enter: a platform control's wantReturns; a Qt text
// edit unless it is read-only.
bool MemoWantsReturn(const QWidget* memo);

}  // namespace core
