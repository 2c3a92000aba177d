#include "platform/os/shellns.h"

#include <dirent.h>
#include <grp.h>
#include <pwd.h>
#include <unistd.h>
#include <mntent.h>
#include <stdlib.h>
#include <sys/stat.h>

#include <algorithm>
#include <cerrno>
#include <cstdio>

#include "platform/os/drives.h"
#include "platform/os/internal.h"
#include "platform/rtl/charset.h"

namespace {

const char* const kComputer = "::computer";

// The virtual places of the desktop in their order, with the names shown.
struct TPlace {
  const char* Item;
  const char* Caption;
  const char* XdgVariable;  // null: not an XDG user folder
  const char* HomeName;
};
const TPlace kPlaces[] = {
    {"::home", "Persönlicher Ordner", nullptr, ""},
    {"::desktopdir", "Desktop", "XDG_DESKTOP_DIR", "Desktop"},
    {"::personal", "Eigene Dateien", nullptr, "Documents"},
    {"::downloads", "Downloads", "XDG_DOWNLOAD_DIR", "Downloads"},
    {"::music", "Musik", "XDG_MUSIC_DIR", "Music"},
    {"::pictures", "Bilder", "XDG_PICTURES_DIR", "Pictures"},
    {"::videos", "Videos", "XDG_VIDEOS_DIR", "Videos"},
    {"::computer", "Arbeitsplatz", nullptr, nullptr},
};


String EnvOr(const char* Name, const String& Fallback) {
  const char* V = ::getenv(Name);
  return V && *V ? String(V) : Fallback;
}

String HomeDir() { return EnvOr("HOME", "/"); }

const TPlace* PlaceOf(const TShellItem& I) {
  for (const TPlace& P : kPlaces)
    if (I == P.Item) return &P;
  return nullptr;
}

// The folder a virtual place stands for ("" for the computer folder).
String PlacePath(const TPlace& P) {
  if (!P.HomeName) return String();
  if (String(P.Item) == "::home") return HomeDir();
  if (String(P.Item) == "::personal") {
    String Path;
    return SHGetFolderPath(CSIDL_PERSONAL, Path) == S_OK ? Path : String();
  }
  String Home = HomeDir();
  return EnvOr(P.XdgVariable, (Home == "/" ? String() : Home) + "/" + P.HomeName);
}

String Join(const String& Folder, const String& Name) {
  return Folder == "/" ? "/" + Name : Folder + "/" + Name;
}

// Path of an absolute list; Virtual is set when the last item has none.
String PathOf(const TItemIDList& Items, bool& Virtual) {
  String Path;
  Virtual = true;
  for (size_t K = 0; K < Items.size(); ++K) {
    const TShellItem& I = Items[K];
    if (K == 0) {
      const TPlace* P = PlaceOf(I);
      Path = P ? PlacePath(*P) : String();
      Virtual = Path.empty();
    } else if (K == 1 && Items[0] == kComputer) {
      Path = I;
      Virtual = I.empty() || I[0] != '/';
    } else if (!Virtual) {
      Path = Join(Path, I);
    }
  }
  if (Virtual) Path.clear();
  return Path;
}

bool IsPseudoFs(const String& Type) {
  static const char* const kPseudo[] = {
      "proc", "sysfs", "cgroup", "cgroup2", "devpts", "devtmpfs", "mqueue", "securityfs", "debugfs",
      "tracefs", "pstore", "bpf", "configfs", "fusectl", "hugetlbfs", "autofs", "binfmt_misc", "nsfs",
      "rpc_pipefs", "efivarfs", "selinuxfs", "fuse.gvfsd-fuse", "fuse.portal"};
  for (const char* T : kPseudo)
    if (Type == T) return true;
  return false;
}

bool UnderSystemFolder(const String& Dir) {
  for (const char* Prefix : {"/proc", "/sys", "/dev", "/run"}) {
    String P(Prefix);
    if (Dir == P || Dir.rfind(P + "/", 0) == 0) return Dir.rfind("/run/media/", 0) != 0;
  }
  return false;
}

// True when the folder has at least one sub-folder (hidden ones count).
bool HasSubFolder(const String& Path) {
  DIR* D = ::opendir(Path.c_str());
  if (!D) return false;
  bool Found = false;
  while (dirent* E = ::readdir(D)) {
    String Name = E->d_name;
    if (Name == "." || Name == "..") continue;
    if (E->d_type == DT_DIR || ((E->d_type == DT_LNK || E->d_type == DT_UNKNOWN) &&
                                os::detail::IsFolder(Join(Path, Name)))) {
      Found = true;
      break;
    }
  }
  ::closedir(D);
  return Found;
}

int Rank(const TShellItem& I) {
  for (size_t K = 0; K < std::size(kPlaces); ++K)
    if (I == kPlaces[K].Item) return int(K);
  return int(std::size(kPlaces));
}

int Sign(int V) { return V < 0 ? -1 : V > 0 ? 1 : 0; }

// What the last item of an absolute list is.
enum TItemKind { ikDesktop, ikPlace, ikDrive, ikName };
TItemKind KindOf(const TItemIDList& Abs) {
  if (Abs.empty()) return ikDesktop;
  if (Abs.size() == 1) return ikPlace;
  if (Abs.size() == 2 && Abs[0] == kComputer) return ikDrive;
  return ikName;
}

}  // namespace

