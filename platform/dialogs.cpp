#include "platform/dialogs.h"

#include <QApplication>
#include <QGuiApplication>
#include <QMessageBox>
#include <QPushButton>

#include <cstdio>

namespace platform {

namespace {

MessageBoxHook& BoxHook() {
  static MessageBoxHook hook;
  return hook;
}

std::function<void()>& BeepHook() {
  static std::function<void()> hook;
  return hook;
}

std::string& Title() {
  static std::string title;
  return title;
}

struct ButtonSpec {
  QMessageBox::StandardButton button;
  int answer;
};

std::vector<ButtonSpec> ButtonsFor(unsigned flags) {
  switch (flags & 0xF) {
    case MB_OKCANCEL: return {{QMessageBox::Ok, IDOK}, {QMessageBox::Cancel, IDCANCEL}};
    case MB_ABORTRETRYIGNORE:
      return {{QMessageBox::Abort, IDABORT}, {QMessageBox::Retry, IDRETRY}, {QMessageBox::Ignore, IDIGNORE}};
    case MB_YESNOCANCEL:
      return {{QMessageBox::Yes, IDYES}, {QMessageBox::No, IDNO}, {QMessageBox::Cancel, IDCANCEL}};
    case MB_YESNO: return {{QMessageBox::Yes, IDYES}, {QMessageBox::No, IDNO}};
    case MB_RETRYCANCEL: return {{QMessageBox::Retry, IDRETRY}, {QMessageBox::Cancel, IDCANCEL}};
    default: return {{QMessageBox::Ok, IDOK}};
  }
}

// Without a screen to show it on, a box could only block: it is written to
// stderr and answered with its first button.
bool Headless() {
  if (!qobject_cast<QApplication*>(QCoreApplication::instance())) return true;
  const QString platform = QGuiApplication::platformName();
  return platform == "offscreen" || platform == "minimal";
}

// Capture answers queued in the test helper.
MessageCapture*& ActiveCapture() {
  static MessageCapture* capture = nullptr;
  return capture;
}

}  // namespace

void SetApplicationTitle(const std::string& title) { Title() = title; }

const std::string& ApplicationTitle() { return Title(); }

int MessageBox(const std::string& text, const std::string& caption, unsigned flags) {
  MessageBoxCall call{text, caption.empty() ? Title() : caption, flags};
  if (BoxHook()) return BoxHook()(call);
  std::vector<ButtonSpec> buttons = ButtonsFor(flags);
  if (Headless()) {
    std::fprintf(stderr, "[message box] %s: %s\n", call.caption.c_str(), call.text.c_str());
    return buttons.front().answer;
  }
  QMessageBox box;
  box.setWindowTitle(QString::fromStdString(call.caption));
  box.setText(QString::fromStdString(call.text));
  switch (flags & 0xF0) {
    case MB_ICONERROR: box.setIcon(QMessageBox::Critical); break;
    case MB_ICONQUESTION: box.setIcon(QMessageBox::Question); break;
    case MB_ICONWARNING: box.setIcon(QMessageBox::Warning); break;
    case MB_ICONINFORMATION: box.setIcon(QMessageBox::Information); break;
    default: break;
  }
  QMessageBox::StandardButtons set;
  for (const auto& b : buttons) set |= b.button;
  box.setStandardButtons(set);
  box.setDefaultButton(buttons.front().button);
  // Escape answers Cancel where there is one, as the platform's boxes did.
  for (const auto& b : buttons)
    if (b.answer == IDCANCEL || (buttons.size() == 1)) box.setEscapeButton(b.button);
  int result = box.exec();
  for (const auto& b : buttons)
    if (b.button == result) return b.answer;
  for (const auto& b : buttons)
    if (b.answer == IDCANCEL) return IDCANCEL;
  return buttons.back().answer;
}

void ShowMessage(const std::string& text) { MessageBox(text, "", MB_OK); }

void MessageBeep() {
  if (BeepHook()) {
    BeepHook()();
    return;
  }
  if (!Headless()) QApplication::beep();
}

void SetMessageBoxHook(MessageBoxHook hook) { BoxHook() = std::move(hook); }

void SetBeepHook(std::function<void()> hook) { BeepHook() = std::move(hook); }

MessageCapture::MessageCapture() {
  ActiveCapture() = this;
  SetMessageBoxHook([this](const MessageBoxCall& call) {
    boxes.push_back(call);
    if (answers.empty()) return static_cast<int>(IDOK);
    int answer = answers.front();
    answers.erase(answers.begin());
    return answer;
  });
  SetBeepHook([this] { ++beeps; });
}

MessageCapture::~MessageCapture() {
  if (ActiveCapture() == this) {
    ActiveCapture() = nullptr;
    SetMessageBoxHook(nullptr);
    SetBeepHook(nullptr);
  }
}

}  // namespace platform
