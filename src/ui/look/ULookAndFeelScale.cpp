// Per-form-class scaling: every form that ApplyLookToForm registers is
// enlarged to 100, 120 or 140 percent by the scale file, and its lists,
// combo boxes, grids and menus follow. A form the file does not name
// follows the main form's entry.
#include <cmath>

#include "foundation/UCommonFolders.h"
#include "platform/gui/graphics.h"
#include "platform/gui/menus.h"
#include "platform/os/fileapi.h"
#include "platform/os/folders.h"
#include "platform/rtl/format.h"
#include "platform/rtl/sysutils.h"
#include "ui/look/ULookAndFeel.h"

RTL_IMPLEMENT_CLASS(TWndProcess, TObject, nullptr)
RTL_IMPLEMENT_CLASS(TFormHook, TComponent, nullptr)

const TScaleRow ScaleTable[3] = {{1, 100, 9}, {2, 120, 11}, {3, 140, 12}};

namespace {

// A message of the scaling that no class of the program handles.
constexpr UINT WM_FORMSCALED = WM_USER + 200;

TFormHook*& Hook() {
  static TFormHook* H = nullptr;
  return H;
}

// The height of "WQ" in Control's font.
Integer TextHeightOf(TControl* Control) {
  TBitmap B;
  B.SetSize(100, 100);
  B.Canvas()->SetFont(Control->Font());
  return B.Canvas()->TextHeight("WQ");
}

// Reads the ordinal property Name of C; false when C has none.
bool OrdinalProp(TObject* C, const char* Name, PPropInfo& Info, Integer& Value) {
  Info = GetPropInfo(C, Name);
  if (!Info || !IsOrdinalKind(Info->Kind()) || Info->IsReadOnly()) return false;
  Value = Integer(GetOrdProp(C, Info));
  return true;
}

// The class whose entry scales Form: its own, else the main form's, so
// that the message box and the dialogs of a window at 140 % are not left
// at 100 %.
String ScaleClassOf(TStrings* Scaled, TCustomForm* Form) {
  if (!Scaled->Values(Form->ClassName()).empty()) return Form->ClassName();
  TCustomForm* Main = Application ? Application->MainForm() : nullptr;
  return Main && Main != Form ? Main->ClassName() : Form->ClassName();
}

}  // namespace

String ScaleFileName() {
  String Dir;
  LookAndFeelDir(Dir);
  return Dir + ExtractFileName(ParamStr(0)) + "_" + "Scaled.txt";
}

Integer ScaleIndexOf(TStrings* Scaled, const String& ClassName) {
  Integer Index = StrToIntDef(Scaled->Values(ClassName), 100);
  if (Index < 0 || Index > 2) Index = 0;
  if (Screen->PixelsPerInch() > 96) Index = 0;
  return Index;
}

// ---- The hook ----------------------------------------------------------------------------

TFormHook::TFormHook(TComponent* AOwner)
    : TComponent(AOwner), FFileName(ScaleFileName()), FScaled(std::make_unique<TStringList>()) {
  try {
    if (FileExists(FFileName)) FScaled->LoadFromFile(FFileName);
  } catch (const Exception&) {
    // An unreadable scale file scales nothing.
    FScaled->Clear();
  }
}

TFormHook::~TFormHook() {
  for (auto& P : FForms) P->Form()->RemoveFreeNotification(this);
  try {
    FScaled->SaveToFile(FFileName);
  } catch (const Exception&) {
    // The scale file stays as it was.
  }
}

const TWndProcess* TFormHook::Find(TCustomForm* Form) const {
  for (const auto& P : FForms)
    if (P->Form() == Form) return P.get();
  return nullptr;
}

void TFormHook::Register(TCustomForm* Form) {
  if (Find(Form)) return;
  const TScaleRow& Row = ScaleTable[ScaleIndexOf(FScaled.get(), ScaleClassOf(FScaled.get(), Form))];
  auto Process = std::make_unique<TWndProcess>(this, Form, Row);
  Form->FreeNotification(this);
  double Factor = Row.Percent / 100.0;
  if (Row.Percent != 100) {
    Form->ScaleBy(Row.Percent, 100);
    SendMessage(Form->Handle(), WM_FORMSCALED, WPARAM(Row.Percent), 100);
    AdjustChildren(Form, Factor);
  }
  AdjustFonts(Form, Row, Factor);
  FForms.push_back(std::move(Process));
}

void TFormHook::Notification(TComponent* AComponent, TOperation Operation) {
  TComponent::Notification(AComponent, Operation);
  if (Operation != opRemove) return;
  std::erase_if(FForms, [AComponent](const auto& P) { return P->Form() == AComponent; });
}

// ---- Adjustments ---------------------------------------------------------------------------

void AdjustChildren(TWinControl* Control, double Factor) {
  for (Integer I = 0; I < Control->ControlCount(); ++I) {
    TControl* Child = Control->Controls(I);
    PPropInfo Info;
    Integer Value;
    if (OrdinalProp(Child, "ItemHeight", Info, Value)) {
      if (Value == 0) Value = TextHeightOf(Child);
      SetOrdProp(Child, Info, Integer(std::floor(Value * Factor)));
    }
    if (OrdinalProp(Child, "DropDownWidth", Info, Value)) {
      if (Value == 0) Value = Child->Width();
      SetOrdProp(Child, Info, Integer(std::floor(Value * Factor)));
    }
    if (OrdinalProp(Child, "DropDownCount", Info, Value))
      SetOrdProp(Child, Info, Integer(std::floor(Value / Factor)));
    if (auto* W = dynamic_cast<TWinControl*>(Child)) AdjustChildren(W, Factor);
  }
}

void AdjustFonts(TWinControl* Control, const TScaleRow& Row, double Factor) {
  if (SameText(Control->ClassName(), "TI_DBGrid") || SameText(Control->ClassName(), "TDataGrid")) {
    PPropInfo Adjust = GetPropInfo(Control, "AdjustGrid");
    if (Adjust && IsStringKind(Adjust->Kind()) && !Adjust->IsReadOnly())
      SetStrProp(Control, Adjust, IntToStr(Row.FontSize) + " " + FormatFloat("#.#", Factor));
  }
  for (Integer I = 0; I < Control->ControlCount(); ++I)
    if (auto* W = dynamic_cast<TWinControl*>(Control->Controls(I))) AdjustFonts(W, Row, Factor);
  for (int I = 0; I < Control->ComponentCount(); ++I) {
    TComponent* C = Control->Components(I);
    if (!C->InheritsFrom(TMenu::StaticClass())) continue;
    PPropInfo FontInfo = GetPropInfo(C, "Font");
    if (!FontInfo || FontInfo->Kind() != tkClass) continue;
    if (auto* Font = dynamic_cast<TFont*>(GetObjectProp(C, FontInfo))) Font->SetSize(Row.FontSize);
  }
}

// ---- Entry points ----------------------------------------------------------------------------

void RegisterFormForScaling(TCustomForm* Form) {
  if (!Hook()) Hook() = new TFormHook(nullptr);
  Hook()->Register(Form);
}

Integer GetFormScalePercent(TCustomForm* Form) {
  if (!Hook() || !Form) return ScaleTable[0].Percent;
  return ScaleTable[ScaleIndexOf(Hook()->Scaled(), ScaleClassOf(Hook()->Scaled(), Form))].Percent;
}

TFormHook* FormScalingHook() { return Hook(); }

void FreeFormScalingHook() {
  delete Hook();
  Hook() = nullptr;
}
