#include "editor/highlighter.h"

#include <gtest/gtest.h>

#include <string>
#include <vector>

#include "editor/inihighlighter.h"
#include "platform/profile.h"
#include "testsupport/testenv.h"

namespace editor {
namespace {

// ---------------------------------------------------------------------------
// Attributes

TEST(HighlighterAttributes, SettersNotifyOnlyOnChange) {
  TEdHighlighterAttributes attr("Key");
  EXPECT_EQ(attr.Name(), "Key");
  EXPECT_EQ(attr.Background(), clNone);
  EXPECT_EQ(attr.Foreground(), clNone);
  EXPECT_EQ(attr.Style(), 0);
  int notes = 0;
  TEdObject* last = nullptr;
  attr.OnChange = [&](TEdObject* sender) {
    ++notes;
    last = sender;
  };
  attr.SetBackground(clNone);
  attr.SetStyle(0);
  EXPECT_EQ(notes, 0);
  attr.SetBackground(0x123456);
  attr.SetForeground(clWindowText);
  attr.SetStyle(fsBold);
  EXPECT_EQ(notes, 3);
  EXPECT_EQ(last, &attr);

  notes = 0;
  attr.SetStyleFromInteger(6);   // plain, then italic, then underline
  EXPECT_EQ(attr.Style(), fsItalic | fsUnderline);
  EXPECT_EQ(notes, 3);
  EXPECT_EQ(attr.StyleToInteger(), 6);
  attr.SetStyleFromInteger(15);
  EXPECT_EQ(attr.StyleToInteger(), 15);
  attr.SetStyleFromInteger(3);
  EXPECT_EQ(attr.Style(), fsBold | fsItalic);
}

TEST(HighlighterAttributes, AssignCopiesNameAndValuesWithOneNotification) {
  TEdHighlighterAttributes a("A");
  a.SetBackground(1);
  a.SetForeground(2);
  a.SetStyle(fsUnderline);
  TEdHighlighterAttributes b("B");
  int notes = 0;
  b.OnChange = [&notes](TEdObject*) { ++notes; };
  b.Assign(a);
  EXPECT_EQ(b.Name(), "A");
  EXPECT_EQ(b.Background(), 1u);
  EXPECT_EQ(b.Foreground(), 2u);
  EXPECT_EQ(b.Style(), fsUnderline);
  EXPECT_EQ(notes, 1);
  b.Assign(a);
  EXPECT_EQ(notes, 1);
}

TEST(HighlighterAttributes, DefaultsDecideWhatALayoutStores) {
  TEdHighlighterAttributes a("A");
  a.SetForeground(clGreen);
  a.SaveDefaults();
  EXPECT_FALSE(a.IsForegroundStored());
  a.SetForeground(clSilver);
  EXPECT_TRUE(a.IsForegroundStored());
  EXPECT_FALSE(a.IsBackgroundStored());
  EXPECT_FALSE(a.IsStyleStored());
}

// ---------------------------------------------------------------------------
// Highlighter framework

class Listener {
 public:
  void Changed(TEdObject* sender) { senders.push_back(sender); }
  std::vector<TEdObject*> senders;
};

TEST(CustomHighlighter, HooksHearAttributeChangesAndEnabled) {
  TIniHighlighter hl;
  Listener first, second;
  hl.HookAttrChangeEvent(NotifyMethod<&Listener::Changed>(&first));
  hl.HookAttrChangeEvent(NotifyMethod<&Listener::Changed>(&second));
  hl.KeyAttri()->SetForeground(0x0000FF);
  ASSERT_EQ(first.senders.size(), 1u);
  EXPECT_EQ(first.senders[0], hl.KeyAttri());
  EXPECT_EQ(second.senders.size(), 1u);

  hl.SetEnabled(false);
  hl.SetEnabled(false);
  ASSERT_EQ(first.senders.size(), 2u);
  EXPECT_EQ(first.senders[1], nullptr);

  hl.UnhookAttrChangeEvent(NotifyMethod<&Listener::Changed>(&first));
  hl.StringAttri()->SetStyle(fsBold);
  EXPECT_EQ(first.senders.size(), 2u);
  EXPECT_EQ(second.senders.size(), 3u);

  // While read from a window layout nobody hears anything; loading ends with one notice.
  hl.SetLoading(true);
  hl.StringAttri()->SetStyle(0);
  EXPECT_EQ(second.senders.size(), 3u);
  hl.Loaded();
  EXPECT_EQ(second.senders.size(), 4u);
}

TEST(CustomHighlighter, DuplicateAttributeNamesAreRefused) {
  TIniHighlighter hl;
  EXPECT_THROW(hl.AddAttribute(std::make_unique<TEdHighlighterAttributes>("comment")), platform::EListError);
  EXPECT_EQ(hl.GetAttributeCount(), 8);
  hl.AddAttribute(std::make_unique<TEdHighlighterAttributes>("Extra"));
  EXPECT_EQ(hl.GetAttribute(1)->Name(), "Extra");   // name order, without regard to case
}

TEST(CustomHighlighter, AssignCopiesByExactName) {
  TIniHighlighter source;
  source.KeyAttri()->SetForeground(0x111111);
  source.CommentAttri()->SetStyle(fsBold);
  source.SetDefaultFilter("Other|*.x");
  source.SetEnabled(false);
  TIniHighlighter target;
  auto* extra = target.AddAttribute(std::make_unique<TEdHighlighterAttributes>("Extra"));
  extra->SetForeground(0x222222);
  target.Assign(source);
  EXPECT_EQ(target.KeyAttri()->Foreground(), 0x111111u);
  EXPECT_EQ(target.CommentAttri()->Style(), fsBold);
  EXPECT_EQ(extra->Foreground(), 0x222222u);   // no namesake: kept
  EXPECT_EQ(target.GetDefaultFilter(), "Other|*.x");
  EXPECT_FALSE(target.Enabled());
}

// ---------------------------------------------------------------------------
// The colours file

class SyntaxIni : public ::testing::Test {
 protected:
  std::string dir = testsupport::MakeTempDir("syntax");
  std::string path = dir + "/syntax.ini";
};

TEST_F(SyntaxIni, SavedSectionsInNameOrderAndReadBack) {
  TIniHighlighter hl;
  hl.CommentAttri()->SetStyle(fsBold | fsItalic);
  hl.KeyAttri()->SetForeground(0x0000FF);
  hl.NumberAttri()->SetBackground(clHighlight);
  hl.TextAttri()->SetStyle(fsUnderline | fsStrikeOut);
  EXPECT_TRUE(hl.SaveToFile(path));

  EXPECT_EQ(platform::GetPrivateProfileSectionNames(path),
            (std::vector<std::string>{"Comment", "Key", "Number", "Section", "Space", "String", "Symbol", "Text"}));
  for (const auto& section : platform::GetPrivateProfileSectionNames(path))
    EXPECT_EQ(platform::GetPrivateProfileKeys(section, path),
              (std::vector<std::string>{"Background", "Foreground", "Style"}));
  EXPECT_EQ(platform::GetPrivateProfileString("Comment", "Style", "", path), "3");
  EXPECT_EQ(platform::GetPrivateProfileString("Comment", "Foreground", "", path), "32768");
  EXPECT_EQ(platform::GetPrivateProfileString("Comment", "Background", "", path), "536870911");
  EXPECT_EQ(platform::GetPrivateProfileString("Number", "Background", "", path), "-16777203");
  EXPECT_EQ(platform::GetPrivateProfileString("Text", "Style", "", path), "12");

  TIniHighlighter other;
  int notes = 0;
  Listener listener;
  other.HookAttrChangeEvent(NotifyMethod<&Listener::Changed>(&listener));
  EXPECT_TRUE(other.LoadFromFile(path));
  for (int i = 0; i < hl.GetAttributeCount(); ++i) {
    SCOPED_TRACE(hl.GetAttribute(i)->Name());
    EXPECT_EQ(other.GetAttribute(i)->Background(), hl.GetAttribute(i)->Background());
    EXPECT_EQ(other.GetAttribute(i)->Foreground(), hl.GetAttribute(i)->Foreground());
    EXPECT_EQ(other.GetAttribute(i)->Style(), hl.GetAttribute(i)->Style());
  }
  EXPECT_FALSE(listener.senders.empty());
  (void)notes;

  // Saving an unchanged highlighter again leaves the file as it was.
  const std::string before = testsupport::ReadAll(path);
  EXPECT_TRUE(other.SaveToFile(path));
  EXPECT_EQ(testsupport::ReadAll(path), before);
}

TEST_F(SyntaxIni, HandWrittenFileWithOddSpacingCaseAndBadValues) {
  testsupport::WriteAll(path,
                        "; colours edited by hand\r\n"
                        "[COMMENT]\r\n"
                        "  foreground =  255  \r\n"
                        "\r\n"
                        "[key]\r\n"
                        "BACKGROUND=-16777211\r\n"
                        "Foreground=red\r\n"
                        "Style= 5\r\n"
                        "[Number]\r\n"
                        "Foreground=99999999999\r\n"
                        "Background=305419896\r\n"
                        "Style=99\r\n"
                        "[Section]\r\n"
                        "Style=-1\r\n"
                        "Foreground=4278190088\r\n"
                        "[String]\r\n"
                        "Background=$00FF00\r\n"
                        "[Symbol]\r\n"
                        "[Text]\r\n"
                        "Style=0\r\n"
                        "Unknown=1\r\n");
  TIniHighlighter hl;
  // [Space] is missing and [Symbol] is empty: false, but the rest is loaded.
  EXPECT_FALSE(hl.LoadFromFile(path));

  // Only the comment foreground changes.
  EXPECT_EQ(hl.CommentAttri()->Foreground(), 255u);
  EXPECT_EQ(hl.CommentAttri()->Style(), fsItalic);
  EXPECT_EQ(hl.CommentAttri()->Background(), clNone);
  // A system colour stored as a negative number; a word keeps the colour.
  EXPECT_EQ(hl.KeyAttri()->Background(), 0xFF000005u);
  EXPECT_EQ(hl.KeyAttri()->Foreground(), clNone);
  EXPECT_EQ(hl.KeyAttri()->Style(), fsBold | fsUnderline);
  // Out of range: too large for 32 bits, not a colour, style above 15.
  EXPECT_EQ(hl.NumberAttri()->Foreground(), clNone);
  EXPECT_EQ(hl.NumberAttri()->Background(), clNone);
  EXPECT_EQ(hl.NumberAttri()->Style(), 0);
  // A negative style is kept out; the unsigned form of a system colour is one.
  EXPECT_EQ(hl.SectionAttri()->Style(), fsBold);
  EXPECT_EQ(hl.SectionAttri()->Foreground(), 0xFF000008u);
  EXPECT_EQ(hl.StringAttri()->Background(), 0x00FF00u);
  EXPECT_EQ(hl.TextAttri()->Style(), 0);
  EXPECT_EQ(hl.SpaceAttri()->Foreground(), clNone);
}

TEST_F(SyntaxIni, MissingFileKeepsEverything) {
  TIniHighlighter hl;
  EXPECT_FALSE(hl.LoadFromFile(dir + "/none.ini"));
  EXPECT_EQ(hl.CommentAttri()->Foreground(), clGreen);
  EXPECT_EQ(hl.SectionAttri()->Style(), fsBold);
}

TEST_F(SyntaxIni, UnwritableFileRaises) {
  TIniHighlighter hl;
  try {
    hl.SaveToFile(dir + "/missing/folder/syntax.ini");
    ADD_FAILURE() << "no error";
  } catch (const EEdIniFileError& e) {
    EXPECT_EQ(std::string(e.what()), "Unable to write to " + dir + "/missing/folder/syntax.ini");
  }
}

}  // namespace
}  // namespace editor

