// ULookAndFeel: the look files, the property cache and applying a look to
// a form and everything it owns.
#include "ui/look/ULookAndFeel.h"

#include <algorithm>

#include "foundation/FileUtils.h"
#include "foundation/StringUtils.h"
#include "foundation/UCommonFolders.h"
#include "foundation/UFormHook.h"
#include "foundation/UFormPlacement.h"
#include "platform/gui/menus.h"
#include "platform/gui/stdctrls.h"
#include "platform/gui/system_metrics.h"
#include "platform/gui/typeonly.h"
#include "platform/os/fileapi.h"
#include "platform/os/filestream.h"
#include "platform/rtl/charset.h"
#include "platform/rtl/classreg.h"
#include "platform/rtl/format.h"

RTL_IMPLEMENT_CLASS(TPropCache, TObject, nullptr)

// ---- Look files -----------------------------------------------------------------------

const char* const DefaultLookText =
    "TDataGrid.SecondFont<>Font.Name=Tahoma<>Font.Size=10\r\n"
    "TDataGrid<>Font.Name=Tahoma<>Font.Size=10\r\n"
    "TDataGrid.Columns<>Font.Name=Tahoma<>Font.Size=10\r\n"
    "TDataGrid.Title<>Font.Name=Tahoma<>Font.Size=10\r\n"
    "TI_DBGrid<>Font.Name=Tahoma<>Font.Size=10\r\n"
    "TI_DBGrid.Columns<>Font.Name=Tahoma<>Font.Size=10\r\n"
    "TI_DBGrid.Title<>Font.Name=Tahoma<>Font.Size=10\r\n"
    "TPlainButton<>Color=clGold<>Font.Name=Tahoma\r\n"
    "TPlainSpeedButton<>Color=clGold<>Font.Name=Tahoma\r\n"
    "TTaskButton<>Color=clGold<>Font.Name=Verdana<>Font.Size=8\r\n"
    "TPlainPanel<>Color=clwhite<>Font.Name=Tahoma\r\n"
    "TPanel<>Color=clwhite<>Font.Name=Tahoma\r\n"
    "TPopupMenu<>Font.Name=Tahoma\r\n"
    "TMenu<>Font.Name=Tahoma\r\n"
    "ToxPopupMenu<>Font.Name=Tahoma<>Color=clWhite<>Background.Gradient=clBtnShadow\r\n"
    "ToxMenu<>Font.Name=Tahoma<>Color=clWhite<>Background.Gradient=clBtnShadow";

namespace {

const char* const DefaultLookName = "Pastell";
const char* const CurrentLookFile = "CurrentLook.txt";

String LookFileName(const String& Look) { return "LookAndFeel[" + Look + "].txt"; }

String LookFolder() {
  String Dir;
  LookAndFeelDir(Dir);
  return Dir;
}

// The text between the first "[" and the first "]" of S ("" without both).
String BracketedName(const String& S) {
  size_t Open = S.find('['), Close = S.find(']');
  if (Open == String::npos || Close == String::npos || Close < Open) return String();
  return S.substr(Open + 1, Close - Open - 1);
}

// True when Bytes are UTF-8 (a look file may also be Windows-1252 text).
bool Utf8Decodable(const String& Bytes) {
  for (size_t I = 0; I < Bytes.size();) {
    size_t At = I;
    if (Utf8Decode(Bytes, I) == 0xFFFD && Bytes.compare(At, 3, "\xEF\xBF\xBD") != 0) return false;
  }
  return true;
}

}  // namespace

void LookAndFeelDir(String& Dir) {
  Dir = ClientRootDir() + "LookAndFeel/";
  ForceDirs(Dir);
}

void WriteDefaultLook() {
  TFileStream Out(LookFolder() + LookFileName(DefaultLookName), fmCreate);
  Out.WriteBuffer(DefaultLookText, Integer(std::char_traits<char>::length(DefaultLookText)));
}

void SaveCurrentLook(const String& Look) {
  try {
    TStringList List;
    List.SetValues("CurrentLook", Look);
    List.SaveToFile(LookFolder() + CurrentLookFile);
  } catch (const Exception&) {
    // The look stays in force for this run; the next start asks again.
  }
}

