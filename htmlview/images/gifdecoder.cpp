#include "htmlview/images/gifdecoder.h"

#include <algorithm>
#include <cstring>
#include <new>

namespace htmlview {

namespace {

const char* const kMessages[] = {
    "no error",
    "Invalid GIF Signature Code",
    "No Local or Global Color Table for Image",
    "Unknown Graphics Extension Type",
    "Unknown Graphics Operation Code",
    "Invalid Extension Block Size",
    "[special message]",
    "Invalid Extension Block Terminator",
    "Invalid Integer Size",
    "No GIF Terminator Found",
    "Extension Block Out-Of-Order With Image Data",
    "Invalid Image Descriptor Index",
    "Invalid LZW Code Size",
    "Invalid LZW Data Format",
    "LZW Code Overflow",
    "Value Out Of Range",
    "NIL Pointer assigned",
    "Invalid Color Table Size",
    "No Image Description",
    "Invalid Bitmap Image",
    "Invalid Color Table Index",
    "Invalid Interlace Pass",
    "Invalid Bitmap",
    "Too Many Colors In Bitmap",
    "Unexpected end of file",
    "Animated GIF too large",
    "Zero width or height",
    "next message",
};

[[noreturn]] void Fail(int code) { throw EGifError(code, GifErrorMessage(code)); }

constexpr int kMaxCodes = 4096;

// The state of one frame's LZW decompression.
class LzwDecoder {
 public:
  LzwDecoder(TGifFrame& frame, const std::vector<uint8_t>& data) : frame_(frame), data_(data) {}

  void Run() {
    const int minSize = frame_.lzwMinCodeSize;
    codeSize_ = minSize + 1;
    // Larger sizes cannot be read (a code never exceeds 12 bits); failing here
    // also keeps the shifts below defined.
    if (codeSize_ > 12) Fail(gifBadLzwCodeSize);
    clear_ = 1 << minSize;
    end_ = clear_ + 1;
    highestLiteral_ = clear_ - 1;
    // Until the first clear code, next free and the limit are 0, so only
    // code 0 is accepted (see the code == next free branch).
    nextFree_ = 0;
    codeLimit_ = 0;

    int code = 0;
    int old = 0;
    if (!ReadCode(code)) return;
    while (code != end_ && !done_) {
      if (code == clear_) {
        codeSize_ = minSize + 1;
        nextFree_ = end_ + 1;
        codeLimit_ = 1 << codeSize_;
        do {
          if (!ReadCode(code)) return;
        } while (code == clear_);
        if (code == end_) Fail(gifBadLzwData);
        if (code >= nextFree_) code = 0;
        Put(static_cast<uint8_t>(code));
        old = code;
      } else if (code < nextFree_) {
        const uint8_t first = OutputString(code);
        AddEntry(old, first);
        old = code;
      } else if (code == nextFree_) {
        const uint8_t first = FirstCharacter(old);
        AddEntry(old, first);
        OutputString(code);
        old = code;
      } else {
        Fail(gifBadLzwData);
      }
      if (!ReadCode(code)) return;
    }
  }

 private:
  // False when the data ends before the code is complete: the frame ends
  // there. Codes already held in the bit buffer are still taken, so the last
  // pixels of a stream without an end code are not lost.
  bool ReadCode(int& code) {
    if (codeSize_ > 12) Fail(gifBadLzwCodeSize);
    while (bitCount_ < codeSize_) {
      if (pos_ >= data_.size()) return false;
      bitBuffer_ |= static_cast<uint32_t>(data_[pos_++]) << bitCount_;
      bitCount_ += 8;
    }
    code = static_cast<int>(bitBuffer_ & ((1u << codeSize_) - 1));
    bitBuffer_ >>= codeSize_;
    bitCount_ -= codeSize_;
    return true;
  }

  void AddEntry(int prefix, uint8_t suffix) {
    if (nextFree_ > codeLimit_ || nextFree_ >= kMaxCodes) return;
    prefix_[nextFree_] = static_cast<uint16_t>(prefix);
    suffix_[nextFree_] = suffix;
    ++nextFree_;
    if (nextFree_ >= codeLimit_ && codeSize_ < 12) {
      ++codeSize_;
      codeLimit_ <<= 1;
    }
  }

