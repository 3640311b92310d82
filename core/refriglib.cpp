#include "core/refriglib.h"

#include <cmath>

#include "core/environment.h"
#include "core/inifiles.h"

namespace core {

namespace {

const char* const kZeroDivide = "Floating point division by zero";
const char* const kInvalidOp = "Invalid floating point operation";
const char* const kOverflow = "Floating point overflow";

// Below this the saturation functions treat a difference as negative; tiny
// rounding differences (DewTemperature of DewPressure) stay silent.
constexpr double kNegativeLimit = -1e-9;

// The correlations are closed forms that the original platform evaluated
// with floating-point exceptions enabled; a non-finite result is the error
// it would have raised.
double Checked(double value) {
  if (std::isnan(value)) throw EMathError(kInvalidOp);
  if (std::isinf(value)) throw EMathError(kOverflow);
  return value;
}

double Divisor(double value) {
  if (value == 0.0) throw EMathError(kZeroDivide);
  if (std::isnan(value)) throw EMathError(kInvalidOp);
  return value;
}

double Logarithm(double value) {
  if (value == 0.0) throw EMathError(kZeroDivide);
  if (!(value > 0.0)) throw EMathError(kInvalidOp);
  return Checked(std::log(value));
}

template <size_t N>
double Cubic(const std::array<double, N>& c, double T) {
  return ((c[3] * T + c[2]) * T + c[1]) * T + c[0];
}

// S(C; X, Y): superheat factor at superheat X and saturation temperature Y.
double SuperheatFactor(const std::array<double, 6>& c, double X, double Y) {
  return X * (c[0] + c[1] * X + Y * (c[2] + c[3] * X + c[4] * Y + c[5] * X * Y));
}

// One coefficient set: an empty text or a list of nothing but "0" keeps the
// defaults; otherwise the first N items must be numbers (the list's index
// error or the conversion error leaves the selection).
template <size_t N>
void ReadCoefficients(TIniFile& ini, const std::string& section, const char* key,
                      std::array<double, N>& values) {
  const std::string text = ini.ReadString(section, key, "");
  if (text.empty()) return;
  platform::TStringList items;
  items.SetCommaText(text);
  bool allZero = true;
  for (const std::string& item : items) {
    if (item != "0") {
      allZero = false;
      break;
    }
  }
  if (allZero) return;
  for (size_t i = 0; i < N; ++i) values[i] = platform::StrToFloat(items.Get(static_cast<int>(i)));
}

std::unique_ptr<TRefrigLib> gLib;

}  // namespace

const TRefrigData& BuiltInR22() {
  static const TRefrigData record;
  return record;
}

// ---------------------------------------------------------------- TRoot

double TRoot::NumericDerivative(double x) {
  double h = std::fabs(x) * 0.000344;
  if (h == 0.0) h = 0.00034939422035217286;
  // Keep x + h exactly representable so that the divisor is the true step.
  volatile double xh = x + h;
  h = xh - x;
  f0_ = Function(x);
  const double f1 = Function(x + h);
  return (f1 - f0_) / h;
}

double TRoot::Slope(double x) {
  return Derivative ? Derivative(x) : NumericDerivative(x);
}

// ---------------------------------------------------------------- TRefrigLib

TRefrigLib::TRefrigLib(std::string fileName)
    : fileName_(std::move(fileName)), data_(BuiltInR22()), dataMatchesName_(true),
      root_(std::make_unique<TRoot>()) {
  root_->Function = [this](double T) { return EnthalpyResidual(T); };
  root_->IterationLimit = 120;
  root_->Tolerance = 0.001;
  ReadLists();
  Select("R22");
}

TRefrigLib::~TRefrigLib() = default;

void TRefrigLib::ReadLists() {
  names_.Clear();
  names_.SetCaseSensitive(false);
  names_.SetDuplicates(platform::TDuplicates::dupIgnore);
  names_.SetSorted(true);
  numbers_.clear();
  TIniFile ini(fileName_);
  platform::TStringList sections;
  ini.ReadSections(sections);
  for (const std::string& name : sections) names_.Add(name);
  numbers_.reserve(names_.Count());
  for (const std::string& name : names_) numbers_.push_back(ini.ReadInteger(name, "InternalNumber", -1));
}

bool TRefrigLib::ReadRecord(const std::string& section) {
  TIniFile ini(fileName_);
  platform::TStringList keys;
  ini.ReadSection(section, keys);
  if (keys.Count() == 0) return false;

  const TRefrigData& d = BuiltInR22();
  TRefrigData& r = data_;
  r.InternalNumber = ini.ReadInteger(section, "InternalNumber", d.InternalNumber);
  r.RNumber = ini.ReadString(section, "RNumber", d.RNumber);
  r.Formula = ini.ReadString(section, "Formula", d.Formula);
  r.ChemicalName = ini.ReadString(section, "ChemicalName", d.ChemicalName);
  r.CASNumber = ini.ReadString(section, "CASNumber", d.CASNumber);
  r.Components = ini.ReadInteger(section, "Components", d.Components);
  r.RefState = ini.ReadString(section, "RefState", d.RefState);
  r.SourceFile = ini.ReadString(section, "SourceFile", d.SourceFile);
  r.FluidType = ini.ReadString(section, "FluidType", d.FluidType);
  r.TCrit = ini.ReadFloat(section, "TCrit", d.TCrit);
  r.PCrit = ini.ReadFloat(section, "PCrit", d.PCrit);
  r.DCrit = ini.ReadFloat(section, "DCrit", d.DCrit);
  r.wm = ini.ReadFloat(section, "wm", d.wm);
  r.TTrip = ini.ReadFloat(section, "TTrip", d.TTrip);
  r.TBoil = ini.ReadFloat(section, "TBoil", d.TBoil);
  r.TMax = ini.ReadFloat(section, "TMax", d.TMax);
  r.TMin = ini.ReadFloat(section, "TMin", d.TMin);

  ReadCoefficients(ini, section, "dp", r.dp);
  ReadCoefficients(ini, section, "bp", r.bp);
  ReadCoefficients(ini, section, "lh", r.lh);
  ReadCoefficients(ini, section, "th", r.th);
  ReadCoefficients(ini, section, "vh", r.vh);
  ReadCoefficients(ini, section, "sh", r.sh);
  ReadCoefficients(ini, section, "vv", r.vv);
  ReadCoefficients(ini, section, "sv", r.sv);
  ReadCoefficients(ini, section, "ic", r.ic);
  ReadCoefficients(ini, section, "sc", r.sc);
  ReadCoefficients(ini, section, "lv", r.lv);
  ReadCoefficients(ini, section, "cl", r.cl);
  ReadCoefficients(ini, section, "cv", r.cv);
  ReadCoefficients(ini, section, "ul", r.ul);
  ReadCoefficients(ini, section, "uv", r.uv);
  ReadCoefficients(ini, section, "kl", r.kl);
  ReadCoefficients(ini, section, "kv", r.kv);
  ReadCoefficients(ini, section, "si", r.si);
  return true;
}

void TRefrigLib::Select(const std::string& name) {
  if (dataMatchesName_ && platform::SameText(currentName_, name)) return;
  data_ = BuiltInR22();
  bool found = false;
  try {
    found = ReadRecord(name);
  } catch (...) {
    // A bad coefficient list leaves the R22 stand-in, not half a record.
    data_ = BuiltInR22();
    dataMatchesName_ = false;
    throw;
  }
  if (found) {
    currentName_ = data_.RNumber;
    dataMatchesName_ = true;
  } else {
    status_ = rsNotInLibrary;
    dataMatchesName_ = false;
  }
  currentIndex_ = names_.IndexOf(name);
}

void TRefrigLib::SelectIndex(int32_t index) {
  currentIndex_ = index;
  Select(names_.Get(index));
}

void TRefrigLib::SelectNext() {
  // An empty library (no file) has nothing to step to.
  if (names_.Count() == 0) return;
  SelectIndex(currentIndex_ >= names_.Count() - 1 ? 0 : currentIndex_ + 1);
}

void TRefrigLib::SelectPrior() {
  if (names_.Count() == 0) return;
  SelectIndex(currentIndex_ < 1 ? names_.Count() - 1 : currentIndex_ - 1);
}

void TRefrigLib::SelectByNumber(int32_t number) {
  std::string match;
  bool found = false;
  {
    TIniFile ini(fileName_);
    for (const std::string& name : names_) {
      if (ini.ReadInteger(name, "InternalNumber", -1) == number) {
        match = name;
        found = true;
        break;
      }
    }
  }
  if (found)
    Select(match);
  else
    status_ = rsNotInLibrary;
}

int32_t TRefrigLib::RefrigNumberOf(const std::string& name) const {
  const int index = names_.IndexOf(name);
  return index < 0 ? -1 : numbers_[static_cast<size_t>(index)];
}

std::string TRefrigLib::RefrigNameOf(int32_t number) const {
  for (size_t i = 0; i < numbers_.size(); ++i)
    if (numbers_[i] == number) return names_.Get(static_cast<int>(i));
  return "R22";
}

std::string TRefrigLib::RefrigDescription() const {
  return data_.RNumber + " (" + data_.ChemicalName + ", " + data_.Formula + ")";
}

// ---------------------------------------------------------------- properties

double TRefrigLib::DewPressure(double T) const {
  const auto& dp = data_.dp;
  return Checked(std::exp(dp[0] + dp[1] / Divisor(T + dp[2])));
}

double TRefrigLib::DewTemperature(double P) const {
  const auto& dp = data_.dp;
  return Checked(dp[1] / Divisor(Logarithm(P) - dp[0]) - dp[2]);
}

double TRefrigLib::BubbleTemperature(double P) const {
  const auto& bp = data_.bp;
  return Checked(bp[1] / Divisor(Logarithm(P) - bp[0]) - bp[2]);
}

double TRefrigLib::Glide(double P) const { return DewTemperature(P) - BubbleTemperature(P); }

double TRefrigLib::CriticalPressure() const { return data_.PCrit * 1000.0; }
double TRefrigLib::CriticalTemperature() const { return data_.TCrit; }
double TRefrigLib::NormalBoilingPoint() const { return data_.TBoil; }

double TRefrigLib::LiquidVolume(double T) const { return Checked(Cubic(data_.lv, T)); }
double TRefrigLib::LiquidEnthalpy(double T) const { return Checked(Cubic(data_.lh, T)); }
double TRefrigLib::VapourBase(double T) const { return Cubic(data_.vh, T); }
double TRefrigLib::VapourEnthalpy(double T) const { return Checked(VapourBase(T) + data_.vh[4]); }
double TRefrigLib::LatentHeat(double T) const { return VapourEnthalpy(T) - LiquidEnthalpy(T); }

double TRefrigLib::VapourVolume(double T) const {
  const auto& vv = data_.vv;
  return Checked(std::exp(vv[0] + vv[1] / Divisor(273.15 + T)) *
                 (vv[2] + T * (vv[3] + T * (vv[4] + T * vv[5]))));
}

double TRefrigLib::SuperheatEnthalpy(double Tsat, double T) {
  const double X = T - Tsat;
  if (X < kNegativeLimit) status_ = rsBelowSaturation;
  return Checked(VapourBase(Tsat) * (1.0 + SuperheatFactor(data_.sh, X, Tsat)) + data_.vh[4]);
}

double TRefrigLib::SuperheatVolume(double P, double T) {
  const double Tsat = DewTemperature(P);
  const double X = T - Tsat;
  if (X < kNegativeLimit) status_ = rsBelowSaturation;
  return Checked(VapourVolume(Tsat) * (1.0 + SuperheatFactor(data_.sv, X, Tsat)));
}

double TRefrigLib::IsentropicExponent(double Te, double SH, double Lift) const {
  const auto& ic = data_.ic;
  const auto& sc = data_.sc;
  const double k0 =
      ic[0] + ic[7] * Lift +
      Te * (ic[1] + ic[2] * Te + Lift * (ic[3] + ic[4] * Te + ic[5] * Lift + ic[6] * Te * Lift));
  return Checked(k0 * (1.0 + SH * (sc[0] + sc[1] * SH + Te * (sc[2] + sc[3] * SH))));
}

double TRefrigLib::IsentropicWork(double P2, double v, double P1, double k) const {
  const double e = (k - 1.0) / Divisor(k);
  const double lnRatio = Logarithm(P2 / Divisor(P1));
  // ((P2/P1)^e - 1) / e tends to ln(P2/P1) as e -> 0; exponents that cross
  // k = 1 (dense vapour of some blends) would otherwise give 0/0 there, and
  // expm1 keeps the digits that the power form loses for small e.
  if (std::fabs(e) < 1e-12) return Checked(P1 * v * lnRatio);
  return Checked(std::expm1(e * lnRatio) * P1 * v / e);
}

double TRefrigLib::CompressionWork(double Te, double Tc, double Ts) {
  const double P1 = DewPressure(Te);
  const double P2 = DewPressure(Tc);
  const double Lift = Tc - Te;
  if (Lift < kNegativeLimit) status_ = rsReversedLift;
  const double SH = Ts - Te;
  if (SH < kNegativeLimit) status_ = rsBelowSaturation;
  const double k = IsentropicExponent(Te, SH, Lift);
  const double v = SuperheatVolume(P1, Ts);
  return IsentropicWork(P2, v, P1, k);
}

void TRefrigLib::SetResidualOperands(long double saturationTemperature, long double targetEnthalpy) {
  residualSaturation_ = saturationTemperature;
  residualTarget_ = targetEnthalpy;
}

double TRefrigLib::EnthalpyResidual(double T) {
  return static_cast<double>(
      residualTarget_ - SuperheatEnthalpy(static_cast<double>(residualSaturation_), T));
}

// ---------------------------------------------------------------- process-wide

void InitRefrigLib() { InitRefrigLib(JoinPath(SharedDir(), "RefLib8.rdf")); }

void InitRefrigLib(const std::string& fileName) {
  gLib.reset();
  gLib = std::make_unique<TRefrigLib>(fileName);
}

void DoneRefrigLib() { gLib.reset(); }

bool RefrigLibExists() { return gLib != nullptr; }

TRefrigLib& RefrigLib() {
  if (!gLib) throw platform::Exception("The refrigerant library has not been created");
  return *gLib;
}

int32_t RefrigNumberOf(const std::string& name) { return RefrigLib().RefrigNumberOf(name); }
std::string RefrigNameOf(int32_t number) { return RefrigLib().RefrigNameOf(number); }

}  // namespace core
