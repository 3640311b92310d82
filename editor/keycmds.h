#pragma once
// Editor commands, their names, and the keystrokes that bind one or two key
// presses to a command (with the default key map).
#include <functional>
#include <memory>
#include <string>
#include <vector>

#include "platform/keys.h"
#include "platform/sysutils.h"

namespace editor {

using TTextEditorCommand = int;

constexpr TTextEditorCommand ecNone = 0;
// Commands 0..500 move the caret or change the view; 501..1000 change the text.
constexpr TTextEditorCommand ecViewCommandFirst = 0;
constexpr TTextEditorCommand ecViewCommandLast = 500;
constexpr TTextEditorCommand ecEditCommandFirst = 501;
constexpr TTextEditorCommand ecEditCommandLast = 1000;
constexpr TTextEditorCommand ecLeft = 1;
constexpr TTextEditorCommand ecRight = 2;
constexpr TTextEditorCommand ecUp = 3;
constexpr TTextEditorCommand ecDown = 4;
constexpr TTextEditorCommand ecWordLeft = 5;
constexpr TTextEditorCommand ecWordRight = 6;
constexpr TTextEditorCommand ecLineStart = 7;
constexpr TTextEditorCommand ecLineEnd = 8;
constexpr TTextEditorCommand ecPageUp = 9;
constexpr TTextEditorCommand ecPageDown = 10;
constexpr TTextEditorCommand ecPageLeft = 11;
constexpr TTextEditorCommand ecPageRight = 12;
constexpr TTextEditorCommand ecPageTop = 13;
constexpr TTextEditorCommand ecPageBottom = 14;
constexpr TTextEditorCommand ecEditorTop = 15;
constexpr TTextEditorCommand ecEditorBottom = 16;
constexpr TTextEditorCommand ecGotoXY = 17;
constexpr TTextEditorCommand ecSelection = 100;  // added to a movement: the selecting movement
constexpr TTextEditorCommand ecSelLeft = ecLeft + ecSelection;
constexpr TTextEditorCommand ecSelRight = ecRight + ecSelection;
constexpr TTextEditorCommand ecSelUp = ecUp + ecSelection;
constexpr TTextEditorCommand ecSelDown = ecDown + ecSelection;
constexpr TTextEditorCommand ecSelWordLeft = ecWordLeft + ecSelection;
constexpr TTextEditorCommand ecSelWordRight = ecWordRight + ecSelection;
constexpr TTextEditorCommand ecSelLineStart = ecLineStart + ecSelection;
constexpr TTextEditorCommand ecSelLineEnd = ecLineEnd + ecSelection;
constexpr TTextEditorCommand ecSelPageUp = ecPageUp + ecSelection;
constexpr TTextEditorCommand ecSelPageDown = ecPageDown + ecSelection;
constexpr TTextEditorCommand ecSelPageLeft = ecPageLeft + ecSelection;
constexpr TTextEditorCommand ecSelPageRight = ecPageRight + ecSelection;
constexpr TTextEditorCommand ecSelPageTop = ecPageTop + ecSelection;
constexpr TTextEditorCommand ecSelPageBottom = ecPageBottom + ecSelection;
constexpr TTextEditorCommand ecSelEditorTop = ecEditorTop + ecSelection;
constexpr TTextEditorCommand ecSelEditorBottom = ecEditorBottom + ecSelection;
constexpr TTextEditorCommand ecSelGotoXY = ecGotoXY + ecSelection;
constexpr TTextEditorCommand ecSelWord = 198;
constexpr TTextEditorCommand ecSelectAll = 199;
constexpr TTextEditorCommand ecCopy = 201;
constexpr TTextEditorCommand ecScrollUp = 211;
constexpr TTextEditorCommand ecScrollDown = 212;
constexpr TTextEditorCommand ecScrollLeft = 213;
constexpr TTextEditorCommand ecScrollRight = 214;
constexpr TTextEditorCommand ecInsertMode = 221;
constexpr TTextEditorCommand ecOverwriteMode = 222;
constexpr TTextEditorCommand ecToggleMode = 223;
constexpr TTextEditorCommand ecNormalSelect = 231;
constexpr TTextEditorCommand ecColumnSelect = 232;
constexpr TTextEditorCommand ecLineSelect = 233;
constexpr TTextEditorCommand ecMatchBracket = 250;
constexpr TTextEditorCommand ecCommentBlock = 251;
constexpr TTextEditorCommand ecGotoMarker0 = 301;
constexpr TTextEditorCommand ecGotoMarker9 = 310;
constexpr TTextEditorCommand ecSetMarker0 = 351;
constexpr TTextEditorCommand ecSetMarker9 = 360;
constexpr TTextEditorCommand ecGotFocus = 480;   // no name: sent when the editor gains the focus
constexpr TTextEditorCommand ecLostFocus = 481;  // no name: sent when it loses the focus
constexpr TTextEditorCommand ecContextHelp = 490;
constexpr TTextEditorCommand ecDeleteLastChar = 501;
constexpr TTextEditorCommand ecDeleteChar = 502;
constexpr TTextEditorCommand ecDeleteWord = 503;
constexpr TTextEditorCommand ecDeleteLastWord = 504;
constexpr TTextEditorCommand ecDeleteBOL = 505;
constexpr TTextEditorCommand ecDeleteEOL = 506;
constexpr TTextEditorCommand ecDeleteLine = 507;
constexpr TTextEditorCommand ecClearAll = 508;
constexpr TTextEditorCommand ecLineBreak = 509;
constexpr TTextEditorCommand ecInsertLine = 510;
constexpr TTextEditorCommand ecChar = 511;
constexpr TTextEditorCommand ecImeStr = 550;
constexpr TTextEditorCommand ecUndo = 601;
constexpr TTextEditorCommand ecRedo = 602;
constexpr TTextEditorCommand ecCut = 603;
constexpr TTextEditorCommand ecPaste = 604;
constexpr TTextEditorCommand ecBlockIndent = 610;
constexpr TTextEditorCommand ecBlockUnindent = 611;
constexpr TTextEditorCommand ecTab = 612;
constexpr TTextEditorCommand ecShiftTab = 613;
constexpr TTextEditorCommand ecUpperCase = 620;
constexpr TTextEditorCommand ecLowerCase = 621;
constexpr TTextEditorCommand ecToggleCase = 622;
constexpr TTextEditorCommand ecTitleCase = 623;
constexpr TTextEditorCommand ecUpperCaseBlock = 625;
constexpr TTextEditorCommand ecLowerCaseBlock = 626;
constexpr TTextEditorCommand ecToggleCaseBlock = 627;
constexpr TTextEditorCommand ecString = 630;
constexpr TTextEditorCommand ecAutoCompletion = 650;
constexpr TTextEditorCommand ecUserFirst = 1001;

// One entry of the command table.
struct TEditorCommandName {
  TTextEditorCommand Value;
  const char* Name;
};
// The 101 identifiers and names, in the order they are searched.
const std::vector<TEditorCommandName>& EditorCommandNames();

bool EditorCommandToIdent(TTextEditorCommand command, std::string& ident);
bool IdentToEditorCommand(const std::string& ident, TTextEditorCommand& command);
// The name when the table has the command, else its decimal number.
std::string EditorCommandToCodeString(TTextEditorCommand command);

// Lookups between the integers of a type and their names, as the layout
// streaming finds them by type name ("TTextEditorCommand").
using TIntToIdent = std::function<bool(int value, std::string& ident)>;
using TIdentToInt = std::function<bool(const std::string& ident, int& value)>;
struct TIntegerIdentLookup {
  TIntToIdent ToIdent;
  TIdentToInt ToInt;
};
void RegisterIntegerConsts(const std::string& typeName, TIntToIdent toIdent, TIdentToInt toInt);
void UnregisterIntegerConsts(const std::string& typeName);
const TIntegerIdentLookup* FindIntegerConsts(const std::string& typeName);

// Module start-up: registers the command-name lookups for "TTextEditorCommand".
void RegisterEditorCommandIdents();
void UnregisterEditorCommandIdents();

// "Shortcut already exists"
class EEdKeyError : public platform::Exception {
 public:
  using platform::Exception::Exception;
};

class TTextEditKeyStrokes;

class TTextEditKeyStroke {
 public:
  explicit TTextEditKeyStroke(TTextEditKeyStrokes* collection = nullptr) : collection_(collection) {}

