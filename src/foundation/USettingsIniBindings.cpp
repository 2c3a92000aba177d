#include "foundation/USettingsIniBindings.h"

#include "foundation/USettings.h"
#include "platform/rtl/sysutils.h"

namespace {

// Collects bindings of one save group.
class TBinder {
 public:
  explicit TBinder(std::vector<TIniBinding>& Out) : FOut(Out) {}
  TBinder& Group(Integer G) {
    FGroup = G;
    return *this;
  }
  void Text(const char* Sec, const String& Key, String& T, TIniBindingKind Kind = ibText) {
    Add(Sec, Key, Kind).Text = &T;
  }
  void Lines(const char* Sec, const String& Key, String& T, const char* Sep, bool EmptyDefault) {
    TIniBinding& B = Add(Sec, Key, ibLines);
    B.Text = &T;
    B.Sep = Sep;
    B.EmptyDefault = EmptyDefault;
  }
  TIniBinding& Int(const char* Sec, const String& Key, Integer& V, Integer Min = 1, Integer Max = 0) {
    TIniBinding& B = Add(Sec, Key, ibInt);
    B.Int = &V;
    B.Min = Min;
    B.Max = Max;
    return B;
  }
  void Bool(const char* Sec, const String& Key, bool& V) { Add(Sec, Key, ibBool).Bool = &V; }
  void Bit(const char* Sec, const String& Key, Byte& V, Byte Mask) {
    TIniBinding& B = Add(Sec, Key, ibBit);
    B.Bits = &V;
    B.Mask = Mask;
  }
  void Color(const char* Sec, const String& Key, Integer& V) { Add(Sec, Key, ibColor).Int = &V; }
  void Style(const char* Sec, const String& Key, Byte& V) { Add(Sec, Key, ibStyle).Bits = &V; }
  void Time(const char* Sec, const String& Key, TDateTime& V) { Add(Sec, Key, ibTime).Time = &V; }
  // A section of its own with the single key "Value".
  void ValueInt(const char* Sec, Integer& V, Integer Min = 1, Integer Max = 0) { Int(Sec, "Value", V, Min, Max); }
  void ValueBool(const char* Sec, bool& V) { Bool(Sec, "Value", V); }
  void ValueText(const char* Sec, String& V) { Text(Sec, "Value", V); }

