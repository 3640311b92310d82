#pragma once
// Catalog building and installing: the current source file written as a
// binary catalog (".cmp") beside it, the catalog copied into the shared
// folder where the installed-catalog list finds it, and the file list's
// "Delete compressor source file" (a rename to ".in~"). Every action reports
// in the Verify log, which the host shows on the Verify page.
#include <functional>
#include <string>

#include "workbench/actionhost.h"

namespace workbench {

class TSourceFile;

class TCatalogBuilder {
 public:
  TCatalogBuilder(TSourceFile& source, TSourceFileList& files, const TActionHost& host);
  TCatalogBuilder(const TCatalogBuilder&) = delete;
  TCatalogBuilder& operator=(const TCatalogBuilder&) = delete;

  // Path of the catalog built last: CurrentFile with the extension ".cmp".
  std::string CatalogFile;
  // The folder Install copies into; empty means the shared folder
  // (core::SharedDir()).
  std::string SharedFolder;

  // Writes CatalogFile from CurrentFile: the header record, the list start,
  // one record per model of the model list, the list end. The catalog is
  // written beside it under a temporary name and replaces the old one only
  // when complete, so a build that fails keeps the catalog built before.
  // A model that cannot be read ends the list: its error is logged and the
  // catalog is not replaced. The log ends with the "created" line in every
  // case. Uses the INI pass the caller opened (its own when none is open).
  void BuildCatalog();

  void ActionBuildExecute();
  void ActionBuildAllExecute();
  void ActionInstallExecute();
  void ActionInstallAllExecute();
  void Deletecompressor1Click();

  // Where Install puts the catalog of a source file.
  std::string InstalledPath(const std::string& sourceFile) const;
  // The temporary name a catalog is built under before it replaces path.
  static std::string TemporaryCatalogPath(const std::string& catalogPath);

 private:
  void RunOnSelectedFile(const std::function<void()>& work);
  void ForEachFile(void (TCatalogBuilder::*action)());
  bool WriteCatalog(const std::string& path);

  TSourceFile& source_;
  TSourceFileList& files_;
  const TActionHost& host_;
};

}  // namespace workbench
