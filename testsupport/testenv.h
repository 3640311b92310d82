#pragma once
#include <string>

namespace testsupport {

// A fresh folder under the test run's private temporary root; removed at exit.
std::string MakeTempDir(const std::string& hint = "t");

// Whole-file helpers for fixtures.
std::string ReadAll(const std::string& path);
void WriteAll(const std::string& path, const std::string& bytes);

// The run's private home: HOME, XDG_CONFIG_HOME, XDG_DATA_HOME and the
// documents folder all point below it, so no test touches the real user's files.
const std::string& TestHome();

}  // namespace testsupport
