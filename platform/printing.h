#pragma once
// Print jobs through Qt's print support: pages drawn on a printer, or into
// a PDF file, through the same Canvas the screen uses. The list of printers
// is injectable so that tests never depend on the machine's printers.
//
// A PDF is made in memory and written when the job ends, with the project's
// file write (temporary file beside the target, then rename): a write that
// fails (a full disk, a size limit, a folder that refuses it) raises
// EFCreateError naming the file and the cause, and leaves whatever file
// stood there untouched.
#include <memory>
#include <optional>
#include <string>
#include <vector>

#include "platform/canvas.h"
#include "platform/geometry.h"

class QBuffer;
class QPagedPaintDevice;
class QPainter;
class QPdfWriter;
class QPrinter;

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
  // Ends the document: the pages are printed (or the file written; a
  // failed write raises EFCreateError, the job is over all the same).
  void End();
  // Ends the document and drops what it produced.
  void Abort();

  // The whole page in device pixels, and the device's dots per inch.
  Size PageSize() const;
  int Resolution() const;
  bool Monochrome() const { return target_.Monochrome; }

 private:
  void Close();

  PrintTarget target_;
  std::unique_ptr<QPrinter> printer_;     // a named printer
  std::unique_ptr<QBuffer> pdfData_;      // a PDF file: the bytes until the job ends
  std::unique_ptr<QPdfWriter> pdf_;
  QPagedPaintDevice* device_ = nullptr;   // the one of the two in use
  std::unique_ptr<QPainter> painter_;
  std::unique_ptr<Canvas> canvas_;
  QImage measure_;
  std::unique_ptr<Canvas> measureCanvas_;
};

}  // namespace platform
