#include "htmlview/view/qtprintdriver.h"

#include <sstream>

namespace htmlview {

namespace {

class TQtPrinterContext : public TPrinterContext {
 public:
  TQtPrinterContext(bool device, const platform::PrintTarget& target)
      : device_(device), job_(std::make_unique<platform::PrintJob>(target)) {}
  ~TQtPrinterContext() override {
    if (job_->Running()) job_->Abort();
  }

  bool IsDeviceContext() const override { return device_; }
  platform::Canvas& Canvas() override { return job_->GetCanvas(); }
  bool Monochrome() const override { return job_->Monochrome(); }
  bool StartDoc(const std::string& title) override { return device_ && job_->Begin(title); }
  void StartPage() override {
    // Qt starts the first page with the document; every further one here.
    if (pages_++ > 0) job_->NewPage();
  }
  void EndPage() override {}
  void EndDoc() override {
    pages_ = 0;
    job_->End();
  }
  void AbortDoc() override {
    job_->Abort();
    pages_ = 0;
  }
  platform::Size PageSize() const override { return job_->PageSize(); }
  int PixelsPerInch() const override { return job_->Resolution(); }

 private:
  bool device_;
  std::unique_ptr<platform::PrintJob> job_;
  int pages_ = 0;
};

}  // namespace

std::vector<uint8_t> TQtPrinterDriver::EncodeDeviceMode(const platform::PrintTarget& target) {
  const std::string text = "printer=" + target.Printer + "\nfile=" + target.OutputFile +
                           "\nmono=" + (target.Monochrome ? "1" : "0") +
                           "\ndpi=" + std::to_string(target.Resolution) + "\n";
  return {text.begin(), text.end()};
}

platform::PrintTarget TQtPrinterDriver::DecodeDeviceMode(const std::vector<uint8_t>& deviceMode) {
  platform::PrintTarget target;
  std::istringstream in(std::string(deviceMode.begin(), deviceMode.end()));
  std::string line;
  while (std::getline(in, line)) {
    const size_t eq = line.find('=');
    if (eq == std::string::npos) continue;
    const std::string name = line.substr(0, eq), value = line.substr(eq + 1);
    if (name == "printer") target.Printer = value;
    else if (name == "file") target.OutputFile = value;
    else if (name == "mono") target.Monochrome = value == "1";
    else if (name == "dpi") {
      try {
        target.Resolution = std::stoi(value);
      } catch (...) {
        target.Resolution = 300;
      }
    }
  }
  return target;
}

std::optional<TPrinterInfo> TQtPrinterDriver::SelectedPrinter() {
  platform::PrintTarget target = target_;
  if (target.OutputFile.empty() && target.Printer.empty()) {
    const std::vector<std::string> names = platform::PrinterNames();
    if (names.empty()) return std::nullopt;
    target.Printer = names.front();
  }
  TPrinterInfo info;
  info.Device = target.OutputFile.empty() ? target.Printer : "PDF";
  info.Driver = "qt";
  info.Port = target.OutputFile.empty() ? target.Printer : target.OutputFile;
  info.DeviceMode = EncodeDeviceMode(target);
  return info;
}

std::unique_ptr<TPrinterContext> TQtPrinterDriver::CreateContext(bool deviceContext, const TPrinterInfo&,
                                                                 const std::vector<uint8_t>& deviceMode) {
  const platform::PrintTarget target = DecodeDeviceMode(deviceMode);
  if (target.OutputFile.empty() && target.Printer.empty()) return nullptr;
  return std::make_unique<TQtPrinterContext>(deviceContext, target);
}

void UsePdfPrinter(const std::string& fileName, bool monochrome, int dpi) {
  platform::PrintTarget target;
  target.OutputFile = fileName;
  target.Monochrome = monochrome;
  target.Resolution = dpi;
  SetPrinterDriver(std::make_shared<TQtPrinterDriver>(target));
  // A context still open on the previous target would keep printing there.
  TvwPrinter& printer = Printer();
  if (!printer.Printing()) printer.SetState(0);
}

}  // namespace htmlview
