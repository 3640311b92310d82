#include "platform/clipboard.h"

#include <QByteArray>
#include <QClipboard>
#include <QGuiApplication>
#include <QMimeData>

#include "platform/qtext.h"
#include "platform/sysutils.h"

namespace platform {

namespace {

ClipboardBackend*& CurrentBackend() {
  static ClipboardBackend* backend = nullptr;
  return backend;
}

QtClipboardBackend& QtBackend() {
  static QtClipboardBackend backend;
  return backend;
}

}  // namespace

std::string RegisterClipboardFormat(const std::string& name) {
  std::string mime = "application/x-";
  for (char c : name) {
    if (IsAsciiLetterOrDigit(c))
      mime += LowerAscii(c);
    else if (mime.back() != '-')
      mime += '-';
  }
  return mime;
}

// ---------------------------------------------------------------------- Qt

bool QtClipboardBackend::SetData(const ClipboardData& data) {
  QClipboard* clipboard = QGuiApplication::clipboard();
  if (clipboard == nullptr) return false;
  auto* mime = new QMimeData;
  for (const auto& [format, bytes] : data) {
    if (format == kClipboardText)
      mime->setText(QString::fromUtf8(bytes.data(), static_cast<qsizetype>(bytes.size())));
    else
      mime->setData(Q(format), QByteArray(bytes.data(), static_cast<qsizetype>(bytes.size())));
  }
  clipboard->setMimeData(mime);  // the clipboard owns it now
  return true;
}

bool QtClipboardBackend::HasFormat(const std::string& mime) const {
  const QClipboard* clipboard = QGuiApplication::clipboard();
  const QMimeData* data = clipboard ? clipboard->mimeData() : nullptr;
  if (data == nullptr) return false;
  if (mime == kClipboardText) return data->hasText();
  return data->hasFormat(Q(mime));
}

std::optional<std::string> QtClipboardBackend::GetData(const std::string& mime) const {
  const QClipboard* clipboard = QGuiApplication::clipboard();
  const QMimeData* data = clipboard ? clipboard->mimeData() : nullptr;
  if (data == nullptr) return std::nullopt;
  if (mime == kClipboardText) {
    if (!data->hasText()) return std::nullopt;
    return data->text().toStdString();
  }
  if (!data->hasFormat(Q(mime))) return std::nullopt;
  const QByteArray bytes = data->data(Q(mime));
  return std::string(bytes.constData(), static_cast<size_t>(bytes.size()));
}

// -------------------------------------------------------------------- test

bool TestClipboardBackend::SetData(const ClipboardData& data) {
  ++setCount;
  if (failSet && (failSetFormat.empty() || data.count(failSetFormat) != 0)) return false;
  data_ = data;
  return true;
}

bool TestClipboardBackend::HasFormat(const std::string& mime) const { return data_.count(mime) != 0; }

std::optional<std::string> TestClipboardBackend::GetData(const std::string& mime) const {
  if (failGet) return std::nullopt;
  const auto it = data_.find(mime);
  if (it == data_.end()) return std::nullopt;
  return it->second;
}

// ----------------------------------------------------------------- choice

ClipboardBackend& Clipboard() {
  ClipboardBackend* b = CurrentBackend();
  return b ? *b : QtBackend();
}

void SetClipboardBackend(ClipboardBackend* backend) { CurrentBackend() = backend; }

}  // namespace platform
