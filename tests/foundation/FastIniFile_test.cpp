#include "foundation/FastIniFile.h"

#include <gtest/gtest.h>
#include <stdlib.h>
#include <unistd.h>

#include <array>
#include <filesystem>
#include <fstream>
#include <memory>
#include <sstream>
#include "temp_dir.h"

#include "platform/gui/forms_application.h"
#include "platform/os/files.h"

namespace {

class FastIniFileTest : public ::testing::Test {
 protected:
  void SetUp() override {
    Dir = MakeTempFolder("ini_test_");
    Path = Dir + "/ZUVID.INI";
  }
  void TearDown() override { std::filesystem::remove_all(Dir); }

  void WriteFile(const std::string& Text) { std::ofstream(Path, std::ios::binary) << Text; }
  std::string ReadFile() {
    std::ifstream In(Path, std::ios::binary);
    std::stringstream S;
    S << In.rdbuf();
    return S.str();
  }
  std::unique_ptr<TFastIniFile> Open() { return std::make_unique<TFastIniFile>(Path); }

  std::string Dir, Path;
};

}  // namespace

TEST_F(FastIniFileTest, ReadsAValueWithBlanksAndAnInlineComment) {
  WriteFile("[S]\r\n  Key  =  some value ;note\r\n");
  auto Ini = Open();
  EXPECT_EQ(Ini->ReadString("S", "Key", "def"), "some value");
  EXPECT_EQ(Ini->ReadString("S", "Missing", "def"), "def");
  EXPECT_EQ(Ini->ReadString("Nope", "Key", "def"), "def");
}

TEST_F(FastIniFileTest, WritingKeepsTheCommentInItsColumnAndTheRestOfTheLayout) {
  WriteFile("; head comment\r\n[S]\r\n  Key  =  some value ;note\r\nother line\r\n\r\n[T]\r\nA=1\r\n");
  {
    auto Ini = Open();
    Ini->WriteString("S", "Key", "x");
  }
  EXPECT_EQ(ReadFile(), "; head comment\r\n[S]\r\nKey=x          ;note\r\nother line\r\n\r\n[T]\r\nA=1\r\n");
  auto Ini = Open();
  EXPECT_EQ(Ini->ReadString("S", "Key", ""), "x");
  Ini->WriteString("S", "Key", "a much longer value");
  EXPECT_EQ(Ini->ReadString("S", "Key", ""), "a much longer value");
  EXPECT_EQ(Ini->Items().Lines(Ini->Items().FindKey("S", "Key")).Value, "a much longer value ;note");
}

TEST_F(FastIniFileTest, AHeaderWithLeadingBlanksIsNoHeader) {
  WriteFile("  [S]\r\nA=1\r\n");
  auto Ini = Open();
  EXPECT_EQ(Ini->ReadString("S", "A", "none"), "none");
  EXPECT_EQ(Ini->Items().Lines(0).Kind, ikUnparsed);
  Ini->Items().Parse(Ini->Items().Lines(0));
  EXPECT_EQ(Ini->Items().Lines(0).Kind, ikNoEquals);
  EXPECT_EQ(Ini->Items().Lines(0).Text, "  [S]");  // kept as it was read
}

TEST_F(FastIniFileTest, ARewriteKeepsEveryLineButTheWrittenKeyByteForByte) {
  const std::string Before =
      "; head\r\n[S]\r\n  [old copy]\r\n\tloose text\r\n  A  =  1 ;one\r\nKey = v\r\n"
      "   ; indented comment\r\n  B=2\r\n[T]\r\nC = 3\r\n";
  WriteFile(Before);
  {
    auto Ini = Open();
    EXPECT_EQ(Ini->ReadString("S", "B", ""), "2");  // every line of [S] parsed
    Ini->WriteString("S", "Key", "w");
  }
  std::string Expected = Before;
  Expected.replace(Expected.find("Key = v"), 7, "Key=w");
  EXPECT_EQ(ReadFile(), Expected);
  auto Again = Open();
  Again->ReadString("S", "B", "");
  Again->WriteString("T", "C", "4");
  Again->UpdateFile();
  TStringList Sections;
  Again->ReadSections(&Sections);
  EXPECT_EQ(Sections.Count(), 2);  // "  [old copy]" never becomes a header
  EXPECT_EQ(Again->ReadString("S", "Key", ""), "w");
}

