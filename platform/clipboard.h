#pragma once
// The clipboard: plain text plus private formats registered by name, put
// and read as one set (one QMimeData). The backend is replaceable; the test
// backend keeps the data in memory and fails on demand, so that callers'
// failure paths can be reached.
#include <map>
#include <memory>
#include <optional>
#include <string>

namespace platform {

// A private format by its name: the same MIME type for the same name
// ("application/x-" and the name in lower case, blanks as dashes).
std::string RegisterClipboardFormat(const std::string& name);

// The MIME type of plain text (UTF-8).
inline constexpr const char* kClipboardText = "text/plain";

// Formats and their bytes, put on the clipboard together.
using ClipboardData = std::map<std::string, std::string>;

class ClipboardBackend {
 public:
  virtual ~ClipboardBackend() = default;
  // Empties the clipboard and puts every format of data; false when refused.
  virtual bool SetData(const ClipboardData& data) = 0;
  virtual bool HasFormat(const std::string& mime) const = 0;
  // The bytes of one format; nullopt when absent or when it cannot be read.
  virtual std::optional<std::string> GetData(const std::string& mime) const = 0;
};

// The system clipboard (QGuiApplication::clipboard()). Plain text goes out
// and comes back through Qt's text conversion.
class QtClipboardBackend : public ClipboardBackend {
 public:
  bool SetData(const ClipboardData& data) override;
  bool HasFormat(const std::string& mime) const override;
  std::optional<std::string> GetData(const std::string& mime) const override;
};

// In memory, with switches that make the next operations fail.
class TestClipboardBackend : public ClipboardBackend {
 public:
  bool SetData(const ClipboardData& data) override;
  bool HasFormat(const std::string& mime) const override;
  std::optional<std::string> GetData(const std::string& mime) const override;

  const ClipboardData& Data() const { return data_; }
  // Refuse the data of these formats when put (the set is not stored), or
  // fail to read them (HasFormat still answers true).
  bool failSet = false;
  std::string failSetFormat;  // empty: any format
  bool failGet = false;
  int setCount = 0;

 private:
  ClipboardData data_;
};

// The backend in use (the Qt one unless replaced).
ClipboardBackend& Clipboard();
// Replaces the backend; null restores the Qt one. The caller keeps ownership.
void SetClipboardBackend(ClipboardBackend* backend);

}  // namespace platform
