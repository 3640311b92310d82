#include "editor/highlighter.h"

#include <algorithm>

#include "platform/profile.h"

namespace editor {

// ---------------------------------------------------------------------------
// Colours file

std::vector<std::string> TEdIniFile::ReadSection(const std::string& section) const {
  return platform::GetPrivateProfileKeys(section, fileName_);
}

bool TEdIniFile::ValueExists(const std::string& section, const std::string& key) const {
  const auto keys = ReadSection(section);
  return std::any_of(keys.begin(), keys.end(), [&key](const std::string& k) { return platform::SameText(k, key); });
}

std::int32_t TEdIniFile::ReadInteger(const std::string& section, const std::string& key,
                                     std::int32_t fallback) const {
  const std::string text = platform::GetPrivateProfileString(section, key, "", fileName_);
  return platform::StrToIntDef(text, fallback);
}

void TEdIniFile::WriteInteger(const std::string& section, const std::string& key, std::int32_t value) {
  if (!platform::WritePrivateProfileString(section, key, std::to_string(value), fileName_))
    throw EEdIniFileError("Unable to write to " + fileName_);
}

namespace {

// A colour as the file holds it: a signed decimal (system colours are
// negative); the unsigned form of the same 32 bits is taken too. Anything
// that is not a colour keeps the current value.
TColor ReadColor(const TEdIniFile& ini, const std::string& section, const char* key, TColor current) {
  const std::string text = platform::Trim(platform::GetPrivateProfileString(section, key, "", ini.FileName()));
  std::int64_t value = 0;
  try {
    value = platform::StrToInt64(text);
  } catch (const platform::EConvertError&) {
    return current;
  }
  if (value < INT32_MIN || value > static_cast<std::int64_t>(UINT32_MAX)) return current;
  const auto colour = static_cast<TColor>(static_cast<std::uint32_t>(value));
  return IsValidColor(colour) ? colour : current;
}

}  // namespace

// ---------------------------------------------------------------------------
// Attributes

TEdHighlighterAttributes::TEdHighlighterAttributes(std::string name) : name_(std::move(name)) {}

void TEdHighlighterAttributes::Changed() {
  if (OnChange) OnChange(this);
}

void TEdHighlighterAttributes::SetBackground(TColor value) {
  if (StoreIfChanged(background_, value)) Changed();
}

void TEdHighlighterAttributes::SetForeground(TColor value) {
  if (StoreIfChanged(foreground_, value)) Changed();
}

void TEdHighlighterAttributes::SetStyle(TFontStyles value) {
  if (StoreIfChanged(style_, value)) Changed();
}

void TEdHighlighterAttributes::Assign(const TEdHighlighterAttributes& source) {
  if (&source == this) return;
  name_ = source.name_;
  bool changed = false;
  if (background_ != source.background_) { background_ = source.background_; changed = true; }
  if (foreground_ != source.foreground_) { foreground_ = source.foreground_; changed = true; }
  if (style_ != source.style_) { style_ = source.style_; changed = true; }
  if (changed) Changed();
}

void TEdHighlighterAttributes::SaveDefaults() {
  backgroundDefault_ = background_;
  foregroundDefault_ = foreground_;
  styleDefault_ = style_;
}

int TEdHighlighterAttributes::StyleToInteger() const {
  return style_ & (fsBold | fsItalic | fsUnderline | fsStrikeOut);
}

void TEdHighlighterAttributes::SetStyleFromInteger(int value) {
  SetStyle((value & 1) ? fsBold : 0);
  if (value & 2) SetStyle(style_ | fsItalic);
  if (value & 4) SetStyle(style_ | fsUnderline);
  if (value & 8) SetStyle(style_ | fsStrikeOut);
}

bool TEdHighlighterAttributes::LoadFromIni(const TEdIniFile& ini) {
  const auto keys = ini.ReadSection(name_);
  if (keys.empty()) return false;
  auto has = [&keys](const char* key) {
    return std::any_of(keys.begin(), keys.end(), [key](const std::string& k) { return platform::SameText(k, key); });
  };
  if (has("Background")) SetBackground(ReadColor(ini, name_, "Background", background_));
  if (has("Foreground")) SetForeground(ReadColor(ini, name_, "Foreground", foreground_));
  if (has("Style")) {
    // A style outside 0..15 is not one the editor wrote: keep the current one.
    const int style = ini.ReadInteger(name_, "Style", StyleToInteger());
    if (style >= 0 && style <= 15) SetStyleFromInteger(style);
  }
  return true;
}

bool TEdHighlighterAttributes::SaveToIni(TEdIniFile& ini) {
  ini.WriteInteger(name_, "Background", static_cast<std::int32_t>(background_));
  ini.WriteInteger(name_, "Foreground", static_cast<std::int32_t>(foreground_));
  ini.WriteInteger(name_, "Style", StyleToInteger());
  return true;
}

// ---------------------------------------------------------------------------
// Highlighter

TEdCustomHighlighter::TEdCustomHighlighter() : attrChangeHooks_(this), freeNotifies_(this) {
  wordBreakChars_ = CharSetOf("!\"'()*+,-./:;=?[\\]^{|}");
}

TEdCustomHighlighter::~TEdCustomHighlighter() {
  freeNotifies_.Fire();
  while (!attributes_.empty()) attributes_.pop_back();
}

void TEdCustomHighlighter::Assign(const TEdCustomHighlighter& source) {
  if (&source == this) return;
  for (const auto& attr : attributes_) {
    for (int j = 0; j < source.GetAttributeCount(); ++j) {
      const TEdHighlighterAttributes* other = source.GetAttribute(j);
      if (other != nullptr && other->Name() == attr->Name()) {
        attr->Assign(*other);
        break;
      }
    }
  }
  if (ClassName() == source.ClassName()) SetSampleSource(source.GetSampleSource());
  wordBreakChars_ = source.wordBreakChars_;
  SetDefaultFilter(source.GetDefaultFilter());
  SetEnabled(source.Enabled());
}

void TEdCustomHighlighter::Loaded() {
  loading_ = false;
  DefHighlightChange(nullptr);
}

int TEdCustomHighlighter::GetAttributeCount() const { return static_cast<int>(attributes_.size()); }

TEdHighlighterAttributes* TEdCustomHighlighter::GetAttribute(int index) const {
  if (index < 0 || index >= GetAttributeCount()) return nullptr;
  return attributes_[static_cast<size_t>(index)].get();
}

TEdCharSet TEdCustomHighlighter::GetIdentChars() const {
  TEdCharSet set;
  for (int c = 33; c <= 255; ++c) set.set(static_cast<size_t>(c));
  return set;
}

void TEdCustomHighlighter::ScanToEndOfLine() {
  while (!GetEol()) Next();
}

bool TEdCustomHighlighter::LoadFromFile(const std::string& fileName) {
  const TEdIniFile ini(fileName);
  bool result = true;
  for (int i = 0; i < GetAttributeCount(); ++i) result = GetAttribute(i)->LoadFromIni(ini) && result;
  return result;
}

bool TEdCustomHighlighter::SaveToFile(const std::string& fileName) {
  TEdIniFile ini(fileName);
  bool result = true;
  for (int i = 0; i < GetAttributeCount(); ++i) result = GetAttribute(i)->SaveToIni(ini) && result;
  return result;
}

TEdHighlighterAttributes* TEdCustomHighlighter::AddAttribute(std::unique_ptr<TEdHighlighterAttributes> attribute) {
  const auto it = std::lower_bound(attributes_.begin(), attributes_.end(), attribute->Name(),
                                   [](const std::unique_ptr<TEdHighlighterAttributes>& a, const std::string& name) {
                                     return platform::CompareText(a->Name(), name) < 0;
                                   });
  if (it != attributes_.end() && platform::SameText((*it)->Name(), attribute->Name()))
    throw platform::EListError("String list does not allow duplicates");
  return attributes_.insert(it, std::move(attribute))->get();
}

void TEdCustomHighlighter::SetAttributesOnChange(const TEdNotify& handler) {
  for (auto it = attributes_.rbegin(); it != attributes_.rend(); ++it) {
    (*it)->OnChange = handler;
    (*it)->SaveDefaults();
  }
}

void TEdCustomHighlighter::HookAttrChangeEvent(const TEdNotifyEvent& handler) { attrChangeHooks_.Add(handler); }
void TEdCustomHighlighter::UnhookAttrChangeEvent(const TEdNotifyEvent& handler) { attrChangeHooks_.Remove(handler); }

void TEdCustomHighlighter::SetEnabled(bool value) {
  if (enabled_ == value) return;
  enabled_ = value;
  DefHighlightChange(nullptr);
}

void TEdCustomHighlighter::DefHighlightChange(TEdObject* sender) {
  if (loading_) return;
  attrChangeHooks_.Sender = sender;
  attrChangeHooks_.Fire();
}

// ---------------------------------------------------------------------------
// Class list

namespace {
std::unique_ptr<TEdHighlighterList> gHighlighterList;
}

int TEdHighlighterList::FindByName(const std::string& className) const {
  for (int i = 0; i < Count(); ++i)
    if (classes_[static_cast<size_t>(i)].first == className) return i;
  return -1;
}

int TEdHighlighterList::Add(const std::string& className, TEdCustomHighlighterClass factory) {
  classes_.emplace_back(className, std::move(factory));
  return Count() - 1;
}

TEdHighlighterList* GetPlaceableHighlighters() { return gHighlighterList.get(); }

int RegisterHighlighterClass(const std::string& className, TEdCustomHighlighterClass factory) {
  if (!gHighlighterList) return -1;
  const int index = gHighlighterList->FindByName(className);
  if (index >= 0) return index;
  return gHighlighterList->Add(className, std::move(factory));
}

void InitHighlighterModule() {
  if (!gHighlighterList) gHighlighterList = std::make_unique<TEdHighlighterList>();
}

void FinalizeHighlighterModule() { gHighlighterList.reset(); }

}  // namespace editor
