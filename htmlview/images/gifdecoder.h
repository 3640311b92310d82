#pragma once
// The viewer's own GIF reader. TGif parses a whole GIF file (header, colour
// tables, extensions, LZW-compressed frames) and renders every frame side by
// side into one strip bitmap, plus a mask when any frame is transparent. It
// lives only while one image is decoded; TGIFImage (gifimage.h) keeps the
// result.
//
// Bad input never crashes and never allocates beyond what the strip limits
// allow: every format error raises EGifError ("TGif: %s").
#include <array>
#include <cstdint>
#include <string>
#include <vector>

#include "platform/colors.h"
#include "platform/image.h"
#include "platform/streams.h"
#include "platform/sysutils.h"

namespace htmlview {

// The platform's invalid-graphic-operation error: raised by the image
// decoders and the colour-reduction toolkit for bad image data or misuse.
class EInvalidGraphicOperation : public platform::Exception {
  using Exception::Exception;
};

// Error codes of the GIF reader; the message of each is GifErrorMessage(code).
enum GifErrorCode : int {
  gifNoError = 0,
  gifBadSignature = 1,
  gifNoColorTable = 2,
  gifUnknownGraphicsExtension = 3,
  gifUnknownOperationCode = 4,
  gifBadExtensionBlockSize = 5,
  gifSpecialMessage = 6,
  gifBadExtensionTerminator = 7,
  gifBadIntegerSize = 8,
  gifNoTerminator = 9,
  gifExtensionOutOfOrder = 10,
  gifBadImageDescriptorIndex = 11,
  gifBadLzwCodeSize = 12,
  gifBadLzwData = 13,
  gifLzwCodeOverflow = 14,
  gifValueOutOfRange = 15,
  gifNilPointer = 16,
  gifBadColorTableSize = 17,
  gifNoImageDescription = 18,
  gifBadBitmapImage = 19,
  gifBadColorTableIndex = 20,
  gifBadInterlacePass = 21,
  gifBadBitmap = 22,
  gifTooManyColors = 23,
  gifUnexpectedEof = 24,
  gifTooLarge = 25,
  gifZeroSize = 26,
  gifNextMessage = 27,
};

// The message of a code ("Invalid GIF Signature Code"); "" outside 0..27.
std::string GifErrorMessage(int code);

// "TGif: <message>"; Code() tells which error it was.
class EGifError : public EInvalidGraphicOperation {
 public:
  EGifError(int code, const std::string& message);
  int Code() const { return code_; }

 private:
  int code_;
};

// Colours as red + green * 256 + blue * 65536, which is a platform Colour.
struct TGifColorTable {
  int count = 0;
  std::array<platform::Colour, 256> colors{};  // entries past count are black
};

// One extension block as read; which fields mean something depends on label.
struct TGifExtension {
  uint8_t label = 0;
  // 0xF9 graphic control.
  int disposal = 0;  // bits 2..4 of the packed byte
  bool userInput = false;
  bool transparentFlag = false;
  int delay = 0;  // hundredths of a second
  int transparentIndex = 0;
  // 0x01 plain text.
  int gridLeft = 0, gridTop = 0, gridWidth = 0, gridHeight = 0;
  int cellWidth = 0, cellHeight = 0, foreground = 0, background = 0;
  // 0xFF application.
  std::string identifier;      // 8 bytes
  std::string authentication;  // 3 bytes
  // Data sub-blocks (comment text, plain text, application data).
  std::vector<std::string> blocks;
};

struct TGifScreenDescriptor {
  int width = 0, height = 0;
  bool globalTable = false;
  int colorResolution = 0;  // (bits 4..6) + 1
  bool sorted = false;
  int tableSize = 0;        // 2 .. 256
  int background = 0;
  int aspect = 0;
  int globalTableIndex = -1;
};

struct TGifFrame {
  int left = 0, top = 0, width = 0, height = 0;
  bool localTable = false, interlaced = false, sorted = false;
  int tableSize = 0;
  int colorTableIndex = -1;
  int lzwMinCodeSize = 0;
  std::vector<TGifExtension> extensions;
  // One colour index per pixel, rows top to bottom. Only the part that can
  // show in the logical screen is kept (pixels right of or below it are
  // never drawn), so a frame claiming 65535 x 65535 pixels costs nothing.
  std::vector<uint8_t> pixels;
  int storedWidth = 0, storedHeight = 0;
  // The frame's graphic control: its first 0xF9 extension, or null.
  const TGifExtension* GraphicControl() const;
  // Index of a stored pixel; -1 outside the stored part.
  int PixelAt(int column, int row) const;
};

class TGif {
 public:
  // Decodes the whole GIF (the stream is read from position 0). Raises
  // EGifError on any format error.
  void LoadFromStream(platform::TStream& stream);

  // The strip: frame i in columns i*Width() onwards, each frame drawn over a
  // copy of the previous one. Opaque pixels; when the GIF is transparent,
  // mask is set to a monochrome mask (opaque black where the strip shows,
  // transparent white where it does not), else it is made null.
  platform::Bitmap GetStripBitmap(platform::Bitmap& mask) const;

  int ImageCount() const { return static_cast<int>(frames_.size()); }
  int Width() const { return screen_.width; }
  int Height() const { return screen_.height; }
  bool IsTransparent() const;
  int LoopCount() const { return loopCount_; }

  // Per frame (0-based); an index out of range raises code 15.
  int ImageLeft(int index) const;
  int ImageTop(int index) const;
  int ImageWidth(int index) const;
  int ImageHeight(int index) const;
  int ImageDelay(int index) const;      // hundredths, at least 1
  int ImageDisposal(int index) const;   // 0..3
  int TransparentIndex(int index) const;  // -1 when none

  const std::string& Signature() const { return signature_; }
  const TGifScreenDescriptor& Screen() const { return screen_; }
  const std::vector<TGifFrame>& Frames() const { return frames_; }
  const std::vector<TGifColorTable>& ColorTables() const { return tables_; }

  // Byte sizes of the strip and mask as BMP files, the figures the limits
  // are put on (200,000,000 and 100,000,000 bytes).
  static int64_t StripFileSize(int width, int height, int frameCount);
  static constexpr int64_t kMaxStripFileSize = 200000000;
  static constexpr int64_t kMaxMaskFileSize = 100000000;

 private:
  void Clear();
  void ReadSignature();
  void ReadScreenDescriptor();
  int ReadColorTable(int size);
  void ReadExtension();
  void ReadImage();
  std::vector<std::string> ReadSubBlocks();
  void CheckStripLimits(bool transparent) const;
  void Decompress(TGifFrame& frame, const std::vector<uint8_t>& codes);
  const TGifFrame& FrameAt(int index) const;

  uint8_t ReadByte();  // past the end: raises code 24
  int ReadWord();
  void ReadBytes(void* target, size_t count);
  bool AtEnd() const { return pos_ >= data_.size(); }

  std::vector<uint8_t> data_;
  size_t pos_ = 0;
  std::vector<TGifExtension> pending_;
  std::string signature_;
  TGifScreenDescriptor screen_;
  std::vector<TGifFrame> frames_;
  std::vector<TGifColorTable> tables_;
  int loopCount_ = -1;
};

}  // namespace htmlview
