#include "pages_helpers.h"

#include <stdexcept>

#include "testsupport/testenv.h"

namespace pagesfixture {

std::string OpenFixture(workbench::TSourceFile& source, const std::string& name) {
  const std::string path = testsupport::CopyToTemp(std::string(DRAVLEN_TEST_DATA) + "/pages/" + name, name, "pages");
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
