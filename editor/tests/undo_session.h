#pragma once
// Random editing sessions for the undo property: a session sets options,
// lines and a selection mode, runs a stream of editing, moving and selecting
// commands, and then undoes everything (which must give back the first text
// byte for byte) and redoes everything (which must give the edited text,
// passing only through states that the undo passed through).
//
// The choices come from a seed (the property test) or from the bytes of a
// fuzz input (fuzz/undo_fuzz.cpp); the session is the same code for both.
// Header-only so that the fuzz target can use it without the test helpers.
#include <cstddef>
#include <cstdint>
#include <memory>
#include <sstream>
#include <string>
#include <vector>

#include "editor/editormodule.h"
#include "editor/textedit.h"
#include "platform/clipboard.h"
#include "platform/fonts.h"

namespace editor::testing {

// Where the choices of a session come from.
class SessionChoices {
 public:
  explicit SessionChoices(std::uint64_t seed) : state_(seed * 2 + 1) {}
  SessionChoices(const std::uint8_t* data, size_t size) : data_(data), size_(size), fromBytes_(true) {}

  // A number from 0 to n - 1 (n at least 1).
  int Next(int n) {
    if (n <= 1) return 0;
    std::uint32_t v;
    if (fromBytes_) {
      if (pos_ >= size_) {
        exhausted_ = true;
        return 0;
      }
      v = data_[pos_++];
      if (n > 256 && pos_ < size_) v = v << 8 | data_[pos_++];
    } else {
      // splitmix64: small, well mixed, the same everywhere.
      state_ += 0x9E3779B97F4A7C15ull;
      std::uint64_t z = state_;
      z = (z ^ (z >> 30)) * 0xBF58476D1CE4E5B9ull;
      z = (z ^ (z >> 27)) * 0x94D049BB133111EBull;
      v = static_cast<std::uint32_t>((z ^ (z >> 31)) >> 16);
    }
    return static_cast<int>(v % static_cast<std::uint32_t>(n));
  }
  bool Chance(int percent) { return Next(100) < percent; }
  bool Exhausted() const { return exhausted_; }

 private:
  std::uint64_t state_ = 0;
  const std::uint8_t* data_ = nullptr;
  size_t size_ = 0;
  size_t pos_ = 0;
  bool fromBytes_ = false;
  bool exhausted_ = false;
};

struct SessionOutcome {
  bool ok = true;
  std::string failure;  // what went wrong, with the session's log
  std::string log;      // the session, when it passed
};

class UndoSession {
 public:
  // steps: the most commands a session runs (a byte-driven session also
  // ends when its bytes do).
  UndoSession(SessionChoices& choices, int steps) : c_(choices), steps_(steps) {}

  SessionOutcome Run() {
    platform::TestClipboardBackend clipboard;
    platform::SetClipboardBackend(&clipboard);
    struct Restore {
      ~Restore() { platform::SetClipboardBackend(nullptr); }
    } restore;

    ed_ = std::make_unique<TTextEdit>();
    ed_->resize(400, 300);
    // Long sessions must not drop their oldest records.
    ed_->SetMaxUndo(1 << 20);
    SetUp();
    const std::u16string original = ed_->Text();
    for (int i = 0; i < steps_ && !c_.Exhausted(); ++i) {
      Step();
      log_ << "  -> \"" << Show(ed_->Text()) << "\" caret (" << ed_->CaretX() << "," << ed_->CaretY() << ")\n";
    }
    if (!brokenCommand_.empty()) return Fail(brokenCommand_, u"", u"");
    // What an undo in the session left to redo belongs to the edited text.
    for (int n = 0; ed_->CanRedo() && n < 5000; ++n) ed_->Redo();
    const std::u16string edited = ed_->Text();
    log_ << "undo list:\n" << Records(ed_->UndoList());

    std::vector<std::u16string> undone{edited};
    for (int n = 0; ed_->CanUndo() && n < 5000; ++n) {
      ed_->Undo();
      undone.push_back(ed_->Text());
    }
    if (ed_->Text() != original) return Fail("undoing everything", original, ed_->Text());
    if (ed_->Modified()) return Fail("not modified after undoing everything", u"", u"");
    log_ << "redo list:\n" << Records(ed_->RedoList());
    std::vector<std::u16string> redone{ed_->Text()};
    for (int n = 0; ed_->CanRedo() && n < 5000; ++n) {
      ed_->Redo();
      redone.push_back(ed_->Text());
    }
    if (ed_->Text() != edited) {
      log_ << "redo states:";
      for (const auto& s : redone) log_ << " \"" << Show(s) << "\"";
      log_ << "\n";
      return Fail("redoing everything", edited, ed_->Text());
    }
    // Redo walks back through states that Undo passed through (a step may
    // join like actions that undo took one by one, never part of one).
    const std::vector<std::u16string> back = Distinct(std::vector<std::u16string>(undone.rbegin(), undone.rend()));
    const std::vector<std::u16string> forth = Distinct(redone);
    size_t matched = 0;
    for (size_t i = 0; i < back.size() && matched < forth.size(); ++i)
      if (back[i] == forth[matched]) ++matched;
    if (matched != forth.size()) {
      log_ << "undo states:";
      for (const auto& s : undone) log_ << " \"" << Show(s) << "\"";
      log_ << "\nredo states:";
      for (const auto& s : redone) log_ << " \"" << Show(s) << "\"";
      return Fail("redo passes through the undo states", u"", u"");
    }
    SessionOutcome out;
    out.log = log_.str();
    return out;
  }

