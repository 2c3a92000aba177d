// The CSV stream format of the in-memory table: the installation list's
// exact text, round trips, every rule of the format, and corrupt input.
#include "data/memtable/mtMemCSVStreamFormat.h"
#include "data/memtable/mtMemCSVStreamFormatReader.h"

#include <gtest/gtest.h>

#include <cstdlib>
#include <filesystem>
#include <memory>
#include <random>

#include "data/memtable/mtMemCSVStreamFormatText.h"
#include "platform/db/fieldkinds.h"
#include "platform/rtl/datetime.h"
#include "platform/rtl/formatsettings.h"
#include "temp_dir.h"

namespace {

const char* const KMNames[] = {"Name", "Path", "2", "3", "4", "5", "6", "7", "8", "ID", "GUID",
                               "RIGHTS"};

class CSVFormatTest : public ::testing::Test {
 protected:
  void SetUp() override {
    ResetFormatSettings();
    Root = std::make_unique<TComponent>(nullptr);
    Table = new TmtMemTable(Root.get());
    Table->SetName("KM");
    Format = new TmtCSVStreamFormat(Root.get());
    Table->SetDefaultFormat(Format);
  }
  void TearDown() override { ResetFormatSettings(); }

  // The installation list as the main form has it: twelve persistent
  // fields, local formats.
  void MakeInstallationList() {
    for (int I = 0; I < 12; ++I) {
      TField* F;
      if (I == 9) {
        F = new TSmallintField(Root.get());
      } else if (I == 11) {
        F = new TIntegerField(Root.get());
      } else {
        F = new TStringField(Root.get());
        F->SetSize(I == 0 || I == 10 ? 100 : I == 1 ? 200 : 20);
      }
      F->SetFieldName(KMNames[I]);
      F->SetDataSet(Table);
    }
    Format->Set_sfLocalFormat({sfSaveLocalFormat, sfLoadLocalFormat});
    Table->Open();
  }
  void AddInstallation(const String& Name, const String& Path, Integer ID, const String& GUID,
                       Integer Rights) {
    Table->Append();
    Table->FieldByName("Name")->SetAsString(Name);
    Table->FieldByName("Path")->SetAsString(Path);
    Table->FieldByName("ID")->SetAsInteger(ID);
    Table->FieldByName("GUID")->SetAsString(GUID);
    Table->FieldByName("RIGHTS")->SetAsInteger(Rights);
    Table->Post();
  }
  // A table made from field definitions.
  void MakeTable(std::initializer_list<std::tuple<const char*, TFieldType, Integer>> Defs) {
    for (auto& [Name, Type, Size] : Defs) Table->FieldDefs().Add(Name, Type, Size);
    Table->Open();
  }
  void AppendRow(std::vector<Variant> Values) { Table->AppendRecord(Values); }

  String SaveText() {
    TStringStream S;
    Table->SaveToStream(&S);
    return S.DataString();
  }
  void LoadText(const String& Text) {
    TStringStream S(Text);
    Table->LoadFromStream(&S);
  }
  // Saves the table, empties it and loads the text back; returns the text.
  String RoundTrip() {
    String Text = SaveText();
    EmptyAndLoad(Text);
    return Text;
  }
  // What the program does with the installation list's text.
  void EmptyAndLoad(const String& Text) {
    Table->EmptyTable();
    LoadText(Text);
  }
  // The values of one field over all records (null as "<null>").
  std::vector<String> Column(const String& FieldName) {
    std::vector<String> Values;
    for (Table->First(); !Table->Eof(); Table->Next()) {
      TField* F = Table->FieldByName(FieldName);
      Values.push_back(F->IsNull() ? String("<null>") : F->AsString());
    }
    return Values;
  }
  // Reloads the text into a fresh table with the same format settings.
  std::unique_ptr<TComponent> ReloadInto(const String& Text, TmtMemTable*& Fresh) {
    auto R = std::make_unique<TComponent>(nullptr);
    Fresh = new TmtMemTable(R.get());
    auto* F = new TmtCSVStreamFormat(R.get());
    F->Assign(Format);
    Fresh->SetDefaultFormat(F);
    TStringStream S(Text);
    Fresh->LoadFromStream(&S);
    return R;
  }

