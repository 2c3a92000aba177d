#include "sync/UStartStop.h"

#include <gtest/gtest.h>
#include <sys/stat.h>

#include "../foundation/TempTree.h"

namespace {

class ServiceListTest : public ::testing::Test {
 protected:
  void SetUp() override {
    T.SetFolderVariable("MDS_COMMON_APPDATA", "common");
    ServicesStopped = false;
  }
  // A service program that appends its name and argument to log.txt.
  std::string Program(const std::string& Name) {
    std::string P = T.Write("bin/" + Name, "#!/bin/sh\necho \"" + Name + " $1\" >> '" + T.Root + "log.txt'\n");
    chmod(P.c_str(), 0755);
    return P;
  }
  void List(const std::string& Text) { T.Write("common/Torvane-Installation/srv.txt", Text); }
  std::string Log() { return T.Read("log.txt"); }

  TempTree T;
};

}  // namespace

TEST_F(ServiceListTest, ProgramsRunInOrderWithTheArgument) {
  std::string A = Program("a.sh"), B = Program("b.sh");
  List(A + "\r\n\r\n" + T.Root + "bin/missing.sh\r\n" + B + "\r\n");
  RunServiceList("STOP");
  EXPECT_EQ(Log(), "a.sh STOP\nb.sh STOP\n");
}

TEST_F(ServiceListTest, AMissingListDoesNothing) {
  RunServiceList("STOP");
  EXPECT_FALSE(T.Exists("log.txt"));
}

TEST_F(ServiceListTest, StopIsSentOnceAndStartOnceOnClose) {
  List(Program("s.sh") + "\n");
  StopServices();
  StopServices();
  StartServices();
  StartServices();
  EXPECT_EQ(Log(), "s.sh STOP\ns.sh START\n");
}
