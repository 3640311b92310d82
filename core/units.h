#pragma once
// Units of measure: every quantity is stored in one unit and shown in a unit
// the user picks. Each kind lists its units with label, display format,
// factor (relative to the kind's unit 0) and, for temperatures, an offset.
#include <string>

namespace core {

enum TUnitsType : int {
  utNone,
  utAirFlowPrim,
  utAirFlowSec,
  utAirFlowSmall,
  utAirFlowRate,
  utAirPressDrop,
  utAltitude,
  utAngularSpeed,
  utArea,
  utCondensateRate,
  utConductance,
  utConductivity,
  utDensity,
  utDiameter,
  utDutyPrim,
  utDutySec,
  utDutyRate,
  utEnergy,
  utEnthalpy,
  utFinDensity,
  utHeatOfRespir,
  utHeatTransCoeff,
  utHumidity,
  utLengthBig,
  utLengthMeasure,
  utLengthPrim,
  utLengthSec,
  utLengthSmall,
  utMass,
  utMassSmall,
  utMassFlow,
  utMassFlowGas,
  utMassFlux,
  utMetRate,
  utPeopleDensity,
  utPower,
  utPressure,
  utPressureBar,
  utPressureSteam,
  utPressureRateGas,
  utPressureRateLiquid,
  utProportion,
  utRate,
  utSpecificHeat,
  utSpecificVol,
  utTemperature,
  utTemperatureChange,
  utThermalCapacity,
  utThermalResist,
  utTime,
  utVelocity,
  utViscosity,
  utVolume,
  utVolumeFluid,
  utWaterFlow,
  utWaterPressDrop,
};
inline constexpr int kUnitsTypeCount = 56;

// One unit of a kind. Labels are UTF-8 ("°C", "m³/s").
struct TUnitInfo {
  const char* label;
  const char* format;   // "%0.3f" fixed decimals, "%0.5g" significant digits
  double factor;        // value in this unit = value in unit 0 × factor + offset
  double offset;
};

// Number of units of a kind: 0 for utNone and for a kind outside the list.
int UnitsCount(TUnitsType kind);
// The unit, or nullptr when the kind or index is outside the catalogue.
const TUnitInfo* UnitInfo(TUnitsType kind, int index);

double ToDisplayUnits(double offset, double factor, double value);
double FromDisplayUnits(double offset, double factor, double value);

// Empty for utNone (and for an unknown kind or unit).
std::string GetUnitsLabel(TUnitsType kind, int index);
// "%0.1f" for utNone (and for an unknown kind or unit).
std::string GetUnitsFormat(TUnitsType kind, int index);

// The conversion from the stored unit to the display unit: the display unit's
// format and label, factor = factor(display) / factor(stored) and the offset
// that goes with it. utNone sets format "%0.1f" and an empty label and leaves
// factor and offset alone; an unknown kind sets only the offset (to 0).
// Indices outside the kind's units are clamped first.
void GetUnitsConversion(TUnitsType kind, int displayIndex, int storedIndex, std::string& format,
                        std::string& label, double& factor, double& offset);

// The index limited to the kind's units (negative gives 0); unchanged for
// utNone and for an unknown kind.
int ClampUnitsIndex(TUnitsType kind, int index);

}  // namespace core
