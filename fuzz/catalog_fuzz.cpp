// The catalog reader on arbitrary bytes: a damaged catalog must end in a
// reported error, never in a crash, a hang or an unbounded allocation. Each
// model read is also written and read again, which must give the same bytes,
// and located in its own table.
#include <cstddef>
#include <cstdint>
#include <vector>

#include "core/catalogfile.h"
#include "core/compdata.h"
#include "core/interpolator.h"
#include "core/valuestream.h"
#include "platform/streams.h"
#include "platform/sysutils.h"

namespace {

std::vector<uint8_t> Written(const core::TCompData& model) {
  platform::TMemoryStream stream;
  {
    core::TValueWriter writer(stream);
    model.WriteData(writer);
  }
  return stream.Bytes();
}

void CheckModel(const core::TCompData& model) {
  const auto first = Written(model);
  platform::TMemoryStream stream(first);
  core::TCompData again;
  {
    core::TValueReader reader(stream);
    again.ReadData(reader, core::kCompFileId);
  }
  if (Written(again) != first) __builtin_trap();

  if (!model.HasTable) return;
  core::TInterpolator ip;
  const double points[][2] = {{-20, 40}, {0, 0}, {1e300, -1e300}, {-5, 55}};
  for (const auto& p : points) {
    ip.Locate(model.TeList, model.TcList, p[0], p[1], model.QeTable, model.Valid);
    (void)ip.Bilinear(model.QeTable);
    (void)ip.Bilinear(model.PwTable);
  }
  (void)core::MatrixMax(model.QeTable);
  (void)core::MatrixMin(model.PwTable);
}

}  // namespace

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size) {
  platform::TMemoryStream stream(std::vector<uint8_t>(data, data + size));
  try {
    core::TValueReader reader(stream);
    core::TCompFileHeader header;
    core::ReadFileHeader(reader, header);
    reader.ReadListBegin();
    while (!reader.EndOfList()) {
      core::TCompData model;
      model.ReadData(reader, header.FileID);
      CheckModel(model);
    }
    reader.ReadListEnd();
  } catch (const platform::Exception&) {
    // A damaged file: reported to the user by the catalog scans.
  }
  return 0;
}
