#include "platform/rtl/strings.h"

#include <gtest/gtest.h>

#include <vector>

namespace {

std::vector<String> Lines(const TStrings& L) {
  std::vector<String> R;
  for (Integer i = 0; i < L.Count(); ++i) R.push_back(L[i]);
  return R;
}

using V = std::vector<String>;

class TDying : public TObject {
 public:
  explicit TDying(int& Deaths) : FDeaths(Deaths) {}
  ~TDying() override { ++FDeaths; }

 private:
  int& FDeaths;
};

class StringListTest : public ::testing::Test {
 protected:
  void AddAll(const V& Items) {
    for (const String& S : Items) List.Add(S);
  }
  void MakeSorted(TDuplicates Dup) {
    List.SetDuplicates(Dup);
    List.SetSorted(true);
  }
  TStringList List;
};

// ---- plain lists -----------------------------------------------------------

TEST_F(StringListTest, AddInsertDeleteKeepTheOrder) {
  AddAll({"b", "d"});
  List.Insert(0, "a");
  List.Insert(2, "c");
  EXPECT_EQ(Lines(List), (V{"a", "b", "c", "d"}));
  List.Delete(1);
  EXPECT_EQ(Lines(List), (V{"a", "c", "d"}));
}

TEST_F(StringListTest, IndexOutOfRangeRaisesStringListError) {
  AddAll({"a"});
  try {
    List.Get(1);
    FAIL() << "no exception";
  } catch (const EStringListError& E) {
    EXPECT_EQ(E.Message(), "Der Index der Liste überschreitet das Maximum (1)");
  }
  EXPECT_THROW(List.Delete(-1), EStringListError);
  EXPECT_THROW(List.Insert(3, "x"), EStringListError);
}

TEST_F(StringListTest, IndexOfIgnoresCaseIncludingUmlauts) {
  AddAll({"Apfel", "ÄRGER", "birne"});
  EXPECT_EQ(List.IndexOf("BIRNE"), 2);
  EXPECT_EQ(List.IndexOf("ärger"), 1);
  EXPECT_EQ(List.IndexOf("kirsche"), -1);
  List.SetCaseSensitive(true);
  EXPECT_EQ(List.IndexOf("BIRNE"), -1);
}

TEST_F(StringListTest, ObjectsTravelWithTheirLines) {
  TObject A, B;
  List.AddObject("a", &A);
  List.AddObject("b", &B);
  List.Exchange(0, 1);
  EXPECT_EQ(List.Objects(0), &B);
  List.Move(0, 1);
  EXPECT_EQ(Lines(List), (V{"a", "b"}));
  EXPECT_EQ(List.Objects(0), &A);
  EXPECT_EQ(List.IndexOfObject(&B), 1);
  EXPECT_EQ(List.IndexOfObject(nullptr), -1);
}

TEST_F(StringListTest, OwnedObjectsAreFreedWithTheirLines) {
  int Deaths = 0;
  {
    TStringList Owning(true);
    Owning.AddObject("a", new TDying(Deaths));
    Owning.AddObject("b", new TDying(Deaths));
    Owning.AddObject("c", new TDying(Deaths));
    Owning.Delete(0);
    EXPECT_EQ(Deaths, 1);
    Owning.Move(0, 1);  // moving must not free
    EXPECT_EQ(Deaths, 1);
    Owning.Clear();
    EXPECT_EQ(Deaths, 3);
    Owning.AddObject("d", new TDying(Deaths));
  }
  EXPECT_EQ(Deaths, 4);
}

// ---- sorted lists ----------------------------------------------------------

TEST_F(StringListTest, SortingPutsUmlautsNextToTheirBaseLetters) {
  AddAll({"Zebra", "Öl", "Apfel", "Orange", "Birne"});
  List.Sort();
  EXPECT_EQ(Lines(List), (V{"Apfel", "Birne", "Öl", "Orange", "Zebra"}));
}

TEST_F(StringListTest, SortedListInsertsInOrder) {
  MakeSorted(dupIgnore);
  AddAll({"m", "c", "x", "a"});
  EXPECT_EQ(Lines(List), (V{"a", "c", "m", "x"}));
  EXPECT_EQ(List.Add("d"), 2);
}

TEST_F(StringListTest, SortedListIgnoresDuplicatesWithDupIgnore) {
  MakeSorted(dupIgnore);
  AddAll({"b", "a"});
  EXPECT_EQ(List.Add("B"), 1);
  EXPECT_EQ(List.Count(), 2);
}

TEST_F(StringListTest, SortedListRefusesDuplicatesWithDupError) {
  MakeSorted(dupError);
  AddAll({"b", "a"});
  try {
    List.Add("A");
    FAIL() << "no exception";
  } catch (const EStringListError& E) {
    EXPECT_EQ(E.Message(), "Sortierte Liste kann keine Duplikate enthalten");
  }
  EXPECT_EQ(List.Count(), 2);
}

TEST_F(StringListTest, SortedListKeepsDuplicatesWithDupAccept) {
  MakeSorted(dupAccept);
  AddAll({"b", "a", "b", "c", "b"});
  EXPECT_EQ(Lines(List), (V{"a", "b", "b", "b", "c"}));
  Integer Index = -1;
  EXPECT_TRUE(List.Find("b", Index));
  EXPECT_EQ(Index, 1);  // the first of the equal lines
}

TEST_F(StringListTest, FindGivesTheInsertPositionOfMissingLines) {
  MakeSorted(dupIgnore);
  AddAll({"b", "d", "f"});
  Integer Index = -1;
  EXPECT_FALSE(List.Find("e", Index));
  EXPECT_EQ(Index, 2);
  EXPECT_FALSE(List.Find("z", Index));
  EXPECT_EQ(Index, 3);
  EXPECT_TRUE(List.Find("D", Index));
  EXPECT_EQ(Index, 1);
}

TEST_F(StringListTest, InsertPutAndMoveAreRefusedWhenSorted) {
  MakeSorted(dupIgnore);
  AddAll({"a", "b"});
  EXPECT_THROW(List.Insert(0, "c"), EStringListError);
  EXPECT_THROW(List.Put(0, "c"), EStringListError);
  EXPECT_THROW(List.Move(0, 1), EStringListError);
  EXPECT_EQ(Lines(List), (V{"a", "b"}));
}

TEST_F(StringListTest, SwitchingCaseSensitivityResorts) {
  AddAll({"b", "B", "a", "A"});
  MakeSorted(dupAccept);
  List.SetCaseSensitive(true);
  EXPECT_EQ(Lines(List), (V{"a", "A", "b", "B"}));
  EXPECT_EQ(List.IndexOf("B"), 3);
}

TEST_F(StringListTest, CustomSortUsesTheGivenOrder) {
  AddAll({"ccc", "a", "bb"});
  List.CustomSort([](TStringList* L, Integer I1, Integer I2) {
    return static_cast<int>(L->Get(I1).size()) - static_cast<int>(L->Get(I2).size());
  });
  EXPECT_EQ(Lines(List), (V{"a", "bb", "ccc"}));
}

// ---- name=value ------------------------------------------------------------

TEST_F(StringListTest, NamesAndValues) {
  AddAll({"Pfad=C:/Daten", "leer=", "ohne Trenner", "Formel=a=b"});
  EXPECT_EQ(List.Names(0), "Pfad");
  EXPECT_EQ(List.Names(2), "");
  EXPECT_EQ(List.Values("PFAD"), "C:/Daten");
  EXPECT_EQ(List.Values("Formel"), "a=b");
  EXPECT_EQ(List.Values("leer"), "");
  EXPECT_EQ(List.Values("fehlt"), "");
  EXPECT_EQ(List.ValueFromIndex(3), "a=b");
  EXPECT_EQ(List.ValueFromIndex(2), "");
  EXPECT_EQ(List.IndexOfName("formel"), 3);
  EXPECT_EQ(List.IndexOfName("ohne Trenner"), -1);
}

TEST_F(StringListTest, SetValuesAddsReplacesAndDeletes) {
  List.SetValues("a", "1");
  List.SetValues("b", "2");
  List.SetValues("A", "3");
  EXPECT_EQ(Lines(List), (V{"A=3", "b=2"}));
  List.SetValues("b", "");
  EXPECT_EQ(Lines(List), (V{"A=3"}));
  List.SetValueFromIndex(0, "4");
  EXPECT_EQ(Lines(List), (V{"A=4"}));
}

TEST_F(StringListTest, NameValueSeparatorCanBeChanged) {
  List.SetNameValueSeparator(':');
  AddAll({"x:1", "y=2"});
  EXPECT_EQ(List.Values("x"), "1");
  EXPECT_EQ(List.Values("y=2"), "");
}

// ---- comma and delimited text ----------------------------------------------

TEST_F(StringListTest, CommaTextQuotesWhatNeedsIt) {
  AddAll({"plain", "with blank", "with,comma", "say \"hi\"", ""});
  EXPECT_EQ(List.CommaText(), "plain,\"with blank\",\"with,comma\",\"say \"\"hi\"\"\",");
}

TEST_F(StringListTest, CommaTextOfOneEmptyLineIsTwoQuotes) {
  List.Add("");
  EXPECT_EQ(List.CommaText(), "\"\"");
  List.Clear();
  EXPECT_EQ(List.CommaText(), "");
}

TEST_F(StringListTest, SettingCommaTextSplitsAtCommasAndBlanks) {
  List.SetCommaText(" a, b c ,\"d e\",,\"f\"\"g\"");
  EXPECT_EQ(Lines(List), (V{"a", "b", "c", "d e", "", "f\"g"}));
}

TEST_F(StringListTest, TrailingCommaAddsAnEmptyLine) {
  List.SetCommaText("a,");
  EXPECT_EQ(Lines(List), (V{"a", ""}));
  List.SetCommaText("\"\"");
  EXPECT_EQ(Lines(List), (V{""}));
}

TEST_F(StringListTest, UnclosedQuoteTakesTheRest) {
  List.SetCommaText("x,\"open, still open");
  EXPECT_EQ(Lines(List), (V{"x", "open, still open"}));
}

TEST_F(StringListTest, CommaTextRoundTrips) {
  V Original{"a b", "", "\"q\"", "x,y", "Größe", "  lead"};
  for (const String& S : Original) List.Add(S);
  TStringList Copy;
  Copy.SetCommaText(List.CommaText());
  EXPECT_EQ(Lines(Copy), Original);
}

TEST_F(StringListTest, StrictDelimiterKeepsBlanks) {
  List.SetDelimiter(';');
  List.SetStrictDelimiter(true);
  List.SetDelimitedText(" a b ;c");
  EXPECT_EQ(Lines(List), (V{" a b ", "c"}));
  EXPECT_EQ(List.DelimitedText(), " a b ;c");
  EXPECT_EQ(List.CommaText(), "\" a b \",c");  // CommaText ignores the settings
  EXPECT_EQ(List.Delimiter(), ';');
}

TEST_F(StringListTest, OtherQuoteCharacter) {
  List.SetQuoteChar('\'');
  List.SetDelimitedText("'a,b',c");
  EXPECT_EQ(Lines(List), (V{"a,b", "c"}));
  EXPECT_EQ(List.DelimitedText(), "'a,b',c");
}

// ---- text ------------------------------------------------------------------

TEST_F(StringListTest, TextJoinsLinesWithCrLf) {
  AddAll({"eins", "zwei"});
  EXPECT_EQ(List.Text(), "eins\r\nzwei\r\n");
}

TEST_F(StringListTest, SetTextAcceptsMixedLineBreaks) {
  List.SetText("a\r\nb\nc\rd\n\re");
  EXPECT_EQ(Lines(List), (V{"a", "b", "c", "d", "", "e"}));
}

TEST_F(StringListTest, FinalLineBreakAddsNoEmptyLine) {
  List.SetText("a\r\n");
  EXPECT_EQ(Lines(List), (V{"a"}));
  List.SetText("\r\n");
  EXPECT_EQ(Lines(List), (V{""}));
  List.SetText("");
  EXPECT_EQ(List.Count(), 0);
  List.SetText("a\n\n");
  EXPECT_EQ(Lines(List), (V{"a", ""}));
}

// ---- streams ---------------------------------------------------------------

TEST_F(StringListTest, LoadsUtf8AndSkipsTheByteOrderMark) {
  TStringStream S("\xEF\xBB\xBFMüller\r\nStraße");
  List.LoadFromStream(&S);
  EXPECT_EQ(Lines(List), (V{"Müller", "Straße"}));
}

TEST_F(StringListTest, LoadsWindows1252WhenTheBytesAreNoUtf8) {
  TStringStream S(
      "M\xFCller\r\nStra\xDF"
      "e \x80 5");
  List.LoadFromStream(&S);
  EXPECT_EQ(Lines(List), (V{"Müller", "Straße € 5"}));
}

TEST_F(StringListTest, LoadsFromTheCurrentPosition) {
  TStringStream S("skip|a\nb");
  S.SetPosition(5);
  List.LoadFromStream(&S);
  EXPECT_EQ(Lines(List), (V{"a", "b"}));
}

TEST_F(StringListTest, SavesUtf8WithoutByteOrderMark) {
  AddAll({"Öl", "x"});
  TStringStream S;
  List.SaveToStream(&S);
  EXPECT_EQ(S.DataString(), "Öl\r\nx\r\n");
}

// ---- events and update bracket ---------------------------------------------

TEST_F(StringListTest, EveryChangeFiresChangingThenChange) {
  std::vector<String> Log;
  List.OnChanging = [&](TObject* Sender) {
    EXPECT_EQ(Sender, &List);
    Log.push_back("changing");
  };
  List.OnChange = [&](TObject*) { Log.push_back("change"); };
  List.Add("a");
  List.Delete(0);
  EXPECT_EQ(Log, (V{"changing", "change", "changing", "change"}));
}

TEST_F(StringListTest, UpdateBracketFiresOnce) {
  int Changes = 0, Changings = 0;
  List.OnChange = [&](TObject*) { ++Changes; };
  List.OnChanging = [&](TObject*) { ++Changings; };
  List.BeginUpdate();
  List.BeginUpdate();
  AddAll({"a", "b", "c"});
  List.EndUpdate();
  EXPECT_EQ(Changes, 0);
  List.EndUpdate();
  EXPECT_EQ(Changes, 1);
  EXPECT_EQ(Changings, 1);
  List.SetText("x\ny");
  EXPECT_EQ(Changes, 2);
}

// ---- copying ---------------------------------------------------------------

TEST_F(StringListTest, AssignCopiesLinesObjectsAndSeparators) {
  TObject Obj;
  TStringList Source;
  Source.AddObject("k=v", &Obj);
  Source.SetNameValueSeparator('=');
  Source.SetDelimiter(';');
  AddAll({"old"});
  List.Assign(&Source);
  EXPECT_EQ(Lines(List), (V{"k=v"}));
  EXPECT_EQ(List.Objects(0), &Obj);
  EXPECT_EQ(List.Delimiter(), ';');
  EXPECT_TRUE(List.Equals(&Source));
}

TEST_F(StringListTest, AssignFromAForeignClassRaises) {
  TPersistent Other;
  EXPECT_THROW(List.Assign(&Other), EConvertError);
}

TEST_F(StringListTest, AddStringsAppendsAndEqualsComparesExactly) {
  TStringList More;
  More.Add("B");
  AddAll({"a"});
  List.AddStrings(&More);
  EXPECT_EQ(Lines(List), (V{"a", "B"}));
  TStringList Same;
  Same.SetText("a\nb");
  EXPECT_FALSE(List.Equals(&Same));
  Same.Put(1, "B");
  EXPECT_TRUE(List.Equals(&Same));
}

}  // namespace
