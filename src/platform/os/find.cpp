#include "platform/os/find.h"

#include <dirent.h>
#include <sys/stat.h>

#include <algorithm>
#include <cerrno>
#include <vector>

#include "platform/os/files.h"
#include "platform/os/internal.h"

namespace os::detail {

struct FindState {
  String Folder;               // resolved folder, with trailing '/'
  std::vector<String> Names;   // matching names in report order
  std::size_t Next = 0;
  int ExcludeAttr = 0;
};

}  // namespace os::detail

using os::detail::FindState;

namespace {

constexpr int faSpecial = faHidden | faSysFile | faVolumeID | faDirectory;

// One UTF-8 character per element, so that '?' takes a whole character.
std::vector<std::uint32_t> Chars(const String& S) {
  std::vector<std::uint32_t> out;
  for (std::size_t i = 0; i < S.size();) {
    std::uint32_t c = static_cast<unsigned char>(S[i++]);
    if (c >= 0xC0)
      while (i < S.size() && (static_cast<unsigned char>(S[i]) & 0xC0) == 0x80)
        c = (c << 8) | static_cast<unsigned char>(S[i++]);
    out.push_back(c);
  }
  return out;
}

bool Match(const std::vector<std::uint32_t>& N, const std::vector<std::uint32_t>& M) {
  std::size_t n = 0, m = 0, starM = String::npos, starN = 0;
  while (n < N.size()) {
    if (m < M.size() && (M[m] == '?' || M[m] == N[n])) {
      ++n;
      ++m;
    } else if (m < M.size() && M[m] == '*') {
      starM = m++;
      starN = n;
    } else if (starM != String::npos) {
      m = starM + 1;
      n = ++starN;
    } else {
      return false;
    }
  }
  while (m < M.size() && M[m] == '*') ++m;
  return m == M.size();
}

String UpperKey(const String& Name) {
  String k = os::FoldFileName(Name);
  return k;
}

std::vector<String> ReadFolder(const String& Folder, const String& Mask, bool& Ok) {
  std::vector<String> names;
  DIR* d = ::opendir(Folder.c_str());
  Ok = d != nullptr;
  if (!d) return names;
  while (dirent* e = ::readdir(d)) {
    String n = e->d_name;
    if (n != "." && n != ".." && MatchesMask(n, Mask)) names.push_back(n);
  }
  ::closedir(d);
  std::sort(names.begin(), names.end(),
            [](const String& a, const String& b) { return UpperKey(a) < UpperKey(b); });
  if (Folder != "/") {
    if (MatchesMask("..", Mask)) names.insert(names.begin(), "..");
    if (MatchesMask(".", Mask)) names.insert(names.begin(), ".");
  }
  return names;
}

void Fill(TSearchRec& F, const String& Name, const struct stat& St, DWORD Attr) {
  F.Name = Name;
  F.Attr = static_cast<int>(Attr);
  F.Size = S_ISDIR(St.st_mode) ? 0 : static_cast<Int64>(St.st_size);
  F.Time = os::detail::UnixToDosTime(St.st_mtim.tv_sec);
  TWin32FindData& d = F.FindData;
  d.dwFileAttributes = Attr;
  auto put = [](TFileTime& t, std::uint64_t v) {
    t.dwLowDateTime = static_cast<DWORD>(v);
    t.dwHighDateTime = static_cast<DWORD>(v >> 32);
  };
  put(d.ftCreationTime, os::detail::ToFileTime(St.st_ctim));
  put(d.ftLastAccessTime, os::detail::ToFileTime(St.st_atim));
  put(d.ftLastWriteTime, os::detail::ToFileTime(St.st_mtim));
  d.nFileSizeHigh = static_cast<DWORD>(static_cast<std::uint64_t>(F.Size) >> 32);
  d.nFileSizeLow = static_cast<DWORD>(F.Size);
  d.cFileName = Name;
  d.cAlternateFileName.clear();
}

// Moves to the next entry that passes the attribute filter.
int Advance(TSearchRec& F) {
  FindState* s = F.FindHandle.get();
  if (!s) return static_cast<int>(ERROR_INVALID_HANDLE);
  while (s->Next < s->Names.size()) {
    const String& name = s->Names[s->Next++];
    String path = s->Folder + name;
    struct stat st;
    if (!os::detail::StatPath(path, st)) continue;  // vanished since FindFirst
    DWORD attr = os::detail::AttributesOf(path, name, st);
    if (static_cast<int>(attr) & s->ExcludeAttr) continue;
    Fill(F, name, st, attr);
    return 0;
  }
  SetLastError(ERROR_NO_MORE_FILES);
  return static_cast<int>(ERROR_NO_MORE_FILES);
}

}  // namespace

bool MatchesMask(const String& Name, const String& Mask) {
  if (Mask == "*" || Mask == "*.*") return true;
  std::vector<std::uint32_t> n = Chars(os::FoldFileName(Name));
  if (Match(n, Chars(os::FoldFileName(Mask)))) return true;
  // "name.*" also finds "name" without an extension.
  if (Mask.size() >= 2 && Mask.compare(Mask.size() - 2, 2, ".*") == 0)
    return Match(n, Chars(os::FoldFileName(Mask.substr(0, Mask.size() - 2))));
  return false;
}

int FindFirst(const String& Path, int Attr, TSearchRec& F) {
  FindClose(F);
  String folder = os::detail::ParentOf(Path);
  String mask = os::detail::NameOf(Path);
  if (mask.empty()) mask = "*";
  if (Path.find('/') == String::npos) folder = ".";
  String resolved = os::ResolvePath(folder);
  if (!resolved.empty() && resolved.back() != '/') resolved += '/';
  auto state = std::make_shared<FindState>();
  state->Folder = resolved;
  state->ExcludeAttr = ~Attr & faSpecial;
  bool ok = false;
  state->Names = ReadFolder(resolved, mask, ok);
  if (!ok) {
    DWORD code = errno == EACCES ? ERROR_ACCESS_DENIED : ERROR_PATH_NOT_FOUND;
    SetLastError(code);
    return static_cast<int>(code);
  }
  F.ExcludeAttr = state->ExcludeAttr;
  F.FindHandle = std::move(state);
  return Advance(F);
}

int FindNext(TSearchRec& F) { return Advance(F); }

void FindClose(TSearchRec& F) { F.FindHandle.reset(); }
