#include "core/units.h"

#include <algorithm>
#include <cstddef>
#include <iterator>

namespace core {
namespace {

struct UnitList {
  const TUnitInfo* units;
  std::size_t count;
};

// The catalogue. Kinds that measure the same quantity for different purposes
// (primary and secondary air flow, the four pressures...) share one list.
const TUnitInfo kAirFlow[] = {
    {"m³/s", "%0.3f", 1, 0},
    {"m³/min", "%0.2f", 60, 0},
    {"m³/hr", "%0.0f", 3600, 0},
    {"l/s", "%0.0f", 1000, 0},
    {"cfm", "%0.2f", 2118.8800032893155, 0},
};
const TUnitInfo kAirFlowSmall[] = {
    {"l/s", "%0.1f", 1, 0},
    {"m³/min", "%0.2f", 0.06, 0},
    {"cfm", "%0.3f", 2.1188800032893154, 0},
};
const TUnitInfo kAirFlowRate[] = {
    {"m³/s/m²", "%0.3f", 1, 0},
    {"m³/min/m²", "%0.2f", 60, 0},
    {"m³/hr/m²", "%0.0f", 3600, 0},
    {"l/s/m²", "%0.0f", 1000, 0},
    {"cfm/ft²", "%0.2f", 196.8503937007874, 0},
};
const TUnitInfo kPressure[] = {
    {"kPa", "%0.3f", 1, 0},
    {"Pa", "%0.0f", 1000, 0},
    {"Psi", "%0.4f", 0.1450376807894691, 0},
    {"Bar", "%0.5f", 0.01, 0},
    {"Atm", "%0.5f", 0.00986923, 0},
    {"InchWg", "%0.4f", 4.014630759755623, 0},
    {"InchHg", "%0.4f", 0.295, 0},
    {"mHead", "%0.4f", 0.10197162129779283, 0},
};
const TUnitInfo kAltitude[] = {
    {"m", "%0.1f", 1, 0},
    {"ft", "%0.1f", 3.2808398950131235, 0},
};
const TUnitInfo kAngularSpeed[] = {
    {"rpm", "%0.0f", 1, 0},
    {"Rad/s", "%0.3f", 0.10471975511965978, 0},
    {"Rev/s", "%0.0f", 0.016666666666666666, 0},
};
const TUnitInfo kArea[] = {
    {"m²", "%0.1f", 1, 0},
    {"cm²", "%0.1f", 10000, 0},
    {"mm²", "%0.0f", 1000000, 0},
    {"inch²", "%0.2f", 1550.0031000062, 0},
    {"ft²", "%0.1f", 10.763910416709722, 0},
};
const TUnitInfo kCondensateRate[] = {
    {"g/s", "%0.1f", 1, 0},
    {"kg/s", "%0.4f", 0.001, 0},
    {"kg/min", "%0.3f", 0.06, 0},
    {"lb/hr", "%0.3f", 7.9366414386555935, 0},
};
const TUnitInfo kConductance[] = {
    {"kW/°C", "%0.3f", 1, 0},
    {"W/°C", "%0.0f", 1000, 0},
    {"MBH/°F", "%0.3f", 1.8956339758268757, 0},
    {"Btu/h°F", "%0.0f", 1895.6339758268755, 0},
};
const TUnitInfo kConductivity[] = {
    {"kW/m·K", "%0.6g", 1, 0},
    {"W/m·K", "%0.6g", 1000, 0},
    {"mW/m·K", "%0.6g", 1000000, 0},
    {"Btu/hr·ft°F", "%0.6g", 577.7, 0},
};
const TUnitInfo kDensity[] = {
    {"kg/m³", "%0.5g", 1, 0},
    {"mg/L", "%0.1g", 1000, 0},
    {"lb/ft³", "%0.4g", 0.06242796057614461, 0},
};
const TUnitInfo kDiameter[] = {
    {"m", "%0.3f", 1, 0},
    {"mm", "%0.0f", 1000, 0},
    {"inch", "%0.2f", 39.37007874015748, 0},
    {"1/8\"", "%0.0f", 314.9606299, 0},
    {"ft", "%0.3f", 3.2808398950131235, 0},
};
const TUnitInfo kDuty[] = {
    {"kW", "%0.3f", 1, 0},
    {"W", "%0.0f", 1000, 0},
    {"Btu/hr", "%0.0f", 3412.141156488376, 0},
    {"MBh", "%0.3f", 3.412141156488376, 0},
    {"kcal/hr", "%0.1f", 859.184, 0},
};
const TUnitInfo kDutyRate[] = {
    {"W/m²", "%0.1f", 1, 0},
    {"kW/m²", "%0.3f", 0.001, 0},
    {"Btu/hr·ft²", "%0.1f", 0.31699828634688587, 0},
    {"MBh/ft²", "%0.3f", 0.00031699828634688585, 0},
    {"kcal/hr·ft²", "%0.1f", 0.07982080551936, 0},
};
const TUnitInfo kEnergy[] = {
    {"kJ", "%0.3f", 1, 0},
    {"J", "%0.0f", 1000, 0},
    {"kW-hr", "%0.5g", 0.0002777777777777778, 0},
    {"W-hr", "%0.5g", 0.2777777777777778, 0},
    {"Btu", "%0.5g", 0.9478169879134378, 0},
};
const TUnitInfo kEnthalpy[] = {
    {"kJ/kg", "%0.1f", 1, 0},
    {"Btu/lb", "%0.1f", 0.4299226139294927, 0},
};
const TUnitInfo kFinDensity[] = {
    {"fpi", "%0.4f", 1, 0},
    {"fin/mm", "%0.5f", 0.03937007874015748, 0},
    {"fins/m", "%0.3f", 39.37007874015748, 0},
    {"fins/ft", "%0.3f", 12, 0},
};
const TUnitInfo kHeatOfRespir[] = {
    {"kJ/kg/day", "%0.2f", 1, 0},
    {"mW/kg", "%0.4f", 11.574074074074074, 0},
    {"Btu/lb/day", "%0.2f", 0.4299226139294927, 0},
};
const TUnitInfo kHeatTransCoeff[] = {
    {"W/m²°C", "%0.5g", 1, 0},
    {"Btu/hr·ft²°F", "%0.5g", 0.17611835153222966, 0},
};
const TUnitInfo kHumidity[] = {
    {"kg/kg", "%0.4f", 1, 0},
    {"g/kg", "%0.2f", 1000, 0},
    {"gr/lb", "%0.1f", 7000, 0},
};
const TUnitInfo kLengthBig[] = {
    {"m", "%0.2f", 1, 0},
    {"ft", "%0.1f", 3.2808398950131235, 0},
};
const TUnitInfo kLength[] = {
    {"m", "%0.3f", 1, 0},
    {"cm", "%0.2f", 100, 0},
    {"mm", "%0.1f", 1000, 0},
    {"inch", "%0.2f", 39.37007874015748, 0},
    {"ft", "%0.3f", 3.2808398950131235, 0},
};
const TUnitInfo kLengthSmall[] = {
    {"mm", "%0.4f", 1, 0},
    {"um", "%0.1f", 1000, 0},
    {"Thou\"", "%0.3f", 39.37007874015748, 0},
};
const TUnitInfo kMass[] = {
    {"kg", "%0.0f", 1, 0},
    {"ton SI", "%0.3f", 0.001, 0},
    {"lb", "%0.1f", 2.2046226218487757, 0},
};
const TUnitInfo kMassSmall[] = {
    {"g", "%0.1f", 1, 0},
    {"oz", "%0.3f", 0.035273961949580414, 0},
};
const TUnitInfo kMassFlow[] = {
    {"kg/s", "%0.4f", 1, 0},
    {"g/s", "%0.1f", 1000, 0},
    {"kg/hr", "%0.2f", 3600, 0},
    {"lb/s", "%0.5f", 2.2046226218487757, 0},
    {"lb/min", "%0.3f", 132.27735731092656, 0},
    {"lb/hr", "%0.1f", 7936.6414386555925, 0},
};
const TUnitInfo kMassFlux[] = {
    {"kg/m²s", "%0.3f", 1, 0},
    {"g/m²s", "%0.0f", 1000, 0},
    {"kg/m²hr", "%0.1f", 3600, 0},
    {"lb/ft²s", "%0.4f", 0.20481614362252168, 0},
    {"lb/ft²min", "%0.2f", 12.288968617351301, 0},
    {"lb/ft²hr", "%0.0f", 737.3381170410781, 0},
};
const TUnitInfo kMetRate[] = {
    {"W/P", "%0.1f", 1, 0},
    {"Btu/hr/P", "%0.0f", 3.412141156488376, 0},
};
const TUnitInfo kPeopleDensity[] = {
    {"m²/P", "%0.1f", 1, 0},
    {"ft²/P", "%0.2f", 10.763910416709722, 0},
};
const TUnitInfo kPower[] = {
    {"kW", "%0.3f", 1, 0},
    {"W", "%0.0f", 1000, 0},
    {"HP", "%0.2f", 1.341021858656296, 0},
};
const TUnitInfo kPressureBar[] = {
    {"kPa", "%0.3f", 1, 0},
    {"Psi", "%0.4f", 0.1450376807894691, 0},
    {"Bar", "%0.5f", 0.01, 0},
    {"Atm", "%0.5f", 0.00986923, 0},
    {"InchHg", "%0.4f", 0.295, 0},
    {"mHead", "%0.4f", 0.10197162129779283, 0},
};
const TUnitInfo kPressureRate[] = {
    {"Pa/m", "%0.2f", 1, 0},
    {"kPa/m", "%0.5f", 0.001, 0},
    {"iwg/100'", "%0.4f", 0.12236594555735139, 0},
    {"Psi/ft", "%0.6f", 4.4207485104630184e-05, 0},
};
const TUnitInfo kProportion[] = {
    {"fraction", "%0.3f", 1, 0},
    {"%", "%0.1f", 100, 0},
    {"ratio", "%0.3f", 1, 0},
};
const TUnitInfo kRate[] = {
    {"/sec", "%0.4f", 1, 0},
    {"/min", "%0.2f", 60, 0},
    {"/hr", "%0.0f", 3600, 0},
};
const TUnitInfo kSpecificHeat[] = {
    {"kJ/kg·K", "%0.4g", 1, 0},
    {"Btu/lb°F", "%0.4g", 0.23883448770002388, 0},
};
const TUnitInfo kSpecificVol[] = {
    {"m³/kg", "%0.3f", 1, 0},
    {"ft³/lb", "%0.3f", 16.018463373960138, 0},
};
const TUnitInfo kTemperature[] = {
    {"°C", "%0.1f", 1, 0},
    {"°F", "%0.1f", 1.8, 32},
    {"K", "%0.2f", 1, 273.15},
};
const TUnitInfo kTemperatureChange[] = {
    {"°C", "%0.1f", 1, 0},
    {"°F", "%0.1f", 1.8, 0},
    {"K", "%0.2f", 1, 0},
};
const TUnitInfo kThermalCapacity[] = {
    {"W-hr/m²°C", "%0.1f", 1, 0},
    {"Btu/ft²°F", "%0.1f", 0.17611018368230585, 0},
};
const TUnitInfo kThermalResist[] = {
    {"m²°C/W", "%0.4f", 1, 0},
    {"ft²·hr·°F/Btu", "%0.3f", 5.678264134306047, 0},
};
const TUnitInfo kTime[] = {
    {"sec", "%0.0f", 1, 0},
    {"min", "%0.2f", 0.016666666666666666, 0},
    {"hr", "%0.4f", 0.0002777777777777778, 0},
};
const TUnitInfo kVelocity[] = {
    {"m/s", "%0.2f", 1, 0},
    {"fpm", "%0.1f", 196.8503937007874, 0},
};
const TUnitInfo kViscosity[] = {
    {"kg/m·s", "%0.6g", 1, 0},
    {"N·s/m²", "%0.6g", 1, 0},
    {"µPa·s", "%0.6g", 1000000, 0},
    {"cP", "%0.6g", 1000, 0},
    {"lbm/ft·s", "%0.6g", 0.6719689751395068, 0},
    {"lbf·s/ft²", "%0.6g", 0.020885, 0},
    {"lbf·hr/ft²", "%0.6g", 5.8014e-06, 0},
};
const TUnitInfo kVolume[] = {
    {"m³", "%0.4f", 1, 0},
    {"litre", "%0.2f", 1000, 0},
    {"cc", "%0.0f", 1000000, 0},
    {"ft³", "%0.4f", 35.32, 0},
    {"inch³", "%0.1f", 61023, 0},
};
const TUnitInfo kVolumeFluid[] = {
    {"kl", "%0.3f", 1, 0},
    {"litre", "%0.5g", 1000, 0},
    {"IP Gal", "%0.5g", 220, 0},
    {"US Gal", "%0.5g", 264.1720523581484, 0},
};
const TUnitInfo kWaterFlow[] = {
    {"l/s", "%0.3f", 1, 0},
    {"l/min", "%0.2f", 60, 0},
    {"dm³/hr", "%0.2f", 3600, 0},
    {"m³/hr", "%0.2f", 3.6, 0},
    {"m³/s", "%0.4f", 0.001, 0},
    {"usgpm", "%0.1f", 15.850323141488905, 0},
};

// Indexed by TUnitsType; kinds that share a list point at the same array.
const UnitList kKinds[kUnitsTypeCount] = {
    {nullptr, 0},  // utNone
    {kAirFlow, std::size(kAirFlow)},  // utAirFlowPrim
    {kAirFlow, std::size(kAirFlow)},  // utAirFlowSec
    {kAirFlowSmall, std::size(kAirFlowSmall)},  // utAirFlowSmall
    {kAirFlowRate, std::size(kAirFlowRate)},  // utAirFlowRate
    {kPressure, std::size(kPressure)},  // utAirPressDrop
    {kAltitude, std::size(kAltitude)},  // utAltitude
    {kAngularSpeed, std::size(kAngularSpeed)},  // utAngularSpeed
    {kArea, std::size(kArea)},  // utArea
    {kCondensateRate, std::size(kCondensateRate)},  // utCondensateRate
    {kConductance, std::size(kConductance)},  // utConductance
    {kConductivity, std::size(kConductivity)},  // utConductivity
    {kDensity, std::size(kDensity)},  // utDensity
    {kDiameter, std::size(kDiameter)},  // utDiameter
    {kDuty, std::size(kDuty)},  // utDutyPrim
    {kDuty, std::size(kDuty)},  // utDutySec
    {kDutyRate, std::size(kDutyRate)},  // utDutyRate
    {kEnergy, std::size(kEnergy)},  // utEnergy
    {kEnthalpy, std::size(kEnthalpy)},  // utEnthalpy
    {kFinDensity, std::size(kFinDensity)},  // utFinDensity
    {kHeatOfRespir, std::size(kHeatOfRespir)},  // utHeatOfRespir
    {kHeatTransCoeff, std::size(kHeatTransCoeff)},  // utHeatTransCoeff
    {kHumidity, std::size(kHumidity)},  // utHumidity
    {kLengthBig, std::size(kLengthBig)},  // utLengthBig
    {kLength, std::size(kLength)},  // utLengthMeasure
    {kLength, std::size(kLength)},  // utLengthPrim
    {kLength, std::size(kLength)},  // utLengthSec
    {kLengthSmall, std::size(kLengthSmall)},  // utLengthSmall
    {kMass, std::size(kMass)},  // utMass
    {kMassSmall, std::size(kMassSmall)},  // utMassSmall
    {kMassFlow, std::size(kMassFlow)},  // utMassFlow
    {kMassFlow, std::size(kMassFlow)},  // utMassFlowGas
    {kMassFlux, std::size(kMassFlux)},  // utMassFlux
    {kMetRate, std::size(kMetRate)},  // utMetRate
    {kPeopleDensity, std::size(kPeopleDensity)},  // utPeopleDensity
    {kPower, std::size(kPower)},  // utPower
    {kPressure, std::size(kPressure)},  // utPressure
    {kPressureBar, std::size(kPressureBar)},  // utPressureBar
    {kPressure, std::size(kPressure)},  // utPressureSteam
    {kPressureRate, std::size(kPressureRate)},  // utPressureRateGas
    {kPressureRate, std::size(kPressureRate)},  // utPressureRateLiquid
    {kProportion, std::size(kProportion)},  // utProportion
    {kRate, std::size(kRate)},  // utRate
    {kSpecificHeat, std::size(kSpecificHeat)},  // utSpecificHeat
    {kSpecificVol, std::size(kSpecificVol)},  // utSpecificVol
    {kTemperature, std::size(kTemperature)},  // utTemperature
    {kTemperatureChange, std::size(kTemperatureChange)},  // utTemperatureChange
    {kThermalCapacity, std::size(kThermalCapacity)},  // utThermalCapacity
    {kThermalResist, std::size(kThermalResist)},  // utThermalResist
    {kTime, std::size(kTime)},  // utTime
    {kVelocity, std::size(kVelocity)},  // utVelocity
    {kViscosity, std::size(kViscosity)},  // utViscosity
    {kVolume, std::size(kVolume)},  // utVolume
    {kVolumeFluid, std::size(kVolumeFluid)},  // utVolumeFluid
    {kWaterFlow, std::size(kWaterFlow)},  // utWaterFlow
    {kPressure, std::size(kPressure)},  // utWaterPressDrop
};

bool KnownKind(TUnitsType kind) { return kind >= 0 && kind < kUnitsTypeCount; }

}  // namespace

int UnitsCount(TUnitsType kind) {
  return KnownKind(kind) ? static_cast<int>(kKinds[kind].count) : 0;
}

const TUnitInfo* UnitInfo(TUnitsType kind, int index) {
  if (index < 0 || index >= UnitsCount(kind)) return nullptr;
  return &kKinds[kind].units[index];
}

double ToDisplayUnits(double offset, double factor, double value) { return value * factor + offset; }

double FromDisplayUnits(double offset, double factor, double value) { return (value - offset) / factor; }

std::string GetUnitsLabel(TUnitsType kind, int index) {
  const TUnitInfo* unit = UnitInfo(kind, index);
  return unit ? unit->label : "";
}

std::string GetUnitsFormat(TUnitsType kind, int index) {
  const TUnitInfo* unit = UnitInfo(kind, index);
  return unit ? unit->format : "%0.1f";
}

void GetUnitsConversion(TUnitsType kind, int displayIndex, int storedIndex, std::string& format,
                        std::string& label, double& factor, double& offset) {
  if (!KnownKind(kind)) {
    offset = 0;
    return;
  }
  if (kind == utNone) {
    format = "%0.1f";
    label.clear();
    return;
  }
  const TUnitInfo& shown = *UnitInfo(kind, ClampUnitsIndex(kind, displayIndex));
  const TUnitInfo& stored = *UnitInfo(kind, ClampUnitsIndex(kind, storedIndex));
  format = shown.format;
  label = shown.label;
  factor = shown.factor / stored.factor;
  // The stored unit's own offset is taken out as well, so that a temperature
  // stored in °F or K still converts correctly (for °C stored it is 0).
  offset = shown.offset - stored.offset * factor;
}

int ClampUnitsIndex(TUnitsType kind, int index) {
  if (!KnownKind(kind) || kind == utNone) return index;
  return std::clamp(index, 0, UnitsCount(kind) - 1);
}

}  // namespace core
