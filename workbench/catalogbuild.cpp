#include "workbench/catalogbuild.h"

#include <filesystem>
#include <functional>
#include <memory>

#include "core/catalogfile.h"
#include "core/comp.h"
#include "core/environment.h"
#include "core/valuestream.h"
#include "platform/streams.h"
#include "platform/sysutils.h"
#include "workbench/sourcefile.h"

namespace workbench {

namespace {

constexpr int kWriterBufferSize = 1024;

std::string ErrorText(const char* message) {
  return message != nullptr && *message != '\0' ? platform::HtmlEscape(message) : "Error reading/writing file";
}

// Searches the catalog folder again, through the current compressor when
// there is one (it keeps its place in the list).
void RefreshInstalledCatalogs() {
  if (core::CompExists()) {
    core::Comp().RefreshFiles();
  } else {
    core::RefreshCatalogFiles();
  }
}

}  // namespace

TCatalogBuilder::TCatalogBuilder(TSourceFile& source, TSourceFileList& files, const TActionHost& host)
    : source_(source), files_(files), host_(host) {}

std::string TCatalogBuilder::TemporaryCatalogPath(const std::string& catalogPath) {
  // Not "*.cmp": a catalog search never lists a half-written file.
  return catalogPath + ".~tmp";
}

std::string TCatalogBuilder::InstalledPath(const std::string& sourceFile) const {
  const std::string folder = SharedFolder.empty() ? core::SharedDir() : SharedFolder;
  return platform::IncludeTrailingPathDelimiter(folder) +
         platform::ExtractFileName(platform::ChangeFileExt(sourceFile, ".cmp"));
}

bool TCatalogBuilder::WriteCatalog(const std::string& path) {
  bool complete = false;
  platform::TFileStream stream(path, platform::TFileMode::fmCreate);
  core::TValueWriter writer(stream, kWriterBufferSize);
  try {
    // The header record comes from the Header section, the models take its
    // defaults: both are read here, the file as saved.
    source_.LoadHeader();
    core::WriteFileHeader(writer, source_.Header);
    writer.WriteListBegin();
    for (int i = 0; i < source_.ModelList.Count(); ++i) {
      source_.SelectModel(i);
      source_.CompData.WriteData(writer);
    }
    writer.WriteListEnd();
    complete = true;
  } catch (const std::exception& e) {
    source_.VerifyLog.Add(ErrorText(e.what()));
  } catch (...) {
    source_.VerifyLog.Add(ErrorText(nullptr));
  }
  // The last buffer goes to the file also after an error; a failure here
  // passes to the caller. (Flushed explicitly: a destructor that throws
  // must not be left to do it.)
  writer.FlushBuffer();
  return complete;
}

void TCatalogBuilder::BuildCatalog() {
  std::unique_ptr<TIniPass> ownPass;
  if (source_.Ini == nullptr) ownPass = std::make_unique<TIniPass>(source_);

  CatalogFile = platform::ChangeFileExt(source_.CurrentFile, ".cmp");
  const std::string temp = TemporaryCatalogPath(CatalogFile);
  bool complete = false;
  try {
    complete = WriteCatalog(temp);
  } catch (...) {
    platform::DeleteFile(temp);
    throw;
  }
  if (complete) {
    std::error_code ec;
    std::filesystem::rename(temp, CatalogFile, ec);
    if (ec) {
      complete = false;
      source_.VerifyLog.Add(platform::HtmlEscape("Cannot create file \"" + CatalogFile + "\". " + ec.message()));
    }
  }
  if (complete) {
    source_.VerifyLog.Add(platform::HtmlEscape(CatalogFile) + " compressor data file created...");
    return;
  }
  platform::DeleteFile(temp);
  // The user reads the last line as the outcome: it must not claim a
  // catalog that was never written, and says whether an older one remains.
  if (platform::FileExists(CatalogFile))
    source_.VerifyLog.Add(platform::HtmlEscape(CatalogFile) +
                          " compressor data file not written; the earlier one is unchanged...");
  else
    source_.VerifyLog.Add(platform::HtmlEscape(CatalogFile) + " compressor data file not written...");
}

// The frame of Build and Install: the guard, a fresh log on the Verify page,
// the file selected in the file list as the current file (nothing to do
// when none is selected), the work, the log shown.
void TCatalogBuilder::RunOnSelectedFile(const std::function<void()>& work) {
  if (!CheckFileLoaded(source_, host_)) return;
  host_.DoClearPage(TActionPage::Verify);
  source_.VerifyLog.Clear();
  const std::string path = files_.SelectedPath();
  if (!path.empty()) {
    source_.CurrentFile = path;
    work();
  }
  host_.DoShowPage(TActionPage::Verify, source_.VerifyLog);
}

// Build All and Install All: each entry selected and clicked in turn, as
// the user would, then the action.
void TCatalogBuilder::ForEachFile(void (TCatalogBuilder::*action)()) {
  for (int i = 0; i < files_.Count(); ++i) {
    files_.ItemIndex = i;
    host_.DoFileListClick();
    (this->*action)();
  }
}

void TCatalogBuilder::ActionBuildExecute() {
  RunOnSelectedFile([this] {
    // Any INI file is built, marker or not; the models are those saved.
    source_.LoadModelList();
    TIniPass pass(source_);
    BuildCatalog();
  });
}

void TCatalogBuilder::ActionBuildAllExecute() { ForEachFile(&TCatalogBuilder::ActionBuildExecute); }

void TCatalogBuilder::ActionInstallExecute() {
  RunOnSelectedFile([this] {
    // Install copies the catalog built last; it does not build.
    const std::string from = platform::ChangeFileExt(source_.CurrentFile, ".cmp");
    const std::string to = InstalledPath(source_.CurrentFile);
    if (platform::ExtractFileName(from).empty() || platform::ExtractFileName(to).empty()) return;
    platform::ForceDirectories(platform::ExtractFilePath(to));
    const bool copied = platform::CopyFile(from, to, false);
    RefreshInstalledCatalogs();
    if (copied) source_.VerifyLog.Add("<h2>" + platform::HtmlEscape(platform::ExtractFileName(to)) + " installed...</h2>");
  });
}

void TCatalogBuilder::ActionInstallAllExecute() { ForEachFile(&TCatalogBuilder::ActionInstallExecute); }

void TCatalogBuilder::Deletecompressor1Click() {
  const std::string path = files_.SelectedPath();
  if (path.empty()) return;
  // Renaming never replaces: an existing ".in~" makes it fail and nothing changes.
  platform::RenameFile(path, platform::ChangeFileExt(path, ".in~"));
  files_.Update();
  host_.DoFileListChanged();
}

}  // namespace workbench