namespace editor {
namespace {

TEST(CustomHighlighter, RegistryRoundTrip) {
  const std::string key = "Software\\Quillbarrow\\EditorTest\\Highlighter";
  TIniHighlighter hl;
  hl.KeyAttri()->SetForeground(0x00AA00);
  hl.CommentAttri()->SetBackground(clHighlight);
  hl.SectionAttri()->SetStyle(fsItalic | fsStrikeOut);
  ASSERT_TRUE(hl.SaveToRegistry(platform::TRootKey::HKEY_CURRENT_USER, key));

  TIniHighlighter other;
  EXPECT_TRUE(other.LoadFromRegistry(platform::TRootKey::HKEY_CURRENT_USER, key));
  EXPECT_EQ(other.KeyAttri()->Foreground(), 0x00AA00u);
  EXPECT_EQ(other.CommentAttri()->Background(), clHighlight);
  EXPECT_EQ(other.SectionAttri()->Style(), fsItalic | fsStrikeOut);
  EXPECT_EQ(other.TextAttri()->Foreground(), clNone);

  // Each attribute returns to the highlighter's key after reading its subkey.
  platform::TRegistry reg;
  ASSERT_TRUE(reg.OpenKeyReadOnly(key));
  TEdHighlighterAttributes attr("Key");
  EXPECT_TRUE(attr.LoadFromRegistry(reg));
  EXPECT_EQ(attr.Foreground(), 0x00AA00u);
  EXPECT_EQ(reg.CurrentPath(), key);
  TEdHighlighterAttributes missing("NoSuchAttribute");
  EXPECT_FALSE(missing.LoadFromRegistry(reg));

  EXPECT_FALSE(other.LoadFromRegistry(platform::TRootKey::HKEY_CURRENT_USER, "Software\\Quillbarrow\\NoSuchKey"));
}

}  // namespace
}  // namespace editor
