#pragma once
// The system's place on the machine: number format, folders computed once at
// start-up, registry keys, saved window positions, company information, the
// registered owner, the default mail address and file routines. Folders end
// with "/" where the originals ended with a backslash.
#include <functional>
#include <string>

#include "platform/stringlist.h"

class QWidget;

namespace core {

// Module start-up and clean-up (explicit, called from the program's entry).
// Raises platform::Exception "Could not find My Documents folder location."
void InitEnvironment();
void DoneEnvironment();

std::string ProgramRegistryKey(const std::string& filePath = "");
extern const char* const CommonRegistryKey;    // "Software\\Quillbarrow\\Common\\"
extern const char* const CompanyRegistryKey;   // "Software\\Quillbarrow"

void RestoreFormState(QWidget& window, bool restoreVisibility, bool restoreSize);
void SaveFormState(QWidget& window);
// The name of a window's subkey (its object name).
std::string FormStateName(const QWidget& window);

struct RegisteredOwnerInfo { std::string owner; std::string organisation; };
RegisteredOwnerInfo GetRegisteredOwner();
std::string DefaultMailAddress();
bool IsValidEmailAddress(std::string_view text);

std::string CommonFilesDir();
std::string ProgramFilesDir();
std::string DesktopDir();
std::string WindowsDir();
std::string SystemDir();
std::string MyDocumentsDir();
std::string MakerRootDir();
std::string SharedDir();            // maker root + "Common Files/"
std::string ApplicationDir();       // with trailing "/"
std::string ProgramName();
std::string DataDir();              // My Documents + "Quillbarrow/" + program name + "/"
// Maker root from an application folder (exposed for tests).
std::string MakerRootFor(const std::string& applicationDir, const std::string& programFilesDir);

// Company information read at start-up.
struct CompanyInfo {
  std::string company, description, logo, addr1, addr2, code, country, email, web, tel, fax, user;
};
const CompanyInfo& Company();

std::string ExtractFileNameNoExt(std::string_view path);
std::string AddBackslash(std::string_view folder);      // adds the platform separator "/"
std::string JoinPath(std::string_view folder, std::string_view name);
using FolderCallback = std::function<void(const std::string& folder)>;
void FindFiles(const std::string& folder, const std::string& mask, platform::TStringList& list,
               const FolderCallback& callback, bool recurse);

unsigned PoolMessageId();   // the registered "QB_MESSAGE_POOL" message

}  // namespace core
