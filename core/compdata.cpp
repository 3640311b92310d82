#include "core/compdata.h"

#include <algorithm>
#include <bit>

#include "core/catalogfile.h"
#include "platform/sysutils.h"

namespace core {

namespace {

constexpr size_t kMaxTextChars = 255;

// The first 255 characters (not bytes) of a UTF-8 text.
std::string FirstChars(std::string text, size_t count) {
  size_t chars = 0;
  for (size_t i = 0; i < text.size(); ++i) {
    if ((static_cast<uint8_t>(text[i]) & 0xC0) != 0x80) {
      if (chars == count) {
        text.resize(i);
        break;
      }
      ++chars;
    }
  }
  return text;
}

void ReadCoefficients(TValueReader& reader, TPoly9Coef& c) {
  uint8_t bytes[72];
  reader.Read(bytes, sizeof bytes);
  for (size_t k = 0; k < c.size(); ++k) {
    uint64_t u = 0;
    for (int i = 0; i < 8; ++i) u |= static_cast<uint64_t>(bytes[8 * k + i]) << (8 * i);
    c[k] = std::bit_cast<double>(u);
  }
}

void WriteCoefficients(TValueWriter& writer, const TPoly9Coef& c) {
  uint8_t bytes[72];
  for (size_t k = 0; k < c.size(); ++k) {
    const auto u = std::bit_cast<uint64_t>(c[k]);
    for (int i = 0; i < 8; ++i) bytes[8 * k + i] = static_cast<uint8_t>(u >> (8 * i));
  }
  writer.Write(bytes, sizeof bytes);
}

std::vector<double> ReadFloatList(TValueReader& reader) {
  std::vector<double> list;
  reader.ReadListBegin();
  while (!reader.EndOfList()) list.push_back(reader.ReadFloat());
  reader.ReadListEnd();
  return list;
}

// Reads a list of rows into a table already sized to the te and tc lists. A
// stored table larger than that shape is a damaged file: it is refused
// rather than cut, so that no caller takes a partly read table for whole.
template <typename Matrix, typename ReadItem>
void ReadTable(TValueReader& reader, Matrix& table, ReadItem readItem) {
  reader.ReadListBegin();
  size_t row = 0;
  while (!reader.EndOfList()) {
    if (row >= table.size())
      throw platform::EReadError("Compressor table has more rows than tc values");
    auto& cells = table[row];
    reader.ReadListBegin();
    size_t col = 0;
    while (!reader.EndOfList()) {
      if (col >= cells.size())
        throw platform::EReadError("Compressor table row has more values than te values");
      cells[col++] = readItem();
    }
    reader.ReadListEnd();
    ++row;
  }
  reader.ReadListEnd();
}

// Writes at most the shape the te and tc lists declare, so that what is
// written always reads back.
template <typename Matrix, typename WriteItem>
void WriteTable(TValueWriter& writer, const Matrix& table, size_t rows, size_t cols, WriteItem writeItem) {
  writer.WriteListBegin();
  for (size_t r = 0; r < std::min(rows, table.size()); ++r) {
    writer.WriteListBegin();
    for (size_t c = 0; c < std::min(cols, table[r].size()); ++c) writeItem(table[r][c]);
    writer.WriteListEnd();
  }
  writer.WriteListEnd();
}

bool HasSgRef(std::string_view version) {
  return !platform::SameText(version, kCompFileIdV100) && !platform::SameText(version, kCompFileIdV101) &&
         !platform::SameText(version, kCompFileIdV102);
}

}  // namespace

void TCompData::ReadData(TValueReader& reader, std::string_view version) {
  TeList.clear();
  TcList.clear();
  Valid.clear();
  QeTable.clear();
  PwTable.clear();

  Name = FirstChars(reader.ReadString(), kMaxTextChars);
  Description = FirstChars(reader.ReadString(), kMaxTextChars);
  Freq = reader.ReadInteger();
  hrf = reader.ReadFloat();
  shRef = reader.ReadFloat();
  sgRef = kSgRefNotGiven;
  if (HasSgRef(version)) sgRef = reader.ReadFloat();
  scRef = reader.ReadFloat();
  OnePhase = true;
  ThreePhase = true;
  if (version != kCompFileIdV100) {
    OnePhase = reader.ReadBoolean();
    ThreePhase = reader.ReadBoolean();
  }
  uint8_t flags[2];
  reader.Read(flags, sizeof flags);
  HasCurveFit = flags[0] != 0;
  HasTable = flags[1] != 0;
  if (HasCurveFit) {
    ReadCoefficients(reader, QeCoef);
    ReadCoefficients(reader, PwCoef);
  }
  if (!HasTable) return;

  TeList = ReadFloatList(reader);
  TcList = ReadFloatList(reader);
  const size_t cols = TeList.size();
  const size_t rows = TcList.size();
  if (static_cast<int64_t>(cols) > kMaxTableSide || static_cast<int64_t>(rows) > kMaxTableSide ||
      static_cast<int64_t>(cols) * static_cast<int64_t>(rows) > kMaxTableCells)
    throw platform::EReadError("Compressor table too large (" + std::to_string(cols) + " te values, " +
                               std::to_string(rows) + " tc values)");
  Valid.assign(rows, std::vector<int32_t>(cols, 0));
  QeTable.assign(rows, std::vector<double>(cols, 0.0));
  PwTable.assign(rows, std::vector<double>(cols, 0.0));
  ReadTable(reader, Valid, [&] { return reader.ReadInteger(); });
  ReadTable(reader, QeTable, [&] { return reader.ReadFloat(); });
  ReadTable(reader, PwTable, [&] { return reader.ReadFloat(); });
}

void TCompData::WriteData(TValueWriter& writer) const {
  writer.WriteString(Name);
  writer.WriteString(Description);
  writer.WriteInteger(Freq);
  writer.WriteFloat(hrf);
  writer.WriteFloat(shRef);
  writer.WriteFloat(sgRef);
  writer.WriteFloat(scRef);
  writer.WriteBoolean(OnePhase);
  writer.WriteBoolean(ThreePhase);
  const uint8_t flags[2] = {static_cast<uint8_t>(HasCurveFit ? 1 : 0), static_cast<uint8_t>(HasTable ? 1 : 0)};
  writer.Write(flags, sizeof flags);
  if (HasCurveFit) {
    WriteCoefficients(writer, QeCoef);
    WriteCoefficients(writer, PwCoef);
  }
  if (!HasTable) return;
  writer.WriteListBegin();
  for (double te : TeList) writer.WriteFloat(te);
  writer.WriteListEnd();
  writer.WriteListBegin();
  for (double tc : TcList) writer.WriteFloat(tc);
  writer.WriteListEnd();
  const size_t rows = TcList.size();
  const size_t cols = TeList.size();
  WriteTable(writer, Valid, rows, cols, [&](int32_t flag) { writer.WriteInteger(flag); });
  WriteTable(writer, QeTable, rows, cols, [&](double v) { writer.WriteFloat(v); });
  WriteTable(writer, PwTable, rows, cols, [&](double v) { writer.WriteFloat(v); });
}

}  // namespace core
