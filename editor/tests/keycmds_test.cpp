#include "editor/keycmds.h"

#include <gtest/gtest.h>

#include <set>
#include <string>
#include <vector>

namespace editor {
namespace {

using namespace platform;

struct DefaultKey {
  int key;
  ShiftState shift;
  TTextEditorCommand command;
};

// The default map, written out in the order it is built.
std::vector<DefaultKey> ExpectedDefaults() {
  const ShiftState S = ssShift, C = ssCtrl, A = ssAlt, CS = ssCtrl | ssShift;
  std::vector<DefaultKey> keys = {
      {VK_UP, 0, ecUp}, {VK_UP, S, ecSelUp}, {VK_UP, C, ecScrollUp},
      {VK_DOWN, 0, ecDown}, {VK_DOWN, S, ecSelDown}, {VK_DOWN, C, ecScrollDown},
      {VK_LEFT, 0, ecLeft}, {VK_LEFT, S, ecSelLeft}, {VK_LEFT, C, ecWordLeft}, {VK_LEFT, CS, ecSelWordLeft},
      {VK_RIGHT, 0, ecRight}, {VK_RIGHT, S, ecSelRight}, {VK_RIGHT, C, ecWordRight}, {VK_RIGHT, CS, ecSelWordRight},
      {VK_NEXT, 0, ecPageDown}, {VK_NEXT, S, ecSelPageDown}, {VK_NEXT, C, ecPageBottom}, {VK_NEXT, CS, ecSelPageBottom},
      {VK_PRIOR, 0, ecPageUp}, {VK_PRIOR, S, ecSelPageUp}, {VK_PRIOR, C, ecPageTop}, {VK_PRIOR, CS, ecSelPageTop},
      {VK_HOME, 0, ecLineStart}, {VK_HOME, S, ecSelLineStart}, {VK_HOME, C, ecEditorTop}, {VK_HOME, CS, ecSelEditorTop},
      {VK_END, 0, ecLineEnd}, {VK_END, S, ecSelLineEnd}, {VK_END, C, ecEditorBottom}, {VK_END, CS, ecSelEditorBottom},
      {VK_INSERT, 0, ecToggleMode}, {VK_INSERT, C, ecCopy}, {VK_DELETE, S, ecCut}, {VK_INSERT, S, ecPaste},
      {VK_DELETE, 0, ecDeleteChar}, {VK_BACK, 0, ecDeleteLastChar}, {VK_BACK, S, ecDeleteLastChar},
      {VK_BACK, C, ecDeleteLastWord}, {VK_BACK, A, ecUndo}, {VK_BACK, A | S, ecRedo},
      {VK_RETURN, 0, ecLineBreak}, {VK_RETURN, S, ecLineBreak}, {VK_TAB, 0, ecTab}, {VK_TAB, S, ecShiftTab},
      {VK_F1, 0, ecContextHelp}, {'A', C, ecSelectAll}, {'C', C, ecCopy}, {'V', C, ecPaste}, {'X', C, ecCut},
      {'I', CS, ecBlockIndent}, {'U', CS, ecBlockUnindent}, {'M', C, ecLineBreak}, {'N', C, ecInsertLine},
      {'T', C, ecDeleteWord}, {'Y', C, ecDeleteLine}, {'Y', CS, ecDeleteEOL}, {'Z', C, ecUndo}, {'Z', CS, ecRedo},
  };
  for (int i = 0; i <= 9; ++i) keys.push_back({'0' + i, C, ecGotoMarker0 + i});
  for (int i = 0; i <= 9; ++i) keys.push_back({'0' + i, CS, ecSetMarker0 + i});
  keys.push_back({'N', CS, ecNormalSelect});
  keys.push_back({'C', CS, ecColumnSelect});
  keys.push_back({'L', CS, ecLineSelect});
  keys.push_back({'B', CS, ecMatchBracket});
  return keys;
}

TEST(KeyStrokes, DefaultMapHasEveryKeystrokeInOrder) {
  TTextEditKeyStrokes keys;
  keys.ResetDefaults();
  const auto expected = ExpectedDefaults();
  ASSERT_EQ(keys.Count(), 82);
  ASSERT_EQ(expected.size(), 82u);
  for (int i = 0; i < keys.Count(); ++i) {
    SCOPED_TRACE(i);
    const auto& k = keys.Items(i);
    EXPECT_EQ(k.Key(), expected[static_cast<size_t>(i)].key);
    EXPECT_EQ(k.Shift(), expected[static_cast<size_t>(i)].shift);
    EXPECT_EQ(k.Command(), expected[static_cast<size_t>(i)].command);
    EXPECT_EQ(k.Key2(), 0);
    EXPECT_EQ(k.ShortCut2(), 0);
  }
}

TEST(KeyStrokes, EveryDefaultKeystrokeTranslatesToItsCommand) {
  TTextEditKeyStrokes keys;
  keys.ResetDefaults();
  std::set<int> shortcuts;
  for (const auto& d : ExpectedDefaults()) {
    SCOPED_TRACE(::testing::Message() << "key " << d.key << " shift " << d.shift);
    const int index = keys.FindKeycode(d.key, d.shift);
    ASSERT_GE(index, 0);
    EXPECT_EQ(keys.Items(index).Command(), d.command);
    const int shortcut = platform::ShortCut(d.key, d.shift);
    EXPECT_EQ(keys.Items(index).ShortCut(), shortcut);
    EXPECT_EQ(keys.FindShortcut2(shortcut, 0), index);
    TEdKeyTranslator translator;
    EXPECT_EQ(translator.TranslateKeyCode(keys, d.key, d.shift), d.command);
    shortcuts.insert(shortcut);
  }
  EXPECT_EQ(shortcuts.size(), 82u);   // no keystroke is bound twice
  EXPECT_EQ(platform::ShortCut('A', ssCtrl), 'A' + 0x4000);
  EXPECT_EQ(platform::ShortCut(VK_BACK, ssAlt | ssShift), VK_BACK + 0x8000 + 0x2000);
  EXPECT_EQ(keys.FindKeycode('Q', ssCtrl), -1);
}

TEST(KeyStrokes, CommandNamesRoundTrip) {
  const auto& table = EditorCommandNames();
  EXPECT_EQ(table.size(), 101u);
  std::set<std::string> names;
  for (const auto& entry : table) {
    SCOPED_TRACE(entry.Name);
    std::string name;
    ASSERT_TRUE(EditorCommandToIdent(entry.Value, name));
    EXPECT_EQ(name, entry.Name);
    TTextEditorCommand command = -1;
    ASSERT_TRUE(IdentToEditorCommand(entry.Name, command));
    EXPECT_EQ(command, entry.Value);
    EXPECT_EQ(EditorCommandToCodeString(entry.Value), entry.Name);
    names.insert(entry.Name);
  }
  EXPECT_EQ(names.size(), 101u);
  // Every default command has a name.
  for (const auto& d : ExpectedDefaults()) {
    std::string name;
    EXPECT_TRUE(EditorCommandToIdent(d.command, name)) << d.command;
  }
}

TEST(KeyStrokes, NameLookupsOfSpecificValues) {
  std::string name;
  ASSERT_TRUE(EditorCommandToIdent(620, name));
  EXPECT_EQ(name, "ecUpperCase");
  EXPECT_FALSE(EditorCommandToIdent(700, name));
  EXPECT_EQ(EditorCommandToCodeString(700), "700");
  EXPECT_EQ(EditorCommandToCodeString(ecGotFocus), "480");
  TTextEditorCommand command = 0;
  EXPECT_FALSE(IdentToEditorCommand("ecuppercase", command));   // exact names only
  EXPECT_TRUE(IdentToEditorCommand("ecSelGotoXY", command));
  EXPECT_EQ(command, ecGotoXY + 100);
  EXPECT_TRUE(IdentToEditorCommand("ecSetMarker7", command));
  EXPECT_EQ(command, 358);
  EXPECT_TRUE(IdentToEditorCommand("ecCopy", command));
  EXPECT_EQ(command, 201);
}

TEST(KeyStrokes, StartUpRegistersTheLookupsForStreaming) {
  UnregisterEditorCommandIdents();
  EXPECT_EQ(FindIntegerConsts("TTextEditorCommand"), nullptr);
  RegisterEditorCommandIdents();
  const TIntegerIdentLookup* lookup = FindIntegerConsts("TTextEditorCommand");
  ASSERT_NE(lookup, nullptr);
  std::string name;
  EXPECT_TRUE(lookup->ToIdent(ecPaste, name));
  EXPECT_EQ(name, "ecPaste");
  int value = 0;
  EXPECT_TRUE(lookup->ToInt("ecLineBreak", value));
  EXPECT_EQ(value, ecLineBreak);
  UnregisterEditorCommandIdents();
}

TEST(KeyStrokes, DuplicateShortcutIsRefused) {
  TTextEditKeyStrokes keys;
  keys.ResetDefaults();
  auto& k = keys.Add();
  k.SetCommand(ecUpperCase);
  try {
    k.SetShortCut(platform::ShortCut('A', ssCtrl));
    ADD_FAILURE() << "no error";
  } catch (const EEdKeyError& e) {
    EXPECT_STREQ(e.what(), "Shortcut already exists");
  }
  EXPECT_EQ(k.ShortCut(), 0);
  // A two-key pair differs from the single key.
  k.SetShortCut2(platform::ShortCut('U', 0));
  k.SetShortCut(platform::ShortCut('A', ssCtrl));
  EXPECT_EQ(k.Key(), 'A');
  EXPECT_EQ(k.Shift(), ssCtrl);
  EXPECT_EQ(k.Key2(), 'U');
  EXPECT_EQ(keys.FindKeycode2('A', ssCtrl, 'U', 0), keys.Count() - 1);
  // Setting the same value again is no duplicate of itself.
  k.SetShortCut(platform::ShortCut('A', ssCtrl));
  EXPECT_EQ(k.DisplayName(), "ecUpperCase - Ctrl+A U");
  EXPECT_EQ(keys.Items(0).DisplayName(), "ecUp - Up");
}

TEST(KeyStrokes, TwoKeySequences) {
  TTextEditKeyStrokes keys;
  keys.ResetDefaults();
  auto& k = keys.Add();
  k.SetCommand(ecUpperCase);
  k.SetShortCut(platform::ShortCut('Q', ssCtrl));
  k.SetShortCut2(platform::ShortCut('U', ssCtrl));
  TEdKeyTranslator translator;
  // Ctrl+Q alone is no command (only the pair is) and is remembered.
  EXPECT_EQ(translator.TranslateKeyCode(keys, 'Q', ssCtrl), ecNone);
  EXPECT_EQ(translator.TranslateKeyCode(keys, 'U', ssCtrl), ecUpperCase);
  // After Ctrl+Q an unbound pair falls back to the single key.
  EXPECT_EQ(translator.TranslateKeyCode(keys, 'Q', ssCtrl), ecNone);
  EXPECT_EQ(translator.TranslateKeyCode(keys, 'A', ssCtrl), ecSelectAll);
  // Keys below 30 are never the first of a pair.
  keys.Add().Assign(k);
  keys.Items(keys.Count() - 1).SetKey(VK_ESCAPE);
  keys.Items(keys.Count() - 1).SetShift(0);
  EXPECT_EQ(translator.TranslateKeyCode(keys, VK_ESCAPE, 0), ecNone);
  EXPECT_EQ(translator.TranslateKeyCode(keys, 'U', ssCtrl), ecNone);
}

TEST(KeyStrokes, AssignAndStoredDifferenceFromTheDefaults) {
  TTextEditKeyStrokes defaults;
  defaults.ResetDefaults();
  TTextEditKeyStrokes keys;
  keys.Assign(defaults);
  ASSERT_EQ(keys.Count(), 82);
  keys.Delete(keys.FindKeycode('T', ssCtrl));
  auto& k = keys.Add();
  k.SetCommand(ecTitleCase);
  k.SetShortCut(platform::ShortCut('T', ssCtrl | ssAlt));
  keys.Items(keys.FindKeycode(VK_F1, 0)).SetCommand(ecUserFirst);

  TTextEditKeyStrokes added, removed;
  KeystrokesDifference(keys, defaults, added, removed);
  ASSERT_EQ(added.Count(), 2);
  ASSERT_EQ(removed.Count(), 2);
  EXPECT_EQ(added.Items(0).Command(), ecUserFirst);
  EXPECT_EQ(added.Items(1).Command(), ecTitleCase);
  EXPECT_EQ(removed.Items(0).Command(), ecContextHelp);
  EXPECT_EQ(removed.Items(1).Command(), ecDeleteWord);

  TTextEditKeyStrokes restored;
  restored.ResetDefaults();
  ApplyKeystrokesDifference(restored, added, removed);
  EXPECT_EQ(restored.Count(), keys.Count());
  TTextEditKeyStrokes a2, r2;
  KeystrokesDifference(restored, keys, a2, r2);
  EXPECT_EQ(a2.Count(), 0);
  EXPECT_EQ(r2.Count(), 0);
}

}  // namespace
}  // namespace editor
