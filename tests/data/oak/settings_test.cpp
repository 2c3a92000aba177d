// The engine settings component: one per application, the engine's date
// format, decimals, deleted records, server types and caches.
#include "oak_fixture.h"

namespace {

class SettingsTest : public ::testing::Test {
 protected:
  void SetUp() override {
    ResetFormatSettings();
    Form = new TComponent(nullptr);
  }
  void TearDown() override {
    Form->Free();
    ResetFormatSettings();
    OakSetDateFormat("MM/dd/ccyy");
    OakShowDeleted(1);
    OakSetDecimals(2);
    OakSetServerType(OAK_LOCAL_SERVER | OAK_REMOTE_SERVER | OAK_NET_SERVER);
  }
  static String EngineDateFormat() {
    char Buf[32] = {};
    UNSIGNED16 Len = sizeof(Buf);
    OakGetDateFormat(Buf, &Len);
    return String(Buf, Len);
  }
  TComponent* Form = nullptr;
};

TEST_F(SettingsTest, CreationReadsTheEngineAndTakesTheLibraryDateFormat) {
  OakSetDecimals(4);
  OakShowDeleted(0);
  auto* S = new TOakSettings(Form);
  EXPECT_EQ(4, S->NumDecimals());
  EXPECT_FALSE(S->ShowDeleted());
  EXPECT_TRUE(S->SetLibraryDate());
  EXPECT_EQ(0, S->NumCachedTables());
  EXPECT_EQ(25, S->NumCachedCursors());
  EXPECT_EQ((TOakServerTypes{stOAK_REMOTE, stOAK_NET}), S->OakServerTypes());
  EXPECT_EQ(ShortDateFormat, S->DateFormat());
  EXPECT_EQ(S, TOakSettings::Current());
}

TEST_F(SettingsTest, ASecondInstanceAtRunTimeIsRefused) {
  new TOakSettings(Form);
  try {
    new TOakSettings(Form);
    FAIL() << "no exception";
  } catch (Exception& E) {
    EXPECT_EQ("Only one OakSettings component is allowed per application", E.Message());
  }
  EXPECT_EQ(1, Form->ComponentCount());
}

TEST_F(SettingsTest, AfterTheFirstIsFreedAnotherMayBeMade) {
  auto* S = new TOakSettings(Form);
  S->Free();
  EXPECT_EQ(nullptr, TOakSettings::Current());
  EXPECT_NO_THROW(new TOakSettings(Form));
}

TEST_F(SettingsTest, DateFormatGoesToTheEngineAndToTheLibrary) {
  auto* S = new TOakSettings(Form);
  S->SetDateFormat("CCYY-MM-DD");
  EXPECT_EQ("CCYY-MM-DD", EngineDateFormat());
  EXPECT_EQ("yyyy-MM-DD", ShortDateFormat);
  EXPECT_EQ('-', DateSeparator);
  EXPECT_EQ("dd.MM.yyyy", S->SavedShortDateFormat());
}

TEST_F(SettingsTest, EmptyDateFormatMeansTheEnginesDefault) {
  auto* S = new TOakSettings(Form);
  S->SetSetLibraryDate(false);
  S->SetDateFormat("");
  EXPECT_EQ("MM/dd/ccyy", S->DateFormat());
  EXPECT_EQ("dd.MM.yyyy", ShortDateFormat);
}

TEST_F(SettingsTest, DateFormatKeepsElevenCharacters) {
  auto* S = new TOakSettings(Form);
  S->SetSetLibraryDate(false);
  S->SetDateFormat("DD.MM.YYYY   X");
  EXPECT_EQ("DD.MM.YYYY ", S->DateFormat());
}

TEST_F(SettingsTest, SwitchingLibraryDateOffWhileLoadingRestoresTheFormat) {
  auto* S = new TOakSettings(Form);
  S->BeginReading();
  S->SetDateFormat("MM/DD/YYYY");
  EXPECT_EQ("MM/DD/yyyy", ShortDateFormat);
  S->SetSetLibraryDate(false);
  S->EndReading();
  S->Loaded();
  EXPECT_EQ("dd.MM.yyyy", ShortDateFormat);
  EXPECT_EQ("MM/DD/YYYY", EngineDateFormat());
}

TEST_F(SettingsTest, EmptyServerTypesAreRefusedAndTheOldSetKept) {
  auto* S = new TOakSettings(Form);
  S->SetOakServerTypes({stOAK_LOCAL});
  EXPECT_THROW(S->SetOakServerTypes({}), OakSettingsError);
  EXPECT_EQ(TOakServerTypes{stOAK_LOCAL}, S->OakServerTypes());
  try {
    S->SetOakServerTypes({});
  } catch (OakSettingsError& E) {
    EXPECT_EQ("At least one server type must be selected.", E.Message());
  }
}

TEST_F(SettingsTest, ServerTypesAreSummedForTheEngine) {
  EXPECT_EQ(2, OakServerTypesValue({stOAK_REMOTE}));
  EXPECT_EQ(3, OakServerTypesValue({stOAK_REMOTE, stOAK_LOCAL}));
  EXPECT_EQ(7, OakServerTypesValue({stOAK_REMOTE, stOAK_LOCAL, stOAK_NET}));
  EXPECT_EQ(5, OakServerTypesValue({stOAK_LOCAL, stOAK_NET}));
}

TEST_F(SettingsTest, NegativeCacheSizesAreRefused) {
  auto* S = new TOakSettings(Form);
  try {
    S->SetNumCachedTables(-1);
    FAIL();
  } catch (Exception& E) {
    EXPECT_EQ("NumCachedTables value must be greater than zero.", E.Message());
  }
  try {
    S->SetNumCachedCursors(-1);
    FAIL();
  } catch (Exception& E) {
    EXPECT_EQ("NumCachedCursors value must be greater than zero.", E.Message());
  }
  S->SetNumCachedTables(3);
  EXPECT_EQ(3, S->NumCachedTables());
}

TEST_F(SettingsTest, ShowDeletedAndDecimalsReachTheEngine) {
  auto* S = new TOakSettings(Form);
  S->SetShowDeleted(false);
  UNSIGNED16 V = 9;
  OakGetDeleted(&V);
  EXPECT_EQ(0, V);
  S->SetNumDecimals(3);
  OakGetDecimals(&V);
  EXPECT_EQ(3, V);
}

TEST_F(SettingsTest, PublishedPropertiesAreReachableByName) {
  auto* S = new TOakSettings(Form);
  SetPropValue(S, "NumDecimals", "5");
  EXPECT_EQ(5, S->NumDecimals());
  EXPECT_TRUE(IsPublishedProp(S, "OakServerTypes"));
}

}  // namespace

namespace {

TEST_F(SettingsTest, ReportsTheEnginesLastErrorAndOpenTables) {
  auto* S = new TOakSettings(Form);
  OakSetLastError(5035, "locked");
  EXPECT_EQ(5035u, S->LastError());
  EXPECT_GE(S->NumOpenTables(), 0);
}

}  // namespace
