#pragma once
// The viewer's own printer object. The workbench never prints, so the
// printer behind it is reached through a small driver interface that the
// program (or a test) installs; without one every attempt to make a context
// fails with "Printer selected is not valid".
//
// A context is either an information context (measuring only) or a device
// context (drawing pages). The printer keeps its own copy of the printer's
// set-up record (device mode) while it holds a context.
#include <cstdint>
#include <memory>
#include <optional>
#include <string>
#include <vector>

#include "platform/canvas.h"
#include "platform/sysutils.h"

namespace htmlview {

// "Printer selected is not valid", "Printer is not currently printing",
// "Printing in progress".
class EPrinter : public platform::Exception { using platform::Exception::Exception; };

// One context on the printer.
class TPrinterContext {
 public:
  virtual ~TPrinterContext() = default;
  virtual bool IsDeviceContext() const = 0;
  // What drawing and measuring go through. On an information context it
  // measures; what is drawn there is lost.
  virtual platform::Canvas& Canvas() = 0;
  virtual bool Monochrome() const = 0;
  virtual bool StartDoc(const std::string& title) = 0;
  virtual void StartPage() = 0;
  virtual void EndPage() = 0;
  virtual void EndDoc() = 0;
  // Ends the job and drops what it produced.
  virtual void AbortDoc() = 0;
  // The whole page in device pixels and the device's dots per inch (a
  // context that does not know answers a Letter page at 96).
  virtual platform::Size PageSize() const { return {816, 1056}; }
  virtual int PixelsPerInch() const { return 96; }
};

// The platform's printer: its names and set-up record, and contexts on it.
struct TPrinterInfo {
  std::string Device, Driver, Port;
  std::vector<uint8_t> DeviceMode;   // the printer's set-up record
};

class TPrinterDriver {
 public:
  virtual ~TPrinterDriver() = default;
  // The selected printer; nothing when there is none.
  virtual std::optional<TPrinterInfo> SelectedPrinter() = 0;
  // Null when the context cannot be made.
  virtual std::unique_ptr<TPrinterContext> CreateContext(bool deviceContext, const TPrinterInfo& info,
                                                         const std::vector<uint8_t>& deviceMode) = 0;
};

// The printer driver every printer object uses (none by default).
void SetPrinterDriver(std::shared_ptr<TPrinterDriver> driver);
std::shared_ptr<TPrinterDriver> PrinterDriver();

class TvwPrinter;

// A canvas bound to its printer: it asks for at least an information
// context when it needs one, and drawing needs a running job.
class TPrinterCanvas {
 public:
  explicit TPrinterCanvas(TvwPrinter& printer) : printer_(printer) {}
  // The canvas to draw on; raises "Printer is not currently printing"
  // outside a job.
  platform::Canvas& Get();
  // The canvas for measuring (an information context is enough).
  platform::Canvas& Measure();
  bool HasHandle() const { return context_ != nullptr; }

 private:
  friend class TvwPrinter;
  void SetHandle(TPrinterContext* context) { context_ = context; }
  TvwPrinter& printer_;
  TPrinterContext* context_ = nullptr;
};

class TvwPrinter {
 public:
  TvwPrinter();
  // Ends a running document first and drops its context.
  virtual ~TvwPrinter();
  TvwPrinter(const TvwPrinter&) = delete;
  TvwPrinter& operator=(const TvwPrinter&) = delete;

  // 0 no context, 1 information context, 2 device context.
  void SetState(int state);
  int State() const { return state_; }
  void CheckPrinting(bool expected) const;

  void BeginDoc(const std::string& title = "");
  void NewPage();
  void Abort();
  void EndDoc();

  TPrinterCanvas& Canvas();
  bool Printing() const { return printing_; }
  bool Aborted() const { return aborted_; }
  int PageNumber() const { return pageNumber_; }
  bool Monochrome();
  // Of the context in use (an information context is made when none is).
  platform::Size PageSize();
  int PixelsPerInch();

  // The private copy of the set-up record (null while none is held), and how
  // many copies have been freed (each exactly once).
  const std::vector<uint8_t>* DeviceModeCopy() const { return devMode_ ? &*devMode_ : nullptr; }
  int DeviceModeFrees() const { return devModeFrees_; }

 private:
  void CreateContext(bool deviceContext);
  void DropContext();
  void FreeDeviceMode();

  std::unique_ptr<TPrinterCanvas> canvas_;
  std::unique_ptr<TPrinterContext> context_;
  std::optional<std::vector<uint8_t>> devMode_;
  int devModeFrees_ = 0;
  int state_ = 0;
  int pageNumber_ = 0;
  bool printing_ = false;
  bool aborted_ = false;
};

// The process-wide printer object, made on first request.
TvwPrinter& Printer();
// Puts another printer object in place of the process-wide one and returns
// the previous one (null when none had been made yet); a viewer that drops
// its own printer puts the previous object back this way.
std::unique_ptr<TvwPrinter> SetPrinter(std::unique_ptr<TvwPrinter> printer);
// A viewer that drops the printer object it put in place: a job still running
// on it is aborted and the previous object is put back.
void RestorePrinter(std::unique_ptr<TvwPrinter> previous);

// Module clean-up: destroys the process-wide printer object.
void DonePrinterModule();

}  // namespace htmlview
