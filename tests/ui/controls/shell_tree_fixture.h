// The shell folder tree over a namespace of the test's own: a home folder
// and a mount table in a temporary folder, the tree on a headless form.
#pragma once

#include <chrono>
#include <filesystem>
#include <fstream>

#include "platform/gui/forms_fixture.h"
#include "platform/rtl/threads.h"
#include "scoped_env.h"
#include "ui/controls/SystemTreeView.h"

// The environment of a namespace of the test's own below Folder: the home
// folder Folder/home, the mount table Folder/mounts ("/" only until
// Mounts), no user folders; restored when it goes.
struct TShellTestEnv {
  explicit TShellTestEnv(const std::string& Folder) : Folder(Folder), Home(Folder + "/home") {
    std::filesystem::create_directories(Home);
    Env.emplace_back(std::make_unique<ScopedEnv>("HOME", Home));
    Env.emplace_back(std::make_unique<ScopedEnv>("MDS_MOUNT_TABLE", Folder + "/mounts"));
    Env.emplace_back(std::make_unique<ScopedEnv>("MDS_PERSONAL", Home + "/Dokumente"));
    for (const char* V : {"XDG_DESKTOP_DIR", "XDG_DOWNLOAD_DIR", "XDG_MUSIC_DIR", "XDG_PICTURES_DIR",
                          "XDG_VIDEOS_DIR"})
      Env.emplace_back(std::make_unique<ScopedEnv>(V, nullptr));
    Mounts({});
  }
  // Writes the mount table with "/" and the given mount points.
  void Mounts(const std::vector<std::string>& Dirs) {
    std::ofstream Out(Folder + "/mounts.new");
    Out << "/dev/sda1 / ext4 rw 0 0\nproc /proc proc rw 0 0\n";
    for (const std::string& D : Dirs) Out << "/dev/sdb1 " << D << " vfat rw 0 0\n";
    Out.close();
    std::filesystem::rename(Folder + "/mounts.new", Folder + "/mounts");
  }

  std::string Folder, Home;
  std::vector<std::unique_ptr<ScopedEnv>> Env;
};

class ShellTreeTest : public FormsTest {
 protected:
  void SetUp() override {
    FormsTest::SetUp();
    Shell = std::make_unique<TShellTestEnv>(Folder);
    Home = Shell->Home;
  }
  void TearDown() override {
    FormsTest::TearDown();
    Shell.reset();
  }

  void Mounts(const std::vector<std::string>& Dirs) { Shell->Mounts(Dirs); }
  std::string MakeDir(const std::string& Rel) {
    std::filesystem::create_directories(Home + "/" + Rel);
    return Home + "/" + Rel;
  }
  // A tree on a shown form.
  TshSystemTreeView* ShownTree() {
    Form = NewPlainForm("Ordner", Bounds(100, 100, 395, 315));
    auto* T = new TshSystemTreeView(Form);
    T->SetBounds(0, 0, 395, 260);
    T->SetShowHiddenDirs(false);
    T->SetReadOnly(true);
    T->SetParent(Form);
    Form->Show();
    Pump();
    return T;
  }
  // Pumps until Done holds, for at most five seconds.
  bool WaitFor(const std::function<bool()>& Done) {
    auto Until = std::chrono::steady_clock::now() + std::chrono::seconds(5);
    while (!Done()) {
      if (std::chrono::steady_clock::now() > Until) return false;
      CheckSynchronize(20);
      Pump();
    }
    return true;
  }
  static TTreeNode* Child(TTreeNode* Node, const String& Text) {
    for (TTreeNode* C = Node->getFirstChild(); C; C = C->getNextSibling())
      if (C->Text() == Text) return C;
    return nullptr;
  }

  std::unique_ptr<TShellTestEnv> Shell;
  std::string Home;
  TForm* Form = nullptr;
};
