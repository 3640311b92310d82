// The property equations over the selected refrigerant's record, the root
// finder's numeric derivative, and the shipped refrigerant library against
// reference equation-of-state values.
#include <gtest/gtest.h>

#include <cmath>
#include <fstream>
#include <map>
#include <sstream>
#include <string>
#include <vector>

#include "core/refriglib.h"
#include "platform/sysutils.h"
#include "testsupport/testenv.h"

using core::TRefrigLib;

namespace {

const std::string kData = DRAVLEN_TEST_DATA "/refrig/";
const std::string kShipped = DRAVLEN_SOURCE_DIR "/resources/shared/RefLib8.rdf";

std::string CopyToTemp(const std::string& source) {
  return testsupport::CopyToTemp(source, "RefLib8.rdf", "props");
}

// The test library's R22 section sets no coefficients: the built-in record
// with Status 0 after creation.
class BuiltInR22Test : public ::testing::Test {
 protected:
  TRefrigLib lib_{CopyToTemp(kData + "RefLib8.rdf")};
};

TEST_F(BuiltInR22Test, SaturationPressureAndTemperature) {
  const double expected = std::exp(21.39916 - 2103.23 / 254.0905);
  EXPECT_NEAR(lib_.DewPressure(0) / expected, 1.0, 1e-12);
  EXPECT_NEAR(lib_.DewPressure(0), 499657, 1);
  EXPECT_NEAR(lib_.DewTemperature(lib_.DewPressure(0)), 0.0, 1e-9);
  for (double T : {-40.0, -12.5, 25.0, 55.0}) {
    EXPECT_NEAR(lib_.DewTemperature(lib_.DewPressure(T)), T, 1e-9) << T;
    const double P = lib_.DewPressure(T);
    EXPECT_NEAR(lib_.BubbleTemperature(P), T, 1e-9) << T;
    EXPECT_EQ(lib_.Glide(P), 0.0) << T;   // dp and bp are the same set
  }
  EXPECT_EQ(lib_.CriticalPressure(), 4990000.0);
  EXPECT_EQ(lib_.CriticalTemperature(), 96.1);
  EXPECT_EQ(lib_.NormalBoilingPoint(), -40.8);
  EXPECT_EQ(lib_.Status(), core::rsNoError);
}

// Each correlation evaluated here from the tabled constants, term by term.
TEST_F(BuiltInR22Test, CorrelationsAgainstTheirFormulas) {
  for (double T : {-30.0, 0.0, 10.0, 45.0}) {
    SCOPED_TRACE(T);
    const double lh = 200005.4 + 1169.513 * T + 1.346602 * T * T + 0.01149432 * T * T * T;
    const double hv = 251040.6 + 373.4119 * T - 1.685585 * T * T - 0.01689365 * T * T * T;
    const double lv = 0.0007803834 + 2.02297e-06 * T + 1.027511e-08 * T * T + 1.380161e-10 * T * T * T;
    const double vv = std::exp(-11.92094 + 2418.916 / (273.15 + T)) *
                      (1.009912 + 0.000931342 * T - 1.615272e-05 * T * T - 2.761813e-07 * T * T * T);
    EXPECT_NEAR(lib_.LiquidEnthalpy(T), lh, 1e-9 * lh);
    EXPECT_NEAR(lib_.VapourEnthalpy(T), hv + 154002.2, 1e-9 * lh);
    EXPECT_NEAR(lib_.LatentHeat(T), hv + 154002.2 - lh, 1e-6);
    EXPECT_NEAR(lib_.LiquidVolume(T), lv, 1e-12 * lv);
    EXPECT_NEAR(lib_.VapourVolume(T), vv, 1e-12 * vv);

    const double X = 12.0;   // superheat
    const double sh = X * (0.002846625 + 6.958993e-07 * X +
                           T * (1.108134e-05 - 5.134816e-08 * X + 1.497383e-07 * T - 7.479003e-10 * X * T));
    EXPECT_NEAR(lib_.SuperheatEnthalpy(T, T + X), hv * (1 + sh) + 154002.2, 1e-6);

    const double P = lib_.DewPressure(T);
    const double sv = X * (0.005239268 - 4.672763e-06 * X +
                           T * (2.254271e-05 - 1.07398e-07 * X + 3.083406e-07 * T - 7.039037e-10 * X * T));
    EXPECT_NEAR(lib_.SuperheatVolume(P, T + X), vv * (1 + sv), 1e-9 * vv);
  }
  const double Te = -10, SH = 8, Lift = 50;
  const double k0 = 1.135672 - 0.0004593027 * Lift +
                    Te * (-0.001607226 - 5.582052e-06 * Te +
                          Lift * (-4.64092e-06 - 1.812148e-07 * Te + 2.579754e-08 * Lift + 2.212816e-09 * Te * Lift));
  const double k = k0 * (1 + SH * (0.0002879333 - 2.264442e-06 * SH + Te * (1.550121e-05 - 7.615213e-08 * SH)));
  EXPECT_NEAR(lib_.IsentropicExponent(Te, SH, Lift), k, 1e-14);

  const double P1 = lib_.DewPressure(Te), P2 = lib_.DewPressure(Te + Lift);
  const double v = lib_.SuperheatVolume(P1, Te + SH);
  const double e = (k - 1) / k;
  const double w = (std::pow(P2 / P1, e) - 1) * P1 * v / e;
  EXPECT_NEAR(lib_.IsentropicWork(P2, v, P1, k), w, 1e-9 * w);
  EXPECT_NEAR(lib_.CompressionWork(Te, Te + Lift, Te + SH), w, 1e-9 * w);
  EXPECT_EQ(lib_.Status(), core::rsNoError);
}

TEST_F(BuiltInR22Test, SuperheatFunctionsMeetTheSaturatedOnesAtZeroSuperheat) {
  for (double T : {-45.0, -20.0, 0.0, 15.0}) {
    EXPECT_DOUBLE_EQ(lib_.SuperheatEnthalpy(T, T), lib_.VapourEnthalpy(T)) << T;
    const double P = lib_.DewPressure(T);
    const double Tsat = lib_.DewTemperature(P);
    EXPECT_DOUBLE_EQ(lib_.SuperheatVolume(P, Tsat), lib_.VapourVolume(Tsat)) << T;
  }
  EXPECT_EQ(lib_.Status(), core::rsNoError);
}

struct StatusCase {
  const char* scenario;
  std::function<void(TRefrigLib&)> call;
  int16_t status;
};

TEST(RefrigPropsStatus, BelowSaturationAndReversedLift) {
  const std::string file = CopyToTemp(kData + "RefLib8.rdf");
  const StatusCase cases[] = {
      {"enthalpy 1 K below saturation", [](TRefrigLib& l) { l.SuperheatEnthalpy(0, -1); }, 2},
      {"volume below saturation", [](TRefrigLib& l) { l.SuperheatVolume(l.DewPressure(0), -0.5); }, 2},
      {"condensing below evaporating", [](TRefrigLib& l) { l.CompressionWork(10, 5, 15); }, 3},
      {"suction below evaporating", [](TRefrigLib& l) { l.CompressionWork(-10, 40, -12); }, 2},
      {"rounding at saturation is no error", [](TRefrigLib& l) { l.SuperheatEnthalpy(0, -1e-10); }, 0},
      {"equal temperatures are no error", [](TRefrigLib& l) { l.CompressionWork(5, 5, 5); }, 0},
  };
  for (const StatusCase& c : cases) {
    TRefrigLib lib(file);
    c.call(lib);
    EXPECT_EQ(lib.Status(), c.status) << c.scenario;
  }
  // The value is still computed, and a later good call does not reset the word.
  TRefrigLib lib(file);
  EXPECT_TRUE(std::isfinite(lib.SuperheatEnthalpy(0, -1)));
  lib.SuperheatEnthalpy(0, 5);
  EXPECT_EQ(lib.Status(), 2);
  lib.CompressionWork(10, 5, 15);
  EXPECT_EQ(lib.Status(), 3);
}

// Out-of-domain arguments raise EMathError; nothing returns NaN or infinity.
TEST_F(BuiltInR22Test, OutOfDomainArgumentsRaiseMathErrors) {
  const double dp2 = core::BuiltInR22().dp[2];
  struct Case { const char* scenario; std::function<double()> call; };
  const Case cases[] = {
      {"DewPressure at T = -dp2", [&] { return lib_.DewPressure(-dp2); }},
      {"DewTemperature at pressure 0", [&] { return lib_.DewTemperature(0); }},
      {"DewTemperature at a negative pressure", [&] { return lib_.DewTemperature(-5); }},
      {"BubbleTemperature at pressure 0", [&] { return lib_.BubbleTemperature(0); }},
      {"Glide at pressure 0", [&] { return lib_.Glide(0); }},
      {"DewTemperature at exp(dp0)", [&] { return lib_.DewTemperature(std::exp(21.39916)); }},
      {"VapourVolume at absolute zero", [&] { return lib_.VapourVolume(-273.15); }},
      {"SuperheatVolume at pressure 0", [&] { return lib_.SuperheatVolume(0, 10); }},
      {"IsentropicWork with P1 = 0", [&] { return lib_.IsentropicWork(1e6, 0.05, 0, 1.1); }},
      {"IsentropicWork with k = 0", [&] { return lib_.IsentropicWork(1e6, 0.05, 1e5, 0); }},
      {"IsentropicWork with a negative ratio", [&] { return lib_.IsentropicWork(-1e6, 0.05, 1e5, 1.1); }},
      {"CompressionWork at te = -dp2", [&] { return lib_.CompressionWork(-dp2, 40, 0); }},
      {"NaN argument", [&] { return lib_.LiquidEnthalpy(std::nan("")); }},
  };
  for (const Case& c : cases) EXPECT_THROW(c.call(), core::EMathError) << c.scenario;
  // The library is still usable afterwards.
  EXPECT_GT(lib_.DewPressure(0), 0);
}

TEST_F(BuiltInR22Test, IsentropicWorkIsContinuousThroughKEqualsOne) {
  const double P1 = 6e5, P2 = 2.1e6, v = 0.03;
  const double limit = P1 * v * std::log(P2 / P1);
  EXPECT_DOUBLE_EQ(lib_.IsentropicWork(P2, v, P1, 1.0), limit);
  for (double d : {1e-15, 1e-13, 1e-11, 1e-9}) {
    EXPECT_NEAR(lib_.IsentropicWork(P2, v, P1, 1.0 + d), limit, 1e-9 * limit) << d;
    EXPECT_NEAR(lib_.IsentropicWork(P2, v, P1, 1.0 - d), limit, 1e-9 * limit) << d;
  }
  // ((r^e) - 1) / e grows with e: the work rises with k on both sides of 1.
  double previous = 0;
  for (double k = 0.95; k <= 1.05 + 1e-12; k += 0.005) {
    const double w = lib_.IsentropicWork(P2, v, P1, k);
    const double e = (k - 1) / k;
    const double expected = std::fabs(e) < 1e-12 ? limit : (std::pow(P2 / P1, e) - 1) * P1 * v / e;
    EXPECT_NEAR(w, expected, 1e-10 * expected) << k;
    EXPECT_GT(w, previous) << k;
    previous = w;
  }
}

TEST_F(BuiltInR22Test, RootSettingsAndNumericDerivative) {
  core::TRoot& root = lib_.Root();
  EXPECT_EQ(root.IterationLimit, 120);
  EXPECT_EQ(root.Tolerance, 0.001);
  EXPECT_EQ(root.Step, 0.1);
  EXPECT_FALSE(root.Derivative);

  // The residual is zero at the temperature whose superheated enthalpy is the target.
  const double target = lib_.SuperheatEnthalpy(-10, 5);
  lib_.SetResidualOperands(-10.0L, target);
  EXPECT_NEAR(root.Function(5), 0.0, 1e-9);
  const double slope = root.Slope(5);
  EXPECT_NEAR(root.F0(), 0.0, 1e-9);
  const double h = 1e-3;
  const double central = -(lib_.SuperheatEnthalpy(-10, 5 + h) - lib_.SuperheatEnthalpy(-10, 5 - h)) / (2 * h);
  EXPECT_NEAR(slope, central, 1e-3 * std::fabs(central));
  EXPECT_LT(slope, 0);

  core::TRoot plain;
  EXPECT_EQ(plain.IterationLimit, 50);
  EXPECT_EQ(plain.Tolerance, 1e-6);
  plain.Function = [](double x) { return x * x; };
  EXPECT_NEAR(plain.NumericDerivative(3), 6.0, 2e-3);
  EXPECT_EQ(plain.F0(), 9.0);
  // At 0 the fixed step is used: the forward difference of x² is the step itself.
  EXPECT_NEAR(plain.NumericDerivative(0), 0.00034939422035217286, 1e-15);
  plain.Derivative = [](double x) { return 2 * x; };
  EXPECT_EQ(plain.Slope(3), 6.0);
}

// ---------------------------------------------------------------- shipped library

struct ReferenceRow {
  std::string refrigerant;
  double t, pDew;
};

std::vector<ReferenceRow> ReadReferenceValues() {
  std::ifstream in(kData + "refrigerant_reference_values.csv");
  std::vector<ReferenceRow> rows;
  std::string line;
  std::getline(in, line);   // header
  while (std::getline(in, line)) {
    if (line.empty()) continue;
    std::stringstream s(line);
    std::string field;
    std::vector<std::string> fields;
    while (std::getline(s, field, ',')) fields.push_back(field);
    if (fields.size() < 3) continue;
    rows.push_back({fields[0], platform::StrToFloat(fields[1]), platform::StrToFloat(fields[2])});
  }
  return rows;
}

const char* const kShippedNames[] = {"R22", "R134a", "R404A", "R407C", "R410A", "R507A", "R717"};

TEST(ShippedLibrary, EveryRefrigerantSelectsAndRoundTrips) {
  TRefrigLib lib(CopyToTemp(kShipped));
  ASSERT_EQ(lib.Names().Count(), 7);
  for (int i = 0; i < 7; ++i) {
    const std::string name = kShippedNames[i];
    SCOPED_TRACE(name);
    lib.Select(name);
    EXPECT_EQ(lib.CurrentName(), name);
    EXPECT_EQ(lib.GetName(), name);
    EXPECT_EQ(lib.InternalNumber(), i);
    EXPECT_EQ(lib.RefrigNumberOf(name), i);
    EXPECT_EQ(lib.RefrigNameOf(i), name);
    EXPECT_GE(lib.GetCurrentIndex(), 0);
    EXPECT_EQ(lib.Names()[lib.GetCurrentIndex()], name);
  }
  // Walking the whole list by number and by position.
  for (int i = 6; i >= 0; --i) {
    lib.SelectByNumber(i);
    EXPECT_EQ(lib.GetName(), kShippedNames[i]);
  }
  lib.SelectIndex(0);
  for (int step = 0; step < 7; ++step) lib.SelectNext();
  EXPECT_EQ(lib.GetCurrentIndex(), 0);
  EXPECT_EQ(lib.Status(), core::rsNoError);
}

TEST(ShippedLibrary, DewPressureWithinReferenceValues) {
  const std::vector<ReferenceRow> rows = ReadReferenceValues();
  ASSERT_EQ(rows.size(), 42u);
  TRefrigLib lib(CopyToTemp(kShipped));
  std::map<std::string, int> perRefrigerant;
  for (const ReferenceRow& row : rows) {
    lib.Select(row.refrigerant);
    ASSERT_EQ(lib.GetName(), row.refrigerant);
    const double p = lib.DewPressure(row.t);
    EXPECT_NEAR(p / row.pDew, 1.0, 0.012) << row.refrigerant << " at " << row.t;
    ++perRefrigerant[row.refrigerant];
  }
  EXPECT_EQ(perRefrigerant.size(), 7u);
  for (const auto& [name, count] : perRefrigerant) EXPECT_EQ(count, 6) << name;
  EXPECT_EQ(lib.Status(), core::rsNoError);
}

// R404A and R507A have a fitted exponent k that crosses 1 at warm
// evaporating temperatures: the work there must be finite and continuous.
TEST(ShippedLibrary, CompressionWorkAcrossTheUnitExponent) {
  TRefrigLib lib(CopyToTemp(kShipped));
  for (const char* name : {"R404A", "R507A"}) {
    SCOPED_TRACE(name);
    lib.Select(name);
    // Find the evaporating temperature where k crosses 1 at a lift of 40 K.
    const double Lift = 40, SH = 0;
    double lo = -45, hi = 15;
    const double kLo = lib.IsentropicExponent(lo, SH, Lift) - 1;
    const double kHi = lib.IsentropicExponent(hi, SH, Lift) - 1;
    ASSERT_LT(kLo * kHi, 0) << "k does not cross 1 between te -45 and 15 °C";
    for (int i = 0; i < 200; ++i) {
      const double mid = 0.5 * (lo + hi);
      if ((lib.IsentropicExponent(mid, SH, Lift) - 1) * kLo > 0) lo = mid; else hi = mid;
    }
    const double te = 0.5 * (lo + hi);
    EXPECT_NEAR(lib.IsentropicExponent(te, SH, Lift), 1.0, 1e-12);
    const double w0 = lib.CompressionWork(te, te + Lift, te + SH);
    ASSERT_TRUE(std::isfinite(w0));
    EXPECT_GT(w0, 0);
    for (double d : {1e-9, 1e-6, 1e-3}) {
      const double below = lib.CompressionWork(te - d, te - d + Lift, te - d + SH);
      const double above = lib.CompressionWork(te + d, te + d + Lift, te + d + SH);
      EXPECT_NEAR(below, w0, 1e-3 * w0) << d;
      EXPECT_NEAR(above, w0, 1e-3 * w0) << d;
    }
    const double P1 = lib.DewPressure(te), P2 = lib.DewPressure(te + Lift);
    const double v = lib.SuperheatVolume(P1, te + SH);
    EXPECT_NEAR(lib.IsentropicWork(P2, v, P1, 1.0), P1 * v * std::log(P2 / P1), 1e-6 * w0);
    EXPECT_EQ(lib.Status(), core::rsNoError);
  }
}

}  // namespace
