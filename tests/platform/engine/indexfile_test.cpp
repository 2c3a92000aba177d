// Index files: tags kept in step with the records, unique, conditional,
// descending and custom tags, persistence, two handles, damaged files.
#include "platform/engine/indexfile.h"

#include <gtest/gtest.h>
#include <stdlib.h>

#include <algorithm>
#include <cstdio>
#include <filesystem>
#include <random>

#include "platform/engine/expr_date.h"
#include "temp_dir.h"

namespace oak {
namespace {

// An in-memory address table: the record source of the index.
class AddressTable : public ExprFieldCatalog {
 public:
  struct Row {
    String Name;
    double Num = 0;
    std::int32_t Born = 0;
    bool Active = true;
    bool Deleted = false;
  };
  // The row RecNo as the current record.
  class Cursor : public ExprRecordContext {
   public:
    Cursor(const AddressTable& T, std::uint32_t RecNo, const Row& R) : FT(T), FRec(RecNo), FRow(R) {}
    bool FindField(std::string_view Name, ExprFieldInfo& Info) const override {
      return FT.FindField(Name, Info);
    }
    ExprValue FieldValue(int Index) const override {
      switch (Index) {
        case 0: {
          String S = FRow.Name;
          S.resize(std::max<std::size_t>(S.size(), 20), ' ');
          return ExprValue::FromString(S);
        }
        case 1: return ExprValue::FromNumber(FRow.Num);
        case 2: return ExprValue::FromDate(FRow.Born);
        default: return ExprValue::FromLogical(FRow.Active);
      }
    }
    std::uint32_t RecordNumber() const override { return FRec; }
    bool IsDeleted() const override { return FRow.Deleted; }

   private:
    const AddressTable& FT;
    std::uint32_t FRec;
    Row FRow;
  };

  bool FindField(std::string_view Name, ExprFieldInfo& Info) const override {
    static const char* Names[] = {"NAME", "NUM", "BORN", "ACTIVE"};
    static const ExprType Types[] = {ExprType::String, ExprType::Number, ExprType::Date, ExprType::Logical};
    for (int i = 0; i < 4; ++i) {
      String U(Name);
      for (char& c : U) c = static_cast<char>(std::toupper(static_cast<unsigned char>(c)));
      if (U == Names[i]) {
        Info.Index = i;
        Info.Type = Types[i];
        Info.Length = i == 0 ? 20 : 0;
        return true;
      }
    }
    return false;
  }
  Cursor At(std::uint32_t RecNo) const { return Cursor(*this, RecNo, Rows.at(RecNo - 1)); }
  RecordScan Scan() const {
    return [this](const RecordVisitor& Visit) {
      for (std::uint32_t R = 1; R <= Rows.size(); ++R) Visit(At(R));
    };
  }
  std::vector<Row> Rows;
};

class IndexFileTest : public ::testing::Test {
 protected:
  void SetUp() override {
    Dir = MakeTempFolder("oai");
    Path = Dir + "/adressen.OAI";
    Options.PageSize = 512;
    Index = IndexFile::Create(Path, Table, Options);
  }
  void TearDown() override {
    Index.reset();
    std::filesystem::remove_all(Dir);
  }

