// USettingsTypes: the records that the settings object TSettings is made
// of, and the three process-wide records it shares with other units
// (QXClipBrdSetup, QXHelperSetup and the info-field record QXInfoFields;
// the currency record QXCurrencySetup lives in UQXCurrencySetup.h).
//
// Thread safety: main thread only; the shared records are unguarded.
#pragma once

#include <array>

#include "platform/rtl/strings.h"

// ---- Document labels -------------------------------------------------------
constexpr int DocKindCount = 13;
// The eight sum labels of a document kind, in this order.
enum TDocLabel {
  dlNetGoods, dlNetSubtotal, dlNetTax, dlNetTotal, dlGrossGoods, dlGrossSubtotal, dlGrossTax,
  dlGrossTotal
};
// The five header captions.
enum TDocCaption { dcNumber, dcDate, dcCustomerNumber, dcOrder, dcJoin };

struct TDocumentTexts {
  // Labels[kind - 1][label], kinds 1 to 13.
  std::array<std::array<String, 8>, DocKindCount> Labels;
  std::array<String, 5> Captions;
  // The reset texts: "Warenwert:", "Zwischensumme:", NetTax,
  // "Rechnungsbetrag:" ... and "Nr:", "Datum ", "Kundennummer ",
  // "Auftrag ", "vom ".
  void Reset(const String& NetTax);
  // The label texts of one label for every kind.
  void SetLabel(TDocLabel Label, const String& Text);
};

// The second currency.
struct TAlterCurrencyInfo {
  Byte Byte1 = 0, Byte2 = 0;  // handed on to QXCurrencySetup
  double Rate = 0;
  String Name;
  TDocumentTexts Texts;
  Byte Enabled = 0;  // nonzero: in use
  // The rate when enabled, else 1.5.
  double EffectiveRate() const { return Enabled ? Rate : 1.5; }
  // The name when enabled, else " 2.W.".
  String EffectiveName() const { return Enabled ? Name : String(" 2.W."); }
};

// Ident 666: three digits 0..2 and a flag.
struct TUpperLowerPartField {
  std::array<Byte, 3> Digits{};
  bool Flag = false;
};

// Ident 51004: the default payment terms.
struct TPaymentDefaults {
  Integer Value = -1;
  Integer Days = 14;
  Integer SkontoDays = 5;
  double SkontoPercent = 2.0;
  TStringList Entries;  // every name=value line of the memo
};

// Ident 16009: the address-number settings.
struct TAddressNumberSetup {
  TStringList Values;   // memo lines name=value
  String Number;        // the pattern of '0' characters (at least "0")
  String Prefix, Suffix;  // names "Prefix" and "Suffix", <= 10 characters each
  // Keeps only the '0' characters of Number (at least "0"), trims and cuts
  // the two texts to 10 characters (together at most 20).
  void Normalize();
};

// Dunning values.
struct TDunningSetup {
  Integer V4999 = 0, V4996 = 0;
  Integer V4998 = 30, V5000 = 10, V5001 = 30, V5023 = 1;
  std::int16_t V5002 = 50;
  String Text;          // 4997
  TDateTime Date = 0;   // 5024
  double Amount = 20.0;  // 5021
  Integer V5022 = 0, V5025 = 0, V5026 = 0;
};

// A numbering entry (Idents 2001 .. 2010 and 3001 .. 3010).
struct TNumberingEntry {
  Byte Code = 0;
  Integer Number = 0;
  String Name;
  Byte Kind = 0;
};

// Printer definitions of ZUVID.INI.
struct TUserPrinterDef {
  Integer DuplexType = 0;
  std::array<Integer, 14> CopyCounts{};
  std::array<String, 14> CopyCaptions;
  String DefaultPrinter, FaxPrinter, ScriptPrinter;
  Integer ListCopies = 1;
};

// Font styles of the RTF default font.
enum TFontStyleBit { fsBoldBit = 1, fsItalicBit = 2, fsUnderlineBit = 4 };