void GetCurrentLook(TStrings* List, String& Look) {
  Look.clear();
  String File = LookFolder() + CurrentLookFile;
  if (FileExists(File)) {
    TStringList Lines;
    Lines.LoadFromFile(File);
    Look = Lines.Values("CurrentLook");
  }
  if (Look.empty()) {
    Look = DefaultLookName;
    WriteDefaultLook();
    SaveCurrentLook(DefaultLookName);
  }
  if (List) {
    String First;
    ListLooks(List, First);
  }
}

void ListLooks(TStrings* List, String& FirstLook) {
  FirstLook.clear();
  EnumFiles(LookFolder() + "LookAndFeel*.txt", List, false, "");
  for (Integer I = 0; I < List->Count(); ++I) {
    List->Put(I, BracketedName(List->Get(I)));
    if (FirstLook.empty()) FirstLook = List->Get(I);
  }
}

// ---- The property cache -------------------------------------------------------------------

int ComparePropEntries(const String& A, const String& B) {
  int C = A.compare(B);
  return C < 0 ? -1 : C > 0 ? 1 : 0;
}

TPropCache::TPropCache() : FCaches{NewCtAnsiStringPointerVector(), NewCtAnsiStringPointerVector()} {}

TPropCache::TPropCache(const String& FileName) : TPropCache() { LoadFromFile(FileName); }

TPropCache::~TPropCache() {
  Clear();
  delete FCaches[0];
  delete FCaches[1];
}

void TPropCache::Clear() {
  for (TCtAnsiStringPointerVector* Cache : FCaches) {
    for (Integer I = 0; I < Cache->Count(); ++I) delete static_cast<PropEntry*>(Cache->Data(I));
    Cache->Clear();
  }
}

void TPropCache::LoadFromFile(const String& FileName) {
  if (!FileExists(FileName)) return;
  TFileStream In(FileName, fmOpenRead | fmShareDenyNone);
  String Bytes(size_t(In.Size()), '\0');
  if (!Bytes.empty()) In.ReadBuffer(Bytes.data(), Integer(Bytes.size()));
  LoadFromText(Bytes);
}

void TPropCache::LoadFromText(const String& Raw) {
  String Bytes = Raw.substr(0, Raw.find('\0'));
  String Text = Utf8Decodable(Bytes) ? Bytes : AnsiToUtf8(Bytes);
  size_t At = 0;
  while (At < Text.size()) {
    size_t End = Text.find_first_of("\r\n", At);
    if (End == String::npos) End = Text.size();
    String Line = Text.substr(At, End - At);
    At = End;
    if (At < Text.size() && Text[At] == '\r') ++At;
    if (At < Text.size() && Text[At] == '\n') ++At;
    std::vector<String> Fields;
    SplitString("<>", Line, 0, Fields, 0);
    if (Fields.empty()) continue;
    auto Entry = std::make_unique<PropEntry>();
    Entry->Key = Fields[0];
    for (size_t F = 1; F < Fields.size(); ++F) {
      std::vector<String> Parts;
      SplitString("=", Fields[F], 0, Parts, 0);
      Entry->Pairs.push_back(Parts.size() == 2 ? TPropPair{Parts[0], Parts[1]} : TPropPair{});
    }
    TCtAnsiStringPointerVector* Cache = FCaches[Entry->Key.find('.') != String::npos ? 1 : 0];
    String Key = Entry->Key;
    Cache->Add(Key, Entry.release());
  }
  Sort();
}

void TPropCache::Sort() {
  for (TCtAnsiStringPointerVector* Cache : FCaches)
    Cache->Sort([](const void* A, const void* B) {
      return ComparePropEntries(static_cast<const PropEntry*>(static_cast<const TCtAnsiStringItem*>(A)->Data)->Key,
                                static_cast<const PropEntry*>(static_cast<const TCtAnsiStringItem*>(B)->Data)->Key);
    });
}

const PropEntry* TPropCache::Find(const String& Key, int CacheIndex) const {
  const TCtAnsiStringPointerVector* Cache = FCaches[CacheIndex ? 1 : 0];
  Integer Index = 0;
  bool Found = Cache->BinarySearch(&Key, [](const void* Item, const void* K) {
    return ComparePropEntries(static_cast<const PropEntry*>(static_cast<const TCtAnsiStringItem*>(Item)->Data)->Key,
                              *static_cast<const String*>(K));
  }, Index);
  return Found ? static_cast<const PropEntry*>(Cache->Data(Index)) : nullptr;
}

