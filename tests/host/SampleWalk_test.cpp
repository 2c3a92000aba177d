// The sample walkthrough on the test display: samplewalk installs and
// synchronises through the tool's window and must report the order that
// the mobile side entered, and leave a picture of every page. Skipped
// without a display or without the built programs (failing in CI).
#include <gtest/gtest.h>
#include <stdio.h>
#include <sys/wait.h>

#include <cstdlib>
#include <filesystem>

#include "../foundation/TempTree.h"
#include "display_check.h"
#include "host/ToolScreen.h"
#include "platform/gui/x11_probe.h"

namespace {

// The folder of the built programs (build/src).
std::string ProgramFolder() {
  std::error_code Error;
  auto Self = std::filesystem::read_symlink("/proc/self/exe", Error);
  return Error ? std::string() : (Self.parent_path().parent_path() / "src").string() + "/";
}

class SampleWalkTest : public ::testing::Test {
 protected:
  void SetUp() override {
    const char* Name = std::getenv("DISPLAY");
    if (!Name || !*Name) MDS_SKIP_WITHOUT_DISPLAY("no display");
    Bin = ProgramFolder();
    for (const char* P : {"samplewalk", "orvsync7", "makeoffice", "updatemobile", "tovar"})
      if (Bin.empty() || !std::filesystem::exists(Bin + P)) GTEST_SKIP() << P << " is not built";
    // The walk drives the shared pointer and focus: other X11 tests wait.
    Lock = std::make_unique<TX11DisplayLock>(Name);
    TToolScreen Screen;
    if (!Screen.Valid()) MDS_SKIP_WITHOUT_DISPLAY("display not reachable");
    if (!Screen.HasXTest()) MDS_SKIP_WITHOUT_DISPLAY("no XTest on the display");
  }
  // Runs the walk into the sample folder; its exit code and output.
  int Walk(std::string& Output, const std::string& Folder = "sample") {
    std::string Command = Bin + "samplewalk '" + T.Root + Folder + "' 2>&1";
    FILE* Pipe = popen(Command.c_str(), "r");
    char Buf[512];
    while (Pipe && fgets(Buf, sizeof Buf, Pipe)) Output += Buf;
    int Status = Pipe ? pclose(Pipe) : -1;
    return WIFEXITED(Status) ? WEXITSTATUS(Status) : -1;
  }
  std::vector<std::string> Pictures() {
    std::vector<std::string> Names;
    for (auto& E : std::filesystem::directory_iterator(T.Root + "sample/screenshots"))
      if (E.path().extension() == ".png" && std::filesystem::file_size(E.path()) > 1000)
        Names.push_back(E.path().filename().string());
    std::sort(Names.begin(), Names.end());
    return Names;
  }

  std::string Bin;
  std::unique_ptr<TX11DisplayLock> Lock;
  TempTree T;
};

TEST_F(SampleWalkTest, InstallsSynchronisesAndCountsTheMobileOrder) {
  std::string Output;
  // A folder with files the walk did not make is left alone.
  std::filesystem::create_directories(T.Root + "fremd/tool");
  ASSERT_EQ(1, Walk(Output, "fremd")) << Output;
  EXPECT_NE(Output.find("ist nicht leer und nicht von samplewalk angelegt"), std::string::npos) << Output;
  EXPECT_TRUE(std::filesystem::exists(T.Root + "fremd/tool"));
  Output.clear();
  ASSERT_EQ(0, Walk(Output)) << Output;
  EXPECT_NE(Output.find("Aufträge hinzugefügt: 1\n"), std::string::npos) << Output;
  EXPECT_NE(Output.find("Adressen hinzugefügt: 0\n"), std::string::npos) << Output;
  EXPECT_NE(Output.find("Bilder der Seiten: " + T.Root + "sample/screenshots/"), std::string::npos) << Output;
  // The first row (ID 1, which the window shows as "3") was set up in the
  // dialogs: the installation sits in the folder picked in the tree, and
  // the stored list holds the typed description. The walk names the row as
  // the window shows it.
  EXPECT_TRUE(std::filesystem::exists(T.Root + "sample/mobile/KelpoM/ZAVOZORUZIZOVAR.EXE"));
  EXPECT_NE(Output.find("2. Eintrag 3 \"Laptop Vertrieb\" zeigt auf " + T.Root + "sample/mobile"), std::string::npos)
      << Output;
  EXPECT_NE(Output.find("Gespeicherte Liste: Eintrag 3 \"Laptop Vertrieb\" in " + T.Root + "sample/mobile"),
            std::string::npos)
      << Output;
  std::vector<std::string> Names = Pictures();
  for (const char* Page : {"beschreibung", "verzeichnis", "rechte", "eintrag", "installation-liste", "installation-ziel", "installation-meldung", "synchronisation-ziel",
                           "synchronisation-meldung", "synchronisation-ende"})
    EXPECT_TRUE(std::any_of(Names.begin(), Names.end(), [&](auto& N) { return N.find(Page) != std::string::npos; }))
        << Page;
}

}  // namespace
