// The road from keys to commands and the command dispatch: key-down through
// the key map, characters, the processing events, and which step carries
// out each command.
#include <algorithm>

#include "editor/textedit.h"

namespace editor {

// ---------------------------------------------------------------- keys

bool TCustomTextEdit::WantsKey(int vk, platform::ShiftState shift) {
  // Bound keys reach the editor before the window's shortcuts.
  return keystrokes_.FindKeycode(vk, shift & (platform::ssShift | platform::ssCtrl | platform::ssAlt)) >= 0;
}

void TCustomTextEdit::KeyDown(int& key, platform::ShiftState shift) {
  shift &= platform::ssShift | platform::ssCtrl | platform::ssAlt;
  // A modifier pressed alone is no keystroke: it neither runs a command nor
  // ends a two-key sequence (each key of the sequence brings its Ctrl again).
  if (key == platform::VK_SHIFT || key == platform::VK_CONTROL || key == platform::VK_MENU) return;
  if (dragging_ && key == platform::VK_ESCAPE) {
    CancelDrag();
    key = 0;
    return;
  }
  const TTextEditorCommand command = keyTranslator_.TranslateKeyCode(keystrokes_, key, shift);
  if (command != ecNone) {
    key = 0;
    ignoreNextChar_ = true;
    CommandProcessor(command, 0, nullptr);
  } else {
    ignoreNextChar_ = false;
  }
}

void TCustomTextEdit::KeyPress(char16_t& ch) {
  if (imeCount_ > 0) {
    --imeCount_;
    ch = 0;
    return;
  }
  if (ignoreNextChar_) {
    ignoreNextChar_ = false;
    ch = 0;
    return;
  }
  CommandProcessor(ecChar, ch, nullptr);
}

// ------------------------------------------------------------- commands

void TCustomTextEdit::CommandProcessor(TTextEditorCommand command, char16_t aChar, void* data) {
  if (command >= ecUserFirst) {
    if (OnProcessUserCommand) OnProcessUserCommand(this, command, aChar, data);
  } else if (OnProcessCommand) {
    OnProcessCommand(this, command, aChar, data);
  }
  if (command != ecNone && command < ecUserFirst) ExecuteCommand(command, aChar, data);
  if (OnCommandProcessed) OnCommandProcessed(this, command, aChar, data);
}

void TCustomTextEdit::ExecuteCommand(TTextEditorCommand command, char16_t aChar, void* data) {
  TPaintLockScope lock(*this);
  // The command's records are in when it returns; the blanks it trimmed
  // follow them (also when it fails half way).
  struct FlushTrims {
    TCustomTextEdit* ed;
    ~FlushTrims() { ed->FlushTrimmedBlanks(); }
  } flushTrims{this};
  const bool selecting = command >= ecSelection && command <= ecSelection + ecGotoXY;
  switch (command) {
    case ecLeft:
    case ecSelLeft: MoveCaretHorz(-1, selecting); break;
    case ecRight:
    case ecSelRight: MoveCaretHorz(1, selecting); break;
    case ecPageLeft:
    case ecSelPageLeft: MoveCaretHorz(-charsInWindow_, selecting); break;
    case ecPageRight:
    case ecSelPageRight: MoveCaretHorz(charsInWindow_, selecting); break;
    case ecUp:
    case ecSelUp:
      MoveCaretVert(-1, selecting);
      Update();
      break;
    case ecDown:
    case ecSelDown:
      MoveCaretVert(1, selecting);
      Update();
      break;
    case ecPageUp:
    case ecSelPageUp:
    case ecPageDown:
    case ecSelPageDown: MovePage(command, selecting); break;
    case ecPageTop:
    case ecSelPageTop: MoveDisplayRow(topLine_, selecting); break;
    case ecPageBottom:
    case ecSelPageBottom: MoveDisplayRow(topLine_ + linesInWindow_ - 1, selecting); break;
    case ecEditorTop:
    case ecSelEditorTop:
      MoveCaretAndSelection(CaretXY(), TBufferCoord{1, 1}, selecting);
      Update();
      break;
    case ecEditorBottom:
    case ecSelEditorBottom: {
      TBufferCoord p{1, std::max(1, lines_->Count())};
      p.Char = LineLength(p.Line) + 1;
      MoveCaretAndSelection(CaretXY(), p, selecting);
      Update();
      break;
    }
    case ecGotoXY:
    case ecSelGotoXY:
      if (data != nullptr) {
        MoveCaretAndSelection(CaretXY(), *static_cast<const TBufferCoord*>(data), selecting);
        Update();
      }
      break;
    case ecWordLeft:
    case ecSelWordLeft: MoveCaretAndSelection(blockBegin_, PrevWordPos(), selecting); break;
    case ecWordRight:
    case ecSelWordRight: MoveCaretAndSelection(blockBegin_, NextWordPos(), selecting); break;
    case ecLineStart:
    case ecSelLineStart: DoHome(selecting); break;
    case ecLineEnd:
    case ecSelLineEnd: DoEnd(selecting); break;
    case ecSelWord: SelectWord(); break;
    case ecSelectAll: SelectAll(); break;
    case ecCopy: CopyToClipboard(); break;
    case ecCut:
      if (!readOnly_ && SelAvail()) CutToClipboard();
      break;
    case ecPaste:
      if (!readOnly_) PasteFromClipboard();
      break;
    case ecScrollUp: DoScrollVert(-1); break;
    case ecScrollDown: DoScrollVert(1); break;
    case ecScrollLeft:
      SetLeftChar(leftChar_ - 1);
      Update();
      break;
    case ecScrollRight:
      SetLeftChar(leftChar_ + 1);
      Update();
      break;
    case ecInsertMode: SetInsertMode(true); break;
    case ecOverwriteMode: SetInsertMode(false); break;
    case ecToggleMode: SetInsertMode(!insertMode_); break;
    case ecNormalSelect: SetSelectionMode(TEdSelectionMode::smNormal); break;
    case ecColumnSelect: SetSelectionMode(TEdSelectionMode::smColumn); break;
    case ecLineSelect: SetSelectionMode(TEdSelectionMode::smLine); break;
    case ecMatchBracket: DoMatchBracket(); break;
    case ecContextHelp:
      if (OnContextHelp) OnContextHelp(this, GetWordAtCursor());
      break;
    case ecUndo:
      if (!readOnly_) Undo();
      break;
    case ecRedo:
      if (!readOnly_) Redo();
      break;
    case ecClearAll:
      if (!readOnly_) ClearAll();
      break;
    case ecLineBreak:
      if (!readOnly_) DoLineBreak(true);
      break;
    case ecInsertLine:
      if (!readOnly_) DoLineBreak(false);
      break;
    case ecChar:
      if (!readOnly_) DoTypeChar(aChar);
      break;
    case ecImeStr:
      if (!readOnly_ && data != nullptr) DoImeStr(static_cast<const char16_t*>(data));
      break;
    case ecDeleteLastChar:
      if (!readOnly_) DoDeleteLastChar();
      break;
    case ecDeleteChar:
      if (!readOnly_) DoDeleteChar();
      break;
    case ecDeleteWord:
    case ecDeleteEOL:
      if (!readOnly_) DoDeleteWordOrEol(command == ecDeleteWord);
      break;
    case ecDeleteLastWord:
    case ecDeleteBOL:
      if (!readOnly_) DoDeleteLastWordOrBol(command == ecDeleteLastWord);
      break;
    case ecDeleteLine:
      if (!readOnly_) DoDeleteLine();
      break;
    case ecBlockIndent:
      if (!readOnly_) DoBlockIndent();
      break;
    case ecBlockUnindent:
      if (!readOnly_) DoBlockUnindent();
      break;
    case ecTab:
      if (!readOnly_) DoTab();
      break;
    case ecShiftTab:
      if (!readOnly_) DoShiftTab();
      break;
    case ecUpperCase:
    case ecLowerCase:
    case ecToggleCase:
    case ecTitleCase:
    case ecUpperCaseBlock:
    case ecLowerCaseBlock:
    case ecToggleCaseBlock:
      if (!readOnly_) DoCaseChange(command);
      break;
    default:
      if (command >= ecGotoMarker0 && command <= ecGotoMarker9) {
        if (bookMarkOptions_.EnableKeys()) GotoBookMark(command - ecGotoMarker0);
      } else if (command >= ecSetMarker0 && command <= ecSetMarker9) {
        if (bookMarkOptions_.EnableKeys())
          DoSetMarker(command - ecSetMarker0, static_cast<const TBufferCoord*>(data));
      }
      break;
  }
}

void TCustomTextEdit::ClearAll() {
  lines_->Clear();
  marks_->Clear();
  for (TTextEditMark*& m : bookmarks_) m = nullptr;
  ClearUndo();
  SetModified(false);
}

// ---------------------------------------------------------- line break

void TCustomTextEdit::DoLineBreak(bool moveCaret) {
  TUndoBlockScope block(*this);
  if (SelAvail()) {
    AddSelectionDeletion(TUndoReason::urDelete);
    SetSelTextPrimitiveEx(activeSelectionMode_, u"", true);
    FlushTrimmedBlanks();
  }
  const std::u16string text = LineText();
  const TBufferCoord caret = CaretXY();
  const int x = caret.Char;
  const int length = static_cast<int>(text.size());
  if (text.empty()) {
    if (lines_->Count() == 0) lines_->Add(u"");
    int indent = 0;
    if (HasOption(eoAutoIndent)) {
      for (int line = caret.Line; line >= 1; --line) {
        const std::u16string& above = lines_->Get(line - 1);
        if (!above.empty()) {
          indent = LeftSpaces(above, true);
          break;
        }
      }
    }
    lines_->Insert(caret.Line - 1, u"");
    UndoList().AddChange(TUndoReason::urLineBreak, caret, caret, u"", TEdSelectionMode::smNormal);
    if (moveCaret) InternalSetCaretXY(TBufferCoord{indent + 1, caret.Line + 1});
  } else if (x > length) {
    const int indent = LeftSpaces(text, false);
    lines_->Insert(caret.Line, moveCaret ? text.substr(0, static_cast<size_t>(indent)) : std::u16string());
    UndoList().AddChange(TUndoReason::urLineBreak, caret, caret, u"", TEdSelectionMode::smNormal);
    if (moveCaret) InternalSetCaretXY(TBufferCoord{indent + 1, caret.Line + 1});
  } else if (x == 1) {
    lines_->Insert(caret.Line - 1, u"");
    UndoList().AddChange(TUndoReason::urLineBreak, caret, caret, text, TEdSelectionMode::smNormal);
    if (moveCaret) InternalSetCaretXY(TBufferCoord{x, caret.Line + 1});
  } else {
    const std::u16string left = text.substr(0, static_cast<size_t>(x - 1));
    const std::u16string right = text.substr(static_cast<size_t>(x - 1));
    // The record's tail holds the blanks trimmed from the left part.
    std::u16string stored = left;
    if (HasOption(eoTrimTrailingSpaces))
      while (!stored.empty() && (stored.back() == u' ' || stored.back() == u'\t')) stored.pop_back();
    lines_->Put(caret.Line - 1, stored);
    const std::u16string indent = GetLeftSpacing(LeftSpaces(left, true), true);
    lines_->Insert(caret.Line, indent + right);
    // The record holds all that left the line, with blanks the trimming
    // rule took from the left part, so that undo joins it back exactly.
    const std::u16string tail = text.substr(std::min(text.size(), lines_->Get(caret.Line - 1).size()));
    UndoList().AddChange(TUndoReason::urLineBreak, caret, caret, tail, TEdSelectionMode::smNormal);
    if (moveCaret) InternalSetCaretXY(TBufferCoord{static_cast<int>(indent.size()) + 1, caret.Line + 1});
  }
  // The marks below moved with the inserted line (ListInserted).
  SetBlockBegin(CaretXY());
  EnsureCursorPosVisible();
}

}  // namespace editor
