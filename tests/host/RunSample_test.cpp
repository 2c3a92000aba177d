// scripts/run-sample.sh refuses before it touches anything: a folder
// inside a hidden folder is not made, and while the sample tool started
// from the folder still runs, a further start says so and leaves the
// tool's files alone. The script runs with a PATH that lacks bash, so a
// start that got past its checks would stop at the package check at once
// instead of building.
#include <gtest/gtest.h>
#include <signal.h>
#include <spawn.h>
#include <stdio.h>
#include <sys/stat.h>
#include <sys/wait.h>
#include <unistd.h>

#include <filesystem>
#include <fstream>

#include "scoped_env.h"
#include "temp_dir.h"

extern char** environ;

namespace fs = std::filesystem;

namespace {

class RunSampleTest : public ::testing::Test {
 protected:
  void SetUp() override {
    Root = MakeTempFolder("run_sample_") + "/";
    // The few programs the checks need, and no bash.
    fs::create_directories(Root + "bin");
    for (const char* P : {"sh", "realpath", "readlink", "dirname", "mkdir", "sed", "cat"}) {
      for (const char* Dir : {"/usr/bin/", "/bin/"}) {
        if (fs::exists(std::string(Dir) + P)) {
          fs::create_symlink(std::string(Dir) + P, Root + "bin/" + P);
          break;
        }
      }
    }
  }
  void TearDown() override {
    if (Tool > 0) {
      ::kill(Tool, SIGKILL);
      ::waitpid(Tool, nullptr, 0);
    }
    fs::remove_all(Root);
  }

  // Runs the script on Folder; its exit code and what it printed.
  int RunSample(const std::string& Folder, std::string& Output) {
    ScopedEnv Path("PATH", Root + "bin");
    ScopedEnv Home("HOME", Root + "home");
    std::string Command = "sh '" MDS_SOURCE_DIR "/scripts/run-sample.sh' '" + Folder + "' 2>&1";
    FILE* Pipe = ::popen(Command.c_str(), "r");
    char Buf[512];
    while (Pipe && ::fgets(Buf, sizeof Buf, Pipe)) Output += Buf;
    int Status = Pipe ? ::pclose(Pipe) : -1;
    return WIFEXITED(Status) ? WEXITSTATUS(Status) : -1;
  }

  // Starts a program from Folder/tool/orvsync7 (a copy of sleep), as the
  // script would have started the tool.
  void StartTool(const std::string& Folder) {
    fs::create_directories(Folder + "/tool");
    ToolPath = Folder + "/tool/orvsync7";
    fs::copy_file(fs::exists("/usr/bin/sleep") ? "/usr/bin/sleep" : "/bin/sleep", ToolPath);
    char Program[] = "orvsync7", Seconds[] = "600";
    char* Argv[] = {Program, Seconds, nullptr};
    ASSERT_EQ(0, ::posix_spawn(&Tool, ToolPath.c_str(), nullptr, nullptr, Argv, environ));
    // posix_spawn returns once the program runs in place of the child.
    ASSERT_EQ(fs::read_symlink("/proc/" + std::to_string(Tool) + "/exe").string(), ToolPath);
  }

  std::string Root, ToolPath;
  pid_t Tool = 0;
};

TEST_F(RunSampleTest, ASecondStartWhileTheSampleToolRunsSaysSoAndTouchesNothing) {
  const std::string Folder = fs::canonical(Root).string() + "/sample";
  if (Folder.find("/.") != std::string::npos) GTEST_SKIP() << "the temporary folder lies in a hidden folder";
  StartTool(Folder);
  struct stat Before {};
  ASSERT_EQ(0, ::stat(ToolPath.c_str(), &Before));
  std::string Output;
  EXPECT_EQ(1, RunSample(Folder, Output)) << Output;
  EXPECT_NE(Output.find("Das Beispielprogramm läuft bereits (" + ToolPath + ", Prozess " + std::to_string(Tool) + ")"),
            std::string::npos)
      << Output;
  struct stat After {};
  ASSERT_EQ(0, ::stat(ToolPath.c_str(), &After));
  EXPECT_EQ(Before.st_mtim.tv_nsec, After.st_mtim.tv_nsec);
  EXPECT_EQ(Before.st_mtim.tv_sec, After.st_mtim.tv_sec);
  std::vector<std::string> Made;
  for (auto& E : fs::directory_iterator(Folder)) Made.push_back(E.path().filename().string());
  EXPECT_EQ(Made, std::vector<std::string>{"tool"});
  // Once the tool has ended, the start goes on (here to the package
  // check, which fails without bash).
  ::kill(Tool, SIGKILL);
  ::waitpid(Tool, nullptr, 0);
  Tool = 0;
  Output.clear();
  EXPECT_NE(1, RunSample(Folder, Output)) << Output;
  EXPECT_EQ(Output.find("läuft bereits"), std::string::npos) << Output;
}

TEST_F(RunSampleTest, AFolderInsideAHiddenFolderIsRefusedBeforeItIsMade) {
  std::string Output;
  EXPECT_EQ(2, RunSample(Root + ".versteckt/sample", Output)) << Output;
  EXPECT_NE(Output.find("liegt in einem versteckten Ordner"), std::string::npos) << Output;
  EXPECT_FALSE(fs::exists(Root + ".versteckt"));
}

}  // namespace
