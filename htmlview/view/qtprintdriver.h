#pragma once
// The printer object's driver over Qt's print support: the selected printer
// is a named printer or a PDF file, and its set-up record (device mode) is a
// small text of "name=value" lines: "printer", "file", "mono", "dpi".
#include <memory>
#include <string>

#include "htmlview/view/printer.h"
#include "platform/printing.h"

namespace htmlview {

class TQtPrinterDriver : public TPrinterDriver {
 public:
  // The job's target; an empty printer name and file: the first installed
  // printer, none when there is no printer.
  explicit TQtPrinterDriver(platform::PrintTarget target) : target_(std::move(target)) {}

  std::optional<TPrinterInfo> SelectedPrinter() override;
  std::unique_ptr<TPrinterContext> CreateContext(bool deviceContext, const TPrinterInfo& info,
                                                 const std::vector<uint8_t>& deviceMode) override;

  static std::vector<uint8_t> EncodeDeviceMode(const platform::PrintTarget& target);
  static platform::PrintTarget DecodeDeviceMode(const std::vector<uint8_t>& deviceMode);

 private:
  platform::PrintTarget target_;
};

// Prints into a PDF file through the process-wide printer object (which
// drops a context it holds on another target, unless a job is running).
void UsePdfPrinter(const std::string& fileName, bool monochrome = false, int dpi = 300);

}  // namespace htmlview
