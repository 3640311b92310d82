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
9 utCondensateRate: g/s %0.1f 1; kg/s %0.4f 0.001; kg/min %0.3f 0.06; lb/hr %0.3f 0.002204622621848776
10 utConductance: kW/°C %0.3f 1; W/°C %0.0f 1000; MBH/°F %0.3f 1.8956339758268757; Btu/h°F %0.0f 1895.6339758268755
11 utConductivity: kW/m·K %0.6g 1; W/m·K %0.6g 1000; mW/m·K %0.6g 1000000; Btu/hr·ft°F %0.6g 577.7
12 utDensity: kg/m³ %0.5g 1; mg/L %0.1g 1000; lb/ft³ %0.4g 0.06242796057614461
13 utDiameter: m %0.3f 1; mm %0.0f 1000; inch %0.2f 39.37007874015748; 1/8" %0.0f 314.9606299; ft %0.3f 3.2808398950131235
14 utDutyPrim: kW %0.3f 1; W %0.0f 1000; Btu/hr %0.0f 3412.141156488376; MBh %0.3f 3.412141156488376; kcal/hr %0.1f 859.184
15 utDutySec: kW %0.3f 1; W %0.0f 1000; Btu/hr %0.0f 3412.141156488376; MBh %0.3f 3.412141156488376; kcal/hr %0.1f 859.184
16 utDutyRate: W/m² %0.1f 1; kW/m² %0.3f 0.001; Btu/hr·ft² %0.1f 0.31699828634688587; MBh/ft² %0.3f 0.31699828634688587; kcal/hr·ft² %0.1f 0.07982080551936
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
47 utThermalCapacity: W-hr/m²°C %0.1f 1; Btu/ft²°F %0.1f 0.5705969154243945
48 utThermalResist: m²°C/W %0.4f 1; ft²·hr·°F/Btu %0.3f 5.678264134306047
49 utTime: sec %0.0f 1; min %0.2f 0.016666666666666666; hr %0.4f 0.0002777777777777778
50 utVelocity: m/s %0.2f 1; fpm %0.1f 196.8503937007874
51 utViscosity: kg/m·s %0.6g 1; N·s/m² %0.6g 1; µPa·s %0.6g 1000000; cP %0.6g 1000; lbm/ft·s %0.6g 0.0671955; lbf·s/ft² %0.6g 0.020885; lbf·hr/ft² %0.6g 5.8014e-06
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
      kind.units.push_back({u[1], u[2], std::stod(u[3]), u[4].matched ? std::stod(u[4]) : 0.0});
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

}  // namespace