  // Appends a record and indexes it, as the table does on append.
  std::uint32_t Append(const String& Name, double Num = 0, bool Active = true) {
    AddressTable::Row R;
    R.Name = Name;
    R.Num = Num;
    R.Active = Active;
    R.Born = JulianFromYMD(1950, 1, 1) + static_cast<int>(Num);
    Table.Rows.push_back(R);
    std::uint32_t RecNo = static_cast<std::uint32_t>(Table.Rows.size());
    Index->AddRecord(Table.At(RecNo));
    return RecNo;
  }
  void Edit(std::uint32_t RecNo, const String& Name, double Num, bool Active = true) {
    AddressTable::Cursor Old = Table.At(RecNo);
    AddressTable::Row& R = Table.Rows[RecNo - 1];
    R.Name = Name;
    R.Num = Num;
    R.Active = Active;
    Index->UpdateRecord(Old, Table.At(RecNo));
  }
  IndexTag& Tag(const TagDefinition& Def) { return Index->CreateTag(Def, Table.Scan()); }
  IndexTag& Tag(const String& Name, const String& Expr, const String& Cond = "", std::uint32_t Bits = 0) {
    TagDefinition D;
    D.Name = Name;
    D.KeyExpr = Expr;
    D.Condition = Cond;
    D.SetOptions(Bits);
    return Tag(D);
  }
  // The record numbers of a tag in key order.
  std::vector<std::uint32_t> Order(IndexTag& T) {
    std::vector<std::uint32_t> Out;
    BTreeCursor C(T.Tree());
    for (bool Ok = C.First(); Ok; Ok = C.Next()) Out.push_back(C.RecNo());
    return Out;
  }
  // What a full sort of the records gives for the tag.
  std::vector<std::uint32_t> SortedScan(IndexTag& T) {
    std::vector<std::pair<std::string, std::uint32_t>> All;
    std::string Key;
    Table.Scan()([&](const ExprRecordContext& Rec) {
      if (T.KeyOf(Rec, Key)) All.emplace_back(Key, Rec.RecordNumber());
    });
    std::sort(All.begin(), All.end());
    std::vector<std::uint32_t> Out;
    for (auto& E : All) Out.push_back(E.second);
    return Out;
  }
  // Soft seek by text: the record at the first key >= the text, 0 at EOF.
  std::uint32_t Seek(IndexTag& T, const String& Text) {
    BTreeCursor C(T.Tree());
    return C.SeekGE(SeekKeyFromText(Text, T.Spec())) ? C.RecNo() : 0;
  }
  bool HardSeek(IndexTag& T, const String& Text) {
    std::string K = SeekKeyFromText(Text, T.Spec());
    BTreeCursor C(T.Tree());
    return C.SeekGE(K) && C.Key().substr(0, K.size()) == K;
  }
  std::unique_ptr<IndexFile> Reopen() {
    Index->Flush();
    return IndexFile::Open(Path, Table, Options);
  }
  std::uint32_t ErrorOf(const std::function<void()>& F) {
    try {
      F();
    } catch (const EEngineError& E) {
      return E.Code;
    }
    return 0;
  }

