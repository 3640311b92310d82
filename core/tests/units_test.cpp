// The unit catalogue checked against an independent listing of every kind:
// labels, formats, factors and offsets, the conversions both ways and the
// index clamp, plus the display texts users see for well-known values.
#include "core/units.h"

#include <gtest/gtest.h>

#include <cmath>
#include <regex>
#include <sstream>
#include <string>
#include <vector>

#include "platform/sysutils.h"

namespace {

using namespace core;

// One line per kind, in enumeration order: "number name: label format factor
// [+offset]; ...". A blank list means the kind has no units.
const char* const kCatalogue = R"(
0 utNone: 
1 utAirFlowPrim: m³/s %0.3f 1; m³/min %0.2f 60; m³/hr %0.0f 3600; l/s %0.0f 1000; cfm %0.2f 2118.8800032893155
2 utAirFlowSec: m³/s %0.3f 1; m³/min %0.2f 60; m³/hr %0.0f 3600; l/s %0.0f 1000; cfm %0.2f 2118.8800032893155
3 utAirFlowSmall: l/s %0.1f 1; m³/min %0.2f 0.06; cfm %0.3f 2.1188800032893154
4 utAirFlowRate: m³/s/m² %0.3f 1; m³/min/m² %0.2f 60; m³/hr/m² %0.0f 3600; l/s/m² %0.0f 1000; cfm/ft² %0.2f 196.8503937007874
5 utAirPressDrop: kPa %0.3f 1; Pa %0.0f 1000; Psi %0.4f 0.1450376807894691; Bar %0.5f 0.01; Atm %0.5f 0.00986923; InchWg %0.4f 4.014630759755623; InchHg %0.4f 0.295; mHead %0.4f 0.10197162129779283
6 utAltitude: m %0.1f 1; ft %0.1f 3.2808398950131235
7 utAngularSpeed: rpm %0.0f 1; Rad/s %0.3f 0.10471975511965978; Rev/s %0.0f 0.016666666666666666
8 utArea: m² %0.1f 1; cm² %0.1f 10000; mm² %0.0f 1000000; inch² %0.2f 1550.0031000062; ft² %0.1f 10.763910416709722
9 utCondensateRate: g/s %0.1f 1; kg/s %0.4f 0.001; kg/min %0.3f 0.06; lb/hr %0.3f 7.9366414386555935
10 utConductance: kW/°C %0.3f 1; W/°C %0.0f 1000; MBH/°F %0.3f 1.8956339758268757; Btu/h°F %0.0f 1895.6339758268755
11 utConductivity: kW/m·K %0.6g 1; W/m·K %0.6g 1000; mW/m·K %0.6g 1000000; Btu/hr·ft°F %0.6g 577.7
12 utDensity: kg/m³ %0.5g 1; mg/L %0.1g 1000; lb/ft³ %0.4g 0.06242796057614461
13 utDiameter: m %0.3f 1; mm %0.0f 1000; inch %0.2f 39.37007874015748; 1/8" %0.0f 314.9606299; ft %0.3f 3.2808398950131235
14 utDutyPrim: kW %0.3f 1; W %0.0f 1000; Btu/hr %0.0f 3412.141156488376; MBh %0.3f 3.412141156488376; kcal/hr %0.1f 859.184
15 utDutySec: kW %0.3f 1; W %0.0f 1000; Btu/hr %0.0f 3412.141156488376; MBh %0.3f 3.412141156488376; kcal/hr %0.1f 859.184
16 utDutyRate: W/m² %0.1f 1; kW/m² %0.3f 0.001; Btu/hr·ft² %0.1f 0.31699828634688587; MBh/ft² %0.3f 0.00031699828634688585; kcal/hr·ft² %0.1f 0.07982080551936
17 utEnergy: kJ %0.3f 1; J %0.0f 1000; kW-hr %0.5g 0.0002777777777777778; W-hr %0.5g 0.2777777777777778; Btu %0.5g 0.9478169879134378
18 utEnthalpy: kJ/kg %0.1f 1; Btu/lb %0.1f 0.4299226139294927
19 utFinDensity: fpi %0.4f 1; fin/mm %0.5f 0.03937007874015748; fins/m %0.3f 39.37007874015748; fins/ft %0.3f 12
20 utHeatOfRespir: kJ/kg/day %0.2f 1; mW/kg %0.4f 11.574074074074074; Btu/lb/day %0.2f 0.4299226139294927
21 utHeatTransCoeff: W/m²°C %0.5g 1; Btu/hr·ft²°F %0.5g 0.17611835153222966
22 utHumidity: kg/kg %0.4f 1; g/kg %0.2f 1000; gr/lb %0.1f 7000
23 utLengthBig: m %0.2f 1; ft %0.1f 3.2808398950131235
24 utLengthMeasure: m %0.3f 1; cm %0.2f 100; mm %0.1f 1000; inch %0.2f 39.37007874015748; ft %0.3f 3.2808398950131235
25 utLengthPrim: m %0.3f 1; cm %0.2f 100; mm %0.1f 1000; inch %0.2f 39.37007874015748; ft %0.3f 3.2808398950131235
26 utLengthSec: m %0.3f 1; cm %0.2f 100; mm %0.1f 1000; inch %0.2f 39.37007874015748; ft %0.3f 3.2808398950131235
27 utLengthSmall: mm %0.4f 1; um %0.1f 1000; Thou" %0.3f 39.37007874015748
28 utMass: kg %0.0f 1; ton SI %0.3f 0.001; lb %0.1f 2.2046226218487757
29 utMassSmall: g %0.1f 1; oz %0.3f 0.035273961949580414
30 utMassFlow: kg/s %0.4f 1; g/s %0.1f 1000; kg/hr %0.2f 3600; lb/s %0.5f 2.2046226218487757; lb/min %0.3f 132.27735731092656; lb/hr %0.1f 7936.6414386555925
31 utMassFlowGas: kg/s %0.4f 1; g/s %0.1f 1000; kg/hr %0.2f 3600; lb/s %0.5f 2.2046226218487757; lb/min %0.3f 132.27735731092656; lb/hr %0.1f 7936.6414386555925
32 utMassFlux: kg/m²s %0.3f 1; g/m²s %0.0f 1000; kg/m²hr %0.1f 3600; lb/ft²s %0.4f 0.20481614362252168; lb/ft²min %0.2f 12.288968617351301; lb/ft²hr %0.0f 737.3381170410781
33 utMetRate: W/P %0.1f 1; Btu/hr/P %0.0f 3.412141156488376
34 utPeopleDensity: m²/P %0.1f 1; ft²/P %0.2f 10.763910416709722
35 utPower: kW %0.3f 1; W %0.0f 1000; HP %0.2f 1.341021858656296
36 utPressure: kPa %0.3f 1; Pa %0.0f 1000; Psi %0.4f 0.1450376807894691; Bar %0.5f 0.01; Atm %0.5f 0.00986923; InchWg %0.4f 4.014630759755623; InchHg %0.4f 0.295; mHead %0.4f 0.10197162129779283
37 utPressureBar: kPa %0.3f 1; Psi %0.4f 0.1450376807894691; Bar %0.5f 0.01; Atm %0.5f 0.00986923; InchHg %0.4f 0.295; mHead %0.4f 0.10197162129779283
38 utPressureSteam: kPa %0.3f 1; Pa %0.0f 1000; Psi %0.4f 0.1450376807894691; Bar %0.5f 0.01; Atm %0.5f 0.00986923; InchWg %0.4f 4.014630759755623; InchHg %0.4f 0.295; mHead %0.4f 0.10197162129779283
39 utPressureRateGas: Pa/m %0.2f 1; kPa/m %0.5f 0.001; iwg/100' %0.4f 0.12236594555735139; Psi/ft %0.6f 4.4207485104630184e-05
40 utPressureRateLiquid: Pa/m %0.2f 1; kPa/m %0.5f 0.001; iwg/100' %0.4f 0.12236594555735139; Psi/ft %0.6f 4.4207485104630184e-05
41 utProportion: fraction %0.3f 1; % %0.1f 100; ratio %0.3f 1
42 utRate: /sec %0.4f 1; /min %0.2f 60; /hr %0.0f 3600
43 utSpecificHeat: kJ/kg·K %0.4g 1; Btu/lb°F %0.4g 0.23883448770002388
44 utSpecificVol: m³/kg %0.3f 1; ft³/lb %0.3f 16.018463373960138
45 utTemperature: °C %0.1f 1 +0; °F %0.1f 1.8 +32; K %0.2f 1 +273.15
46 utTemperatureChange: °C %0.1f 1; °F %0.1f 1.8; K %0.2f 1
47 utThermalCapacity: W-hr/m²°C %0.1f 1; Btu/ft²°F %0.1f 0.17611018368230585
48 utThermalResist: m²°C/W %0.4f 1; ft²·hr·°F/Btu %0.3f 5.678264134306047
49 utTime: sec %0.0f 1; min %0.2f 0.016666666666666666; hr %0.4f 0.0002777777777777778
50 utVelocity: m/s %0.2f 1; fpm %0.1f 196.8503937007874
51 utViscosity: kg/m·s %0.6g 1; N·s/m² %0.6g 1; µPa·s %0.6g 1000000; cP %0.6g 1000; lbm/ft·s %0.6g 0.6719689751395068; lbf·s/ft² %0.6g 0.020885; lbf·hr/ft² %0.6g 5.8014e-06
52 utVolume: m³ %0.4f 1; litre %0.2f 1000; cc %0.0f 1000000; ft³ %0.4f 35.32; inch³ %0.1f 61023
53 utVolumeFluid: kl %0.3f 1; litre %0.5g 1000; IP Gal %0.5g 220; US Gal %0.5g 264.1720523581484
54 utWaterFlow: l/s %0.3f 1; l/min %0.2f 60; dm³/hr %0.2f 3600; m³/hr %0.2f 3.6; m³/s %0.4f 0.001; usgpm %0.1f 15.850323141488905
55 utWaterPressDrop: kPa %0.3f 1; Pa %0.0f 1000; Psi %0.4f 0.1450376807894691; Bar %0.5f 0.01; Atm %0.5f 0.00986923; InchWg %0.4f 4.014630759755623; InchHg %0.4f 0.295; mHead %0.4f 0.10197162129779283
)";

