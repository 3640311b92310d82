#pragma once
// The refrigerant library: the refrigerants that "RefLib8.rdf" describes, one
// selected refrigerant whose record feeds the property equations, and those
// equations. When the file, a section or a key is missing, the built-in R22
// record stands in.
//
// Arguments outside a correlation's domain (a pressure of 0 or less, T equal
// to -dp2, a result that overflows) raise EMathError, as the floating-point
// errors of the original platform did; callers that show properties catch it
// ("Error reading this refrigerant..."). No property function returns NaN or
// infinity.
#include <array>
#include <cstdint>
#include <functional>
#include <memory>
#include <string>
#include <vector>

#include "platform/stringlist.h"
#include "platform/sysutils.h"

namespace core {

// A property argument outside its correlation's domain ("Floating point
// division by zero", "Invalid floating point operation", "Floating point overflow").
class EMathError : public platform::Exception {
  using platform::Exception::Exception;
};

// Status word values (never reset by an operation, only by creation).
enum : int16_t {
  rsNoError = 0,
  rsNotInLibrary = 1,      // refrigerant not in the library
  rsBelowSaturation = 2,   // a temperature below saturation was given
  rsReversedLift = 3,      // a condensing temperature below the evaporating one
};

struct TRefrigData {
  int32_t InternalNumber = 0;
  std::string RNumber = "R22";
  std::string Formula = "CHClF2";
  std::string ChemicalName = "chlorodifluoromethane";
  std::string CASNumber;
  int32_t Components = 1;
  std::string RefState = "IIR";
  std::string SourceFile = "R22.FLD";
  std::string FluidType = "Halocarbon-Methane Series";
  double TCrit = 96.1;
  double PCrit = 4990.0;
  double DCrit = 523.842;
  double wm = 86.468;
  double TTrip = -157.42;
  double TBoil = -40.8;
  double TMax = 60.0;
  double TMin = -60.0;

  std::array<double, 3> dp{21.39916, -2103.23, 254.0905};
  std::array<double, 3> bp{21.39916, -2103.23, 254.0905};
  std::array<double, 4> lh{200005.4, 1169.513, 1.346602, 0.01149432};
  std::array<double, 4> th{-184.4358, 0.0008925503, 6.406324e-10, -2.462772e-15};
  std::array<double, 5> vh{251040.6, 373.4119, -1.685585, -0.01689365, 154002.2};
  std::array<double, 6> sh{0.002846625, 6.958993e-07, 1.108134e-05,
                           -5.134816e-08, 1.497383e-07, -7.479003e-10};
  std::array<double, 6> vv{-11.92094, 2418.916, 1.009912, 0.000931342, -1.615272e-05, -2.761813e-07};
  std::array<double, 6> sv{0.005239268, -4.672763e-06, 2.254271e-05,
                           -1.07398e-07, 3.083406e-07, -7.039037e-10};
  std::array<double, 8> ic{1.135672, -0.001607226, -5.582052e-06, -4.64092e-06,
                           -1.812148e-07, 2.579754e-08, 2.212816e-09, -0.0004593027};
  std::array<double, 4> sc{0.0002879333, -2.264442e-06, 1.550121e-05, -7.615213e-08};
  std::array<double, 4> lv{0.0007803834, 2.02297e-06, 1.027511e-08, 1.380161e-10};
  std::array<double, 5> cl{1169.949, 2.800445, 0.01805555, 9.210114e-05, 8.627718e-06};
  std::array<double, 5> cv{739.9727, 4.333812, 0.0249997, 0.0001732778, 1.181484e-05};
  std::array<double, 4> ul{215.9089, -2.368515, 0.01461229, -9.02754e-05};
  std::array<double, 4> uv{11.36384, 0.04225998, 8.919252e-05, 1.776812e-06};
  std::array<double, 4> kl{94.74255, -0.4489948, 5.499795e-05, -4.30647e-06};
  std::array<double, 4> kv{9.414686, 0.0641507, 0.0002790965, 7.05162e-06};
  std::array<double, 4> si{11.6939363, -0.149722876, 0.000187963205, 5.52245508e-07};
};

// The built-in R22 record (every field's default).
const TRefrigData& BuiltInR22();

// Root-finder settings: a function, its derivative (the numeric one below
// when none is given) and the iteration controls.
class TRoot {
 public:
  using Func = std::function<double(double)>;
  Func Function;
  Func Derivative;
  int32_t IterationLimit = 50;
  double Tolerance = 1e-6;
  double Step = 0.1;