Integer TPropCache::Count(int CacheIndex) const { return FCaches[CacheIndex ? 1 : 0]->Count(); }

// ---- Colour names ------------------------------------------------------------------------

const TLookColor LookColorTable[71] = {
    {TColor(0x0), "clBlack"}, {TColor(0x80), "clMaroon"}, {TColor(0x8000), "clGreen"},
    {TColor(0x8080), "clOlive"}, {TColor(0x800000), "clNavy"}, {TColor(0x800080), "clPurple"},
    {TColor(0x808000), "clTeal"}, {TColor(0x808080), "clGray"}, {TColor(0xC0C0C0), "clSilver"},
    {TColor(0xFF), "clRed"}, {TColor(0xFF00), "clLime"}, {TColor(0xFFFF), "clYellow"},
    {TColor(0xFF0000), "clBlue"}, {TColor(0xFF00FF), "clFuchsia"}, {TColor(0xFFFF00), "clAqua"},
    {TColor(0xFFFFFF), "clWhite"}, {TColor(0xC0DCC0), "clMoneyGreen"}, {TColor(0xF0CAA6), "clSkyBlue"},
    {TColor(0xF0FBFF), "clCream"}, {TColor(0xA4A0A0), "clMedGray"},
    {TColor(0x8000000A), "clActiveBorder"}, {TColor(0x80000002), "clActiveCaption"},
    {TColor(0x8000000C), "clAppWorkSpace"}, {TColor(0x80000001), "clBackground"},
    {TColor(0x8000000F), "clBtnFace"}, {TColor(0x80000014), "clBtnHighlight"},
    {TColor(0x80000010), "clBtnShadow"}, {TColor(0x80000012), "clBtnText"},
    {TColor(0x80000009), "clCaptionText"}, {TColor(0x20000000), "clDefault"},
    {TColor(0xFF00001B), "clGradientActiveCaption"}, {TColor(0xFF00001C), "clGradientInactiveCaption"},
    {TColor(0x80000011), "clGrayText"}, {TColor(0x8000000D), "clHighlight"},
    {TColor(0x8000000E), "clHighlightText"}, {TColor(0xFF00001A), "clHotLight"},
    {TColor(0x8000000B), "clInactiveBorder"}, {TColor(0x80000003), "clInactiveCaption"},
    {TColor(0x80000013), "clInactiveCaptionText"}, {TColor(0x80000018), "clInfoBk"},
    {TColor(0x80000017), "clInfoText"}, {TColor(0x80000004), "clMenu"}, {TColor(0xFF00001E), "clMenuBar"},
    {TColor(0xFF00001D), "clMenuHighlight"}, {TColor(0x80000007), "clMenuText"},
    {TColor(0x1FFFFFFF), "clNone"}, {TColor(0x80000000), "clScrollBar"},
    {TColor(0x80000015), "cl3DDkShadow"}, {TColor(0x80000016), "cl3DLight"},
    {TColor(0x80000005), "clWindow"}, {TColor(0x80000006), "clWindowFrame"},
    {TColor(0x80000008), "clWindowText"},
    {TColor(0x996633), "pcDarkBlue"}, {TColor(0xCF9030), "pcBlue"}, {TColor(0xCFB78F), "pcLightBlue"},
    {TColor(0x302794), "pcDarkRed"}, {TColor(0x5F58B0), "pcRed"}, {TColor(0x6963B6), "pcLightRed"},
    {TColor(0x385937), "pcDarkGreen"}, {TColor(0x518150), "pcGreen"}, {TColor(0x93CAB1), "pcLightGreen"},
    {TColor(0x4EB6CF), "pcDarkYellow"}, {TColor(0x57D1FF), "pcYellow"}, {TColor(0xB3F8FF), "pcLightYellow"},
    {TColor(0x394D4D), "pcDarkBrown"}, {TColor(0x555E66), "pcBrown"}, {TColor(0x829AA2), "pcLightBrown"},
    {TColor(0xD3D3D3), "pcDarkKaki"}, {TColor(0xC8D7D7), "pcKaki"}, {TColor(0xE0E9EF), "pcLightKaki"},
    {TColor(0x79E1FF), "clGold"}};

