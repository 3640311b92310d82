#include "workbench/keypreview.h"

#include <QEvent>
#include <QKeyEvent>
#include <QObject>
#include <QWidget>

#include "platform/guard.h"
#include "platform/keys.h"

namespace workbench {

namespace {

class KeyPreview : public QObject {
 public:
  KeyPreview(QWidget* form, std::function<void(int& key)> handler, TPreviewKeys keys)
      : QObject(form), handler_(std::move(handler)), keys_(keys) {}

 protected:
  bool eventFilter(QObject* watched, QEvent* event) override {
    if (event->type() == QEvent::KeyPress && handler_) {
      const platform::KeyStroke stroke = platform::TranslateKey(static_cast<QKeyEvent*>(event));
      int key = stroke.vk;
      if (key != 0 && (stroke.shift == 0 || keys_ == TPreviewKeys::All)) {
        platform::guarded([&] { handler_(key); });
        if (key == 0) return true;
      }
    }
    return QObject::eventFilter(watched, event);
  }

 private:
  std::function<void(int& key)> handler_;
  TPreviewKeys keys_;
};

}  // namespace

void InstallKeyPreview(QWidget* form, std::function<void(int& key)> handler, TPreviewKeys keys) {
  auto* preview = new KeyPreview(form, std::move(handler), keys);
  for (QWidget* child : form->findChildren<QWidget*>()) child->installEventFilter(preview);
}

}  // namespace workbench
