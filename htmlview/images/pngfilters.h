#pragma once
// PNG row arithmetic: sizes of rows for each colour type and bit depth, the
// five row filters and their inverse, the encoder's filter score, and the
// geometry of the seven Adam7 passes.
#include <cstddef>
#include <cstdint>

namespace htmlview::png {

// Filter types as stored in front of every row.
enum : uint8_t { kFilterNone = 0, kFilterSub = 1, kFilterUp = 2, kFilterAverage = 3, kFilterPaeth = 4 };

// Bytes of one row of `width` pixels, or -1 for a colour type PNG does not know.
int64_t RowBytes(int colourType, int bitDepth, int64_t width);
// The filters' distance to "the byte to the left": at least 1.
int FilterBytesPerPixel(int colourType, int bitDepth);

uint8_t PaethPredictor(int a, int b, int c);
// Undoes a filter in place; `prior` is the previous raw row (zeros for the
// first). False when the filter type is unknown.
bool UnfilterRow(uint8_t type, uint8_t* row, const uint8_t* prior, size_t length, int bpp);
// Applies a filter to a raw row into `out`.
void FilterRow(uint8_t type, const uint8_t* row, const uint8_t* prior, size_t length, int bpp,
               uint8_t* out);
// The encoder's preference: positions from the fifth byte on where the last
// five bytes are all equal (long runs deflate well).
int64_t ScoreFilteredRow(const uint8_t* out, size_t length);

struct Adam7Pass {
  int rowStart, colStart, rowStep, colStep;
};
extern const Adam7Pass kAdam7Passes[7];
// Pixels (or rows) of a pass along one axis of `size` pixels.
inline int64_t PassExtent(int64_t size, int start, int step) {
  return size > start ? (size - start + step - 1) / step : 0;
}

}  // namespace htmlview::png
