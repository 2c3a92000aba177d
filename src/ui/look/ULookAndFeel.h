// ULookAndFeel: gives every form of the program its visual settings when
// it is created. ApplyLookToForm double-buffers the form's windowed
// controls, registers the form for scaling, clamps its size to the screen
// and applies the current "look": a text file of property assignments by
// class name or by owner class and component name, set by name through the
// property registry. The main form calls ApplyLookToForm from FormCreate;
// the dialogs reach it through the form hook (UFormHook.h), in which
// ULookAndFeelInit installs it and locks it.
//
// Look files lie in LookAndFeelDir (the client root's "LookAndFeel/"):
//  - "CurrentLook.txt": "CurrentLook=<name>";
//  - "LookAndFeel[<name>].txt": one entry per line, fields joined by "<>":
//      Key<>PropPath=Value<>PropPath=Value...
//    a Key with a "." is OwnerClass.ComponentName, any other a class name;
//    keys match case-sensitively. PropPath may run through object
//    properties ("Font.Name"). Integer properties (colours) take a colour
//    name of LookColorTable or a number (anything else gives 0), string
//    properties the text; other kinds are left alone.
//  - "<program file name>_Scaled.txt": form class = scale index (0 100 %,
//    1 120 %, 2 140 %), read by the scaling (ULookAndFeelScale.cpp).
// A first start writes the built-in look "Pastell" (DefaultLookText).
//
// Readers never fail on bad files: unknown classes, properties, broken
// fields and values that do not fit are skipped; the rest still applies.
//
// Thread safety: GUI thread only.
#pragma once

#include <memory>
#include <vector>

#include "foundation/CtContainers.h"
#include "platform/gui/forms.h"

// ---- Look files ----------------------------------------------------------------------

// The look folder with a trailing delimiter, created (the creation's
// result is ignored).
void LookAndFeelDir(String& Dir);
// The built-in look "Pastell": 16 lines joined by CR LF, 791 characters.
extern const char* const DefaultLookText;
// Writes the built-in look as "LookAndFeel[Pastell].txt" (overwriting).
void WriteDefaultLook();
// Saves "CurrentLook=Look" as "CurrentLook.txt"; a failure is swallowed.
void SaveCurrentLook(const String& Look);
// Look := the current look; when none is set, "Pastell" becomes current
// and its file is (re)written. With List, ListLooks fills it.
void GetCurrentLook(TStrings* List, String& Look);
// List := the names of the look files (between "[" and "]"); FirstLook
// the first of them ("" when there is none).
void ListLooks(TStrings* List, String& FirstLook);

// One PropPath=Value field of a look line; an empty pair stands for a
// field that was not exactly one "=" (it matches no property).
struct TPropPair {
  String PropPath;
  String Value;
};
// One line of a look file: its key and its pairs in file order.
struct PropEntry {
  String Key;
  std::vector<TPropPair> Pairs;
};

// Ordinal, case-sensitive comparison of two keys: -1, 0 or 1.
int ComparePropEntries(const String& A, const String& B);

// The entries of one look file, in two caches sorted by key: 0 the class
// keys, 1 the instance keys (with a "."). Owns its entries.
class TPropCache : public TObject {
  RTL_DECLARE_CLASS(TPropCache)
 public:
  // Loads FileName when it exists (else the caches stay empty). Raises
  // EFOpenError when the file exists but cannot be read.
  explicit TPropCache(const String& FileName);
  TPropCache();
  ~TPropCache() override;
  TPropCache(const TPropCache&) = delete;
  TPropCache& operator=(const TPropCache&) = delete;

  void LoadFromFile(const String& FileName);
  // Cuts Bytes (UTF-8, else Windows-1252; a NUL ends it) into entries and
  // adds them; the caches are sorted afterwards.
  void LoadFromText(const String& Bytes);
  // Disposes every entry.
  void Clear();
  // The entry of Key in cache CacheIndex (0 or 1), or null; owned by the
  // cache. With a duplicate key one of its entries.
  const PropEntry* Find(const String& Key, int CacheIndex) const;
  Integer Count(int CacheIndex) const;

 private:
  void Sort();
  TCtAnsiStringPointerVector* FCaches[2];
};

// The colour names of the look files and their values.
struct TLookColor {
  TColor Value;
  const char* Name;
};
extern const TLookColor LookColorTable[71];
// The value of a colour name (case-insensitive); false when unknown.
bool FindLookColor(const String& Name, TColor& Color);

// ---- Applying a look ------------------------------------------------------------------

// Sets Entry's pairs on Component (nothing for a null Entry). A grid that
// publishes GlobalFontName takes the "Font.Name" of its class entry
// ("TI_DBGrid" / "TDataGrid") there and nothing more of that entry.
void ApplyLookEntry(TComponent* Component, const PropEntry* Entry);
// Pass 1: class entries of Root and of everything it owns, depth first.
void ApplyClassEntries(const TPropCache& Cache, TComponent* Root);
// Pass 2: instance entries OwnerClass.Name of everything Owner owns.
void ApplyNamedEntries(const TPropCache& Cache, TComponent* Owner);
// A popup menu without an entry (and without a class entry of its own)
// takes "ToxPopupMenu".
const PropEntry* PopupMenuFallback(const TPropCache& Cache, TComponent* Component, const PropEntry* Entry);