struct ExpectedUnit {
  std::string label, format;
  double factor = 1, offset = 0;
};
struct ExpectedKind {
  int number = 0;
  std::string name;
  std::vector<ExpectedUnit> units;
};

std::vector<ExpectedKind> ParseCatalogue() {
  std::vector<ExpectedKind> kinds;
  std::istringstream lines(kCatalogue);
  std::string line;
  const std::regex head(R"(^(\d+) (\w+): ?(.*)$)");
  const std::regex unit(R"(^(.*) (%\S+) (\S+?)(?: \+(\S+))?$)");
  while (std::getline(lines, line)) {
    std::smatch m;
    if (line.empty()) continue;
    if (!std::regex_match(line, m, head)) {
      ADD_FAILURE() << "bad line " << line;
      continue;
    }
    ExpectedKind kind{std::stoi(m[1]), m[2], {}};
    std::string rest = m[3];
    while (!rest.empty()) {
      std::size_t cut = rest.find("; ");
      std::string piece = rest.substr(0, cut);
      rest = cut == std::string::npos ? "" : rest.substr(cut + 2);
      std::smatch u;
      if (!std::regex_match(piece, u, unit)) {
        ADD_FAILURE() << "bad unit " << piece;
        continue;
      }
      kind.units.push_back({u[1], u[2], platform::StrToFloat(u[3].str()), u[4].matched ? platform::StrToFloat(u[4].str()) : 0.0});
    }
    kinds.push_back(kind);
  }
  return kinds;
}

