// The editor and the clipboard: plain text plus the private format that
// remembers the selection mode (one byte 0 normal, 1 line, 2 column, then
// the text and a zero).
#include <exception>
#include <string>

#include "editor/editormodule.h"
#include "editor/textedit.h"
#include "platform/clipboard.h"
#include "platform/fonts.h"

namespace editor {

namespace {

const std::string& PrivateFormat() {
  static const std::string mime = TextEditClipboardMimeType();
  return mime;
}

// Plain text leaves with LF line ends, as the desktop expects.
std::string ToPlainText(std::u16string_view text) {
  std::u16string out;
  out.reserve(text.size());
  for (size_t i = 0; i < text.size(); ++i) {
    if (text[i] == u'\r' && i + 1 < text.size() && text[i + 1] == u'\n') continue;
    out += text[i];
  }
  return platform::Utf16ToUtf8(out);
}

}  // namespace

bool TCustomTextEdit::CanPaste() const {
  if (readOnly_) return false;
  const platform::ClipboardBackend& clipboard = platform::Clipboard();
  return clipboard.HasFormat(platform::kClipboardText) || clipboard.HasFormat(PrivateFormat());
}

void TCustomTextEdit::CopyToClipboard() {
  if (!SelAvail()) return;
  // A column block always leaves as a rectangle, filled to its width.
  const TTextEditorOptions saved = options_;
  if (activeSelectionMode_ == TEdSelectionMode::smColumn) options_ &= ~OptionBit(eoTrimTrailingSpaces);
  const std::u16string text = SelText();
  options_ = saved;

  platform::ClipboardData data;
  data[platform::kClipboardText] = ToPlainText(text);
  std::string block(1, static_cast<char>(activeSelectionMode_));
  block += platform::Utf16ToUtf8(text);
  block += '\0';
  data[PrivateFormat()] = block;
  if (!platform::Clipboard().SetData(data)) throw ETextEditError("Clipboard copy operation failed");
}

void TCustomTextEdit::CutToClipboard() {
  if (readOnly_ || !SelAvail()) return;
  TUndoBlockScope block(*this);
  CopyToClipboard();
  SetSelText(u"");
}

void TCustomTextEdit::PasteFromClipboard() {
  if (!CanPaste()) return;
  platform::ClipboardBackend& clipboard = platform::Clipboard();
  // The after-call also runs when the paste fails, so the lock never stays taken.
  struct TransientPair {
    TCustomTextEdit* ed;
    explicit TransientPair(TCustomTextEdit* e) : ed(e) { ed->DoPaintTransientEx(TTransientType::ttBefore, true); }
    ~TransientPair() noexcept(false) {
      if (std::uncaught_exceptions() == 0) {
        ed->DoPaintTransientEx(TTransientType::ttAfter, true);
        return;
      }
      try {
        ed->DoPaintTransientEx(TTransientType::ttAfter, true);
      } catch (...) {  // the paste's own error is the one to report
      }
    }
  } transient(this);
  {
    TUndoBlockScope block(*this);
    bool opened = false;
    if (clipboard.HasFormat(PrivateFormat())) {
      const std::optional<std::string> data = clipboard.GetData(PrivateFormat());
      if (!data || data->empty()) throw ETextEditError("Clipboard paste operation failed.");
      const unsigned char modeByte = static_cast<unsigned char>((*data)[0]);
      const TEdSelectionMode mode = modeByte <= 2 ? static_cast<TEdSelectionMode>(modeByte) : TEdSelectionMode::smNormal;
      std::string bytes = data->substr(1);
      if (const size_t zero = bytes.find('\0'); zero != std::string::npos) bytes.resize(zero);
      const std::u16string text = platform::Utf8ToUtf16(bytes);

      UndoList().AddChange(TUndoReason::urPasteBegin, BlockBegin(), BlockEnd(), u"", TEdSelectionMode::smNormal);
      opened = true;
      if (SelAvail()) DeleteSelectionRecorded(TUndoReason::urDelete, !text.empty());
      InsertRecorded(mode, text, TUndoReason::urPaste);
    } else if (clipboard.HasFormat(platform::kClipboardText)) {
      const std::optional<std::string> data = clipboard.GetData(platform::kClipboardText);
      if (!data) throw ETextEditError("Clipboard paste operation failed.");
      const std::u16string text = platform::Utf8ToUtf16(*data);
      UndoList().AddChange(TUndoReason::urPasteBegin, BlockBegin(), BlockEnd(), u"", TEdSelectionMode::smNormal);
      opened = true;
      SetSelTextEx(text, TUndoReason::urPaste);
    }
    if (opened) UndoList().AddChange(TUndoReason::urPasteEnd, CaretXY(), CaretXY(), u"", TEdSelectionMode::smNormal);
  }
  if (HasOption(eoHideShowScrollbars)) UpdateScrollBars();
  EnsureCursorPosVisible();
  StatusChanged(scSelection);
}

}  // namespace editor
