#pragma once
// One compressor model's ratings: rating conditions, the capacity and power
// polynomials and the table over te and tc. A catalog reader fills it from a
// model record, the workbench from a source-file section.
#include <cstdint>
#include <string>
#include <string_view>
#include <vector>

#include "core/interpolator.h"
#include "core/valuestream.h"

namespace core {

// sgRef at or below this means "not given"; files store -300 for it.
inline constexpr double kSgRefNotGiven = -300.0;
inline constexpr double kSgRefGivenAbove = -100.0;

// Largest table a catalog may declare: at most this many te values or tc
// values, and this many cells (te values × tc values). Real tables hold a few
// hundred points; the limits keep a damaged file from making the reader
// allocate without bound.
inline constexpr int64_t kMaxTableSide = 10000;
inline constexpr int64_t kMaxTableCells = 1000000;

class TCompData {
 public:
  std::string Name;           // at most 255 characters
  std::string Description;    // at most 255 characters
  int32_t Freq = 50;          // supply frequency, Hz
  double hrf = 0.9;           // heat-rejection factor: Qc = Qe + hrf·Pw
  double shRef = 7.5;         // rating suction superheat, K
  double sgRef = kSgRefNotGiven;  // rating suction-gas temperature, °C
  double scRef = 5.0;         // rating liquid subcooling, K
  bool OnePhase = false;
  bool ThreePhase = false;
  bool HasCurveFit = false;
  bool HasTable = false;
  TPoly9Coef QeCoef{};        // capacity, kW
  TPoly9Coef PwCoef{};        // power, kW
  std::vector<double> TeList; // °C
  std::vector<double> TcList; // °C
  TIntMat Valid;              // [tc][te] flags 0, 1, 2
  TFloatMat QeTable;          // [tc][te] W, -99 missing
  TFloatMat PwTable;          // [tc][te] kW, -99 missing

  // Reads one model record of the layout that version (the FileID of the
  // file's header) names. Raises EReadError on a damaged record, including a
  // table with more rows or items than the tc and te lists declare.
  void ReadData(TValueReader& reader, std::string_view version);
  // Writes one model record of the current ("v 1.03") layout.
  void WriteData(TValueWriter& writer) const;
};

}  // namespace core
