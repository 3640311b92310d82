// The registry operations of attributes and highlighters. The workbench
// keeps its colours in "syntax.ini" and never calls these.
#include "editor/highlighter.h"

namespace editor {

bool TEdHighlighterAttributes::LoadFromRegistry(platform::TRegistry& reg) {
  const std::string previous = reg.CurrentPath();
  const std::string key = previous.empty() ? name_ : previous + "\\" + name_;
  if (!reg.OpenKeyReadOnly("\\" + key)) return false;
  try {
    if (reg.ValueExists("Background")) SetBackground(static_cast<TColor>(reg.ReadInteger("Background")));
    if (reg.ValueExists("Foreground")) SetForeground(static_cast<TColor>(reg.ReadInteger("Foreground")));
    if (reg.ValueExists("Style")) SetStyleFromInteger(reg.ReadInteger("Style"));
  } catch (...) {
    reg.OpenKeyReadOnly("\\" + previous);
    throw;
  }
  reg.OpenKeyReadOnly("\\" + previous);
  return true;
}

bool TEdHighlighterAttributes::SaveToRegistry(platform::TRegistry& reg) {
  const std::string previous = reg.CurrentPath();
  const std::string key = previous.empty() ? name_ : previous + "\\" + name_;
  if (!reg.OpenKey("\\" + key, true)) return false;
  reg.WriteInteger("Background", static_cast<std::int32_t>(background_));
  reg.WriteInteger("Foreground", static_cast<std::int32_t>(foreground_));
  reg.WriteInteger("Style", StyleToInteger());
  reg.OpenKey("\\" + previous, false);
  return true;
}

bool TEdCustomHighlighter::LoadFromRegistry(platform::TRootKey rootKey, const std::string& key) {
  platform::TRegistry reg(rootKey);
  if (!reg.OpenKeyReadOnly(key)) return false;
  bool result = true;
  for (const auto& attr : attributes_) result = attr->LoadFromRegistry(reg) && result;
  return result;
}

bool TEdCustomHighlighter::SaveToRegistry(platform::TRootKey rootKey, const std::string& key) {
  platform::TRegistry reg(rootKey);
  if (!reg.OpenKey(key, true)) return false;
  bool result = true;
  for (const auto& attr : attributes_) result = attr->SaveToRegistry(reg) && result;
  return result;
}

}  // namespace editor
