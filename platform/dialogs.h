#pragma once
// Message boxes and the beep. One capture hook lets tests see and answer
// every box without a window; in the program the hook is empty and the boxes
// are real.
#include <functional>
#include <string>
#include <vector>

namespace platform {

// Buttons and icons as the platform's flags.
enum : unsigned {
  MB_OK = 0x0, MB_OKCANCEL = 0x1, MB_ABORTRETRYIGNORE = 0x2, MB_YESNOCANCEL = 0x3,
  MB_YESNO = 0x4, MB_RETRYCANCEL = 0x5,
  MB_ICONERROR = 0x10, MB_ICONQUESTION = 0x20, MB_ICONWARNING = 0x30, MB_ICONINFORMATION = 0x40,
};
// Answers.
enum : int { IDOK = 1, IDCANCEL = 2, IDABORT = 3, IDRETRY = 4, IDIGNORE = 5, IDYES = 6, IDNO = 7 };

struct MessageBoxCall {
  std::string text;
  std::string caption;
  unsigned flags = 0;
};

// Shows a box; returns the answer. Caption empty: the application title.
int MessageBox(const std::string& text, const std::string& caption = "", unsigned flags = MB_OK);
// The class library's ShowMessage: text and an OK button.
void ShowMessage(const std::string& text);
void MessageBeep();

// Capture: while set, boxes go to the hook (its result is the answer) and
// beeps are counted instead of sounded.
using MessageBoxHook = std::function<int(const MessageBoxCall&)>;
void SetMessageBoxHook(MessageBoxHook hook);
void SetBeepHook(std::function<void()> hook);

// A test helper: records every box and beep while alive, answering with the
// queued answers (then IDOK).
class MessageCapture {
 public:
  MessageCapture();
  ~MessageCapture();
  std::vector<MessageBoxCall> boxes;
  std::vector<int> answers;   // popped from the front
  int beeps = 0;
};

// The application's title (caption of boxes without one).
void SetApplicationTitle(const std::string& title);
const std::string& ApplicationTitle();

}  // namespace platform