String MountTablePath() { return EnvOr("MDS_MOUNT_TABLE", "/proc/self/mounts"); }

std::vector<TShellDrive> ShellDrives() { return ShellDrives(MountTablePath()); }

std::vector<TShellDrive> ShellDrives(const String& Table) {
  std::vector<TShellDrive> Out;
  if (FILE* F = ::setmntent(Table.c_str(), "r")) {
    struct mntent Ent;
    char Buf[4096];
    while (::getmntent_r(F, &Ent, Buf, sizeof Buf)) {
      String Dir = Ent.mnt_dir;
      while (Dir.size() > 1 && Dir.back() == '/') Dir.pop_back();
      if (Dir == "/" || Dir.empty() || Dir[0] != '/' || IsPseudoFs(Ent.mnt_type) || UnderSystemFolder(Dir))
        continue;
      if (!os::detail::IsFolder(Dir)) continue;
      Out.push_back({Dir, Ent.mnt_type, IsDriveMountPoint(Dir)});
    }
    ::endmntent(F);
  }
  std::sort(Out.begin(), Out.end(), [](const TShellDrive& A, const TShellDrive& B) { return A.Dir < B.Dir; });
  Out.erase(std::unique(Out.begin(), Out.end(),
                        [](const TShellDrive& A, const TShellDrive& B) { return A.Dir == B.Dir; }),
            Out.end());
  Out.insert(Out.begin(), TShellDrive{"/", "", false});
  return Out;
}

// ---- TShellFolder ------------------------------------------------------------------------------

TItemIDList TShellFolder::Child(const TItemIDList& Item) const {
  TItemIDList L = FAbsolute;
  L.insert(L.end(), Item.begin(), Item.end());
  return L;
}

std::vector<TItemIDList> TShellFolder::EnumObjects(DWORD Flags) const {
  std::vector<TItemIDList> Out;
  if (FAbsolute.empty()) {
    for (const TPlace& P : kPlaces) {
      String Path = PlacePath(P);
      bool Shown = !P.HomeName || (os::detail::IsFolder(Path) && (String(P.Item) == "::home" || Path != HomeDir()));
      if (Shown && (Flags & SHCONTF_FOLDERS)) Out.push_back({P.Item});
    }
    return Out;
  }
  if (FAbsolute.back() == kComputer) {
    if (Flags & SHCONTF_FOLDERS)
      for (const TShellDrive& D : ShellDrives()) Out.push_back({D.Dir});
    return Out;
  }
  bool Virtual;
  String Path = PathOf(FAbsolute, Virtual);
  DIR* D = Virtual ? nullptr : ::opendir(Path.c_str());
  if (!D) {
    os::detail::FailWithErrno(Path, Virtual ? ENOENT : errno);
    return Out;
  }
  // Each item is looked at once: the sort orders by what was seen, since
  // another program may turn a folder into a file meanwhile.
  std::vector<std::pair<TItemIDList, DWORD>> Seen;
  while (dirent* E = ::readdir(D)) {
    String Name = E->d_name;
    if (Name == "." || Name == "..") continue;
    if (Name[0] == '.' && !(Flags & SHCONTF_INCLUDEHIDDEN)) continue;
    bool Folder = os::detail::IsFolder(Join(Path, Name));
    if (Folder ? (Flags & SHCONTF_FOLDERS) : (Flags & SHCONTF_NONFOLDERS))
      Seen.push_back({{Name}, Folder ? SFGAO_FOLDER : 0});
  }
  ::closedir(D);
  std::sort(Seen.begin(), Seen.end(), [this](const auto& A, const auto& B) {
    return CompareIDs(A.first, A.second, B.first, B.second) < 0;
  });
  for (auto& S : Seen) Out.push_back(std::move(S.first));
  return Out;
}

