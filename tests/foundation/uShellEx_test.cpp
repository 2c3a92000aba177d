#include "foundation/uShellEx.h"

#include <gtest/gtest.h>

#include <sys/stat.h>

#include <mutex>

#include "TempTree.h"
#include "platform/os/process.h"

namespace {

// Waits until every job queued on Pool so far has run.
void Drain(TWorkerThreadPool& Pool) {
  struct TMarker : TWorkerThreadJob {
    TEvent* Done;
    explicit TMarker(TEvent* E) : Done(E) {}
    void Execute(TWorkerThread*) override { Done->SetEvent(); }
  };
  TEvent Done(true, false);
  Pool.AddJob(new TMarker(&Done));
  Done.WaitFor(INFINITE);
}

// Records every process start instead of starting anything.
class ShellOpenTest : public ::testing::Test {
 protected:
  void SetUp() override {
    T.SetProgramFolder("prog/");
    Previous = SetProcessLauncher([this](const TLaunchRequest& R, TProcessHandle&) -> DWORD {
      std::lock_guard<std::mutex> G(Lock);
      Started.push_back(R);
      return 0;
    });
  }
  void TearDown() override {
    ShutdownShellPool();
    SetProcessLauncher(Previous);
    ShellOpenAskProgram = nullptr;
    ShellOpenRightControlDown = nullptr;
  }
  // An executable program file under the tree.
  std::string Program(const std::string& Rel) {
    std::string P = T.Write(Rel, "#!/bin/sh\n");
    chmod(P.c_str(), 0755);
    return P;
  }
  std::vector<TLaunchRequest> Starts() {
    ShutdownShellPool();
    std::lock_guard<std::mutex> G(Lock);
    return Started;
  }

  TempTree T;
  TProcessLauncher Previous;
  std::mutex Lock;
  std::vector<TLaunchRequest> Started;
};

}  // namespace

TEST(ShellEx, UrlsAreRecognisedByPrefixOrAtSign) {
  EXPECT_TRUE(IsURL("WWW.example.de"));
  EXPECT_TRUE(IsURL("https://x"));
  EXPECT_TRUE(IsURL("info@kelpo.de"));
  EXPECT_TRUE(IsURL("Mailto:x"));
  EXPECT_FALSE(IsURL("/home/x/y.pdf"));
  EXPECT_FALSE(IsURL("C:\\x\\y.pdf"));
}

TEST(WorkerPool, OneThreadRunsJobsStrictlyInOrder) {
  struct TRecord : TWorkerThreadJob {
    std::vector<int>* Out;
    int N;
    TRecord(std::vector<int>* O, int I) : Out(O), N(I) {}
    void Execute(TWorkerThread*) override { Out->push_back(N); }
  };
  std::vector<int> Out;
  {
    TWorkerThreadPool Pool(1);
    for (int i = 0; i < 3; ++i) Pool.AddJob(new TRecord(&Out, i));
    Drain(Pool);
  }
  EXPECT_EQ(Out, (std::vector<int>{0, 1, 2}));
}

TEST(WorkerPool, AFailingJobDoesNotEndItsThread) {
  struct TFail : TWorkerThreadJob {
    void Execute(TWorkerThread*) override { throw EConvertError("bad"); }
  };
  struct TCount : TWorkerThreadJob {
    int* N;
    explicit TCount(int* P) : N(P) {}
    void Execute(TWorkerThread*) override { ++*N; }
  };
  int Ran = 0;
  {
    TWorkerThreadPool Pool(1);
    Pool.AddJob(new TFail);
    Pool.AddJob(new TCount(&Ran));
    Drain(Pool);
  }
  EXPECT_EQ(Ran, 1);
}

TEST_F(ShellOpenTest, AnExtensionLineWinsOverTheSystemAssociation) {
  std::string Viewer = Program("opt/viewer/bin/view");
  T.Write("prog/PLUGINS/OpenFileEx.txt", ".pdf=" + Viewer + "\r\n");
  bool Asked = false;
  ShellOpenAskProgram = [&](const String&, const String&, String&) { return Asked = true; };
  ShellOpen("open", T.Root + "doc/Rechnung.PDF", true);
  auto S = Starts();
  ASSERT_EQ(S.size(), 1u);
  EXPECT_EQ(S[0].Program, Viewer);
  EXPECT_EQ(S[0].Argv.back(), T.Root + "doc/Rechnung.PDF");
  EXPECT_FALSE(Asked);
}

TEST_F(ShellOpenTest, TheChosenProgramIsStoredAndACancelOpensNothing) {
  std::string Reader = Program("bin/reader");
  ShellOpenAskProgram = [&](const String&, const String&, String& Chosen) {
    Chosen = Reader;
    return true;
  };
  ShellOpen("open", T.Root + "a.xyz", true);
  EXPECT_EQ(Starts().size(), 1u);
  EXPECT_NE(T.Read("prog/PLUGINS/OpenFileEx.txt").find(".xyz=" + Reader), std::string::npos);
  ShellOpenAskProgram = [](const String&, const String&, String&) { return false; };
  ShellOpenRightControlDown = [] { return true; };
  ShellOpen("open", T.Root + "b.xyz", true);
  EXPECT_EQ(Starts().size(), 1u);
}