 private:
  TIniBinding& Add(const char* Sec, const String& Key, TIniBindingKind Kind) {
    FOut.push_back(TIniBinding{Sec, Key, Kind, FGroup});
    return FOut.back();
  }
  std::vector<TIniBinding>& FOut;
  Integer FGroup = 0;
};

void BindPrinters(TBinder& B, TUserPrinterDef& P) {
  for (int I = 0; I < 14; ++I)
    B.Lines("PRINTERS", "Copies_Caption_op" + IntToStr(I), P.CopyCaptions[I], "|", false);
  for (int I = 0; I < 14; ++I) B.Int("PRINTERS", "Copies_Count_op" + IntToStr(I), P.CopyCounts[I], 1, 99).Default = 1;
  B.Int("PRINTERS", "DuplexType", P.DuplexType);
  B.Text("PRINTERS", "DEFAULT", P.DefaultPrinter);
  B.Text("PRINTERS", "FAX", P.FaxPrinter);
  B.Text("PRINTERS", "SCRIPT", P.ScriptPrinter);
}

void BindValueSections(TBinder& B, TIniSettings& I) {
  B.Lines("QuoteAnswercontact", "Value", I.QuoteAnswer, "$$%%$$", true);
  B.ValueBool("QuoteAutoAnswercontact", I.QuoteAutoAnswer);
  B.Lines("QuoteAnswercontactVS", "Value", I.QuoteAnswerVS, "$$%%$$", true);
  B.ValueBool("QuoteAutoAnswercontactVS", I.QuoteAutoAnswerVS);
  B.ValueInt("CanChangeCloseOrder", I.CanChangeCloseOrder, 0, 5000);
  B.ValueBool("InCludeNumbernSelector", I.IncludeNumbersSelector);
  B.ValueBool("InCludePartsNoSelector", I.IncludePartsNoSelector);
  B.ValueBool("InCludeAdressGroupSelector", I.IncludeAdressGroupSelector);
  B.ValueBool("AdressSecondGray", I.AdressSecondGray);
  B.ValueBool("LayoutDataGridCanChange", I.LayoutDataGridCanChange);
  B.ValueText("DataGridGoNextColOrder", I.DataGridGoNextColOrder);
  B.ValueText("DataGridGoNextColPurchase", I.DataGridGoNextColPurchase);
  B.ValueInt("DatagridHighWidth", I.DatagridHighWidth);
  B.ValueBool("LayoutZZSKAfterSumme", I.LayoutZZSKAfterSumme);
  B.ValueBool("DefaultExPage", I.DefaultExPage);
  B.ValueBool("NoneTaxUser", I.NoneTaxUser);
  B.ValueInt("QuoteCharCount", I.QuoteCharCount);
  B.ValueInt("ForceNewOrderAdressChanger", I.ForceNewOrderAdressChanger);
  B.ValueInt("SoftReturn_MaxLines", I.SoftReturnMaxLines);
  B.ValueInt("Default_SoftReturn_Char", I.DefaultSoftReturnChar);
  B.ValueText("CashGrayText", I.CashGrayText);
  B.ValueText("CashGrayTextPart", I.CashGrayTextPart);
  B.ValueText("CashRechnungIdent", I.CashRechnungIdent);
  B.ValueInt("TimeColorsCount", I.TimeColorsCount, 5, 99);
  B.ValueInt("InternMemoMaxCount", I.InternMemoMaxCount, 20, 100);
}

void BindLayout(TBinder& B, TIniSettings& I, TUserPrinterDef& P) {
  B.Int("COPIES", "List", P.ListCopies);
  B.Bit("SOUNDEX", "LEVEL1", I.SoundexLevels, 1);
  B.Bit("SOUNDEX", "LEVEL2", I.SoundexLevels, 2);
  B.Bit("SOUNDEX", "LEVEL3", I.SoundexLevels, 4);
  B.Int("Datagrid", "UserFontSizeDatagrid", I.UserFontSizeDatagrid);
  B.Int("Datagrid", "DatagridHeigth", I.DatagridHeigth, 300, 1200);
  B.Int("OrderBrowser", "UserFirstFocusControlOrder", I.UserFirstFocusControlOrder);
  B.Int("OrderBrowser", "UserFirstFocusControlOrder_brief", I.UserFirstFocusControlOrderBrief);
  B.Int("TABLESECONDLINE", "DatagridSecondHeigth", I.DatagridSecondHeigth, 30, 100);
  B.Int("RTFX", "RTFHeigth", I.RTFHeigth, 100, 600);
  B.Int("EXTRA", "PayInAutoIntern", I.PayInAutoIntern);
  B.Bool("EXTRA", "ClickSound", I.ClickSound);
  B.Bool("EXTRA", "AutoHis", I.AutoHis);
  B.Bool("EXTRA", "NewArtlager", I.NewArtlager);
  B.Text("CONTACTMAILSUBJECT", "SUBJECT", I.ContactMailSubject);
  B.Bool("InsertDateByHTMLMail", "USE", I.InsertDateByHTMLMail);
  B.Text("V4", "DBIN", I.DBIN, ibQuoted);
  B.Bool("V4", "UsePrinterDialog", I.UsePrinterDialog);
  B.Text("SECOND", "defaultprinterBinName2", I.DefaultPrinterBinName2, ibQuoted);
  B.Text("SECOND", "BinFirstPrinterPage2_Name", I.BinFirstPrinterPage2Name, ibQuoted);
  B.Text("SECOND", "BinSecondPrinterPage2_Name", I.BinSecondPrinterPage2Name, ibQuoted);
  B.Text("EF", "DefaultFontRTF_Name", I.DefaultFontRTFName);
  B.Int("EF", "DefaultFontRTF_Size", I.DefaultFontRTFSize);
  B.Style("EF", "DefaultFontRTF_style", I.DefaultFontRTFStyle);
  B.Color("EF", "DefaultFontRTF_color", I.DefaultFontRTFColor);
  B.Color("EF", "DefaultArtikelFontcolor", I.DefaultArtikelFontColor);
  B.Color("EF", "DefaultArtikelLagercolor", I.DefaultArtikelLagerColor);
  B.Bool("EF", "UseDefaultFontByTextBlock", I.UseDefaultFontByTextBlock);
  B.Bool("EF", "UseAutoInsertBriefanrede", I.UseAutoInsertBriefanrede);
  B.Bool("EF", "UseAutoFormatBriefanrede", I.UseAutoFormatBriefanrede);
  B.Bool("EF", "MessageAfterPrint", I.MessageAfterPrint);
}

}  // namespace

std::vector<TIniBinding> IniBindings(TSettings& S) {
  std::vector<TIniBinding> Out;
  TBinder B(Out);
  TIniSettings& I = S.Ini;
  B.Group(4).Bool("MAIL", "mailMAPI", I.MailMAPI);
  B.Text("MAIL", "mailMAPI_Index", I.MailMAPIIndex);
  B.Text("MAIL", "mailMAPI_Profil", I.MailMAPIProfil);
  B.Text("MAIL", "mailMAPI_ProfilePassword", I.MailMAPIPassword);
  B.Int("MAIL", "mailMAPI_Kind", I.MailMAPIKind);
  B.Group(16).Bool("ExAdressFinder", "UseOnlySoundex", I.UseOnlySoundex);
  B.Int("ExAdressFinder", "sharpness", I.Sharpness);
  B.Group(8).Text("V41", "AttachFolder", I.AttachFolder);
  B.Text("PDF", "BackupDir", I.PdfFolder, ibPath);
  B.Group(1).Time("SchedulerDayTime", "Value", I.SchedulerDayTime);
  B.ValueBool("SchedulerWakeup", I.SchedulerWakeup);
  B.Group(2).Int("DoublettenCheck", "DoublecheckAdress_Sharpness", I.DoubleCheckSharpness);
  // The copy count of every document kind, replaced by the counts below.
  B.Group(0).Int("COPIES", "Dokument", S.PrinterDef.CopyCounts[0]).Count = 14;
  B.Group(2);
  BindPrinters(B, S.PrinterDef);
  BindValueSections(B, I);
  BindLayout(B, I, S.PrinterDef);
  return Out;
}
