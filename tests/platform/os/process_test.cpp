#include "platform/os/process.h"

#include <gtest/gtest.h>
#include <stdlib.h>
#include <sys/stat.h>

#include "temp_dir.h"
#include "scoped_env.h"

namespace {

class ProcessTest : public ::testing::Test {
 protected:
  TempDir dir;
  void TearDown() override { SetProcessLauncher(nullptr); }

  // A shell script Name that runs Body; returns its path.
  std::string Script(const std::string& name, const std::string& body) {
    std::string p = dir.Put(name, "#!/bin/sh\n" + body + "\n");
    ::chmod(p.c_str(), 0755);
    return p;
  }
  TProcessHandle Start(const std::string& cmd, const std::string& cwd = "") {
    TProcessInformation info;
    EXPECT_TRUE(CreateProcess("", cmd, cwd, info)) << GetLastError();
    return info.hProcess;
  }
  DWORD ExitCodeOf(const TProcessHandle& h) {
    DWORD code = 0;
    EXPECT_TRUE(GetExitCodeProcess(h, code));
    return code;
  }
};

TEST_F(ProcessTest, StartedProgramRunsAndReportsItsExitCode) {
  Script("exit7.sh", "exit 7");
  TProcessHandle h = Start(dir / "exit7.sh");
  EXPECT_EQ(WaitForSingleObject(h, INFINITE), WAIT_OBJECT_0);
  EXPECT_EQ(ExitCodeOf(h), 7u);
}

TEST_F(ProcessTest, QuotedArgumentsAndWorkingFolderReachTheProgram) {
  Script("echo.sh", "printf '%s|%s' \"$1\" \"$2\" > out.txt");
  dir.MakeDir("work");
  TProcessHandle h = Start("\"" + (dir / "echo.sh") + "\" \"zwei Worte\" STOP", dir / "work");
  WaitForSingleObject(h, INFINITE);
  EXPECT_EQ(dir.Read("work/out.txt"), "zwei Worte|STOP");
}

TEST_F(ProcessTest, RunningProcessIsStillActiveAndTheWaitTimesOut) {
  Script("sleep.sh", "exec sleep 30");
  TProcessHandle h = Start(dir / "sleep.sh");
  EXPECT_EQ(ExitCodeOf(h), STILL_ACTIVE);
  EXPECT_EQ(WaitForSingleObject(h, 20), WAIT_TIMEOUT);
  EXPECT_TRUE(TerminateProcess(h, 99));
  EXPECT_EQ(WaitForSingleObject(h, 0), WAIT_OBJECT_0);
  EXPECT_EQ(ExitCodeOf(h), 99u);
}

TEST_F(ProcessTest, MissingProgramOrFolderCannotStart) {
  TProcessInformation info;
  EXPECT_FALSE(CreateProcess("", dir / "none.exe", "", info));
  EXPECT_EQ(GetLastError(), ERROR_FILE_NOT_FOUND);
  EXPECT_FALSE(CreateProcess("", dir / "nodir/none.exe", "", info));
  EXPECT_EQ(GetLastError(), ERROR_PATH_NOT_FOUND);
  Script("ok.sh", "exit 0");
  EXPECT_FALSE(CreateProcess("", dir / "ok.sh", dir / "nodir", info));
  EXPECT_EQ(GetLastError(), ERROR_DIRECTORY);
}

TEST_F(ProcessTest, ProgramIsFoundWhateverTheCase) {
  Script("Tovar.EXE", "exit 3");
  DWORD code = 0;
  ASSERT_TRUE(ExecuteAndWait(dir / "TOVAR.EXE", "", code));
  EXPECT_EQ(code, 3u);
}

TEST_F(ProcessTest, InvalidHandleFailsEveryCall) {
  TProcessHandle none;
  DWORD code = 0;
  EXPECT_EQ(WaitForSingleObject(none, 0), WAIT_FAILED);
  EXPECT_FALSE(GetExitCodeProcess(none, code));
  EXPECT_FALSE(TerminateProcess(none, 1));
}

TEST(CommandLineTest, SplitsTheWindowsWay) {
  EXPECT_EQ(SplitCommandLine("a  \"b c\" d\\\"e \"\""),
            (std::vector<String>{"a", "b c", "d\"e", ""}));
  EXPECT_TRUE(SplitCommandLine("   ").empty());
}

// ---- shell ------------------------------------------------------------------

TEST_F(ProcessTest, ShellOpenRunsAnExecutableWithItsParameters) {
  Script("srv.sh", "echo \"$1\" > \"$0.out\"");
  TShellExecuteInfo info;
  info.fMask = SEE_MASK_NOCLOSEPROCESS;
  info.lpFile = dir / "srv.sh";
  info.lpParameters = "STOP";
  ASSERT_TRUE(ShellExecuteEx(info));
  EXPECT_GT(info.hInstApp, 32);
  ASSERT_TRUE(info.hProcess.Valid());
  WaitForSingleObject(info.hProcess, INFINITE);
  EXPECT_EQ(dir.Read("srv.sh.out"), "STOP\n");
}

TEST_F(ProcessTest, ShellOpenOfAMissingFileGivesFileNotFound) {
  EXPECT_EQ(ShellExecute(nullptr, "open", dir / "none.htm", "", "", SW_SHOWNORMAL), SE_ERR_FNF);
  EXPECT_EQ(ShellExecute(nullptr, "open", dir / "x/none.htm", "", "", SW_SHOWNORMAL), SE_ERR_PNF);
}

TEST_F(ProcessTest, UnknownVerbHasNoAssociation) {
  dir.Put("a.txt");
  EXPECT_EQ(ShellExecute(nullptr, "print", dir / "a.txt", "", "", SW_SHOW), SE_ERR_NOASSOC);
}

TEST_F(ProcessTest, DocumentGoesToTheDesktopOpener) {
  std::string bin = dir.MakeDir("bin");
  Script("bin/xdg-open", "exit 0");
  dir.Put("synchlp.htm");
  std::optional<ScopedEnv> path(std::in_place, "PATH", bin);
  TLaunchRequest seen;
  SetProcessLauncher([&](const TLaunchRequest& r, TProcessHandle& out) {
    seen = r;
    out = TProcessHandle::Finished(0);
    return ERROR_SUCCESS;
  });
  int code = ShellExecute(nullptr, "open", dir / "SYNCHLP.HTM", "", "", SW_SHOWNORMAL);
  path.reset();
  EXPECT_GT(code, 32);
  EXPECT_EQ(seen.Program, bin + "/xdg-open");
  EXPECT_EQ(seen.Argv, (std::vector<String>{"xdg-open", dir / "synchlp.htm"}));
}

TEST_F(ProcessTest, WithoutADesktopOpenerADocumentHasNoAssociation) {
  dir.Put("synchlp.htm");
  std::optional<ScopedEnv> path(std::in_place, "PATH", dir.MakeDir("empty"));
  int code = ShellExecute(nullptr, "open", dir / "synchlp.htm", "", "", SW_SHOWNORMAL);
  path.reset();
  EXPECT_EQ(code, SE_ERR_NOASSOC);
  EXPECT_EQ(GetLastError(), ERROR_NO_ASSOCIATION);
}

TEST_F(ProcessTest, LauncherHookSeesWhatWouldRun) {
  Script("srv.sh", "exit 0");
  TLaunchRequest seen;
  SetProcessLauncher([&](const TLaunchRequest& r, TProcessHandle& out) {
    seen = r;
    out = TProcessHandle::Finished(5);
    return ERROR_SUCCESS;
  });
  TShellExecuteInfo info;
  info.fMask = SEE_MASK_NOCLOSEPROCESS;
  info.lpFile = dir / "SRV.SH";
  info.lpParameters = "START";
  ASSERT_TRUE(ShellExecuteEx(info));
  EXPECT_EQ(seen.Program, dir / "srv.sh");
  EXPECT_EQ(seen.Argv, (std::vector<String>{dir / "SRV.SH", "START"}));
  EXPECT_EQ(WaitForSingleObject(info.hProcess, 0), WAIT_OBJECT_0);
  EXPECT_EQ(ExitCodeOf(info.hProcess), 5u);
}

TEST_F(ProcessTest, FindExecutableNamesAnExecutableFile) {
  Script("tool.sh", "exit 0");
  dir.Put("doc.txt");
  String program;
  EXPECT_GT(FindExecutable("tool.sh", dir.Path(), program), 32);
  EXPECT_EQ(program, dir / "tool.sh");
  EXPECT_EQ(FindExecutable(dir / "doc.txt", "", program), SE_ERR_NOASSOC);
  EXPECT_EQ(FindExecutable(dir / "none", "", program), SE_ERR_FNF);
}

}  // namespace
