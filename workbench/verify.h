#pragma once
// The verifier: checks a saved source file against the rules a well-formed
// file meets and reports every fault in the Verify page's log of the
// TSourceFile it works on. It reads the file on disk (through TIniFile), not
// the editor's text, and goes on after every fault.
//
// With details the log becomes the full report: the verdict heading, "<hr>",
// then one "<h1>" for the file, one "<h3>[section]</h3>" per section and an
// "<li>" per fault. Without details (Verify All) it only counts the faults and
// adds one line per file with "tick.png" or "cross.png"; the main window sets
// the viewer's base folder to where those pictures lie.
#include <cstdint>
#include <functional>
#include <string>
#include <vector>

#include "workbench/sourcefile.h"

namespace workbench {

class TVerifier {
 public:
  explicit TVerifier(TSourceFile& source) : source_(source) {}

  // Verifies source.CurrentFile. With details the log is cleared first and
  // holds the report afterwards; without, the log gets one summary line.
  // Returns ErrorCount.
  int VerifySourceFile(bool showDetails);

  // Verify All over files (full paths, in the order of the file list): the
  // log is cleared, then every file gets its summary line, a file without
  // the source-file marker as well. onSelect(i), when given, runs before
  // file i is verified (the main window selects the entry in its file list
  // without the click handling). At the end - also when an error ends the
  // loop - CurrentFile and IsValidFile are put back as they were, and the
  // model list is never touched, so that the model list, the pages and
  // CurrentFile keep matching the editor's file (see TSourceFile::SaveTarget);
  // the main window selects CurrentFile's entry in its file list again.
  void VerifyAll(const std::vector<std::string>& files,
                 const std::function<void(size_t)>& onSelect = nullptr);

  // State of the run.
  bool ShowDetails = true;
  int ErrorCount = 0;

  // Routines of a run; they read through source.Ini (open during
  // VerifySourceFile; a caller of its own opens a TIniPass).
  void AddError(const std::string& message);
  void AddLine(const std::string& line);
  // The value, or -999 when it cannot be read or converted; ok only when it
  // lies in [lo, hi].
  double ReadCheckedFloat(const std::string& section, const std::string& key, const std::string& label,
                          double lo, double hi, bool& ok);
  int32_t ReadCheckedInt(const std::string& section, const std::string& key, const std::string& label,
                         int32_t lo, int32_t hi, bool& ok);
  void CheckChoice(const std::string& section, const std::string& key, const std::string& label,
                   std::string& value, const std::vector<std::string>& choices);
  // Euclidean norm of the list, or -1 when it is missing, cannot be
  // converted, has another count or a value outside [lo, hi].
  double CheckFloatVector(const std::string& section, const std::string& key, int count, double lo,
                          double hi, bool& ok);
  void CheckIntVector(const std::string& section, const std::string& key, int count, int32_t lo, int32_t hi);
  // Direction changes plus repeats; 0 for a strictly rising or falling list.
  static int CountDirectionChanges(const std::vector<double>& values);

 private:
  void VerifyHeader(core::TCustomIniFile& ini);
  void VerifyModel(core::TCustomIniFile& ini, const std::string& section);
  // The te or tc list: its count (0 when missing or not a list); the
  // messages for a missing list, too few values or a changing direction.
  int CheckTemperatureList(core::TCustomIniFile& ini, const std::string& section, const std::string& key,
                           int minCount);
  void InsertVerdict();

  TSourceFile& source_;
};

}  // namespace workbench
