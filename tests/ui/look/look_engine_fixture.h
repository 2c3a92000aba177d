// Fixture of the look engine tests: the look fixture plus a client root
// and a program path of the test's own (the look folder lies below them),
// and verbs to write look, current-look and scale files. Everything the
// engine sets process-wide (form hook, patches, scaling hook, wrapper
// registration, metric overrides, theme provider) is put back afterwards.
#pragma once

#include <stdlib.h>

#include <fstream>
#include <optional>

#include "foundation/UFormHook.h"
#include "look_fixture.h"
#include "platform/os/folders.h"
#include "platform/rtl/classreg.h"
#include "platform/rtl/formatsettings.h"
#include "ui/look/ULookAndFeel.h"
#include "ui/look/UThemes.h"

class LookEngineTest : public LookTest {
 protected:
  void SetUp() override {
    LookTest::SetUp();
    if (const char* Old = getenv("MDS_COMMON_DOCUMENTS")) OldDocuments = Old;
    setenv("MDS_COMMON_DOCUMENTS", (Folder + "/docs").c_str(), 1);
    SetProgramPath(Folder + "/prog/orvsync7");
    SavedFormats = FormatSettings;
  }
  void TearDown() override {
    ULookAndFeelDone();
    LookTest::TearDown();
    ResetFormHookForTesting();
    FreeThemeServices();
    SetThemeProvider(nullptr);
    FreeThemeServices();
    FormatSettings = SavedFormats;
    SetProgramPath("");
    if (OldDocuments)
      setenv("MDS_COMMON_DOCUMENTS", OldDocuments->c_str(), 1);
    else
      unsetenv("MDS_COMMON_DOCUMENTS");
  }

  String LookDir() {
    String Dir;
    LookAndFeelDir(Dir);
    return Dir;
  }
  void WriteFile(const String& Name, const String& Bytes) {
    std::ofstream(LookDir() + Name, std::ios::binary) << Bytes;
  }
  String ReadFile(const String& Name) {
    std::ifstream In(LookDir() + Name, std::ios::binary);
    return String(std::istreambuf_iterator<char>(In), std::istreambuf_iterator<char>());
  }
  // Makes Text the current look "Test".
  void UseLook(const String& Text) {
    WriteFile("LookAndFeel[Test].txt", Text);
    SaveCurrentLook("Test");
  }
  void WriteScale(const String& Text) { WriteFile("orvsync7_Scaled.txt", Text); }

  std::optional<std::string> OldDocuments;
  TFormatSettings SavedFormats;
};
