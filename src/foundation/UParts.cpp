#include "foundation/UParts.h"

#include "foundation/UQXCurrencySetup.h"
#include "foundation/USettingsRows.h"
#include "platform/rtl/sysutils.h"

RTL_IMPLEMENT_CLASS(TPartGroup, TPersistent, nullptr)

const char* const PartsCalcModeTexts[3] = {"Aus", "VK/Fak berech.", "EK berechnen"};

const TPictureFormatInfo PartPictureFormats[5] = {{"", "", ""},
                                                  {"TBitmap", ".BMP", ".BMP"},
                                                  {"TJPEGImage", ".JPG|.JPEG", ".JPG"},
                                                  {"TMetaFile", ".WMF|.EMF", ".WMF"},
                                                  {"TIcon", ".ICO", ".ICO"}};

namespace {

String ToDecimalSeparator(String S) {
  for (char& C : S)
    if (C == '.' || C == ',') C = DecimalSeparator;
  return S;
}

bool IsDigit(char C) { return C >= '0' && C <= '9'; }

// Drops a leading '#' and its digits when something follows them.
String StripNumberPrefix(const String& Name) {
  if (Name.size() < 2 || Name[0] != '#' || !IsDigit(Name[1])) return Name;
  std::size_t I = 1;
  while (I < Name.size() && IsDigit(Name[I])) ++I;
  return I < Name.size() ? Name.substr(I) : Name;
}

String LineBlock(const String& Stored) { return StringReplace(Stored, "\t", "\r\n", rfReplaceAll); }

void PadTo(TStringList& List, Integer Count) {
  while (List.Count() < Count) List.Add("");
}

}  // namespace

TPartGroup::TPartGroup() = default;

TPartGroup* TPartsGroup::Add() {
  FGroups.push_back(std::make_unique<TPartGroup>());
  return FGroups.back().get();
}

String NormalizePartFactor(const String& Text) {
  String S = ToDecimalSeparator(Trim(Text));
  String Kept;
  bool HadSeparator = false;
  for (char C : S) {
    if (IsDigit(C)) {
      Kept += C;
    } else if (C == DecimalSeparator && !HadSeparator) {
      Kept += C;
      HadSeparator = true;
    }
  }
  if (S.find('-') != String::npos) return "-" + Kept;
  if (S.find('+') != String::npos) return "+" + Kept;
  return Kept.empty() ? Kept : "*" + Kept;
}

String NormalizePartFormula(const String& Text, Integer Mode, double EK, double VK) {
  String S = AnsiUpperCase(Text);
  S = StringReplace(StringReplace(S, "{", "", rfReplaceAll), "}", "", rfReplaceAll);
  S = StringReplace(StringReplace(S, "VKEK", "}", rfReplaceAll), "VK", "{", rfReplaceAll);
  String Kept;
  for (char C : S)
    if (IsDigit(C) || C == DecimalSeparator || String("/{} ()*+-").find(C) != String::npos) Kept += C;
  if (Mode == 0) {
    Kept = StringReplace(StringReplace(Kept, "}", "VKEK", rfReplaceAll), "{", "VK", rfReplaceAll);
    if (Kept.find("VK") == String::npos) Kept = "VKEK" + Kept;
    return Kept;
  }
  const String Fmt = AmountDisplayFormat();
  Kept = StringReplace(Kept, "}", FormatFloat(Fmt, VK - EK), rfReplaceAll);
  return StringReplace(Kept, "{", FormatFloat(Fmt, VK), rfReplaceAll);
}

void TPartsGroup::LoadFromSettings(TSetupRows& Rows) {
  Clear();
  Percentage = 100;
  DefaultText = Rows.ReadText(964, "2");
  Integer M = Rows.ReadInteger(219, 0);
  Mode = M >= 0 && M <= 2 ? Byte(M) : 0;
  TStringList Names, Factors, Formulas, Blocks;
  Rows.ReadList(650, Names, true);
  Rows.ReadList(651, Factors, true);
  Rows.ReadList(660, Formulas, true);
  Percentage = std::clamp(Rows.ReadInteger(661, 100), 0, 100);
  Rows.ReadList(663, Blocks, true);
  PadTo(Factors, Names.Count());
  PadTo(Formulas, Names.Count());
  PadTo(Blocks, Names.Count());
  for (Integer I = 0; I < Names.Count(); ++I) {
    TPartGroup* G = Add();
    G->Name = StripNumberPrefix(Names[I]);
    G->Factor = NormalizePartFactor(Factors[I]);
    G->Formula = ToDecimalSeparator(NormalizePartFormula(ToDecimalSeparator(Formulas[I]), 0, 0, 0));
    G->Index = I;
    G->Lines.SetText(LineBlock(Blocks[I]));
  }
  if (Count() == 0) Add();
}