 private:
  static std::vector<std::u16string> Distinct(const std::vector<std::u16string>& states) {
    std::vector<std::u16string> out;
    for (const auto& s : states)
      if (out.empty() || out.back() != s) out.push_back(s);
    return out;
  }

  // The session's letters in one case; with trimmed, without the blanks
  // that end lines.
  static std::u16string Folded(std::u16string_view text, bool trimmed) {
    std::u16string s;
    for (char16_t ch : text) {
      if (ch >= u'A' && ch <= u'Z') ch = static_cast<char16_t>(ch + 32);
      if (ch == u'\u00c9') ch = u'\u00e9';
      if (trimmed && ch == u'\r')
        while (!s.empty() && (s.back() == u' ' || s.back() == u'\t')) s.pop_back();
      s += ch;
    }
    while (trimmed && !s.empty() && (s.back() == u' ' || s.back() == u'\t')) s.pop_back();
    return s;
  }

  static std::string Records(const TTextEditUndoList& list) {
    std::ostringstream out;
    for (int i = 0; i < list.ItemCount(); ++i) {
      const TTextEditUndoItem& item = list.Item(i);
      out << "  #" << item.ChangeNumber << " reason " << static_cast<int>(item.ChangeReason) << " mode "
          << static_cast<int>(item.ChangeSelMode) << " (" << item.ChangeStartPos.Char << "," << item.ChangeStartPos.Line
          << ")-(" << item.ChangeEndPos.Char << "," << item.ChangeEndPos.Line << ") \"" << Show(item.ChangeStr)
          << "\"\n";
    }
    return out.str();
  }

  // The text with its controls escaped, converted once: the log shows the
  // whole text after every step, and a character at a time made a long
  // line cost a conversion per character per step (and split surrogate
  // pairs).
  static std::string Show(std::u16string_view s) {
    std::u16string escaped;
    escaped.reserve(s.size());
    for (char16_t ch : s) {
      if (ch == u'\t')
        escaped += u"\\t";
      else if (ch == u'\r')
        escaped += u"\\r";
      else if (ch == u'\n')
        escaped += u"\\n";
      else
        escaped += ch;
    }
    return platform::Utf16ToUtf8(escaped);
  }

  SessionOutcome Fail(const std::string& what, std::u16string_view expected, std::u16string_view actual) {
    SessionOutcome out;
    out.ok = false;
    std::ostringstream s;
    s << what << ": expected \"" << Show(expected) << "\", got \"" << Show(actual) << "\"\n" << log_.str();
    out.failure = s.str();
    return out;
  }

  // A short random text from a small alphabet with blanks, tabs, a letter
  // that changes case outside ASCII, and line breaks when allowed.
  std::u16string RandomText(int maxLength, bool breaks) {
    static const char16_t kAlphabet[] = u"ab Ab=\t \u00e9x";
    std::u16string s;
    const int n = c_.Next(maxLength + 1);
    for (int i = 0; i < n; ++i) {
      if (breaks && c_.Chance(15))
        s += c_.Chance(80) ? u"\r\n" : u"\n";
      else
        s += kAlphabet[c_.Next(static_cast<int>(std::size(kAlphabet)) - 1)];
    }
    return s;
  }

  TBufferCoord RandomPosition() {
    const int count = std::max(1, ed_->Lines().Count());
    const int line = 1 + c_.Next(count);
    const int length = static_cast<int>(ed_->Lines().Get(line - 1).size());
    return TBufferCoord{1 + c_.Next(length + 4), line};
  }

