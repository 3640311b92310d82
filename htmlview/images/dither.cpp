#include "htmlview/images/dither.h"

#include <algorithm>
#include <cstdlib>
#include <cstring>
#include <new>

namespace htmlview {

namespace {

void PutLE(std::vector<uint8_t>& b, size_t at, uint32_t v, int bytes) {
  for (int i = 0; i < bytes; ++i) b[at + i] = uint8_t((v >> (8 * i)) & 0xFF);
}

int ClampByte(int v) { return v < 0 ? 0 : v > 255 ? 255 : v; }

}  // namespace

const std::vector<platform::Colour>& WindowsColors() {
  using platform::Rgb;
  static const std::vector<platform::Colour> colors = {
      Rgb(0, 0, 0),       Rgb(128, 0, 0),     Rgb(0, 128, 0),     Rgb(128, 128, 0),   Rgb(0, 0, 128),
      Rgb(128, 0, 128),   Rgb(0, 128, 128),   Rgb(192, 192, 192), Rgb(192, 220, 192), Rgb(166, 202, 240),
      Rgb(255, 251, 240), Rgb(160, 160, 164), Rgb(128, 128, 128), Rgb(255, 0, 0),     Rgb(0, 255, 0),
      Rgb(255, 255, 0),   Rgb(0, 0, 255),     Rgb(255, 0, 255),   Rgb(0, 255, 255),   Rgb(255, 255, 255),
  };
  return colors;
}

// --- TDIB.

TDIB::TDIB(platform::Bitmap& bitmap, int pixelFormat, const platform::Palette* palette)
    : bitmap_(bitmap), pixelFormat_(pixelFormat) {
  if (bitmap.IsNull()) throw GIFException("Bitmap image is not valid");
  if (pixelFormat != 1 && pixelFormat != 4 && pixelFormat != 8 && pixelFormat != 24)
    throw GIFException("Invalid pixel format");
  width_ = bitmap.Width();
  height_ = bitmap.Height();
  rowSize_ = static_cast<int>((int64_t(width_) * pixelFormat + 31) / 32 * 4);
  tableEntries_ = pixelFormat <= 8 ? 1 << pixelFormat : 0;
  bitsOffset_ = 40 + size_t(tableEntries_) * 4;
  try {
    buffer_.assign(bitsOffset_ + size_t(rowSize_) * height_, 0);
  } catch (const std::bad_alloc&) {
    throw EOutOfMemory("Failed to allocate memory for GIF DIB");
  }
  PutLE(buffer_, 0, 40, 4);
  PutLE(buffer_, 4, uint32_t(width_), 4);
  PutLE(buffer_, 8, uint32_t(height_), 4);  // positive: bottom-up
  PutLE(buffer_, 12, 1, 2);
  PutLE(buffer_, 14, uint32_t(pixelFormat), 2);
  PutLE(buffer_, 20, uint32_t(size_t(rowSize_) * height_), 4);

  // The colour table, limited to the palette's entries, the rest zero.
  std::vector<platform::Colour> table;
  if (tableEntries_ > 0) {
    const std::vector<platform::Colour>& source = palette ? palette->entries : WindowsColors();
    const int n = std::min<int>(tableEntries_, static_cast<int>(source.size()));
    table.assign(source.begin(), source.begin() + n);
    for (int i = 0; i < n; ++i) {
      const platform::Colour c = platform::ColourToRgb(table[i]);
      buffer_[40 + 4 * i] = uint8_t(platform::BlueOf(c));
      buffer_[41 + 4 * i] = uint8_t(platform::GreenOf(c));
      buffer_[42 + 4 * i] = uint8_t(platform::RedOf(c));
    }
  }

  // The bitmap's pixels, through the colour table for the index formats.
  platform::Palette lookup{table};
  QRgb lastColour = 0;
  int lastIndex = -1;
  const QImage& image = bitmap.Image();
  for (int y = 0; y < height_; ++y) {
    const auto* src = reinterpret_cast<const QRgb*>(image.constScanLine(y));
    uint8_t* dst = buffer_.data() + bitsOffset_ + size_t(height_ - 1 - y) * rowSize_;
    for (int x = 0; x < width_; ++x) {
      const QRgb p = src[x];
      if (pixelFormat == 24) {
        dst[3 * x] = uint8_t(qBlue(p));
        dst[3 * x + 1] = uint8_t(qGreen(p));
        dst[3 * x + 2] = uint8_t(qRed(p));
        continue;
      }
      if (lastIndex < 0 || (p & 0xFFFFFF) != lastColour) {
        lastColour = p & 0xFFFFFF;
        lastIndex = std::max(0, lookup.NearestIndex(platform::Rgb(qRed(p), qGreen(p), qBlue(p))));
      }
      const int perByte = 8 / pixelFormat;
      const int shift = (perByte - 1 - x % perByte) * pixelFormat;
      dst[x / perByte] |= uint8_t(lastIndex << shift);
    }
  }
}

TDIB::~TDIB() = default;

uint8_t* TDIB::ScanLine(int row) {
  if (buffer_.empty()) throw GIFException("Image has no DIB");
  if (row < 0 || row >= height_) throw EInvalidGraphicOperation("Scan line index out of range");
  return buffer_.data() + bitsOffset_ + size_t(height_ - 1 - row) * rowSize_;
}

platform::Colour TDIB::TableColor(int index) const {
  if (index < 0 || index >= tableEntries_) return platform::clBlack;
  const uint8_t* q = buffer_.data() + 40 + 4 * index;
  return platform::Rgb(q[2], q[1], q[0]);
}

TDIBReader::TDIBReader(platform::Bitmap& bitmap, int pixelFormat, const platform::Palette* palette)
    : TDIB(bitmap, pixelFormat, palette) {
  bitmap.SetBitDepth(pixelFormat);
}

TDIBWriter::TDIBWriter(platform::Bitmap& bitmap, int pixelFormat, const platform::Palette* palette)
    : TDIB(bitmap, pixelFormat, palette) {}

TDIBWriter::~TDIBWriter() {
  try {
    WriteBack();
  } catch (...) {
    // A destructor cannot report; the bitmap keeps its old pixels.
  }
}

std::vector<uint8_t> TDIBWriter::BmpFile() const {
  std::vector<uint8_t> file(14 + buffer_.size(), 0);
  file[0] = 'B';
  file[1] = 'M';
  PutLE(file, 2, uint32_t(file.size()), 4);
  PutLE(file, 10, uint32_t(14 + bitsOffset_), 4);
  if (!buffer_.empty()) std::memcpy(file.data() + 14, buffer_.data(), buffer_.size());
  return file;
}

void TDIBWriter::WriteBack() {
  if (buffer_.empty()) return;
  // The colours the bits stand for go straight into the ARGB bitmap, which
  // is what loading the BMP file would give.
  QImage& image = bitmap_.Image();
  for (int y = 0; y < height_; ++y) {
    const uint8_t* src = ScanLine(y);
    auto* dst = reinterpret_cast<QRgb*>(image.scanLine(y));
    for (int x = 0; x < width_; ++x) {
      if (pixelFormat_ == 24) {
        dst[x] = qRgb(src[3 * x + 2], src[3 * x + 1], src[3 * x]);
        continue;
      }
      const int perByte = 8 / pixelFormat_;
      const int shift = (perByte - 1 - x % perByte) * pixelFormat_;
      const int index = (src[x / perByte] >> shift) & ((1 << pixelFormat_) - 1);
      const platform::Colour c = TableColor(index);
      dst[x] = qRgb(platform::RedOf(c), platform::GreenOf(c), platform::BlueOf(c));
    }
  }
  bitmap_.SetBitDepth(pixelFormat_);
}

// --- Look-ups.

TFastColorLookup::TFastColorLookup(const platform::Palette& palette)
    : TColorLookup(std::min(palette.Count(), 256)), cache_(32768, 65535) {
  entries_.reserve(colors_);
  for (int i = 0; i < colors_; ++i) {
    const platform::Colour c = platform::ColourToRgb(palette.entries[i]);
    entries_.push_back(c);
    uint16_t& cell = cache_[CellOf(platform::RedOf(c), platform::GreenOf(c), platform::BlueOf(c))];
    if (cell == 65535) cell = static_cast<uint16_t>(i);
  }
}

uint8_t TFastColorLookup::Lookup(int red, int green, int blue, int& r, int& g, int& b) {
  uint16_t& cell = cache_[CellOf(red, green, blue)];
  if (cell == 65535) {
    int best = 0, bestSum = -1;
    for (int i = 0; i < colors_; ++i) {
      const platform::Colour c = entries_[i];
      const int sum = std::abs(platform::RedOf(c) - red) + std::abs(platform::GreenOf(c) - green) +
                      std::abs(platform::BlueOf(c) - blue);
      if (bestSum < 0 || sum < bestSum) {
        best = i;
        bestSum = sum;
      }
    }
    cell = static_cast<uint16_t>(best);
  }
  const platform::Colour c = colors_ > 0 ? entries_[cell] : platform::clBlack;
  r = platform::RedOf(c);
  g = platform::GreenOf(c);
  b = platform::BlueOf(c);
  return static_cast<uint8_t>(cell);
}

uint8_t TNetscapeColorLookup::Lookup(int red, int green, int blue, int& r, int& g, int& b) {
  const int lr = (red + 3) / 51, lg = (green + 3) / 51, lb = (blue + 3) / 51;
  r = lr * 51;
  g = lg * 51;
  b = lb * 51;
  return static_cast<uint8_t>(lb + 6 * lg + 36 * lr);
}

// --- Engines.

uint8_t TDitherEngine::Dither(int red, int green, int blue) {
  int r, g, b;
  const uint8_t index = lookup_.Lookup(red, green, blue, r, g, b);
  column_ += direction_;
  return index;
}

void TDitherEngine::NextLine() {
  direction_ = -direction_;
  column_ = direction_ > 0 ? 0 : width_ - 1;
}

TFloydSteinbergEngine::TFloydSteinbergEngine(int width, TColorLookup& lookup) : TDitherEngine(width, lookup) {
  for (Channel& c : channels_) c.errors.assign(size_t(std::max(width, 0)) + 2, 0);
}

uint8_t TFloydSteinbergEngine::Dither(int red, int green, int blue) {
  const int cell = column_ + 1;
  const int source[3] = {red, green, blue};
  int value[3];
  for (int k = 0; k < 3; ++k) {
    const Channel& c = channels_[k];
    // Integer division truncates toward zero, as the error sums need.
    value[k] = ClampByte(source[k] + (c.errors[cell] + c.carried + 8) / 16);
  }
  int chosen[3];
  const uint8_t index = lookup_.Lookup(value[0], value[1], value[2], chosen[0], chosen[1], chosen[2]);
  for (int k = 0; k < 3; ++k) {
    Channel& c = channels_[k];
    const int e = value[k] - chosen[k];
    c.carried = 7 * e;
    // The cell behind has been read for this row already; it now collects
    // for the next row: 1/16 from two back, 5/16 from behind, 3/16 from here.
    c.errors[cell - direction_] = c.partial + 3 * e;
    c.partial = c.previous + 5 * e;
    c.previous = e;
  }
  column_ += direction_;
  return index;
}

void TFloydSteinbergEngine::NextLine() {
  const int lastCell = column_ - direction_ + 1;
  for (Channel& c : channels_) {
    if (lastCell >= 0 && lastCell < static_cast<int>(c.errors.size())) c.errors[lastCell] = c.partial;
    c.carried = 0;
    c.previous = 0;
    c.partial = 0;
  }
  TDitherEngine::NextLine();
}

// --- Octree quantiser.

struct TColorQuantizer::Node {
  bool leaf = false;
  int64_t count = 0;
  int64_t red = 0, green = 0, blue = 0;
  std::unique_ptr<Node> children[8];
  Node* next = nullptr;  // next reducible node of its level
};

TColorQuantizer::TColorQuantizer(int maxColors, int colorBits)
    : maxColors_(std::max(maxColors, 1)), colorBits_(std::clamp(colorBits, 1, 8)), reducible_(9, nullptr) {
  root_ = std::make_unique<Node>();
  reducible_[0] = root_.get();
}

TColorQuantizer::~TColorQuantizer() = default;

void TColorQuantizer::AddColor(int red, int green, int blue) {
  Node* node = root_.get();
  for (int level = 0; !node->leaf; ++level) {
    const int shift = 7 - level;
    const int index = (((red >> shift) & 1) << 2) | (((green >> shift) & 1) << 1) | ((blue >> shift) & 1);
    std::unique_ptr<Node>& child = node->children[index];
    if (!child) {
      child = std::make_unique<Node>();
      if (level + 1 >= colorBits_) {
        child->leaf = true;
        ++leafCount_;
      } else {
        child->next = reducible_[level + 1];
        reducible_[level + 1] = child.get();
      }
    }
    node = child.get();
  }
  ++node->count;
  node->red += red;
  node->green += green;
  node->blue += blue;
  while (leafCount_ > maxColors_) {
    const int before = leafCount_;
    ReduceTree();
    if (leafCount_ == before && std::all_of(reducible_.begin(), reducible_.end(), [](Node* n) { return !n; }))
      break;
  }
}

void TColorQuantizer::ReduceTree() {
  for (int level = colorBits_ - 1; level >= 0; --level) {
    Node* node = reducible_[level];
    if (!node) continue;
    reducible_[level] = node->next;
    node->next = nullptr;
    int children = 0;
    for (std::unique_ptr<Node>& child : node->children) {
      if (!child) continue;
      node->count += child->count;
      node->red += child->red;
      node->green += child->green;
      node->blue += child->blue;
      child.reset();
      ++children;
    }
    node->leaf = true;
    leafCount_ -= children - 1;
    return;
  }
}

void TColorQuantizer::ProcessImage(TDIBReader& reader) {
  if (reader.PixelFormat() != 24) throw GIFException("Invalid pixel format");
  for (int y = 0; y < reader.Height(); ++y) {
    const uint8_t* line = reader.ScanLine(y);
    for (int x = 0; x < reader.Width(); ++x) AddColor(line[3 * x + 2], line[3 * x + 1], line[3 * x]);
  }
}

std::vector<platform::Colour> TColorQuantizer::ColorTable() const {
  std::vector<platform::Colour> table;
  std::vector<const Node*> stack{root_.get()};
  while (!stack.empty()) {
    const Node* node = stack.back();
    stack.pop_back();
    if (node->leaf) {
      if (node->count > 0)
        table.push_back(platform::Rgb(int(node->red / node->count), int(node->green / node->count),
                                      int(node->blue / node->count)));
      else
        table.push_back(platform::clBlack);
      continue;
    }
    for (int i = 7; i >= 0; --i)
      if (node->children[i]) stack.push_back(node->children[i].get());
  }
  return table;
}

// --- Palettes and reduction.

platform::Palette CreateWebSafePalette() {
  platform::Palette p;
  for (int r = 0; r < 6; ++r)
    for (int g = 0; g < 6; ++g)
      for (int b = 0; b < 6; ++b) p.entries.push_back(platform::Rgb(r * 51, g * 51, b * 51));
  return p;
}

platform::Palette CreateOptimizedPalette(TDIBReader& reader, int colorCount, int colorBits,
                                         bool keepWindowsColors) {
  const int count = keepWindowsColors ? std::clamp(colorCount - 20, 1, 236) : std::clamp(colorCount, 1, 256);
  TColorQuantizer quantizer(count, colorBits);
  quantizer.ProcessImage(reader);
  const std::vector<platform::Colour> colors = quantizer.ColorTable();
  platform::Palette p;
  if (!keepWindowsColors) {
    p.entries.assign(colors.begin(), colors.begin() + std::min<size_t>(colors.size(), 256));
    return p;
  }
  const std::vector<platform::Colour>& windows = WindowsColors();
  p.entries.assign(256, platform::clBlack);
  std::copy(windows.begin(), windows.begin() + 10, p.entries.begin());
  std::copy(windows.begin() + 10, windows.end(), p.entries.begin() + 246);
  std::copy(colors.begin(), colors.begin() + std::min<size_t>(colors.size(), 236), p.entries.begin() + 10);
  return p;
}

TPaletteBitmap ReduceBitmapColors(const platform::Bitmap& bitmap, int reduction, int ditherMode,
                                  const platform::Palette* screenPalette) {
  if (bitmap.IsNull()) throw GIFException("Bitmap image is not valid");
  TPaletteBitmap out;
  if (reduction == rmNone) {
    out.bitmap = bitmap;
    out.bitmap.SetBitDepth(24);
    return out;
  }
  const int width = bitmap.Width(), height = bitmap.Height();
  out.bitmap = platform::Bitmap(width, height, platform::clBlack);
  if (out.bitmap.IsNull()) throw EOutOfMemory("Failed to allocate memory for GIF DIB");
  out.bitmap.SetBitDepth(8);
  try {
    out.indices.assign(size_t(width) * height, 0);
  } catch (const std::bad_alloc&) {
    throw EOutOfMemory("Failed to allocate memory for GIF DIB");
  }

  platform::Bitmap source = bitmap;  // the reader sets its nominal format
  switch (reduction) {
    case rmWindows20:
      out.palette.entries = WindowsColors();
      break;
    case rmNetscape:
      out.palette = CreateWebSafePalette();
      break;
    case rmScreen:
      if (screenPalette) out.palette = *screenPalette;
      break;
    case rmOptimized: {
      TDIBReader reader(source, 24);
      out.palette = CreateOptimizedPalette(reader, 256, 8, true);
      break;
    }
    default:
      // No palette and no pixels: the target alone.
      return out;
  }
  if (out.palette.Count() > 256) out.palette.entries.resize(256);
  out.hasPalette = true;
  if (out.palette.Count() == 0) return out;
  if (ditherMode != dmNearest && ditherMode != dmFloydSteinberg) {
    // The palette but no pixels written: every index 0.
    out.bitmap.Fill(out.palette.entries[0]);
    return out;
  }

  std::unique_ptr<TColorLookup> lookup;
  if (reduction == rmNetscape)
    lookup = std::make_unique<TNetscapeColorLookup>();
  else
    lookup = std::make_unique<TFastColorLookup>(out.palette);
  std::unique_ptr<TDitherEngine> engine;
  if (ditherMode == dmNearest)
    engine = std::make_unique<TDitherEngine>(width, *lookup);
  else
    engine = std::make_unique<TFloydSteinbergEngine>(width, *lookup);

  TDIBReader reader(source, 24);
  TDIBWriter writer(out.bitmap, 8, &out.palette);
  for (int y = 0; y < height; ++y) {
    const uint8_t* src = reader.ScanLine(y);
    uint8_t* dst = writer.ScanLine(y);
    uint8_t* indices = out.indices.data() + size_t(y) * width;
    for (int step = 0; step < width; ++step) {
      const int x = engine->Column();
      const uint8_t index = engine->Dither(src[3 * x + 2], src[3 * x + 1], src[3 * x]);
      dst[x] = index;
      indices[x] = index;
    }
    engine->NextLine();
  }
  writer.WriteBack();
  return out;
}

std::optional<TPaletteBitmap> DitherBitmapToScreen(const platform::Bitmap& bitmap,
                                                   const platform::Palette* screenPalette) {
  if (bitmap.IsNull() || bitmap.Width() <= 0 || bitmap.Height() <= 0) return std::nullopt;
  const int screenBits = platform::ScreenDepth();
  // A true-colour screen has no palette to reduce to: the bitmap shows as it is.
  if (bitmap.BitDepth() == screenBits || screenBits > 8) {
    TPaletteBitmap copy;
    copy.bitmap = bitmap;
    return copy;
  }
  return ReduceBitmapColors(bitmap, screenBits < 8 ? rmWindows20 : rmScreen, dmFloydSteinberg, screenPalette);
}

}  // namespace htmlview
