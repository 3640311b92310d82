#include "editor/keycmds.h"

#include <map>
#include <mutex>

namespace editor {

using platform::ShiftState;
using platform::ssAlt;
using platform::ssCtrl;
using platform::ssShift;

const std::vector<TEditorCommandName>& EditorCommandNames() {
  static const std::vector<TEditorCommandName> names = {
      {ecNone, "ecNone"}, {ecLeft, "ecLeft"}, {ecRight, "ecRight"}, {ecUp, "ecUp"}, {ecDown, "ecDown"},
      {ecWordLeft, "ecWordLeft"}, {ecWordRight, "ecWordRight"}, {ecLineStart, "ecLineStart"},
      {ecLineEnd, "ecLineEnd"}, {ecPageUp, "ecPageUp"}, {ecPageDown, "ecPageDown"},
      {ecPageLeft, "ecPageLeft"}, {ecPageRight, "ecPageRight"}, {ecPageTop, "ecPageTop"},
      {ecPageBottom, "ecPageBottom"}, {ecEditorTop, "ecEditorTop"}, {ecEditorBottom, "ecEditorBottom"},
      {ecGotoXY, "ecGotoXY"}, {ecSelLeft, "ecSelLeft"}, {ecSelRight, "ecSelRight"}, {ecSelUp, "ecSelUp"},
      {ecSelDown, "ecSelDown"}, {ecSelWordLeft, "ecSelWordLeft"}, {ecSelWordRight, "ecSelWordRight"},
      {ecSelLineStart, "ecSelLineStart"}, {ecSelLineEnd, "ecSelLineEnd"}, {ecSelPageUp, "ecSelPageUp"},
      {ecSelPageDown, "ecSelPageDown"}, {ecSelPageLeft, "ecSelPageLeft"}, {ecSelPageRight, "ecSelPageRight"},
      {ecSelPageTop, "ecSelPageTop"}, {ecSelPageBottom, "ecSelPageBottom"},
      {ecSelEditorTop, "ecSelEditorTop"}, {ecSelEditorBottom, "ecSelEditorBottom"},
      {ecSelGotoXY, "ecSelGotoXY"}, {ecSelWord, "ecSelWord"}, {ecSelectAll, "ecSelectAll"},
      {ecDeleteLastChar, "ecDeleteLastChar"}, {ecDeleteChar, "ecDeleteChar"}, {ecDeleteWord, "ecDeleteWord"},
      {ecDeleteLastWord, "ecDeleteLastWord"}, {ecDeleteBOL, "ecDeleteBOL"}, {ecDeleteEOL, "ecDeleteEOL"},
      {ecDeleteLine, "ecDeleteLine"}, {ecClearAll, "ecClearAll"}, {ecLineBreak, "ecLineBreak"},
      {ecInsertLine, "ecInsertLine"}, {ecChar, "ecChar"}, {ecImeStr, "ecImeStr"}, {ecUndo, "ecUndo"},
      {ecRedo, "ecRedo"}, {ecCut, "ecCut"}, {ecCopy, "ecCopy"}, {ecPaste, "ecPaste"},
      {ecScrollUp, "ecScrollUp"}, {ecScrollDown, "ecScrollDown"}, {ecScrollLeft, "ecScrollLeft"},
      {ecScrollRight, "ecScrollRight"}, {ecInsertMode, "ecInsertMode"}, {ecOverwriteMode, "ecOverwriteMode"},
      {ecToggleMode, "ecToggleMode"}, {ecBlockIndent, "ecBlockIndent"}, {ecBlockUnindent, "ecBlockUnindent"},
      {ecTab, "ecTab"}, {ecShiftTab, "ecShiftTab"}, {ecMatchBracket, "ecMatchBracket"},
      {ecCommentBlock, "ecCommentBlock"}, {ecNormalSelect, "ecNormalSelect"},
      {ecColumnSelect, "ecColumnSelect"}, {ecLineSelect, "ecLineSelect"},
      {ecAutoCompletion, "ecAutoCompletion"}, {ecUserFirst, "ecUserFirst"},
      {ecContextHelp, "ecContextHelp"}, {ecGotoMarker0, "ecGotoMarker0"}, {ecGotoMarker0 + 1, "ecGotoMarker1"},
      {ecGotoMarker0 + 2, "ecGotoMarker2"}, {ecGotoMarker0 + 3, "ecGotoMarker3"},
      {ecGotoMarker0 + 4, "ecGotoMarker4"}, {ecGotoMarker0 + 5, "ecGotoMarker5"},
      {ecGotoMarker0 + 6, "ecGotoMarker6"}, {ecGotoMarker0 + 7, "ecGotoMarker7"},
      {ecGotoMarker0 + 8, "ecGotoMarker8"}, {ecGotoMarker9, "ecGotoMarker9"}, {ecSetMarker0, "ecSetMarker0"},
      {ecSetMarker0 + 1, "ecSetMarker1"}, {ecSetMarker0 + 2, "ecSetMarker2"},
      {ecSetMarker0 + 3, "ecSetMarker3"}, {ecSetMarker0 + 4, "ecSetMarker4"},
      {ecSetMarker0 + 5, "ecSetMarker5"}, {ecSetMarker0 + 6, "ecSetMarker6"},
      {ecSetMarker0 + 7, "ecSetMarker7"}, {ecSetMarker0 + 8, "ecSetMarker8"}, {ecSetMarker9, "ecSetMarker9"},
      {ecUpperCase, "ecUpperCase"}, {ecLowerCase, "ecLowerCase"}, {ecToggleCase, "ecToggleCase"},
      {ecTitleCase, "ecTitleCase"}, {ecUpperCaseBlock, "ecUpperCaseBlock"},
      {ecLowerCaseBlock, "ecLowerCaseBlock"}, {ecToggleCaseBlock, "ecToggleCaseBlock"},
      {ecString, "ecString"},
  };
  return names;
}

bool EditorCommandToIdent(TTextEditorCommand command, std::string& ident) {
  for (const auto& entry : EditorCommandNames()) {
    if (entry.Value == command) {
      ident = entry.Name;
      return true;
    }
  }
  return false;
}

bool IdentToEditorCommand(const std::string& ident, TTextEditorCommand& command) {
  for (const auto& entry : EditorCommandNames()) {
    if (ident == entry.Name) {
      command = entry.Value;
      return true;
    }
  }
  return false;
}

std::string EditorCommandToCodeString(TTextEditorCommand command) {
  std::string ident;
  if (EditorCommandToIdent(command, ident)) return ident;
  return std::to_string(command);
}

// ---------------------------------------------------------------------------

namespace {

std::map<std::string, TIntegerIdentLookup>& IntegerConsts() {
  static std::map<std::string, TIntegerIdentLookup> map;
  return map;
}

constexpr const char* kCommandTypeName = "TTextEditorCommand";

}  // namespace

void RegisterIntegerConsts(const std::string& typeName, TIntToIdent toIdent, TIdentToInt toInt) {
  IntegerConsts()[typeName] = TIntegerIdentLookup{std::move(toIdent), std::move(toInt)};
}

void UnregisterIntegerConsts(const std::string& typeName) { IntegerConsts().erase(typeName); }

const TIntegerIdentLookup* FindIntegerConsts(const std::string& typeName) {
  const auto it = IntegerConsts().find(typeName);
  return it == IntegerConsts().end() ? nullptr : &it->second;
}

void RegisterEditorCommandIdents() {
  RegisterIntegerConsts(kCommandTypeName, &EditorCommandToIdent, &IdentToEditorCommand);
}

void UnregisterEditorCommandIdents() { UnregisterIntegerConsts(kCommandTypeName); }

// ---------------------------------------------------------------------------

namespace {

// The platform's text of a shortcut, e.g. "Shift+Ctrl+Left".
std::string ShortCutToText(int shortcut) {
  if (shortcut == 0) return {};
  int key = 0;
  ShiftState shift = 0;
  platform::ShortCutToKey(shortcut, key, shift);
  std::string name;
  switch (key) {
    case platform::VK_BACK: name = "BkSp"; break;
    case platform::VK_TAB: name = "Tab"; break;
    case platform::VK_RETURN: name = "Enter"; break;
    case platform::VK_ESCAPE: name = "Esc"; break;
    case platform::VK_SPACE: name = "Space"; break;
    case platform::VK_PRIOR: name = "PgUp"; break;
    case platform::VK_NEXT: name = "PgDn"; break;
    case platform::VK_END: name = "End"; break;
    case platform::VK_HOME: name = "Home"; break;
    case platform::VK_LEFT: name = "Left"; break;
    case platform::VK_UP: name = "Up"; break;
    case platform::VK_RIGHT: name = "Right"; break;
    case platform::VK_DOWN: name = "Down"; break;
    case platform::VK_INSERT: name = "Ins"; break;
    case platform::VK_DELETE: name = "Del"; break;
    default:
      if ((key >= platform::VK_0 && key <= platform::VK_9) || (key >= platform::VK_A && key <= platform::VK_Z))
        name = std::string(1, static_cast<char>(key));
      else if (key >= platform::VK_F1 && key <= platform::VK_F24)
        name = "F" + std::to_string(key - platform::VK_F1 + 1);
      else
        return {};
  }
  std::string text;
  if (shift & ssShift) text += "Shift+";
  if (shift & ssCtrl) text += "Ctrl+";
  if (shift & ssAlt) text += "Alt+";
  return text + name;
}

}  // namespace

int TTextEditKeyStroke::ShortCut() const { return platform::ShortCut(key_, shift_); }
int TTextEditKeyStroke::ShortCut2() const { return key2_ == 0 ? 0 : platform::ShortCut(key2_, shift2_); }

void TTextEditKeyStroke::SetShortCut(int value) {
  if (value == ShortCut()) return;
  if (value != 0 && collection_ != nullptr) {
    const int dup = collection_->FindShortcut2(value, ShortCut2());
    if (dup >= 0 && &collection_->Items(dup) != this) throw EEdKeyError("Shortcut already exists");
  }
  int key = 0;
  ShiftState shift = 0;
  platform::ShortCutToKey(value, key, shift);
  key_ = key;
  shift_ = shift;
}

void TTextEditKeyStroke::SetShortCut2(int value) {
  if (value == ShortCut2()) return;
  if (value != 0 && collection_ != nullptr) {
    const int dup = collection_->FindShortcut2(ShortCut(), value);
    if (dup >= 0 && &collection_->Items(dup) != this) throw EEdKeyError("Shortcut already exists");
  }
  int key = 0;
  ShiftState shift = 0;
  platform::ShortCutToKey(value, key, shift);
  key2_ = key;
  shift2_ = shift;
}

void TTextEditKeyStroke::Assign(const TTextEditKeyStroke& source) {
  command_ = source.command_;
  key_ = source.key_;
  key2_ = source.key2_;
  shift_ = source.shift_;
  shift2_ = source.shift2_;
}

std::string TTextEditKeyStroke::DisplayName() const {
  std::string name = EditorCommandToCodeString(command_) + " - " + ShortCutToText(ShortCut());
  if (ShortCut2() != 0) name += " " + ShortCutToText(ShortCut2());
  if (name.empty()) return "TTextEditKeyStroke";
  return name;
}

// ---------------------------------------------------------------------------

TTextEditKeyStroke& TTextEditKeyStrokes::Add() {
  items_.push_back(std::make_unique<TTextEditKeyStroke>(this));
  return *items_.back();
}

void TTextEditKeyStrokes::AddKey(TTextEditorCommand command, int key, ShiftState shift) {
  auto& item = Add();
  item.key_ = key;
  item.shift_ = shift;
  item.key2_ = 0;
  item.shift2_ = 0;
  item.command_ = command;
}

void TTextEditKeyStrokes::Delete(int index) {
  if (index < 0 || index >= Count()) throw platform::EListError("List index out of bounds (" + std::to_string(index) + ")");
  items_.erase(items_.begin() + index);
}

int TTextEditKeyStrokes::FindCommand(TTextEditorCommand command) const {
  for (int i = 0; i < Count(); ++i)
    if (items_[static_cast<size_t>(i)]->command_ == command) return i;
  return -1;
}

int TTextEditKeyStrokes::FindKeycode(int code, ShiftState shift) const {
  for (int i = 0; i < Count(); ++i) {
    const auto& k = *items_[static_cast<size_t>(i)];
    if (k.key_ == code && k.shift_ == shift && k.key2_ == 0) return i;
  }
  return -1;
}

int TTextEditKeyStrokes::FindKeycode2(int code1, ShiftState shift1, int code2, ShiftState shift2) const {
  for (int i = 0; i < Count(); ++i) {
    const auto& k = *items_[static_cast<size_t>(i)];
    if (k.key_ == code1 && k.shift_ == shift1 && k.key2_ == code2 && k.shift2_ == shift2) return i;
  }
  return -1;
}

int TTextEditKeyStrokes::FindShortcut(int shortcut) const {
  for (int i = 0; i < Count(); ++i)
    if (items_[static_cast<size_t>(i)]->ShortCut() == shortcut) return i;
  return -1;
}

int TTextEditKeyStrokes::FindShortcut2(int shortcut, int shortcut2) const {
  for (int i = 0; i < Count(); ++i) {
    const auto& k = *items_[static_cast<size_t>(i)];
    if (k.ShortCut() == shortcut && k.ShortCut2() == shortcut2) return i;
  }
  return -1;
}

void TTextEditKeyStrokes::Assign(const TTextEditKeyStrokes& source) {
  if (&source == this) return;
  Clear();
  for (const auto& item : source.items_) Add().Assign(*item);
}

void TTextEditKeyStrokes::ResetDefaults() {
  using namespace platform;
  Clear();
  const ShiftState cs = ssCtrl | ssShift;
  AddKey(ecUp, VK_UP, 0);
  AddKey(ecSelUp, VK_UP, ssShift);
  AddKey(ecScrollUp, VK_UP, ssCtrl);
  AddKey(ecDown, VK_DOWN, 0);
  AddKey(ecSelDown, VK_DOWN, ssShift);
  AddKey(ecScrollDown, VK_DOWN, ssCtrl);
  AddKey(ecLeft, VK_LEFT, 0);
  AddKey(ecSelLeft, VK_LEFT, ssShift);
  AddKey(ecWordLeft, VK_LEFT, ssCtrl);
  AddKey(ecSelWordLeft, VK_LEFT, cs);
  AddKey(ecRight, VK_RIGHT, 0);
  AddKey(ecSelRight, VK_RIGHT, ssShift);
  AddKey(ecWordRight, VK_RIGHT, ssCtrl);
  AddKey(ecSelWordRight, VK_RIGHT, cs);
  AddKey(ecPageDown, VK_NEXT, 0);
  AddKey(ecSelPageDown, VK_NEXT, ssShift);
  AddKey(ecPageBottom, VK_NEXT, ssCtrl);
  AddKey(ecSelPageBottom, VK_NEXT, cs);
  AddKey(ecPageUp, VK_PRIOR, 0);
  AddKey(ecSelPageUp, VK_PRIOR, ssShift);
  AddKey(ecPageTop, VK_PRIOR, ssCtrl);
  AddKey(ecSelPageTop, VK_PRIOR, cs);
  AddKey(ecLineStart, VK_HOME, 0);
  AddKey(ecSelLineStart, VK_HOME, ssShift);
  AddKey(ecEditorTop, VK_HOME, ssCtrl);
  AddKey(ecSelEditorTop, VK_HOME, cs);
  AddKey(ecLineEnd, VK_END, 0);
  AddKey(ecSelLineEnd, VK_END, ssShift);
  AddKey(ecEditorBottom, VK_END, ssCtrl);
  AddKey(ecSelEditorBottom, VK_END, cs);
  AddKey(ecToggleMode, VK_INSERT, 0);
  AddKey(ecCopy, VK_INSERT, ssCtrl);
  AddKey(ecCut, VK_DELETE, ssShift);
  AddKey(ecPaste, VK_INSERT, ssShift);
  AddKey(ecDeleteChar, VK_DELETE, 0);
  AddKey(ecDeleteLastChar, VK_BACK, 0);
  AddKey(ecDeleteLastChar, VK_BACK, ssShift);
  AddKey(ecDeleteLastWord, VK_BACK, ssCtrl);
  AddKey(ecUndo, VK_BACK, ssAlt);
  AddKey(ecRedo, VK_BACK, ssAlt | ssShift);
  AddKey(ecLineBreak, VK_RETURN, 0);
  AddKey(ecLineBreak, VK_RETURN, ssShift);
  AddKey(ecTab, VK_TAB, 0);
  AddKey(ecShiftTab, VK_TAB, ssShift);
  AddKey(ecContextHelp, VK_F1, 0);
  AddKey(ecSelectAll, 'A', ssCtrl);
  AddKey(ecCopy, 'C', ssCtrl);
  AddKey(ecPaste, 'V', ssCtrl);
  AddKey(ecCut, 'X', ssCtrl);
  AddKey(ecBlockIndent, 'I', cs);
  AddKey(ecBlockUnindent, 'U', cs);
  AddKey(ecLineBreak, 'M', ssCtrl);
  AddKey(ecInsertLine, 'N', ssCtrl);
  AddKey(ecDeleteWord, 'T', ssCtrl);
  AddKey(ecDeleteLine, 'Y', ssCtrl);
  AddKey(ecDeleteEOL, 'Y', cs);
  AddKey(ecUndo, 'Z', ssCtrl);
  AddKey(ecRedo, 'Z', cs);
  for (int i = 0; i <= 9; ++i) AddKey(ecGotoMarker0 + i, '0' + i, ssCtrl);
  for (int i = 0; i <= 9; ++i) AddKey(ecSetMarker0 + i, '0' + i, cs);
  AddKey(ecNormalSelect, 'N', cs);
  AddKey(ecColumnSelect, 'C', cs);
  AddKey(ecLineSelect, 'L', cs);
  AddKey(ecMatchBracket, 'B', cs);
}

// ---------------------------------------------------------------------------

namespace {

bool SameKeystroke(const TTextEditKeyStroke& a, const TTextEditKeyStroke& b) {
  return a.ShortCut() == b.ShortCut() && a.ShortCut2() == b.ShortCut2() && a.Command() == b.Command();
}

bool Contains(const TTextEditKeyStrokes& list, const TTextEditKeyStroke& k) {
  for (int i = 0; i < list.Count(); ++i)
    if (SameKeystroke(list.Items(i), k)) return true;
  return false;
}

}  // namespace

void KeystrokesDifference(const TTextEditKeyStrokes& current, const TTextEditKeyStrokes& defaults,
                          TTextEditKeyStrokes& added, TTextEditKeyStrokes& removed) {
  added.Clear();
  removed.Clear();
  for (int i = 0; i < current.Count(); ++i)
    if (!Contains(defaults, current.Items(i))) added.Add().Assign(current.Items(i));
  for (int i = 0; i < defaults.Count(); ++i)
    if (!Contains(current, defaults.Items(i))) removed.Add().Assign(defaults.Items(i));
}

void ApplyKeystrokesDifference(TTextEditKeyStrokes& target, const TTextEditKeyStrokes& added,
                               const TTextEditKeyStrokes& removed) {
  for (int i = 0; i < added.Count(); ++i) target.Add().Assign(added.Items(i));
  for (int i = 0; i < removed.Count(); ++i) {
    for (int j = 0; j < target.Count(); ++j) {
      if (SameKeystroke(target.Items(j), removed.Items(i))) {
        target.Delete(j);
        break;
      }
    }
  }
}

TTextEditorCommand TEdKeyTranslator::TranslateKeyCode(const TTextEditKeyStrokes& keystrokes, int code,
                                                       ShiftState shift) {
  int index = -1;
  if (lastKey_ != 0) index = keystrokes.FindKeycode2(lastKey_, lastShift_, code, shift);
  if (index < 0) index = keystrokes.FindKeycode(code, shift);
  const TTextEditorCommand command = index >= 0 ? keystrokes.Items(index).Command() : ecNone;
  if (command == ecNone && code >= 30 && code <= 145) {
    lastKey_ = code;
    lastShift_ = shift;
  } else {
    lastKey_ = 0;
    lastShift_ = 0;
  }
  return command;
}

}  // namespace editor
