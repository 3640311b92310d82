#include "platform/printing.h"

#include <QFile>
#include <QPageLayout>
#include <QPageSize>
#include <QPainter>
#include <QPrinter>
#include <QPrinterInfo>

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
  printer_ = std::make_unique<QPrinter>(QPrinter::HighResolution);
  if (!target.OutputFile.empty()) {
    printer_->setOutputFormat(QPrinter::PdfFormat);
    printer_->setOutputFileName(QString::fromStdString(target.OutputFile));
  } else {
    printer_->setPrinterName(QString::fromStdString(target.Printer));
  }
  printer_->setResolution(target.Resolution > 0 ? target.Resolution : 300);
  printer_->setColorMode(target.Monochrome ? QPrinter::GrayScale : QPrinter::Color);
  printer_->setPageSize(QPageSize(QPageSize::A4));
  // The caller keeps its own margins; the page is the whole sheet.
  printer_->setFullPage(true);
  printer_->setPageMargins(QMarginsF(0, 0, 0, 0), QPageLayout::Millimeter);
}

PrintJob::~PrintJob() {
  if (painter_) End();
}

bool PrintJob::Begin(const std::string& title) {
  if (painter_) return false;
  printer_->setDocName(QString::fromStdString(title));
  auto painter = std::make_unique<QPainter>();
  if (!painter->begin(printer_.get())) return false;
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
  if (painter_) printer_->newPage();
}

void PrintJob::End() {
  if (!painter_) return;
  canvas_.reset();
  painter_->end();
  painter_.reset();
}

void PrintJob::Abort() {
  if (!painter_) return;
  printer_->abort();
  canvas_.reset();
  painter_->end();
  painter_.reset();
  if (!target_.OutputFile.empty()) QFile::remove(QString::fromStdString(target_.OutputFile));
}

Size PrintJob::PageSize() const {
  const QRect r = printer_->pageLayout().fullRectPixels(printer_->resolution());
  return {r.width(), r.height()};
}

int PrintJob::Resolution() const { return printer_->resolution(); }

}  // namespace platform
