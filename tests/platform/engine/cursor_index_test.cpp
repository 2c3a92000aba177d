// Index orders through the entry points: tags follow every write, seeks
// (soft, hard, text and raw keys), scopes, filters and AOFs.
#include <algorithm>
#include <map>
#include <random>

#include "engine_fixture.h"

namespace {

class IndexTest : public EngineTest {
 protected:
  // A table of people: NAME (character), AGE (integer), city.
  OAKHANDLE People() {
    OAKHANDLE T = Create("people", "NAME,Character,12;AGE,Integer;CITY,Character,10");
    Add(T, {{"NAME", "Miller"}, {"AGE", "40"}, {"CITY", "Bonn"}});
    Add(T, {{"NAME", "Adams"}, {"AGE", "2"}, {"CITY", "Köln"}});
    Add(T, {{"NAME", "Mills"}, {"AGE", "33"}, {"CITY", "Bonn"}});
    Add(T, {{"NAME", "Zorn"}, {"AGE", "71"}, {"CITY", "Aachen"}});
    Add(T, {{"NAME", "Baker"}, {"AGE", "12"}, {"CITY", "Köln"}});
    return T;
  }
  OAKHANDLE Tag(OAKHANDLE T, const char* Name, const char* Expr, UNSIGNED32 Options = OAK_COMPOUND,
                const char* Cond = "") {
    OAKHANDLE I = OAK_INVALID_HANDLE;
    EXPECT_EQ(0u, OakCreateIndex61(T, "", Name, Expr, Cond, "", Options, 0, &I)) << LastErrorText();
    return I;
  }
  bool Seek(OAKHANDLE I, const std::string& Key, UNSIGNED16 Type = OAK_HARDSEEK) {
    UNSIGNED16 Found = 0;
    EXPECT_EQ(0u, OakSeek(I, Key.data(), static_cast<UNSIGNED16>(Key.size()), OAK_STRINGKEY,
                          Type, &Found));
    return Found != 0;
  }
  void Scope(OAKHANDLE I, const std::string& Top, const std::string& Bottom) {
    ASSERT_EQ(0u, OakSetScope(I, OAK_TOP, Top.data(), static_cast<UNSIGNED16>(Top.size()), OAK_STRINGKEY));
    ASSERT_EQ(0u, OakSetScope(I, OAK_BOTTOM, Bottom.data(), static_cast<UNSIGNED16>(Bottom.size()),
                              OAK_STRINGKEY));
  }
  std::vector<std::string> Filtered(OAKHANDLE T, const std::string& Filter) {
    EXPECT_EQ(0u, OakSetFilter(T, Filter.c_str())) << Filter << ": " << LastErrorText();
    auto Names = Walk(T, "NAME");
    OakClearFilter(T);
    return Names;
  }
};

TEST_F(IndexTest, IndexOrderSortsAndNaturalOrderStays) {
  OAKHANDLE T = People();
  OAKHANDLE ByName = Tag(T, "BYNAME", "NAME");
  EXPECT_EQ((std::vector<std::string>{"Adams", "Baker", "Miller", "Mills", "Zorn"}), Walk(ByName, "NAME"));
  EXPECT_EQ((std::vector<std::string>{"Miller", "Adams", "Mills", "Zorn", "Baker"}), Walk(T, "NAME"));
  OAKHANDLE ByAge = Tag(T, "BYAGE", "AGE", OAK_COMPOUND | OAK_DESCENDING);
  EXPECT_EQ((std::vector<std::string>{"Zorn", "Miller", "Mills", "Baker", "Adams"}), Walk(ByAge, "NAME"));
}

TEST_F(IndexTest, TagSurvivesReopenAndIsFoundByName) {
  OAKHANDLE T = People();
  Tag(T, "BYNAME", "UPPER(NAME)");
  ASSERT_EQ(0u, OakCloseTable(T));
  T = OpenOk("people");
  OAKHANDLE I = OAK_INVALID_HANDLE;
  ASSERT_EQ(0u, OakGetIndexHandle(T, "byname", &I));
  EXPECT_EQ("Adams", Walk(I, "NAME").front());
  UNSIGNED16 N = 0;
  ASSERT_EQ(0u, OakGetNumIndexes(T, &N));
  EXPECT_EQ(1, N);
  EXPECT_EQ(5044u, OakGetIndexHandle(T, "NOPE", &I));
  OAKHANDLE Natural = 0;
  ASSERT_EQ(0u, OakGetIndexHandle(T, "", &Natural));
  EXPECT_EQ(T, Natural);
}

// Two handles open a table without tags; each makes one: the second
// adds its tag to the index file the first made meanwhile, never makes it
// anew over the first one's tag.
TEST_F(IndexTest, TagsMadeThroughTwoHandlesOpenedBeforeTheIndexFileBothStay) {
  ASSERT_EQ(0u, OakCloseTable(People()));
  OAKHANDLE A = OpenOk("people"), B = OAK_INVALID_HANDLE;
  ASSERT_EQ(0u, Open("people", &B, false, Connect()));
  Tag(A, "BYNAME", "NAME");
  Tag(B, "BYAGE", "AGE");
  ASSERT_EQ(0u, OakCloseTable(A));
  ASSERT_EQ(0u, OakCloseTable(B));
  OAKHANDLE T = OpenOk("people"), I = OAK_INVALID_HANDLE;
  UNSIGNED16 N = 0;
  ASSERT_EQ(0u, OakGetNumIndexes(T, &N));
  EXPECT_EQ(2, N);
  ASSERT_EQ(0u, OakGetIndexHandle(T, "BYNAME", &I));
  EXPECT_EQ("Adams", Walk(I, "NAME").front());
  ASSERT_EQ(0u, OakGetIndexHandle(T, "BYAGE", &I));
  EXPECT_EQ("Adams", Walk(I, "NAME").front());
  EXPECT_EQ("Zorn", Walk(I, "NAME").back());
}

TEST_F(IndexTest, HardSeekFindsOnlyExactKeysSoftSeekStopsOnTheNext) {
  OAKHANDLE T = People();
  OAKHANDLE I = Tag(T, "BYNAME", "NAME");
  EXPECT_TRUE(Seek(I, "Mills"));
  EXPECT_EQ("Mills", Get(T, "NAME"));
  EXPECT_TRUE(Seek(I, "Mil"));  // a partial key
  EXPECT_EQ("Miller", Get(T, "NAME"));
  EXPECT_FALSE(Seek(I, "Carter"));
  EXPECT_TRUE(Eof(T));
  EXPECT_FALSE(Seek(I, "Carter", OAK_SOFTSEEK));
  EXPECT_EQ("Miller", Get(T, "NAME"));
  EXPECT_FALSE(Seek(I, "Zzz", OAK_SOFTSEEK));
  EXPECT_TRUE(Eof(T));
}

TEST_F(IndexTest, TextKeyFindsIntegerKey) {
  OAKHANDLE T = People();
  OAKHANDLE I = Tag(T, "BYAGE", "AGE");
  EXPECT_TRUE(Seek(I, "2"));
  EXPECT_EQ("Adams", Get(T, "NAME"));
  EXPECT_TRUE(Seek(I, "33"));
  EXPECT_EQ("Mills", Get(T, "NAME"));
}

TEST_F(IndexTest, RawKeyBuiltFromFieldsSeeks) {
  OAKHANDLE T = People();
  OAKHANDLE I = Tag(T, "BYAGE", "AGE");
  ASSERT_EQ(0u, OakInitRawKey(I));
  ASSERT_EQ(0u, OakSetField(I, Fld(T, "AGE"), "71", 2));
  char Key[64];
  UNSIGNED16 Len = sizeof Key;
  ASSERT_EQ(0u, OakBuildRawKey(I, Key, &Len));
  UNSIGNED16 KeyLen = 0;
  ASSERT_EQ(0u, OakGetKeyLength(I, &KeyLen));
  EXPECT_EQ(KeyLen, Len);
  UNSIGNED16 Found = 0;
  ASSERT_EQ(0u, OakSeek(I, Key, Len, OAK_RAWKEY, OAK_HARDSEEK, &Found));
  EXPECT_EQ(1, Found);
  EXPECT_EQ("Zorn", Get(T, "NAME"));
}

TEST_F(IndexTest, ScopesBoundTheOrder) {
  OAKHANDLE T = People();
  OAKHANDLE I = Tag(T, "BYNAME", "NAME");
  Scope(I, "B", "Mil");
  EXPECT_EQ((std::vector<std::string>{"Baker", "Miller", "Mills"}), Walk(I, "NAME"));
  EXPECT_EQ(3u, Count(I, OAK_RESPECTSCOPES));
  ASSERT_EQ(0u, OakGotoBottom(I));
  EXPECT_EQ("Mills", Get(T, "NAME"));
  char Buf[64];
  UNSIGNED16 Len = sizeof Buf;
  ASSERT_EQ(0u, OakGetScope(I, OAK_TOP, Buf, &Len));
  ASSERT_EQ(0u, OakClearScope(I, OAK_TOP));
  EXPECT_EQ(5038u, OakClearScope(I, OAK_TOP));
  EXPECT_EQ(5038u, OakGetScope(I, OAK_TOP, Buf, &Len));
  ASSERT_EQ(0u, OakClearAllScopes(T));
  EXPECT_EQ(5u, Walk(I, "NAME").size());
}

TEST_F(IndexTest, FiltersWithEachOperator) {
  OAKHANDLE T = People();
  using V = std::vector<std::string>;
  EXPECT_EQ((V{"Miller", "Mills"}), Filtered(T, "NAME = 'Mil'"));
  EXPECT_EQ((V{}), Filtered(T, "NAME == 'Mil'"));
  EXPECT_EQ((V{"Adams"}), Filtered(T, "AGE < 12"));
  EXPECT_EQ((V{"Adams", "Baker"}), Filtered(T, "AGE <= 12"));
  EXPECT_EQ((V{"Zorn"}), Filtered(T, "AGE > 40"));
  EXPECT_EQ((V{"Miller", "Zorn"}), Filtered(T, "AGE >= 40"));
  EXPECT_EQ((V{"Adams", "Zorn", "Baker"}), Filtered(T, "CITY <> 'Bonn'"));
  EXPECT_EQ((V{"Adams", "Zorn", "Baker"}), Filtered(T, "CITY # 'Bonn'"));
  EXPECT_EQ((V{"Adams", "Zorn", "Baker"}), Filtered(T, "CITY != 'Bonn'"));
  EXPECT_EQ((V{"Miller", "Mills"}), Filtered(T, "'ill' $ NAME"));
  EXPECT_EQ((V{"Mills"}), Filtered(T, "CITY = 'Bonn' .AND. AGE < 40"));
  EXPECT_EQ((V{"Adams", "Zorn"}), Filtered(T, "AGE < 3 .OR. AGE > 70"));
  EXPECT_EQ((V{"Adams", "Zorn", "Baker"}), Filtered(T, ".NOT. CITY = 'Bonn'"));
  EXPECT_EQ((V{"Adams", "Baker"}), Filtered(T, "UPPER(CITY) = 'KÖLN'"));
}

TEST_F(IndexTest, AofAndFilterTogetherAndTheirQueries) {
  OAKHANDLE T = People();
  char Buf[64];
  UNSIGNED16 Len = sizeof Buf;
  EXPECT_EQ(5037u, OakGetAOF(T, Buf, &Len));
  ASSERT_EQ(0u, OakSetAOF(T, "CITY = 'Bonn'", OAK_AOF_DYNAMIC));
  ASSERT_EQ(0u, OakSetFilter(T, "AGE > 35"));
  EXPECT_EQ((std::vector<std::string>{"Miller"}), Walk(T, "NAME"));
  Len = 0;
  EXPECT_EQ(5005u, OakGetAOF(T, nullptr, &Len));
  ASSERT_EQ(0u, OakClearAOF(T));
  EXPECT_EQ(5037u, OakClearAOF(T));
  EXPECT_EQ((std::vector<std::string>{"Miller", "Zorn"}), Walk(T, "NAME"));
}

TEST_F(IndexTest, BadExpressionsGiveCodesNotCrashes) {
  OAKHANDLE T = People();
  EXPECT_NE(0u, OakSetFilter(T, "NAME = "));
  EXPECT_NE(0u, OakSetFilter(T, "NOSUCH > 3"));
  EXPECT_NE(0u, OakSetFilter(T, "UPPER(NAME"));
  OAKHANDLE I = OAK_INVALID_HANDLE;
  EXPECT_NE(0u, OakCreateIndex61(T, "", "BAD", "NAME +", "", "", OAK_COMPOUND, 0, &I));
  EXPECT_FALSE(LastErrorText().empty());
  EXPECT_EQ(5u, Walk(T, "NAME").size());
}

TEST_F(IndexTest, ConditionalAndUniqueTags) {
  OAKHANDLE T = People();
  OAKHANDLE Bonn = Tag(T, "BONN", "NAME", OAK_COMPOUND, "CITY = 'Bonn'");
  EXPECT_EQ((std::vector<std::string>{"Miller", "Mills"}), Walk(Bonn, "NAME"));
  OAKHANDLE Cities = Tag(T, "CITIES", "CITY", OAK_COMPOUND | OAK_UNIQUE);
  EXPECT_EQ((std::vector<std::string>{"Aachen", "Bonn", "Köln"}), Walk(Cities, "CITY"));
  UNSIGNED16 Unique = 0;
  ASSERT_EQ(0u, OakIsIndexUnique(Cities, &Unique));
  EXPECT_EQ(1, Unique);
  ASSERT_EQ(0u, OakDeleteIndex(Cities));
  UNSIGNED16 N = 0;
  ASSERT_EQ(0u, OakGetNumIndexes(T, &N));
  EXPECT_EQ(1, N);
}

TEST_F(IndexTest, SegmentsNameTheKeyFields) {
  OAKHANDLE T = People();
  OAKHANDLE I = Tag(T, "CITYNAME", "CITY+NAME");
  UNSIGNED16 N = 0;
  ASSERT_EQ(0u, OakGetNumSegments(I, &N));
  ASSERT_EQ(2, N);
  char Buf[129];
  UNSIGNED16 Len = sizeof Buf;
  ASSERT_EQ(0u, OakGetSegmentFieldname(I, 2, Buf, &Len));
  EXPECT_EQ("NAME", std::string(Buf, Len));
}

// The tag equals a sorted scan of the table after many random changes.
TEST_F(IndexTest, TagStaysEqualToASortedScanAfterRandomChangesAndReindex) {
  OAKHANDLE T = Create("rnd", "K,Integer;S,Character,8");
  OAKHANDLE I = Tag(T, "BYK", "K");
  std::mt19937 Rng(7);
  std::map<UNSIGNED32, int> Live;  // record -> key
  for (int Step = 0; Step < 20000; ++Step) {
    int Op = Rng() % 4;
    if (Op <= 1 || Live.empty()) {
      int K = Rng() % 500;
      Add(T, {{"K", std::to_string(K)}});
      Live[RecNo(T)] = K;
    } else {
      auto It = std::next(Live.begin(), Rng() % Live.size());
      ASSERT_EQ(0u, OakGotoRecord(T, It->first));
      if (Op == 2) {
        It->second = Rng() % 500;
        Set(T, "K", std::to_string(It->second));
        ASSERT_EQ(0u, OakWriteRecord(T));
      } else {
        ASSERT_EQ(0u, OakDeleteRecord(T));
        Live.erase(It);
      }
    }
  }
  std::vector<std::pair<int, UNSIGNED32>> Expected;
  for (auto& [R, K] : Live) Expected.push_back({K, R});
  std::sort(Expected.begin(), Expected.end());
  ASSERT_GT(Expected.size(), 500u);
  ASSERT_EQ(0u, OakShowDeleted(0));
  OakCloseTable(T);
  T = OpenOk("rnd", true);
  ASSERT_EQ(0u, OakGetIndexHandle(T, "BYK", &I));
  auto Check = [&] {
    std::vector<std::pair<int, UNSIGNED32>> Got;
    ASSERT_EQ(0u, OakGotoTop(I));
    while (!Eof(I)) {
      Got.push_back({std::stoi(Get(T, "K")), RecNo(T)});
      ASSERT_EQ(0u, OakSkip(I, 1));
    }
    EXPECT_EQ(Expected, Got);
  };
  Check();
  ASSERT_EQ(0u, OakReindex61(T, 0));
  Check();
  OakShowDeleted(1);
}

}  // namespace