  std::string Dir, Path;
  AddressTable Table;
  IndexFileOptions Options;
  std::unique_ptr<IndexFile> Index;
};

TEST_F(IndexFileTest, NewTagIndexesTheExistingRecords) {
  for (const char* N : {"Schmidt", "müller", "Meier", "Albers"}) Append(N);
  IndexTag& T = Tag("NAME", "UPPER(NAME)");
  EXPECT_EQ(T.KeyCount(), 4u);
  EXPECT_EQ(Order(T), (std::vector<std::uint32_t>{4, 3, 2, 1}));
  EXPECT_EQ(Seek(T, "MÜ"), 2u);
  EXPECT_TRUE(HardSeek(T, "MEIER"));
  EXPECT_FALSE(HardSeek(T, "MEYER"));
  EXPECT_EQ(Seek(T, "MEYER"), 2u);  // soft seek: the next greater key
  EXPECT_EQ(Seek(T, "ZZZ"), 0u);
}

TEST_F(IndexFileTest, TagStaysEqualToASortedScanUnderRandomEdits) {
  IndexTag& ByName = Tag("NAME", "UPPER(NAME)+STR(NUM,6)");
  IndexTag& ByNum = Tag("NUM", "NUM", "ACTIVE");
  std::mt19937 Rng(99);
  std::uniform_int_distribution<int> Op(0, 9), Letter('A', 'Z'), Num(0, 5000);
  for (int i = 0; i < 20000; ++i) {
    String Name(3, 'A');
    for (char& c : Name) c = static_cast<char>(Letter(Rng));
    if (Op(Rng) < 4 || Table.Rows.empty()) {
      Append(Name, Num(Rng), Op(Rng) < 7);
    } else {
      std::uniform_int_distribution<std::uint32_t> Pick(1, static_cast<std::uint32_t>(Table.Rows.size()));
      Edit(Pick(Rng), Name, Num(Rng), Op(Rng) < 7);
    }
  }
  EXPECT_EQ(Order(ByName), SortedScan(ByName));
  EXPECT_EQ(Order(ByNum), SortedScan(ByNum));
  EXPECT_NO_THROW(Index->Verify());
  Index->Reindex(Table.Scan());
  EXPECT_EQ(Order(ByName), SortedScan(ByName));
  EXPECT_EQ(Order(ByNum), SortedScan(ByNum));
  auto Again = Reopen();
  EXPECT_EQ(Order(*Again->FindTag("num")), SortedScan(ByNum));
}

TEST_F(IndexFileTest, RemovedRecordsLeaveEveryTag) {
  std::uint32_t A = Append("Anna", 1), B = Append("Bert", 2);
  IndexTag& T = Tag("NAME", "NAME");
  Index->RemoveRecord(Table.At(A));
  EXPECT_EQ(Order(T), std::vector<std::uint32_t>{B});
}

TEST_F(IndexFileTest, UniqueTagKeepsOnlyTheFirstRecordOfAKey) {
  Append("Meier", 1);
  IndexTag& T = Tag("UNAME", "NAME", "", kIndexUnique);
  Append("Meier", 2);
  Append("Albers", 3);
  EXPECT_EQ(Order(T), (std::vector<std::uint32_t>{3, 1}));
  Table.Rows.insert(Table.Rows.begin(), Table.Rows[1]);  // reindex decides anew
  Index->Reindex(Table.Scan());
  EXPECT_EQ(Order(T), (std::vector<std::uint32_t>{4, 1}));
}

TEST_F(IndexFileTest, ConditionLeavesOutRecordsUntilTheyQualify) {
  std::uint32_t A = Append("Anna", 5, true);
  std::uint32_t B = Append("Bert", 50, false);
  IndexTag& T = Tag("ACT", "NAME", "ACTIVE .AND. NUM > 1");
  EXPECT_EQ(Order(T), std::vector<std::uint32_t>{A});
  Edit(B, "Bert", 50, true);
  EXPECT_EQ(Order(T), (std::vector<std::uint32_t>{A, B}));
  Edit(A, "Anna", 0, true);
  EXPECT_EQ(Order(T), std::vector<std::uint32_t>{B});
  EXPECT_EQ(ErrorOf([&] { Tag("BAD", "NAME", "NUM + 1"); }), kExprNotLogical);
}

TEST_F(IndexFileTest, DescendingTagRunsBackwards) {
  for (int N : {5, 1, 9, 3}) Append("x", N);
  IndexTag& T = Tag("NUMD", "NUM", "", kIndexDescending);
  EXPECT_EQ(Order(T), (std::vector<std::uint32_t>{3, 1, 4, 2}));
  EXPECT_EQ(Seek(T, "4"), 4u);  // first key <= 4 in descending order: 3
  EXPECT_TRUE(HardSeek(T, "9"));
  IndexTag& Names = Tag("NAMED", "NAME", "", kIndexDescending);
  Append("zander", 0);
  EXPECT_EQ(Order(Names).front(), 5u);
}

TEST_F(IndexFileTest, NumericTagFindsTextKeys) {
  for (int N : {10, 2, 7}) Append("n", N);
  IndexTag& T = Tag("NUM", "NUM");
  EXPECT_TRUE(HardSeek(T, "2"));
  EXPECT_EQ(Seek(T, "2"), 2u);
  EXPECT_FALSE(HardSeek(T, "3"));
  EXPECT_EQ(Seek(T, "3"), 3u);
  IndexTag& D = Tag("BORN", "BORN");
  EXPECT_EQ(Seek(D, "19500108"), 3u);
  EXPECT_EQ(Seek(D, "01/09/1950"), 1u);
}

TEST_F(IndexFileTest, CustomTagHoldsOnlyExplicitKeys) {
  std::uint32_t A = Append("Anna", 1);
  IndexTag& T = Tag("PICK", "NAME", "", kIndexCustom);
  std::uint32_t B = Append("Bert", 2);
  EXPECT_EQ(T.KeyCount(), 0u);
  std::string Key;
  ASSERT_TRUE(T.KeyOf(Table.At(B), Key));
  EXPECT_TRUE(T.AddKey(Key, B));
  Edit(B, "Aaron", 2);  // an explicit key follows its record
  Edit(A, "Zora", 1);   // a record without key stays out
  EXPECT_EQ(Order(T), std::vector<std::uint32_t>{B});
  EXPECT_TRUE(HardSeek(T, "Aaron"));
  Index->Reindex(Table.Scan());
  EXPECT_EQ(T.KeyCount(), 0u);
  EXPECT_EQ(ErrorOf([&] { T.AddKey("short", B); }), kExprKeyLength);
}

TEST_F(IndexFileTest, TagsAndDefinitionsSurviveAReopen) {
  Append("Anna", 3);
  Tag("NAME", "UPPER(NAME)", "ACTIVE", kIndexUnique | kIndexDescending);
  Tag("NUM", "NUM");
  Index->DeleteTag("num");
  Tag("BORN", "DTOS(BORN)", "", kIndexCustom);
  auto Again = Reopen();
  ASSERT_EQ(Again->TagCount(), 2u);
  const TagDefinition& D = Again->Tag(0).Definition();
  EXPECT_EQ(D.Name, "NAME");
  EXPECT_EQ(D.KeyExpr, "UPPER(NAME)");
  EXPECT_EQ(D.Condition, "ACTIVE");
  EXPECT_EQ(D.Options(), kIndexUnique | kIndexDescending);
  EXPECT_EQ(Again->Tag(0).KeyCount(), 1u);
  EXPECT_TRUE(Again->Tag(1).Definition().Custom);
  EXPECT_EQ(Again->Tag(1).Spec().Length, 8);
  EXPECT_EQ(Again->FindTag("NUM"), nullptr);
}

TEST_F(IndexFileTest, BadTagDefinitionsAreRefused) {
  Tag("NAME", "NAME");
  EXPECT_EQ(ErrorOf([&] { Tag("name", "NUM"); }), kIndexTagExists);
  EXPECT_EQ(ErrorOf([&] { Tag("", "NUM"); }), kIndexBadTag);
  EXPECT_EQ(ErrorOf([&] { Tag(String(129, 'T'), "NUM"); }), kIndexBadTag);
  EXPECT_EQ(ErrorOf([&] { Tag("X", "NOSUCH"); }), kExprUnknownField);
  EXPECT_EQ(ErrorOf([&] { Tag("X", "NAME+NAME+NAME+NAME+NAME+NAME+NAME"); }), kExprKeyLength);
  EXPECT_EQ(ErrorOf([&] { Index->DeleteTag("NOSUCH"); }), kIndexTagNotFound);
  EXPECT_EQ(Index->TagCount(), 1u);
}

TEST_F(IndexFileTest, SecondHandleSeesFlushedChangesAfterRefresh) {
  Tag("NAME", "NAME");
  Index->Flush();
  auto Other = IndexFile::Open(Path, Table, Options);
  IndexTag* Seen = Other->FindTag("NAME");
  Append("Anna");
  Append("Bert");
  EXPECT_EQ(Seen->KeyCount(), 0u);
  Index->Flush();
  EXPECT_TRUE(Other->Refresh());
  EXPECT_EQ(Other->FindTag("NAME"), Seen);  // same tag object
  EXPECT_EQ(Order(*Seen), (std::vector<std::uint32_t>{1, 2}));
  EXPECT_FALSE(Other->Refresh());
}

TEST_F(IndexFileTest, DiscardForgetsUncommittedKeys) {
  IndexTag& T = Tag("NAME", "NAME");
  Append("Anna");
  Index->Flush();
  Append("Bert");
  Append("Carl");
  Index->Discard();
  EXPECT_EQ(Order(T), std::vector<std::uint32_t>{1});
}

class DamagedIndexTest : public IndexFileTest {
 protected:
  void Build() {
    for (int i = 0; i < 300; ++i) Append("name" + std::to_string(i * 7919 % 300), i);
    Tag("NAME", "NAME");
    Tag("NUM", "NUM");
    Index->Flush();
    Index.reset();
  }
  void Poke(std::uint64_t Offset, const std::string& Bytes) {
    FILE* F = std::fopen(Path.c_str(), "r+b");
    std::fseek(F, static_cast<long>(Offset), SEEK_SET);
    std::fwrite(Bytes.data(), 1, Bytes.size(), F);
    std::fclose(F);
  }
  int PageType(std::uint64_t Page) {
    FILE* F = std::fopen(Path.c_str(), "rb");
    std::fseek(F, static_cast<long>(Page * 512), SEEK_SET);
    int C = std::fgetc(F);
    std::fclose(F);
    return C;
  }
  std::uint32_t OpenError() {
    return ErrorOf([&] { Index = IndexFile::Open(Path, Table, Options); });
  }
};

TEST_F(DamagedIndexTest, ForeignFileIsNotAnIndex) {
  Build();
  Poke(0, "GARBAGE!");
  EXPECT_EQ(OpenError(), kIndexBadMagic);
  std::filesystem::resize_file(Path, 0);
  EXPECT_EQ(OpenError(), kIndexBadMagic);
}

TEST_F(DamagedIndexTest, TruncatedFileIsCorrupt) {
  Build();
  std::filesystem::resize_file(Path, std::filesystem::file_size(Path) - 700);
  EXPECT_EQ(OpenError(), kIndexCorrupt);
}

TEST_F(DamagedIndexTest, DamagedTreeIsFoundAndReindexRepairsIt) {
  Build();
  std::uint64_t Pages = std::filesystem::file_size(Path) / 512;
  for (std::uint64_t P = 1; P < Pages; ++P)
    if (PageType(P) == 1 || PageType(P) == 2) Poke(P * 512 + 4, "\xEE\xEE\xEE\x0E");  // links into nowhere
  ASSERT_EQ(OpenError(), 0u) << "the directory must still open";
  IndexTag& T = *Index->FindTag("NAME");
  EXPECT_EQ(ErrorOf([&] { Order(T); }), kIndexCorrupt);
  EXPECT_EQ(ErrorOf([&] { Index->Verify(); }), kIndexCorrupt);
  Index->Reindex(Table.Scan());
  EXPECT_NO_THROW(Index->Verify());
  EXPECT_EQ(Order(T), SortedScan(T));
  EXPECT_EQ(Order(*Index->FindTag("NUM")), SortedScan(*Index->FindTag("NUM")));
}

// The header page carries a checked copy of the directory: while it holds,
// damage to the directory pages does not matter; without it the pages are
// read and their damage reported.
TEST_F(DamagedIndexTest, DamagedDirectoryIsCorruptOnceItsHeaderCopyIsDamagedToo) {
  Build();
  auto Probe = IndexFile::Open(Path, Table, Options);
  std::uint32_t Dir = Probe->GetPager().DirectoryHead();
  ASSERT_FALSE(Probe->GetPager().DirectoryCopy().empty());
  Probe.reset();
  Poke(static_cast<std::uint64_t>(Dir) * 512 + 16, "\xFF\xFF\x00\x00");  // 65535 tags
  EXPECT_EQ(OpenError(), 0u);
  ASSERT_TRUE(Index->FindTag("NAME") && Index->FindTag("NUM"));
  EXPECT_EQ(Order(*Index->FindTag("NAME")), SortedScan(*Index->FindTag("NAME")));
  Index.reset();
  Poke(64, "\x03");  // the copy's tag count: its checksum fails, the copy is ignored
  EXPECT_EQ(OpenError(), kIndexCorrupt);
  Poke(static_cast<std::uint64_t>(Dir) * 512 + 16, "\x02\x00\x00\x00");
  Poke(static_cast<std::uint64_t>(Dir) * 512 + 2, "\xFF\x7F");  // used bytes beyond the page
  EXPECT_EQ(OpenError(), kIndexCorrupt);
}

}  // namespace
}  // namespace oak
