#include "platform/rtl/inifiles.h"

#include <memory>

#include "platform/rtl/sysutils.h"

RTL_IMPLEMENT_CLASS(EIniFileException, Exception, nullptr)
RTL_IMPLEMENT_CLASS(TCustomIniFile, TObject, nullptr)

bool TCustomIniFile::SectionExists(const String& Section) {
  TStringList Keys;
  ReadSection(Section, &Keys);
  return Keys.Count() > 0;
}

bool TCustomIniFile::ValueExists(const String& Section, const String& Ident) {
  TStringList Keys;
  ReadSection(Section, &Keys);
  return Keys.IndexOf(Ident) >= 0;
}

Integer TCustomIniFile::ReadInteger(const String& Section, const String& Ident, Integer Default) {
  String S = ReadString(Section, Ident, String());
  if (S.size() > 2 && S[0] == '0' && (S[1] == 'x' || S[1] == 'X')) S = "$" + S.substr(2);
  return StrToIntDef(S, Default);
}

void TCustomIniFile::WriteInteger(const String& Section, const String& Ident, Integer Value) {
  WriteString(Section, Ident, IntToStr(Value));
}

bool TCustomIniFile::ReadBool(const String& Section, const String& Ident, bool Default) {
  return ReadInteger(Section, Ident, Default ? 1 : 0) != 0;
}

void TCustomIniFile::WriteBool(const String& Section, const String& Ident, bool Value) {
  WriteString(Section, Ident, Value ? "1" : "0");
}

double TCustomIniFile::ReadFloat(const String& Section, const String& Ident, double Default) {
  String S = ReadString(Section, Ident, String());
  double V;
  return !S.empty() && TryStrToFloat(S, V) ? V : Default;
}

void TCustomIniFile::WriteFloat(const String& Section, const String& Ident, double Value) {
  WriteString(Section, Ident, FloatToStr(Value));
}

TDateTime TCustomIniFile::ReadDate(const String& Section, const String& Ident, TDateTime Default) {
  String S = ReadString(Section, Ident, String());
  TDateTime V;
  return !S.empty() && TryStrToDate(S, V) ? V : Default;
}

TDateTime TCustomIniFile::ReadDateTime(const String& Section, const String& Ident, TDateTime Default) {
  String S = ReadString(Section, Ident, String());
  TDateTime V;
  return !S.empty() && TryStrToDateTime(S, V) ? V : Default;
}

TDateTime TCustomIniFile::ReadTime(const String& Section, const String& Ident, TDateTime Default) {
  String S = ReadString(Section, Ident, String());
  TDateTime V;
  return !S.empty() && TryStrToTime(S, V) ? V : Default;
}

void TCustomIniFile::WriteDate(const String& Section, const String& Ident, TDateTime Value) {
  WriteString(Section, Ident, DateToStr(Value));
}

void TCustomIniFile::WriteDateTime(const String& Section, const String& Ident, TDateTime Value) {
  WriteString(Section, Ident, DateTimeToStr(Value));
}

void TCustomIniFile::WriteTime(const String& Section, const String& Ident, TDateTime Value) {
  WriteString(Section, Ident, TimeToStr(Value));
}
