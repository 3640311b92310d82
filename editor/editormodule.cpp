#include "editor/editormodule.h"

#include "editor/highlighter.h"
#include "editor/inihighlighter.h"
#include "editor/keycmds.h"
#include "editor/textdrawer.h"
#include "platform/clipboard.h"

namespace editor {

namespace {
// Numbers of registered formats start above the platform's standard formats,
// as private formats did.
constexpr unsigned kFirstPrivateFormat = 0xC000;
unsigned gClipboardFormat = 0;
}  // namespace

unsigned RegisterTextEditClipboardFormat() {
  if (gClipboardFormat == 0) gClipboardFormat = kFirstPrivateFormat;
  return gClipboardFormat;
}

unsigned TextEditClipboardFormat() { return gClipboardFormat; }

std::string TextEditClipboardMimeType() {
  return platform::RegisterClipboardFormat(kTextEditClipboardFormatName);
}

void InitEditorModule() {
  InitHighlighterModule();
  RegisterIniHighlighter();
  RegisterTextEditClipboardFormat();
  RegisterEditorCommandIdents();
}

void FinalizeEditorModule() {
  // The last editor is gone by now; its font cache goes with the module.
  FinalizeFontsInfoManager();
  UnregisterEditorCommandIdents();
  FinalizeHighlighterModule();
}

}  // namespace editor
