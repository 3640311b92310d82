// A source file ("*.ini") of arbitrary bytes through the workbench's reading
// side and the verifier, as a user who selects the file and presses Verify:
// the file type check, the model list, the header, every model read (which
// may raise the platform's conversion or list errors, and nothing else), then
// verification with details. Never a crash or a hang, and the report must
// agree with itself: one "<li>" per counted fault under the verdict.
//
// The refrigerant library is the shipped one, found beside this source
// (DRAVLEN_REFLIB names another).
#include <cstddef>
#include <cstdint>
#include <cstdlib>
#include <string>

#include "core/refriglib.h"
#include "platform/sysutils.h"
#include "platform/textfile.h"
#include "workbench/sourcefile.h"
#include "workbench/verify.h"

namespace {

std::string& SourcePath() {
  static std::string path;
  return path;
}

void ReadModels(workbench::TSourceFile& source) {
  source.CheckFileType();
  source.LoadModelList();
  source.LoadHeader();
  workbench::TIniPass pass(source);
  for (int i = 0; i < source.ModelList.Count(); ++i) {
    try {
      source.SelectModel(i);
    } catch (const platform::EConvertError&) {
    } catch (const platform::EListError&) {
    }
  }
}

void CheckReport(workbench::TSourceFile& source) {
  workbench::TVerifier verifier(source);
  const int errors = verifier.VerifySourceFile(true);
  if (errors != verifier.ErrorCount || errors < 0) __builtin_trap();
  int faults = 0;
  for (const std::string& line : source.VerifyLog)
    if (line.rfind("<li>", 0) == 0) ++faults;
  if (faults != errors) __builtin_trap();
  // Verdict, its lines, "<hr>", then the file's heading.
  const int verdictLines = errors == 0 ? 3 : 2;
  if (source.VerifyLog.Count() < verdictLines + 2) __builtin_trap();
  if (source.VerifyLog.Get(verdictLines) != "<hr>") __builtin_trap();
  if (source.VerifyLog.Get(verdictLines + 1).rfind("<h1>", 0) != 0) __builtin_trap();

  // Without details only the count and one summary line.
  source.VerifyLog.Clear();
  if (verifier.VerifySourceFile(false) != errors) __builtin_trap();
  if (source.VerifyLog.Count() != 1) __builtin_trap();
}

}  // namespace

extern "C" int LLVMFuzzerInitialize(int*, char***) {
  const char* lib = std::getenv("DRAVLEN_REFLIB");
  std::string here = __FILE__;
  here = here.substr(0, here.find_last_of('/'));
  core::InitRefrigLib(lib && *lib ? std::string(lib) : here + "/../resources/shared/RefLib8.rdf");
  const char* base = std::getenv("TMPDIR");
  std::string dir = std::string(base && *base ? base : "/tmp") + "/sourcefile_fuzz.XXXXXX";
  if (mkdtemp(dir.data()) == nullptr) std::abort();
  SourcePath() = dir + "/Fuzz R22.ini";
  return 0;
}

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size) {
  const std::string bytes(reinterpret_cast<const char*>(data), size);
  platform::WriteFileBytes(SourcePath(), bytes);
  workbench::TSourceFile source;
  source.CurrentFile = SourcePath();
  ReadModels(source);
  CheckReport(source);
  // Neither reading nor verifying writes the file.
  if (platform::ReadFileBytes(SourcePath()) != bytes) __builtin_trap();
  return 0;
}
