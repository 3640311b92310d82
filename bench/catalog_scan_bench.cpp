// Finding the compressor catalogs of one refrigerant among 2,000 installed
// catalogs, as the selection dialog does: the catalog folder searched again
// (refresh), then every catalog's header read and matched (search). The peer
// is a plain loop: list the folder, open each file, read its 808-byte header,
// compare the refrigerant number, close.
#include <dirent.h>
#include <fcntl.h>
#include <unistd.h>

#include <cstdio>
#include <cstring>
#include <filesystem>
#include <fstream>
#include <string>
#include <vector>

#include "bench/peer_compare.h"
#include "core/catalogfile.h"
#include "core/comp.h"
#include "core/refriglib.h"

#ifndef DRAVLEN_SOURCE_DIR
#define DRAVLEN_SOURCE_DIR "."
#endif

namespace {

namespace fs = std::filesystem;

constexpr int kCatalogs = 2000;

// A catalog: the header, then some kilobytes standing for its models (the
// search reads none of them).
void WriteCatalogFile(const std::string& path, int index) {
  core::TCompFileHeader header;
  header.FileID = std::string(core::kCompFileId);
  header.Manufacturer = "Maker " + std::to_string(index % 17);
  header.Make = "Range " + std::to_string(index);
  header.RefrigNumber = index % 5 == 0 ? 3 : 0;   // most R22, some another refrigerant
  header.TeLo = -40;
  header.TeHi = 10 + index % 5;
  header.TcLo = 25;
  header.TcHi = 60;
  const auto bytes = core::CompFileHeaderBytes(header);
  std::ofstream out(path, std::ios::binary);
  out.write(reinterpret_cast<const char*>(bytes.data()), static_cast<std::streamsize>(bytes.size()));
  out << '\x01' << std::string(3000 + (index % 7) * 500, '\0');
}

size_t PeerScan(const std::string& folder, int32_t number) {
  std::vector<std::string> names;
  if (DIR* dir = ::opendir(folder.c_str())) {
    while (const dirent* e = ::readdir(dir)) {
      const size_t n = std::strlen(e->d_name);
      if (n > 4 && std::strcmp(e->d_name + n - 4, ".cmp") == 0) names.push_back(folder + "/" + e->d_name);
    }
    ::closedir(dir);
  }
  size_t found = 0;
  unsigned char header[808];
  for (const std::string& path : names) {
    const int fd = ::open(path.c_str(), O_RDONLY | O_CLOEXEC);
    if (fd < 0) continue;
    const ssize_t got = ::read(fd, header, sizeof header);
    ::close(fd);
    if (got != static_cast<ssize_t>(sizeof header)) continue;
    int32_t refrigerant;
    std::memcpy(&refrigerant, header + 768, 4);
    if (refrigerant == number) ++found;
  }
  return found;
}

}  // namespace

int main() {
  const fs::path dir = fs::temp_directory_path() / ("dravlen-catalog-bench-" + std::to_string(::getpid()));
  const fs::path folder = dir / "catalogs";
  fs::create_directories(folder);
  fs::copy_file(DRAVLEN_SOURCE_DIR "/resources/shared/RefLib8.rdf", dir / "RefLib8.rdf");
  core::InitRefrigLib((dir / "RefLib8.rdf").string());
  for (int i = 0; i < kCatalogs; ++i) WriteCatalogFile((folder / ("cat" + std::to_string(i) + ".cmp")).string(), i);
  core::InitComp();
  core::SetCatalogFolder(folder.string());
  const int32_t number = core::RefrigNumberOf("R22");

  size_t ours = 0, peer = 0;
  std::printf("Catalog scan: %d installed catalogs, refresh + search for R22\n", kCatalogs);
  bench::Compare(
      "refresh + search", "plain open/read loop", 41,
      [&] {
        core::Comp().RefreshFiles();
        ours = static_cast<size_t>(core::FindCompressorFiles("R22", "", -99, -99).Count());
      },
      [&] { peer = PeerScan(folder.string(), number); });
  std::printf("  catalogs found: ours %zu, peer %zu%s\n", ours, peer, ours == peer ? "" : "  (DIFFER)");
  core::DoneComp();
  core::DoneRefrigLib();
  std::error_code ec;
  fs::remove_all(dir, ec);
  return 0;
}
