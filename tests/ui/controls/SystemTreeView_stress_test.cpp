// The folder tree under a folder that another program keeps busy: its
// children are made and removed all the time (folders and files under the
// same names) while keys and the wheel move through the tree and the
// watchers refresh it. Short here; MDS_TREE_STRESS_ROUNDS makes it longer
// (the sanitizer runs of CI).
#include <atomic>
#include <cstdlib>
#include <thread>

#include "platform/gui/wm_headless.h"
#include "shell_tree_fixture.h"

namespace {

namespace fs = std::filesystem;

class ShellTreeStressTest : public ShellTreeTest {};

TEST_F(ShellTreeStressTest, ABusyFolderSurvivesKeysAndWheelWhileItsChildrenComeAndGo) {
  std::string Busy = MakeDir("busy");
  // Enough children that sorting them partitions rather than inserts.
  for (int K = 0; K < 40; ++K) MakeDir("busy/d" + std::to_string(K) + "/sub");
  // The churn runs beside the tree but at most Budget changes ahead of
  // the rounds: unbounded, a slow build (ThreadSanitizer) would spend its
  // time on a backlog of notifications that never drains.
  std::atomic<bool> Stop{false};
  std::atomic<unsigned> Budget{0};
  std::thread Churn([&] {
    for (unsigned N = 0; !Stop; ++N) {
      while (N >= Budget && !Stop) std::this_thread::yield();
      std::string P = Busy + "/c" + std::to_string(N % 61);
      std::error_code E;
      switch (N / 61 % 3) {  // a name is a folder, then a file, then gone
        case 0: fs::create_directory(P, E); break;
        case 1: fs::remove(P, E), std::ofstream(P) << N; break;
        default: fs::remove(P, E);
      }
      if (N % 61 == 60) {  // a folder with content goes and comes back
        fs::remove_all(Busy + "/d" + std::to_string(N % 40), E);
        fs::create_directories(Busy + "/d" + std::to_string(N % 40) + "/sub", E);
      }
    }
  });
  TshSystemTreeView* T = ShownTree();
  T->SetReadDelay(0);
  T->SetSelection(Busy);
  ASSERT_EQ(T->GetSelection(), Busy);
  T->SetFocus();
  const char* Env = std::getenv("MDS_TREE_STRESS_ROUNDS");
  int Rounds = Env ? std::atoi(Env) : 150;
  TPoint Mid = T->ClientToScreen(Point(100, 100));
  for (int R = 0; R < Rounds; ++R) {
    static const Word kKeys[] = {VK_RIGHT, VK_DOWN, VK_DOWN, VK_RIGHT, VK_UP, VK_LEFT, VK_NEXT, VK_PRIOR};
    Budget += 61;  // every name once a round
    HeadlessKey(kKeys[R % 8]);
    Headless().Queue([Mid, R] { TDesktopInput::MouseWheel(R % 2 ? WHEEL_DELTA : -WHEEL_DELTA, Mid); });
    if (R % 16 == 0) T->SetSelection(Busy);
    CheckSynchronize(0);
    Pump();
  }
  Stop = true;
  Churn.join();
  // The tree still answers: the busy folder can be selected and shows the
  // children that are left once the watcher has caught up.
  T->SetSelection(Busy);
  ASSERT_EQ(T->GetSelection(), Busy);
  T->Selected()->Expand(false);
  EXPECT_TRUE(WaitFor([&] { return Child(T->Selected(), "d0") != nullptr; }));
}

}  // namespace
