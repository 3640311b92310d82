#include "testsupport/testenv.h"

#include <QDir>
#include <QStandardPaths>
#include <QTemporaryDir>

#include <atomic>
#include <cstdlib>
#include <fstream>
#include <sstream>
#include <stdexcept>

#include "platform/profile.h"

namespace testsupport {

namespace {
QTemporaryDir& Root() {
  static QTemporaryDir dir(QDir::tempPath() + "/dravlen-test-XXXXXX");
  return dir;
}
}  // namespace

const std::string& TestHome() {
  static const std::string home = Root().path().toStdString() + "/home";
  return home;
}

void UsePrivateHome() {
  const std::string home = TestHome();
  QDir().mkpath(QString::fromStdString(home + "/Documents"));
  QDir().mkpath(QString::fromStdString(home + "/Desktop"));
  QDir().mkpath(QString::fromStdString(home + "/.config"));
  setenv("HOME", home.c_str(), 1);
  setenv("XDG_CONFIG_HOME", (home + "/.config").c_str(), 1);
  setenv("XDG_DATA_HOME", (home + "/.local/share").c_str(), 1);
  setenv("XDG_DOCUMENTS_DIR", (home + "/Documents").c_str(), 1);
  setenv("XDG_DESKTOP_DIR", (home + "/Desktop").c_str(), 1);
  QStandardPaths::setTestModeEnabled(true);
}

std::string MakeTempDir(const std::string& hint) {
  static std::atomic<int> counter{0};
  std::string path = Root().path().toStdString() + "/" + hint + std::to_string(++counter);
  QDir().mkpath(QString::fromStdString(path));
  return path;
}

std::string ReadAll(const std::string& path) {
  std::ifstream in(path, std::ios::binary);
  if (!in) throw std::runtime_error("cannot read " + path);
  std::ostringstream out;
  out << in.rdbuf();
  return out.str();
}

void WriteAll(const std::string& path, const std::string& bytes) {
  std::ofstream out(path, std::ios::binary | std::ios::trunc);
  if (!out) throw std::runtime_error("cannot write " + path);
  out << bytes;
  out.close();
  // Written by this process: reads that follow must see it at once, as they
  // see the platform's own writes.
  platform::FilesChangedHere();
}

std::string CopyInto(const std::string& source, const std::string& dir, const std::string& name) {
  const std::string path = dir + "/" + name;
  WriteAll(path, ReadAll(source));
  return path;
}

std::string CopyToTemp(const std::string& source, const std::string& name, const std::string& hint) {
  return CopyInto(source, MakeTempDir(hint), name);
}

}  // namespace testsupport