String TShellFolder::GetDisplayNameOf(const TItemIDList& Item) const {
  TItemIDList Abs = Child(Item);
  if (Abs.empty()) return "Desktop";
  const TShellItem& I = Abs.back();
  switch (KindOf(Abs)) {
    case ikPlace: {
      const TPlace* P = PlaceOf(I);
      return P ? String(P->Caption) : I;
    }
    case ikDrive: return I == "/" ? String("System (/)") : I.substr(I.rfind('/') + 1) + " (" + I + ")";
    default: return I;
  }
}

DWORD TShellFolder::GetAttributesOf(const TItemIDList& Item, DWORD Mask) const {
  TItemIDList Abs = Child(Item);
  TItemKind Kind = KindOf(Abs);
  DWORD A = 0;
  if (Abs.empty() || (Kind == ikPlace && Abs[0] == kComputer)) {
    A = SFGAO_FOLDER | SFGAO_HASSUBFOLDER | SFGAO_FILESYSANCESTOR | SFGAO_HASPROPSHEET;
    return A & Mask;
  }
  const TShellItem& I = Abs.back();
  bool Virtual;
  String Path = PathOf(Abs, Virtual);
  struct stat St;
  if (Virtual || !os::detail::StatPath(Path, St)) return 0;
  bool Folder = S_ISDIR(St.st_mode);
  A = SFGAO_FILESYSTEM | SFGAO_HASPROPSHEET;
  if (Folder) A |= SFGAO_FOLDER | SFGAO_FILESYSANCESTOR | SFGAO_DROPTARGET;
  if (Folder && (Mask & SFGAO_HASSUBFOLDER) && HasSubFolder(Path)) A |= SFGAO_HASSUBFOLDER;
  if (Kind == ikDrive) {
    if (IsDriveMountPoint(I)) A |= SFGAO_REMOVABLE;
  } else if (Kind == ikName) {
    A |= SFGAO_CANCOPY | SFGAO_CANMOVE | SFGAO_CANLINK | SFGAO_CANRENAME | SFGAO_CANDELETE;
    struct stat Ls;
    if (::lstat(Path.c_str(), &Ls) == 0 && S_ISLNK(Ls.st_mode)) A |= SFGAO_LINK;
    if (I[0] == '.') A |= SFGAO_HIDDEN;
  }
  return A & Mask;
}

std::shared_ptr<TShellFolder> TShellFolder::BindToObject(const TItemIDList& Item) const {
  if (Item.empty()) return nullptr;
  if (!(GetAttributesOf(Item, SFGAO_FOLDER) & SFGAO_FOLDER)) {
    SetLastError(ERROR_PATH_NOT_FOUND);
    return nullptr;
  }
  return std::make_shared<TShellFolder>(Child(Item));
}

int TShellFolder::CompareFixed(const TItemIDList& A, const TItemIDList& B) const {
  if (A.empty() || B.empty()) return Sign(int(B.empty()) - int(A.empty()));
  const TShellItem& X = A.back();
  const TShellItem& Y = B.back();
  if (AtDesktop()) return Sign(Rank(X) - Rank(Y));
  if ((X == "/") != (Y == "/")) return X == "/" ? -1 : 1;  // the computer folder: "/" first
  return Sign(X.compare(Y));
}

int TShellFolder::CompareIDs(const TItemIDList& A, const TItemIDList& B) const {
  if (A.empty() || B.empty() || AtDesktop() || AtComputer()) return CompareFixed(A, B);
  const TShellItem& X = A.back();
  const TShellItem& Y = B.back();
  bool Virtual;
  String Path = PathOf(FAbsolute, Virtual);
  DWORD AX = !Virtual && os::detail::IsFolder(Join(Path, X)) ? SFGAO_FOLDER : 0;
  DWORD AY = !Virtual && os::detail::IsFolder(Join(Path, Y)) ? SFGAO_FOLDER : 0;
  return CompareIDs(A, AX, B, AY);
}

