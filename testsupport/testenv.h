#pragma once
#include <string>

namespace testsupport {

// A fresh folder under the test run's private temporary root; removed at exit.
std::string MakeTempDir(const std::string& hint = "t");

// Whole-file helpers for fixtures. WriteAll is a change by this process: the
// profile functions see it at the next read, as they see the platform's own
// writes (a change by another program shows once it has been reported; see
// platform::AwaitProfileChangeReports).
std::string ReadAll(const std::string& path);
void WriteAll(const std::string& path, const std::string& bytes);

// A private copy of a fixture file that the test may change or damage:
// source copied to dir/name; returns the copy's path.
std::string CopyInto(const std::string& source, const std::string& dir, const std::string& name);
// The same into a fresh temporary folder (MakeTempDir(hint)).
std::string CopyToTemp(const std::string& source, const std::string& name, const std::string& hint = "copy");

// The run's private home: HOME, XDG_CONFIG_HOME, XDG_DATA_HOME and the
// documents folder all point below it, so no test touches the real user's files.
const std::string& TestHome();

// Points HOME, the XDG folders and Qt's standard paths at TestHome, with its
// documents, desktop and config folders made; called before the application
// object exists, so that every path lookup sees them.
void UsePrivateHome();

}  // namespace testsupport