bool Near(double a, double b) { return std::fabs(a - b) <= 1e-12 * std::max(1.0, std::fabs(b)); }

TEST(UnitsCatalogue, EveryKindAndUnitMatchesTheListing) {
  const std::vector<ExpectedKind> kinds = ParseCatalogue();
  ASSERT_EQ(kinds.size(), static_cast<std::size_t>(kUnitsTypeCount));
  for (const ExpectedKind& k : kinds) {
    const auto kind = static_cast<TUnitsType>(k.number);
    SCOPED_TRACE(k.name);
    ASSERT_EQ(UnitsCount(kind), static_cast<int>(k.units.size()));
    for (int i = 0; i < static_cast<int>(k.units.size()); ++i) {
      const ExpectedUnit& e = k.units[i];
      SCOPED_TRACE(e.label);
      EXPECT_EQ(GetUnitsLabel(kind, i), e.label);
      EXPECT_EQ(GetUnitsFormat(kind, i), e.format);
      std::string format = "?", label = "?";
      double factor = -1, offset = -1;
      GetUnitsConversion(kind, i, 0, format, label, factor, offset);
      EXPECT_EQ(format, e.format);
      EXPECT_EQ(label, e.label);
      EXPECT_TRUE(Near(factor, e.factor)) << factor << " vs " << e.factor;
      // Temperatures are the only kind with an offset; a temperature
      // difference converts without one.
      EXPECT_EQ(offset, kind == utTemperature ? e.offset : 0.0);
      // One stored unit shown in this unit and read back.
      const double shown = ToDisplayUnits(offset, factor, 1.0);
      EXPECT_TRUE(Near(shown, e.factor + e.offset)) << shown;
      EXPECT_TRUE(Near(FromDisplayUnits(offset, factor, shown), 1.0));
    }
  }
}

