#pragma once
// Compressor catalogs written with the catalog writer, for the tests of the
// compressor and of the dialogs over it. Inline on purpose: testsupport is
// linked into every test, and only the tests that include this header link
// the libraries it needs.
#include <cstdint>
#include <string>
#include <vector>

#include "core/catalogfile.h"
#include "core/compdata.h"
#include "core/valuestream.h"
#include "platform/streams.h"

namespace testsupport {

// A curve-fit model whose capacity (kW) and power (kW) are the constants qe
// and pw everywhere.
inline core::TCompData PolyModel(const std::string& name, double qe, double pw) {
  core::TCompData d;
  d.Name = name;
  d.HasCurveFit = true;
  d.QeCoef = {qe, 0, 0, 0, 0, 0, 0, 0, 0};
  d.PwCoef = {pw, 0, 0, 0, 0, 0, 0, 0, 0};
  return d;
}

// A table model: te -25, -10, 5, 10; tc 40, 50, 60. Qe 10000 W and Pw 3.5 kW
// everywhere unless changed.
inline core::TCompData TableModel(const std::string& name) {
  core::TCompData d;
  d.Name = name;
  d.HasTable = true;
  d.TeList = {-25, -10, 5, 10};
  d.TcList = {40, 50, 60};
  d.Valid.assign(3, std::vector<int32_t>(4, 0));
  d.QeTable.assign(3, std::vector<double>(4, 10000.0));
  d.PwTable.assign(3, std::vector<double>(4, 3.5));
  return d;
}

// A current catalog header (make "Range") for the refrigerant's number.
inline core::TCompFileHeader CatalogHeader(int32_t refrigerant, const std::string& manufacturer = "Acme",
                                           double teLo = -25, double teHi = 10, double tcLo = 40,
                                           double tcHi = 60) {
  core::TCompFileHeader h;
  h.FileID = std::string(core::kCompFileId);
  h.Manufacturer = manufacturer;
  h.Make = "Range";
  h.RefrigNumber = refrigerant;
  h.TeLo = teLo;
  h.TeHi = teHi;
  h.TcLo = tcLo;
  h.TcHi = tcHi;
  return h;
}

inline void WriteCatalog(const std::string& path, const core::TCompFileHeader& header,
                         const std::vector<core::TCompData>& models) {
  platform::TFileStream stream(path, platform::TFileMode::fmCreate);
  core::TValueWriter writer(stream);
  core::WriteFileHeader(writer, header);
  writer.WriteListBegin();
  for (const core::TCompData& model : models) model.WriteData(writer);
  writer.WriteListEnd();
}

// With the default header for the refrigerant.
inline void WriteCatalog(const std::string& path, int32_t refrigerant, const std::vector<core::TCompData>& models) {
  WriteCatalog(path, CatalogHeader(refrigerant), models);
}

}  // namespace testsupport