  uint8_t FirstCharacter(int code) const {
    int steps = 0;
    while (code > highestLiteral_ && steps++ < kMaxCodes) code = prefix_[code];
    return static_cast<uint8_t>(code);
  }

  // Emits the string of a code; returns its first character.
  uint8_t OutputString(int code) {
    int count = 0;
    while (code > highestLiteral_) {
      // A chain longer than the table means a corrupt table, never valid data.
      if (count >= kMaxCodes - 1) Fail(gifBadLzwData);
      stack_[count++] = suffix_[code];
      code = prefix_[code];
    }
    stack_[count++] = static_cast<uint8_t>(code);
    const uint8_t first = stack_[count - 1];
    while (count > 0 && !done_) Put(stack_[--count]);
    return first;
  }

  void Put(uint8_t index) {
    if (done_) return;
    if (row_ < frame_.storedHeight && column_ < frame_.storedWidth)
      frame_.pixels[static_cast<size_t>(row_) * frame_.storedWidth + column_] = index;
    if (++column_ < frame_.width) return;
    column_ = 0;
    if (!frame_.interlaced) {
      if (++row_ >= frame_.height) done_ = true;
      return;
    }
    static constexpr int kStep[4] = {8, 8, 4, 2};
    static constexpr int kStart[4] = {0, 4, 2, 1};
    row_ += kStep[pass_];
    while (row_ >= frame_.height) {
      // Once the last pass is through, more data cannot paint over the
      // finished rows again: the frame is complete.
      if (++pass_ >= 4) {
        done_ = true;
        return;
      }
      row_ = kStart[pass_];
    }
  }

