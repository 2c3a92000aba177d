// The running number of a table walk on Label3copy: shown at most every
// CountTextInterval milliseconds, the first and the last number always.
#include "sync/run_fixture.h"

namespace {

class CountProgressTest : public RunStepTest {
 protected:
  void SetUp() override {
    RunStepTest::SetUp();
    MakeRunForm();
  }
  String Caption() const { return Form->Label3copy->Caption(); }
};

TEST_F(CountProgressTest, TheTextMovesOnlyWhenTheIntervalHasPassed) {
  TCountProgress Progress(*Form, "Zählen...", 500);
  Progress.Step();
  EXPECT_EQ("Zählen...  1 von 500", Caption());
  for (int I = 0; I < 100; ++I) Progress.Step();
  EXPECT_EQ("Zählen...  1 von 500", Caption());  // the clock stood still
  Clock->Advance(TCountProgress::CountTextInterval - 1);
  Progress.Step();
  EXPECT_EQ("Zählen...  1 von 500", Caption());
  Clock->Advance(1);
  Progress.Step();
  EXPECT_EQ("Zählen...  103 von 500", Caption());
}

TEST_F(CountProgressTest, FinishShowsTheLastNumberReached) {
  TCountProgress Progress(*Form, "Zählen...", 40);
  for (int I = 0; I < 37; ++I) Progress.Step();
  Progress.Finish();
  EXPECT_EQ("Zählen...  37 von 40", Caption());
  EXPECT_EQ(37, Progress.Number());
}

TEST_F(CountProgressTest, AnEmptyWalkShowsNothing) {
  ShowCopyText(*Form, "vorher");
  TCountProgress Progress(*Form, "Zählen...", 0);
  Progress.Finish();
  EXPECT_EQ("vorher", Caption());
}

// The merge walks the mobile addresses last: its text ends on their count
// although the clock never moved during the walk.
TEST_F(CountProgressTest, TheMergeEndsOnTheLastAddressNumber) {
  const String Remote = Tree("M_Temp/Remote/Data/");
  for (const String& Folder : {Tree("M_Temp/Server/Data/"), Remote}) {
    std::filesystem::create_directories(Folder);
    CreateTables(Folder);
  }
  for (int I = 1; I <= 3; ++I)
    AddRow(Remote, "Adressen", {{"ADR_46_", "3         " + IntToStr(I)}, {"ADR_47_", "20261105-100000000"}});
  Form->RunMode = 2;
  Form->LastSyncDate = EncodeDateTime(2026, 11, 1, 12, 0, 0, 0);
  Form->MergeMobileData();
  EXPECT_EQ("Adressen syncronisieren...  3 von 3", Caption());
  EXPECT_EQ(3, Form->AddressesAdded);
}

}  // namespace
