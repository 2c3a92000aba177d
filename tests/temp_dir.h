// The tests' temporary folders: every one is made here, under $TMPDIR (the
// system's temporary folder when TMPDIR is unset), so that a test run can
// be given a folder of its own and nothing lands in a fixed /tmp.
#pragma once

#include <stdlib.h>

#include <filesystem>
#include <fstream>
#include <stdexcept>
#include <string>

// Makes a new, empty folder "<temp>/<Prefix>XXXXXX" and returns its path
// (without a trailing slash); the caller removes it. Throws
// std::runtime_error when the folder cannot be made.
inline std::string MakeTempFolder(const std::string& Prefix) {
  std::string Tmpl = (std::filesystem::temp_directory_path() / (Prefix + "XXXXXX")).string();
  if (!::mkdtemp(Tmpl.data())) throw std::runtime_error("cannot make a temporary folder " + Tmpl);
  return Tmpl;
}

// A fresh temporary folder per test, removed with its content afterwards.
class TempDir {
 public:
  explicit TempDir(const std::string& Prefix = "mds-test-") : FPath(MakeTempFolder(Prefix)) {}
  ~TempDir() {
    std::error_code ec;
    std::filesystem::permissions(FPath, std::filesystem::perms::owner_all,
                                 std::filesystem::perm_options::add, ec);
    std::filesystem::remove_all(FPath, ec);
  }
  TempDir(const TempDir&) = delete;
  TempDir& operator=(const TempDir&) = delete;

  const std::string& Path() const { return FPath; }
  // Path of a name inside the folder.
  std::string operator/(const std::string& Name) const { return FPath + "/" + Name; }

  // Writes Content to the file Name (relative to the folder).
  std::string Put(const std::string& Name, const std::string& Content = "x") const {
    std::string p = *this / Name;
    std::filesystem::create_directories(std::filesystem::path(p).parent_path());
    std::ofstream(p, std::ios::binary) << Content;
    return p;
  }
  std::string MakeDir(const std::string& Name) const {
    std::string p = *this / Name;
    std::filesystem::create_directories(p);
    return p;
  }
  bool Has(const std::string& Name) const { return std::filesystem::exists(*this / Name); }
  std::string Read(const std::string& Name) const {
    std::ifstream in(*this / Name, std::ios::binary);
    return std::string(std::istreambuf_iterator<char>(in), {});
  }

 private:
  std::string FPath;
};
