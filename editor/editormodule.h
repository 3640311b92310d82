#pragma once
// Start-up and clean-up of the editor library. The program calls
// InitEditorModule once before it creates an editor or a highlighter and
// FinalizeEditorModule once at exit; each step can also be called alone.
#include <string>

namespace editor {

// The private clipboard format of the editor's own data (text with its
// selection mode).
constexpr const char* kTextEditClipboardFormatName = "TextEdit Control Block Type";

// Registers the private clipboard format by name; returns its number (the
// same number on every call). The clipboard backend maps the name to its own
// data type (a MIME type on Linux, TextEditClipboardMimeType()).
unsigned RegisterTextEditClipboardFormat();
// 0 before the format is registered.
unsigned TextEditClipboardFormat();
std::string TextEditClipboardMimeType();

// In order: the highlighter class list (InitHighlighterModule), the INI
// highlighter's registration (RegisterIniHighlighter), the clipboard format
// (RegisterTextEditClipboardFormat) and the command-name lookups
// (RegisterEditorCommandIdents).
void InitEditorModule();
// The reverse: the lookups are unregistered and the class list destroyed.
void FinalizeEditorModule();

}  // namespace editor