int TShellFolder::CompareIDs(const TItemIDList& A, DWORD AttributesA, const TItemIDList& B, DWORD AttributesB) const {
  if (A.empty() || B.empty() || AtDesktop() || AtComputer()) return CompareFixed(A, B);
  const TShellItem& X = A.back();
  const TShellItem& Y = B.back();
  bool FX = AttributesA & SFGAO_FOLDER, FY = AttributesB & SFGAO_FOLDER;
  if (FX != FY) return FX ? -1 : 1;
  int R = AnsiCompareText(X, Y);
  return Sign(R != 0 ? R : X.compare(Y));
}

HRESULT TShellFolder::SetNameOf(const TItemIDList& Item, const String& NewName, TItemIDList& NewItem) const {
  bool Virtual;
  String Old = PathOf(Child(Item), Virtual);
  if (Virtual || Item.empty() || KindOf(Child(Item)) != ikName || NewName.empty() ||
      NewName.find('/') != String::npos || NewName == "." || NewName == "..") {
    SetLastError(ERROR_INVALID_NAME);
    return E_FAIL;
  }
  String New = Join(ShellParentPath(Old), NewName);
  struct stat St;
  if (::lstat(New.c_str(), &St) == 0) {
    SetLastError(ERROR_ALREADY_EXISTS);
    return E_FAIL;
  }
  if (::rename(Old.c_str(), New.c_str()) != 0) {
    os::detail::FailWithErrno(Old, errno);
    return E_FAIL;
  }
  NewItem = {NewName};
  return S_OK;
}

HRESULT TShellFolder::NewFolder(const String& BaseName, TItemIDList& NewItem) const {
  bool Virtual;
  String Base = PathOf(FAbsolute, Virtual);
  if (Virtual || BaseName.empty() || BaseName.find('/') != String::npos) {
    SetLastError(Virtual ? ERROR_ACCESS_DENIED : ERROR_INVALID_NAME);
    return E_FAIL;
  }
  for (int K = 1; K < 1000; ++K) {
    String Name = K == 1 ? BaseName : BaseName + " (" + std::to_string(K) + ")";
    if (::mkdir(Join(Base, Name).c_str(), 0777) == 0) {
      NewItem = {Name};
      return S_OK;
    }
    if (errno != EEXIST) break;
  }
  os::detail::FailWithErrno(Base, errno);
  return E_FAIL;
}

HRESULT TShellFolder::ParseDisplayName(const String& Path, TItemIDList& Items) const {
  Items.clear();
  if (Path.empty() || Path[0] != '/') return E_FAIL;
  String P = Path;
  while (P.size() > 1 && P.back() == '/') P.pop_back();
  struct stat St;
  if (!os::detail::StatPath(P, St)) return E_FAIL;
  String Base;
  if (FAbsolute.empty()) {
    // Through the computer folder and the drive holding the path.
    String Best = "/";
    for (const TShellDrive& D : ShellDrives())
      if (P == D.Dir || P.rfind(D.Dir + "/", 0) == 0)
        if (D.Dir.size() > Best.size()) Best = D.Dir;
    Items = {kComputer, Best};
    Base = Best;
  } else {
    bool Virtual;
    Base = PathOf(FAbsolute, Virtual);
    if (Virtual) return E_FAIL;
  }
  if (P != Base) {
    String Prefix = Base == "/" ? Base : Base + "/";
    if (P.rfind(Prefix, 0) != 0) {
      Items.clear();
      return E_FAIL;
    }
    String Rest = P.substr(Prefix.size());
    size_t Start = 0;
    while (Start <= Rest.size()) {
      size_t End = Rest.find('/', Start);
      if (End == String::npos) End = Rest.size();
      if (End > Start) Items.push_back(Rest.substr(Start, End - Start));
      Start = End + 1;
    }
  }
  return S_OK;
}

std::shared_ptr<TShellFolder> SHGetDesktopFolder() { return std::make_shared<TShellFolder>(TItemIDList{}); }

