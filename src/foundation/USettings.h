// USettings: TSettings, the one settings object of the business
// application whose database this program synchronises.
//
// The settings live as rows of the settings table setup.OAT (one row per
// Ident, see USettingsRows.h) and, per workstation, in ZUVID.INI (the INI
// half is USettingsIni*.cpp). LoadFromDatabase reads every setting with its
// stated default and fallback and never raises; a failure part-way through
// is shown through SettingsMessageHook and the rest keep their defaults.
// The synchronisation reads the office identity (DatabaseID, set through
// SetDatabaseID), marks address rows with SetAddressKey and draws the
// installation list with MobileIDChars and the two option-text tables.
//
// Settings whose business meaning this program does not use are kept by
// their Ident (IntValue, TextValue): they are loaded and handed on as they
// are.
//
// Thread safety: main thread only; the singleton and the shared records
// are process-wide and unguarded.
#pragma once

#include <array>
#include <functional>
#include <map>
#include <memory>

#include "foundation/UBusinessUnits.h"
#include "foundation/UParts.h"
#include "foundation/USettingsTypes.h"
#include "foundation/UVSObj.h"

class TDataSet;
class TOakExtendedTable;
class TSetupRows;

class TSettings : public TObject {
 public:
  TSettings();
  ~TSettings() override;

  // ---- Loading ---------------------------------------------------------
  // Loads every setting from the open setup.OAT table (cancelling a range
  // or filter and selecting the "Ident" index first), then ZUVID.INI.
  // Never raises. The table stays the caller's and is remembered.
  void LoadFromDatabase(TOakExtendedTable* Table);
  // The load itself over any rows (steps after preparing the table).
  // Never raises.
  void LoadFromRows(TSetupRows& Rows);
  // Reads ZUVID.INI from the program's folder into Ini (reset first), then
  // copies printer and numbering settings into QXHelperSetup. Raises what
  // the INI file raises.
  void LoadFromIni();
  // Writes the groups of Groups (bits: 1 scheduler, 2 everything else,
  // 4 mail, 8 attachment and PDF folder, 16 address finder) to ZUVID.INI,
  // then copies into QXHelperSetup. Raises EFCreateError when the file
  // cannot be written.
  void SaveToIni(Integer Groups);

  // ---- Identity --------------------------------------------------------
  // Stores Value in DatabaseID and copies it into QXClipBrdSetup.
  void SetDatabaseID(const String& Value);
  const String& DatabaseID() const { return FDatabaseID; }
  // The settings table last loaded from (null before a load).
  TDataSet* SettingsTable() const { return FSettingsTable; }

  // Integer and text settings kept by Ident (Default when never set).
  Integer IntValue(Integer Ident, Integer Default = 0) const;
  String TextValue(Integer Ident) const;

  // ---- Documents -------------------------------------------------------
  TDocumentTexts Documents;           // table A
  TAlterCurrencyInfo AlterCurrency;   // the second currency
  std::array<bool, 6> Flags1530{};    // first six lines of 1530
  std::array<std::unique_ptr<TMemoryStream>, 3> Memos;  // 8101, 8102, 8103
  TVSOBJ TaxTexts;                    // the tax-text table (Ident 20)

  // ---- Groups read by Ident -------------------------------------------
  std::map<Integer, Integer> Ints;     // plain integer settings
  std::map<Integer, String> Texts;     // plain text settings
  Byte Flags12011 = 3;                 // bit 0, bit 1
  bool Flag301 = true, Flag302 = true;
  TUpperLowerPartField UpperLowerPart;  // 666
  std::array<Integer, 2> Values13030{};
  String Number15001 = "000001";
  TPaymentDefaults PaymentDefaults;    // 51004
  Integer QuantityFormatIndex = 0;     // 9215
  TAddressNumberSetup AddressNumber;   // 16009
  TDunningSetup Dunning;               // 4996 .. 5026
  TStringList DocumentNames;           // 202
  std::array<String, 5> AddressTypeNames;  // 201
  std::array<TNumberingEntry, 10> Numbering;  // 2001 .. 2010, 3001 .. 3010
  Byte CurrentNumberingCode = 21;
  std::array<String, 3> FieldCaptions;  // 1512 lines 1 to 3
  TStringList ImportanceTexts;

  // ---- Lists (one entry per MemoItem line) -----------------------------
  TStringList List920Names, List920Values;
  std::array<std::array<double, 2>, 2> AmountPairs{};  // 949, 950
  // The further lists by Ident: 1500, 1510, 1502, 1501, 1506, 1505, 1509,
  // 1507, 12019, 12018, 1508, 16002, 16001, 16010, 16045, 16046, 652, 752.
  TStringList& List(Integer Ident);
  TAutoActionItems AutoActions;   // 1511
  TTwoFontBlock Fonts;            // 652
  TPartsGroup PartsGroups;        // 650 ...
  THTML HTMLMail;                 // 14500, 14501

  // ---- Per-workstation settings (ZUVID.INI) -----------------------------
  TIniSettings Ini;
  TUserPrinterDef PrinterDef;

 private:
  void ResetDefaults();
  void LoadDocumentTexts(TSetupRows& Rows);
  void LoadAlterCurrency(TSetupRows& Rows);
  void LoadIdentGroups(TSetupRows& Rows);
  void LoadIdentGroups2(TSetupRows& Rows);
  void LoadNumbering(TSetupRows& Rows);
  void LoadLists(TSetupRows& Rows);
  void LoadInfoFieldBlock(TSetupRows& Rows);
  void Finish();
  void CopyToHelperSetup();
  void ReadInts(TSetupRows& Rows, std::initializer_list<Integer> Idents, Integer Fallback);

  String FDatabaseID;
  TDataSet* FSettingsTable = nullptr;
  std::map<Integer, std::unique_ptr<TStringList>> FLists;
};

// The settings singleton, created on first use and freed at exit.
TSettings* Settings();

// Shows a message of the settings loader (HTML text). The user interface
// installs its message box here; without one the message is dropped.
extern std::function<void(const String& Html)> SettingsMessageHook;

// Puts the current row of an address table into edit state, sets ADR_46_
// to the decimal text of N followed by the row's integer field ID
// right-aligned in ten characters (N = 0, ID 42: "0" + 8 blanks + "42"),
// and posts. Dataset errors (row locked, field missing) pass to the caller.
void SetAddressKey(TDataSet* DataSet, Byte N);

// The PDF folder of ZUVID.INI (PDF BackupDir) when it names a folder
// (created, one level, when missing); else the common documents PDF folder,
// created and stored as the setting with SaveToIni(8). Returns the path
// also when the folder cannot be made.
String GetPdfFolder();

// The characters of the installation IDs: MobileIDChars[n] for ID n (1..7).
extern const char MobileIDChars[8];
// The rights texts of the installation list, index 0 to 4.
extern const char* const MobileDataModeTexts[5];
extern const char* const MobileLevelTexts[5];
// Further option texts of the unit (read by the business application).
extern const char* const StockBookingTexts[4];     // "Eingang" ...
extern const char* const DateQueryTexts[3];        // "Nachfragen" ...
extern const char* const FieldCaptionTexts[3];     // "Bezeichnung1" ...
extern const char* const ManualAutoTexts[2];       // "Manuell", "Automatisch"
extern const char* const NameOrderTexts[4];        // "Firma" ...
extern const char* const InfoSourceTexts[6];       // "Adressauswahl" ...
