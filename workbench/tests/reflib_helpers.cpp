#include "reflib_helpers.h"

#include "core/refriglib.h"
#include "testsupport/testenv.h"

namespace reflibfixture {

void Init(const std::string& extraSections) {
  const std::string lib = testsupport::MakeTempDir("reflib") + "/RefLib8.rdf";
  testsupport::WriteAll(lib, testsupport::ReadAll(std::string(DRAVLEN_SOURCE_DIR) + "/resources/shared/RefLib8.rdf") + extraSections);
  core::InitRefrigLib(lib);
}

void Done() { core::DoneRefrigLib(); }

}  // namespace reflibfixture
