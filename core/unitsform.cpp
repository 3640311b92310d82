#include "core/unitsform.h"

#include <QKeyEvent>
#include <QListWidget>

#include <algorithm>
#include <cmath>

#include "platform/guard.h"

namespace core {

TUnitsForm::TUnitsForm(TUnitsType kind, int current, QWidget* parent)
    : QWidget(parent, Qt::Popup | Qt::FramelessWindowHint | Qt::WindowStaysOnTopHint) {
  setAttribute(Qt::WA_DeleteOnClose);
  list_ = new QListWidget(this);
  list_->setFrameShape(QFrame::NoFrame);
  list_->setHorizontalScrollBarPolicy(Qt::ScrollBarAlwaysOff);
  list_->setVerticalScrollBarPolicy(Qt::ScrollBarAlwaysOff);
  const int count = UnitsCount(kind);
  int widest = 0;
  const QFontMetrics metrics = list_->fontMetrics();
  for (int i = 0; i < count; ++i) {
    const QString label = QString::fromStdString(GetUnitsLabel(kind, i));
    list_->addItem(label);
    widest = std::max(widest, metrics.horizontalAdvance(label));
  }
  if (count > 0) list_->setCurrentRow(std::clamp(current, 0, count - 1));

  // Room for every unit and half a line more; as wide as the widest label
  // (at least 50 pixels) and a margin.
  const int itemHeight = count > 0 ? list_->sizeHintForRow(0) : metrics.height();
  const int height = static_cast<int>(std::lround(itemHeight * (count + 0.5)));
  const int width = std::max(widest, 50) + 10;
  resize(width, height);
  list_->setGeometry(0, 0, width, height);

  list_->installEventFilter(this);
  // The click selects the unit first (the press did); the release closes.
  connect(list_, &QListWidget::itemClicked, this, [this](QListWidgetItem* item) {
    list_->setCurrentItem(item);
    close();
  });
}

TUnitsForm::~TUnitsForm() = default;

void TUnitsForm::Popup(const QPoint& mouseGlobal) {
  move(mouseGlobal + QPoint(5, 5));
  show();
  list_->setFocus(Qt::PopupFocusReason);
}

int TUnitsForm::Selected() const { return list_->currentRow(); }

bool TUnitsForm::eventFilter(QObject* watched, QEvent* event) {
  if (watched == list_ && event->type() == QEvent::KeyPress) {
    const int key = static_cast<QKeyEvent*>(event)->key();
    if (key == Qt::Key_Return || key == Qt::Key_Enter || key == Qt::Key_Escape) {
      close();
      return true;
    }
  }
  return QWidget::eventFilter(watched, event);
}

void TUnitsForm::hideEvent(QHideEvent* event) {
  QWidget::hideEvent(event);
  // A pop-up also hides when the user clicks outside it; that applies the
  // selection too, and the window goes as it would after Enter.
  Finish();
  deleteLater();
}

void TUnitsForm::Finish() {
  if (finished_) return;
  finished_ = true;
  if (!OnClosed) return;
  // The callback may free the caller that owns the handler, so it runs from a copy.
  const auto handler = OnClosed;
  const int unit = Selected();
  platform::guarded([&] { handler(unit); });
}

}  // namespace core
