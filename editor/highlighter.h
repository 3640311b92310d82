#pragma once
// What every highlighter has in common: colour attributes, the abstract
// scanner interface the editor drives line by line, change notification,
// the process-wide list of highlighter classes, and the editor-colours file
// ("syntax.ini") in which the attributes are saved.
#include <cstdint>
#include <functional>
#include <memory>
#include <string>
#include <vector>

#include "editor/edmethodchain.h"
#include "editor/edtypes.h"
#include "editor/texteditstringlist.h"
#include "platform/registry.h"
#include "platform/sysutils.h"

namespace editor {

// "Unable to write to %s"
class EEdIniFileError : public platform::Exception {
 public:
  using platform::Exception::Exception;
};

// The colours file as the attributes see it: the private-profile functions
// (names without regard to case, every write at once).
class TEdIniFile {
 public:
  explicit TEdIniFile(std::string fileName) : fileName_(std::move(fileName)) {}
  const std::string& FileName() const { return fileName_; }
  std::vector<std::string> ReadSection(const std::string& section) const;
  bool ValueExists(const std::string& section, const std::string& key) const;
  // The value as a decimal (or "$"/"0x" hexadecimal) 32-bit integer; fallback when it does not convert.
  std::int32_t ReadInteger(const std::string& section, const std::string& key, std::int32_t fallback) const;
  // Raises EEdIniFileError when the file cannot be written.
  void WriteInteger(const std::string& section, const std::string& key, std::int32_t value);

 private:
  std::string fileName_;
};

class TEdHighlighterAttributes : public TEdObject {
 public:
  explicit TEdHighlighterAttributes(std::string name);

  TColor Background() const { return background_; }
  void SetBackground(TColor value);
  TColor Foreground() const { return foreground_; }
  void SetForeground(TColor value);
  TFontStyles Style() const { return style_; }
  void SetStyle(TFontStyles value);
  TColor BackgroundDefault() const { return backgroundDefault_; }
  TColor ForegroundDefault() const { return foregroundDefault_; }
  TFontStyles StyleDefault() const { return styleDefault_; }
  const std::string& Name() const { return name_; }

  // Whether a window layout stores the value (it differs from the default).
  bool IsBackgroundStored() const { return background_ != backgroundDefault_; }
  bool IsForegroundStored() const { return foreground_ != foregroundDefault_; }
  bool IsStyleStored() const { return style_ != styleDefault_; }

  // Name, then each value that differs; one notification when any differed.
  void Assign(const TEdHighlighterAttributes& source);
  void SaveDefaults();
  int StyleToInteger() const;
  // Bit 1 bold, 2 italic, 4 underline, 8 strikeout, each through the setter.
  void SetStyleFromInteger(int value);

  // The attribute's section of the colours file; false for a missing or empty section.
  bool LoadFromIni(const TEdIniFile& ini);
  bool SaveToIni(TEdIniFile& ini);
  // The subkey named after the attribute below the registry's current key.
  bool LoadFromRegistry(platform::TRegistry& reg);
  bool SaveToRegistry(platform::TRegistry& reg);

  TEdNotify OnChange;

 private:
  void Changed();

  TColor background_ = clNone;
  TColor backgroundDefault_ = clNone;
  TColor foreground_ = clNone;
  TColor foregroundDefault_ = clNone;
  std::string name_;
  TFontStyles style_ = 0;
  TFontStyles styleDefault_ = 0;
};

// Default attribute roles a highlighter answers for.
enum : int {
  EDHL_ATTR_COMMENT = 0,
  EDHL_ATTR_IDENTIFIER = 1,
  EDHL_ATTR_KEYWORD = 2,
  EDHL_ATTR_STRING = 3,
  EDHL_ATTR_WHITESPACE = 4,
  EDHL_ATTR_SYMBOL = 5,
};

class TEdCustomHighlighter;
using TEdCustomHighlighterClass = std::function<std::unique_ptr<TEdCustomHighlighter>()>;

class TEdCustomHighlighter : public TEdObject {
 public:
  TEdCustomHighlighter();
  ~TEdCustomHighlighter() override;
  TEdCustomHighlighter(const TEdCustomHighlighter&) = delete;
  TEdCustomHighlighter& operator=(const TEdCustomHighlighter&) = delete;

  // The class name, used by the class list to tell classes apart.
  virtual std::string ClassName() const = 0;

