#pragma once
// A stand-in mail client launcher for the tests of the mail senders.
#include <string>

namespace testsupport {

// Puts a stand-in "xdg-email" first on PATH for as long as it lives (PATH is
// put back on destruction). Each run writes its arguments to ArgsFile(), each
// one ended by a line break or a NUL byte, and exits with the code found in the
// "exitcode" file of its folder; "INT" makes it die of an interrupt, as when
// the user breaks off.
class FakeMailClient {
 public:
  enum class ArgEnd { LineBreak, Nul };
  explicit FakeMailClient(ArgEnd end = ArgEnd::LineBreak, const std::string& hint = "bin");
  ~FakeMailClient();
  FakeMailClient(const FakeMailClient&) = delete;
  FakeMailClient& operator=(const FakeMailClient&) = delete;

  const std::string& Folder() const { return folder_; }
  std::string ArgsFile() const { return folder_ + "/args"; }
  // The code (or "INT") the next runs exit with.
  void SetExitCode(const std::string& code) const;
  // Whether the launcher has run since it was put in place.
  bool Ran() const;

 private:
  std::string savedPath_;
  std::string folder_;
};

}  // namespace testsupport