TEST(UnitsCatalogue, KindsThatShareAListAgree) {
  const std::vector<std::vector<TUnitsType>> groups = {
      {utAirFlowPrim, utAirFlowSec},
      {utAirPressDrop, utPressure, utPressureSteam, utWaterPressDrop},
      {utDutyPrim, utDutySec},
      {utLengthMeasure, utLengthPrim, utLengthSec},
      {utMassFlow, utMassFlowGas},
      {utPressureRateGas, utPressureRateLiquid},
      {utTemperature, utTemperatureChange}};
  for (const auto& group : groups) {
    for (TUnitsType other : group) {
      ASSERT_EQ(UnitsCount(other), UnitsCount(group[0]));
      for (int i = 0; i < UnitsCount(other); ++i) {
        EXPECT_EQ(GetUnitsLabel(other, i), GetUnitsLabel(group[0], i));
        EXPECT_EQ(GetUnitsFormat(other, i), GetUnitsFormat(group[0], i));
        EXPECT_EQ(UnitInfo(other, i)->factor, UnitInfo(group[0], i)->factor);
      }
    }
  }
}

TEST(UnitsCatalogue, NoneAndUnknownKinds) {
  EXPECT_EQ(GetUnitsLabel(utNone, 0), "");
  EXPECT_EQ(GetUnitsFormat(utNone, 0), "%0.1f");
  std::string format = "x", label = "y";
  double factor = 7, offset = 9;
  GetUnitsConversion(utNone, 2, 1, format, label, factor, offset);
  EXPECT_EQ(format, "%0.1f");
  EXPECT_EQ(label, "");
  EXPECT_EQ(factor, 7);  // untouched: callers keep 1 and 0
  EXPECT_EQ(offset, 9);

  format = "x", label = "y";
  GetUnitsConversion(static_cast<TUnitsType>(56), 0, 0, format, label, factor, offset);
  EXPECT_EQ(format, "x");
  EXPECT_EQ(label, "y");
  EXPECT_EQ(factor, 7);
  EXPECT_EQ(offset, 0);
  EXPECT_EQ(GetUnitsLabel(static_cast<TUnitsType>(-1), 0), "");
  EXPECT_EQ(GetUnitsFormat(utPressure, 99), "%0.1f");  // no unit: no read past the list
}

TEST(UnitsCatalogue, ClampUnitsIndex) {
  EXPECT_EQ(ClampUnitsIndex(utDutyPrim, 9), 4);
  EXPECT_EQ(ClampUnitsIndex(utPressure, -1), 0);
  EXPECT_EQ(ClampUnitsIndex(utPressure, 7), 7);
  EXPECT_EQ(ClampUnitsIndex(utPressure, 8), 7);
  EXPECT_EQ(ClampUnitsIndex(utTemperature, 1), 1);
  EXPECT_EQ(ClampUnitsIndex(utNone, 9), 9);
  EXPECT_EQ(ClampUnitsIndex(utNone, -3), -3);
}

// Stored value shown in a unit, as the edit box writes it.
std::string Shown(TUnitsType kind, int unit, double stored, int storedUnit = 0) {
  std::string format, label;
  double factor = 1, offset = 0;
  GetUnitsConversion(kind, unit, storedUnit, format, label, factor, offset);
  return platform::Format(format, {ToDisplayUnits(offset, factor, stored)}) + " " + label;
}