  virtual void Assign(const TEdCustomHighlighter& source);
  // After loading from a window layout.
  virtual void Loaded();
  virtual int GetAttributeCount() const;
  virtual TEdHighlighterAttributes* GetAttribute(int index) const;
  virtual TEdHighlighterAttributes* GetDefaultAttribute(int index) const = 0;
  virtual std::string GetDefaultFilter() const { return defaultFilter_; }
  virtual TEdCharSet GetIdentChars() const;
  virtual std::u16string GetSampleSource() const { return {}; }
  virtual bool IsFilterStored() const { return true; }
  virtual void SetDefaultFilter(const std::string& value) { defaultFilter_ = value; }
  virtual void SetSampleSource(const std::u16string& /*value*/) {}
  virtual void SetWordBreakChars(const TEdCharSet& value) { wordBreakChars_ = value; }
  virtual int GetCapabilities() const { return 2; }
  virtual std::string GetLanguageName() const { return "<Unknown>"; }
  virtual bool GetEol() const = 0;
  virtual TRangeState GetRange() const { return 0; }
  virtual std::u16string GetToken() const = 0;
  virtual TEdHighlighterAttributes* GetTokenAttribute() const = 0;
  virtual int GetTokenKind() const = 0;
  virtual int GetTokenPos() const = 0;
  virtual bool IsKeyword(const std::u16string& /*text*/) const { return false; }
  virtual void Next() = 0;
  // The text must stay alive and unchanged while the line is scanned.
  virtual void SetLine(const std::u16string& text, int lineNumber) = 0;
  virtual void SetRange(TRangeState /*value*/) {}
  virtual void ResetRange() {}
  virtual bool UseUserSettings(int /*settingIndex*/) { return false; }
  virtual void EnumUserSettings(std::vector<std::string>& settings) { settings.clear(); }
  // Every attribute from (to) the subkeys of key; false when key does not
  // open. Kept out of the virtual table so that only their users link the
  // registry (highlighterregistry.cpp).
  bool LoadFromRegistry(platform::TRootKey rootKey, const std::string& key);
  bool SaveToRegistry(platform::TRootKey rootKey, const std::string& key);

  void ScanToEndOfLine();
  // The colours file: every attribute in index (name) order. Loading is
  // false as soon as one attribute has no section (the others load all the
  // same); saving raises EEdIniFileError when the file cannot be written.
  bool LoadFromFile(const std::string& fileName);
  bool SaveToFile(const std::string& fileName);

  // Takes ownership; a second attribute of the same name raises EListError.
  TEdHighlighterAttributes* AddAttribute(std::unique_ptr<TEdHighlighterAttributes> attribute);
  void SetAttributesOnChange(const TEdNotify& handler);
  void HookAttrChangeEvent(const TEdNotifyEvent& handler);
  void UnhookAttrChangeEvent(const TEdNotifyEvent& handler);
  // Called (sender: the highlighter) when the highlighter is destroyed, so
  // that the editors showing it let go of it.
  void HookFreeNotification(const TEdNotifyEvent& handler) { freeNotifies_.Add(handler); }
  void UnhookFreeNotification(const TEdNotifyEvent& handler) { freeNotifies_.Remove(handler); }

  bool Enabled() const { return enabled_; }
  void SetEnabled(bool value);
  const TEdCharSet& WordBreakChars() const { return wordBreakChars_; }
  const std::string& DefaultFilter() const { return defaultFilter_; }
  // True while the component is read from a window layout: changes notify nobody.
  bool Loading() const { return loading_; }
  void SetLoading(bool value) { loading_ = value; }

 protected:
  // The highlighter's change handler: fires the hooked handlers with sender.
  void DefHighlightChange(TEdObject* sender);

 private:
  // Attributes sorted by name without regard to case.
  std::vector<std::unique_ptr<TEdHighlighterAttributes>> attributes_;
  TEdNotifyEventChain attrChangeHooks_;
  TEdNotifyEventChain freeNotifies_;
  bool enabled_ = true;
  TEdCharSet wordBreakChars_;
  std::string defaultFilter_;
  bool loading_ = false;
};

// The process-wide list of highlighter classes.
class TEdHighlighterList {
 public:
  int Count() const { return static_cast<int>(classes_.size()); }
  const std::string& ClassName(int index) const { return classes_.at(static_cast<size_t>(index)).first; }
  std::unique_ptr<TEdCustomHighlighter> Create(int index) const { return classes_.at(static_cast<size_t>(index)).second(); }
  int FindByName(const std::string& className) const;
  int Add(const std::string& className, TEdCustomHighlighterClass factory);

 private:
  std::vector<std::pair<std::string, TEdCustomHighlighterClass>> classes_;
};

// The list while the highlighter module is started (null before and after).
TEdHighlighterList* GetPlaceableHighlighters();
// Adds a class when it is not yet listed; returns its index (-1 without a list).
int RegisterHighlighterClass(const std::string& className, TEdCustomHighlighterClass factory);
template <typename T>
int RegisterHighlighterClass() {
  return RegisterHighlighterClass(T::StaticClassName(), [] { return std::unique_ptr<TEdCustomHighlighter>(new T()); });
}

// Module start-up and clean-up of the highlighter class list.
void InitHighlighterModule();
void FinalizeHighlighterModule();

}  // namespace editor
