#include "editor/editormodule.h"

#include <gtest/gtest.h>

#include "editor/highlighter.h"
#include "editor/keycmds.h"

namespace editor {
namespace {

TEST(EditorModule, StartUpRegistersEverythingAndCleanUpUndoesIt) {
  EXPECT_EQ(GetPlaceableHighlighters(), nullptr);
  InitEditorModule();
  ASSERT_NE(GetPlaceableHighlighters(), nullptr);
  EXPECT_EQ(GetPlaceableHighlighters()->Count(), 1);
  EXPECT_EQ(GetPlaceableHighlighters()->ClassName(0), "TIniHighlighter");
  EXPECT_NE(TextEditClipboardFormat(), 0u);
  EXPECT_EQ(RegisterTextEditClipboardFormat(), TextEditClipboardFormat());
  EXPECT_STREQ(kTextEditClipboardFormatName, "TextEdit Control Block Type");
  ASSERT_NE(FindIntegerConsts("TTextEditorCommand"), nullptr);

  FinalizeEditorModule();
  EXPECT_EQ(GetPlaceableHighlighters(), nullptr);
  EXPECT_EQ(FindIntegerConsts("TTextEditorCommand"), nullptr);
}

}  // namespace
}  // namespace editor
