// FileReplacement and RecoverReplacement: a group of files replaced all or
// nothing through an intent record (see replace.h for the steps).
#include "platform/os/replace.h"

#include <fcntl.h>
#include <sys/stat.h>
#include <unistd.h>

#include <algorithm>
#include <cerrno>
#include <charconv>
#include <cstring>
#include <mutex>
#include <set>
#include <utility>

#include "platform/os/internal.h"
#include "platform/rtl/byteorder.h"

namespace os {
namespace {

// The heads of the three record formats, by format number.
const char* const RecordHeads[] = {"MDS-REPLACE 1", "MDS-REPLACE 2", "MDS-REPLACE 3"};
constexpr int LatestFormat = 3;
const char* const RecordEnd = "END";
// The suffix of a record not yet committed.
const char* const UnfinishedSuffix = ".tmp";

std::mutex gHookMutex;
ReplaceStepHook gHook;

// Asks the test hook whether step Step may run; false: stop as if killed.
class TStepCounter {
 public:
  bool Go() {
    std::lock_guard<std::mutex> Lock(gHookMutex);
    return !gHook || gHook(FStep++);
  }

 private:
  int FStep = 0;
};

Status Aborted(const String& Context) { return Status::Error(ERROR_OPERATION_ABORTED, Context); }

String Join(const String& Folder, const String& Name) {
  return Folder.empty() || Folder.back() == '/' ? Folder + Name : Folder + "/" + Name;
}

bool ValidName(const String& Name) {
  if (Name.empty() || Name == "." || Name == "..") return false;
  for (char C : Name)
    if (C == '/' || C == '\t' || C == '\n' || C == '\r' || C == '\0') return false;
  return true;
}

// Forces the entries of Folder (renames, removals) to the disk.
Status SyncFolder(const String& Folder) {
  int Fd = ::open(Folder.c_str(), O_RDONLY | O_DIRECTORY | O_CLOEXEC);
  if (Fd < 0) return Status::FromErrno(errno, Folder);
  int Rc = ::fsync(Fd);
  int Err = errno;
  ::close(Fd);
  return Rc == 0 ? Status::OK() : Status::FromErrno(Err, Folder);
}

Status RenameOver(const String& From, const String& To) {
  if (::rename(From.c_str(), To.c_str()) != 0) return Status::FromErrno(errno, To);
  return Status::OK();
}

Status RemoveFile(const String& Path) {
  if (::unlink(Path.c_str()) != 0 && errno != ENOENT) return Status::FromErrno(errno, Path);
  return Status::OK();
}

bool Present(const String& Path) {
  struct stat St;
  return ::lstat(Path.c_str(), &St) == 0;
}

// True when Path is a regular file itself (not a link to one).
bool RegularFile(const String& Path) {
  struct stat St;
  return ::lstat(Path.c_str(), &St) == 0 && S_ISREG(St.st_mode);
}

// Opens Path exclusively (deny all). Read access is enough to hold, read
// and flush it, and also takes a read-only file.
Status HoldExclusive(const String& Path, File& F) { return F.Open(Path, Access::Read, Share::Exclusive); }

// Splits Text at LF; the last line must be ended too.
bool SplitLines(const String& Text, std::vector<String>& Lines) {
  std::size_t Start = 0;
  while (Start < Text.size()) {
    std::size_t End = Text.find('\n', Start);
    if (End == String::npos) return false;
    Lines.push_back(Text.substr(Start, End - Start));
    Start = End + 1;
  }
  return true;
}

bool ParseCount(const String& Text, std::size_t& Count) {
  if (Text.empty() || Text.size() > 6) return false;
  Count = 0;
  for (char C : Text) {
    if (C < '0' || C > '9') return false;
    Count = Count * 10 + static_cast<std::size_t>(C - '0');
  }
  return true;
}

// Takes Path exclusively and makes sure the name still leads to the file
// taken (another process may have renamed or removed it meanwhile).
// ERROR_FILE_NOT_FOUND when there is no such file (any more).
Status HoldNamed(const String& Path, File& F) {
  if (Status S = HoldExclusive(Path, F); !S.ok()) return S;
  struct stat Named, Held;
  if (::stat(Path.c_str(), &Named) != 0 || ::fstat(F.fd(), &Held) != 0 || Named.st_ino != Held.st_ino ||
      Named.st_dev != Held.st_dev) {
    F.Close();
    return Status::Error(Present(Path) ? ERROR_SHARING_VIOLATION : ERROR_FILE_NOT_FOUND, Path);
  }
  return Status::OK();
}

// Throws away a record its writer did not commit. One still being written
// is held by its writer and stays. A link under that name goes (the link,
// never what it leads to); a folder or device stays: no writer of ours
// made it, and a replacement cannot create its record there but fails
// before its commit. *Removed (when given) becomes true when a record a
// writer left (a regular file) was removed here.
Status RemoveUnfinished(const String& Path, bool* Removed = nullptr) {
  struct stat St;
  if (::lstat(Path.c_str(), &St) != 0) return Status::OK();
  if (S_ISLNK(St.st_mode)) return RemoveFile(Path);
  if (!S_ISREG(St.st_mode)) return Status::OK();
  File F;
  Status S = HoldNamed(Path, F);
  if (S.code() == ERROR_FILE_NOT_FOUND || S.code() == ERROR_SHARING_VIOLATION) return Status::OK();
  if (S.ok()) S = RemoveFile(Path);
  if (S.ok() && Removed) *Removed = true;
  return S;
}

// Writes the intent record for Items under its temporary name, forces it
// to the disk and commits it by renaming it to RecordName.
Status WriteIntentRecord(const String& Folder, const String& RecordName,
                         const std::vector<Replacement>& Items, TStepCounter& Steps) {
  const String Text = FormatReplaceRecord(Items);
  const String Unfinished = Join(Folder, RecordName + UnfinishedSuffix);
  // Made new: an unfinished record nobody holds is thrown away first, and
  // nothing is ever written through a name that was there before.
  if (Status S = RemoveUnfinished(Unfinished); !S.ok()) return S;
  File F;
  Status S = F.Open(Unfinished, Access::ReadWrite, Share::Exclusive, Disposition::CreateNew);
  // Written in two halves so that a test can stop between them (a torn
  // record must be thrown away, not read).
  const std::size_t Half = Text.size() / 2;
  if (S.ok()) S = F.Write(0, Text.data(), Half);
  if (S.ok() && !Steps.Go()) return Aborted(Unfinished);
  if (S.ok()) S = F.Write(Half, Text.data() + Half, Text.size() - Half);
  if (S.ok()) S = F.Flush();
  if (S.ok() && !Steps.Go()) return Aborted(Unfinished);
  // Held until committed: a recovery meanwhile leaves an unfinished record
  // alone only while its writer holds it.
  if (S.ok()) S = RenameOver(Unfinished, Join(Folder, RecordName));
  if (S.ok()) S = SyncFolder(Folder);
  if (!S.ok() && F.IsOpen()) RemoveFile(Unfinished);  // only a record made here
  return S;
}

// Reads the whole open file F; false when it cannot be read.
bool ReadWhole(const File& F, String& Text) {
  Result<std::uint64_t> Size = F.Size();
  if (!Size.ok() || Size.value() > (1u << 20)) return false;
  Text.resize(static_cast<std::size_t>(Size.value()));
  std::size_t Got = 0;
  return F.Read(0, Text.data(), Text.size(), &Got).ok() && Got == Text.size();
}

std::int64_t Nanoseconds(const struct timespec& T) {
  return static_cast<std::int64_t>(T.tv_sec) * 1000000000 + T.tv_nsec;
}

String FormatStamp(const Replacement& R) {
  if (!R.TargetExisted) return "-";
  const FileStamp& S = R.Stamp;
  if (R.Format == 2) return "0:" + std::to_string(S.Size) + ":" + std::to_string(S.ModifiedNs) + ":0";
  return std::to_string(S.Size) + ":" + std::to_string(S.ModifiedNs) + ":" + std::to_string(S.HeadChecksum);
}

template <class T>
bool ParseNumber(const String& Text, std::size_t& At, T& Value, bool Last) {
  const char* End = Text.data() + Text.size();
  auto [P, Err] = std::from_chars(Text.data() + At, End, Value);
  if (Err != std::errc() || P == Text.data() + At) return false;
  At = static_cast<std::size_t>(P - Text.data());
  if (Last) return At == Text.size();
  if (At >= Text.size() || Text[At] != ':') return false;
  ++At;
  return true;
}

// Reads the stamp of R in R.Format (2 or 3).
bool ParseStamp(const String& Text, Replacement& R) {
  if (Text == "-") return true;
  R.TargetExisted = true;
  std::size_t At = 0;
  FileStamp& S = R.Stamp;
  if (R.Format == 3)
    return ParseNumber(Text, At, S.Size, false) && ParseNumber(Text, At, S.ModifiedNs, false) &&
           ParseNumber(Text, At, S.HeadChecksum, true);
  // Where the file lived and when its status last changed are read past:
  // a copy that keeps the times, or a change of rights, moves them.
  std::uint64_t Inode = 0;
  std::int64_t ChangedNs = 0;
  return ParseNumber(Text, At, Inode, false) && ParseNumber(Text, At, S.Size, false) &&
         ParseNumber(Text, At, S.ModifiedNs, false) && ParseNumber(Text, At, ChangedNs, true);
}

// The form under which ResolvePath finds Name: no trailing dots, case folded.
String MatchForm(const String& Name) { return FoldFileName(StripTrailingDots(Name)); }

// True when no two names of Items lead to one file.
bool NamesDistinct(const std::vector<Replacement>& Items) {
  std::set<String> Seen;
  for (const Replacement& R : Items)
    if (!Seen.insert(MatchForm(R.Prepared)).second || !Seen.insert(MatchForm(R.Target)).second) return false;
  return true;
}

// Whether the target of R, held as Target (closed: missing), is no longer
// as the record Record (held) found it.
bool TargetChanged(const Replacement& R, const File& Target, const File& Record) {
  if (R.Format >= 2) {
    if (!Target.IsOpen()) return R.TargetExisted;
    Result<FileStamp> Now = StampOf(Target);
    return !R.TargetExisted || !Now.ok() || !SameContentStamp(R.Stamp, Now.value(), R.Format >= 3);
  }
  // A record of the first format: a target modified after the record was
  // last written was written by someone else. (A copy that keeps the times
  // keeps both modification times.)
  struct stat T, Rec;
  if (!Target.IsOpen()) return false;
  if (::fstat(Target.fd(), &T) != 0 || ::fstat(Record.fd(), &Rec) != 0) return true;
  return Nanoseconds(T.st_mtim) > Nanoseconds(Rec.st_mtim);
}

// ERROR_INVALID_DATA (naming Record) unless the record Items can be carried
// out as written in Folder: no name is the record's own or that of its
// unfinished form, every prepared copy left is a regular file, every target
// that exists is one (or a link to one), and no two of them are one file.
Status CheckRecordFiles(const String& Folder, const String& RecordName, const std::vector<Replacement>& Items,
                        const String& Record) {
  const Status Invalid = Status::Error(ERROR_INVALID_DATA, Record);
  const String Own = MatchForm(RecordName), Unfinished = MatchForm(RecordName + UnfinishedSuffix);
  std::set<std::pair<dev_t, ino_t>> Files;
  // False when Path is of the wrong kind or a file seen before.
  auto Take = [&Files](const String& Path, bool Follow) {
    struct stat St;
    if ((Follow ? ::stat(Path.c_str(), &St) : ::lstat(Path.c_str(), &St)) != 0) return errno == ENOENT;
    return S_ISREG(St.st_mode) && Files.emplace(St.st_dev, St.st_ino).second;
  };
  for (const Replacement& R : Items) {
    for (const String* Name : {&R.Prepared, &R.Target})
      if (MatchForm(*Name) == Own || MatchForm(*Name) == Unfinished) return Invalid;
    if (!Take(Join(Folder, R.Prepared), false) || !Take(ResolvePath(Join(Folder, R.Target)), true)) return Invalid;
  }
  return Status::OK();
}

}  // namespace

// ---- identity -----------------------------------------------------------------

namespace {

// Carries Hash over Count bytes: eight bytes a step (a byte a step costs
// more than reading the file); the rotation carries every bit into the low
// ones of later steps, the bytes past the last whole word go one by one.
std::uint64_t MixBytes(std::uint64_t Hash, const unsigned char* Data, std::size_t Count) {
  std::size_t I = 0;
  for (; I + 8 <= Count; I += 8) {
    Hash = (Hash ^ LoadLE64(Data + I)) * 1099511628211ULL;
    Hash = (Hash << 31) | (Hash >> 33);
  }
  for (; I < Count; ++I) Hash = (Hash ^ Data[I]) * 1099511628211ULL;
  return Hash;
}

constexpr std::uint64_t HashStart = 14695981039346656037ULL;

}  // namespace

std::uint64_t ChecksumOf(const void* Data, std::size_t Count) {
  return MixBytes(HashStart, static_cast<const unsigned char*>(Data), Count);
}

Result<FileIdentity> IdentityOf(const File& F) {
  struct stat St;
  if (!F.IsOpen()) return Status::Error(ERROR_INVALID_HANDLE, F.Path());
  if (::fstat(F.fd(), &St) != 0) return Status::FromErrno(errno, F.Path());
  FileIdentity Id;
  Id.Size = static_cast<std::uint64_t>(St.st_size);
  Id.ModifiedNs = Nanoseconds(St.st_mtim);
  std::uint64_t Hash = HashStart;
  std::vector<unsigned char> Buffer(1 << 16);
  std::uint64_t Offset = 0;
  for (;;) {
    std::size_t Got = 0;
    if (Status S = F.Read(Offset, Buffer.data(), Buffer.size(), &Got); !S.ok()) return S;
    if (Got == 0) break;
    Hash = MixBytes(Hash, Buffer.data(), Got);
    Offset += Got;
  }
  Id.Checksum = Hash;
  return Id;
}

Result<FileIdentity> IdentityOf(const String& Path) {
  File F;
  if (Status S = F.Open(Path, Access::Read, Share::DenyNone); !S.ok()) return S;
  return IdentityOf(F);
}

Result<FileStamp> StampOf(const File& F) {
  struct stat St;
  if (!F.IsOpen()) return Status::Error(ERROR_INVALID_HANDLE, F.Path());
  if (::fstat(F.fd(), &St) != 0) return Status::FromErrno(errno, F.Path());
  unsigned char Head[kStampHeadBytes];
  std::size_t Got = 0;
  if (Status S = F.Read(0, Head, sizeof Head, &Got); !S.ok()) return S;
  return FileStamp{static_cast<std::uint64_t>(St.st_size), Nanoseconds(St.st_mtim), MixBytes(HashStart, Head, Got)};
}

bool SameContentStamp(const FileStamp& Then, const FileStamp& Now, bool CompareHead) {
  if (Then.Size != Now.Size || (CompareHead && Then.HeadChecksum != Now.HeadChecksum)) return false;
  if (Now.ModifiedNs > Then.ModifiedNs) return false;
  // Now is Then cut to Step when it is a whole Step and less than one Step
  // before Then (the difference taken without overflow).
  const std::uint64_t Behind = static_cast<std::uint64_t>(Then.ModifiedNs) - static_cast<std::uint64_t>(Now.ModifiedNs);
  for (std::int64_t Step : {std::int64_t(1), std::int64_t(100), std::int64_t(1000), std::int64_t(1000000),
                            std::int64_t(1000000000), std::int64_t(2000000000)})
    if (Now.ModifiedNs % Step == 0 && Behind < static_cast<std::uint64_t>(Step)) return true;
  return false;
}

// ---- record -------------------------------------------------------------------

String FormatReplaceRecord(const std::vector<Replacement>& Items) {
  int Format = LatestFormat;
  for (const Replacement& R : Items) Format = std::clamp(R.Format, 1, Format);
  String Text = String(RecordHeads[Format - 1]) + "\n" + std::to_string(Items.size()) + "\n";
  for (const Replacement& R : Items) {
    Replacement Written = R;
    Written.Format = Format;
    Text += R.Prepared + "\t" + R.Target + (Format >= 2 ? "\t" + FormatStamp(Written) : String()) + "\n";
  }
  return Text + RecordEnd + "\n";
}

bool ParseReplaceRecord(const String& Text, std::vector<Replacement>& Items) {
  Items.clear();
  std::vector<String> Lines;
  std::size_t Count = 0;
  if (!SplitLines(Text, Lines) || Lines.size() < 3 || !ParseCount(Lines[1], Count) || Lines.size() != Count + 3 ||
      Lines.back() != RecordEnd)
    return false;
  int Format = 0;
  for (int F = 1; F <= LatestFormat; ++F)
    if (Lines[0] == RecordHeads[F - 1]) Format = F;
  if (Format == 0) return false;
  const bool Stamped = Format >= 2;
  std::vector<Replacement> Read;
  for (std::size_t I = 2; I < 2 + Count; ++I) {
    std::size_t Tab = Lines[I].find('\t');
    if (Tab == String::npos) return false;
    std::size_t Tab2 = Stamped ? Lines[I].find('\t', Tab + 1) : String::npos;
    if (Stamped && Tab2 == String::npos) return false;
    Replacement R;
    R.Format = Format;
    R.Prepared = Lines[I].substr(0, Tab);
    R.Target = Lines[I].substr(Tab + 1, Tab2 == String::npos ? String::npos : Tab2 - Tab - 1);
    if (!ValidName(R.Prepared) || !ValidName(R.Target)) return false;
    if (Stamped && !ParseStamp(Lines[I].substr(Tab2 + 1), R)) return false;
    Read.push_back(std::move(R));
  }
  if (!NamesDistinct(Read)) return false;
  Items = std::move(Read);
  return true;
}

// ---- FileReplacement -------------------------------------------------------------

FileReplacement::FileReplacement(String Folder, String RecordName)
    : FFolder(ResolvePath(std::move(Folder))), FRecord(std::move(RecordName)) {}

FileReplacement::~FileReplacement() { Release(); }

void FileReplacement::Add(const String& PreparedName, const String& TargetName) {
  Item I;
  I.Prepared = Join(FFolder, PreparedName);
  I.Target = ResolvePath(Join(FFolder, TargetName));
  FItems.push_back(std::move(I));
}

Status FileReplacement::Hold() {
  for (Item& I : FItems) {
    Status S = HoldExclusive(I.Prepared, I.PreparedFile);
    if (S.ok() && Present(I.Target)) S = HoldExclusive(I.Target, I.TargetFile);
    if (!S.ok()) {
      Release();
      return S;
    }
  }
  return Status::OK();
}

const File& FileReplacement::HeldTarget(std::size_t I) const { return FItems[I].TargetFile; }

void FileReplacement::Release() {
  for (Item& I : FItems) {
    I.PreparedFile.Close();
    I.TargetFile.Close();
  }
}

Status FileReplacement::Commit() {
  bool Held = true;
  for (const Item& I : FItems) Held = Held && I.PreparedFile.IsOpen();
  if (!Held)
    if (Status S = Hold(); !S.ok()) return S;
  for (const Item& I : FItems)
    if (Status S = I.PreparedFile.Flush(); !S.ok()) return S;
  std::vector<Replacement> Items;
  for (const Item& I : FItems) {
    Replacement R{detail::NameOf(I.Prepared), detail::NameOf(I.Target)};
    R.Format = LatestFormat;
    R.TargetExisted = I.TargetFile.IsOpen();
    if (R.TargetExisted) {
      Result<FileStamp> Stamp = StampOf(I.TargetFile);
      if (!Stamp.ok()) return Stamp.status();
      R.Stamp = Stamp.value();
    }
    Items.push_back(std::move(R));
  }
  TStepCounter Steps;
  if (Status S = WriteIntentRecord(FFolder, FRecord, Items, Steps); !S.ok()) return S;
  // Committed: from here on a failure is completed by RecoverReplacement.
  for (const Item& I : FItems) {
    if (!Steps.Go()) return Aborted(I.Target);
    if (Status S = RenameOver(I.Prepared, I.Target); !S.ok()) return S;
  }
  if (Status S = SyncFolder(FFolder); !S.ok()) return S;
  if (!Steps.Go()) return Aborted(FRecord);
  if (Status S = RemoveFile(Join(FFolder, FRecord)); !S.ok()) return S;
  Status S = SyncFolder(FFolder);
  Release();
  return S;
}

// ---- recovery --------------------------------------------------------------------

bool ReplacementPending(const String& Folder, const String& RecordName) {
  return Present(Join(Folder, RecordName));
}

Status RecoverReplacement(const String& AFolder, const String& RecordName, std::vector<Replacement>* Changed,
                          RecoveryOutcome* Done) {
  RecoveryOutcome Ignored;
  if (!Done) Done = &Ignored;
  *Done = RecoveryOutcome::Nothing;
  const String Folder = ResolvePath(AFolder);
  const String Record = Join(Folder, RecordName);
  bool ThrownAway = false;
  if (Status S = RemoveUnfinished(Record + UnfinishedSuffix, &ThrownAway); !S.ok()) return S;
  if (ThrownAway) *Done = RecoveryOutcome::ThrownAway;
  if (!Present(Record)) return Status::OK();
  // A folder, a link or a device under the record's name is nothing a
  // replacement wrote.
  if (!RegularFile(Record)) return Status::Error(ERROR_INVALID_DATA, Record);
  // Held through the recovery: one recovery at a time carries it out.
  File Held;
  if (Status S = HoldNamed(Record, Held); !S.ok())
    return S.code() == ERROR_FILE_NOT_FOUND ? Status::OK() : S;
  String Text;
  std::vector<Replacement> Items;
  if (!ReadWhole(Held, Text) || !ParseReplaceRecord(Text, Items))
    return Status::Error(ERROR_INVALID_DATA, Record);
  // Only the replacements whose prepared copy is still there are left to do.
  FileReplacement Rest(Folder, RecordName);
  std::vector<Replacement> Left;
  for (const Replacement& R : Items)
    if (Present(Join(Folder, R.Prepared))) {
      Rest.Add(R.Prepared, R.Target);
      Left.push_back(R);
    }
  if (Status S = CheckRecordFiles(Folder, RecordName, Left, Record); !S.ok()) return S;
  if (Status S = Rest.Hold(); !S.ok())
    // A prepared copy gone meanwhile was moved by the replacement still at work.
    return S.code() == ERROR_FILE_NOT_FOUND ? Status::Error(ERROR_SHARING_VIOLATION, S.context()) : S;
  String ChangedPaths;
  for (std::size_t I = 0; I < Left.size(); ++I)
    if (TargetChanged(Left[I], Rest.HeldTarget(I), Held)) {
      ChangedPaths += (ChangedPaths.empty() ? "" : ", ") + Join(Folder, Left[I].Target);
      if (Changed) Changed->push_back(Left[I]);
    }
  if (!ChangedPaths.empty()) return Status::Error(ERROR_FILE_INVALID, ChangedPaths);
  TStepCounter Steps;
  for (const Replacement& R : Left) {
    if (!Steps.Go()) return Aborted(R.Target);
    if (Status S = RenameOver(Join(Folder, R.Prepared), Join(Folder, R.Target)); !S.ok()) return S;
  }
  if (Status S = SyncFolder(Folder); !S.ok()) return S;
  if (!Steps.Go()) return Aborted(Record);
  if (Status S = RemoveFile(Record); !S.ok()) return S;
  *Done = RecoveryOutcome::CarriedOut;
  return SyncFolder(Folder);
}

Result<String> SetRecordAside(const String& AFolder, const String& RecordName,
                              const std::vector<String>& PreparedNames, const String& Suffix) {
  const String Folder = ResolvePath(AFolder);
  // The first free name Path + Suffix, Path + Suffix + "2" ...
  auto FreeName = [&Suffix](const String& Path) {
    String Name = Path + Suffix;
    for (int N = 2; Present(Name) && N < 1000; ++N) Name = Path + Suffix + std::to_string(N);
    return Name;
  };
  const String Record = Join(Folder, RecordName), Aside = FreeName(Record);
  if (Status S = RenameOver(Record, Aside); !S.ok()) return S;
  for (const String& Name : PreparedNames) {
    const String Path = Join(Folder, Name);
    if (!Present(Path)) continue;
    if (Status S = RenameOver(Path, FreeName(Path)); !S.ok()) return S;
  }
  if (Status S = SyncFolder(Folder); !S.ok()) return S;
  return Aside;
}

ReplaceStepHook SetReplaceStepHook(ReplaceStepHook Hook) {
  std::lock_guard<std::mutex> Lock(gHookMutex);
  ReplaceStepHook Old = std::move(gHook);
  gHook = std::move(Hook);
  return Old;
}

}  // namespace os