TEST(UnitsConversion, WellKnownValues) {
  EXPECT_EQ(Shown(utTemperature, 0, 25), "25.0 °C");
  EXPECT_EQ(Shown(utTemperature, 1, 25), "77.0 °F");
  EXPECT_EQ(Shown(utTemperature, 2, 25), "298.15 K");
  EXPECT_EQ(Shown(utTemperatureChange, 1, 10), "18.0 °F");
  EXPECT_EQ(Shown(utTemperatureChange, 2, 10), "10.00 K");
  EXPECT_EQ(Shown(utDutyPrim, 2, 1), "3412 Btu/hr");
  EXPECT_EQ(Shown(utDutyPrim, 3, 1), "3.412 MBh");
  EXPECT_EQ(Shown(utPressure, 3, 100), "1.00000 Bar");
  EXPECT_EQ(Shown(utPressure, 2, 100), "14.5038 Psi");
  EXPECT_EQ(Shown(utViscosity, 2, 0.001), "1000 µPa·s");
  EXPECT_EQ(Shown(utDensity, 2, 1000), "62.43 lb/ft³");
}

TEST(UnitsConversion, StoredInAnotherUnit) {
  // Stored in W, shown in kW.
  EXPECT_EQ(Shown(utDutyPrim, 0, 1500, 1), "1.500 kW");
  // A temperature kept in °F still shows correctly in °C and K.
  EXPECT_EQ(Shown(utTemperature, 0, 77, 1), "25.0 °C");
  EXPECT_EQ(Shown(utTemperature, 2, 77, 1), "298.15 K");
  EXPECT_EQ(Shown(utTemperature, 1, 298.15, 2), "77.0 °F");
}

// Every factor against the physical size of its unit, written out here from
// the definitions of the units (SI, the international foot, pound and Btu),
// not from the table: size(unit 0) / size(unit) is what one stored unit reads
// as. A few constants of the table are rounded (3 to 5 digits); they carry a
// tolerance of their own, every other factor must agree to 1e-6.
namespace si {
constexpr double m = 1, cm = 0.01, mm = 0.001, um = 1e-6, inch = 0.0254, ft = 0.3048;
constexpr double kg = 1, g = 0.001, mg = 1e-6, lb = 0.45359237, oz = lb / 16, grain = lb / 7000;
constexpr double s = 1, min = 60, hr = 3600, day = 86400;
constexpr double J = 1, kJ = 1000, W = 1, kW = 1000;
constexpr double Btu = 1055.05585262;        // international table
constexpr double kcal = 4190.02;             // the mean kilocalorie the table uses
constexpr double hp = 745.69987158227022;    // mechanical horsepower
constexpr double Pa = 1, kPa = 1000, bar = 1e5, atm = 101325, psi = 6894.757293168361;
constexpr double inH2O = 249.08891, inHg = 3386.389, mH2O = 9806.65;
constexpr double lbf = 4.4482216152605;
constexpr double litre = 0.001, impGal = 4.54609e-3, usGal = 3.785411784e-3;
constexpr double pi = 3.14159265358979323846;
}  // namespace si

struct PhysicalUnit {
  const char* label;
  double size;               // in the kind's SI unit
  double tolerance = 1e-6;   // relative
};
struct PhysicalKind {
  TUnitsType kind;
  std::vector<PhysicalUnit> units;
};

