#include "workbench/sourcefile.h"

#include "core/interpolator.h"
#include "core/refriglib.h"
#include "core/textutils.h"
#include "platform/sysutils.h"

namespace workbench {

using platform::SameText;

std::string CutText(std::string_view text, size_t maxChars) {
  size_t chars = 0;
  for (size_t i = 0; i < text.size(); ++i) {
    // A byte that does not continue a UTF-8 sequence starts a character.
    if ((static_cast<unsigned char>(text[i]) & 0xC0) != 0x80) {
      if (chars == maxChars) return std::string(text.substr(0, i));
      ++chars;
    }
  }
  return std::string(text);
}

std::string BareFileName(std::string_view path) {
  return platform::ChangeFileExt(platform::ExtractFileName(path), "");
}

// ---------------------------------------------------------------- TIniPass

TIniPass::TIniPass(TSourceFile& source)
    : source_(source), previous_(source.Ini), ini_(std::make_unique<core::TIniFile>(source.CurrentFile)) {
  source_.Ini = ini_.get();
}

TIniPass::~TIniPass() { source_.Ini = previous_; }

// ---------------------------------------------------------------- TSourceFile

std::string TSourceFile::SaveTarget() const {
  return !CurrentFile.empty() && CurrentFile == EditorFile ? CurrentFile : std::string();
}

void TSourceFile::CheckFileType() {
  core::TIniFile ini(CurrentFile);
  IsValidFile = ini.SectionExists(std::string(kHeaderSection)) &&
                SameText(ini.ReadString(std::string(kHeaderSection), "FileType", ""), kSourceFileType);
}

void TSourceFile::LoadModelList() {
  ModelList.BeginUpdate();
  try {
    core::TIniFile ini(CurrentFile);
    ini.ReadSections(ModelList);
    const int header = ModelList.IndexOf(kHeaderSection);
    if (header >= 0) ModelList.Delete(header);
  } catch (...) {
    ModelList.EndUpdate();
    throw;
  }
  ModelList.EndUpdate();
}

void TSourceFile::LoadHeader() {
  core::TIniFile ini(CurrentFile);
  ReadHeaderRecord(ini);
  ReadHeaderDefaults(ini);
}

void TSourceFile::ReadHeaderRecord(core::TCustomIniFile& ini) {
  const std::string h(kHeaderSection);
  Header.FileID = std::string(core::kCompFileId);
  Header.Manufacturer = CutText(ini.ReadString(h, "Manufacturer", ""));
  Header.Make = CutText(ini.ReadString(h, "Make", ""));
  Header.RefrigNumber = core::RefrigNumberOf(ini.ReadString(h, "Refrig", "R22"));
  Header.TeLo = ini.ReadFloat(h, "TeLo", -25.0);
  Header.TeHi = ini.ReadFloat(h, "TeHi", 10.0);
  Header.TcLo = ini.ReadFloat(h, "TcLo", 40.0);
  Header.TcHi = ini.ReadFloat(h, "TcHi", 60.0);
}

void TSourceFile::ReadHeaderDefaults(core::TCustomIniFile& ini) {
  const std::string h(kHeaderSection);
  Defaults.Description = CutText(ini.ReadString(h, "Description", ""));
  Defaults.Freq = ini.ReadInteger(h, "Freq", 50);
  Defaults.hrf = ini.ReadFloat(h, "hrf", 0.95);
  Defaults.shRef = ini.ReadFloat(h, "shRef", 11.0);
  Defaults.sgRef = ini.ReadFloat(h, "sgRef", core::kSgRefNotGiven);
  Defaults.scRef = ini.ReadFloat(h, "scRef", 8.3);
}

void TSourceFile::SelectModel(int index) {
  // The cut name is the section read: a longer name no longer finds its
  // section and the model takes the defaults.
  const std::string name = CutText(ModelList.Get(index));
  std::unique_ptr<TIniPass> ownPass;
  if (Ini == nullptr) ownPass = std::make_unique<TIniPass>(*this);
  core::TCustomIniFile& ini = *Ini;

  CompData.Name = name;
  CompData.Description = CutText(ini.ReadString(name, "Description", Defaults.Description));
  CompData.Freq = ini.ReadInteger(name, "Freq", Defaults.Freq);
  CompData.hrf = ini.ReadFloat(name, "hrf", Defaults.hrf);
  CompData.shRef = ini.ReadFloat(name, "shRef", Defaults.shRef);
  CompData.sgRef = ini.ReadFloat(name, "sgRef", Defaults.sgRef);
  CompData.scRef = ini.ReadFloat(name, "scRef", Defaults.scRef);
  CompData.OnePhase = SameText(ini.ReadString(name, "1-Phase", "true"), "true");
  CompData.ThreePhase = SameText(ini.ReadString(name, "3-Phase", "true"), "true");
  ReadCoefficients(ini, name);
  ReadTableData(ini, name);
}

void TSourceFile::ReadCoefficients(core::TCustomIniFile& ini, const std::string& section) {
  const std::string eText = ini.ReadString(section, "e", "");
  const std::string pText = ini.ReadString(section, "p", "");
  CompData.HasCurveFit = false;
  if (eText.empty() || pText.empty()) return;   // the coefficients keep what they held
  // Converted aside, so that a list that raises leaves no half-read polynomial
  // marked as a curve fit.
  core::TPoly9Coef qe = CompData.QeCoef;
  core::TPoly9Coef pw = CompData.PwCoef;
  core::TextToPoly9(eText, qe);
  core::TextToPoly9(pText, pw);
  CompData.QeCoef = qe;
  CompData.PwCoef = pw;
  CompData.HasCurveFit = true;
}

void TSourceFile::ReadTableData(core::TCustomIniFile& ini, const std::string& section) {
  core::TCompData& c = CompData;
  c.HasTable = false;
  // A model without a (complete) table must not show the previous model's.
  c.TeList.clear();
  c.TcList.clear();
  c.Valid.clear();
  c.QeTable.clear();
  c.PwTable.clear();

  const std::string teText = ini.ReadString(section, "Te", "");
  if (teText.empty()) return;
  core::CommaTextToFloats(core::StripTrailingComma(teText), c.TeList);

  const std::string tcText = ini.ReadString(section, "Tc", "");
  if (tcText.empty()) {
    ReportReadError("Tc data");
    return;
  }
  core::CommaTextToFloats(core::StripTrailingComma(tcText), c.TcList);

  const size_t teCount = c.TeList.size();
  const size_t tcCount = c.TcList.size();
  for (size_t i = 1; i <= tcCount; ++i) {
    std::vector<int32_t> row;
    // A trailing comma is read as in the Qe and Pw rows (and as the
    // verification reads it), so a file that verifies also builds.
    core::CommaTextToInts(core::StripTrailingComma(ini.ReadString(section, "Valid" + std::to_string(i), "")),
                          row);
    if (row.size() != teCount) {
      ReportReadError("Valid data");
      return;
    }
    c.Valid.push_back(std::move(row));
  }
  auto readRows = [&](const std::string& key, core::TFloatMat& matrix) {
    for (size_t i = 1; i <= tcCount; ++i) {
      std::vector<double> row;
      core::CommaTextToFloats(core::StripTrailingComma(ini.ReadString(section, key + std::to_string(i), "")),
                              row);
      if (row.size() != teCount) {
        ReportReadError(key + " data");
        return false;
      }
      matrix.push_back(std::move(row));
    }
    return true;
  };
  if (!readRows("Qe", c.QeTable)) return;
  if (!readRows("Pw", c.PwTable)) return;
  c.HasTable = true;
}

void TSourceFile::ReportReadError(const std::string& what) {
  VerifyLog.Add("Error in " + what + " for compressor " + platform::HtmlEscape(CompData.Name));
}

}  // namespace workbench
