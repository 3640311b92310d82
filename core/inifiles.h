#pragma once
// INI file access over the private-profile functions: names compared without
// regard to case, a blank section or key name reads as the default without
// touching the file, typed readers fall back to the default when a value does
// not convert, every write reaches the file at once.
#include <cstdint>
#include <string>

#include "platform/stringlist.h"
#include "platform/streams.h"
#include "platform/sysutils.h"

namespace core {

// "Unable to write to %s"
class EIniFileException : public platform::Exception {
  using platform::Exception::Exception;
};

// Date-times as the class library's: days since 1899-12-30, fraction = time of day.
using TDateTime = double;

class TCustomIniFile {
 public:
  explicit TCustomIniFile(std::string fileName) : fileName_(std::move(fileName)) {}
  virtual ~TCustomIniFile() = default;
  const std::string& FileName() const { return fileName_; }

  virtual std::string ReadString(const std::string& section, const std::string& key,
                                 const std::string& fallback) = 0;
  virtual void WriteString(const std::string& section, const std::string& key,
                           const std::string& value) = 0;
  virtual int32_t ReadInteger(const std::string& section, const std::string& key, int32_t fallback);
  virtual void WriteInteger(const std::string& section, const std::string& key, int32_t value);
  virtual bool ReadBool(const std::string& section, const std::string& key, bool fallback);
  virtual void WriteBool(const std::string& section, const std::string& key, bool value);
  virtual int ReadBinaryStream(const std::string& section, const std::string& key,
                               platform::TStream& stream);
  virtual TDateTime ReadDate(const std::string& section, const std::string& key, TDateTime fallback);
  virtual TDateTime ReadDateTime(const std::string& section, const std::string& key, TDateTime fallback);
  virtual double ReadFloat(const std::string& section, const std::string& key, double fallback);
  virtual TDateTime ReadTime(const std::string& section, const std::string& key, TDateTime fallback);
  virtual void WriteBinaryStream(const std::string& section, const std::string& key,
                                 platform::TStream& stream);
  virtual void WriteDate(const std::string& section, const std::string& key, TDateTime value);
  virtual void WriteDateTime(const std::string& section, const std::string& key, TDateTime value);
  virtual void WriteFloat(const std::string& section, const std::string& key, double value);
  virtual void WriteTime(const std::string& section, const std::string& key, TDateTime value);
  virtual void ReadSection(const std::string& section, platform::TStringList& list) = 0;
  virtual void ReadSections(platform::TStringList& list) = 0;
  virtual void ReadSectionValues(const std::string& section, platform::TStringList& list) = 0;
  virtual void EraseSection(const std::string& section) = 0;
  virtual void DeleteKey(const std::string& section, const std::string& key) = 0;
  virtual void UpdateFile() = 0;

  bool SectionExists(const std::string& section);
  bool ValueExists(const std::string& section, const std::string& key);

 private:
  std::string fileName_;
};

class TIniFile : public TCustomIniFile {
 public:
  explicit TIniFile(const std::string& fileName);   // touches no file
  ~TIniFile() override;                              // runs UpdateFile

  std::string ReadString(const std::string& section, const std::string& key,
                         const std::string& fallback) override;
  void WriteString(const std::string& section, const std::string& key,
                   const std::string& value) override;
  void ReadSection(const std::string& section, platform::TStringList& list) override;
  void ReadSections(platform::TStringList& list) override;
  void ReadSectionValues(const std::string& section, platform::TStringList& list) override;
  void EraseSection(const std::string& section) override;
  void DeleteKey(const std::string& section, const std::string& key) override;
  void UpdateFile() override;
};

}  // namespace core