bool FindLookColor(const String& Name, TColor& Color) {
  for (const TLookColor& C : LookColorTable)
    if (SameText(Name, C.Name)) {
      Color = C.Value;
      return true;
    }
  return false;
}

// ---- Applying a look ----------------------------------------------------------------------

namespace {

// The object that holds the last segment of Path, starting at Instance:
// every segment before it that names a class property holding an object
// moves there; others are passed over. Path becomes the last segment.
TObject* ResolvePropPath(TObject* Instance, String& Path) {
  TObject* Current = Instance;
  for (size_t Dot = Path.find('.'); Dot != String::npos; Dot = Path.find('.')) {
    String Segment = Path.substr(0, Dot);
    Path.erase(0, Dot + 1);
    PPropInfo Info = GetPropInfo(Current, Segment);
    if (Info && Info->Kind() == tkClass)
      if (TObject* Next = GetObjectProp(Current, Info)) Current = Next;
  }
  return Current;
}

// Sets one pair; false when nothing was set.
void ApplyPair(TComponent* Component, const TPropPair& Pair) {
  String Name = Pair.PropPath;
  TObject* Target = ResolvePropPath(Component, Name);
  PPropInfo Info = GetPropInfo(Target, Name);
  if (!Info || Info->IsReadOnly()) return;
  if (Info->Kind() == tkInteger) {
    TColor Color;
    SetOrdProp(Target, Info, FindLookColor(Pair.Value, Color) ? Int64(Integer(Color)) : StrToIntDef(Pair.Value, 0));
  } else if (IsStringKind(Info->Kind())) {
    SetStrProp(Target, Info, Pair.Value);
  }
}

bool IsGridClassKey(const String& Key) { return Key == "TI_DBGrid" || Key == "TDataGrid"; }

}  // namespace

void ApplyLookEntry(TComponent* Component, const PropEntry* Entry) {
  if (!Entry || !Component) return;
  for (const TPropPair& Pair : Entry->Pairs) {
    if (IsGridClassKey(Entry->Key) && Pair.PropPath == "Font.Name") {
      PPropInfo Global = GetPropInfo(Component, "GlobalFontName");
      if (Global && IsStringKind(Global->Kind()) && !Global->IsReadOnly()) {
        SetStrProp(Component, Global, Pair.Value);
        return;
      }
    }
    try {
      ApplyPair(Component, Pair);
    } catch (const Exception&) {
      // A value the property refuses costs that pair only: the entry's other
      // pairs do not depend on it, and the rest of the look still applies.
    }
  }
}

const PropEntry* PopupMenuFallback(const TPropCache& Cache, TComponent* Component, const PropEntry* Entry) {
  // A menu with a class entry of its own keeps it, also in the pass over
  // instance entries.
  if (!Entry && Component && Component->InheritsFrom(TPopupMenu::StaticClass()) &&
      !Cache.Find(Component->ClassName(), 0))
    return Cache.Find("ToxPopupMenu", 0);
  return Entry;
}

void ApplyClassEntries(const TPropCache& Cache, TComponent* Root) {
  ApplyLookEntry(Root, PopupMenuFallback(Cache, Root, Cache.Find(Root->ClassName(), 0)));
  for (int I = 0; I < Root->ComponentCount(); ++I) ApplyClassEntries(Cache, Root->Components(I));
}

void ApplyNamedEntries(const TPropCache& Cache, TComponent* Owner) {
  for (int I = 0; I < Owner->ComponentCount(); ++I) {
    TComponent* C = Owner->Components(I);
    ApplyLookEntry(C, PopupMenuFallback(Cache, C, Cache.Find(Owner->ClassName() + "." + C->Name(), 1)));
    ApplyNamedEntries(Cache, C);
  }
}

// ---- Double buffering -----------------------------------------------------------------------

bool IsRemoteSession() { return GetSystemMetrics(SM_REMOTESESSION) != 0; }

void DoubleBufferControl(TComponent* C) {
  auto* W = dynamic_cast<TWinControl*>(C);
  if (!W || W->InheritsFrom(TCustomRichEdit::StaticClass()) || W->InheritsFrom(TCustomListBox::StaticClass()))
    return;
  if (W->ClassName() == "TStyledCheckBox")
    if (PPropInfo Mode = GetPropInfo(W, "TransparentMode")) SetOrdProp(W, Mode, 0);
  if (W->InheritsFrom(TToolBar::StaticClass()) && W->Parent()) W->Parent()->SetDoubleBuffered(false);
  W->SetDoubleBuffered(true);
}

