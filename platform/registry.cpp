// The registry stand-in.
//
// Per-user keys (HKEY_CURRENT_USER) are folders under RegistryUserFolder()
// (the XDG config folder + "/Quillbarrow"); each key's values are in the file
// "values.ini" of its folder, section [Values], one line per value:
//   Name=sz:text        a text (backslash, control characters and a
//                       trailing blank written as \xHH)
//   Name=dword:123      a 32-bit integer (DWORD), in decimal
//   Name=hex:0A1B       bytes
// The unnamed value is "@". Keys under "Software\Quillbarrow" map to the
// folder path below it ("Software\Quillbarrow\Dravlen\MainForm" is
// ~/.config/Quillbarrow/Dravlen/MainForm/values.ini); any other key keeps its
// full path below "HKEY_CURRENT_USER/" (for instance the mail accounts under
// "Software\Microsoft\Internet Account Manager"). Key and value names are
// found without regard to case.
//
// The machine scope (HKEY_LOCAL_MACHINE) is read-only. It answers from
// files under RegistryUserFolder() + "/HKEY_LOCAL_MACHINE/" laid out the same
// way, when someone configured one, and otherwise from these built-in values:
//   Software\Microsoft\Windows\CurrentVersion
//     ProgramFilesDir   the folder that holds the maker root of the running
//                       program (for /x/Quillbarrow/Dravlen/Dravlen: /x);
//                       "/opt" when the program's path has no maker folder
//     CommonFilesDir    ProgramFilesDir + "/Common Files"
//   Software\Microsoft\Windows NT\CurrentVersion
//     RegisteredOwner         the account's full name (GECOS), else its login
//     RegisteredOrganization  empty
#include "platform/registry.h"

#include <QStandardPaths>

#include <pwd.h>
#include <unistd.h>

#include <filesystem>
#include <optional>

#include "platform/profile.h"
#include "platform/shell.h"

