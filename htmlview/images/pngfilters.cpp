#include "htmlview/images/pngfilters.h"

#include <cstdlib>

namespace htmlview::png {

const Adam7Pass kAdam7Passes[7] = {
    {0, 0, 8, 8}, {0, 4, 8, 8}, {4, 0, 8, 4}, {0, 2, 4, 4},
    {2, 0, 4, 2}, {0, 1, 2, 2}, {1, 0, 2, 1},
};

int64_t RowBytes(int colourType, int bitDepth, int64_t width) {
  switch (colourType) {
    case 0:
    case 3: return (bitDepth * width + 7) / 8;
    case 2: return bitDepth * width * 3 / 8;
    case 4: return bitDepth * width * 2 / 8;
    case 6: return bitDepth * width * 4 / 8;
    default: return -1;
  }
}

int FilterBytesPerPixel(int colourType, int bitDepth) {
  int bytes = 1;
  switch (colourType) {
    // 16-bit grey: two bytes a pixel, as every PNG writer filters them.
    case 0: bytes = bitDepth / 8; break;
    case 2: bytes = bitDepth * 3 / 8; break;
    case 4: bytes = bitDepth * 2 / 8; break;
    case 6: bytes = bitDepth * 4 / 8; break;
    default: break;
  }
  return bytes < 1 ? 1 : bytes;
}

uint8_t PaethPredictor(int a, int b, int c) {
  const int p = a + b - c;
  const int pa = std::abs(p - a), pb = std::abs(p - b), pc = std::abs(p - c);
  if (pa <= pb && pa <= pc) return static_cast<uint8_t>(a);
  if (pb <= pc) return static_cast<uint8_t>(b);
  return static_cast<uint8_t>(c);
}

bool UnfilterRow(uint8_t type, uint8_t* row, const uint8_t* prior, size_t length, int bpp) {
  const size_t step = static_cast<size_t>(bpp);
  switch (type) {
    case kFilterNone: break;
    case kFilterSub:
      for (size_t i = step; i < length; ++i) row[i] = static_cast<uint8_t>(row[i] + row[i - step]);
      break;
    case kFilterUp:
      for (size_t i = 0; i < length; ++i) row[i] = static_cast<uint8_t>(row[i] + prior[i]);
      break;
    case kFilterAverage:
      for (size_t i = 0; i < length; ++i) {
        const int a = i >= step ? row[i - step] : 0;
        row[i] = static_cast<uint8_t>(row[i] + (a + prior[i]) / 2);
      }
      break;
    case kFilterPaeth:
      for (size_t i = 0; i < length; ++i) {
        const int a = i >= step ? row[i - step] : 0;
        const int c = i >= step ? prior[i - step] : 0;
        row[i] = static_cast<uint8_t>(row[i] + PaethPredictor(a, prior[i], c));
      }
      break;
    default: return false;
  }
  return true;
}

void FilterRow(uint8_t type, const uint8_t* row, const uint8_t* prior, size_t length, int bpp,
               uint8_t* out) {
  const size_t step = static_cast<size_t>(bpp);
  for (size_t i = 0; i < length; ++i) {
    const int a = i >= step ? row[i - step] : 0;
    const int b = prior[i];
    const int c = i >= step ? prior[i - step] : 0;
    int predicted = 0;
    switch (type) {
      case kFilterSub: predicted = a; break;
      case kFilterUp: predicted = b; break;
      case kFilterAverage: predicted = (a + b) / 2; break;
      case kFilterPaeth: predicted = PaethPredictor(a, b, c); break;
      default: break;
    }
    out[i] = static_cast<uint8_t>(row[i] - predicted);
  }
}

int64_t ScoreFilteredRow(const uint8_t* out, size_t length) {
  int64_t score = 0;
  for (size_t i = 4; i < length; ++i)
    if (out[i] == out[i - 1] && out[i] == out[i - 2] && out[i] == out[i - 3] && out[i] == out[i - 4])
      ++score;
  return score;
}

}  // namespace htmlview::png