void DoubleBufferTree(TComponent* Control) {
  if (IsRemoteSession()) return;
  DoubleBufferControl(Control);
  for (int I = 0; I < Control->ComponentCount(); ++I) DoubleBufferTree(Control->Components(I));
}

// ---- The wrapper, the form hook and the default look --------------------------------------------

static TObject* NewLookAndFeelWrapper(TObject*) { return new TLookAndFeelWrapper; }

RTL_IMPLEMENT_CLASS(TLookAndFeelWrapper, TObject, &NewLookAndFeelWrapper)

RTL_PUBLISHED(TLookAndFeelWrapper) { P.Method("SetProperties", &TLookAndFeelWrapper::SetProperties); }

void TLookAndFeelWrapper::SetProperties(TComponent* Form) {
  try {
    String Look;
    GetCurrentLook(nullptr, Look);
    String File = LookFolder() + LookFileName(Look);
    if (!FileExists(File)) return;
    TPropCache Cache(File);
    ApplyClassEntries(Cache, Form);
    ApplyNamedEntries(Cache, Form);
  } catch (const Exception&) {
    // A look that cannot be read or applied leaves the form as it is.
  }
}

// Creates the class registered as ClassName and calls its published
// SetProperties with Form; nothing when either is missing.
static void CallSetPropertiesOf(const String& ClassName, TComponent* Form) {
  TClass Class = GetClass(ClassName);
  if (!Class) return;
  std::unique_ptr<TObject> Instance(Class->Create(nullptr));
  if (!Instance) return;
  if (auto Set = MethodAddress<void(TComponent*)>(Instance.get(), "SetProperties")) Set(Form);
}

void ApplyLookByName(TComponent* Form) { CallSetPropertiesOf("TLookAndFeelWrapper", Form); }

void ApplyLookToForm(TComponent* Control, bool Place) {
  auto* Custom = dynamic_cast<TCustomForm*>(Control);
  if (Custom) Custom->SetHelpContext(1);
  DoubleBufferTree(Control);
  if (Custom && Custom->BorderStyle() != bsNone) RegisterFormForScaling(Custom);
  auto* Form = dynamic_cast<TForm*>(Control);
  if (Place && Form && Form->BorderStyle() != bsNone) {
    PlaceFormOnMonitor(Form, false);
    Integer Index = MonitorIndexOf(Form);
    TRect Area = Index == 0 ? Screen->WorkAreaRect() : Screen->Monitors(Index)->BoundsRect();
    Form->SetWidth(std::min(Form->Width(), Area.Width()));
    Form->SetHeight(std::min(Form->Height(), Area.Height()));
  }
  ApplyLookByName(Control);
}

void DefaultFormLook(TComponent* Form, bool Flag) {
  // The engine is there: the hook is its routine (a hook that is still this
  // one would only call itself again).
  if (GetClass("TLookAndFeelWrapper") && FormHookProc() != &DefaultFormLook) {
    CallFormHook(Form, Flag);
    return;
  }
  auto* Custom = dynamic_cast<TCustomForm*>(Form);
  if (Custom) Custom->SetHelpContext(1);
  auto* Plain = dynamic_cast<TForm*>(Form);
  if (Flag && Plain && Plain->BorderStyle() != bsNone) PlaceFormOnMonitor(Plain, false);
  CallSetPropertiesOf("TColorWrapper", Form);
}

// ---- Initialisation ---------------------------------------------------------------------------

void DefaultLookInit() { SetFormHook(&DefaultFormLook); }

void DefaultLookDone() { ClearFormHook(); }

void ULookAndFeelInit() {
  RegisterClass(TLookAndFeelWrapper::StaticClass());
  SetFormHook(&ApplyLookToForm);
  SetFormHookLocked(&ApplyLookToForm);
  InstallClassLibraryPatches();
}

void ULookAndFeelDone() {
  UnRegisterClass(TLookAndFeelWrapper::StaticClass());
  FreeFormScalingHook();
  ClearFormHook();
  RemoveClassLibraryPatches();
}