  TTextEditorCommand Command() const { return command_; }
  void SetCommand(TTextEditorCommand value) { if (value != command_) command_ = value; }
  int Key() const { return key_; }
  platform::ShiftState Shift() const { return shift_; }
  int Key2() const { return key2_; }
  platform::ShiftState Shift2() const { return shift2_; }
  void SetKey(int key) { key_ = key; }
  void SetShift(platform::ShiftState shift) { shift_ = shift; }
  void SetKey2(int key) { key2_ = key; }
  void SetShift2(platform::ShiftState shift) { shift2_ = shift; }

  // Shortcut integers (key + 0x2000 Shift + 0x4000 Ctrl + 0x8000 Alt); a
  // non-zero value that another keystroke of the collection already has (as
  // the pair ShortCut, ShortCut2) raises EEdKeyError and changes nothing.
  int ShortCut() const;
  void SetShortCut(int value);
  int ShortCut2() const;
  void SetShortCut2(int value);

  void Assign(const TTextEditKeyStroke& source);
  // The command as text, " - ", the first shortcut and, when set, " " and the second.
  std::string DisplayName() const;

  TTextEditKeyStrokes* Collection() const { return collection_; }

 private:
  friend class TTextEditKeyStrokes;
  TTextEditKeyStrokes* collection_;
  int key_ = 0;
  platform::ShiftState shift_ = 0;
  int key2_ = 0;
  platform::ShiftState shift2_ = 0;
  TTextEditorCommand command_ = ecNone;
};

class TTextEditKeyStrokes {
 public:
  TTextEditKeyStrokes() = default;
  TTextEditKeyStrokes(const TTextEditKeyStrokes&) = delete;
  TTextEditKeyStrokes& operator=(const TTextEditKeyStrokes&) = delete;

