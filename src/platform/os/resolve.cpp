// Case-insensitive path resolution: the one place where file names are
// matched the way the original platform matched them.
#include <dirent.h>
#include <sys/stat.h>

#include <memory>
#include <vector>

#include "platform/os/files.h"

namespace os {
namespace {

bool Exists(const String& Path) {
  struct stat st;
  return ::lstat(Path.c_str(), &st) == 0;
}

// Folds one UTF-8 sequence starting at S[I] into Out; returns its length.
std::size_t FoldChar(const String& S, std::size_t I, String& Out) {
  unsigned char c = static_cast<unsigned char>(S[I]);
  if (c < 0x80) {
    Out += (c >= 'A' && c <= 'Z') ? static_cast<char>(c + 32) : static_cast<char>(c);
    return 1;
  }
  // Latin-1 capitals U+00C0..U+00DE (but U+00D7 the multiplication sign)
  // are encoded C3 80..C3 9E; their small forms are C3 A0..C3 BE.
  if (c == 0xC3 && I + 1 < S.size()) {
    unsigned char d = static_cast<unsigned char>(S[I + 1]);
    if (d >= 0x80 && d <= 0x9E && d != 0x97) d = static_cast<unsigned char>(d + 0x20);
    Out += static_cast<char>(c);
    Out += static_cast<char>(d);
    return 2;
  }
  Out += static_cast<char>(c);
  return 1;
}

std::vector<String> SplitComponents(const String& Path) {
  std::vector<String> parts;
  std::size_t start = 0;
  while (start <= Path.size()) {
    std::size_t slash = Path.find('/', start);
    if (slash == String::npos) slash = Path.size();
    parts.push_back(Path.substr(start, slash - start));
    start = slash + 1;
  }
  return parts;
}

String StripDots(const String& Part) {
  if (Part == "." || Part == "..") return Part;
  String p = Part;
  while (!p.empty() && p.back() == '.') p.pop_back();
  return p.empty() ? Part : p;
}

// The entry of Dir whose name equals Name without regard to case, or "".
String FindInFolder(const String& Dir, const String& Name) {
  std::unique_ptr<DIR, int (*)(DIR*)> d(::opendir(Dir.empty() ? "." : Dir.c_str()),
                                        &::closedir);
  if (!d) return String();
  String want = FoldFileName(Name);
  while (dirent* e = ::readdir(d.get())) {
    String n = e->d_name;
    if (n == "." || n == "..") continue;
    if (FoldFileName(n) == want) return n;
  }
  return String();
}

}  // namespace

String FoldFileName(const String& Name) {
  String out;
  out.reserve(Name.size());
  for (std::size_t i = 0; i < Name.size();) i += FoldChar(Name, i, out);
  return out;
}

bool SameFileName(const String& A, const String& B) {
  return A.size() == B.size() && FoldFileName(A) == FoldFileName(B);
}

String StripTrailingDots(const String& Path) {
  String out;
  bool first = true;
  for (const String& part : SplitComponents(Path)) {
    if (!first) out += '/';
    out += StripDots(part);
    first = false;
  }
  return out;
}

String ResolvePath(const String& Path) {
  if (Path.empty()) return Path;
  String clean = StripTrailingDots(Path);
  if (Exists(clean)) return clean;
  // The usual case of a name not there yet: its folder exists as given, so
  // every folder on the way keeps its spelling and only the name is looked
  // up without regard to case.
  const std::size_t Slash = clean.rfind('/');
  if (Slash != String::npos && Slash > 0) {
    const String Folder = clean.substr(0, Slash), Name = clean.substr(Slash + 1);
    if (!Name.empty() && Name != "." && Name != ".." && Exists(Folder)) {
      const String Found = FindInFolder(Folder, Name);
      return Folder + "/" + (Found.empty() ? Name : Found);
    }
  }
  std::vector<String> parts = SplitComponents(clean);
  String out;
  bool missing = false;  // once a folder is missing, the rest stays as given
  for (std::size_t i = 0; i < parts.size(); ++i) {
    const String& part = parts[i];
    String prefix = out;
    if (i > 0) out += '/';
    if (part.empty() || part == "." || part == ".." || missing) {
      out += part;
      continue;
    }
    String exact = out + part;
    if (Exists(exact)) {
      out = exact;
      continue;
    }
    String found = FindInFolder(i == 0 ? String() : (prefix.empty() ? "/" : prefix), part);
    if (found.empty()) {
      missing = true;
      out += part;
    } else {
      out += found;
    }
  }
  return out;
}

}  // namespace os
