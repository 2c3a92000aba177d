// A temporary folder tree for one test, removed afterwards; with helpers to
// write files and to point the program's folder and the special folders
// into it.
#pragma once

#include <stdlib.h>

#include <filesystem>
#include <fstream>
#include <memory>
#include <sstream>
#include <string>
#include <vector>

#include "platform/os/folders.h"
#include "scoped_env.h"
#include "temp_dir.h"

class TempTree {
 public:
  TempTree() {
    Root = MakeTempFolder("mds_test_") + "/";
  }
  ~TempTree() {
    // Newest first: a variable set twice ends as it was before the first.
    while (!Variables.empty()) Variables.pop_back();
    SetProgramPath("");
    std::filesystem::remove_all(Root);
  }
  TempTree(const TempTree&) = delete;
  TempTree& operator=(const TempTree&) = delete;

  // Writes Text to Root + Rel, creating folders.
  std::string Write(const std::string& Rel, const std::string& Text) {
    std::string P = Root + Rel;
    std::filesystem::create_directories(std::filesystem::path(P).parent_path());
    std::ofstream(P, std::ios::binary) << Text;
    return P;
  }
  std::string Read(const std::string& Rel) const {
    std::ifstream In(Root + Rel, std::ios::binary);
    std::stringstream S;
    S << In.rdbuf();
    return S.str();
  }
  bool Exists(const std::string& Rel) const { return std::filesystem::exists(Root + Rel); }
  // The program's folder becomes Root + Rel.
  void SetProgramFolder(const std::string& Rel = "prog/") {
    std::filesystem::create_directories(Root + Rel);
    SetProgramPath(Root + Rel + "msync");
  }
  // The special folder variable Name (e.g. MDS_COMMON_APPDATA) points to
  // Root + Rel for this test (restored when the tree goes).
  void SetFolderVariable(const char* Name, const std::string& Rel) {
    Variables.push_back(std::make_unique<ScopedEnv>(Name, Root + Rel));
  }

  std::string Root;

 private:
  std::vector<std::unique_ptr<ScopedEnv>> Variables;
};
