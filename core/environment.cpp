// The system's place on the machine. Folders are computed once by the
// module start-up (InitEnvironment) and live to the end of the process;
// reading one before the start-up computes them quietly.
//
// On Linux the maker root keeps the case of the program's own path: the
// markers "QUILLBARROW" and "7QB" are found without regard to case, but the
// root is the path's own text up to and including the marker as spelt there
// ("/d/Apps/quillbarrow/Tool/" gives "/d/Apps/quillbarrow/"). Upper-casing
// the folder, as the platform could afford, would name a folder that does
// not exist on a case-sensitive file system.
//
// FindFiles lists names sorted without regard to case (then by bytes): the
// file system's own order is not stable on Linux.
#include "core/environment.h"

#include <QEvent>
#include <QGuiApplication>
#include <QLocale>
#include <QScreen>
#include <QWidget>

#include <dirent.h>
#include <sys/stat.h>

#include <algorithm>
#include <clocale>
#include <filesystem>

#include "platform/registry.h"
#include "platform/shell.h"
#include "platform/sysutils.h"

namespace core {

using platform::TRegistry;
using platform::TRegDataType;
using platform::TRootKey;

const char* const CommonRegistryKey = "Software\\Quillbarrow\\Common\\";
const char* const CompanyRegistryKey = "Software\\Quillbarrow";

namespace {

struct Folders {
  bool ready = false;
  std::string desktop, windows, system, programFiles, commonFiles, programName, application, myDocuments,
      data, makerRoot, shared;
};

Folders& State() {
  static Folders folders;
  return folders;
}

CompanyInfo& CompanyState() {
  static CompanyInfo info;
  return info;
}

bool& CompanyReady() {
  static bool ready = false;
  return ready;
}

unsigned& PoolMessage() {
  static unsigned id = 0;
  return id;
}

std::string MachineFolder(const char* name, const std::string& fallback) {
  TRegistry reg(TRootKey::HKEY_LOCAL_MACHINE);
  try {
    if (reg.OpenKeyReadOnly("Software\\Microsoft\\Windows\\CurrentVersion")) {
      std::string value = reg.ReadString(name);
      if (!value.empty()) return AddBackslash(value);
    }
  } catch (const platform::Exception&) {
  }
  return fallback;
}

void ComputeFolders(Folders& f) {
  f.desktop = AddBackslash(platform::SpecialFolderPath(platform::TSpecialFolder::Desktop));
  f.windows = platform::SpecialFolderPath(platform::TSpecialFolder::Windows);
  f.system = platform::SpecialFolderPath(platform::TSpecialFolder::System);
  f.programFiles = MachineFolder("ProgramFilesDir", "/opt/");
  f.commonFiles = MachineFolder("CommonFilesDir", "/opt/Common Files/");
  std::string program = platform::ProgramFilePath();
  f.programName = ExtractFileNameNoExt(program);
  f.application = platform::ExtractFilePath(program);
  std::string documents = platform::SpecialFolderPath(platform::TSpecialFolder::Personal);
  f.myDocuments = documents.empty() ? "" : AddBackslash(documents);
  f.data = f.myDocuments.empty() ? f.application : f.myDocuments + "Quillbarrow/" + f.programName + "/";
  f.makerRoot = MakerRootFor(f.application, f.programFiles);
  f.shared = f.makerRoot + "Common Files/";
  f.ready = true;
}

const Folders& Ready() {
  Folders& f = State();
  if (!f.ready) ComputeFolders(f);
  return f;
}

void ReadCompany() {
  CompanyInfo info;
  info.company = "Quillbarrow";
  info.description = "Refrigeration compressor data";
  info.logo = Ready().commonFiles + "Quillbarrow/ReportLogo.gif";
  info.addr1 = "Unit 7, Quillbarrow Works";
  info.addr2 = "Mill Lane";
  info.code = "QB1 7AA";
  info.country = "United Kingdom";
  info.email = "data@quillbarrow.example";
  info.web = "www.quillbarrow.example";
  info.tel = "+44 1632 960000";
  info.fax = "+44 1632 960001";
  info.user = "";
  TRegistry reg;
  if (reg.OpenKeyReadOnly(CompanyRegistryKey)) {
    std::pair<const char*, std::string*> fields[] = {
        {"company", &info.company}, {"description", &info.description}, {"logo", &info.logo},
        {"addr1", &info.addr1},     {"addr2", &info.addr2},             {"code", &info.code},
        {"country", &info.country}, {"email", &info.email},             {"web", &info.web},
        {"tel", &info.tel},         {"fax", &info.fax},                 {"user", &info.user},
    };
    for (auto& [name, field] : fields) {
      try {
        if (reg.ValueExists(name)) *field = reg.ReadString(name);
      } catch (const platform::Exception&) {
        // A value of another type keeps the default.
      }
    }
  }
  CompanyState() = info;
  CompanyReady() = true;
}

// An existing text value stays text; everything else is written as a DWORD.
void WriteIntKeepingType(TRegistry& reg, const char* name, int value) {
  if (reg.GetDataType(name) == TRegDataType::rdString) reg.WriteString(name, std::to_string(value));
  else reg.WriteInteger(name, value);
}

std::string FormKey(const QWidget& window) { return ProgramRegistryKey() + "\\" + FormStateName(window); }

}  // namespace

void InitEnvironment() {
  // Number text is "." and "," whatever the user's regional settings: our
  // own conversions are fixed, and Qt's widgets and the C library follow.
  std::setlocale(LC_NUMERIC, "C");
  QLocale::setDefault(QLocale::c());

  Folders& f = State();
  ComputeFolders(f);
  if (f.myDocuments.empty()) throw platform::Exception("Could not find My Documents folder location.");
  if (!platform::DirectoryExists(f.data) && !platform::ForceDirectories(f.data)) f.data = f.application;
  ReadCompany();
  if (PoolMessage() == 0) PoolMessage() = static_cast<unsigned>(QEvent::registerEventType());
}

void DoneEnvironment() {
  State() = Folders();
  CompanyState() = CompanyInfo();
  CompanyReady() = false;
}

std::string ProgramRegistryKey(const std::string& filePath) {
  std::string path = filePath.empty() ? platform::ProgramFilePath() : filePath;
  return std::string(CompanyRegistryKey) + "\\" + ExtractFileNameNoExt(path);
}

std::string FormStateName(const QWidget& window) {
  QString name = window.objectName();
  if (name.isEmpty()) name = window.metaObject()->className();
  return name.toStdString();
}

void RestoreFormState(QWidget& window, bool restoreVisibility, bool restoreSize) {
  TRegistry reg;
  if (!reg.OpenKeyReadOnly(FormKey(window))) return;
  int left = platform::ReadIntegerEitherWay(reg, "Left").value_or(window.x());
  int top = platform::ReadIntegerEitherWay(reg, "Top").value_or(window.y());
  int width = window.width(), height = window.height();
  if (restoreSize) {
    width = platform::ReadIntegerEitherWay(reg, "Width").value_or(width);
    height = platform::ReadIntegerEitherWay(reg, "Height").value_or(height);
  }
  bool visible = false;
  if (restoreVisibility) {
    try {
      if (reg.GetDataType("Visible") == TRegDataType::rdInteger) visible = reg.ReadInteger("Visible") != 0;
      else visible = reg.ReadString("Visible") == "1";
    } catch (const platform::Exception&) {
      visible = false;
    }
  }
  QScreen* screen = QGuiApplication::primaryScreen();
  QSize size = screen ? screen->size() : QSize(1024, 768);
  // Keep the window on the screen.
  if (left < 0) left = 0;
  if (left > size.width() - 100) left = size.width() - 200;
  if (top < 0) top = 0;
  if (top > size.height() - 100) top = size.height() - 200;

  int currentState = (window.windowState() & Qt::WindowMaximized) ? 2 : (window.windowState() & Qt::WindowMinimized) ? 1 : 0;
  int state = platform::ReadIntegerEitherWay(reg, "WinState").value_or(currentState);

  window.move(left, top);
  if (restoreSize && width > 0 && height > 0) window.resize(width, height);
  Qt::WindowStates states = window.windowState() & ~(Qt::WindowMaximized | Qt::WindowMinimized);
  if (state == 1) states |= Qt::WindowMinimized;
  else if (state == 2) states |= Qt::WindowMaximized;
  window.setWindowState(states);
  if (restoreVisibility) window.setVisible(visible);
}

void SaveFormState(QWidget& window) {
  TRegistry reg;
  if (!reg.OpenKey(FormKey(window), true)) return;
  try {
    WriteIntKeepingType(reg, "Left", window.x());
    WriteIntKeepingType(reg, "Top", window.y());
    WriteIntKeepingType(reg, "Width", window.width());
    WriteIntKeepingType(reg, "Height", window.height());
    reg.WriteString("Visible", window.isVisible() ? "1" : "0");
    int state = window.isMaximized() ? 2 : window.isMinimized() ? 1 : 0;
    WriteIntKeepingType(reg, "WinState", state);
  } catch (const platform::Exception&) {
    // Settings that cannot be saved are not worth stopping the close for.
  }
}

RegisteredOwnerInfo GetRegisteredOwner() {
  RegisteredOwnerInfo info;
  auto readFrom = [&](const char* key) {
    TRegistry reg(TRootKey::HKEY_LOCAL_MACHINE);
    if (!reg.OpenKeyReadOnly(key)) return;
    try {
      if (info.owner.empty()) info.owner = reg.ReadString("RegisteredOwner");
      if (info.organisation.empty()) info.organisation = reg.ReadString("RegisteredOrganization");
    } catch (const platform::Exception&) {
    }
  };
  readFrom("Software\\Microsoft\\Windows NT\\CurrentVersion");
  if (info.owner.empty() || info.organisation.empty()) readFrom("Software\\Microsoft\\Windows\\CurrentVersion");
  return info;
}

std::string DefaultMailAddress() {
  const std::string manager = "Software\\Microsoft\\Internet Account Manager";
  try {
    TRegistry reg;
    if (!reg.OpenKeyReadOnly(manager)) return "";
    std::string account = reg.ReadString("default mail account");
    if (account.empty()) return "";
    if (!reg.OpenKeyReadOnly("\\" + manager + "\\accounts\\" + account)) return "";
    for (const char* name : {"SMTP Email Address", "SMTP Reply To Email Address", "POP3 Email Address",
                             "POP3 Reply To Email Address", "POP3 User Name"}) {
      std::string value = reg.ReadString(name);
      if (!value.empty() && IsValidEmailAddress(value)) return value;
    }
  } catch (const platform::Exception&) {
  }
  return "";
}

bool IsValidEmailAddress(std::string_view text) {
  enum State { Start, Local, AfterLocalDot, Quoted, Escaped, AfterQuote, DomainStart, Label, Hyphen };
  auto isAtom = [](unsigned char c) {
    if (c >= 128) return true;
    if ((c >= '0' && c <= '9') || (c >= 'A' && c <= 'Z') || (c >= 'a' && c <= 'z')) return true;
    return std::string_view("!#$%&'*+-=?^_`{|}~").find(static_cast<char>(c)) != std::string_view::npos;
  };
  auto isLetter = [](unsigned char c) { return (c >= 'A' && c <= 'Z') || (c >= 'a' && c <= 'z'); };
  auto isDigit = [](unsigned char c) { return c >= '0' && c <= '9'; };
  if (text.empty()) return false;
  State state = Start;
  int labels = 1;
  for (char ch : text) {
    unsigned char c = static_cast<unsigned char>(ch);
    switch (state) {
      case Start:
      case AfterLocalDot:
        if (isAtom(c)) state = Local;
        else if (c == '"') state = Quoted;
        else return false;
        break;
      case Local:
        if (c == '@') state = DomainStart;
        else if (c == '.') state = AfterLocalDot;
        else if (isAtom(c)) state = Local;
        else return false;
        break;
      case Quoted:
        if (c == '\\') state = Escaped;
        else if (c == '"') state = AfterQuote;
        else if (c == '\r') return false;
        break;
      case Escaped:
        state = Quoted;
        break;
      case AfterQuote:
        if (c == '@') state = DomainStart;
        else if (c == '.') state = AfterLocalDot;
        else return false;
        break;
      case DomainStart:
        if (isLetter(c)) state = Label;
        else return false;
        break;
      case Label:
        if (c == '.') {
          state = DomainStart;
          ++labels;
        } else if (c == '-') {
          state = Hyphen;
        } else if (isLetter(c) || isDigit(c)) {
          state = Label;
        } else {
          return false;
        }
        break;
      case Hyphen:
        if (isLetter(c) || isDigit(c)) state = Label;
        else if (c == '-') state = Hyphen;
        else return false;
        break;
    }
  }
  return state == Label && labels >= 2;
}

std::string CommonFilesDir() { return Ready().commonFiles; }
std::string ProgramFilesDir() { return Ready().programFiles; }
std::string DesktopDir() { return Ready().desktop; }
std::string WindowsDir() { return Ready().windows; }
std::string SystemDir() { return Ready().system; }
std::string MyDocumentsDir() { return Ready().myDocuments; }
std::string MakerRootDir() { return Ready().makerRoot; }
std::string SharedDir() { return Ready().shared; }
std::string ApplicationDir() { return Ready().application; }
std::string ProgramName() { return Ready().programName; }
std::string DataDir() { return Ready().data; }

std::string MakerRootFor(const std::string& applicationDir, const std::string& programFilesDir) {
  std::string root = AddBackslash(programFilesDir) + "Quillbarrow/";
  std::string upper = platform::UpperCase(applicationDir);
  for (const char* marker : {"QUILLBARROW", "7QB"}) {
    size_t at = upper.find(marker);
    if (at != std::string::npos) {
      size_t length = std::string_view(marker).size();
      return applicationDir.substr(0, at + length) + "/";
    }
  }
  return root;
}

const CompanyInfo& Company() {
  if (!CompanyReady()) ReadCompany();
  return CompanyState();
}

std::string ExtractFileNameNoExt(std::string_view path) {
  std::string name = platform::ExtractFileName(path);
  std::string ext = platform::ExtractFileExt(name);
  return name.substr(0, name.size() - ext.size());
}

std::string AddBackslash(std::string_view folder) {
  std::string out(folder);
  if (!out.empty() && out.back() != '/') out += '/';
  return out;
}

std::string JoinPath(std::string_view folder, std::string_view name) {
  std::string out(folder);
  if (out.empty() || out.back() != '/') out += '/';
  return out + std::string(name);
}

namespace {

// As ListFiles and ListFolders order names: without regard to ASCII case,
// then byte by byte. Compared through lowered copies made once per name.
void SortByName(std::vector<std::string>& names) {
  if (names.size() < 2) return;
  std::vector<std::pair<std::string, size_t>> keys(names.size());
  for (size_t i = 0; i < names.size(); ++i) {
    keys[i].first = platform::LowerCase(names[i]);
    keys[i].second = i;
  }
  std::sort(keys.begin(), keys.end(), [&](const auto& a, const auto& b) {
    const int c = a.first.compare(b.first);
    return c != 0 ? c < 0 : names[a.second] < names[b.second];
  });
  std::vector<std::string> sorted;
  sorted.reserve(names.size());
  for (const auto& key : keys) sorted.push_back(std::move(names[key.second]));
  names.swap(sorted);
}

void FindFilesIn(const std::string& folder, const std::string& mask, platform::TStringList& list,
                 const FolderCallback& callback, bool recurse, std::vector<std::string>& visited) {
  std::string resolved = platform::ResolveFilePath(folder);
  // A folder reached again through a link would make the search endless.
  std::error_code ec;
  std::string canonical = std::filesystem::canonical(resolved, ec).string();
  if (!ec) {
    for (const auto& v : visited)
      if (v == canonical) return;
    visited.push_back(canonical);
  }
  // One pass over the folder gives its files and its sub-folders, each in the
  // order ListFiles and ListFolders give them (a catalog folder holds
  // thousands of files, read again at every refresh). An entry counts as a
  // folder when it is one or links to one.
  std::vector<std::string> files, folders;
  const std::string here = resolved.empty() ? "." : resolved;
  if (DIR* dir = ::opendir(here.c_str())) {
    while (const dirent* entry = ::readdir(dir)) {
      const char* name = entry->d_name;
      if (name[0] == '.' && (name[1] == 0 || (name[1] == '.' && name[2] == 0))) continue;
      bool isFolder = entry->d_type == DT_DIR;
      if (entry->d_type == DT_UNKNOWN || entry->d_type == DT_LNK) {
        struct stat st;
        isFolder = ::stat((here + "/" + name).c_str(), &st) == 0 && S_ISDIR(st.st_mode);
      }
      if (isFolder) {
        if (recurse) folders.emplace_back(name);
      } else if (platform::MatchesMask(name, mask)) {
        files.emplace_back(name);
      }
    }
    ::closedir(dir);
  }
  SortByName(files);
  SortByName(folders);
  if (callback) callback(folder);
  for (const auto& name : files) list.Add(JoinPath(folder, name));
  for (const auto& sub : folders) FindFilesIn(JoinPath(folder, sub), mask, list, callback, recurse, visited);
}

}  // namespace

void FindFiles(const std::string& folder, const std::string& mask, platform::TStringList& list,
               const FolderCallback& callback, bool recurse) {
  if (folder.empty()) return;
  std::vector<std::string> visited;
  FindFilesIn(folder, mask, list, callback, recurse, visited);
}

unsigned PoolMessageId() { return PoolMessage(); }

}  // namespace core
