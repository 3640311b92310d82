#include "testsupport/fakemailer.h"

#include <cstdlib>
#include <filesystem>

#include "testsupport/testenv.h"

namespace testsupport {

FakeMailClient::FakeMailClient(ArgEnd end, const std::string& hint)
    : savedPath_(std::getenv("PATH") ? std::getenv("PATH") : ""), folder_(MakeTempDir(hint)) {
  const std::string out = ArgsFile();
  const std::string exitCode = folder_ + "/exitcode";
  const std::string ending = end == ArgEnd::Nul ? "\\0" : "\\n";   // printf's escapes
  WriteAll(folder_ + "/xdg-email",
           "#!/bin/sh\n"
           ": > '" + out + "'\n"
           "for a in \"$@\"; do printf '%s" + ending + "' \"$a\" >> '" + out + "'; done\n"
           "code=0\n"
           "[ -f '" + exitCode + "' ] && read code < '" + exitCode + "'\n"
           "[ \"$code\" = INT ] && kill -INT $$\n"
           "exit $code\n");
  std::filesystem::permissions(folder_ + "/xdg-email", std::filesystem::perms::owner_all);
  setenv("PATH", (folder_ + ":" + savedPath_).c_str(), 1);
}

FakeMailClient::~FakeMailClient() { setenv("PATH", savedPath_.c_str(), 1); }

void FakeMailClient::SetExitCode(const std::string& code) const { WriteAll(folder_ + "/exitcode", code + "\n"); }

bool FakeMailClient::Ran() const { return std::filesystem::exists(ArgsFile()); }

}  // namespace testsupport
