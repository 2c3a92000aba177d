// UBusinessUnits: the small business units that the settings object fills
// (HTML mail text, automatic actions, the two-font block, free fields, the
// info-field definitions) and the constant tables of the business library
// that this program only holds.
//
// The automatic actions of Ident 1511 are kept as one component in the
// class library's component stream (a TAutoActionItemsWrapper whose
// collection Items holds them, each item with the published properties
// Option1 .. Option7, Text, Byte1 and Byte2); an empty memo gives no items.
//
// Thread safety: main thread only.
#pragma once

#include <array>
#include <memory>

#include "platform/rtl/classes.h"
#include "platform/rtl/collection.h"
#include "platform/rtl/streams.h"
#include "platform/rtl/strings.h"

class TSetupRows;
class TDataSet;

// ---- HTML mail text (Idents 14500, 14501) ----------------------------------
class THTML {
 public:
  std::array<double, 2> Amounts{0, 0};
  std::array<bool, 3> Flags{false, false, false};
  Integer Value = 2;
  TStringList Lines;
  // Text Ident > 0: the lines of its MemoItem when the row exists; 0: the
  // field "HTML_TextPart" of the current row when the table has it. The
  // other Ident (0: field "HTML_OtherPart") gives at least six lines: two
  // amounts (0 becomes 1.0), three flags ("1"), an integer (fallback 2).
  void Load(TSetupRows& Rows, Integer TextIdent, Integer OtherIdent);
  // Reads the six values from Lines (padded to six).
  void ReadOther(TStrings& Other);
};
extern const char* const HTMLModeTexts[3];     // "Nein", "Vorschlag", "Auto"
extern const char* const HTMLFileExtTexts[3];  // "html", "pdf", "txt"
extern const char* const HTMLFormatTexts[3];   // "HTML", "PDF", "TEXT"

// ---- Automatic actions (Ident 1511) ---------------------------------------------
class TAutoActionItem : public TCollectionItem {
  RTL_DECLARE_CLASS(TAutoActionItem)
 public:
  using TCollectionItem::TCollectionItem;
  std::array<Byte, 7> Options{};
  String Text;
  Byte Byte1 = 0, Byte2 = 0;
  // Copies every value of another action item.
  void Assign(TPersistent* Source) override;
};

class TAutoActionItems : public TCollection {
  RTL_DECLARE_CLASS(TAutoActionItems)
 public:
  TAutoActionItems();
  TAutoActionItem* Item(int Index) const { return static_cast<TAutoActionItem*>(Items(Index)); }
  // Clears the items; then, when Stream holds anything, reads one
  // TAutoActionItemsWrapper from it (the component stream of
  // component_stream.h) and takes over its items. Raises EReadError for a
  // stream that is not such a component (the items stay cleared) and what
  // reading the properties raises.
  void LoadFromStream(TStream* Stream);
  // Writes the items as one TAutoActionItemsWrapper component to Stream.
  void SaveToStream(TStream* Stream);
  // Appends empty items up to Count.
  void PadTo(int Count);
};

// The component that carries the automatic actions through the component
// stream: its published collection Items.
class TAutoActionItemsWrapper : public TComponent {
  RTL_DECLARE_CLASS(TAutoActionItemsWrapper)
 public:
  explicit TAutoActionItemsWrapper(TComponent* AOwner);
  // Owned by the wrapper.
  TAutoActionItems* Items() const { return FItems.get(); }

 private:
  std::unique_ptr<TAutoActionItems> FItems;
};

// ---- Two-font block (Ident 652) ------------------------------------------------
struct TTwoFontBlock {
  Integer Left1 = 20, Top1 = 20, Width1 = 150;
  String Font1 = "ARIAL";
  Integer Size1 = 24, Color1 = 8421504;
  Integer Left2 = 20, Top2 = 20, Width2 = 150;
  String Font2 = "ARIAL";
  Integer Size2 = 8, Color2 = 8421504;
  // Lines (padded to 12) in the order above, integers with the built-in
  // values as fallbacks; an empty font name keeps "ARIAL".
  void Load(const TStrings& Lines);
};

// ---- Free fields, info fields, document types -------------------------------------
extern const char* const FreeFieldNames[5];    // "Freifeld1" ..
extern const char* const WorkerNames[5];       // "Worker1" ..
extern const char* const InfoFieldNames[10];   // "INFO1" ..
// The working table of the five free-field names (reset at each load).
extern std::array<String, 5> FreeFieldWorkNames;
void ResetFreeFieldWorkNames();

struct TInfoFieldDef {
  String Caption;
  bool Active = false;
  Byte Kind = 0;
  Integer Left = 0, Top = 0, Right = 0, Bottom = 0;
};
// Ten definitions from "INFO1" .. "INFO10"; fields 1 to 5 active.
extern std::array<TInfoFieldDef, 10> InfoFieldDefs;

extern const char* const DocumentTypeTexts[13];  // "RECHNUNG" .. "MULTI"
extern const char* const AddressLayoutTexts[6];
extern const char* const AddressLayoutKeys[22];  // "1Caption" .. "not here!"
// The current numbering code (set by the settings loader).
extern Byte AddressLayoutNumberingCode;

// ---- Default font ----------------------------------------------------------------
struct TDefaultFont {
  String Name = "ARIAL";
  Integer Size = 10;
  Integer Style = 0, Color = 0;
};
extern TDefaultFont DefaultFont;

// ---- Constant tables --------------------------------------------------------------
extern const char* const DocLineColumnNames[16];
extern const char* const IsoWeekFormats[4];
extern const char* const ZeroOneTexts[2];          // "0", "1"
extern const char* const LinkPrefixes[6];
extern const char* const LinkMarkers[2];           // "[SERVER]", "[INTERN]"
extern const char* const UserModeFileName;         // "UserMode.INI"
extern const char* const OrderLetterFolders[2];    // "ORDER_LETTERS/" ...
extern const char* const LinkKindTexts[3];         // "", "linkfile://", "tempfile://"
extern const char* const DayNamesEnglish[7];       // "SUNDAY" ..
extern const char* const MonthNamesEnglish[12];    // "JANUARY" ..
extern const char* const FilterOperators[2];       // "AND", "OR"
extern const char* const OrderStateTexts[8];
extern const char* const PaymentKindTexts[12];
extern const char* const PaymentTermTexts[12];
extern const char* const CountryPrefixes[18];
extern const char* const CountryNames[18];
extern const char* const DunningLevelTexts[10];
extern const char* const CommissionModeTexts[5];
extern const char* const CommissionCaptions[5];
extern const char* const NoteKindTexts[5];
extern const char* const ActionTexts[4];
extern const char* const UmlautChars[7];
extern const char* const UmlautRTF[7];
struct TTextBlockID {
  const char* Name;
  const char* ID;
};
extern const TTextBlockID TextBlockIDs[4];
