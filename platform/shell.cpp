// Special folders on Linux. My Documents and the desktop are the XDG user
// folders. The Windows folder stands in as "/etc" (machine-wide settings
// such as "win.ini" would live there) and the system folder as "/usr/lib"
// (the shared libraries). Program Files and Common Files come from the
// machine scope of the registry stand-in (see registry.cpp).
#include "platform/shell.h"

#include <QCoreApplication>
#include <QDesktopServices>
#include <QFileInfo>
#include <QStandardPaths>
#include <QUrl>

#include <unistd.h>

#include <functional>

#include "platform/registry.h"
#include "platform/sysutils.h"

namespace platform {

namespace {

std::string& ProgramOverride() {
  static std::string path;
  return path;
}

std::function<bool(const std::string&)>& OpenHook() {
  static std::function<bool(const std::string&)> hook;
  return hook;
}

std::string WithoutSlash(std::string path) { return ExcludeTrailingPathDelimiter(path); }

std::string MachineValue(const char* name) {
  TRegistry reg(TRootKey::HKEY_LOCAL_MACHINE);
  if (!reg.OpenKeyReadOnly("Software\\Microsoft\\Windows\\CurrentVersion")) return "";
  return reg.ReadString(name);
}

}  // namespace

std::string SpecialFolderPath(TSpecialFolder folder) {
  switch (folder) {
    case TSpecialFolder::Desktop:
      return WithoutSlash(QStandardPaths::writableLocation(QStandardPaths::DesktopLocation).toStdString());
    case TSpecialFolder::Personal:
      return WithoutSlash(QStandardPaths::writableLocation(QStandardPaths::DocumentsLocation).toStdString());
    case TSpecialFolder::Windows:
      return "/etc";
    case TSpecialFolder::System:
      return "/usr/lib";
    case TSpecialFolder::ProgramFiles:
      return WithoutSlash(MachineValue("ProgramFilesDir"));
    case TSpecialFolder::CommonFiles:
      return WithoutSlash(MachineValue("CommonFilesDir"));
  }
  return "";
}

std::string ProgramFilePath() {
  if (!ProgramOverride().empty()) return ProgramOverride();
  if (QCoreApplication::instance()) {
    QString path = QCoreApplication::applicationFilePath();
    if (!path.isEmpty()) return path.toStdString();
  }
  char buf[4096];
  ssize_t n = readlink("/proc/self/exe", buf, sizeof buf - 1);
  return n > 0 ? std::string(buf, static_cast<size_t>(n)) : std::string();
}

void SetProgramFilePath(const std::string& path) { ProgramOverride() = path; }

void SetShellOpenHook(std::function<bool(const std::string&)> hook) { OpenHook() = std::move(hook); }

bool ShellOpen(const std::string& pathOrUrl) {
  if (OpenHook()) return OpenHook()(pathOrUrl);
  if (pathOrUrl.empty()) return false;
  QString text = QString::fromStdString(pathOrUrl);
  QUrl url;
  if (text.startsWith('/')) {
    if (!QFileInfo::exists(text)) return false;
    url = QUrl::fromLocalFile(text);
  } else {
    url = QUrl::fromUserInput(text);
  }
  if (!url.isValid()) return false;
  return QDesktopServices::openUrl(url);
}

}  // namespace platform