namespace {

TEST_F(IndexTest, ExtraIndexFileOpensAgainWithOakOpenIndex) {
  OAKHANDLE T = People();
  OAKHANDLE I = OAK_INVALID_HANDLE;
  ASSERT_EQ(0u, OakCreateIndex61(T, "extra.OAI", "BYCITY", "CITY+NAME", "", "", OAK_COMPOUND, 0, &I));
  EXPECT_EQ("Zorn", Walk(I, "NAME").front());
  ASSERT_EQ(0u, OakCloseTable(T));
  T = OpenOk("people");
  UNSIGNED16 N = 0;
  ASSERT_EQ(0u, OakGetNumIndexes(T, &N));
  EXPECT_EQ(0, N);
  OAKHANDLE Handles[50];
  UNSIGNED16 Count = 50;
  ASSERT_EQ(0u, OakOpenIndex(T, "extra.oai", Handles, &Count));
  ASSERT_EQ(1, Count);
  Add(T, {{"NAME", "Abel"}, {"CITY", "Aachen"}});
  auto Names = Walk(Handles[0], "NAME");
  ASSERT_EQ(6u, Names.size());
  EXPECT_EQ("Abel", Names[0]);
  EXPECT_EQ("Zorn", Names[1]);
  char Name[260];
  UNSIGNED16 Len = sizeof Name;
  ASSERT_EQ(0u, OakGetIndexFilename(Handles[0], 0, Name, &Len));
  EXPECT_NE(std::string::npos, std::string(Name, Len).find("extra"));
  ASSERT_EQ(0u, OakCloseIndex(Handles[0]));
  ASSERT_EQ(0u, OakGetNumIndexes(T, &N));
  EXPECT_EQ(0, N);
}

TEST_F(IndexTest, RelativePositionAndKeyNumberFollowTheOrder) {
  OAKHANDLE T = People();
  OAKHANDLE I = Tag(T, "BYNAME", "NAME");
  ASSERT_TRUE(Seek(I, "Miller"));
  UNSIGNED32 Key = 0;
  ASSERT_EQ(0u, OakGetKeyNum(I, OAK_IGNOREFILTERS, &Key));
  EXPECT_EQ(3u, Key);
  ASSERT_EQ(0u, OakSetRelKeyPos(I, 1.0));
  EXPECT_EQ("Zorn", Get(T, "NAME"));
  ASSERT_EQ(0u, OakSetRelKeyPos(I, 0.0));
  EXPECT_EQ("Adams", Get(T, "NAME"));
  double Pos = -1;
  ASSERT_EQ(0u, OakGetRelKeyPos(I, &Pos));
  EXPECT_DOUBLE_EQ(0.0, Pos);
}

TEST_F(IndexTest, DeletedRecordsLeaveTheIndexOrderWhenHidden) {
  OAKHANDLE T = People();
  OAKHANDLE I = Tag(T, "BYNAME", "NAME");
  ASSERT_TRUE(Seek(I, "Baker"));
  ASSERT_EQ(0u, OakDeleteRecord(T));
  ASSERT_EQ(0u, OakShowDeleted(0));
  EXPECT_EQ((std::vector<std::string>{"Adams", "Miller", "Mills", "Zorn"}), Walk(I, "NAME"));
  EXPECT_FALSE(Seek(I, "Baker"));
  ASSERT_EQ(0u, OakShowDeleted(1));
  EXPECT_TRUE(Seek(I, "Baker"));
}

}  // namespace
