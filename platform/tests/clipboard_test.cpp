#include "platform/clipboard.h"

#include <gtest/gtest.h>

#include <QClipboard>
#include <QGuiApplication>
#include <QMimeData>

namespace platform {
namespace {

TEST(ClipboardTest, PrivateFormatsHaveOneMimeTypePerName) {
  EXPECT_EQ(RegisterClipboardFormat("TextEdit Control Block Type"), "application/x-textedit-control-block-type");
  EXPECT_EQ(RegisterClipboardFormat("TextEdit Control Block Type"),
            RegisterClipboardFormat("TextEdit Control Block Type"));
  EXPECT_NE(RegisterClipboardFormat("A"), RegisterClipboardFormat("B"));
}

TEST(ClipboardTest, QtBackendPutsTextAndPrivateDataInOneSet) {
  QtClipboardBackend qt;
  const std::string mime = RegisterClipboardFormat("Test Private");
  ClipboardData data;
  data[kClipboardText] = "h\xC3\xA9llo\nworld";
  data[mime] = std::string("\x02" "abc\0", 5);
  ASSERT_TRUE(qt.SetData(data));
  EXPECT_TRUE(qt.HasFormat(kClipboardText));
  EXPECT_TRUE(qt.HasFormat(mime));
  EXPECT_EQ(qt.GetData(kClipboardText), std::optional<std::string>("h\xC3\xA9llo\nworld"));
  EXPECT_EQ(qt.GetData(mime), std::optional<std::string>(std::string("\x02" "abc\0", 5)));
  EXPECT_EQ(QGuiApplication::clipboard()->text(), QString::fromUtf8("h\xC3\xA9llo\nworld"));

  // Text put by another program has no private data.
  QGuiApplication::clipboard()->setText("plain");
  EXPECT_FALSE(qt.HasFormat(mime));
  EXPECT_EQ(qt.GetData(mime), std::nullopt);
  EXPECT_EQ(qt.GetData(kClipboardText), std::optional<std::string>("plain"));
}

TEST(ClipboardTest, TestBackendFailsOnDemandAndCanBeSwitchedIn) {
  TestClipboardBackend test;
  SetClipboardBackend(&test);
  EXPECT_EQ(&Clipboard(), &test);
  ASSERT_TRUE(Clipboard().SetData({{kClipboardText, "one"}}));
  EXPECT_EQ(test.Data().at(kClipboardText), "one");

  test.failSet = true;
  EXPECT_FALSE(Clipboard().SetData({{kClipboardText, "two"}}));
  EXPECT_EQ(test.Data().at(kClipboardText), "one");  // a refused set changes nothing
  test.failSetFormat = "application/x-other";
  EXPECT_TRUE(Clipboard().SetData({{kClipboardText, "three"}}));
  EXPECT_FALSE(Clipboard().SetData({{kClipboardText, "four"}, {"application/x-other", "x"}}));
  test.failSet = false;

  test.failGet = true;
  EXPECT_TRUE(Clipboard().HasFormat(kClipboardText));
  EXPECT_EQ(Clipboard().GetData(kClipboardText), std::nullopt);
  EXPECT_EQ(test.setCount, 4);

  SetClipboardBackend(nullptr);
  EXPECT_NE(&Clipboard(), static_cast<ClipboardBackend*>(&test));
}

}  // namespace
}  // namespace platform
