// The viewer's tests read pages the workbench writes, kept as copies in the
// viewer's test data because the viewer cannot depend on the workbench. These
// tests build each page again from the same sample files and compare it with
// its copy byte for byte, so a change to the page code that leaves a copy
// behind fails here instead of leaving the viewer tested on stale pages.
#include <gtest/gtest.h>

#include <string>
#include <vector>

#include "pages_helpers.h"
#include "platform/stringlist.h"
#include "reflib_helpers.h"
#include "testsupport/testenv.h"
#include "workbench/pages.h"
#include "workbench/sourcefile.h"
#include "workbench/verify.h"

namespace {

using platform::TStringList;
using workbench::TSourceFile;
using workbench::TVerifier;

const std::string kDocumentPages = DRAVLEN_SOURCE_DIR "/htmlview/document/tests/data/pages/";
const std::string kViewPages = DRAVLEN_SOURCE_DIR "/htmlview/view/tests/data/";
const std::string kShipped = DRAVLEN_SOURCE_DIR "/resources/program/Data Files/";
const std::string kData = DRAVLEN_TEST_DATA "/";

// The page as its copy stores it: every line ended the copy's way.
std::string Bytes(const TStringList& page, const std::string& lineEnd) {
  std::string out;
  for (const std::string& line : page.Items()) out += line + lineEnd;
  return out;
}

class PageCopiesTest : public ::testing::Test {
 protected:
  static void SetUpTestSuite() { reflibfixture::Init(); }
  static void TearDownTestSuite() { reflibfixture::Done(); }

  // The viewer document tests keep CR LF, as the viewer receives a list of
  // lines; the view tests keep plain line feeds.
  static void ExpectCopy(const TStringList& page, const std::string& copy, const std::string& lineEnd) {
    EXPECT_EQ(Bytes(page, lineEnd), testsupport::ReadAll(copy)) << copy << " no longer matches the page code";
  }

  void OpenShipped(const std::string& name) {
    source_.CurrentFile = testsupport::CopyToTemp(kShipped + name, name, "shipped");
    source_.CheckFileType();
    ASSERT_TRUE(source_.IsValidFile) << name;
    source_.LoadModelList();
    source_.LoadHeader();
  }

  TSourceFile source_;
};

TEST_F(PageCopiesTest, ReportPagesOfTheDocumentTests) {
  pagesfixture::OpenFixture(source_, "pages.ini");
  TStringList header;
  workbench::BuildHeaderPage(source_, header);
  ExpectCopy(header, kDocumentPages + "header.html", "\r\n");

  pagesfixture::Select(source_, "AX10");
  TStringList model;
  workbench::BuildModelPage(source_.CompData, model);
  ExpectCopy(model, kDocumentPages + "model.html", "\r\n");

  // The copy names the file as it stood in the sample folder.
  pagesfixture::Select(source_, "AX20 <big>");
  TStringList regression;
  workbench::BuildCoefficientsPage("/data/pages.ini", source_.CompData, regression);
  ExpectCopy(regression, kDocumentPages + "regression.html", "\r\n");
}

TEST_F(PageCopiesTest, VerifyReportsOfTheDocumentTests) {
  const std::string dir = testsupport::MakeTempDir("copies");
  TVerifier verifier(source_);
  source_.CurrentFile = testsupport::CopyInto(kData + "many_faults.ini", dir, "many_faults.ini");
  verifier.VerifySourceFile(true);
  ExpectCopy(source_.VerifyLog, kDocumentPages + "verify.html", "\r\n");

  verifier.VerifyAll({testsupport::CopyInto(kData + "good.ini", dir, "good.ini"),
                      testsupport::CopyInto(kData + "many_faults.ini", dir, "faulty.ini")});
  ExpectCopy(source_.VerifyLog, kDocumentPages + "verifyall.html", "\r\n");
}

TEST_F(PageCopiesTest, PagesOfTheViewTestsFromTheShippedSamples) {
  OpenShipped("Northfield NHR R22.ini");
  TStringList header;
  workbench::BuildHeaderPage(source_, header);
  ExpectCopy(header, kViewPages + "header.htm", "\n");

  const std::string dir = testsupport::MakeTempDir("samples");
  std::vector<std::string> files;
  for (const char* name : {"Northfield NHR R22.ini", "Northfield NLR R22.ini"})
    files.push_back(testsupport::CopyInto(kShipped + name, dir, name));
  TVerifier verifier(source_);
  verifier.VerifyAll(files);
  ExpectCopy(source_.VerifyLog, kViewPages + "verifyall.htm", "\n");
}

}  // namespace