std::vector<PhysicalKind> PhysicalCatalogue() {
  using namespace si;
  const std::vector<PhysicalUnit> airFlow = {{"m³/s", 1}, {"m³/min", 1 / min}, {"m³/hr", 1 / hr},
                                             {"l/s", litre}, {"cfm", ft * ft * ft / min}};
  const std::vector<PhysicalUnit> pressure = {
      {"kPa", kPa}, {"Pa", Pa}, {"Psi", psi}, {"Bar", bar}, {"Atm", atm},
      {"InchWg", inH2O}, {"InchHg", inHg, 1.1e-3}, {"mHead", mH2O}};
  const std::vector<PhysicalUnit> duty = {{"kW", kW}, {"W", W}, {"Btu/hr", Btu / hr},
                                          {"MBh", 1000 * Btu / hr}, {"kcal/hr", kcal / hr}};
  const std::vector<PhysicalUnit> length = {{"m", m}, {"cm", cm}, {"mm", mm}, {"inch", inch}, {"ft", ft}};
  const std::vector<PhysicalUnit> massFlow = {{"kg/s", kg}, {"g/s", g}, {"kg/hr", kg / hr},
                                              {"lb/s", lb}, {"lb/min", lb / min}, {"lb/hr", lb / hr}};
  const std::vector<PhysicalUnit> pressureRate = {{"Pa/m", Pa}, {"kPa/m", kPa},
                                                  {"iwg/100'", inH2O / (100 * ft)}, {"Psi/ft", psi / ft}};
  const double ft2 = ft * ft, ft3 = ft * ft * ft;
  return {
      {utAirFlowPrim, airFlow},
      {utAirFlowSec, airFlow},
      {utAirFlowSmall, {{"l/s", litre}, {"m³/min", 1 / min}, {"cfm", ft3 / min}}},
      {utAirFlowRate, {{"m³/s/m²", 1}, {"m³/min/m²", 1 / min}, {"m³/hr/m²", 1 / hr},
                       {"l/s/m²", litre}, {"cfm/ft²", ft3 / min / ft2}}},
      {utAirPressDrop, pressure},
      {utAltitude, {{"m", m}, {"ft", ft}}},
      {utAngularSpeed, {{"rpm", 2 * pi / min}, {"Rad/s", 1}, {"Rev/s", 2 * pi}}},
      {utArea, {{"m²", 1}, {"cm²", cm * cm}, {"mm²", mm * mm}, {"inch²", inch * inch}, {"ft²", ft2}}},
      {utCondensateRate, {{"g/s", g}, {"kg/s", kg}, {"kg/min", kg / min}, {"lb/hr", lb / hr}}},
      {utConductance, {{"kW/°C", kW}, {"W/°C", W}, {"MBH/°F", 1000 * Btu / hr * 1.8},
                       {"Btu/h°F", Btu / hr * 1.8}}},
      {utConductivity, {{"kW/m·K", kW}, {"W/m·K", W}, {"mW/m·K", 0.001 * W},
                        {"Btu/hr·ft°F", Btu / hr / ft * 1.8, 2e-4}}},
      {utDensity, {{"kg/m³", 1}, {"mg/L", mg / litre}, {"lb/ft³", lb / ft3}}},
      {utDiameter, {{"m", m}, {"mm", mm}, {"inch", inch}, {"1/8\"", inch / 8}, {"ft", ft}}},
      {utDutyPrim, duty},
      {utDutySec, duty},
      {utDutyRate, {{"W/m²", W}, {"kW/m²", kW}, {"Btu/hr·ft²", Btu / hr / ft2},
                    {"MBh/ft²", 1000 * Btu / hr / ft2}, {"kcal/hr·ft²", kcal / hr / ft2}}},
      {utEnergy, {{"kJ", kJ}, {"J", J}, {"kW-hr", kW * hr}, {"W-hr", W * hr}, {"Btu", Btu}}},
      {utEnthalpy, {{"kJ/kg", kJ}, {"Btu/lb", Btu / lb}}},
      {utFinDensity, {{"fpi", 1 / inch}, {"fin/mm", 1 / mm}, {"fins/m", 1 / m}, {"fins/ft", 1 / ft}}},
      {utHeatOfRespir, {{"kJ/kg/day", kJ / day}, {"mW/kg", 0.001 * W}, {"Btu/lb/day", Btu / lb / day}}},
      // 5.678 W/m²K rounded to four digits.
      {utHeatTransCoeff, {{"W/m²°C", W}, {"Btu/hr·ft²°F", Btu / hr / ft2 * 1.8, 5e-5}}},
      {utHumidity, {{"kg/kg", 1}, {"g/kg", g / kg}, {"gr/lb", grain / lb}}},
      {utLengthBig, {{"m", m}, {"ft", ft}}},
      {utLengthMeasure, length},
      {utLengthPrim, length},
      {utLengthSec, length},
      {utLengthSmall, {{"mm", mm}, {"um", um}, {"Thou\"", inch / 1000}}},
      {utMass, {{"kg", kg}, {"ton SI", 1000 * kg}, {"lb", lb}}},
      {utMassSmall, {{"g", g}, {"oz", oz}}},
      {utMassFlow, massFlow},
      {utMassFlowGas, massFlow},
      {utMassFlux, {{"kg/m²s", 1}, {"g/m²s", g}, {"kg/m²hr", kg / hr}, {"lb/ft²s", lb / ft2},
                    {"lb/ft²min", lb / ft2 / min}, {"lb/ft²hr", lb / ft2 / hr}}},
      {utMetRate, {{"W/P", W}, {"Btu/hr/P", Btu / hr}}},
      {utPeopleDensity, {{"m²/P", 1}, {"ft²/P", ft2}}},
      {utPower, {{"kW", kW}, {"W", W}, {"HP", hp}}},
      {utPressure, pressure},
      {utPressureBar, {{"kPa", kPa}, {"Psi", psi}, {"Bar", bar}, {"Atm", atm},
                       {"InchHg", inHg, 1.1e-3}, {"mHead", mH2O}}},
      {utPressureSteam, pressure},
      {utPressureRateGas, pressureRate},
      {utPressureRateLiquid, pressureRate},
      {utProportion, {{"fraction", 1}, {"%", 0.01}, {"ratio", 1}}},
      {utRate, {{"/sec", 1 / s}, {"/min", 1 / min}, {"/hr", 1 / hr}}},
      // 4.187 kJ/kg·K rounded to four digits.
      {utSpecificHeat, {{"kJ/kg·K", kJ}, {"Btu/lb°F", Btu / lb * 1.8, 5e-5}}},
      {utSpecificVol, {{"m³/kg", 1}, {"ft³/lb", ft3 / lb}}},
      {utTemperatureChange, {{"°C", 1}, {"°F", 1 / 1.8}, {"K", 1}}},
      {utThermalCapacity, {{"W-hr/m²°C", W * hr}, {"Btu/ft²°F", Btu / ft2 * 1.8}}},
      {utThermalResist, {{"m²°C/W", 1}, {"ft²·hr·°F/Btu", ft2 / 1.8 / (Btu / hr)}}},
      {utTime, {{"sec", s}, {"min", min}, {"hr", hr}}},
      {utVelocity, {{"m/s", 1}, {"fpm", ft / min}}},
      {utViscosity, {{"kg/m·s", 1}, {"N·s/m²", 1}, {"µPa·s", 1e-6}, {"cP", 1e-3},
                     {"lbm/ft·s", lb / ft}, {"lbf·s/ft²", lbf / ft2, 3e-5},
                     {"lbf·hr/ft²", lbf * hr / ft2, 2e-5}}},
      {utVolume, {{"m³", 1}, {"litre", litre}, {"cc", 1e-6}, {"ft³", ft3, 2e-4},
                  {"inch³", inch * inch * inch, 2e-5}}},
      {utVolumeFluid, {{"kl", 1}, {"litre", litre}, {"IP Gal", impGal, 2e-4}, {"US Gal", usGal}}},
      {utWaterFlow, {{"l/s", litre}, {"l/min", litre / min}, {"dm³/hr", litre / hr},
                     {"m³/hr", 1 / hr}, {"m³/s", 1}, {"usgpm", usGal / min}}},
      {utWaterPressDrop, pressure},
  };
}

