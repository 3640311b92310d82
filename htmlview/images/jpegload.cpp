#include "htmlview/images/jpegload.h"

#include <csetjmp>
#include <cstdio>
#include <cstdlib>
#include <cstring>
#include <vector>

#include <jerror.h>
#include <jpeglib.h>

namespace htmlview {

namespace {

// libjpeg reports fatal errors through error_exit, which must not return.
// It jumps back to the decoding call, which then turns the failure into an
// exception outside every libjpeg frame.
struct ErrorManager {
  jpeg_error_mgr pub;
  std::jmp_buf jump;
  char message[JMSG_LENGTH_MAX];
  bool truncated;
};

void ErrorExit(j_common_ptr cinfo) {
  auto* err = reinterpret_cast<ErrorManager*>(cinfo->err);
  (*cinfo->err->format_message)(cinfo, err->message);
  std::longjmp(err->jump, 1);
}

// Warnings are not printed; data that end before the image does are
// remembered. libjpeg would go on and fill the rest with grey, which for a
// small file claiming a huge image costs the memory and time of all of it.
void EmitMessage(j_common_ptr cinfo, int level) {
  auto* err = reinterpret_cast<ErrorManager*>(cinfo->err);
  if (level < 0) {
    const int code = cinfo->err->msg_code;
    if (code == JWRN_JPEG_EOF || code == JWRN_HIT_MARKER) err->truncated = true;
    cinfo->err->num_warnings++;
  }
}

void OutputMessage(j_common_ptr) {}

void InitErrorManager(ErrorManager& err) {
  jpeg_std_error(&err.pub);
  err.pub.error_exit = ErrorExit;
  err.pub.emit_message = EmitMessage;
  err.pub.output_message = OutputMessage;
  err.message[0] = 0;
  err.truncated = false;
}

constexpr long kMaxDecoderMemory = 512L << 20;

// The decoding state lives outside the function that calls setjmp, so
// nothing it holds is left indeterminate by the jump.
struct DecodeJob {
  const uint8_t* data = nullptr;
  size_t size = 0;
  int width = 0, height = 0;
  int components = 0;   // of the output: 1, 3 or 4 (CMYK)
  bool adobeInverted = false;
  std::vector<uint8_t> pixels;
  const char* failure = nullptr;   // set for refusals that are not libjpeg's
};

// Returns false with err.message or job.failure set.
bool RunDecode(DecodeJob& job, ErrorManager& err) {
  jpeg_decompress_struct cinfo;
  std::memset(&cinfo, 0, sizeof cinfo);
  cinfo.err = &err.pub;
  if (setjmp(err.jump)) {
    jpeg_destroy_decompress(&cinfo);
    return false;
  }
  jpeg_create_decompress(&cinfo);
  jpeg_mem_src(&cinfo, job.data, static_cast<unsigned long>(job.size));
  jpeg_read_header(&cinfo, TRUE);
  if (cinfo.jpeg_color_space == JCS_CMYK || cinfo.jpeg_color_space == JCS_YCCK) {
    cinfo.out_color_space = JCS_CMYK;
    // Adobe's files store CMYK inverted; the marker says so.
    job.adobeInverted = cinfo.saw_Adobe_marker;
  } else if (cinfo.jpeg_color_space == JCS_GRAYSCALE) {
    cinfo.out_color_space = JCS_GRAYSCALE;
  } else {
    cinfo.out_color_space = JCS_RGB;
  }
  // Refused before libjpeg allocates its buffers for the whole image.
  if (cinfo.image_width == 0 || cinfo.image_height == 0 ||
      int64_t(cinfo.image_width) * cinfo.image_height > platform::Bitmap::kMaxPixels) {
    job.failure = "Image too large";
    jpeg_destroy_decompress(&cinfo);
    return false;
  }
  // libjpeg's whole-image buffers (progressive files) stay within this; a
  // small file claiming a huge image fails instead of taking the memory.
  cinfo.mem->max_memory_to_use = kMaxDecoderMemory;
  jpeg_start_decompress(&cinfo);
  job.width = static_cast<int>(cinfo.output_width);
  job.height = static_cast<int>(cinfo.output_height);
  job.components = cinfo.output_components;
  const size_t stride = size_t(job.width) * job.components;
  while (cinfo.output_scanline < cinfo.output_height) {
    // Rows are stored as they come, so a cut-off file never gets the
    // memory of the whole image it claims.
    job.pixels.resize(stride * (size_t(cinfo.output_scanline) + 1));
    JSAMPROW row = job.pixels.data() + stride * cinfo.output_scanline;
    if (jpeg_read_scanlines(&cinfo, &row, 1) != 1) break;
    if (err.truncated) break;
  }
  if (err.truncated || cinfo.output_scanline < cinfo.output_height) {
    job.failure = "Premature end of JPEG file";
    jpeg_destroy_decompress(&cinfo);
    return false;
  }
  jpeg_finish_decompress(&cinfo);
  jpeg_destroy_decompress(&cinfo);
  return true;
}

platform::Bitmap ToBitmap(const DecodeJob& job, bool eightBitGrey) {
  platform::Bitmap b(job.width, job.height, platform::clBlack);
  if (b.IsNull()) throw EJpegError("Not enough memory for the JPEG image");
  const size_t stride = size_t(job.width) * job.components;
  for (int y = 0; y < job.height; ++y) {
    const uint8_t* src = job.pixels.data() + stride * y;
    auto* dst = reinterpret_cast<QRgb*>(b.Image().scanLine(y));
    for (int x = 0; x < job.width; ++x, src += job.components) {
      int r, g, bl;
      if (job.components == 1) {
        r = g = bl = src[0];
      } else if (job.components == 3) {
        r = src[0], g = src[1], bl = src[2];
      } else {
        int c = src[0], m = src[1], ye = src[2], k = src[3];
        if (!job.adobeInverted) c = 255 - c, m = 255 - m, ye = 255 - ye, k = 255 - k;
        // Inverted values: c is the amount of red left, k the lightness.
        r = c * k / 255, g = m * k / 255, bl = ye * k / 255;
      }
      dst[x] = qRgba(r, g, bl, 255);
    }
  }
  b.SetBitDepth(job.components == 1 && eightBitGrey ? 8 : 24);
  return b;
}

}  // namespace

platform::Bitmap DecodeJpeg(const uint8_t* data, size_t size, bool eightBitGrey) {
  if (!data || size < 2) throw EJpegError("Not a JPEG file");
  DecodeJob job;
  job.data = data;
  job.size = size;
  ErrorManager err;
  InitErrorManager(err);
  if (!RunDecode(job, err)) throw EJpegError(job.failure ? job.failure : err.message);
  return ToBitmap(job, eightBitGrey);
}

namespace {

struct EncodeJob {
  int width = 0, height = 0;
  std::vector<uint8_t> rgb;
  unsigned char* out = nullptr;
  unsigned long outSize = 0;
  int quality = 75;
  bool progressive = false;
};

bool RunEncode(EncodeJob& job, ErrorManager& err) {
  jpeg_compress_struct cinfo;
  std::memset(&cinfo, 0, sizeof cinfo);
  cinfo.err = &err.pub;
  if (setjmp(err.jump)) {
    jpeg_destroy_compress(&cinfo);
    return false;
  }
  jpeg_create_compress(&cinfo);
  jpeg_mem_dest(&cinfo, &job.out, &job.outSize);
  cinfo.image_width = static_cast<JDIMENSION>(job.width);
  cinfo.image_height = static_cast<JDIMENSION>(job.height);
  cinfo.input_components = 3;
  cinfo.in_color_space = JCS_RGB;
  jpeg_set_defaults(&cinfo);
  jpeg_set_quality(&cinfo, job.quality, TRUE);
  if (job.progressive) jpeg_simple_progression(&cinfo);
  jpeg_start_compress(&cinfo, TRUE);
  const size_t stride = size_t(job.width) * 3;
  while (cinfo.next_scanline < cinfo.image_height) {
    JSAMPROW row = job.rgb.data() + stride * cinfo.next_scanline;
    jpeg_write_scanlines(&cinfo, &row, 1);
  }
  jpeg_finish_compress(&cinfo);
  jpeg_destroy_compress(&cinfo);
  return true;
}

}  // namespace

std::string EncodeJpeg(const platform::Bitmap& bitmap, int quality, bool progressive) {
  if (bitmap.IsNull()) throw EJpegError("Bitmap image is not valid");
  EncodeJob job;
  job.width = bitmap.Width();
  job.height = bitmap.Height();
  job.quality = quality;
  job.progressive = progressive;
  job.rgb.reserve(size_t(job.width) * job.height * 3);
  for (int y = 0; y < job.height; ++y)
    for (int x = 0; x < job.width; ++x) {
      const platform::Colour c = bitmap.Pixel(x, y);
      job.rgb.push_back(uint8_t(platform::RedOf(c)));
      job.rgb.push_back(uint8_t(platform::GreenOf(c)));
      job.rgb.push_back(uint8_t(platform::BlueOf(c)));
    }
  ErrorManager err;
  InitErrorManager(err);
  const bool ok = RunEncode(job, err);
  std::string result;
  if (ok && job.out) result.assign(reinterpret_cast<const char*>(job.out), job.outSize);
  std::free(job.out);
  if (!ok) throw EJpegError(err.message);
  return result;
}

}  // namespace htmlview
