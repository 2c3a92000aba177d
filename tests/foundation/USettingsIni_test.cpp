// ZUVID.INI of the program's folder: read with defaults, clamps and
// multi-line values; changed and written back group by group; the PDF
// folder.
#include <gtest/gtest.h>

#include "foundation/TempTree.h"
#include "foundation/USettings.h"
#include "platform/rtl/sysutils.h"

namespace {

class ZuvidIniTest : public ::testing::Test {
 protected:
  void SetUp() override {
    ResetFormatSettings();
    Tree.SetProgramFolder();
  }
  void TearDown() override { ResetFormatSettings(); }
  void Given(const std::string& Text) { Tree.Write("prog/ZUVID.INI", Text); }
  std::string File() { return Tree.Read("prog/ZUVID.INI"); }
  bool FileHas(const std::string& Line) { return File().find(Line + "\r\n") != std::string::npos; }
  // Loads into a fresh settings object.
  TSettings& Load() {
    S = std::make_unique<TSettings>();
    S->LoadFromIni();
    return *S;
  }

  TempTree Tree;
  std::unique_ptr<TSettings> S;
};

// ---- Reading -------------------------------------------------------------------------

TEST_F(ZuvidIniTest, MissingFileGivesTheDefaults) {
  TIniSettings& I = Load().Ini;
  EXPECT_EQ(100, I.CanChangeCloseOrder);
  EXPECT_EQ("Bezeichnung1", I.DataGridGoNextColOrder);
  EXPECT_EQ("Noch offener Betrag: [OPEN] , gezahlt: [IN]", I.CashGrayTextPart);
  EXPECT_EQ("BAR", I.CashRechnungIdent);
  EXPECT_EQ("", I.QuoteAnswer);  // the built-in text is replaced by the missing key
  EXPECT_DOUBLE_EQ(EncodeTime(9, 0, 0, 0), I.SchedulerDayTime);
  EXPECT_EQ(7, I.SoundexLevels);
  EXPECT_EQ("ARIAL", I.DefaultFontRTFName);
  EXPECT_EQ(1, S->PrinterDef.CopyCounts[13]);
  EXPECT_FALSE(I.LanguageName.empty());
}

TEST_F(ZuvidIniTest, CopyCountsAreClampedToOneToNinetyNine) {
  Given("[PRINTERS]\r\nCopies_Count_op3=0\r\nCopies_Count_op4=250\r\nCopies_Count_op5=7\r\n");
  TUserPrinterDef& P = Load().PrinterDef;
  EXPECT_EQ(1, P.CopyCounts[3]);
  EXPECT_EQ(99, P.CopyCounts[4]);
  EXPECT_EQ(7, P.CopyCounts[5]);
  EXPECT_EQ(7, QXHelperSetup.Printer.CopyCounts[5]);
}

TEST_F(ZuvidIniTest, TheDocumentCopyCountIsReplacedByTheCountsWhichDefaultToOne) {
  Given("[COPIES]\r\nDokument=5\r\n[PRINTERS]\r\nCopies_Count_op2=3\r\n");
  TUserPrinterDef& P = Load().PrinterDef;
  for (int I = 0; I < 14; ++I) EXPECT_EQ(I == 2 ? 3 : 1, P.CopyCounts[I]) << I;
}

TEST_F(ZuvidIniTest, AMissingCopyCountIsOneEvenWhenTheRecordHeldAnother) {
  TSettings& S = Load();
  S.PrinterDef.CopyCounts.fill(9);
  S.LoadFromIni();
  EXPECT_EQ(1, S.PrinterDef.CopyCounts[0]);
  EXPECT_EQ(1, S.PrinterDef.CopyCounts[13]);
}

TEST_F(ZuvidIniTest, HeightsAreClampedToTheirRanges) {
  Given("[RTFX]\r\nRTFHeigth=50\r\n[Datagrid]\r\nDatagridHeigth=5000\r\n"
        "[TABLESECONDLINE]\r\nDatagridSecondHeigth=10\r\n[TimeColorsCount]\r\nValue=2\r\n"
        "[InternMemoMaxCount]\r\nValue=500\r\n[CanChangeCloseOrder]\r\nValue=9999\r\n");
  TIniSettings& I = Load().Ini;
  EXPECT_EQ(100, I.RTFHeigth);
  EXPECT_EQ(1200, I.DatagridHeigth);
  EXPECT_EQ(30, I.DatagridSecondHeigth);
  EXPECT_EQ(5, I.TimeColorsCount);
  EXPECT_EQ(100, I.InternMemoMaxCount);
  EXPECT_EQ(5000, I.CanChangeCloseOrder);
}

TEST_F(ZuvidIniTest, MultiLineValuesAreSplitAtTheirMarkers) {
  Given("[QuoteAnswercontact]\r\nValue=Zeile 1$$%%$$Zeile 2\r\n"
        "[PRINTERS]\r\nCopies_Caption_op2=Original|Kopie\r\n");
  TSettings& Set = Load();
  EXPECT_EQ("Zeile 1\r\nZeile 2", Set.Ini.QuoteAnswer);
  EXPECT_EQ("Original\r\nKopie", Set.PrinterDef.CopyCaptions[2]);
}

TEST_F(ZuvidIniTest, QuotedPathsStylesColoursAndTimes) {
  Given("[V4]\r\nDBIN=\"/daten/kelpo\"\r\n[PDF]\r\nBackupDir=/pdf\r\n"
        "[EF]\r\nDefaultFontRTF_style=[fsBold,fsUnderline]\r\nDefaultFontRTF_color=clRed\r\n"
        "DefaultArtikelFontcolor=$00808080\r\n[SchedulerDayTime]\r\nValue=kaputt\r\n"
        "[SOUNDEX]\r\nLEVEL2=0\r\n");
  TIniSettings& I = Load().Ini;
  EXPECT_EQ("/daten/kelpo", I.DBIN);
  EXPECT_EQ("/pdf/", I.PdfFolder);
  EXPECT_EQ(fsBoldBit | fsUnderlineBit, I.DefaultFontRTFStyle);
  EXPECT_EQ(0x0000FF, I.DefaultFontRTFColor);
  EXPECT_EQ(0x808080, I.DefaultArtikelFontColor);
  EXPECT_DOUBLE_EQ(EncodeTime(9, 0, 0, 0), I.SchedulerDayTime);
  EXPECT_EQ(5, I.SoundexLevels);
}

// ---- Writing -------------------------------------------------------------------------

TEST_F(ZuvidIniTest, QuoteTextOfTwoLinesRoundTrips) {
  TSettings& Set = Load();
  Set.Ini.QuoteAnswerVS = "Hallo\r\nWelt";
  Set.Ini.DBIN = "/x y";
  Set.SaveToIni(2);
  EXPECT_TRUE(FileHas("Value=Hallo$$%%$$Welt"));
  EXPECT_TRUE(FileHas("DBIN=\"/x y\""));
  TIniSettings& I = Load().Ini;
  EXPECT_EQ("Hallo\r\nWelt", I.QuoteAnswerVS);
  EXPECT_EQ("/x y", I.DBIN);
}

TEST_F(ZuvidIniTest, ChangedValuesAreWrittenBackAndReadAgain) {
  Given("[RTFX]\r\nRTFHeigth=300\r\n");
  TSettings& Set = Load();
  Set.Ini.RTFHeigth = 400;
  Set.Ini.DefaultFontRTFStyle = fsItalicBit;
  Set.Ini.DefaultFontRTFColor = 0x0000FF;
  Set.PrinterDef.CopyCaptions[0] = "A\r\nB";
  Set.SaveToIni(2);
  EXPECT_TRUE(FileHas("RTFHeigth=400"));
  EXPECT_TRUE(FileHas("DefaultFontRTF_style=fsItalic"));
  EXPECT_TRUE(FileHas("DefaultFontRTF_color=clRed"));
  EXPECT_TRUE(FileHas("Copies_Caption_op0=A|B"));
  EXPECT_EQ(std::string::npos, File().find("Dokument"));
  EXPECT_EQ(400, Load().Ini.RTFHeigth);
}

TEST_F(ZuvidIniTest, SavingOneGroupLeavesTheOtherKeysUntouched) {
  Given("; Arbeitsplatz\r\n[RTFX]\r\nRTFHeigth=300\r\n[MAIL]\r\nmailMAPI=1\r\n");
  TSettings& Set = Load();
  Set.Ini.RTFHeigth = 500;
  Set.Ini.MailMAPI = false;
  Set.Ini.AttachFolder = "/anhang";
  Set.SaveToIni(8);
  EXPECT_TRUE(FileHas("; Arbeitsplatz"));
  EXPECT_TRUE(FileHas("RTFHeigth=300"));
  EXPECT_TRUE(FileHas("mailMAPI=1"));
  EXPECT_TRUE(FileHas("AttachFolder=/anhang"));
}

TEST_F(ZuvidIniTest, SchedulerGroupWritesATimeText) {
  TSettings& Set = Load();
  Set.Ini.SchedulerDayTime = EncodeTime(7, 30, 0, 0);
  Set.Ini.SchedulerWakeup = false;
  Set.SaveToIni(1);
  EXPECT_DOUBLE_EQ(EncodeTime(7, 30, 0, 0), Load().Ini.SchedulerDayTime);
  EXPECT_FALSE(S->Ini.SchedulerWakeup);
  EXPECT_EQ(std::string::npos, File().find("RTFX"));
}

// ---- PDF folder -----------------------------------------------------------------------

class PdfFolderTest : public ZuvidIniTest {
 protected:
  void SetUp() override {
    ZuvidIniTest::SetUp();
    Tree.SetFolderVariable("MDS_COMMON_DOCUMENTS", "docs/");
    Settings()->Ini = TIniSettings();
  }
  void TearDown() override {
    Settings()->Ini = TIniSettings();
    ZuvidIniTest::TearDown();
  }
};

TEST_F(PdfFolderTest, AnExistingFolderIsReturnedAsItIs) {
  std::filesystem::create_directories(Tree.Root + "pdf");
  Settings()->Ini.PdfFolder = Tree.Root + "pdf/";
  EXPECT_EQ(Tree.Root + "pdf/", GetPdfFolder());
  EXPECT_FALSE(Tree.Exists("prog/ZUVID.INI"));
}

TEST_F(PdfFolderTest, AMissingFolderIsCreated) {
  Settings()->Ini.PdfFolder = Tree.Root + "neu/";
  EXPECT_EQ(Tree.Root + "neu/", GetPdfFolder());
  EXPECT_TRUE(Tree.Exists("neu"));
}

TEST_F(PdfFolderTest, NoSettingGivesTheCommonFolderAndSavesIt) {
  String Folder = GetPdfFolder();
  EXPECT_NE(String::npos, Folder.find("docs/"));
  EXPECT_NE(String::npos, Folder.find("PDF-Dateien"));
  EXPECT_TRUE(std::filesystem::is_directory(Folder));
  EXPECT_TRUE(FileHas("BackupDir=" + Folder));
}

}  // namespace
