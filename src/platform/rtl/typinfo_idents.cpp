// Name maps of integer types (colour names) and text adapters of object
// properties.
#include <map>
#include <mutex>

#include "platform/rtl/strings.h"
#include "platform/rtl/typinfo.h"
#include "platform/rtl/typinfo_util.h"

namespace {

struct TColorName {
  Integer Value;
  const char* Name;
};

// The class library's colour constants; system colours carry the
// 0x80000000 flag and the index of the system colour.
const TColorName ColorNames[] = {
    {Integer(0x000000), "clBlack"},          {Integer(0x000080), "clMaroon"},
    {Integer(0x008000), "clGreen"},          {Integer(0x008080), "clOlive"},
    {Integer(0x800000), "clNavy"},           {Integer(0x800080), "clPurple"},
    {Integer(0x808000), "clTeal"},           {Integer(0x808080), "clGray"},
    {Integer(0xC0C0C0), "clSilver"},         {Integer(0x0000FF), "clRed"},
    {Integer(0x00FF00), "clLime"},           {Integer(0x00FFFF), "clYellow"},
    {Integer(0xFF0000), "clBlue"},           {Integer(0xFF00FF), "clFuchsia"},
    {Integer(0xFFFF00), "clAqua"},           {Integer(0xFFFFFF), "clWhite"},
    {Integer(0xC0DCC0), "clMoneyGreen"},     {Integer(0xF0CAA6), "clSkyBlue"},
    {Integer(0xF0FBFF), "clCream"},          {Integer(0xA4A0A0), "clMedGray"},
    {Integer(0x80000000u), "clScrollBar"},   {Integer(0x80000001u), "clBackground"},
    {Integer(0x80000002u), "clActiveCaption"}, {Integer(0x80000003u), "clInactiveCaption"},
    {Integer(0x80000004u), "clMenu"},        {Integer(0x80000005u), "clWindow"},
    {Integer(0x80000006u), "clWindowFrame"}, {Integer(0x80000007u), "clMenuText"},
    {Integer(0x80000008u), "clWindowText"},  {Integer(0x80000009u), "clCaptionText"},
    {Integer(0x8000000Au), "clActiveBorder"}, {Integer(0x8000000Bu), "clInactiveBorder"},
    {Integer(0x8000000Cu), "clAppWorkSpace"}, {Integer(0x8000000Du), "clHighlight"},
    {Integer(0x8000000Eu), "clHighlightText"}, {Integer(0x8000000Fu), "clBtnFace"},
    {Integer(0x80000010u), "clBtnShadow"},   {Integer(0x80000011u), "clGrayText"},
    {Integer(0x80000012u), "clBtnText"},     {Integer(0x80000013u), "clInactiveCaptionText"},
    {Integer(0x80000014u), "clBtnHighlight"}, {Integer(0x80000015u), "cl3DDkShadow"},
    {Integer(0x80000016u), "cl3DLight"},     {Integer(0x80000017u), "clInfoText"},
    {Integer(0x80000018u), "clInfoBk"},      {Integer(0xFF00001Au), "clHotLight"},
    {Integer(0xFF00001Bu), "clGradientActiveCaption"},
    {Integer(0xFF00001Cu), "clGradientInactiveCaption"},
    {Integer(0xFF00001Du), "clMenuHighlight"}, {Integer(0xFF00001Eu), "clMenuBar"},
    {Integer(0x1FFFFFFF), "clNone"},         {Integer(0x20000000), "clDefault"},
};

struct TIntConsts {
  TIdentToInt ToInt;
  TIntToIdent ToIdent;
  bool HexText = false;
};

struct TAdapter {
  TClass Class;
  TObjectToText ToText;
  TTextToObject FromText;
};

struct TIdentRegistry {
  std::mutex Lock;
  std::map<String, TIntConsts> Consts;  // by upper-cased type name
  std::vector<TAdapter> Adapters;

  TIdentRegistry() {
    Consts["TCOLOR"] = TIntConsts{&IdentToColor, &ColorToIdent, true};
    // String lists read and write their whole text (lines joined by CR LF).
    Adapters.push_back(TAdapter{
        TStrings::StaticClass(), [](TObject* O) { return static_cast<TStrings*>(O)->Text(); },
        [](TObject* O, const String& S) { static_cast<TStrings*>(O)->SetText(S); }});
  }
};

TIdentRegistry& Idents() {
  static TIdentRegistry R;
  return R;
}

// Depth of Class below Ancestor, or -1 when it does not descend from it.
int Distance(TClass Class, TClass Ancestor) {
  int D = 0;
  for (TClass C = Class; C; C = C->Parent, ++D)
    if (C == Ancestor) return D;
  return -1;
}

}  // namespace

bool IdentToColor(const String& Ident, Int64& Color) {
  for (const TColorName& C : ColorNames) {
    if (SameIdent(C.Name, Ident)) {
      Color = C.Value;
      return true;
    }
  }
  return false;
}

bool ColorToIdent(Int64 Color, String& Ident) {
  for (const TColorName& C : ColorNames) {
    if (C.Value == Color) {
      Ident = C.Name;
      return true;
    }
  }
  return false;
}

void RegisterIntegerConsts(const String& TypeName, TIdentToInt ToInt, TIntToIdent ToIdent,
                           bool HexText) {
  TIdentRegistry& R = Idents();
  std::lock_guard Guard(R.Lock);
  R.Consts[UpperIdent(TypeName)] = TIntConsts{std::move(ToInt), std::move(ToIdent), HexText};
}

bool FindIntegerConsts(const String& TypeName, TIdentToInt* ToInt, TIntToIdent* ToIdent,
                       bool* HexText) {
  TIdentRegistry& R = Idents();
  std::lock_guard Guard(R.Lock);
  auto It = R.Consts.find(UpperIdent(TypeName));
  if (It == R.Consts.end()) return false;
  if (ToInt) *ToInt = It->second.ToInt;
  if (ToIdent) *ToIdent = It->second.ToIdent;
  if (HexText) *HexText = It->second.HexText;
  return true;
}

void RegisterObjectTextAdapter(TClass Class, TObjectToText ToText, TTextToObject FromText) {
  TIdentRegistry& R = Idents();
  std::lock_guard Guard(R.Lock);
  for (TAdapter& A : R.Adapters) {
    if (A.Class == Class) {
      A.ToText = std::move(ToText);
      A.FromText = std::move(FromText);
      return;
    }
  }
  R.Adapters.push_back(TAdapter{Class, std::move(ToText), std::move(FromText)});
}

bool UnregisterObjectTextAdapter(TClass Class) {
  TIdentRegistry& R = Idents();
  std::lock_guard Guard(R.Lock);
  return std::erase_if(R.Adapters, [Class](const TAdapter& A) { return A.Class == Class; }) > 0;
}

bool FindObjectTextAdapter(TClass Class, TObjectToText* ToText, TTextToObject* FromText) {
  TIdentRegistry& R = Idents();
  std::lock_guard Guard(R.Lock);
  const TAdapter* Best = nullptr;
  int BestDistance = -1;
  for (const TAdapter& A : R.Adapters) {
    int D = Distance(Class, A.Class);
    if (D >= 0 && (!Best || D < BestDistance)) {
      Best = &A;
      BestDistance = D;
    }
  }
  if (!Best) return false;
  if (ToText) *ToText = Best->ToText;
  if (FromText) *FromText = Best->FromText;
  return true;
}
