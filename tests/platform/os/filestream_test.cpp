#include "platform/os/filestream.h"

#include <gtest/gtest.h>

#include <memory>

#include "temp_dir.h"
#include "platform/rtl/strings.h"

namespace {

class FileStreamTest : public ::testing::Test {
 protected:
  TempDir dir;
  void TearDown() override { os::FaultInjection::Reset(); }

  std::unique_ptr<TFileStream> Open(const std::string& name, Word mode) {
    return std::make_unique<TFileStream>(dir / name, mode);
  }
  // The message of the exception E that opening raises.
  template <class E>
  std::string OpenFailure(const std::string& name, Word mode) {
    try {
      Open(name, mode);
    } catch (const E& e) {
      return e.Message();
    }
    return "(no exception)";
  }
};

TEST_F(FileStreamTest, CreatedFileTakesWhatIsWrittenAndReadsItBack) {
  {
    auto s = Open("a.bin", fmCreate);
    s->WriteString("Hallo Welt");
    EXPECT_EQ(s->Position(), 10);
  }
  auto s = Open("A.BIN", fmOpenRead | fmShareDenyWrite);
  EXPECT_EQ(s->Size(), 10);
  s->Seek(6, soBeginning);
  EXPECT_EQ(s->ReadString(), "Welt");
  EXPECT_EQ(s->Read(nullptr, 0), 0);
}

TEST_F(FileStreamTest, CreateReplacesAnExistingFile) {
  dir.Put("a.txt", "old and long");
  { auto s = Open("a.txt", fmCreate); s->WriteString("new"); }
  EXPECT_EQ(dir.Read("a.txt"), "new");
}

TEST_F(FileStreamTest, SeekFromEndAndSetSize) {
  dir.Put("a.txt", "0123456789");
  auto s = Open("a.txt", fmOpenReadWrite | fmShareExclusive);
  EXPECT_EQ(s->Seek(-3, soEnd), 7);
  s->SetSize(5);
  EXPECT_EQ(s->Position(), 5);
  EXPECT_EQ(s->Size(), 5);
  EXPECT_THROW(s->Seek(-1, soBeginning), EStreamError);
}

TEST_F(FileStreamTest, MissingFileRaisesOpenErrorWithTheSystemText) {
  EXPECT_EQ(OpenFailure<EFOpenError>("none.txt", fmOpenRead),
            "Datei " + (dir / "none.txt") +
                " kann nicht geöffnet werden. Das System kann die angegebene Datei nicht finden");
}

TEST_F(FileStreamTest, FileHeldExclusivelyRaisesTheSharingText) {
  dir.Put("t.oat");
  auto holder = Open("t.oat", fmOpenReadWrite | fmShareExclusive);
  std::string msg = OpenFailure<EFOpenError>("t.oat", fmOpenRead | fmShareDenyNone);
  EXPECT_NE(msg.find("Der Prozess kann nicht auf die Datei zugreifen, da sie von einem "
                     "anderen Prozess verwendet wird"), std::string::npos) << msg;
}

TEST_F(FileStreamTest, ShareCompatIsExclusive) {
  dir.Put("t.oat");
  auto holder = Open("t.oat", fmOpenRead);
  EXPECT_THROW(Open("t.oat", fmOpenRead | fmShareDenyNone), EFOpenError);
}

TEST_F(FileStreamTest, DenyNoneReadsAFileAnotherHandleWrites) {
  dir.Put("t.oat", "abc");
  auto writer = Open("t.oat", fmOpenReadWrite | fmShareDenyNone);
  auto reader = Open("t.oat", fmOpenRead | fmShareDenyNone);
  EXPECT_EQ(reader->ReadString(), "abc");
}

TEST_F(FileStreamTest, CreateInAMissingFolderRaisesCreateError) {
  std::string msg = OpenFailure<EFCreateError>("nodir/a.txt", fmCreate);
  EXPECT_EQ(msg, "Datei " + (dir / "nodir/a.txt") +
                     " kann nicht erstellt werden. Das System kann den angegebenen Pfad nicht finden");
}

TEST_F(FileStreamTest, FullDiskMakesWriteBufferRaise) {
  auto s = Open("a.bin", fmCreate);
  os::FaultInjection::SetDiskFull(true);
  EXPECT_THROW(s->WriteString("x"), EWriteError);
  EXPECT_EQ(GetLastError(), ERROR_DISK_FULL);
}

TEST_F(FileStreamTest, StringListGoesToAFileAndBack) {
  TStringList out;
  out.Add("erste Zeile");
  out.Add("zweite Zeile");
  out.SaveToFile(dir / "list.txt");
  TStringList in;
  in.LoadFromFile(dir / "LIST.TXT");
  ASSERT_EQ(in.Count(), 2);
  EXPECT_EQ(in[1], "zweite Zeile");
  EXPECT_THROW(in.LoadFromFile(dir / "none.txt"), EFOpenError);
}

TEST_F(FileStreamTest, MemoryStreamGoesToAFileAndBack) {
  TMemoryStream out;
  out.WriteString("bytes");
  out.SaveToFile(dir / "m.bin");
  TMemoryStream in;
  in.LoadFromFile(dir / "m.bin");
  EXPECT_EQ(in.Size(), 5);
  EXPECT_EQ(in.Position(), 0);
  EXPECT_EQ(in.ReadString(), "bytes");
}

}  // namespace
