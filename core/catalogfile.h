#pragma once
// The catalog file's header record. Two layouts exist: 808 bytes (files of
// "v 1.02" and later) and 552 bytes ("v 1.00" and "v 1.01", which have no
// Make slot). In memory both become TCompFileHeader.
#include <array>
#include <cstdint>
#include <string>
#include <string_view>

#include "core/valuestream.h"

namespace core {

inline constexpr std::string_view kCompFileIdV100 = "Quillbarrow compressor file v 1.00";
inline constexpr std::string_view kCompFileIdV101 = "Quillbarrow compressor file v 1.01";
inline constexpr std::string_view kCompFileIdV102 = "Quillbarrow compressor file v 1.02";
inline constexpr std::string_view kCompFileIdV103 = "Quillbarrow compressor file v 1.03";
// What writers write.
inline constexpr std::string_view kCompFileId = kCompFileIdV103;

inline constexpr int kCompFileHeaderSize = 808;
inline constexpr int kOldCompFileHeaderSize = 552;

struct TCompFileHeader {
  // Texts are UTF-8 here; the file holds them as Windows-1252 bytes, at most 255.
  std::string FileID;
  std::string Manufacturer;
  std::string Make;
  int32_t RefrigNumber = 0;   // the refrigerant's InternalNumber in the refrigerant library
  double TeLo = 0.0;
  double TeHi = 0.0;
  double TcLo = 0.0;
  double TcHi = 0.0;
};

// The 808-byte record; the unused bytes of the text slots and the 4 bytes
// after the refrigerant number are zero. Texts that do not fit a slot are cut
// to 255 bytes; characters outside Windows-1252 become "?".
std::array<uint8_t, kCompFileHeaderSize> CompFileHeaderBytes(const TCompFileHeader& header);
// Writes the 808-byte record as a raw block.
void WriteFileHeader(TValueWriter& writer, const TCompFileHeader& header);

// Detects the layout, reads the record into header and leaves the reader at
// the start of the model list. Raises EReadError when the file is too short.
void ReadFileHeader(TValueReader& reader, TCompFileHeader& header);
// The same from the start of the file at path, in one open, one read and one
// close (a search reads the headers of every installed catalog). Raises what
// a stream over the file would: EFOpenError, EReadError. Without texts only
// the refrigerant and the temperatures are set.
void ReadFileHeader(const std::string& path, TCompFileHeader& header, bool texts = true);

// Header size of a file whose identification is fileId: 552 for the
// identifications of "v 1.00" and "v 1.01", 808 for any other.
int CompFileHeaderSizeFor(std::string_view fileId);

}  // namespace core