TEST_F(FastIniFileTest, NewSectionsAreSeparatedByAnEmptyLine) {
  WriteFile("[A]\r\nx=1");
  {
    auto Ini = Open();
    Ini->WriteString("B", "y", "2");
    Ini->WriteString("A", "z", "3");
  }
  EXPECT_EQ(ReadFile(), "[A]\r\nx=1\r\nz=3\r\n\r\n[B]\r\ny=2\r\n");
}

TEST_F(FastIniFileTest, KeysAndSectionsIgnoreCaseIncludingUmlauts) {
  WriteFile("[Größe]\r\nÄrger=ja\r\n");
  auto Ini = Open();
  EXPECT_EQ(Ini->ReadString("GRÖSSE", "ärger", ""), "");  // ß is not SS
  EXPECT_EQ(Ini->ReadString("GRößE", "ÄRGER", ""), "ja");
  Ini->WriteString("größe", "ärger", "nein");
  EXPECT_EQ(Ini->ReadString("Größe", "Ärger", ""), "nein");
  TStringList Keys;
  Ini->ReadSection("Größe", &Keys);
  EXPECT_EQ(Keys.Count(), 1);
}

TEST_F(FastIniFileTest, WritingTheSameValueAgainDoesNotRewriteTheFile) {
  WriteFile("[S]\r\nk = v\r\n");
  {
    auto Ini = Open();
    Ini->WriteString("S", "k", "v");
    EXPECT_FALSE(Ini->Modified());
  }
  EXPECT_EQ(ReadFile(), "[S]\r\nk = v\r\n");
}

TEST_F(FastIniFileTest, AMissingFileIsAnEmptyStoreAndIsCreatedOnUpdate) {
  auto Ini = Open();
  EXPECT_EQ(Ini->ReadInteger("S", "n", 7), 7);
  Ini->WriteInteger("S", "n", 42);
  Ini->WriteBool("S", "b", true);
  Ini->UpdateFile();
  EXPECT_EQ(ReadFile(), "[S]\r\nn=42\r\nb=1\r\n");
  EXPECT_EQ(Open()->ReadInteger("S", "n", 0), 42);
}

TEST_F(FastIniFileTest, NumbersThatDoNotParseGiveTheDefault) {
  WriteFile("[S]\r\nn=abc\r\nh=0x1F\r\nb=x\r\n");
  auto Ini = Open();
  EXPECT_EQ(Ini->ReadInteger("S", "n", -1), -1);
  EXPECT_EQ(Ini->ReadInteger("S", "h", 0), 31);
  EXPECT_TRUE(Ini->ReadBool("S", "b", true));
  EXPECT_FALSE(Ini->ReadBool("S", "b", false));
}

TEST_F(FastIniFileTest, EraseSectionAndDeleteKeyKeepTheOtherSectionsFindable) {
  WriteFile("[A]\r\na=1\r\n[B]\r\nb=2\r\nc=3\r\n[C]\r\nd=4\r\n");
  auto Ini = Open();
  Ini->EraseSection("B");
  EXPECT_EQ(Ini->ReadString("C", "d", ""), "4");
  EXPECT_EQ(Ini->ReadString("B", "b", "gone"), "gone");
  Ini->DeleteKey("A", "a");
  EXPECT_EQ(Ini->ReadString("A", "a", "gone"), "gone");
  EXPECT_EQ(Ini->ReadString("C", "d", ""), "4");
  TStringList Sections;
  Ini->ReadSections(&Sections);
  EXPECT_EQ(Sections.CommaText(), "A,C");
  Ini->WriteString("", "", "");
  EXPECT_EQ(Ini->Items().Count(), 0);
}

TEST_F(FastIniFileTest, LongSectionsSwitchToHashedKeys) {
  std::string Text = "[Big]\r\n";
  for (int i = 0; i < 600; ++i) Text += "Key" + std::to_string(i) + "=" + std::to_string(i * 3) + "\r\n";
  Text += "[Small]\r\nx=1\r\n";
  WriteFile(Text);
  auto Ini = Open();
  EXPECT_EQ(Ini->ReadString("Big", "key599", ""), "1797");
  EXPECT_TRUE(Ini->Items().HashedKeys());
  for (int i = 0; i < 600; i += 7) EXPECT_EQ(Ini->ReadInteger("Big", "KEY" + std::to_string(i), -1), i * 3);
  Ini->WriteString("Big", "New", "n");  // shifts every later line
  EXPECT_EQ(Ini->ReadString("Small", "x", ""), "1");
  EXPECT_EQ(Ini->ReadString("Big", "New", ""), "n");
  EXPECT_EQ(Ini->ReadString("Big", "Key5", ""), "15");
}

