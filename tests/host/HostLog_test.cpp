// The start record of TOVAR.EXE and the service programs, and the sample
// office program's command line.
#include "host/HostLog.h"

#include <cstdlib>

#include "host_fixture.h"
#include "platform/os/fileapi.h"
#include "scoped_env.h"

namespace {

class HostLogTest : public ::testing::Test {
 protected:
  // Both records' variables start unset and are restored afterwards.
  ScopedEnv Tovar{TovarLogVariable, nullptr};
  ScopedEnv Service{ServiceLogVariable, nullptr};
  // Copies the built program Name into the test's tree as Rel.
  std::string Install(const std::string& Name, const std::string& Rel) {
    std::string Dest = T.Root + Rel;
    std::filesystem::create_directories(std::filesystem::path(Dest).parent_path());
    std::filesystem::copy_file(HostProgram(Name), Dest);
    return Dest;
  }

  TempTree T;
};

}  // namespace

TEST_F(HostLogTest, TheRecordLiesBesideTheProgramUnlessTheVariableNamesOne) {
  EXPECT_EQ(HostLogFile(TovarLogVariable, "/opt/torvane/TOVAR.EXE"), "/opt/torvane/TOVAR.EXE.log");
  setenv(TovarLogVariable, "/tmp/x/tovar.log", 1);
  EXPECT_EQ(HostLogFile(TovarLogVariable, "/opt/torvane/TOVAR.EXE"), "/tmp/x/tovar.log");
}

TEST_F(HostLogTest, AnEmptyVariableCountsAsUnset) {
  setenv(ServiceLogVariable, "", 1);
  EXPECT_EQ(HostLogFile(ServiceLogVariable, "/srv/dienst"), "/srv/dienst.log");
}

TEST_F(HostLogTest, ALineIsTheFileNameATabAndTheArguments) {
  EXPECT_EQ(HostLogLine("/opt/torvane/TOVAR.EXE", {}), "TOVAR.EXE\t");
  EXPECT_EQ(HostLogLine("/srv/dienst", {"STOP", "x"}), "dienst\tSTOP x");
}

TEST_F(HostLogTest, StartsAreAppendedInOrder) {
  std::string Log = T.Root + "starts.log";
  EXPECT_TRUE(AppendHostLog(Log, "dienst\tSTOP"));
  EXPECT_TRUE(AppendHostLog(Log, "dienst\tSTART"));
  EXPECT_EQ(T.Read("starts.log"), "dienst\tSTOP\ndienst\tSTART\n");
}

TEST_F(HostLogTest, AnUnwritableRecordIsReported) {
  EXPECT_FALSE(AppendHostLog(T.Root + "fehlt/starts.log", "x"));
}

TEST_F(HostLogTest, TovarRecordsItsStartInTheNamedRecord) {
  REQUIRE_HOST_PROGRAM("tovar");
  std::string Tovar = Install("tovar", "Torvane/TOVAR.EXE");
  std::string Log = T.Root + "tovar.log";
  EXPECT_EQ(RunProgram(Tovar, {}, {std::string(TovarLogVariable) + "=" + Log}), 0);
  EXPECT_EQ(T.Read("tovar.log"), "TOVAR.EXE\t\n");
}

TEST_F(HostLogTest, AServiceRecordsStopAndStartBesideItself) {
  REQUIRE_HOST_PROGRAM("kelposervice");
  std::string Service = Install("kelposervice", "Dienste/backupdienst");
  EXPECT_EQ(RunProgram(Service, {"STOP"}), 0);
  EXPECT_EQ(RunProgram(Service, {"START"}), 0);
  EXPECT_EQ(T.Read("Dienste/backupdienst.log"), "backupdienst\tSTOP\nbackupdienst\tSTART\n");
}

TEST_F(HostLogTest, MakeofficeBuildsOfficeAndToolFolder) {
  REQUIRE_HOST_PROGRAM("makeoffice");
  REQUIRE_HOST_PROGRAM("tovar");
  EXPECT_EQ(RunProgram(HostProgram("makeoffice"), {T.Root + "Daten", T.Root + "Programm"}), 0);
  EXPECT_TRUE(FileExists(T.Root + "Daten/Auftraege.OAT"));
  EXPECT_TRUE(FileExists(T.Root + "Programm/UPDATEMOBILE.EXE"));
  EXPECT_TRUE(FileExists(T.Root + "Programm/TOVAR.EXE"));
}

TEST_F(HostLogTest, MakeofficeWithoutFoldersShowsItsUsage) {
  REQUIRE_HOST_PROGRAM("makeoffice");
  EXPECT_EQ(RunProgram(HostProgram("makeoffice"), {}), 2);
}
