#pragma once
// The private-profile functions over INI files, with the platform's rules
// (documented in profile.cpp): names compared without regard to case, the
// first of duplicate sections or keys wins, values cut to 2047 characters,
// writes reach the file at once (atomically) and create it when missing, the
// rest of the file kept byte for byte. Texts are UTF-8; a file read as
// Windows-1252 is written back as Windows-1252.
#include <optional>
#include <string>
#include <vector>

namespace platform {

// The value of key in section, or fallback; at most bufferSize - 1 characters.
std::string GetPrivateProfileString(const std::string& section, const std::string& key,
                                    const std::string& fallback, const std::string& file,
                                    int bufferSize = 2048);
// Key names of a section in file order (first of duplicates only).
std::vector<std::string> GetPrivateProfileKeys(const std::string& section, const std::string& file);
// The keys of a section as "name=value" lines, in file order (first of
// duplicates only), each value as GetPrivateProfileString gives it.
std::vector<std::string> GetPrivateProfileSection(const std::string& section, const std::string& file,
                                                  int bufferSize = 2048);
// Section names in file order (first of duplicates only).
std::vector<std::string> GetPrivateProfileSectionNames(const std::string& file);
// Writes value; no value deletes the key. Returns false when the file cannot be written.
bool WritePrivateProfileString(const std::string& section, const std::string& key,
                               const std::optional<std::string>& value, const std::string& file);
// Removes a section with all its lines. Returns false when the file cannot be written.
bool EraseProfileSection(const std::string& section, const std::string& file);
// Writes reach the file at once; kept for callers that flush.
void FlushPrivateProfile(const std::string& file);
// This process has just changed files by other means than the functions
// above (the platform's file writers call it): the next read takes the
// kernel's reports of it into account at once, instead of once the thread
// that waits for reports has woken. Costs no system call.
void FilesChangedHere();
// Waits until every change the kernel has reported so far will be seen by
// the next read: for a caller that knows another program has just written a
// file (and for tests). False when the thread that waits for reports did not
// take them up within ten seconds; they are then collected here.
bool AwaitProfileChangeReports();
// Whether reads rely on the kernel's reports of changes to the files they
// keep parsed (where it gives them) instead of looking at each file's identity
// on every read. On by default; tests turn it off to check the other way.
void UseProfileChangeReports(bool use);

}  // namespace platform