  std::unique_ptr<TComponent> Root;
  TmtMemTable* Table = nullptr;
  TmtCSVStreamFormat* Format = nullptr;
};

String FieldLine(const String& Name, const String& Type, int Size, int Width) {
  return "\"" + Name + "=" + Type + "," + std::to_string(Size) + ",\"\"" + Name + "\"\",\"\"\"\"," +
         std::to_string(Width) + ",Data,\"\"\"\"\"\r\n";
}

// ---- The installation list ---------------------------------------------------

TEST_F(CSVFormatTest, InstallationListIsWrittenExactly) {
  MakeInstallationList();
  AddInstallation("Laptop Müller", "/mobil/KelpoM/", 1, "{AB-12}", 7);
  String Expected = "\"@@FILE VERSION@@\",\"251\"\r\n\"@@TABLEDEF START@@\"\r\n" +
                    FieldLine("Name", "String", 100, 100) + FieldLine("Path", "String", 200, 200);
  for (int I = 2; I <= 8; ++I) Expected += FieldLine(std::to_string(I), "String", 20, 20);
  Expected += FieldLine("ID", "SmallInt", 0, 6) + FieldLine("GUID", "String", 100, 100) +
              FieldLine("RIGHTS", "Integer", 0, 11);
  Expected +=
      "\"@@INDEXDEF START@@\"\r\n\"@@INDEXDEF END@@\"\r\n\"@@TABLEDEF END@@\"\r\n"
      "\"Name\",\"Path\",\"2\",\"3\",\"4\",\"5\",\"6\",\"7\",\"8\",\"ID\",\"GUID\",\"RIGHTS\",\r\n"
      "\"Laptop Müller\",\"/mobil/KelpoM/\",,,,,,,,\"1\",\"{AB-12}\",\"7\",\r\n";
  EXPECT_EQ(SaveText(), Expected);
}

TEST_F(CSVFormatTest, InstallationListReadsBackEqual) {
  MakeInstallationList();
  AddInstallation("Büro 1", "/a/b/", 1, "{1}", 3);
  AddInstallation("Zweig \"Nord\"", "/c/", 2, "{2}", 0);
  Table->Edit();
  Table->FieldByName("5")->SetAsString("x,y");
  Table->Post();
  String Text = RoundTrip();
  EXPECT_EQ(Column("Name"), (std::vector<String>{"Büro 1", "Zweig \"Nord\""}));
  EXPECT_EQ(Column("5"), (std::vector<String>{"<null>", "x,y"}));
  EXPECT_EQ(Column("RIGHTS"), (std::vector<String>{"3", "0"}));
  EXPECT_EQ(Table->FieldByName("ID")->DataType(), ftSmallint);
  EXPECT_EQ(SaveText(), Text);
}

TEST_F(CSVFormatTest, FreshTableGetsTheStructureFromTheText) {
  MakeInstallationList();
  AddInstallation("A", "/a/", 4, "{4}", 1);
  String Text = SaveText();
  TmtMemTable* Fresh = nullptr;
  auto Keep = ReloadInto(Text, Fresh);
  ASSERT_EQ(Fresh->FieldCount(), 12);
  EXPECT_EQ(Fresh->FieldByName("Path")->Size(), 200);
  EXPECT_EQ(Fresh->FieldByName("RIGHTS")->DataType(), ftInteger);
  EXPECT_EQ(Fresh->RecordCount(), 1);
  TStringStream Again;
  Fresh->SaveToStream(&Again);
  EXPECT_EQ(Again.DataString(), Text);
}

TEST_F(CSVFormatTest, InstallationListTravelsThroughAFile) {
  const std::string Tmpl = MakeTempFolder("mtcsv");
  String File = Tmpl + "/km.csv";
  MakeInstallationList();
  AddInstallation("Laptop", "/x/", 2, "{2}", 5);
  Table->SaveToFile(File);
  String Text = SaveText();
  Table->EmptyTable();
  Table->LoadFromFile(File);
  EXPECT_EQ(Column("Name"), (std::vector<String>{"Laptop"}));
  EXPECT_EQ(SaveText(), Text);
  std::filesystem::remove_all(Tmpl);
}

TEST_F(CSVFormatTest, HandWrittenTextLoads) {
  String Text =
      "\"@@FILE VERSION@@\",\"251\"\r\n"
      "\"@@TABLEDEF START@@\"\r\n"
      "\"Name=String,30,\"\"Kunde\"\",\"\"\"\",30,REQ,Data,\"\"\"\"\"\r\n"
      "\"Menge=Integer,0,\"\"Menge\"\",\"\"\"\",11,Data,\"\"7\"\"\"\r\n"
      "\"Aktiv=Boolean,0,\"\"Aktiv\"\",\"\"\"\",5,INV,Data,\"\"\"\"\"\r\n"
      "\"@@INDEXDEF START@@\"\r\n"
      "\"ByName=\"\"Name\"\",\"\"ByName\"\",CASE,UNIQ\"\r\n"
      "\"@@INDEXDEF END@@\"\r\n"
      "\"@@TABLEDEF END@@\"\r\n"
      "\"Kunde\",\"Menge\",\"Aktiv\",\r\n"
      "\"Meier%c%nGmbH\",\"12\",\"True\",\r\n"
      "\"Abel 100%%\",,\"False\",\r\n";
  LoadText(Text);
  ASSERT_EQ(Table->FieldCount(), 3);
  TField* Name = Table->FieldByName("Name");
  EXPECT_EQ(Name->DisplayLabel(), "Kunde");
  EXPECT_TRUE(Name->Required());
  EXPECT_FALSE(Table->FieldByName("Aktiv")->Visible());
  EXPECT_EQ(Table->FieldByName("Menge")->DefaultExpression(), "7");
  EXPECT_EQ(Column("Name"), (std::vector<String>{"Meier\r\nGmbH", "Abel 100%"}));
  EXPECT_EQ(Column("Menge"), (std::vector<String>{"12", "<null>"}));
  EXPECT_EQ(Column("Aktiv"), (std::vector<String>{"True", "False"}));
  ASSERT_EQ(Table->IndexDefs().Count(), 1);
  EXPECT_EQ(Table->IndexDefs()[0]->Name(), "ByName");
  EXPECT_TRUE(Table->IndexDefs()[0]->Options().Contains(ixCaseInsensitive));
  EXPECT_TRUE(Table->IndexDefs()[0]->Options().Contains(ixUnique));
}

TEST_F(CSVFormatTest, FormPropertiesAreSetByName) {
  SetPropValue(Format, "sfLocalFormat", "[sfSaveLocalFormat,sfLoadLocalFormat]");
  SetPropValue(Format, "CSVFieldDelimiter", ";");
  EXPECT_EQ(Format->sfLocalFormat(), (TmtStreamFlags{sfSaveLocalFormat, sfLoadLocalFormat}));
  EXPECT_EQ(Format->CSVFieldDelimiter(), ';');
  EXPECT_EQ(GetPropValue(Format, "sfData"), "[sfSaveData,sfLoadData]");
  EXPECT_EQ(GetPropValue(Format, "Version"), "3.10");
}

// ---- Values --------------------------------------------------------------------

TEST_F(CSVFormatTest, LineBreaksAndEscapeCharactersAreEscaped) {
  MakeTable({{"Memo", ftString, 50}});
  AppendRow({Variant("a\r\nb 5%")});
  String Text = SaveText();
  EXPECT_NE(Text.find("\"a%c%nb 5%%\",\r\n"), String::npos);
  EmptyAndLoad(Text);
  EXPECT_EQ(Column("Memo"), (std::vector<String>{"a\r\nb 5%"}));
}

TEST_F(CSVFormatTest, NullIsNothingAndEmptyIsTwoQuotes) {
  MakeTable({{"A", ftString, 10}, {"B", ftString, 10}});
  Table->Append();
  Table->FieldByName("B")->SetAsString("");
  Table->Post();
  String Text = SaveText();
  EXPECT_NE(Text.find("\r\n,\"\",\r\n"), String::npos) << Text;
  EmptyAndLoad(Text);
  Table->First();
  EXPECT_TRUE(Table->FieldByName("A")->IsNull());
  EXPECT_FALSE(Table->FieldByName("B")->IsNull());
}

TEST_F(CSVFormatTest, QuotedEmptyValueReadsAsEmptyNotNull) {
  MakeTable({{"A", ftString, 10}, {"N", ftInteger, 0}});
  Format->Set_sfDef({});
  LoadText("\"A\",\"N\",\r\n\"\",,\r\n");
  Table->First();
  EXPECT_FALSE(Table->FieldByName("A")->IsNull());
  EXPECT_EQ(Table->FieldByName("A")->AsString(), "");
  EXPECT_TRUE(Table->FieldByName("N")->IsNull());
}

TEST_F(CSVFormatTest, NumbersAndDatesUseFixedFormatsAndRestoreLocalOnes) {
  MakeTable({{"F", ftFloat, 0}, {"D", ftDate, 0}, {"B", ftBoolean, 0}});
  AppendRow({Variant(1234.5), Variant::FromDateTime(EncodeDate(2024, 3, 9)), Variant(true)});
  String Text = SaveText();
  EXPECT_NE(Text.find("\"1234.5\",\"09/03/2024\",\"True\",\r\n"), String::npos) << Text;
  EXPECT_EQ(DecimalSeparator, ',');
  EXPECT_EQ(DateSeparator, '.');
  EmptyAndLoad(Text);
  Table->First();
  EXPECT_DOUBLE_EQ(Table->FieldByName("F")->AsFloat(), 1234.5);
  EXPECT_DOUBLE_EQ(Table->FieldByName("D")->AsDateTime(), EncodeDate(2024, 3, 9));
  EXPECT_TRUE(Table->FieldByName("B")->AsBoolean());
  EXPECT_EQ(DecimalSeparator, ',');
}

TEST_F(CSVFormatTest, LocalFormatKeepsTheProcessSettings) {
  MakeTable({{"F", ftFloat, 0}});
  Format->Set_sfLocalFormat({sfSaveLocalFormat, sfLoadLocalFormat});
  AppendRow({Variant(2.25)});
  String Text = SaveText();
  EXPECT_NE(Text.find("\"2,25\",\r\n"), String::npos) << Text;
  EmptyAndLoad(Text);
  Table->First();
  EXPECT_DOUBLE_EQ(Table->FieldByName("F")->AsFloat(), 2.25);
}

TEST_F(CSVFormatTest, BooleanTextsAreTheFormatsOwn) {
  MakeTable({{"B", ftBoolean, 0}});
  Format->SetCSVTrueString("ja");
  Format->SetCSVFalseString("nein");
  AppendRow({Variant(true)});
  AppendRow({Variant(false)});
  String Text = SaveText();
  EXPECT_NE(Text.find("\"ja\",\r\n\"nein\",\r\n"), String::npos);
  EmptyAndLoad(Text);
  EXPECT_EQ(Column("B"), (std::vector<String>{"True", "False"}));
}

TEST_F(CSVFormatTest, BinaryValuesAreArmouredAndReadBack) {
  MakeTable({{"Bin", ftBlob, 0}, {"Raw", ftBytes, 4}});
  String Bytes("\x00\x01\"\xff,\r\n", 7);
  Table->Append();
  Table->FieldByName("Bin")->SetAsString(Bytes);
  Table->FieldByName("Raw")->SetAsString(String("\x01\x02\x03\x04", 4));
  Table->Post();
  String Text = SaveText();
  EXPECT_EQ(Text.find('\xff'), String::npos);
  EmptyAndLoad(Text);
  Table->First();
  EXPECT_EQ(Table->FieldByName("Bin")->AsString(), Bytes);
  EXPECT_EQ(Table->FieldByName("Raw")->AsString(), String("\x01\x02\x03\x04", 4));
}

TEST_F(CSVFormatTest, QuoteOnlyStringsWritesNumbersBare) {
  MakeTable({{"S", ftString, 5}, {"N", ftInteger, 0}});
  Format->Set_sfQuoteOnlyStrings({sfSaveQuoteOnlyStrings});
  AppendRow({Variant("x"), Variant(42)});
  String Text = SaveText();
  EXPECT_NE(Text.find("\"x\",42,\r\n"), String::npos);
  EmptyAndLoad(Text);
  EXPECT_EQ(Column("N"), (std::vector<String>{"42"}));
}

// ---- Lines -----------------------------------------------------------------------

TEST_F(CSVFormatTest, RecordDelimiterEndsEveryHeaderAndRecordLine) {
  MakeTable({{"A", ftString, 5}});
  Format->Set_sfDef({});
  AppendRow({Variant("1")});
  EXPECT_EQ(SaveText().substr(SaveText().find("\"A\"")), "\"A\",\r\n\"1\",\r\n");
  Format->SetCSVRecordDelimiter('\0');
  EXPECT_EQ(SaveText().substr(SaveText().find("\"A\"")), "\"A\"\r\n\"1\"\r\n");
}

TEST_F(CSVFormatTest, EmptyLinesAreSkippedAndALastLineWithoutLineEndLoads) {
  MakeTable({{"A", ftString, 5}, {"B", ftString, 5}});
  Format->Set_sfDef({});
  LoadText("\"A\",\"B\"\r\n\r\n\"1\",\"x\"\n\n\r\n\"2\",\"y\"");
  EXPECT_EQ(Column("A"), (std::vector<String>{"1", "2"}));
  EXPECT_EQ(Column("B"), (std::vector<String>{"x", "y"}));
}

TEST_F(CSVFormatTest, WithoutDefinitionColumnsMatchByDisplayNameIgnoringCase) {
  MakeTable({{"Name", ftString, 10}, {"Ort", ftString, 10}, {"Nr", ftInteger, 0}});
  Table->FieldByName("Ort")->SetDisplayLabel("Stadt");
  Format->Set_sfDef({});
  LoadText("\"STADT\",\"unbekannt\",\"name\"\r\n\"Köln\",\"?\",\"Abel\"\r\n");
  EXPECT_EQ(Column("Name"), (std::vector<String>{"Abel"}));
  EXPECT_EQ(Column("Ort"), (std::vector<String>{"Köln"}));
  EXPECT_EQ(Column("Nr"), (std::vector<String>{"<null>"}));
}

TEST_F(CSVFormatTest, DefinitionReplacesTheFieldsOfTheTable) {
  MakeTable({{"Old1", ftString, 5}, {"Old2", ftString, 5}, {"Old3", ftInteger, 0}});
  AppendRow({Variant("a"), Variant("b"), Variant(1)});
  LoadText(
      "\"@@FILE VERSION@@\",\"251\"\r\n\"@@TABLEDEF START@@\"\r\n" +
      FieldLine("Neu", "String", 8, 8) + "\"@@TABLEDEF END@@\"\r\n\"Neu\",\r\n\"z\",\r\n");
  ASSERT_EQ(Table->FieldCount(), 1);
  EXPECT_EQ(Table->Fields()[0]->FieldName(), "Neu");
  EXPECT_EQ(Column("Neu"), (std::vector<String>{"z"}));
}

TEST_F(CSVFormatTest, EmptyStreamLoadsNothing) {
  MakeTable({{"A", ftString, 5}});
  LoadText("");
  EXPECT_EQ(Table->RecordCount(), 0);
  EXPECT_EQ(Table->FieldCount(), 1);
}

TEST_F(CSVFormatTest, CommentLinesAreSkipped) {
  MakeTable({{"A", ftString, 5}});
  Format->Set_sfDef({});
  Format->SetCommentChar('#');
  LoadText("# comment\r\n\"A\"\r\n# again\r\n\"1\"\r\n");
  EXPECT_EQ(Column("A"), (std::vector<String>{"1"}));
}

TEST_F(CSVFormatTest, GetLineCanChangeAndStopTheReading) {
  MakeTable({{"A", ftString, 5}});
  Format->Set_sfDef({});
  Format->OnGetLine = [](TmtCustomCSVStreamFormat*, String& Line, bool& Stop) {
    if (Line == "\"stop\"") {
      Stop = true;
      Line.clear();
    }
    if (Line == "\"1\"") Line = "\"eins\"";
  };
  LoadText("\"A\"\r\n\"1\"\r\n\"stop\"\r\n\"3\"\r\n");
  EXPECT_EQ(Column("A"), (std::vector<String>{"eins"}));
}

TEST_F(CSVFormatTest, NoHeaderMapsColumnsInFieldOrder) {
  MakeTable({{"A", ftString, 5}, {"B", ftString, 5}});
  Format->Set_sfDef({});
  Format->Set_sfNoHeader({sfSaveNoHeader, sfLoadNoHeader});
  AppendRow({Variant("1"), Variant("2")});
  String Text = SaveText();
  EXPECT_EQ(Text, "\"1\",\"2\",\r\n");
  EmptyAndLoad(Text);
  EXPECT_EQ(Column("B"), (std::vector<String>{"2"}));
}

TEST_F(CSVFormatTest, AutoLayoutMakesStringFieldsFromTheHeader) {
  MakeTable({{"Alt", ftString, 5}});
  Format->Set_sfDef({sfAutoLayoutDef});
  Format->SetDefaultStringFieldSize(40);
  LoadText("\"Kunde\",\"\",\"Ort\"\r\n\"Abel\",\"x\",\"Bonn\"\r\n");
  ASSERT_EQ(Table->FieldCount(), 3);
  EXPECT_EQ(Table->Fields()[1]->FieldName(), "Field_2");
  EXPECT_EQ(Table->Fields()[0]->Size(), 40);
  EXPECT_EQ(Column("Ort"), (std::vector<String>{"Bonn"}));
}

TEST_F(CSVFormatTest, PlaceholdersKeepColumnsOfFieldsThatDoNotTakePart) {
  MakeTable({{"A", ftString, 5}, {"B", ftString, 5}, {"C", ftString, 5}});
  Table->FieldByName("B")->SetVisible(false);
  Format->Set_sfDef({});
  Format->Set_sfNonVisible({});
  AppendRow({Variant("1"), Variant("2"), Variant("3")});
  EXPECT_EQ(SaveText(), "\"A\",\"C\",\r\n\"1\",\"3\",\r\n");
  Format->Set_sfPlaceHolders({sfSavePlaceholders});
  EXPECT_EQ(SaveText(), "\"A\",\"B\",\"C\",\r\n\"1\",,\"3\",\r\n");
}

TEST_F(CSVFormatTest, WithoutQuoteValuesRunToTheDelimiters) {
  MakeTable({{"A", ftString, 5}, {"B", ftInteger, 0}});
  Format->Set_sfDef({});
  Format->SetCSVQuote('\0');
  Format->SetCSVFieldDelimiter(';');
  Format->SetCSVRecordDelimiter('\0');
  AppendRow({Variant("x"), Null()});
  AppendRow({Variant("y"), Variant(5)});
  String Text = SaveText();
  EXPECT_EQ(Text, "A;B\r\nx;\r\ny;5\r\n");
  EmptyAndLoad(Text);
  EXPECT_EQ(Column("B"), (std::vector<String>{"<null>", "5"}));
}

TEST_F(CSVFormatTest, LimitsStopSaveAndLoad) {
  MakeTable({{"A", ftInteger, 0}});
  for (int I = 1; I <= 5; ++I) AppendRow({Variant(I)});
  Table->SetSaveLimit(3);
  String Text = SaveText();
  EXPECT_FALSE(Table->SavedCompletely());
  EXPECT_EQ(Table->SavedRecordCount(), 3);
  Table->SetSaveLimit(-1);
  Text = SaveText();
  EXPECT_TRUE(Table->SavedCompletely());
  Table->EmptyTable();
  Table->SetLoadLimit(2);
  LoadText(Text);
  EXPECT_FALSE(Table->LoadedCompletely());
  EXPECT_EQ(Column("A"), (std::vector<String>{"1", "2"}));
  Table->EmptyTable();
  Table->SetLoadLimit(5);
  LoadText(Text);
  EXPECT_TRUE(Table->LoadedCompletely());
}

TEST_F(CSVFormatTest, SaveAndLoadEventsSeeEveryRecordAndField) {
  MakeTable({{"A", ftInteger, 0}});
  for (int I = 1; I <= 3; ++I) AppendRow({Variant(I)});
  Table->OnSaveRecord = [](TDataSet* D, bool& Accept) {
    Accept = D->FieldByName("A")->AsInteger() != 2;
  };
  Format->OnFormatSaveField = [](TmtCustomCSVStreamFormat*, TField*, String& Text, bool&) {
    Text += "0";
  };
  String Text = SaveText();
  Table->OnSaveRecord = nullptr;
  Table->EmptyTable();
  int Fields = 0;
  Table->OnLoadField = [&](TDataSet*, Integer, TField*) { ++Fields; };
  LoadText(Text);
  EXPECT_EQ(Column("A"), (std::vector<String>{"10", "30"}));
  EXPECT_EQ(Fields, 2);
}

TEST_F(CSVFormatTest, IndexDefinitionsAreWrittenWithTheirOptions) {
  MakeTable({{"Name", ftString, 10}, {"Nr", ftInteger, 0}});
  Table->AddIndex("ByName", "Name;Nr", {ixCaseInsensitive, ixDescending});
  String Text = SaveText();
  EXPECT_NE(Text.find("\"@@INDEXDEF START@@\"\r\n"
                      "\"ByName=\"\"Name;Nr\"\",\"\"ByName\"\",DESC,CASE\"\r\n"
                      "\"@@INDEXDEF END@@\"\r\n"),
            String::npos)
      << Text;
  Format->Set_sfIndexDef({sfLoadIndexDef});
  EXPECT_EQ(SaveText().find("INDEXDEF"), String::npos);
}

TEST_F(CSVFormatTest, DefinitionIsSkippedWhenTheLoadDoesNotTakeIt) {
  MakeTable({{"A", ftString, 5}, {"B", ftString, 5}});
  AppendRow({Variant("1"), Variant("2")});
  String Text = SaveText();
  Table->Close();
  Table->FieldDefs().Clear();
  Table->FieldDefs().Add("B", ftString, 5);
  Table->Open();
  Format->Set_sfDef({sfSaveDef});
  LoadText(Text);
  ASSERT_EQ(Table->FieldCount(), 1);
  EXPECT_EQ(Column("B"), (std::vector<String>{"2"}));
}

TEST_F(CSVFormatTest, CompressionEventsWrapTheText) {
  MakeTable({{"A", ftString, 5}});
  AppendRow({Variant("x")});
  Format->OnCompress = [](TmtCustomStreamFormat*, TmtCustomMemTable*, TStream* Work,
                          TStream* Target) {
    Target->WriteString("ZIP:");
    Work->SetPosition(0);
    Target->CopyFrom(Work, Work->Size());
  };
  Format->OnDeCompress = [](TmtCustomStreamFormat*, TmtCustomMemTable*, TStream* Source,
                            TStream* Work) {
    String All = Source->ReadString();
    ASSERT_EQ(All.substr(0, 4), "ZIP:");
    Work->WriteString(All.substr(4));
  };
  String Text = SaveText();
  EXPECT_EQ(Text.substr(0, 5), "ZIP:\"");
  EmptyAndLoad(Text);
  EXPECT_EQ(Column("A"), (std::vector<String>{"x"}));
}

TEST_F(CSVFormatTest, AppendAddsToTheStreamAndLoadCanStartWhereItStands) {
  MakeTable({{"A", ftString, 5}});
  Format->Set_sfDef({});
  AppendRow({Variant("x")});
  TStringStream S;
  Table->SaveToStream(&S);
  Format->Set_sfAppend({sfSaveAppend});
  Table->SaveToStream(&S);
  EXPECT_EQ(S.DataString(), "\"A\",\r\n\"x\",\r\n\"A\",\r\n\"x\",\r\n");
  Table->EmptyTable();
  Format->Set_sfFromStart({});
  S.SetPosition(10);
  Table->LoadFromStream(&S);
  EXPECT_EQ(Column("A"), (std::vector<String>{"x"}));
}

// ---- Corrupt input -------------------------------------------------------------

class CSVCorruptTest : public CSVFormatTest {
 protected:
  void SetUp() override {
    CSVFormatTest::SetUp();
    MakeTable({{"A", ftString, 5}, {"B", ftInteger, 0}});
    AppendRow({Variant("keep"), Variant(1)});
    AppendRow({Variant("this"), Variant(2)});
  }
  // The table still holds its two records and its fields.
  void ExpectTableUnchanged() {
    ASSERT_TRUE(Table->Active());
    ASSERT_EQ(Table->FieldCount(), 2);
    EXPECT_EQ(Column("A"), (std::vector<String>{"keep", "this"}));
    EXPECT_EQ(DecimalSeparator, ',');
    EXPECT_EQ(DateSeparator, '.');
  }
  String Definition(const String& FieldLines) {
    return "\"@@FILE VERSION@@\",\"251\"\r\n\"@@TABLEDEF START@@\"\r\n" + FieldLines +
           "\"@@TABLEDEF END@@\"\r\n\"X\",\r\n\"1\",\r\n";
  }
};

TEST_F(CSVCorruptTest, UnknownFieldTypeIsRefusedAndTheTableStays) {
  String Line = "X=Cursor,0,\"\"X\"\",\"\"\"\",5,Data,\"\"\"\"";
  try {
    LoadText(Definition("\"" + Line + "\"\r\n"));
    FAIL() << "no error";
  } catch (const EMemTableError& E) {
    EXPECT_EQ(E.Message(), "Unknown field type (Cursor) in CSV file. (X=Cursor,0,\"X\",\"\",5,Data,\"\")");
  }
  ExpectTableUnchanged();
}

TEST_F(CSVCorruptTest, MisspelledTypeNameIsRefused) {
  EXPECT_THROW(LoadText(Definition(FieldLine("X", "string", 5, 5))), EMemTableError);
  ExpectTableUnchanged();
}

TEST_F(CSVCorruptTest, SizeThatIsNoNumberRaisesAConversionError) {
  EXPECT_THROW(LoadText(Definition("\"X=String,zehn,\"\"X\"\",\"\"\"\",5,Data,\"\"\"\"\"\r\n")),
               EConvertError);
  ExpectTableUnchanged();
}

TEST_F(CSVCorruptTest, TooManyFieldsAreRefused) {
  String Lines;
  for (int I = 0; I <= MT_MAX_FIELDS; ++I) Lines += FieldLine("F" + std::to_string(I), "String", 5, 5);
  try {
    LoadText(Definition(Lines));
    FAIL() << "no error";
  } catch (const EMemTableError& E) {
    EXPECT_EQ(E.Message(), "Too many fielddefs. Please raise MT_MAX_FIELDS value.");
  }
  ExpectTableUnchanged();
}

TEST_F(CSVCorruptTest, TextEndingInsideTheDefinitionIsRefused) {
  EXPECT_THROW(LoadText("\"@@FILE VERSION@@\",\"251\"\r\n\"@@TABLEDEF START@@\"\r\n" +
                        FieldLine("X", "String", 5, 5)),
               EMemTableError);
  ExpectTableUnchanged();
}

TEST_F(CSVCorruptTest, ValueThatIsNoNumberLeavesNoHalfLoadedTable) {
  Format->Set_sfDef({});
  EXPECT_THROW(LoadText("\"A\",\"B\"\r\n\"neu\",\"3\"\r\n\"kaputt\",\"drei\"\r\n"), EDatabaseError);
  ExpectTableUnchanged();
}

TEST_F(CSVCorruptTest, UnclosedQuoteKeepsTheTextBeforeItsLastDoubledQuote) {
  Format->Set_sfDef({});
  Table->EmptyTable();
  LoadText("\"A\",\"B\"\r\n\"ab\"\"cd\r\n\"x\"\"\"\"y\r\n");
  EXPECT_EQ(Column("A"), (std::vector<String>{"ab", "x\""}));
}

TEST_F(CSVCorruptTest, NoColumnThatMapsIsRefused) {
  Format->Set_sfDef({});
  try {
    LoadText("\"Q\",\"R\"\r\n\"1\",\"2\"\r\n");
    FAIL() << "no error";
  } catch (const EMemTableError& E) {
    EXPECT_EQ(E.Message(), "Couldnt determine field count for load.");
  }
  ExpectTableUnchanged();
}

TEST_F(CSVCorruptTest, SavingDeltasIsRefused) {
  Format->Set_sfDeltas({sfSaveDeltas});
  try {
    SaveText();
    FAIL() << "no error";
  } catch (const EMemTableError& E) {
    EXPECT_EQ(E.Message(), "Saving deltas is supported only in binary format.");
  }
  EXPECT_EQ(DecimalSeparator, ',');
}

// Truncates, flips and quotes the installation list's text at random
// places (fixed seed): every load either succeeds or raises, and a load
// that raises leaves the table as it was.
TEST_F(CSVCorruptTest, DamagedTextsNeverHalfLoad) {
  auto Keep = std::make_unique<TComponent>(nullptr);
  auto* Good = new TmtMemTable(Keep.get());
  auto* F = new TmtCSVStreamFormat(Keep.get());
  Good->SetDefaultFormat(F);
  Good->FieldDefs().Add("Name", ftString, 20);
  Good->FieldDefs().Add("ID", ftSmallint, 0);
  Good->FieldDefs().Add("Bin", ftBlob, 0);
  Good->Open();
  Good->AppendRecord({Variant("A \"x\"\r\n%"), Variant(1), Variant(String("\x00\xff", 2))});
  Good->AppendRecord({Variant("B"), Variant(2), Null()});
  TStringStream S;
  Good->SaveToStream(&S);
  const String Text = S.DataString();
  std::mt19937 Random(4711);
  int Refused = 0, Loaded = 0;
  for (int Round = 0; Round < 300; ++Round) {
    String Damaged = Text;
    size_t At = Random() % Damaged.size();
    switch (Round % 3) {
      case 0: Damaged.resize(At); break;
      case 1: Damaged[At] = static_cast<char>(Random() % 256); break;
      default: Damaged.insert(At, 1, '"'); break;
    }
    try {
      LoadText(Damaged);
    } catch (const Exception& E) {
      SCOPED_TRACE("round " + std::to_string(Round) + ": " + E.Message());
      ExpectTableUnchanged();
      if (HasFailure()) return;
      ++Refused;
      continue;
    }
    // A load that worked leaves an open table whose text loads again.
    ++Loaded;
    ASSERT_TRUE(Table->Active());
    String Again = SaveText();
    EXPECT_NO_THROW(LoadText(Again)) << "round " << Round;
    Table->ClearFieldsAndDefs();
    Table->FieldDefs().Add("A", ftString, 5);
    Table->FieldDefs().Add("B", ftInteger, 0);
    Table->Open();
    AppendRow({Variant("keep"), Variant(1)});
    AppendRow({Variant("this"), Variant(2)});
  }
  EXPECT_GT(Refused, 0);
  EXPECT_GT(Loaded, 0);
}

// ---- Text helpers ---------------------------------------------------------------

TEST(CSVTextTest, ArmourPacksSixBitsPerCharacterFromTheLowBits) {
  EXPECT_EQ(mtCSVArmour(""), "");
  EXPECT_EQ(mtCSVArmour(String("\x00", 1)), "  ");
  EXPECT_EQ(mtCSVArmour("\xff"), "_#");
  EXPECT_EQ(mtCSVArmour("\x01\x02\x03").size(), 4u);
  EXPECT_EQ(mtCSVArmour("\x41"), "!!");  // 0x41: low six bits 1, high two bits 1
  for (int N = 0; N < 40; ++N) {
    String B;
    for (int I = 0; I < N; ++I) B += static_cast<char>(I * 37 + N);
    String A = mtCSVArmour(B);
    EXPECT_EQ(A.size(), static_cast<size_t>((4 * N + 2) / 3));
    EXPECT_EQ(mtCSVUnarmour(A), B);
  }
}

TEST(CSVTextTest, EscapeRoundTripsAndToleratesStrayEscapes) {
  String S("a\r\nb%\x00z", 7);
  EXPECT_EQ(mtCSVEscape(S, '%'), "a%c%nb%%%0z");
  EXPECT_EQ(mtCSVUnescape(mtCSVEscape(S, '%'), '%'), S);
  EXPECT_EQ(mtCSVUnescape("abc%", '%'), "abc");
  EXPECT_EQ(mtCSVUnescape("a%xb", '%'), "axb");
}

TEST(CSVTextTest, QuoteDoublesInnerQuotesAndUnquoteReverses) {
  EXPECT_EQ(mtCSVQuote("a\"b", '"'), "\"a\"\"b\"");
  EXPECT_EQ(mtCSVQuote("ab", '\0'), "ab");
  EXPECT_EQ(mtCSVUnquoteLine("\"a\"\"b\",rest", '"'), "a\"b");
  EXPECT_EQ(mtCSVUnquoteLine("plain", '"'), "");
  EXPECT_EQ(mtCSVUnquoteLine("plain", '\0'), "plain");
}

TEST(CSVTextTest, FieldLineParsesKindDefaultAndFlags) {
  TmtCSVFieldLine F =
      mtCSVParseFieldLine("Preis=Float,0,\"Preis, netto\",\"\",10,REQ,RO,Calculated,\"0\"");
  EXPECT_EQ(F.Name, "Preis");
  EXPECT_EQ(F.DataType, ftFloat);
  EXPECT_EQ(F.DisplayLabel, "Preis, netto");
  EXPECT_EQ(F.DisplayWidth, 10);
  EXPECT_TRUE(F.Required);
  EXPECT_TRUE(F.ReadOnly);
  EXPECT_FALSE(F.Invisible);
  EXPECT_EQ(F.Kind, fkCalculated);
  EXPECT_EQ(F.DefaultExpression, "0");
  TmtCSVFieldLine Old = mtCSVParseFieldLine("Alt=String,5,\"Alt\",\"\",5");
  EXPECT_EQ(Old.Kind, fkData);
}

}  // namespace

