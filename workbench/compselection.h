#pragma once
// What the compressor selection dialog and the refrigerant dialog show,
// worked out from the current compressor and the refrigerant library apart
// from any widget: the duty at an evaluating point, the model's data lines and
// the refrigerant's property lines. Property errors of the library
// (core::EMathError) never leave these routines.
#include <optional>
#include <string>
#include <vector>

#include "core/fmtedit.h"

namespace core {
class TComp;
class TRefrigLib;
}  // namespace core

namespace workbench {

// The number a formatted edit holds (stored units), or nothing when its
// text is not a number.
std::optional<double> NumberOf(const core::TFmtValue& value);

// Cooling capacity and heat rejection (kW) at one evaluating point.
struct TDutyResult {
  bool valid = false;    // false: a property failed; qe and qc are not to be shown
  double qe = 0.0;
  double qc = 0.0;
  // The range warning of the evaluation, or the property error's message.
  std::string status;
};

// Qe, then Qc, then the range warning, as the dialog shows them.
TDutyResult EvaluateDuty(core::TComp& comp, double te, double tc);

// The data memo of the current model; refrigerant is the library's current
// designation.
std::vector<std::string> ModelDataLines(const core::TComp& comp, const std::string& refrigerant);

// The status bar's text: text itself, or the prompt when it is empty.
std::string StatusOrPrompt(const std::string& text);

// The designation the library has selected ("" before any selection is
// replaced by the record's own RNumber, so a label never goes blank).
std::string CurrentDesignation(const core::TRefrigLib& lib);

// The refrigerant dialog's memo: the description, an empty line and the
// properties at the temperature (°C) and absolute pressure (kPa) of its edits;
// a property that fails ends the list with an empty line and the error line.
std::vector<std::string> RefrigPropertyLines(core::TRefrigLib& lib, double temperature,
                                             double pressureKPa);

// Dew pressure in kPa at a temperature, and the dew temperature at a pressure
// in kPa; empty when the argument is outside the correlation's domain.
std::optional<double> DewPressureKPa(const core::TRefrigLib& lib, double temperature);
std::optional<double> DewTemperatureAtKPa(const core::TRefrigLib& lib, double pressureKPa);

}  // namespace workbench
