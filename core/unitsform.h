#pragma once
// The unit chooser: a small borderless pop-up list of a kind's unit labels,
// opened beside the mouse when the user clicks a unit label. Any way of
// closing it (a click in the list, Enter, Escape, a click elsewhere) applies
// the unit selected at that moment; it never cancels.
#include <QPoint>
#include <QWidget>

#include <functional>

#include "core/units.h"

class QListWidget;

namespace core {

class TUnitsForm : public QWidget {
 public:
  // Created hidden; frees itself after it closed.
  TUnitsForm(TUnitsType kind, int current, QWidget* parent = nullptr);
  ~TUnitsForm() override;

  // Places the top-left corner 5 pixels right of and below the mouse
  // position (global coordinates), shows the window and gives the list the
  // keyboard focus. Returns at once: the choice arrives through OnClosed.
  void Popup(const QPoint& mouseGlobal);

  // Called once, when the window closes, with the selected unit index.
  std::function<void(int unit)> OnClosed;

  int Selected() const;
  QListWidget* List() const { return list_; }

 protected:
  bool eventFilter(QObject* watched, QEvent* event) override;
  void hideEvent(QHideEvent* event) override;

 private:
  void Finish();

  QListWidget* list_ = nullptr;
  bool finished_ = false;
};

}  // namespace core