TEST(UnitsCatalogue, EveryFactorMatchesThePhysicalSizeOfItsUnit) {
  const std::vector<PhysicalKind> kinds = PhysicalCatalogue();
  // Every kind but utNone and the absolute temperature (checked by its
  // well-known values) is listed.
  EXPECT_EQ(kinds.size(), static_cast<std::size_t>(kUnitsTypeCount - 2));
  for (const PhysicalKind& k : kinds) {
    SCOPED_TRACE(::testing::Message() << "kind " << k.kind);
    ASSERT_EQ(UnitsCount(k.kind), static_cast<int>(k.units.size()));
    for (int i = 0; i < static_cast<int>(k.units.size()); ++i) {
      const PhysicalUnit& u = k.units[i];
      SCOPED_TRACE(u.label);
      ASSERT_EQ(GetUnitsLabel(k.kind, i), u.label);
      const double expected = k.units[0].size / u.size;
      const double factor = UnitInfo(k.kind, i)->factor;
      EXPECT_LE(std::fabs(factor / expected - 1), u.tolerance) << factor << " vs " << expected;
    }
  }
}

TEST(UnitsConversion, FactorsOnceWrongReadAsTheirPhysicalValues) {
  EXPECT_EQ(Shown(utCondensateRate, 3, 1), "7.937 lb/hr");
  EXPECT_EQ(Shown(utDutyRate, 3, 1000), "0.317 MBh/ft²");
  EXPECT_EQ(Shown(utThermalCapacity, 1, 10), "1.8 Btu/ft²°F");
  EXPECT_EQ(Shown(utViscosity, 4, 1), "0.671969 lbm/ft·s");
}

}  // namespace