TEST_F(FastIniFileTest, QuotesAreKeptUnlessStripped) {
  WriteFile("[S]\r\nq=\"a;b\" ;c\r\n");
  auto Ini = Open();
  EXPECT_EQ(Ini->ReadString("S", "q", ""), "\"a;b\"");
  Ini->StripQuotes = true;
  EXPECT_EQ(Ini->ReadString("S", "q", ""), "a;b");
}

TEST_F(FastIniFileTest, LineIndexOutsideTheStoreRaisesTheListIndexError) {
  auto Ini = Open();
  EXPECT_THROW(Ini->Items().Lines(0), EListError);
}

TEST_F(FastIniFileTest, LineBreaksAndNulInSectionKeyOrValueAreRefusedAndChangeNothing) {
  WriteFile("[S]\r\nA=1\r\n");
  {
    auto Ini = Open();
    const std::string Bad[] = {"first\r\n[T]\r\nx=injected", "a\rb", "a\nb", std::string("a\0b", 3)};
    for (const std::string& B : Bad) {
      EXPECT_THROW(Ini->WriteString("S", "A", B), EIniFileException);
      EXPECT_THROW(Ini->WriteString("S", B, "v"), EIniFileException);
      EXPECT_THROW(Ini->WriteString(B, "A", "v"), EIniFileException);
    }
    EXPECT_EQ(Ini->ReadString("S", "A", ""), "1");
  }
  EXPECT_EQ(ReadFile(), "[S]\r\nA=1\r\n");
  auto Ini = Open();
  EXPECT_FALSE(Ini->SectionExists("T"));
}

TEST_F(FastIniFileTest, AFailedWriteIsReportedNamingTheFileAndLeavesTheOldFileWhole) {
  WriteFile("[S]\r\nA=1\r\n");
  auto Ini = Open();
  Ini->WriteString("S", "A", "2");
  os::FaultInjection::FailNextWrites(1);
  try {
    Ini->UpdateFile();
    ADD_FAILURE() << "no exception";
  } catch (const EIniFileException& E) {
    EXPECT_NE(E.Message().find(Path), std::string::npos) << E.Message();
  }
  EXPECT_EQ(ReadFile(), "[S]\r\nA=1\r\n");
  EXPECT_FALSE(std::filesystem::exists(Path + ".new"));
  // The write on destruction has no caller to raise to: the application's
  // exception display gets it.
  String Reported;
  TExceptionEvent Saved = Application->OnException;
  Application->OnException = [&](TObject*, Exception& E) { Reported = E.Message(); };
  os::FaultInjection::FailNextWrites(1);
  Ini.reset();
  Application->OnException = Saved;
  os::FaultInjection::Reset();
  EXPECT_NE(Reported.find(Path), std::string::npos) << Reported;
  EXPECT_EQ(ReadFile(), "[S]\r\nA=1\r\n");
}

