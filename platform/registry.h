#pragma once
// The registry stand-in. Per-user keys ("Software\Quillbarrow\...") live in
// settings files under the XDG config folder; the machine scope is read-only
// and answers the few look-ups the system makes with Linux equivalents (see
// registry.cpp and the README for the mapping). Key paths keep the
// backslashes of the original names.
#include <cstdint>
#include <memory>
#include <optional>
#include <string>
#include <vector>

#include "platform/sysutils.h"

namespace platform {

enum class TRootKey { HKEY_CURRENT_USER, HKEY_LOCAL_MACHINE };
enum class TRegDataType { rdUnknown, rdString, rdInteger, rdBinary };

// Raised by ReadInteger/ReadString on a value of the wrong type, and by
// writes that fail: "Failed to set data for '%s'", "Invalid data type for '%s'".
class ERegistryException : public Exception { using Exception::Exception; };

class TRegistry {
 public:
  TRegistry();
  explicit TRegistry(TRootKey root);
  ~TRegistry();

  TRootKey RootKey() const { return root_; }
  void SetRootKey(TRootKey root) { root_ = root; CloseKey(); }

  // Open a key, creating it when asked (per-user scope only). False when the
  // key does not exist (and may not be created).
  bool OpenKey(const std::string& key, bool canCreate);
  bool OpenKeyReadOnly(const std::string& key);
  void CloseKey();
  bool KeyExists(const std::string& key);
  bool DeleteKey(const std::string& key);
  const std::string& CurrentPath() const { return current_; }

  bool ValueExists(const std::string& name);
  TRegDataType GetDataType(const std::string& name);
  std::vector<std::string> GetValueNames();
  std::vector<std::string> GetKeyNames();

  std::string ReadString(const std::string& name);   // "" when missing
  void WriteString(const std::string& name, const std::string& value);
  int32_t ReadInteger(const std::string& name);      // raises when not an integer
  void WriteInteger(const std::string& name, int32_t value);   // a DWORD value
  bool DeleteValue(const std::string& name);

 private:
  TRootKey root_ = TRootKey::HKEY_CURRENT_USER;
  std::string current_;
  bool open_ = false;
};

// The one rule for a setting read as an integer: a DWORD value, or a text
// value that reads as an integer (StrToInt's rules: decimal or "$"/"0x"
// hexadecimal); nothing for a missing value, a binary value or text that is
// no number. Text is accepted because it is the same setting: older versions
// and people editing the settings wrote numbers as text, and the form-state
// writer keeps a text value as text.
std::optional<int32_t> ReadIntegerEitherWay(TRegistry& reg, const std::string& name);

// Where the per-user settings files are kept (the XDG config folder + "Quillbarrow").
std::string RegistryUserFolder();

}  // namespace platform