  // Forward difference with a step that makes x + h exactly representable;
  // function(x) is kept in F0().
  double NumericDerivative(double x);
  // The given derivative, or the numeric one.
  double Slope(double x);
  double F0() const { return f0_; }

 private:
  double f0_ = 0.0;
};

class TRefrigLib {
 public:
  // Reads the name and number lists from the file and selects "R22". A
  // coefficient list with too few items or a non-number raises (EListError,
  // EConvertError) out of the constructor.
  explicit TRefrigLib(std::string fileName);
  ~TRefrigLib();
  TRefrigLib(const TRefrigLib&) = delete;
  TRefrigLib& operator=(const TRefrigLib&) = delete;

  const std::string& FileName() const { return fileName_; }
  const TRefrigData& Data() const { return data_; }
  const std::string& CurrentName() const { return currentName_; }
  int32_t GetCurrentIndex() const { return currentIndex_; }
  int16_t Status() const { return status_; }
  TRoot& Root() { return *root_; }

  // The file's section names, sorted without regard to case, and their
  // InternalNumber values (-1 when missing) in the same order.
  const platform::TStringList& Names() const { return names_; }
  const std::vector<int32_t>& Numbers() const { return numbers_; }

  void Select(const std::string& name);
  void SetName(const std::string& name) { Select(name); }
  std::string GetName() const { return data_.RNumber; }
  void SelectIndex(int32_t index);
  void SelectNext();
  void SelectPrior();
  void SelectByNumber(int32_t number);
  int32_t InternalNumber() const { return data_.InternalNumber; }

  int32_t RefrigNumberOf(const std::string& name) const;
  std::string RefrigNameOf(int32_t number) const;
  std::string RefrigDescription() const;

  // Property functions: °C, Pa, J/kg, m³/kg.
  double DewPressure(double T) const;
  double DewTemperature(double P) const;
  double BubbleTemperature(double P) const;
  double Glide(double P) const;
  double CriticalPressure() const;
  double CriticalTemperature() const;
  double NormalBoilingPoint() const;
  double LiquidVolume(double T) const;
  double LiquidEnthalpy(double T) const;
  double VapourEnthalpy(double T) const;
  double LatentHeat(double T) const;
  double SuperheatEnthalpy(double Tsat, double T);
  double VapourVolume(double T) const;
  double SuperheatVolume(double P, double T);
  double IsentropicExponent(double Te, double SH, double Lift) const;
  double IsentropicWork(double P2, double v, double P1, double k) const;
  double CompressionWork(double Te, double Tc, double Ts);

  // The residual Root works on: target enthalpy minus the superheated
  // enthalpy at the saturation temperature operand and trial temperature T.
  void SetResidualOperands(long double saturationTemperature, long double targetEnthalpy);
  double EnthalpyResidual(double T);

 private:
  void ReadLists();
  bool ReadRecord(const std::string& section);
  double VapourBase(double T) const;

  std::string fileName_;
  TRefrigData data_;
  std::string currentName_;
  int32_t currentIndex_ = -1;
  int16_t status_ = rsNoError;
  // False while Data is the R22 stand-in for a missing section, so that the
  // kept CurrentName does not stop a later selection of it from loading.
  bool dataMatchesName_ = false;
  std::unique_ptr<TRoot> root_;
  platform::TStringList names_;
  std::vector<int32_t> numbers_;
  long double residualSaturation_ = 0.0L;
  long double residualTarget_ = 0.0L;
};

// The process-wide library: created by InitRefrigLib (reading "RefLib8.rdf"
// in the shared folder, or the given file) and freed by DoneRefrigLib.
// InitRefrigLib raises what the library's creation raises.
void InitRefrigLib();
void InitRefrigLib(const std::string& fileName);
void DoneRefrigLib();
bool RefrigLibExists();
TRefrigLib& RefrigLib();   // raises platform::Exception when not created

// Shorthands on the process-wide library.
int32_t RefrigNumberOf(const std::string& name);
std::string RefrigNameOf(int32_t number);

}  // namespace core