HRESULT SHGetSpecialFolderLocation(int Csidl, TItemIDList& Items) {
  Items.clear();
  const char* Item = nullptr;
  switch (Csidl) {
    case CSIDL_DESKTOP: return S_OK;
    case CSIDL_DRIVES: Items = {kComputer}; return S_OK;
    case CSIDL_DESKTOPDIRECTORY: Item = "::desktopdir"; break;
    case CSIDL_PERSONAL: Item = "::personal"; break;
    default: {
      String Path;
      if (SHGetFolderPath(Csidl, Path) != S_OK) return E_FAIL;
      return SHGetDesktopFolder()->ParseDisplayName(Path, Items);
    }
  }
  if (!os::detail::IsFolder(PlacePath(*PlaceOf(Item)))) return E_FAIL;
  Items = {Item};
  return S_OK;
}

String ShellParentPath(const String& Path) {
  size_t Slash = Path.rfind('/');
  return Slash == String::npos ? String() : Slash == 0 ? String("/") : Path.substr(0, Slash);
}

bool SHGetPathFromIDList(const TItemIDList& Items, String& Path) {
  bool Virtual;
  Path = PathOf(Items, Virtual);
  return !Virtual;
}

int ShellIconOf(const TItemIDList& Items, bool Open) {
  if (Items.empty()) return siDesktop;
  const TShellItem& I = Items.back();
  if (Items.size() == 1 && I == kComputer) return siComputer;
  if (Items.size() == 2 && Items[0] == kComputer) return IsDriveMountPoint(I) ? siRemovableDrive : siDrive;
  String Path;
  if (SHGetPathFromIDList(Items, Path) && !os::detail::IsFolder(Path)) return siFile;
  return Open ? siFolderOpen : siFolder;
}

// ---- Properties --------------------------------------------------------------------------------

namespace {

// Adds the files below Dir to Info, counting entries against Left.
void AddFolderSize(const String& Dir, TShellItemInfo& Info, std::uint64_t& Left) {
  DIR* D = ::opendir(Dir.c_str());
  if (!D) return;
  while (dirent* E = ::readdir(D)) {
    String Name = E->d_name;
    if (Name == "." || Name == "..") continue;
    if (Left == 0) {
      Info.Complete = false;
      break;
    }
    --Left;
    String Path = Join(Dir, Name);
    struct stat St;
    if (::lstat(Path.c_str(), &St) != 0) continue;  // gone meanwhile
    if (S_ISDIR(St.st_mode)) {
      AddFolderSize(Path, Info, Left);
    } else if (S_ISREG(St.st_mode)) {
      Info.Size += std::uint64_t(St.st_size);
      ++Info.Files;
    }
  }
  ::closedir(D);
}

}  // namespace

bool ShellItemInfo(const String& Path, TShellItemInfo& Info, std::uint64_t MaxEntries) {
  Info = TShellItemInfo();
  struct stat St;
  if (!os::detail::StatPath(Path, St)) return false;
  Info.Folder = S_ISDIR(St.st_mode);
  Info.Mode = St.st_mode & 07777;
  char Buf[4096];
  struct passwd Pw, *PwR = nullptr;
  Info.Owner = ::getpwuid_r(St.st_uid, &Pw, Buf, sizeof Buf, &PwR) == 0 && PwR ? String(Pw.pw_name)
                                                                             : std::to_string(St.st_uid);
  struct group Gr, *GrR = nullptr;
  Info.Group = ::getgrgid_r(St.st_gid, &Gr, Buf, sizeof Buf, &GrR) == 0 && GrR ? String(Gr.gr_name)
                                                                             : std::to_string(St.st_gid);
  Info.CanRead = ::access(Path.c_str(), R_OK) == 0;
  Info.CanWrite = ::access(Path.c_str(), W_OK) == 0;
  if (Info.Folder) AddFolderSize(Path, Info, MaxEntries);
  else Info.Size = std::uint64_t(St.st_size);
  return true;
}

String ModeText(unsigned Mode) {
  String T = "---------";
  const char* Letters = "rwx";
  for (int K = 0; K < 9; ++K)
    if (Mode & (0400u >> K)) T[K] = Letters[K % 3];
  return T;
}