// A write either reads back as written after a save and a load, or is
// refused with EIniFileException naming the file and the store and the
// file stay as they were.
TEST_F(FastIniFileTest, AWriteThatWouldReadBackDifferentlyIsRefusedNamingTheFile) {
  const std::string Before = "[S]\r\nA=1\r\nold = x  ;note\r\nB=2\r\n";
  WriteFile(Before);
  struct TBadWrite {
    std::string Section, Key, Value, Why;
  };
  const TBadWrite Bad[] = {
      {"S", "[", ".]", "Abschnittskopf"},        // "[=.]" would be a header
      {"S", ";k", "v", "Kommentar"},             // ";k=v" would be a comment
      {"S", "a=b", "v", "als Schlüssel \"a\""},  // the key ends at the first '='
      {"S", " k", "v", "als Schlüssel \"k\""},   // blanks at a key's ends go
      {"S", "k\t", "v", "als Schlüssel \"k\""},
      {"S", "k", " v", "würde als \"v\""},       // and at a value's
      {"S", "k", "v ", "würde als \"v\""},
      {"S", "k", "a;b", "würde als \"a\""},      // a ';' starts a comment
      {"S", "old", "q\"", "würde als \"q\" ;note\""},  // the kept comment would sit inside quotes
      {"S", "k", "\xE4", "kein gültiger UTF-8-Text"},  // the file would load as ANSI
      {"\xFC", "k", "v", "kein gültiger UTF-8-Text"},
      {"S", "k", "a\r\nb", "Zeilenumbruch"},
  };
  {
    auto Ini = Open();
    for (const TBadWrite& W : Bad) {
      try {
        Ini->WriteString(W.Section, W.Key, W.Value);
        ADD_FAILURE() << "accepted key " << W.Key << " value " << W.Value;
      } catch (const EIniFileException& E) {
        EXPECT_NE(E.Message().find("INI-Datei " + Path + ": "), std::string::npos) << E.Message();
        EXPECT_NE(E.Message().find(W.Why), std::string::npos) << E.Message();
      }
    }
    EXPECT_FALSE(Ini->Modified());
    EXPECT_EQ(Ini->ReadString("S", "B", ""), "2");
    Ini->StripQuotes = true;
    EXPECT_THROW(Ini->WriteString("S", "k", "'v'"), EIniFileException);
  }
  EXPECT_EQ(ReadFile(), Before);
  // A store without a file says so.
  TFastIniFile Memory("");
  try {
    Memory.WriteString("S", "[", ".]");
    ADD_FAILURE() << "accepted";
  } catch (const EIniFileException& E) {
    EXPECT_EQ(E.Message().rfind("INI-Datei (im Speicher): ", 0), 0u) << E.Message();
  }
}

// Unusual texts that read back as written are taken, and read back so
// after a save and a load; a comment kept beside a written value stays in
// its column, and the store holds the line as the load reads it.
TEST_F(FastIniFileTest, UnusualTextsThatReadBackAreWrittenAndReadBackTheSame) {
  WriteFile("[S]\r\nold = x      ;note\r\n");
  const std::vector<std::array<std::string, 3>> Writes = {
      {"S", "[k", "v"},          // no "]" at the line's end
      {"S", "k]", "[v"},
      {"S", "", "ohne Schlüssel"},
      {"S", "k", ""},
      {"S", "a b", "c = d"},     // inner blanks and '=' in the value
      {"S", "q", "\"a;b\""},     // a ';' inside quotes
      {"[S]", "k", "v"},         // the section "[S]" in brackets: "[[S]]"
      {" T ", "ä", "Größe €"},
      {"S", "old", ""},
      {"", "k", "v"},
  };
  {
    auto Ini = Open();
    for (const auto& W : Writes) {
      Ini->WriteString(W[0], W[1], W[2]);
      EXPECT_EQ(Ini->ReadString(W[0], W[1], "<none>"), W[2]) << W[1];
    }
    TStringList Lines;
    Ini->ReadSectionValues("S", &Lines);
    EXPECT_EQ(Lines[0], "old=;note");
  }
  EXPECT_NE(ReadFile().find("old=       ;note\r\n"), std::string::npos) << ReadFile();
  auto Again = Open();
  for (const auto& W : Writes) EXPECT_EQ(Again->ReadString(W[0], W[1], "<none>"), W[2]) << W[1];
  TStringList Sections;
  Again->ReadSections(&Sections);
  EXPECT_EQ(Sections.Count(), 4);
  TStringList Lines;
  Again->ReadSectionValues("S", &Lines);
  EXPECT_EQ(Lines[0], "old=;note");
}

// The new text goes to a file made afresh beside the INI file: a leftover
// "<file>.new" that is a link leads nowhere, the file it points to stays.
TEST_F(FastIniFileTest, TheWriteNeverGoesThroughALeftoverLinkBesideTheFile) {
  WriteFile("[S]\r\nA=1\r\n");
  const std::string Outside = Dir + "/outside.txt";
  std::ofstream(Outside, std::ios::binary) << "fremd";
  std::filesystem::create_symlink(Outside, Path + ".new");
  {
    auto Ini = Open();
    Ini->WriteString("S", "A", "2");
    Ini->UpdateFile();
  }
  EXPECT_EQ(ReadFile(), "[S]\r\nA=2\r\n");
  std::ifstream In(Outside, std::ios::binary);
  EXPECT_EQ(std::string(std::istreambuf_iterator<char>(In), std::istreambuf_iterator<char>()), "fremd");
  EXPECT_FALSE(std::filesystem::is_symlink(Path));
  EXPECT_FALSE(std::filesystem::exists(std::filesystem::symlink_status(Path + ".new")));
}
