#include "workbench/compselection.h"

#include "core/comp.h"
#include "core/compdata.h"
#include "core/refriglib.h"
#include "platform/sysutils.h"

namespace workbench {

using platform::Format;

std::optional<double> NumberOf(const core::TFmtValue& value) {
  if (const double* d = std::get_if<double>(&value)) return *d;
  if (const int64_t* i = std::get_if<int64_t>(&value)) return static_cast<double>(*i);
  return std::nullopt;
}

TDutyResult EvaluateDuty(core::TComp& comp, double te, double tc) {
  TDutyResult result;
  try {
    result.qe = comp.CoolingCapacity(te, tc);
    result.qc = comp.HeatRejection(te, tc);
    result.status = comp.RangeWarningText();
    result.valid = true;
  } catch (const core::EMathError& e) {
    result = TDutyResult();
    result.status = e.what();
  }
  return result;
}

std::vector<std::string> ModelDataLines(const core::TComp& comp, const std::string& refrigerant) {
  const core::TCompData& d = comp.Data();
  std::vector<std::string> lines;
  lines.push_back("[" + d.Name + "]");
  lines.push_back("Description = " + d.Description);
  lines.push_back("Refrigerant = " + refrigerant);
  lines.push_back(Format("Heat Rejection Factor = %0.3f", {d.hrf}));
  // The same rule the capacity correction applies: a suction-gas temperature
  // below zero is still a given rating condition.
  if (d.sgRef > core::kSgRefGivenAbove)
    lines.push_back(Format("Ref Suction Gas = %0.1f °C", {d.sgRef}));
  else
    lines.push_back(Format("Ref Superheat = %0.1f °C", {d.shRef}));
  lines.push_back(Format("Ref Sub-cooling = %0.1f °C", {d.scRef}));
  lines.push_back(Format("Superheat = %0.3f °C", {comp.Superheat}));
  lines.push_back(Format("Sub-cooling = %0.3f °C", {comp.Subcool}));
  lines.push_back(Format("qcf = %0.4f", {comp.qcf}));
  lines.push_back(Format("pcf = %0.4f", {comp.pcf}));
  return lines;
}

std::string StatusOrPrompt(const std::string& text) {
  return text.empty() ? std::string("Select compressor...") : text;
}

std::string CurrentDesignation(const core::TRefrigLib& lib) {
  return lib.CurrentName().empty() ? lib.GetName() : lib.CurrentName();
}

std::vector<std::string> RefrigPropertyLines(core::TRefrigLib& lib, double temperature,
                                             double pressureKPa) {
  std::vector<std::string> lines;
  lines.push_back(lib.RefrigDescription());
  lines.push_back("");
  try {
    lines.push_back(Format("Critical Temperature = %0.1f °C", {lib.CriticalTemperature()}));
    lines.push_back(Format("Critical Pressure = %0.0f kPa", {lib.CriticalPressure() * 0.001}));
    lines.push_back(Format("Boiling Point (at 1atm) = %0.1f °C", {lib.NormalBoilingPoint()}));
    lines.push_back(Format("Temperature Glide = %0.1f °C", {lib.Glide(pressureKPa * 1000.0)}));
    lines.push_back(Format("Vapor Specific Volume = %0.4f m³/kg", {lib.VapourVolume(temperature)}));
    const double liquidVolume = lib.LiquidVolume(temperature);
    if (liquidVolume == 0.0) throw core::EMathError("Floating point division by zero");
    lines.push_back(Format("Liquid Density = %0.1f kg/m³", {1.0 / liquidVolume}));
    lines.push_back(Format("Latent Heat = %0.1f kJ/kgK", {lib.LatentHeat(temperature) * 0.001}));
  } catch (const platform::Exception&) {
    // EMathError from a property, or a record whose numbers cannot be shown.
    lines.push_back("");
    lines.push_back("Error reading this refrigerant...");
  }
  return lines;
}

std::optional<double> DewPressureKPa(const core::TRefrigLib& lib, double temperature) {
  try {
    return lib.DewPressure(temperature) * 0.001;
  } catch (const core::EMathError&) {
    return std::nullopt;
  }
}

std::optional<double> DewTemperatureAtKPa(const core::TRefrigLib& lib, double pressureKPa) {
  try {
    return lib.DewTemperature(pressureKPa * 1000.0);
  } catch (const core::EMathError&) {
    return std::nullopt;
  }
}

}  // namespace workbench