  void SetUp() {
    struct Switch {
      TTextEditorOption option;
      const char* name;
    };
    static const Switch kSwitches[] = {
        {eoAutoIndent, "autoindent"}, {eoTabsToSpaces, "tabstospaces"}, {eoSmartTabs, "smarttabs"},
        {eoTabIndent, "tabindent"},   {eoGroupUndo, "groupundo"},       {eoSmartTabDelete, "smarttabdelete"},
        {eoScrollPastEol, "pasteol"}, {eoEnhanceHomeKey, "enhancehome"},
        {eoEnhanceEndKey, "enhanceend"}, {eoKeepCaretX, "keepcaretx"},
        {eoAutoSizeMaxScrollWidth, "autosizescrollwidth"}, {eoTrimTrailingSpaces, "trim"},
    };
    log_ << "options:";
    for (const Switch& s : kSwitches) {
      const bool on = c_.Chance(50);
      ed_->SetOption(s.option, on);
      if (on) log_ << " " << s.name;
    }
    static const int kTabWidths[] = {8, 4, 2, 3};
    ed_->SetTabWidth(kTabWidths[c_.Next(4)]);
    ed_->SetInsertMode(c_.Chance(75));
    if (c_.Chance(30)) {
      // A narrow window, so that rows wrap within the lines.
      ed_->resize(60, 300);
      ed_->SetWordWrap(true);
      log_ << " wordwrap";
    }
    log_ << " tabwidth " << ed_->TabWidth() << (ed_->InsertMode() ? " insert" : " overwrite") << "\n";
    std::u16string text;
    const int lines = c_.Next(5);
    for (int i = 0; i < lines; ++i) {
      if (i > 0) text += u"\r\n";
      text += RandomText(8, false);
    }
    ed_->Lines().SetTextStr(text);
    log_ << "lines: \"" << Show(text) << "\"\n";
    SetMode(c_.Next(3));
  }

  void SetMode(int m) {
    static const TTextEditorCommand kModes[] = {ecNormalSelect, ecLineSelect, ecColumnSelect};
    static const char* kNames[] = {"normal", "line", "column"};
    ed_->CommandProcessor(kModes[m], 0, nullptr);
    log_ << "mode " << kNames[m] << "\n";
  }

  void Command(TTextEditorCommand command, const char* name, char16_t ch = 0, void* data = nullptr) {
    log_ << name;
    if (ch != 0) log_ << " '" << Show(std::u16string(1, ch)) << "'";
    log_ << "\n";
    ed_->CommandProcessor(command, ch, data);
  }