// Lines of every length around the search window and the read buffer, each
// ended by LF, CR, CRLF or NUL (and runs of them), come back whole and in
// order: what a plain split at runs of line ends gives. Other control
// characters (tab, vertical tab, form feed, 0x01) and bytes of multi-byte
// characters anywhere in a line belong to the line.
TEST(CSVLineReaderTest, LinesEndAtAnyRunOfLineEndsWhateverTheirLength) {
  const std::vector<std::string> Ends = {"\n", "\r", "\r\n", std::string(1, '\0'), "\n\r\n\r"};
  std::string Text;
  std::vector<std::string> Expected;
  for (int I = 0; I < 400; ++I) {
    std::size_t Length = (I * 131) % 700 + (I % 37 == 0 ? 9000 : 1);  // some span a buffer
    std::string Line(Length, 'a' + I % 26);
    Line[Length / 2] = ';';
    const char Others[] = {'\t', '\v', '\f', '\x01', '\xC3', '\xA4', '\x0E'};
    for (std::size_t P = I % 7; P < Length; P += 5 + I % 11) Line[P] = Others[(P + I) % 7];
    Expected.push_back(Line);
    Text += Line;
    Text += Ends[I % 5];
  }
  Text += "letzte";  // a last line without an end
  Expected.push_back("letzte");
  TStringStream Stream(Text);
  TmtCSVLineReader Reader(&Stream);
  std::vector<std::string> Got;
  for (bool More = true; More;) {
    More = Reader.ReadLine();
    if (!Reader.Line().empty()) Got.push_back(Reader.Line());
  }
  ASSERT_EQ(Got.size(), Expected.size());
  for (std::size_t I = 0; I < Got.size(); ++I) EXPECT_EQ(Got[I], Expected[I]) << "line " << I;
}
