#pragma once
// Special folders and the running program. Folders are returned without a
// trailing "/"; an empty text means the platform cannot name it.
#include <functional>
#include <string>

namespace platform {

enum class TSpecialFolder {
  Desktop,        // XDG desktop folder
  Personal,       // My Documents: the XDG documents folder
  Windows,        // stands in for the Windows folder (see shell.cpp)
  System,         // stands in for the Windows system folder
  ProgramFiles,   // the folder that holds the maker root of an installation
  CommonFiles,
};

std::string SpecialFolderPath(TSpecialFolder folder);

// Full path of the running program file ("/.../Quillbarrow/Dravlen/Dravlen").
std::string ProgramFilePath();
// Tests and tools may set the program path they want the system to see.
void SetProgramFilePath(const std::string& path);

// Open a file or URL with the desktop's handler ("open" verb); false on failure.
bool ShellOpen(const std::string& pathOrUrl);
// Tests: while set, ShellOpen calls the hook instead of the desktop.
void SetShellOpenHook(std::function<bool(const std::string&)> hook);

}  // namespace platform
