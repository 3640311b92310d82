// Opening a 100,000-line INI file in the editor: load, highlight and the first
// paint of an 800 x 600 window, against QScintilla with its properties lexer
// doing the same. Time in interleaved rounds in this process; memory (peak
// growth and what stays after the paint, both as resident memory) each in a
// fresh process of its own, so that neither sees the other's heap.
#include <Qsci/qscilexerproperties.h>
#include <Qsci/qsciscintilla.h>

#include <QApplication>
#include <QFile>
#include <QImage>
#include <cstdio>
#include <cstdlib>
#include <cstring>
#include <filesystem>
#include <fstream>
#include <memory>
#include <string>

#include <unistd.h>

#include "bench/peer_compare.h"
#include "editor/inihighlighter.h"
#include "editor/textedit.h"
#include "platform/render.h"

namespace {

namespace fs = std::filesystem;

constexpr int kSections = 2000;
constexpr int kKeys = 49;   // with the header and a blank line: 51 lines a section

std::string FileText() {
  std::string text = "; Dravlen source file\r\n";
  for (int s = 0; s < kSections; ++s) {
    text += "[Model-" + std::to_string(s) + "]\r\n";
    for (int k = 0; k < kKeys; ++k) {
      text += "Qe" + std::to_string(k + 1) + "=";
      for (int i = 0; i < 3; ++i) text += (i ? ", " : "") + std::to_string(1000 + s * 31 + k * 7 + i) + ".5";
      text += "\r\n";
    }
    text += "\r\n";
  }
  return text;
}

long StatusKb(const char* field) {
  std::FILE* f = std::fopen("/proc/self/status", "r");
  if (!f) return 0;
  char line[256];
  long value = 0;
  const size_t n = std::strlen(field);
  while (std::fgets(line, sizeof line, f))
    if (std::strncmp(line, field, n) == 0) value = std::atol(line + n);
  std::fclose(f);
  return value;
}

void ResetPeak() {
  if (std::FILE* f = std::fopen("/proc/self/clear_refs", "w")) {
    std::fputs("5", f);
    std::fclose(f);
  }
}

struct Ours {
  editor::TIniHighlighter highlighter;
  std::unique_ptr<editor::TTextEdit> ed;
  void Open(const std::string& path) {
    ed = std::make_unique<editor::TTextEdit>();
    ed->resize(800, 600);
    ed->SetHighlighter(&highlighter);
    ed->Lines().LoadFromFile(path);
    QImage image = platform::RenderToImage(ed.get());
    if (image.isNull()) std::abort();
  }
};

struct Peer {
  std::unique_ptr<QsciScintilla> ed;
  std::unique_ptr<QsciLexerProperties> lexer;
  void Open(const std::string& path) {
    ed = std::make_unique<QsciScintilla>();
    lexer = std::make_unique<QsciLexerProperties>();
    ed->resize(800, 600);
    ed->setLexer(lexer.get());
    QFile file(QString::fromStdString(path));
    if (!file.open(QIODevice::ReadOnly) || !ed->read(&file)) std::abort();
    QImage image(ed->size(), QImage::Format_ARGB32);
    ed->render(&image);
  }
};

// One opening in this process, after one of a small file (fonts and caches
// in place): resident memory's peak growth and what stays, in kB.
template <typename Editor>
int MeasureMemory(const std::string& path, const std::string& small) {
  Editor warm;
  warm.Open(small);
  warm.ed.reset();
  const long before = StatusKb("VmRSS:");
  ResetPeak();
  Editor e;
  e.Open(path);
  const long peak = StatusKb("VmHWM:");
  const long after = StatusKb("VmRSS:");
  std::printf("%ld %ld\n", peak - before, after - before);
  return 0;
}

bool MeasureInChild(const std::string& which, const std::string& path, const std::string& small, long& peak,
                    long& kept) {
  const std::string command = "/proc/" + std::to_string(::getpid()) + "/exe --memory " + which + " '" + path +
                              "' '" + small + "'";
  std::FILE* p = ::popen(command.c_str(), "r");
  if (!p) return false;
  const bool ok = std::fscanf(p, "%ld %ld", &peak, &kept) == 2;
  ::pclose(p);
  return ok;
}

}  // namespace

int main(int argc, char** argv) {
  qputenv("QT_QPA_PLATFORM", "offscreen");
  QApplication app(argc, argv);
  if (argc == 5 && std::string(argv[1]) == "--memory")
    return std::string(argv[2]) == "ours" ? MeasureMemory<Ours>(argv[3], argv[4])
                                          : MeasureMemory<Peer>(argv[3], argv[4]);

  const fs::path dir = fs::temp_directory_path() / ("dravlen-editor-bench-" + std::to_string(::getpid()));
  fs::create_directories(dir);
  const std::string path = (dir / "source.ini").string(), small = (dir / "small.ini").string();
  const std::string text = FileText();
  std::ofstream(path, std::ios::binary) << text;
  std::ofstream(small, std::ios::binary) << text.substr(0, 2000);
  const long fileKb = static_cast<long>(text.size() / 1024);

  std::printf("Editor: open a %d-line INI file (%ld kB): load, highlight, first paint of 800 x 600\n",
              kSections * (kKeys + 2) + 1, fileKb);
  Ours ours;
  Peer peer;
  bench::Compare("load + highlight + first paint", "QScintilla", 9, [&] { ours.Open(path); },
                 [&] { peer.Open(path); });
  ours.ed.reset();
  peer.ed.reset();
  long ourPeak = 0, ourKept = 0, peerPeak = 0, peerKept = 0;
  if (MeasureInChild("ours", path, small, ourPeak, ourKept) &&
      MeasureInChild("peer", path, small, peerPeak, peerKept)) {
    std::printf("  peak memory growth: ours %ld kB, QScintilla %ld kB, ratio %.2f\n", ourPeak, peerPeak,
                peerPeak > 0 ? static_cast<double>(ourPeak) / peerPeak : 0.0);
    std::printf("  memory kept after the paint: ours %ld kB (%.1fx the file), QScintilla %ld kB (%.1fx)\n",
                ourKept, static_cast<double>(ourKept) / fileKb, peerKept, static_cast<double>(peerKept) / fileKb);
  }
  std::error_code ec;
  fs::remove_all(dir, ec);
  return 0;
}
