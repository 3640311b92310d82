#include "htmlview/view/printer.h"

namespace htmlview {

namespace {

std::shared_ptr<TPrinterDriver>& Driver() {
  static std::shared_ptr<TPrinterDriver> driver;
  return driver;
}

std::unique_ptr<TvwPrinter>& GlobalPrinter() {
  static std::unique_ptr<TvwPrinter> printer;
  return printer;
}

}  // namespace

void SetPrinterDriver(std::shared_ptr<TPrinterDriver> driver) { Driver() = std::move(driver); }
std::shared_ptr<TPrinterDriver> PrinterDriver() { return Driver(); }

// ---------------------------------------------------------------- canvas

platform::Canvas& TPrinterCanvas::Get() {
  printer_.CheckPrinting(true);
  return Measure();
}

platform::Canvas& TPrinterCanvas::Measure() {
  if (!context_) printer_.SetState(1);
  return context_->Canvas();
}

// --------------------------------------------------------------- printer

TvwPrinter::TvwPrinter() = default;

TvwPrinter::~TvwPrinter() {
  if (printing_) {
    try {
      EndDoc();
    } catch (...) {
      // A destructor must not throw; the job is dropped with its context.
    }
  }
  DropContext();
  FreeDeviceMode();
}

TPrinterCanvas& TvwPrinter::Canvas() {
  if (!canvas_) {
    canvas_ = std::make_unique<TPrinterCanvas>(*this);
    canvas_->SetHandle(context_.get());
  }
  return *canvas_;
}

void TvwPrinter::CheckPrinting(bool expected) const {
  if (printing_ == expected) return;
  throw EPrinter(expected ? "Printer is not currently printing" : "Printing in progress");
}

void TvwPrinter::DropContext() {
  if (canvas_) canvas_->SetHandle(nullptr);
  context_.reset();
}

void TvwPrinter::FreeDeviceMode() {
  if (!devMode_) return;
  devMode_.reset();
  ++devModeFrees_;
}

void TvwPrinter::CreateContext(bool deviceContext) {
  std::shared_ptr<TPrinterDriver> driver = Driver();
  std::optional<TPrinterInfo> info;
  if (driver) info = driver->SelectedPrinter();
  if (!info) throw EPrinter("Printer selected is not valid");
  FreeDeviceMode();
  devMode_ = info->DeviceMode;
  context_ = driver->CreateContext(deviceContext, *info, *devMode_);
  if (!context_) throw EPrinter("Printer selected is not valid");
  if (canvas_) canvas_->SetHandle(context_.get());
}

void TvwPrinter::SetState(int state) {
  if (state == state_) return;
  switch (state) {
    case 0:
      CheckPrinting(false);
      DropContext();
      state_ = 0;
      return;
    case 1:
      // A device context serves for measuring too.
      if (state_ == 2) return;
      break;
    case 2:
      break;
    default:
      return;
  }
  DropContext();
  state_ = 0;
  CreateContext(state == 2);
  state_ = state;
}

void TvwPrinter::BeginDoc(const std::string& title) {
  CheckPrinting(false);
  SetState(2);
  if (!context_->StartDoc(title)) throw EPrinter("Printer selected is not valid");
  printing_ = true;
  aborted_ = false;
  pageNumber_ = 1;
  context_->StartPage();
}

void TvwPrinter::NewPage() {
  CheckPrinting(true);
  context_->EndPage();
  context_->StartPage();
  ++pageNumber_;
}

void TvwPrinter::Abort() {
  CheckPrinting(true);
  context_->AbortDoc();
  aborted_ = true;
  EndDoc();
}

void TvwPrinter::EndDoc() {
  CheckPrinting(true);
  // The job is over even when ending it fails (the output cannot be
  // written): the failure passes to the caller, the printer is ready for
  // the next job.
  auto over = [this] {
    printing_ = false;
    aborted_ = false;
    pageNumber_ = 0;
    FreeDeviceMode();
  };
  // An aborted job has already been ended by the abort.
  try {
    if (!aborted_) {
      context_->EndPage();
      context_->EndDoc();
    }
  } catch (...) {
    over();
    throw;
  }
  over();
}

bool TvwPrinter::Monochrome() {
  if (!context_) SetState(1);
  return context_->Monochrome();
}

platform::Size TvwPrinter::PageSize() {
  if (!context_) SetState(1);
  return context_->PageSize();
}

int TvwPrinter::PixelsPerInch() {
  if (!context_) SetState(1);
  return context_->PixelsPerInch();
}

// ---------------------------------------------------------- process-wide

TvwPrinter& Printer() {
  std::unique_ptr<TvwPrinter>& p = GlobalPrinter();
  if (!p) p = std::make_unique<TvwPrinter>();
  return *p;
}

std::unique_ptr<TvwPrinter> SetPrinter(std::unique_ptr<TvwPrinter> printer) {
  std::unique_ptr<TvwPrinter> previous = std::move(GlobalPrinter());
  GlobalPrinter() = std::move(printer);
  return previous;
}

void RestorePrinter(std::unique_ptr<TvwPrinter> previous) {
  std::unique_ptr<TvwPrinter> own = SetPrinter(std::move(previous));
  if (own && own->Printing()) own->Abort();
}

void DonePrinterModule() { GlobalPrinter().reset(); }

}  // namespace htmlview