// True over a remote desktop connection (SM_REMOTESESSION).
bool IsRemoteSession();
// Double-buffers C when it is a windowed control other than a rich edit
// or a list box (a styled check box becomes opaque first; a tool bar's
// parent is not double-buffered).
void DoubleBufferControl(TComponent* C);
// DoubleBufferControl over Control and everything it owns, unless
// IsRemoteSession.
void DoubleBufferTree(TComponent* Control);

// Reached by name only (GetClass / MethodAddress), so that the default
// look finds the engine without linking it.
class TLookAndFeelWrapper : public TObject {
  RTL_DECLARE_CLASS(TLookAndFeelWrapper)
 public:
  // Loads the current look and applies it to Form; swallows every
  // exception (what was applied before it stays).
  void SetProperties(TComponent* Form);
};

// Calls TLookAndFeelWrapper.SetProperties by name when it is registered.
void ApplyLookByName(TComponent* Form);
// The form hook of the look engine (TFormHookProc): help context 1,
// double buffering, scaling, with Place the placement on one monitor and
// the clamp to it, then the look.
void ApplyLookToForm(TComponent* Control, bool Place);
// The fallback hook of the default look: hands the form to the engine when
// it is registered, else help context, placement and "TColorWrapper".
void DefaultFormLook(TComponent* Form, bool Flag);

// ---- Scaling (ULookAndFeelScale.cpp) ---------------------------------------------------

// A row of the scale table.
struct TScaleRow {
  Integer Id;
  Integer Percent;
  Integer FontSize;
};
extern const TScaleRow ScaleTable[3];

// "<look folder><program file name>_Scaled.txt".
String ScaleFileName();
// The scale table index of a form class by Scaled (a name=value list):
// 0..2 as written, 0 for anything else and on screens above 96 dpi.
Integer ScaleIndexOf(TStrings* Scaled, const String& ClassName);

class TFormHook;
// A registered form and its scale row; owned by the hook's list.
class TWndProcess : public TObject {
  RTL_DECLARE_CLASS(TWndProcess)
 public:
  TWndProcess(TFormHook* Hook, TCustomForm* Form, const TScaleRow& Row)
      : FHook(Hook), FForm(Form), FRow(Row) {}
  TFormHook* Hook() const { return FHook; }
  TCustomForm* Form() const { return FForm; }
  const TScaleRow& Row() const { return FRow; }

 private:
  TFormHook* FHook;
  TCustomForm* FForm;
  TScaleRow FRow;
};

// Scales the registered forms by the scale file, loaded when the hook is
// made and saved back when it is freed (a failure is swallowed).
class TFormHook : public TComponent {
  RTL_DECLARE_CLASS(TFormHook)
 public:
  explicit TFormHook(TComponent* AOwner);
  ~TFormHook() override;
  // Scales Form by its class's row (once per form).
  void Register(TCustomForm* Form);
  // The row of a registered form, or null.
  const TWndProcess* Find(TCustomForm* Form) const;
  Integer Count() const { return Integer(FForms.size()); }
  TStrings* Scaled() { return FScaled.get(); }
  const String& FileName() const { return FFileName; }

 protected:
  void Notification(TComponent* AComponent, TOperation Operation) override;

 private:
  String FFileName;
  std::unique_ptr<TStringList> FScaled;
  std::vector<std::unique_ptr<TWndProcess>> FForms;
};

// Registers Form with the hook (made on first use).
void RegisterFormForScaling(TCustomForm* Form);
// The percent of Form's class (100 before any registration).
Integer GetFormScalePercent(TCustomForm* Form);
// The hook, or null before the first registration.
TFormHook* FormScalingHook();
// Frees the hook (saving the scale file).
void FreeFormScalingHook();
// The child adjustment of a scaled form: item heights and drop-down widths
// times Factor, drop-down counts divided by it.
void AdjustChildren(TWinControl* Control, double Factor);
// The font adjustment: grids get AdjustGrid "<font size> <factor>", menus
// the row's font size.
void AdjustFonts(TWinControl* Control, const TScaleRow& Row, double Factor);

// ---- The class library's patches (ULookAndFeelPatches.cpp) ------------------------------

// The popup parent of a sizeable or dialog form (FormParamsHook).
void ChoosePopupParent(TCustomForm& Form, TCreateParams& Params);
// The themed client edge of rich edits and scroll boxes (NCPaintHook).
void PaintThemedEdge(TWinControl& Control);
// Installs both hooks / puts back the ones before.
void InstallClassLibraryPatches();
void RemoveClassLibraryPatches();

// The default look's initialisation: DefaultFormLook becomes the form hook
// (unlocked), in force for the forms made before ULookAndFeelInit takes
// over. Its finalisation empties the hook.
void DefaultLookInit();
void DefaultLookDone();
// The unit's initialisation and finalisation: the wrapper's registration,
// ApplyLookToForm in the form hook (locked), the patches; and back.
void ULookAndFeelInit();
void ULookAndFeelDone();
