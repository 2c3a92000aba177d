#include "foundation/UKelpoChannelClass.h"

#include <gtest/gtest.h>

#include <memory>

#include "foundation/UClipFormats.h"
#include "platform/rtl/classreg.h"

TEST(PluginClasses, AreFoundByNameAndForwardToTheirEvents) {
  RegisterKelpoChannelClasses();
  for (const char* Name : {"TFKelpoChannel", "TFKelpoSimpleChannel", "TFKelpoSimpleFunction",
                           "TCustomExtraCalcProvider", "TFKelpoMathFunction", "TPartListFunction"})
    EXPECT_NE(GetClass(Name), nullptr) << Name;
  std::unique_ptr<TObject> O(FindClass("TFKelpoSimpleChannel")->Create(nullptr));
  auto* Channel = dynamic_cast<TFKelpoChannel*>(O.get());
  ASSERT_NE(Channel, nullptr);
  EXPECT_EQ(Channel->Execute("x"), "");
  Channel->OnExecute = [](TObject*, const String& R, String& A) { A = "echo " + R; };
  EXPECT_EQ(Channel->Execute("x"), "echo x");
  TFKelpoMathFunction F(nullptr);
  F.OnCalculate = [](TObject*, const std::vector<double>& Args, double& R) { R = Args[0] * 2; };
  EXPECT_EQ(F.Calculate({21}), 42);
}

TEST(ClipFormats, TheGridFormatKeepsItsNumberAndTheNamesAreListed) {
  Cardinal F = CF_DATAGRIDDATA();
  EXPECT_GE(F, 0xC000u);
  EXPECT_EQ(CF_DATAGRIDDATA(), F);
  EXPECT_EQ(StandardClipboardFormatName(1), "CF_TEXT");
  EXPECT_EQ(StandardClipboardFormatName(16), "CF_LOCALE");
  EXPECT_EQ(StandardClipboardFormatName(17), "");
  EXPECT_EQ(StorageMediumName(-1), "TYMED_NULL");
  EXPECT_EQ(StorageMediumName(0), "TYMED_HGLOBAL");
  EXPECT_FALSE(SystemVersion().Text.empty());
}
