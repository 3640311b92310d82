#include "workbench/verify.h"

#include <cmath>

#include "core/refriglib.h"
#include "core/textutils.h"
#include "platform/sysutils.h"
#include "platform/scopeguard.h"

namespace workbench {

using platform::LowerCase;
using platform::SameText;

namespace {

constexpr double kBadValue = -999.0;
constexpr double kBadNorm = -1.0;

// Inside [lo, hi]; a NaN is inside no range.
template <typename T>
bool InRange(T value, T lo, T hi) {
  return value >= lo && value <= hi;
}

bool StartsWith(const std::string& text, std::string_view prefix) {
  return text.compare(0, prefix.size(), prefix) == 0;
}

}  // namespace

// ---------------------------------------------------------------- routines

void TVerifier::AddError(const std::string& message) {
  ++ErrorCount;
  if (ShowDetails) source_.VerifyLog.Add("<li>" + message + "</li>");
}

void TVerifier::AddLine(const std::string& line) {
  if (ShowDetails) source_.VerifyLog.Add(line);
}

namespace {

// The value of key converted by tryConvert: -999 when it is missing or does
// not convert, the value itself when it lies outside [lo, hi] (ok false).
template <typename T, typename TryConvert>
T ReadChecked(core::TCustomIniFile& ini, const std::function<void(const std::string&)>& addError,
              const std::string& section, const std::string& key, const std::string& label, T lo, T hi,
              bool& ok, TryConvert tryConvert, const char* notValid) {
  ok = false;
  const std::string text = ini.ReadString(section, key, "");
  if (text.empty()) {
    addError(label + " cannot be read");
    return static_cast<T>(kBadValue);
  }
  T value;
  if (!tryConvert(text, value)) {
    addError(label + notValid);
    return static_cast<T>(kBadValue);
  }
  if (!InRange(value, lo, hi))
    addError(label + " is out of range");
  else
    ok = true;
  return value;
}

// The items of the list under key when it is present, converts with split
// and has count items, all in [lo, hi]; otherwise the fault and false.
template <typename T, typename Split>
bool CheckVector(core::TCustomIniFile& ini, const std::function<void(const std::string&)>& addError,
                 const std::string& section, const std::string& key, int count, T lo, T hi, Split split,
                 std::vector<T>& values) {
  const std::string text = ini.ReadString(section, key, "");
  if (text.empty()) {
    addError(key + " cannot be read");
    return false;
  }
  try {
    values = split(text, ',');
  } catch (const platform::EConvertError&) {
    addError(key + " is not a valid vector");
    return false;
  }
  if (static_cast<int64_t>(values.size()) != count) {
    addError(key + " has wrong number of fields");
    return false;
  }
  for (T v : values) {
    if (!InRange(v, lo, hi)) {
      addError(key + " has out of range value");   // one message per list
      return false;
    }
  }
  return true;
}

}  // namespace

double TVerifier::ReadCheckedFloat(const std::string& section, const std::string& key, const std::string& label,
                                   double lo, double hi, bool& ok) {
  return ReadChecked<double>(*source_.Ini, [this](const std::string& m) { AddError(m); }, section, key, label, lo,
                             hi, ok, [](const std::string& t, double& v) { return platform::TryStrToFloat(t, v); },
                             " is not a valid number");
}

int32_t TVerifier::ReadCheckedInt(const std::string& section, const std::string& key, const std::string& label,
                                  int32_t lo, int32_t hi, bool& ok) {
  return ReadChecked<int32_t>(*source_.Ini, [this](const std::string& m) { AddError(m); }, section, key, label,
                              lo, hi, ok, [](const std::string& t, int32_t& v) { return platform::TryStrToInt(t, v); },
                              " is not a valid integer");
}

void TVerifier::CheckChoice(const std::string& section, const std::string& key, const std::string& label,
                            std::string& value, const std::vector<std::string>& choices) {
  value = source_.Ini->ReadString(section, key, "");
  if (value.empty()) {
    AddError(label + " not specified");
    return;
  }
  for (const auto& choice : choices)
    if (SameText(value, choice)) return;
  AddError("Invalid " + label);
}

double TVerifier::CheckFloatVector(const std::string& section, const std::string& key, int count, double lo,
                                   double hi, bool& ok) {
  std::vector<double> values;
  ok = CheckVector<double>(*source_.Ini, [this](const std::string& m) { AddError(m); }, section, key, count, lo,
                           hi, core::SplitToFloats, values);
  if (!ok) return kBadNorm;
  double sumOfSquares = 0.0;
  for (double v : values) sumOfSquares += v * v;
  return std::sqrt(sumOfSquares);
}

void TVerifier::CheckIntVector(const std::string& section, const std::string& key, int count, int32_t lo,
                               int32_t hi) {
  std::vector<int32_t> values;
  CheckVector<int32_t>(*source_.Ini, [this](const std::string& m) { AddError(m); }, section, key, count, lo, hi,
                       core::SplitToInts, values);
}

int TVerifier::CountDirectionChanges(const std::vector<double>& values) {
  enum { kNone, kRising, kFalling } direction = kNone;
  int count = 0;
  for (size_t i = 1; i < values.size(); ++i) {
    if (values[i] > values[i - 1]) {
      if (direction == kFalling) ++count;
      direction = kRising;
    } else if (values[i] < values[i - 1]) {
      if (direction == kRising) ++count;
      direction = kFalling;
    } else {
      ++count;   // a repeat (or a NaN, which orders with nothing)
    }
  }
  return count;
}

// ---------------------------------------------------------------- a run

void TVerifier::VerifyHeader(core::TCustomIniFile& ini) {
  const std::string h(kHeaderSection);
  AddLine("<h3>[" + h + "]</h3>");

  std::string fileType;
  CheckChoice(h, "FileType", "<b>FileType</b>", fileType, {std::string(kSourceFileType)});

  platform::TStringList keys;
  ini.ReadSection(h, keys);
  for (const char* key : {"Manufacturer", "Description", "Make"})
    if (keys.IndexOf(key) < 0) AddError("<b>" + std::string(key) + "</b> must be included in the header");

  const std::string refrig = ini.ReadString(h, "Refrig", "");
  if (refrig.empty())
    AddError("<b>Refrig</b> must be specified");
  else if (core::RefrigLib().Names().IndexOf(refrig) < 0)
    AddError("Invalid refrigerant");

  bool ok;
  ReadCheckedInt(h, "Freq", "Supply frequency", 1, 120, ok);
  ReadCheckedFloat(h, "hrf", "Heat rejection factor (<b>hrf</b>)", 0.1, 5.0, ok);

  const bool hasSh = keys.IndexOf("shref") >= 0;
  const bool hasSg = keys.IndexOf("sgref") >= 0;
  if (hasSh) {
    if (hasSg) AddError("Specify only <b>shref</b> or <b>sgref</b> (<i>but not both</i>)");
    ReadCheckedFloat(h, "shref", "Superheat reference (<b>shref</b>)", 0.1, 60.0, ok);
  } else if (hasSg) {
    ReadCheckedFloat(h, "sgref", "Suction gas reference (<b>sgref</b>)", 0.1, 100.0, ok);
  } else {
    AddError("You must specify <b>shref</b> or <b>sgref</b>");
  }

  ReadCheckedFloat(h, "scref", "Sub-cooling reference (<b>scref</b>)", 0.0, 20.0, ok);

  bool loOk, hiOk;
  double lo = ReadCheckedFloat(h, "TeLo", "Minimum suction (<b>TeLo</b>)", -60.0, 40.0, loOk);
  double hi = ReadCheckedFloat(h, "TeHi", "Maximum suction (<b>TeHi</b>)", -60.0, 40.0, hiOk);
  if (loOk && hiOk && !(lo < hi)) AddError("<b>TeLo</b> must be less than <b>TeHi</b>");
  lo = ReadCheckedFloat(h, "TcLo", "Minimum discharge (<b>TcLo</b>)", 10.0, 200.0, loOk);
  hi = ReadCheckedFloat(h, "TcHi", "Maximum discharge (<b>TcHi</b>)", 10.0, 200.0, hiOk);
  if (loOk && hiOk && !(lo < hi)) AddError("<b>TcLo</b> must be less than <b>TcHi</b>");
}

int TVerifier::CheckTemperatureList(core::TCustomIniFile& ini, const std::string& section,
                                    const std::string& key, int minCount) {
  const std::string text = ini.ReadString(section, key, "");
  if (text.empty()) {
    AddError(key + " range not specified");
    return 0;
  }
  std::vector<double> values;
  try {
    values = core::SplitToFloats(text, ',');
  } catch (const platform::EConvertError&) {
    AddError(key + " is not a valid vector");
    return 0;
  }
  const int count = static_cast<int>(values.size());
  if (count < minCount)
    AddError(key + " range must have at least " + std::to_string(minCount) + " values");
  else if (CountDirectionChanges(values) > 0)
    AddError(key + " values must be mono-directional...");
  return count;
}

void TVerifier::VerifyModel(core::TCustomIniFile& ini, const std::string& section) {
  AddLine("<h3>[" + platform::HtmlEscape(section) + "]</h3>");

  platform::TStringList keys;
  ini.ReadSection(section, keys);
  auto has = [&](const std::string& key) { return keys.IndexOf(key) >= 0; };

  bool coefficients = false;
  if (has("e") && has("p")) {
    bool eOk, pOk;
    CheckFloatVector(section, "e", 9, -1e20, 1e20, eOk);
    CheckFloatVector(section, "p", 9, -1e20, 1e20, pOk);
    coefficients = eOk && pOk;
  }

  bool table = true;
  if (coefficients) {
    // A model with sound coefficients needs no table unless it has one.
    table = false;
    for (const auto& key : keys) {
      const std::string lower = LowerCase(key);
      if (StartsWith(lower, "qe") || StartsWith(lower, "pw")) table = true;
    }
  }
  if (!table) return;

  const int teCount = CheckTemperatureList(ini, section, "te", 3);
  const int tcCount = CheckTemperatureList(ini, section, "tc", 2);

  auto checkRows = [&](const std::string& prefix, double hi, double& sum) {
    for (int i = 1; i <= tcCount; ++i) {
      const std::string key = prefix + std::to_string(i);
      if (!has(key)) {
        AddError(platform::Format("Incorrect number of " + prefix + " vectors (expecting %d)",
                                  {static_cast<int64_t>(tcCount)}));
        continue;
      }
      bool ok;
      const double norm = CheckFloatVector(section, key, teCount, 0.0, hi, ok);
      if (!ok) break;   // one faulty row is enough; the rest are not tested
      sum += norm;
    }
  };
  double qeSum = 0.0, pwSum = 0.0;
  checkRows("Qe", 1e9, qeSum);
  checkRows("Pw", 1e6, pwSum);

  if (pwSum == 0.0) {
    AddError("Invalid power vectors...");
  } else {
    const double ratio = 0.001 * qeSum / pwSum;
    if (!InRange(ratio, 0.1, 10.0)) AddError("Possible units error: Qe [kW] and Pw [W]");
  }

  for (int i = 1; i <= tcCount; ++i) {
    const std::string key = "Valid" + std::to_string(i);
    if (has(key))
      CheckIntVector(section, key, teCount, 0, 2);
    else
      AddError(platform::Format("Incorrect number of Valid vectors (expecting %d)",
                                {static_cast<int64_t>(tcCount)}));
  }
}

void TVerifier::InsertVerdict() {
  std::vector<std::string> top;
  if (ErrorCount == 0) {
    top = {"<h3 style=\"color:#518869\">Good news...</h3>", "<p>I can find no problems<br>",
           "<span style=\"color:#bea796\">(you should still check that the curves agree with the "
           "source)</span></p>"};
  } else if (ErrorCount == 1) {
    top = {"<h3 style=\"color:#de7332\">Not too bad...</h3>", "<p>I can only find 1 error</p>"};
  } else {
    top = {"<h3 style=\"color:#ce1313\">This is a problem file...</h3>",
           platform::Format("<p>I can find %d errors</p>", {static_cast<int64_t>(ErrorCount)})};
  }
  top.push_back("<hr>");
  for (size_t i = 0; i < top.size(); ++i) source_.VerifyLog.Insert(static_cast<int>(i), top[i]);
}

int TVerifier::VerifySourceFile(bool showDetails) {
  ShowDetails = showDetails;
  if (ShowDetails) source_.VerifyLog.Clear();
  ErrorCount = 0;
  const std::string name = platform::HtmlEscape(BareFileName(source_.CurrentFile));
  AddLine("<h1>" + name + "</h1>");
  AddLine("<p>&nbsp;</p>");

  {
    TIniPass pass(source_);
    core::TIniFile& ini = pass.Ini();
    if (ini.SectionExists(std::string(kHeaderSection)))
      VerifyHeader(ini);
    else
      AddError("No [" + std::string(kHeaderSection) + "] section found");

    platform::TStringList sections;
    ini.ReadSections(sections);
    const int header = sections.IndexOf(kHeaderSection);
    if (header >= 0) sections.Delete(header);
    for (const auto& section : sections) VerifyModel(ini, section);
  }

  if (ShowDetails)
    InsertVerdict();
  else
    source_.VerifyLog.Add(std::string("<img src=\"") + (ErrorCount > 0 ? "cross.png" : "tick.png") + "\"> " +
                          name + "<br>");
  return ErrorCount;
}

void TVerifier::VerifyAll(const std::vector<std::string>& files, const std::function<void(size_t)>& onSelect) {
  source_.VerifyLog.Clear();
  platform::ScopeGuard restore([this, currentFile = source_.CurrentFile, isValidFile = source_.IsValidFile] {
    source_.CurrentFile = currentFile;
    source_.IsValidFile = isValidFile;
  });

  for (size_t i = 0; i < files.size(); ++i) {
    if (onSelect) onSelect(i);
    source_.CurrentFile = files[i];
    source_.CheckFileType();
    VerifySourceFile(false);
  }
}

}  // namespace workbench
