#include "platform/printing.h"

#include <QBuffer>
#include <QPageLayout>
#include <QPageSize>
#include <QPainter>
#include <QPdfWriter>
#include <QPrinter>
#include <QPrinterInfo>

#include "platform/textfile.h"

namespace platform {

namespace {

std::optional<std::vector<std::string>>& InjectedNames() {
  static std::optional<std::vector<std::string>> names;
  return names;
}

}  // namespace

std::vector<std::string> PrinterNames() {
  if (InjectedNames()) return *InjectedNames();
  std::vector<std::string> names;
  for (const QString& n : QPrinterInfo::availablePrinterNames()) names.push_back(n.toStdString());
  return names;
}

void SetPrinterNames(std::optional<std::vector<std::string>> names) { InjectedNames() = std::move(names); }

PrintJob::PrintJob(const PrintTarget& target) : target_(target) {
  const int resolution = target.Resolution > 0 ? target.Resolution : 300;
  target_.Resolution = resolution;
  if (!target.OutputFile.empty()) {
    pdfData_ = std::make_unique<QBuffer>();
    pdf_ = std::make_unique<QPdfWriter>(pdfData_.get());
    pdf_->setResolution(resolution);
    device_ = pdf_.get();
  } else {
    printer_ = std::make_unique<QPrinter>(QPrinter::HighResolution);
    printer_->setPrinterName(QString::fromStdString(target.Printer));
    printer_->setResolution(resolution);
    printer_->setColorMode(target.Monochrome ? QPrinter::GrayScale : QPrinter::Color);
    // The caller keeps its own margins; the page is the whole sheet.
    printer_->setFullPage(true);
    device_ = printer_.get();
  }
  device_->setPageSize(QPageSize(QPageSize::A4));
  device_->setPageMargins(QMarginsF(0, 0, 0, 0), QPageLayout::Millimeter);
}

PrintJob::~PrintJob() {
  // A job still running when it is dropped is abandoned, never written.
  Close();
}

bool PrintJob::Begin(const std::string& title) {
  if (painter_) return false;
  if (pdf_) {
    pdf_->setTitle(QString::fromStdString(title));
    if (!pdfData_->isOpen() && !pdfData_->open(QIODevice::WriteOnly)) return false;
  } else {
    printer_->setDocName(QString::fromStdString(title));
  }
  auto painter = std::make_unique<QPainter>();
  if (!painter->begin(device_)) return false;
  painter_ = std::move(painter);
  canvas_ = std::make_unique<Canvas>(painter_.get(), QRegion());
  return true;
}

Canvas& PrintJob::GetCanvas() {
  if (canvas_) return *canvas_;
  if (!measureCanvas_) {
    measure_ = QImage(1, 1, QImage::Format_ARGB32);
    measure_.fill(Qt::white);
    measureCanvas_ = std::make_unique<Canvas>(&measure_);
  }
  return *measureCanvas_;
}

void PrintJob::NewPage() {
  if (painter_) device_->newPage();
}

void PrintJob::Close() {
  if (!painter_) return;
  canvas_.reset();
  painter_->end();
  painter_.reset();
}

void PrintJob::End() {
  if (!painter_) return;
  Close();
  if (!pdf_) return;
  const QByteArray bytes = pdfData_->data();
  pdfData_->close();
  pdfData_->setData(QByteArray());
  WriteFileBytes(target_.OutputFile, std::string_view(bytes.constData(), static_cast<size_t>(bytes.size())));
}

void PrintJob::Abort() {
  if (!painter_) return;
  if (printer_) printer_->abort();
  Close();
  // Nothing of an aborted PDF has reached the disk.
  if (pdfData_) {
    pdfData_->close();
    pdfData_->setData(QByteArray());
  }
}

Size PrintJob::PageSize() const {
  const QRect r = device_->pageLayout().fullRectPixels(target_.Resolution);
  return {r.width(), r.height()};
}

int PrintJob::Resolution() const { return printer_ ? printer_->resolution() : target_.Resolution; }

}  // namespace platform
