// The per-workstation settings in ZUVID.INI (program folder): LoadFromIni,
// SaveToIni and GetPdfFolder.
//
// Every key is described once in the binding table below (section, key,
// kind, target, save group); reading and writing walk the same table.
// Multi-line texts are stored on one line with "|" or "$$%%$$" in place of
// each line break.
#include <algorithm>
#include <cstdlib>
#include <vector>

#include "foundation/FastIniFile.h"
#include "foundation/FileUtils.h"
#include "foundation/StringUtils.h"
#include "foundation/UCommonFolders.h"
#include "foundation/USettings.h"
#include "foundation/USettingsIniBindings.h"
#include "platform/os/fileapi.h"
#include "platform/os/folders.h"
#include "platform/rtl/sysutils.h"
#include "platform/rtl/typinfo.h"

namespace {

String ZuvidPath() { return GetProgramDir() + "ZUVID.INI"; }

String ColorText(Integer Color) {
  String Ident;
  if (ColorToIdent(Color, Ident)) return Ident;
  return "$" + IntToHex(Cardinal(Color), 8);
}

Integer ParseColor(const String& Text, Integer Default) {
  Int64 C;
  if (IdentToColor(Trim(Text), C)) return Integer(C);
  return StrToIntDef(Trim(Text), Default);
}

String StyleText(Byte Style) {
  std::vector<String> Words;
  if (Style & fsBoldBit) Words.push_back("fsBold");
  if (Style & fsItalicBit) Words.push_back("fsItalic");
  if (Style & fsUnderlineBit) Words.push_back("fsUnderline");
  String S;
  for (const String& W : Words) S += (S.empty() ? "" : ",") + W;
  return S;
}

Byte ParseStyle(const String& Text) {
  String S = LowerCase(Text);
  Byte Style = 0;
  if (S.find("fsbold") != String::npos) Style |= fsBoldBit;
  if (S.find("fsitalic") != String::npos) Style |= fsItalicBit;
  if (S.find("fsunderline") != String::npos) Style |= fsUnderlineBit;
  return Style;
}

String JoinLines(const String& Text, const char* Sep) {
  String S = StringReplace(Text, "\r\n", Sep, rfReplaceAll);
  return StringReplace(S, "\n", Sep, rfReplaceAll);
}

String SplitLines(const String& Text, const char* Sep) { return StringReplace(Text, Sep, "\r\n", rfReplaceAll); }

TDateTime NineOClock() { return EncodeTime(9, 0, 0, 0); }

void ReadBinding(TFastIniFile& Ini, const TIniBinding& B) {
  switch (B.Kind) {
    case ibText:
      *B.Text = Ini.ReadString(B.Section, B.Key, B.EmptyDefault ? String() : *B.Text);
      break;
    case ibLines:
      *B.Text = SplitLines(Ini.ReadString(B.Section, B.Key, B.EmptyDefault ? String() : *B.Text), B.Sep);
      break;
    case ibQuoted:
      *B.Text = UnquoteText(Ini.ReadString(B.Section, B.Key, *B.Text));
      break;
    case ibPath:
      *B.Text = IncludeTrailingBackslash(Ini.ReadString(B.Section, B.Key, *B.Text));
      break;
    case ibInt: {
      Integer V = Ini.ReadInteger(B.Section, B.Key, B.Default.value_or(*B.Int));
      if (B.Min <= B.Max) V = std::clamp(V, B.Min, B.Max);
      std::fill(B.Int, B.Int + B.Count, V);
      break;
    }
    case ibBool:
      *B.Bool = Ini.ReadBool(B.Section, B.Key, *B.Bool);
      break;
    case ibBit: {
      bool On = Ini.ReadBool(B.Section, B.Key, (*B.Bits & B.Mask) != 0);
      *B.Bits = Byte(On ? *B.Bits | B.Mask : *B.Bits & ~B.Mask);
      break;
    }
    case ibColor:
      *B.Int = ParseColor(Ini.ReadString(B.Section, B.Key, ColorText(*B.Int)), *B.Int);
      break;
    case ibStyle:
      *B.Bits = ParseStyle(Ini.ReadString(B.Section, B.Key, ""));
      break;
    case ibTime: {
      TDateTime T;
      String S = Ini.ReadString(B.Section, B.Key, TimeToStr(NineOClock()));
      *B.Time = TryStrToTime(S, T) ? T : NineOClock();
      break;
    }
  }
}

void WriteBinding(TFastIniFile& Ini, const TIniBinding& B) {
  switch (B.Kind) {
    case ibText:
    case ibPath: Ini.WriteString(B.Section, B.Key, *B.Text); break;
    case ibLines: Ini.WriteString(B.Section, B.Key, JoinLines(*B.Text, B.Sep)); break;
    case ibQuoted: Ini.WriteString(B.Section, B.Key, QuoteText(*B.Text)); break;
    case ibInt: Ini.WriteInteger(B.Section, B.Key, *B.Int); break;
    case ibBool: Ini.WriteBool(B.Section, B.Key, *B.Bool); break;
    case ibBit: Ini.WriteBool(B.Section, B.Key, (*B.Bits & B.Mask) != 0); break;
    case ibColor: Ini.WriteString(B.Section, B.Key, ColorText(*B.Int)); break;
    case ibStyle: Ini.WriteString(B.Section, B.Key, StyleText(*B.Bits)); break;
    case ibTime: Ini.WriteString(B.Section, B.Key, TimeToStr(*B.Time)); break;
  }
}

String SystemLanguageName() {
  const char* Lang = std::getenv("LANG");
  String L = Lang ? Lang : "";
  String Name = L.rfind("de", 0) == 0 || L.empty() ? "Deutsch (Deutschland)" : "English (United States)";
  return Copy(Name, 1, 128);
}

}  // namespace

void TSettings::LoadFromIni() {
  Ini = TIniSettings();
  Ini.QuoteAnswer = "------------- Ihre Nachricht ---------------";
  Ini.QuoteAnswerVS = "---- Antwort vom  ----";
  Ini.LanguageName = SystemLanguageName();
  PrinterDef = TUserPrinterDef();
  PrinterDef.CopyCounts.fill(1);
  TFastIniFile File(ZuvidPath());
  for (const TIniBinding& B : IniBindings(*this)) ReadBinding(File, B);
  CopyToHelperSetup();
}

void TSettings::SaveToIni(Integer Groups) {
  {
    TFastIniFile File(ZuvidPath());
    for (Integer Group : {4, 16, 8, 1, 2}) {
      if (!(Groups & Group)) continue;
      for (const TIniBinding& B : IniBindings(*this))
        if (B.Group == Group) WriteBinding(File, B);
    }
    File.UpdateFile();
  }
  CopyToHelperSetup();
}

String GetPdfFolder() {
  TSettings* S = Settings();
  String& Folder = S->Ini.PdfFolder;
  if (!Folder.empty() && IsDirectory(Folder)) return Folder;
  if (!Folder.empty()) CreateDirectory(ExcludeTrailingPathDelimiter(Folder));
  if (Folder.empty() || !IsDirectory(Folder)) {
    Folder = GetCommonDocumentsPdfFolder();
    if (!IsDirectory(Folder)) ForceDirs(Folder);
    S->SaveToIni(8);
  }
  return Folder;
}
