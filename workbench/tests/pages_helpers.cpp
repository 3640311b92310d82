#include "pages_helpers.h"

#include <stdexcept>

#include "core/refriglib.h"
#include "testsupport/testenv.h"

namespace pagesfixture {

void InitLibrary() {
  const std::string lib = testsupport::MakeTempDir("pageslib") + "/RefLib8.rdf";
  testsupport::WriteAll(lib, testsupport::ReadAll(std::string(DRAVLEN_TEST_DATA) + "/RefLib8.rdf"));
  core::InitRefrigLib(lib);
}

void DoneLibrary() { core::DoneRefrigLib(); }

std::string OpenFixture(workbench::TSourceFile& source, const std::string& name) {
  const std::string path = testsupport::MakeTempDir("pages") + "/" + name;
  testsupport::WriteAll(path, testsupport::ReadAll(std::string(DRAVLEN_TEST_DATA) + "/pages/" + name));
  source.CurrentFile = path;
  source.CheckFileType();
  if (source.IsValidFile) {
    source.LoadModelList();
    source.LoadHeader();
  }
  return path;
}

void Select(workbench::TSourceFile& source, const std::string& model) {
  const int index = source.ModelList.IndexOf(model);
  if (index < 0) throw std::runtime_error("no model " + model + " in the fixture");
  workbench::TIniPass pass(source);
  source.SelectModel(index);
}

}  // namespace pagesfixture
