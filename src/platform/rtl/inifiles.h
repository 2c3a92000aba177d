// TCustomIniFile: the class library's abstract INI file.
//
// A descendant stores sections of "key=value" lines somewhere and
// implements the string operations; the typed reads and writes here go
// through ReadString/WriteString with the class library's conversions and
// fall back to the Default when a value is missing or does not parse.
//
// Thread safety: none; an INI object belongs to the thread that uses it.
#pragma once

#include "platform/rtl/exceptions.h"
#include "platform/rtl/strings.h"

// Raised for what an INI file cannot hold (a line break or NUL in a
// section name, key or value, which would change the file's lines).
RTL_DECLARE_EXCEPTION(EIniFileException, Exception)

class TCustomIniFile : public TObject {
  RTL_DECLARE_CLASS(TCustomIniFile)
 public:
  explicit TCustomIniFile(const String& AFileName) : FFileName(AFileName) {}

  const String& FileName() const { return FFileName; }

  // The value of Ident in Section, or Default when there is none.
  virtual String ReadString(const String& Section, const String& Ident, const String& Default) = 0;
  // Stores Value for Ident in Section, creating both when missing.
  virtual void WriteString(const String& Section, const String& Ident, const String& Value) = 0;
  // Replaces Strings' content by the keys of Section.
  virtual void ReadSection(const String& Section, TStrings* Strings) = 0;
  // Replaces Strings' content by the section names.
  virtual void ReadSections(TStrings* Strings) = 0;
  // Replaces Strings' content by the "key=value" lines of Section.
  virtual void ReadSectionValues(const String& Section, TStrings* Strings) = 0;
  // Removes Section with all its keys.
  virtual void EraseSection(const String& Section) = 0;
  // Removes one key.
  virtual void DeleteKey(const String& Section, const String& Ident) = 0;
  // Writes pending changes to the file.
  virtual void UpdateFile() = 0;

  virtual bool SectionExists(const String& Section);
  virtual bool ValueExists(const String& Section, const String& Ident);

  // Decimal or hexadecimal ("$1F", "0x1F"); Default when it does not parse.
  Integer ReadInteger(const String& Section, const String& Ident, Integer Default);
  void WriteInteger(const String& Section, const String& Ident, Integer Value);
  // A number: non-zero is true. Written as "1" or "0".
  bool ReadBool(const String& Section, const String& Ident, bool Default);
  void WriteBool(const String& Section, const String& Ident, bool Value);
  // Numbers with the process's decimal separator.
  double ReadFloat(const String& Section, const String& Ident, double Default);
  void WriteFloat(const String& Section, const String& Ident, double Value);
  // Dates and times in the process's short formats.
  TDateTime ReadDate(const String& Section, const String& Ident, TDateTime Default);
  TDateTime ReadDateTime(const String& Section, const String& Ident, TDateTime Default);
  TDateTime ReadTime(const String& Section, const String& Ident, TDateTime Default);
  void WriteDate(const String& Section, const String& Ident, TDateTime Value);
  void WriteDateTime(const String& Section, const String& Ident, TDateTime Value);
  void WriteTime(const String& Section, const String& Ident, TDateTime Value);

 private:
  String FFileName;
};
