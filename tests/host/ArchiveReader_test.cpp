#include "host/ArchiveReader.h"

#include <gtest/gtest.h>
#include <sys/wait.h>

#include <cstdlib>
#include <filesystem>

#include "../foundation/TempTree.h"
#include "platform/os/filestream.h"
#include "sync/backup.h"

namespace {

class UpdatePackageTest : public ::testing::Test {
 protected:
  // Builds Package = template bytes + archive of Files (title Folders) +
  // the template's size, as the tool does.
  std::string BuildPackage(const std::vector<std::string>& Files, const std::string& Folders,
                           const std::string& Template = "#!template#") {
    std::string Path = T.Root + "ZAVOZORUZIZOVAR.EXE";
    TFileStream Out(Path, fmCreate);
    Out.WriteString(Template);
    TBackupFile Backup(nullptr);
    Backup.BackupTitle = Folders;
    TStringList List;
    for (auto& F : Files) List.Add(F);
    EXPECT_TRUE(Backup.Backup(&List, &Out));
    Out.WriteInteger(Integer(Template.size()));
    return Path;
  }
  void CutBytes(const std::string& Path, int Count) {
    std::filesystem::resize_file(Path, std::filesystem::file_size(Path) - Count);
  }
  TempTree T;
};

}  // namespace

TEST_F(UpdatePackageTest, FilesLandInTheFoldersOfTheirTitleLines) {
  std::string A = T.Write("src/Auftraege.OAT", std::string(40000, 'x'));
  std::string B = T.Write("src/plug.dll", "plugin");
  std::string Pkg = BuildPackage({A, B}, "KVS\\DATA\\REMOTE\\\r\nPLUGINS\\\r\n");
  EXPECT_EQ(ExtractUpdatePackage(Pkg, T.Root + "mobile/"), 2);
  EXPECT_EQ(T.Read("mobile/KVS/DATA/REMOTE/Auftraege.OAT"), std::string(40000, 'x'));
  EXPECT_EQ(T.Read("mobile/PLUGINS/plug.dll"), "plugin");
}

TEST_F(UpdatePackageTest, ATruncatedArchiveWritesNothing) {
  std::string A = T.Write("src/a.oat", std::string(30000, 'y'));
  std::string Pkg = BuildPackage({A}, "DATA\\\r\n");
  // Drop the size and the final 0, then append a size that points at the
  // archive again: the archive now lacks its end.
  std::string Bytes = T.Read("ZAVOZORUZIZOVAR.EXE");
  Bytes.resize(Bytes.size() - 8);
  Integer Offset = 11;
  Bytes.append(reinterpret_cast<const char*>(&Offset), 4);
  T.Write("ZAVOZORUZIZOVAR.EXE", Bytes);
  EXPECT_THROW(ExtractUpdatePackage(Pkg, T.Root + "mobile/"), EArchiveError);
  EXPECT_FALSE(T.Exists("mobile/DATA/a.oat"));
  EXPECT_FALSE(T.Exists("mobile/DATA/a.oat.part"));
}

TEST_F(UpdatePackageTest, FoldersLeadingOutsideTheDestinationAreRefused) {
  std::string A = T.Write("src/a.oat", "a");
  EXPECT_THROW(ExtractUpdatePackage(BuildPackage({A}, "..\\..\\etc\\\r\n"), T.Root + "mobile/"), EArchiveError);
  EXPECT_THROW(ExtractUpdatePackage(BuildPackage({A}, "/etc/\r\n"), T.Root + "mobile/"), EArchiveError);
  EXPECT_FALSE(T.Exists("etc"));
}

TEST_F(UpdatePackageTest, APackageWithoutArchiveIsRefused) {
  T.Write("plain.exe", "no archive here");
  EXPECT_THROW(ExtractUpdatePackage(T.Root + "plain.exe", T.Root + "m/"), EArchiveError);
}

TEST_F(UpdatePackageTest, TheTemplateProgramUnpacksItself) {
  std::ifstream In(UPDATEMOBILE_PATH, std::ios::binary);
  std::string Template((std::istreambuf_iterator<char>(In)), std::istreambuf_iterator<char>());
  std::string A = T.Write("src/setup.OAT", "settings");
  std::string Pkg = BuildPackage({A}, "KVS\\DATA\\REMOTE\\\r\n", Template);
  std::filesystem::permissions(Pkg, std::filesystem::perms::owner_all);
  std::string Cmd = "'" + Pkg + "' > /dev/null";
  EXPECT_EQ(WEXITSTATUS(std::system(Cmd.c_str())), 0);
  EXPECT_EQ(T.Read("KVS/DATA/REMOTE/setup.OAT"), "settings");
}
