#pragma once
// The main window's reading side of a source file ("*.ini"): which file is
// current, whether it is a source file, its model list, the header record
// with the header defaults, the one model object a model is read into, and
// the Verify page's log. Plain data and routines; the main window owns one
// TSourceFile, shows its lists in its widgets and calls the routines in this
// order when a file is selected:
//   CheckFileType; if IsValidFile: LoadModelList, LoadHeader, then
//   SelectModel (inside an INI pass) for the model shown.
// LoadHeader must run before SelectModel: the header values are the models'
// defaults.
#include <cstdint>
#include <memory>
#include <string>
#include <string_view>

#include "core/catalogfile.h"
#include "core/compdata.h"
#include "core/inifiles.h"
#include "platform/stringlist.h"

namespace workbench {

// The marker a source file carries in Header/FileType (any case).
inline constexpr std::string_view kSourceFileType = "Dravlen Data File";
inline constexpr std::string_view kHeaderSection = "Header";
// Texts of names and descriptions are kept to this many characters.
inline constexpr size_t kMaxTextLength = 255;

// What the header gives every model that lacks the key itself.
struct THeaderDefaults {
  std::string Description;   // at most 255 characters
  int32_t Freq = 50;
  double hrf = 0.95;
  double shRef = 11.0;
  double sgRef = core::kSgRefNotGiven;
  double scRef = 8.3;
};

// The first 255 characters (UTF-8 code points) of text; never splits a
// character.
std::string CutText(std::string_view text, size_t maxChars = kMaxTextLength);
// File name without folder and extension ("/data/Acme R22.ini" -> "Acme R22").
std::string BareFileName(std::string_view path);

class TSourceFile {
 public:
  TSourceFile() = default;
  TSourceFile(const TSourceFile&) = delete;
  TSourceFile& operator=(const TSourceFile&) = delete;

  // Full path of the selected source file; empty when none.
  std::string CurrentFile;
  // The selected file carries the source-file marker (set by CheckFileType).
  bool IsValidFile = false;
  // The catalog header record: identification, Manufacturer, Make,
  // refrigerant number, TeLo..TcHi (set by LoadHeader).
  core::TCompFileHeader Header;
  THeaderDefaults Defaults;
  // The one model object the selected model is read into.
  core::TCompData CompData;
  // Model names in file order, without the header (LoadModelList). The main
  // window mirrors it in its model list box; index i here is entry i there.
  platform::TStringList ModelList;
  // The Verify page's log: HTML lines. Reading errors, verification reports
  // and build messages are added here; the main window loads it into eView.
  platform::TStringList VerifyLog;
  // The INI object of the current reading or writing pass, or null between
  // passes. Owned by the TIniPass that opened it.
  core::TCustomIniFile* Ini = nullptr;

  // ---- Save rule ----
  // Save writes the editor's text into CurrentFile only when the editor was
  // loaded from CurrentFile. Verify All walks CurrentFile over every file of
  // the folder and puts it back at its end; EditorFile is never changed by
  // the reading or verifying routines, so even a Verify All that was cut
  // short by an error cannot make Save overwrite another file with the
  // editor's text. The main window sets EditorFile whenever it loads the
  // editor from a file (file selection, reload after Add/Remove Coeff) and
  // after Save As has written the editor's text to the new CurrentFile; it
  // clears it when it empties the editor.
  std::string EditorFile;
  // The file Save may write the editor's text into: CurrentFile when the
  // editor was loaded from it (same path), otherwise empty (Save must not
  // write at all).
  std::string SaveTarget() const;

  // ---- Reading ----
  // IsValidFile := the file has a Header section whose FileType equals the
  // marker without regard to case.
  void CheckFileType();
  // ModelList := the file's section names in file order, less the first
  // "Header" (any case). Between BeginUpdate and EndUpdate of the list.
  void LoadModelList();
  // Header record and header defaults from the file. Uses the process-wide
  // refrigerant library (core::RefrigNumberOf) for the refrigerant number.
  void LoadHeader();
  // The two halves of LoadHeader on an open INI object, for the catalog
  // builder, which writes the record before it reads the defaults.
  void ReadHeaderRecord(core::TCustomIniFile& ini);
  void ReadHeaderDefaults(core::TCustomIniFile& ini);
  // Reads model list entry index into CompData from the INI object of the
  // current pass (a pass of its own on CurrentFile when none is open).
  // Raises what the list parsers raise (EConvertError, EListError) for
  // coefficient or table text that cannot be converted, and EListError for
  // an index outside the model list.
  void SelectModel(int index);
  // HasCurveFit and the coefficients from e and p.
  void ReadCoefficients(core::TCustomIniFile& ini, const std::string& section);
  // The rating table from Te, Tc, Valid<i>, Qe<i>, Pw<i>; HasTable tells
  // whether it was complete. A model without table holds empty table lists.
  void ReadTableData(core::TCustomIniFile& ini, const std::string& section);
  // Adds "Error in <what> for compressor <model name>" to the log.
  void ReportReadError(const std::string& what);
};

// One reading or writing pass: opens an INI object on the source file's
// CurrentFile, publishes it in Ini and frees it at the end of the scope.
class TIniPass {
 public:
  explicit TIniPass(TSourceFile& source);
  ~TIniPass();
  TIniPass(const TIniPass&) = delete;
  TIniPass& operator=(const TIniPass&) = delete;
  core::TIniFile& Ini() { return *ini_; }

 private:
  TSourceFile& source_;
  core::TCustomIniFile* previous_;
  std::unique_ptr<core::TIniFile> ini_;
};

}  // namespace workbench
