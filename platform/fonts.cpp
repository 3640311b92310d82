#include "platform/fonts.h"

#include <QFont>
#include <QFontDatabase>
#include <QFontMetrics>
#include <QString>
#include <QStringList>

#include <array>
#include <cmath>
#include <map>
#include <memory>
#include <optional>
#include <unordered_map>

#include "platform/sysutils.h"

namespace platform {

namespace {

constexpr int kDefaultHeight = -11;  // 8 points at 96 pixels per inch
constexpr const char* kFallbackFamily = "DejaVu Sans";

struct BackendState {
  FontBackend backend = FontBackend::Qt;
  std::vector<std::string> fixedFamilies;
};
BackendState& Backend() {
  static BackendState state;
  return state;
}

// One measured font: built once per distinct metric identity.
struct Engine {
  QFont qfont;
  std::optional<QFontMetrics> fm;
  int em = 0;
  TextMetrics metrics;
  int fixedAdvance = 0;  // fixed-metric backend
  double xScale = 1.0;   // a given average width draws glyphs scaled across
  std::unordered_map<char32_t, int> advances;
  // The advances of ASCII looked up without hashing (-1: not measured yet):
  // most text is mostly ASCII, and a long paragraph is measured a
  // character at a time.
  std::array<int, 128> ascii = MakeUnmeasured();
  static std::array<int, 128> MakeUnmeasured() {
    std::array<int, 128> a;
    a.fill(-1);
    return a;
  }
};

std::string MetricKey(const Font& f) {
  std::string k = f.name;
  k += '|' + std::to_string(f.height == 0 ? kDefaultHeight : f.height) + '|' + std::to_string(f.width) + '|' +
       std::to_string(f.weight) + '|' + (f.italic ? "i" : "") + (f.underline ? "u" : "") + (f.strikeOut ? "s" : "") +
       '|' + std::to_string(static_cast<int>(f.pitch)) + '|' + std::to_string(static_cast<int>(Backend().backend));
  return k;
}

QFont BaseQFont(const Font& f, int pixelSize) {
  QFont q(QString::fromStdString(ResolveFontFamily(f.name)));
  q.setPixelSize(std::max(1, pixelSize));
  q.setWeight(static_cast<QFont::Weight>(std::clamp(f.weight == 0 ? FW_NORMAL : f.weight, 1, 1000)));
  q.setItalic(f.italic);
  q.setUnderline(f.underline);
  q.setStrikeOut(f.strikeOut);
  q.setKerning(false);
  if (f.pitch == FontPitch::Fixed) q.setFixedPitch(true);
  q.setStyleStrategy(QFont::StyleStrategy(QFont::PreferDefault | QFont::NoFontMerging));
  q.setHintingPreference(QFont::PreferFullHinting);
  return q;
}

int CellHeightAt(const Font& f, int px) { return QFontMetrics(BaseQFont(f, px)).height(); }

// A positive height is the cell height: the largest em whose cell fits it.
int EmForCellHeight(const Font& f, int cell) {
  int px = std::max(1, cell);
  const int h = CellHeightAt(f, px);
  if (h > 0) px = std::max(1, static_cast<int>(std::lround(double(cell) * cell / h)));
  while (px > 1 && CellHeightAt(f, px) > cell) --px;
  while (CellHeightAt(f, px + 1) <= cell) ++px;
  return px;
}

Engine& MakeEngine(const Font& f, std::unique_ptr<Engine>& slot);

Engine& EngineFor(const Font& f) {
  // Engines are never freed, so the last one found stays valid. Text is
  // measured a word at a time, nearly always in the font of the word before:
  // comparing with it spares building the key for every word.
  static Font lastFont;
  static FontBackend lastBackend = FontBackend::Qt;
  static Engine* last = nullptr;
  if (last && lastBackend == Backend().backend && lastFont == f) return *last;
  static std::unordered_map<std::string, std::unique_ptr<Engine>> cache;
  auto& slot = cache[MetricKey(f)];
  Engine& e = slot ? *slot : MakeEngine(f, slot);
  last = &e;
  lastFont = f;
  lastBackend = Backend().backend;
  return e;
}

Engine& MakeEngine(const Font& f, std::unique_ptr<Engine>& slot) {
  slot = std::make_unique<Engine>();
  Engine& e = *slot;
  const int height = f.height == 0 ? kDefaultHeight : f.height;
  if (Backend().backend == FontBackend::FixedMetric) {
    e.em = std::abs(height);
    TextMetrics& m = e.metrics;
    m.ascent = static_cast<int>(std::lround(0.8 * e.em));
    m.descent = e.em - m.ascent;
    m.height = e.em;
    e.fixedAdvance = f.width > 0 ? f.width : static_cast<int>(std::lround(0.5 * e.em));
    m.aveCharWidth = m.maxCharWidth = e.fixedAdvance;
    e.qfont = BaseQFont(f, e.em);
    return e;
  }
  e.em = height < 0 ? -height : EmForCellHeight(f, height);
  e.qfont = BaseQFont(f, e.em);
  e.fm.emplace(e.qfont);
  if (f.width > 0 && e.fm->averageCharWidth() > 0)
    e.xScale = std::clamp(double(f.width) / e.fm->averageCharWidth(), 0.01, 40.0);
  TextMetrics& m = e.metrics;
  m.ascent = e.fm->ascent();
  m.descent = e.fm->descent();
  m.height = m.ascent + m.descent;
  m.internalLeading = std::max(0, m.height - e.em);
  m.externalLeading = std::max(0, e.fm->leading());
  m.aveCharWidth = static_cast<int>(std::lround(e.fm->averageCharWidth() * e.xScale));
  m.maxCharWidth = static_cast<int>(std::lround(e.fm->maxWidth() * e.xScale));
  return e;
}

int EngineAdvance(Engine& e, char32_t ch) {
  if (Backend().backend == FontBackend::FixedMetric) return e.fixedAdvance;
  if (ch < 128 && e.ascii[ch] >= 0) return e.ascii[ch];
  auto it = e.advances.find(ch);
  if (it != e.advances.end()) return it->second;
  const char32_t one[1] = {ch};
  const int a = static_cast<int>(std::lround(e.fm->horizontalAdvance(QString::fromUcs4(one, 1)) * e.xScale));
  e.advances.emplace(ch, a);
  if (ch < 128 && a >= 0) e.ascii[ch] = a;
  return a;
}

bool IsHigh(char16_t u) { return u >= 0xD800 && u <= 0xDBFF; }
bool IsLow(char16_t u) { return u >= 0xDC00 && u <= 0xDFFF; }

}  // namespace

int Font::Size() const {
  const int h = height == 0 ? kDefaultHeight : height;
  return -MulDiv(h, 72, kPixelsPerInch);
}

void Font::SetSize(int points) { height = -MulDiv(points, kPixelsPerInch, 72); }

FontStyles Font::Style() const {
  FontStyles s = 0;
  if (weight >= FW_BOLD) s |= fsBold;
  if (italic) s |= fsItalic;
  if (underline) s |= fsUnderline;
  if (strikeOut) s |= fsStrikeOut;
  return s;
}

void Font::SetStyle(FontStyles s) {
  weight = (s & fsBold) ? FW_BOLD : FW_NORMAL;
  italic = s & fsItalic;
  underline = s & fsUnderline;
  strikeOut = s & fsStrikeOut;
}

std::string Font::Key() const {
  return MetricKey(*this) + '|' + std::to_string(escapement) + '|' + std::to_string(charset);
}

std::vector<std::string> InstalledFontFamilies() {
  if (Backend().backend == FontBackend::FixedMetric && !Backend().fixedFamilies.empty())
    return Backend().fixedFamilies;
  std::vector<std::string> out;
  for (const QString& f : QFontDatabase::families()) out.push_back(f.toStdString());
  return out;
}

bool IsFontInstalled(std::string_view family) {
  const std::string want = LowerCase(family);
  if (want.empty()) return false;
  static std::map<std::string, bool> known;
  const std::string key = want + (Backend().backend == FontBackend::FixedMetric ? "|f" : "|q");
  auto it = known.find(key);
  if (it != known.end()) return it->second;
  bool found = false;
  for (const std::string& f : InstalledFontFamilies())
    if (LowerCase(f) == want) { found = true; break; }
  known[key] = found;
  return found;
}

std::string ResolveFontFamily(std::string_view family) {
  static const std::pair<const char*, const char*> kSubstitutes[] = {
      {"courier new", "Liberation Mono"}, {"courier", "Liberation Mono"},
      {"times new roman", "Liberation Serif"}, {"arial", "Liberation Sans"},
      {"tahoma", "DejaVu Sans"}, {"ms sans serif", "DejaVu Sans"},
      {"microsoft sans serif", "DejaVu Sans"}, {"verdana", "DejaVu Sans"},
      {"segoe ui", "DejaVu Sans"},
  };
  if (IsFontInstalled(family)) return std::string(family);
  const std::string want = LowerCase(family);
  for (const auto& [from, to] : kSubstitutes)
    if (want == from && IsFontInstalled(to)) return to;
  return kFallbackFamily;
}

QFont ToQFont(const Font& font) { return EngineFor(font).qfont; }

TextMetrics GetTextMetrics(const Font& font) { return EngineFor(font).metrics; }

int FontPixelSize(const Font& font) { return EngineFor(font).em; }

double FontHorizontalScale(const Font& font) { return EngineFor(font).xScale; }

int CharAdvance(const Font& font, char32_t ch) { return EngineAdvance(EngineFor(font), ch); }

namespace {

// Walks the advances of text without keeping them: calls visit(i, advance,
// units) for every code point, units 2 for a surrogate pair, and stops when
// visit answers false. Measuring a long text so needs no array as long as it.
template <typename Visit>
void ForEachAdvance(Engine& e, std::u16string_view text, Visit visit) {
  for (size_t i = 0; i < text.size(); ++i) {
    if (IsHigh(text[i]) && i + 1 < text.size() && IsLow(text[i + 1])) {
      const char32_t ch = 0x10000 + ((char32_t(text[i]) - 0xD800) << 10) + (char32_t(text[i + 1]) - 0xDC00);
      if (!visit(i, EngineAdvance(e, ch), 2)) return;
      ++i;
      continue;
    }
    if (!visit(i, EngineAdvance(e, text[i]), 1)) return;
  }
}

}  // namespace

std::vector<int> CharAdvances(const Font& font, std::u16string_view text) {
  std::vector<int> out(text.size(), 0);
  ForEachAdvance(EngineFor(font), text, [&](size_t i, int a, int) {
    out[i] = a;   // the low unit of a pair keeps 0
    return true;
  });
  return out;
}

Size TextExtent(const Font& font, std::u16string_view text) {
  Engine& e = EngineFor(font);
  int w = 0;
  if (Backend().backend == FontBackend::FixedMetric) {
    // Every code point the same: count them.
    size_t points = text.size();
    for (size_t i = 0; i + 1 < text.size(); ++i)
      if (IsHigh(text[i]) && IsLow(text[i + 1])) --points, ++i;
    w = static_cast<int>(points) * e.fixedAdvance;
  } else {
    ForEachAdvance(e, text, [&](size_t, int a, int) {
      w += a;
      return true;
    });
  }
  return {w, e.metrics.height};
}

Size TextExtent(const Font& font, std::string_view utf8) { return TextExtent(font, Utf8ToUtf16(utf8)); }

int TextWidth(const Font& font, std::string_view utf8) { return TextExtent(font, utf8).cx; }

int TextFitCount(const Font& font, std::u16string_view text, int maxExtent, std::vector<int>* extents) {
  if (extents) extents->clear();
  int total = 0, fit = 0;
  ForEachAdvance(EngineFor(font), text, [&](size_t i, int a, int units) {
    const int next = total + a;
    if (next > maxExtent) return false;
    total = next;
    if (extents) extents->insert(extents->end(), static_cast<size_t>(units), total);
    fit = static_cast<int>(i) + units;
    return true;
  });
  return fit;
}

void SetFontBackend(FontBackend backend, std::vector<std::string> families) {
  Backend().backend = backend;
  Backend().fixedFamilies = std::move(families);
}

FontBackend CurrentFontBackend() { return Backend().backend; }

std::u16string Utf8ToUtf16(std::string_view text) {
  const QString s = QString::fromUtf8(text.data(), static_cast<qsizetype>(text.size()));
  return std::u16string(reinterpret_cast<const char16_t*>(s.utf16()), static_cast<size_t>(s.size()));
}

std::string Utf16ToUtf8(std::u16string_view text) {
  return QString::fromUtf16(text.data(), static_cast<qsizetype>(text.size())).toUtf8().toStdString();
}

}  // namespace platform