  int Count() const { return static_cast<int>(items_.size()); }
  TTextEditKeyStroke& Items(int index) { return *items_.at(static_cast<size_t>(index)); }
  const TTextEditKeyStroke& Items(int index) const { return *items_.at(static_cast<size_t>(index)); }
  TTextEditKeyStroke& Add();
  void AddKey(TTextEditorCommand command, int key, platform::ShiftState shift);
  void Delete(int index);
  void Clear() { items_.clear(); }

  int FindCommand(TTextEditorCommand command) const;
  int FindKeycode(int code, platform::ShiftState shift) const;
  int FindKeycode2(int code1, platform::ShiftState shift1, int code2, platform::ShiftState shift2) const;
  int FindShortcut(int shortcut) const;
  int FindShortcut2(int shortcut, int shortcut2) const;

  void Assign(const TTextEditKeyStrokes& source);
  void ResetDefaults();

 private:
  std::vector<std::unique_ptr<TTextEditKeyStroke>> items_;
};

// Keystrokes stored with a window layout as the difference from a default map.
// Added: those of current that defaults lacks (by both shortcuts and command);
// removed: those of defaults that current lacks.
void KeystrokesDifference(const TTextEditKeyStrokes& current, const TTextEditKeyStrokes& defaults,
                          TTextEditKeyStrokes& added, TTextEditKeyStrokes& removed);
// Reading them back: each added one is appended (without the duplicate
// check), each removed one present with the same shortcuts and command is deleted.
void ApplyKeystrokesDifference(TTextEditKeyStrokes& target, const TTextEditKeyStrokes& added,
                               const TTextEditKeyStrokes& removed);

// The editor's road from a key press to a command, with the remembered first
// key of a two-key sequence.
class TEdKeyTranslator {
 public:
  // The command for a key press, or ecNone. Keys 30..145 that give no command
  // are remembered as the possible first key of a sequence.
  TTextEditorCommand TranslateKeyCode(const TTextEditKeyStrokes& keystrokes, int code, platform::ShiftState shift);
  void Reset() { lastKey_ = 0; lastShift_ = 0; }

 private:
  int lastKey_ = 0;
  platform::ShiftState lastShift_ = 0;
};

}  // namespace editor