// The per-workstation settings of ZUVID.INI.
struct TIniSettings {
  bool MailMAPI = false;
  String MailMAPIIndex, MailMAPIProfil, MailMAPIPassword;
  Integer MailMAPIKind = 0;
  String QuoteAnswer, QuoteAnswerVS;
  bool QuoteAutoAnswer = false, QuoteAutoAnswerVS = false;
  Integer CanChangeCloseOrder = 100;
  bool IncludeNumbersSelector = true, IncludePartsNoSelector = false;
  bool IncludeAdressGroupSelector = true, AdressSecondGray = false;
  bool LayoutDataGridCanChange = true;
  String DataGridGoNextColOrder = "Bezeichnung1", DataGridGoNextColPurchase = "Bezeichnung1";
  Integer DatagridHighWidth = 1;
  bool LayoutZZSKAfterSumme = true, DefaultExPage = false, NoneTaxUser = false;
  Integer QuoteCharCount = 80, ForceNewOrderAdressChanger = 0;
  Integer SoftReturnMaxLines = 10, DefaultSoftReturnChar = 0;
  String CashGrayText = "Rechnung wurde bezahlt.";
  String CashGrayTextPart = "Noch offener Betrag: [OPEN] , gezahlt: [IN]";
  String CashRechnungIdent = "BAR";
  TDateTime SchedulerDayTime = 9.0 / 24;
  bool SchedulerWakeup = true;
  Integer TimeColorsCount = 99, InternMemoMaxCount = 20;
  bool UseOnlySoundex = true;
  Integer Sharpness = 70, DoubleCheckSharpness = 66;
  Byte SoundexLevels = 7;  // bits LEVEL1, LEVEL2, LEVEL3
  Integer UserFontSizeDatagrid = 1;
  Integer UserFirstFocusControlOrder = 5, UserFirstFocusControlOrderBrief = 4;
  Integer DatagridSecondHeigth = 60, DatagridHeigth = 600, RTFHeigth = 100;
  Integer PayInAutoIntern = 0;
  bool ClickSound = false, AutoHis = false, NewArtlager = true;
  String ContactMailSubject = "INFO";
  bool InsertDateByHTMLMail = true;
  String AttachFolder, PdfFolder, DBIN;
  bool UsePrinterDialog = false;
  String DefaultPrinterBinName2, BinFirstPrinterPage2Name, BinSecondPrinterPage2Name;
  String DefaultFontRTFName = "ARIAL";
  Integer DefaultFontRTFSize = 10;
  Byte DefaultFontRTFStyle = 0;  // TFontStyleBit bits
  Integer DefaultFontRTFColor = 0, DefaultArtikelFontColor = 0, DefaultArtikelLagerColor = 0;
  bool UseDefaultFontByTextBlock = false, UseAutoInsertBriefanrede = false;
  bool UseAutoFormatBriefanrede = true, MessageAfterPrint = false;
  String LanguageName;  // display name of the system's default language
};

// ---- Shared records -------------------------------------------------------------
struct TQXClipBrdSetup {
  String DatabaseID;
  String QuantityFormat = "0.###";
  std::array<std::array<double, 2>, 2> Amounts{};
};
extern TQXClipBrdSetup QXClipBrdSetup;

struct TQXHelperSetup {
  TUserPrinterDef Printer;
  std::array<TNumberingEntry, 10> Numbering;
  Byte CurrentNumberingCode = 0;
};
extern TQXHelperSetup QXHelperSetup;

// The info-field record: ten fields and a table of 14 rows x 10 flags.
struct TInfoFieldEntry {
  String Name;
  String Text;  // at most 200 characters
  Byte Code = 0;  // 0..2
  Integer Marker = -1;
};
struct TQXInfoFields {
  std::array<TInfoFieldEntry, 10> Fields;
  std::array<std::array<bool, 10>, 14> Flags;
  // Names "INFO1" .. "INFO10", texts empty, the given codes, every flag
  // set, markers -1.
  void Reset(bool LoaderCodes);
};
extern TQXInfoFields QXInfoFields;

// The quantity display format of index 0..3 ("0.###", "0.0##", "0.00#",
// "0.000"), "######.###" for any other.
String QuantityFormatText(Integer Index);