  TGifFrame& frame_;
  const std::vector<uint8_t>& data_;
  size_t pos_ = 0;
  uint16_t prefix_[kMaxCodes] = {};
  uint8_t suffix_[kMaxCodes] = {};
  uint8_t stack_[kMaxCodes] = {};
  int clear_ = 0, end_ = 0, highestLiteral_ = 0;
  int codeSize_ = 0;
  uint32_t bitBuffer_ = 0;
  int bitCount_ = 0;
  int nextFree_ = 0, codeLimit_ = 0;
  int column_ = 0, row_ = 0, pass_ = 0;
  bool done_ = false;
};

}  // namespace

std::string GifErrorMessage(int code) {
  if (code < 0 || code > gifNextMessage) return {};
  return kMessages[code];
}

EGifError::EGifError(int code, const std::string& message)
    : EInvalidGraphicOperation("TGif: " + message), code_(code) {}

const TGifExtension* TGifFrame::GraphicControl() const {
  for (const TGifExtension& e : extensions)
    if (e.label == 0xF9) return &e;
  return nullptr;
}

int TGifFrame::PixelAt(int column, int row) const {
  if (column < 0 || row < 0 || column >= storedWidth || row >= storedHeight) return -1;
  return pixels[static_cast<size_t>(row) * storedWidth + column];
}

// --- Reading.

void TGif::Clear() {
  data_.clear();
  pos_ = 0;
  pending_.clear();
  signature_.clear();
  screen_ = {};
  frames_.clear();
  tables_.clear();
  loopCount_ = -1;
}

uint8_t TGif::ReadByte() {
  if (pos_ >= data_.size()) Fail(gifUnexpectedEof);
  return data_[pos_++];
}

int TGif::ReadWord() {
  const int low = ReadByte();
  return low | (ReadByte() << 8);
}

void TGif::ReadBytes(void* target, size_t count) {
  if (data_.size() - pos_ < count) Fail(gifUnexpectedEof);
  std::memcpy(target, data_.data() + pos_, count);
  pos_ += count;
}

void TGif::LoadFromStream(platform::TStream& stream) {
  Clear();
  stream.SetPosition(0);
  const int64_t size = stream.Size();
  if (size > 0) {
    data_.resize(static_cast<size_t>(size));
    data_.resize(static_cast<size_t>(std::max<int64_t>(0, stream.Read(data_.data(), size))));
  }
  ReadSignature();
  ReadScreenDescriptor();
  while (!AtEnd()) {
    const uint8_t block = data_[pos_++];
    if (block == 0 || block == ';') break;
    if (block == ',')
      ReadImage();
    else if (block == '!')
      ReadExtension();
    else
      Fail(gifUnknownOperationCode);
  }
  if (frames_.empty()) Fail(gifNoImageDescription);
}

void TGif::ReadSignature() {
  if (data_.size() < 6) Fail(gifBadSignature);
  signature_.assign(reinterpret_cast<const char*>(data_.data()), 6);
  pos_ = 6;
  const std::string upper = platform::UpperCase(signature_);
  if (upper != "GIF87A" && upper != "GIF89A") Fail(gifBadSignature);
}

void TGif::ReadScreenDescriptor() {
  screen_.width = ReadWord();
  screen_.height = ReadWord();
  const uint8_t packed = ReadByte();
  screen_.globalTable = (packed & 0x80) != 0;
  screen_.colorResolution = ((packed >> 4) & 7) + 1;
  screen_.sorted = (packed & 0x08) != 0;
  screen_.tableSize = 2 << (packed & 7);
  screen_.background = ReadByte();
  screen_.aspect = ReadByte();
  screen_.globalTableIndex = screen_.globalTable ? ReadColorTable(screen_.tableSize) : -1;
}

int TGif::ReadColorTable(int size) {
  TGifColorTable table;
  table.count = std::min(size, 256);
  uint8_t rgb[3 * 256];
  ReadBytes(rgb, static_cast<size_t>(table.count) * 3);
  for (int i = 0; i < table.count; ++i)
    table.colors[i] = platform::Rgb(rgb[3 * i], rgb[3 * i + 1], rgb[3 * i + 2]);
  tables_.push_back(table);
  return static_cast<int>(tables_.size()) - 1;
}

std::vector<std::string> TGif::ReadSubBlocks() {
  std::vector<std::string> blocks;
  for (;;) {
    const uint8_t length = ReadByte();
    if (length == 0) break;
    if (data_.size() - pos_ < length) Fail(gifUnexpectedEof);
    blocks.emplace_back(reinterpret_cast<const char*>(data_.data() + pos_), length);
    pos_ += length;
  }
  return blocks;
}

void TGif::ReadExtension() {
  TGifExtension ext;
  ext.label = ReadByte();
  switch (ext.label) {
    case 0xF9: {
      if (ReadByte() != 4) Fail(gifBadExtensionBlockSize);
      const uint8_t packed = ReadByte();
      ext.disposal = (packed >> 2) & 7;
      ext.userInput = (packed & 0x02) != 0;
      ext.transparentFlag = (packed & 0x01) != 0;
      ext.delay = ReadWord();
      ext.transparentIndex = ReadByte();
      if (ReadByte() != 0) Fail(gifBadExtensionTerminator);
      break;
    }
    case 0xFE:
      ext.blocks = ReadSubBlocks();
      break;
    case 0x01:
      if (ReadByte() != 12) Fail(gifBadExtensionBlockSize);
      ext.gridLeft = ReadWord();
      ext.gridTop = ReadWord();
      ext.gridWidth = ReadWord();
      ext.gridHeight = ReadWord();
      ext.cellWidth = ReadByte();
      ext.cellHeight = ReadByte();
      ext.foreground = ReadByte();
      ext.background = ReadByte();
      ext.blocks = ReadSubBlocks();
      break;
    case 0xFF: {
      const uint8_t blockSize = ReadByte();
      if (blockSize == 11) {
        char id[11];
        ReadBytes(id, 11);
        ext.identifier.assign(id, 8);
        ext.authentication.assign(id + 8, 3);
      } else {
        if (data_.size() - pos_ < blockSize) Fail(gifUnexpectedEof);
        pos_ += blockSize;
      }
      ext.blocks = ReadSubBlocks();
      if (blockSize == 11 && ext.identifier == "NETSCAPE" && !ext.blocks.empty() &&
          ext.blocks[0].size() == 3) {
        const auto* b = reinterpret_cast<const uint8_t*>(ext.blocks[0].data());
        loopCount_ = b[1] + b[2] * 256;
      }
      break;
    }
    default:
      throw EGifError(gifSpecialMessage, "unknown extension: " + platform::IntToHex(ext.label, 4));
  }
  pending_.push_back(std::move(ext));
}

void TGif::ReadImage() {
  TGifFrame frame;
  frame.extensions = std::move(pending_);
  pending_.clear();
  frame.left = ReadWord();
  frame.top = ReadWord();
  frame.width = ReadWord();
  frame.height = std::min(ReadWord(), screen_.height);
  const uint8_t packed = ReadByte();
  frame.localTable = (packed & 0x80) != 0;
  frame.interlaced = (packed & 0x40) != 0;
  frame.sorted = (packed & 0x20) != 0;
  frame.tableSize = 2 << (packed & 7);
  if (frame.localTable)
    frame.colorTableIndex = ReadColorTable(frame.tableSize);
  else if (screen_.globalTableIndex >= 0)
    frame.colorTableIndex = screen_.globalTableIndex;
  else
    Fail(gifNoColorTable);
  frame.lzwMinCodeSize = ReadByte();

  std::vector<uint8_t> codes;
  for (const std::string& block : ReadSubBlocks()) codes.insert(codes.end(), block.begin(), block.end());

  if (frame.width == 0 || frame.height == 0) Fail(gifZeroSize);
  frames_.push_back(std::move(frame));
  TGifFrame& f = frames_.back();
  // Every frame costs a cell of the strip; fail before decoding rather than
  // after, so a file that can never be shown cannot make us hold its frames.
  CheckStripLimits(IsTransparent());
  f.storedWidth = std::clamp(screen_.width - f.left, 0, f.width);
  f.storedHeight = std::clamp(screen_.height - f.top, 0, f.height);
  try {
    f.pixels.assign(static_cast<size_t>(f.storedWidth) * f.storedHeight, 0);
  } catch (const std::bad_alloc&) {
    Fail(gifTooLarge);
  }
  Decompress(f, codes);
}

void TGif::Decompress(TGifFrame& frame, const std::vector<uint8_t>& codes) {
  auto decoder = std::make_unique<LzwDecoder>(frame, codes);
  decoder->Run();
}

// --- Frame queries.

const TGifFrame& TGif::FrameAt(int index) const {
  if (index < 0 || index >= ImageCount()) Fail(gifValueOutOfRange);
  return frames_[index];
}

int TGif::ImageLeft(int index) const { return FrameAt(index).left; }
int TGif::ImageTop(int index) const { return FrameAt(index).top; }
int TGif::ImageWidth(int index) const { return FrameAt(index).width; }
int TGif::ImageHeight(int index) const { return FrameAt(index).height; }

int TGif::ImageDelay(int index) const {
  const TGifExtension* gc = FrameAt(index).GraphicControl();
  return gc ? std::max(gc->delay, 1) : 1;
}

int TGif::ImageDisposal(int index) const {
  const TGifExtension* gc = FrameAt(index).GraphicControl();
  return gc ? (gc->disposal & 3) : 0;
}

int TGif::TransparentIndex(int index) const {
  const TGifExtension* gc = FrameAt(index).GraphicControl();
  return gc && gc->transparentFlag ? gc->transparentIndex : -1;
}

bool TGif::IsTransparent() const {
  for (const TGifFrame& f : frames_) {
    const TGifExtension* gc = f.GraphicControl();
    if (gc && gc->transparentFlag) return true;
  }
  return false;
}

// --- The strip.

int64_t TGif::StripFileSize(int width, int height, int frameCount) {
  const int64_t rowSize = (int64_t(width) * 3 * frameCount + 3) / 4 * 4;
  return int64_t(height) * rowSize + 54;
}

void TGif::CheckStripLimits(bool transparent) const {
  const int64_t fileSize = StripFileSize(screen_.width, screen_.height, ImageCount());
  if (fileSize > kMaxStripFileSize) Fail(gifTooLarge);
  // The mask needs a second buffer of the same size.
  if (transparent && fileSize > kMaxMaskFileSize) Fail(gifTooLarge);
}

platform::Bitmap TGif::GetStripBitmap(platform::Bitmap& mask) const {
  mask = platform::Bitmap();
  const bool transparent = IsTransparent();
  CheckStripLimits(transparent);
  const int cellWidth = screen_.width, height = screen_.height, count = ImageCount();
  // An empty screen has no cell to draw a frame into.
  if (cellWidth <= 0 || height <= 0 || count == 0) Fail(gifZeroSize);
  const int stripWidth = cellWidth * count;

  platform::Bitmap strip(stripWidth, height, platform::clBlack);
  if (strip.IsNull()) Fail(gifTooLarge);
  // The mask as one byte per pixel while building: 255 transparent, 0 opaque.
  std::vector<uint8_t> maskBytes;
  if (transparent) {
    try {
      maskBytes.assign(static_cast<size_t>(stripWidth) * height, 255);
    } catch (const std::bad_alloc&) {
      Fail(gifTooLarge);
    }
  }
  QImage& image = strip.Image();
  const QRgb black = qRgb(0, 0, 0);

  for (int i = 0; i < count; ++i) {
    const TGifFrame& f = frames_[i];
    const TGifColorTable& table = tables_[f.colorTableIndex];
    const int transparentIndex = TransparentIndex(i);
    const int cellLeft = i * cellWidth;
    for (int row = 0; row < f.storedHeight; ++row) {
      const int y = f.top + row;
      auto* line = reinterpret_cast<QRgb*>(image.scanLine(y));
      uint8_t* maskLine = transparent ? maskBytes.data() + static_cast<size_t>(y) * stripWidth : nullptr;
      for (int column = 0; column < f.storedWidth; ++column) {
        const int x = cellLeft + f.left + column;
        const int index = f.PixelAt(column, row);
        if (index == transparentIndex) {
          // Later frames let the previous result show through.
          if (i == 0) {
            line[x] = black;
            if (maskLine) maskLine[x] = 255;
          }
        } else {
          // Indices past the table's size are black.
          const platform::Colour c = index < table.count ? table.colors[index] : platform::clBlack;
          line[x] = qRgb(platform::RedOf(c), platform::GreenOf(c), platform::BlueOf(c));
          if (maskLine) maskLine[x] = 0;
        }
      }
    }
    if (i + 1 >= count) break;
    // The next frame paints over this one's result.
    const int nextLeft = cellLeft + cellWidth;
    for (int y = 0; y < height; ++y) {
      auto* line = reinterpret_cast<QRgb*>(image.scanLine(y));
      std::memcpy(line + nextLeft, line + cellLeft, sizeof(QRgb) * cellWidth);
      if (transparent) {
        uint8_t* m = maskBytes.data() + static_cast<size_t>(y) * stripWidth;
        std::memcpy(m + nextLeft, m + cellLeft, cellWidth);
      }
    }
    const int disposal = ImageDisposal(i);
    if (transparent && (disposal == 2 || disposal == 3)) {
      for (int row = 0; row < f.storedHeight; ++row) {
        uint8_t* m = maskBytes.data() + static_cast<size_t>(f.top + row) * stripWidth;
        std::memset(m + nextLeft + f.left, 255, f.storedWidth);
      }
    }
  }
  strip.SetBitDepth(24);

  if (transparent) {
    mask = platform::Bitmap(stripWidth, height, platform::clBlack);
    if (mask.IsNull()) Fail(gifTooLarge);
    QImage& m = mask.Image();
    const QRgb clear = qRgba(255, 255, 255, 0);
    for (int y = 0; y < height; ++y) {
      auto* line = reinterpret_cast<QRgb*>(m.scanLine(y));
      const uint8_t* bytes = maskBytes.data() + static_cast<size_t>(y) * stripWidth;
      for (int x = 0; x < stripWidth; ++x)
        if (bytes[x]) line[x] = clear;
    }
    mask.SetBitDepth(1);
  }
  return strip;
}

}  // namespace htmlview
