// The fixture of the document-stage tests: a document root with the test
// fonts' defaults, the parser started for each test, and a page parsed,
// laid out and painted the way the viewer would.
#pragma once

#include <gtest/gtest.h>

#include <memory>
#include <string>
#include <vector>

#include "htmlview/document/docparser.h"
#include "htmlview/layout/blocks.h"
#include "htmlview/layout/docroot.h"
#include "platform/image.h"

namespace htmlview {

class ParsedPageTest : public ::testing::Test {
 protected:
  static void SetUpTestSuite();
  void SetUp() override;
  void TearDown() override;

  void Parse(const std::string& html, const TParserEvents& events = {});
  // The same into another document (a second viewer's).
  static void ParseInto(TSectionList& doc, const std::string& html,
                        const TParserEvents& events = {});
  // Lays the parsed page out at width and paints its top into a width x
  // height bitmap; returns the page height.
  int LayOutAndPaint(int width, int height);
  // Paints again into that bitmap: scrolled by yOff, drawn at canvas y.
  void PaintAgain(int yOff, int y = 0);

  TBodyBlock* Body() const { return dynamic_cast<TBodyBlock*>((*list)[0]); }

  std::unique_ptr<TSectionList> list;
  int lastMaxWidth = 0;   // of the last LayOutAndPaint

 private:
  std::unique_ptr<platform::Bitmap> bitmap_;
};

// piece repeated n times: the hostile pages are built of it.
std::string Repeat(const std::string& piece, int n);

// The inputs of the html5lib tokenizer and tree-construction tests (pages
// nobody here wrote), from the test data: where each came from and its bytes.
struct Html5libInput {
  std::string Source;
  std::string Bytes;
};
std::vector<Html5libInput> ReadHtml5libInputs();

}  // namespace htmlview