  void Step() {
    switch (c_.Next(25)) {
      case 0:
      case 1: {
        TBufferCoord p = RandomPosition();
        log_ << "goto (" << p.Char << "," << p.Line << ")\n";
        ed_->CommandProcessor(ecGotoXY, 0, &p);
        break;
      }
      case 2:
      case 3: {
        TBufferCoord p = RandomPosition();
        log_ << "select to (" << p.Char << "," << p.Line << ")\n";
        ed_->CommandProcessor(ecSelGotoXY, 0, &p);
        break;
      }
      case 4: SetMode(c_.Next(3)); break;
      case 5:
      case 6: {
        static const char16_t kTyped[] = u"ab =x\u00e9";
        Command(ecChar, "char", kTyped[c_.Next(static_cast<int>(std::size(kTyped)) - 1)]);
        break;
      }
      case 7: Command(c_.Chance(60) ? ecLineBreak : ecInsertLine, "linebreak/insertline"); break;
      case 8: Command(ecTab, "tab"); break;
      case 9: Command(ecShiftTab, "shifttab"); break;
      case 10: Command(ecBlockIndent, "blockindent"); break;
      case 11: Command(ecBlockUnindent, "blockunindent"); break;
      case 12: {
        static const TTextEditorCommand kDeletes[] = {ecDeleteChar, ecDeleteLastChar, ecDeleteWord, ecDeleteLastWord,
                                                      ecDeleteBOL,  ecDeleteEOL,      ecDeleteLine};
        static const char* kNames[] = {"deletechar", "deletelastchar", "deleteword", "deletelastword",
                                       "deletebol",  "deleteeol",      "deleteline"};
        const int k = c_.Next(7);
        Command(kDeletes[k], kNames[k]);
        break;
      }
      case 13: Command(ecDeleteChar, "deletechar"); break;
      case 14: Command(ecDeleteLastChar, "deletelastchar"); break;
      case 15: {
        // Paste what the clipboard holds: a copy or cut of the editor's own
        // selection, or a new text in one of the three modes.
        const int k = c_.Next(4);
        if (k == 0) {
          Command(ecCopy, "copy");
        } else if (k == 1) {
          Command(ecCut, "cut");
        } else if (k == 2) {
          const std::u16string t = RandomText(10, true);
          const int mode = c_.Next(3);
          std::string block(1, static_cast<char>(mode));
          block += platform::Utf16ToUtf8(t);
          block += '\0';
          platform::ClipboardData data;
          data[platform::kClipboardText] = platform::Utf16ToUtf8(t);
          // Plain text alone, as another program leaves it, goes in by the
          // editor's own selection mode.
          const bool plain = c_.Chance(30);
          if (!plain) data[TextEditClipboardMimeType()] = block;
          platform::Clipboard().SetData(data);
          if (plain)
            log_ << "clipboard plain \"" << Show(t) << "\"\n";
          else
            log_ << "clipboard mode " << mode << " \"" << Show(t) << "\"\n";
        }
        // Pasting a copy of everything doubles the text; past a few pages
        // a session only gets slower, not stronger.
        if (ed_->Text().size() > kMaxText) break;
        Command(ecPaste, "paste");
        break;
      }
      case 16: {
        std::u16string s = RandomText(4, false);
        if (s.empty()) s.push_back(u'x');
        log_ << "ime \"" << Show(s) << "\"\n";
        ed_->CommandProcessor(ecImeStr, 0, s.data());
        break;
      }
      case 17: {
        const std::u16string s = RandomText(8, true);
        log_ << "seltext \"" << Show(s) << "\"\n";
        ed_->SetSelText(s);
        break;
      }
      case 18: {
        static const TTextEditorCommand kCases[] = {ecUpperCase,      ecLowerCase,      ecToggleCase,     ecTitleCase,
                                                    ecUpperCaseBlock, ecLowerCaseBlock, ecToggleCaseBlock};
        static const char* kNames[] = {"uppercase",      "lowercase",      "togglecase",     "titlecase",
                                       "uppercaseblock", "lowercaseblock", "togglecaseblock"};
        const int k = c_.Next(7);
        const std::u16string before = ed_->Text();
        Command(kCases[k], kNames[k]);
        // A case change changes letters' case and nothing else (but for
        // the trimming rule on the lines it stores).
        const bool trim = ed_->HasOption(eoTrimTrailingSpaces);
        if (brokenCommand_.empty() && Folded(ed_->Text(), trim) != Folded(before, trim))
          brokenCommand_ = std::string(kNames[k]) + " changed more than case: \"" + Show(before) + "\" became \"" +
                           Show(ed_->Text()) + "\"";
        break;
      }
      case 19: {
        static const TTextEditorCommand kMoves[] = {
            ecLeft,       ecRight,     ecUp,         ecDown,        ecLineStart,    ecLineEnd,   ecWordLeft,
            ecWordRight,  ecSelLeft,   ecSelRight,   ecSelUp,       ecSelDown,      ecSelLineEnd, ecSelWordLeft,
            ecSelectAll,  ecSelWord,   ecPageDown,   ecSelPageUp,   ecSelEditorBottom, ecEditorTop, ecMatchBracket,
            ecSelLineStart};
        static const char* kNames[] = {
            "left",      "right",   "up",       "down",      "linestart",       "lineend",   "wordleft",
            "wordright", "selleft", "selright", "selup",     "seldown",         "sellineend", "selwordleft",
            "selectall", "selword", "pagedown", "selpageup", "seleditorbottom", "editortop", "matchbracket",
            "sellinestart"};
        const int k = c_.Next(static_cast<int>(std::size(kMoves)));
        Command(kMoves[k], kNames[k]);
        break;
      }
      case 20: Command(ecToggleMode, "togglemode"); break;
      case 21: Command(ecUndo, "undo"); break;
      case 22: Command(ecRedo, "redo"); break;
      case 23: {
        static const char16_t kTyped[] = u"b \t";
        // A tab as a typed character does nothing; blanks before others matter.
        Command(ecChar, "char", kTyped[c_.Next(2)]);
        break;
      }
      case 24: {
        // Drag the selection with the mouse and drop it elsewhere in the
        // editor: moved, or copied with Ctrl.
        if (!ed_->SelAvail() || ed_->Text().size() > kMaxText) break;
        const TBufferCoord p = RandomPosition();
        const bool copy = c_.Chance(50);
        const platform::Point at = ed_->RowColumnToPixels(ed_->BufferToDisplayPos(p));
        log_ << (copy ? "drop a copy at (" : "drop at (") << p.Char << "," << p.Line << ")\n";
        ed_->DragDrop(ed_.get(), at.x + 1, at.y + 1, copy ? platform::ssCtrl : platform::ShiftState{0});
        break;
      }
    }
  }

  static constexpr size_t kMaxText = 4000;

  SessionChoices& c_;
  int steps_;
  std::unique_ptr<TTextEdit> ed_;
  std::ostringstream log_;
  std::string brokenCommand_;  // a command that did what it must not
};

}  // namespace editor::testing
