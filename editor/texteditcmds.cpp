// Carrying out editor commands.
#include <algorithm>

#include "editor/textedit.h"

namespace editor {

void TCustomTextEdit::ExecuteCommand(TTextEditorCommand command, char16_t, void*) {
  TPaintLockScope lock(*this);
  switch (command) {
    case ecSelectAll: SelectAll(); break;
    case ecUndo:
      if (!readOnly_) Undo();
      break;
    case ecRedo:
      if (!readOnly_) Redo();
      break;
    case ecLineBreak:
      if (!readOnly_) DoLineBreak(true);
      break;
    case ecInsertLine:
      if (!readOnly_) DoLineBreak(false);
      break;
    case ecInsertMode: SetInsertMode(true); break;
    case ecOverwriteMode: SetInsertMode(false); break;
    case ecToggleMode: SetInsertMode(!insertMode_); break;
    case ecNormalSelect: SetSelectionMode(TEdSelectionMode::smNormal); break;
    case ecColumnSelect: SetSelectionMode(TEdSelectionMode::smColumn); break;
    case ecLineSelect: SetSelectionMode(TEdSelectionMode::smLine); break;
    default: break;
  }
}

void TCustomTextEdit::DoLineBreak(bool moveCaret) {
  TUndoBlockScope block(*this);
  if (SelAvail()) {
    UndoList().AddChange(TUndoReason::urDelete, blockBegin_, blockEnd_, SelText(), activeSelectionMode_);
    SetSelTextPrimitiveEx(activeSelectionMode_, u"", true);
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
    ProperSetLine(caret.Line - 1, left);
    const std::u16string indent = GetLeftSpacing(LeftSpaces(left, true), true);
    lines_->Insert(caret.Line, indent + right);
    UndoList().AddChange(TUndoReason::urLineBreak, caret, caret, right, TEdSelectionMode::smNormal);
    if (moveCaret) InternalSetCaretXY(TBufferCoord{static_cast<int>(indent.size()) + 1, caret.Line + 1});
  }
  SetBlockBegin(CaretXY());
  EnsureCursorPosVisible();
}

}  // namespace editor