namespace platform {

namespace {

namespace fs = std::filesystem;

const char* const kSection = "Values";
const char* const kWindowsKey = "Software\\Microsoft\\Windows\\CurrentVersion";
const char* const kWindowsNtKey = "Software\\Microsoft\\Windows NT\\CurrentVersion";

std::vector<std::string> Components(const std::string& key) {
  std::vector<std::string> parts;
  std::string part;
  for (char c : key + "\\") {
    if (c == '\\') {
      if (!part.empty() && part != "." && part != "..") parts.push_back(part);
      part.clear();
    } else {
      part += c == '/' ? '_' : c;
    }
  }
  return parts;
}

std::string Joined(const std::vector<std::string>& parts) {
  std::string out;
  for (const auto& p : parts) out += (out.empty() ? "" : "\\") + p;
  return out;
}

std::string FolderFor(TRootKey root, const std::string& key) {
  std::vector<std::string> parts = Components(key);
  std::string folder = RegistryUserFolder();
  size_t first = 0;
  if (root == TRootKey::HKEY_LOCAL_MACHINE) {
    folder += "/HKEY_LOCAL_MACHINE";
  } else if (parts.size() >= 2 && SameText(parts[0], "Software") && SameText(parts[1], "Quillbarrow")) {
    first = 2;
  } else {
    folder += "/HKEY_CURRENT_USER";
  }
  for (size_t i = first; i < parts.size(); ++i) folder += "/" + parts[i];
  return ResolveFilePath(folder);
}

std::string ValuesFile(const std::string& folder) { return folder + "/values.ini"; }

std::string StoredName(const std::string& name) { return name.empty() ? "@" : name; }

std::string EscapeText(const std::string& text) {
  static const char* hex = "0123456789ABCDEF";
  std::string out;
  for (size_t i = 0; i < text.size(); ++i) {
    unsigned char c = static_cast<unsigned char>(text[i]);
    bool last = i + 1 == text.size();
    if (c < 0x20 || c == '\\' || (last && c == ' ')) {
      out += "\\x";
      out += hex[c >> 4];
      out += hex[c & 15];
    } else {
      out += static_cast<char>(c);
    }
  }
  return out;
}

std::string UnescapeText(const std::string& text) {
  std::string out;
  for (size_t i = 0; i < text.size(); ++i) {
    if (text[i] == '\\' && i + 3 < text.size() && text[i + 1] == 'x') {
      int v = 0;
      bool ok = true;
      for (int k = 2; k <= 3; ++k) {
        char c = text[i + k];
        int d = (c >= '0' && c <= '9') ? c - '0' : (c >= 'A' && c <= 'F') ? c - 'A' + 10
              : (c >= 'a' && c <= 'f') ? c - 'a' + 10 : -1;
        if (d < 0) ok = false;
        v = v * 16 + d;
      }
      if (ok) {
        out += static_cast<char>(v);
        i += 3;
        continue;
      }
    }
    out += text[i];
  }
  return out;
}

struct StoredValue {
  TRegDataType type = TRegDataType::rdUnknown;
  std::string text;
};

StoredValue Decode(const std::string& raw) {
  StoredValue v;
  if (raw.rfind("dword:", 0) == 0) {
    v.type = TRegDataType::rdInteger;
    v.text = raw.substr(6);
  } else if (raw.rfind("hex:", 0) == 0) {
    v.type = TRegDataType::rdBinary;
    v.text = raw.substr(4);
  } else if (raw.rfind("sz:", 0) == 0) {
    v.type = TRegDataType::rdString;
    v.text = UnescapeText(raw.substr(3));
  } else {
    v.type = TRegDataType::rdString;   // a hand-written line
    v.text = raw;
  }
  return v;
}

std::string AccountFullName() {
  struct passwd* pw = getpwuid(getuid());
  if (!pw) return "";
  std::string gecos = pw->pw_gecos ? pw->pw_gecos : "";
  gecos = Trim(gecos.substr(0, gecos.find(',')));
  return gecos.empty() ? std::string(pw->pw_name ? pw->pw_name : "") : gecos;
}

std::string ProgramFilesFolder() {
  std::string folder = ExtractFilePath(ProgramFilePath());
  std::string upper = UpperCase(folder);
  size_t at = upper.find("QUILLBARROW");
  if (at == std::string::npos) at = upper.find("7QB");
  if (at == std::string::npos || at == 0) return "/opt";
  return ExcludeTrailingPathDelimiter(folder.substr(0, at));
}

// The machine scope's built-in answers for a key, or nothing.
std::optional<std::vector<std::pair<std::string, std::string>>> BuiltinValues(const std::string& key) {
  std::string k = Joined(Components(key));
  if (SameText(k, kWindowsKey)) {
    std::string pf = ProgramFilesFolder();
    return std::vector<std::pair<std::string, std::string>>{{"ProgramFilesDir", pf},
                                                            {"CommonFilesDir", pf + "/Common Files"}};
  }
  if (SameText(k, kWindowsNtKey))
    return std::vector<std::pair<std::string, std::string>>{{"RegisteredOwner", AccountFullName()},
                                                            {"RegisteredOrganization", ""}};
  return std::nullopt;
}

std::string Absolute(const std::string& current, bool open, const std::string& key) {
  if (!key.empty() && key[0] == '\\') return Joined(Components(key));
  if (!open || current.empty()) return Joined(Components(key));
  return Joined(Components(current + "\\" + key));
}

}  // namespace

std::string RegistryUserFolder() {
  std::string base = QStandardPaths::writableLocation(QStandardPaths::GenericConfigLocation).toStdString();
  if (base.empty()) {
    const char* home = getenv("HOME");
    base = std::string(home ? home : "/tmp") + "/.config";
  }
  return base + "/Quillbarrow";
}

TRegistry::TRegistry() = default;
TRegistry::TRegistry(TRootKey root) : root_(root) {}
TRegistry::~TRegistry() { CloseKey(); }

bool TRegistry::OpenKey(const std::string& key, bool canCreate) {
  std::string path = Absolute(current_, open_, key);
  std::string folder = FolderFor(root_, path);
  bool exists = DirectoryExists(folder);
  if (root_ == TRootKey::HKEY_LOCAL_MACHINE) {
    exists = exists || BuiltinValues(path).has_value();
  } else if (!exists && canCreate) {
    exists = ForceDirectories(folder);
  }
  if (!exists) return false;
  current_ = path;
  open_ = true;
  return true;
}

bool TRegistry::OpenKeyReadOnly(const std::string& key) {
  std::string path = Absolute(current_, open_, key);
  bool exists = DirectoryExists(FolderFor(root_, path)) ||
                (root_ == TRootKey::HKEY_LOCAL_MACHINE && BuiltinValues(path).has_value());
  if (!exists) return false;
  current_ = path;
  open_ = true;
  return true;
}

void TRegistry::CloseKey() {
  current_.clear();
  open_ = false;
}

bool TRegistry::KeyExists(const std::string& key) {
  std::string path = Absolute(current_, open_, key);
  return DirectoryExists(FolderFor(root_, path)) ||
         (root_ == TRootKey::HKEY_LOCAL_MACHINE && BuiltinValues(path).has_value());
}

bool TRegistry::DeleteKey(const std::string& key) {
  if (root_ == TRootKey::HKEY_LOCAL_MACHINE) return false;
  std::string path = Absolute(current_, open_, key);
  if (Components(path).size() == 0) return false;
  std::string folder = FolderFor(root_, path);
  if (!DirectoryExists(folder) || folder == RegistryUserFolder()) return false;
  std::error_code ec;
  fs::remove_all(folder, ec);
  return !ec;
}

namespace {

std::optional<StoredValue> Lookup(TRootKey root, const std::string& current, const std::string& name) {
  std::string file = ValuesFile(FolderFor(root, current));
  const std::string missing = "\x01missing";
  std::string raw = GetPrivateProfileString(kSection, StoredName(name), missing, file, 1 << 20);
  if (raw != missing) return Decode(raw);
  if (root == TRootKey::HKEY_LOCAL_MACHINE) {
    if (auto builtin = BuiltinValues(current)) {
      for (const auto& [n, v] : *builtin)
        if (SameText(n, name)) return StoredValue{TRegDataType::rdString, v};
    }
  }
  return std::nullopt;
}

}  // namespace

bool TRegistry::ValueExists(const std::string& name) { return Lookup(root_, current_, name).has_value(); }

TRegDataType TRegistry::GetDataType(const std::string& name) {
  auto v = Lookup(root_, current_, name);
  return v ? v->type : TRegDataType::rdUnknown;
}

std::vector<std::string> TRegistry::GetValueNames() {
  std::vector<std::string> names;
  for (const auto& n : GetPrivateProfileKeys(kSection, ValuesFile(FolderFor(root_, current_))))
    names.push_back(n == "@" ? "" : n);
  if (root_ == TRootKey::HKEY_LOCAL_MACHINE) {
    if (auto builtin = BuiltinValues(current_)) {
      for (const auto& [n, v] : *builtin) {
        bool seen = false;
        for (const auto& x : names) seen = seen || SameText(x, n);
        if (!seen) names.push_back(n);
      }
    }
  }
  return names;
}

std::vector<std::string> TRegistry::GetKeyNames() { return ListFolders(FolderFor(root_, current_)); }

std::string TRegistry::ReadString(const std::string& name) {
  auto v = Lookup(root_, current_, name);
  if (!v) return "";
  if (v->type != TRegDataType::rdString) throw ERegistryException("Invalid data type for '" + name + "'");
  return v->text;
}

int32_t TRegistry::ReadInteger(const std::string& name) {
  auto v = Lookup(root_, current_, name);
  if (!v) throw ERegistryException("Failed to get data for '" + name + "'");
  int32_t value;
  if (v->type != TRegDataType::rdInteger || !TryStrToInt(v->text, value))
    throw ERegistryException("Invalid data type for '" + name + "'");
  return value;
}

namespace {
void Store(TRootKey root, const std::string& current, const std::string& name, const std::string& raw) {
  if (root == TRootKey::HKEY_LOCAL_MACHINE) throw ERegistryException("Failed to set data for '" + name + "'");
  std::string folder = FolderFor(root, current);
  if (!DirectoryExists(folder)) ForceDirectories(folder);
  if (!WritePrivateProfileString(kSection, StoredName(name), raw, ValuesFile(folder)))
    throw ERegistryException("Failed to set data for '" + name + "'");
}
}  // namespace

void TRegistry::WriteString(const std::string& name, const std::string& value) {
  Store(root_, current_, name, "sz:" + EscapeText(value));
}

void TRegistry::WriteInteger(const std::string& name, int32_t value) {
  Store(root_, current_, name, "dword:" + std::to_string(value));
}

bool TRegistry::DeleteValue(const std::string& name) {
  if (root_ == TRootKey::HKEY_LOCAL_MACHINE) return false;
  if (!ValueExists(name)) return false;
  return WritePrivateProfileString(kSection, StoredName(name), std::nullopt, ValuesFile(FolderFor(root_, current_)));
}

std::optional<int32_t> ReadIntegerEitherWay(TRegistry& reg, const std::string& name) {
  try {
    switch (reg.GetDataType(name)) {
      case TRegDataType::rdInteger:
        return reg.ReadInteger(name);
      case TRegDataType::rdString: {
        int32_t value = 0;
        if (TryStrToInt(reg.ReadString(name), value)) return value;
        return std::nullopt;
      }
      default:
        return std::nullopt;
    }
  } catch (const Exception&) {
    return std::nullopt;
  }
}

}  // namespace platform
