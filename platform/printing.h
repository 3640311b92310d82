#pragma once
// Print jobs through Qt's print support: pages drawn on a printer, or into
// a PDF file, through the same Canvas the screen uses. The list of printers
// is injectable so that tests never depend on the machine's printers.
#include <memory>
#include <optional>
#include <string>
#include <vector>

#include "platform/canvas.h"
#include "platform/geometry.h"

class QPrinter;
class QPainter;

namespace platform {

// Where a job goes: a named printer, or a PDF file when OutputFile is set.
struct PrintTarget {
  std::string Printer;
  std::string OutputFile;
  bool Monochrome = false;
  int Resolution = 300;   // dots per inch
};

// The installed printers (the injected list when one is set).
std::vector<std::string> PrinterNames();
void SetPrinterNames(std::optional<std::vector<std::string>> names);

class PrintJob {
 public:
  explicit PrintJob(const PrintTarget& target);
  ~PrintJob();
  PrintJob(const PrintJob&) = delete;
  PrintJob& operator=(const PrintJob&) = delete;

  // Starts the document; false when the printer or file cannot be opened.
  bool Begin(const std::string& title);
  bool Running() const { return painter_ != nullptr; }
  // The canvas of the page being drawn, in device pixels (valid while
  // running); a measuring canvas otherwise.
  Canvas& GetCanvas();
  void NewPage();
  // Ends the document: the pages are printed (or the file written).
  void End();
  // Ends the document and drops what it produced.
  void Abort();

  // The whole page in device pixels, and the device's dots per inch.
  Size PageSize() const;
  int Resolution() const;
  bool Monochrome() const { return target_.Monochrome; }

 private:
  PrintTarget target_;
  std::unique_ptr<QPrinter> printer_;
  std::unique_ptr<QPainter> painter_;
  std::unique_ptr<Canvas> canvas_;
  QImage measure_;
  std::unique_ptr<Canvas> measureCanvas_;
};

}  // namespace platform
