#include "sync/backup.h"

#include <zlib.h>

#include <algorithm>
#include <cmath>
#include <condition_variable>
#include <exception>
#include <memory>
#include <mutex>
#include <system_error>
#include <thread>
#include <vector>

#include "platform/os/fileapi.h"
#include "platform/os/filestream.h"
#include "platform/os/find.h"
#include "platform/os/folders.h"
#include "platform/rtl/byteorder.h"
#include "platform/rtl/charset.h"
#include "platform/rtl/sysutils.h"
#include "sync/backup_format.h"

RTL_IMPLEMENT_CLASS(TBackupFile, TComponent, ComponentFactory<TBackupFile>)

RTL_PUBLISHED(TBackupFile) {
  P.Prop("Version", &TBackupFile::Version, &TBackupFile::SetVersion).Stored(false);
  P.Field("BackupTitle", &TBackupFile::BackupTitle);
  P.Prop("BackupMode", &TBackupFile::BackupMode, &TBackupFile::SetBackupMode).Default(bmAll);
  P.Field("CompressionLevel", &TBackupFile::CompressionLevel).Default(clFastest);
  P.Field("RestoreMode", &TBackupFile::RestoreMode).Default(rmAll);
  P.Field("RestoreFullPath", &TBackupFile::RestoreFullPath).Default(false);
  P.Field("MaxSize", &TBackupFile::MaxSize).Default(0);
  P.Field("SetArchiveFlag", &TBackupFile::SetArchiveFlag).Default(false);
  P.Field("SaveFileID", &TBackupFile::SaveFileID).Default(true);
  P.Field("OnProgress", &TBackupFile::OnProgress);
  P.Field("OnNeedDisk", &TBackupFile::OnNeedDisk);
  P.Field("OnRestoreFile", &TBackupFile::OnRestoreFile);
  P.Field("OnFileRestored", &TBackupFile::OnFileRestored);
  P.Field("OnError", &TBackupFile::OnError);
}

std::function<void()> TBackupFile::ProcessMessagesHook;
std::function<void(const String&)> TBackupFile::ErrorDialogHook;

String BackupErrorText(Integer Code) {
  switch (Code) {
    case beCannotReadFile: return "Cannot read file";
    case beOverwriteFailed: return "Overwriting file failed";
    case beCannotReadArchive: return "Cannot read archive";
    case beCannotWriteArchive: return "Cannot write to archive";
    case beInvalidArchive: return "Invalid archive type";
    case beCompressionError: return "Compression error";
    case beCannotCreateTempFile: return "Cannot create temporary file to save the file IDs";
    default: return String();
  }
}

TBackupFile::TBackupFile(TComponent* AOwner) : TComponent(AOwner) {}

void TBackupFile::SetBackupMode(TBackupMode Value) {
  FBackupMode = Value;
  if (Value == bmIncremental) SetArchiveFlag = true;
}

// ---- the writer ----------------------------------------------------------------

namespace {

// An error that ends the write with its code.
struct TWriteFailure {
  explicit TWriteFailure(Integer C, String Why = String()) : Code(C), Cause(std::move(Why)) {}
  Integer Code;
  String Cause;  // what the stream said (a full disk names its file), or ""
};

const char* const ArchiveStreamName = ":STREAM";

// "path /s" (any case, blank before the switch): the part before it and
// every sub-folder. A '/' inside a path is no switch.
bool SplitRecursiveSwitch(const String& Line, String& Spec) {
  String T = TrimRight(Line);
  if (T.size() >= 3 && (T.back() == 's' || T.back() == 'S') && T[T.size() - 2] == '/' &&
      (T[T.size() - 3] == ' ' || T[T.size() - 3] == '\t')) {
    Spec = Trim(T.substr(0, T.size() - 2));
    return true;
  }
  Spec = Trim(Line);
  return false;
}

// One deflate state for every block it packs, reset between blocks:
// making and freeing it per block costs more than the compression at
// level 1.
class TBlockDeflater {
 public:
  TBlockDeflater() = default;
  ~TBlockDeflater() {
    if (FReady) deflateEnd(&FZ);
  }
  TBlockDeflater(const TBlockDeflater&) = delete;
  TBlockDeflater& operator=(const TBlockDeflater&) = delete;

  // Deflates Count bytes into Out (BlockSize bytes) as an independent zlib
  // stream. Returns the packed size, -1 when the block does not shrink
  // into Out, -2 on a zlib error.
  Int64 Pack(int Level, const Byte* In, Int64 Count, Byte* Out) {
    if (!FReady) {
      if (deflateInit2(&FZ, Level, Z_DEFLATED, 15, 8, Z_DEFAULT_STRATEGY) != Z_OK) return -2;
      FReady = true;
    } else if (deflateReset(&FZ) != Z_OK) {
      return -2;
    }
    FZ.next_in = const_cast<Byte*>(In);
    FZ.avail_in = static_cast<uInt>(Count);
    FZ.next_out = Out;
    FZ.avail_out = backup_format::BlockSize;
    int R = deflate(&FZ, Z_FINISH);
    if (R == Z_STREAM_END) return static_cast<Int64>(FZ.total_out);
    return R == Z_OK ? -1 : -2;
  }

 private:
  z_stream FZ{};
  bool FReady = false;
};

// Blocks read and packed together.
constexpr int BlocksPerBatch = 32;

// A batch of blocks on its way through the packer: read by the caller,
// packed on any thread, written by the caller.
struct TBlockBatch {
  static constexpr std::size_t Bytes = std::size_t(BlocksPerBatch) * backup_format::BlockSize;
  std::unique_ptr<Byte[]> In{new Byte[Bytes]}, Out{new Byte[Bytes]};
  Int64 Sizes[BlocksPerBatch] = {};   // block I: Sizes[I] bytes at In + I x BlockSize
  Int64 Packed[BlocksPerBatch] = {};  // as TBlockDeflater::Pack returned for block I
  int Count = 0;
  // What the source raised while this batch was read; its blocks are
  // then dropped and the exception raised where the batch is written.
  std::exception_ptr ReadError;
  // Guarded by the packer's lock: blocks taken by a thread, blocks packed.
  int Claimed = 0, Finished = 0;
};

// Packs blocks on a few threads besides the caller's, as a pipeline of up
// to Depth batches: while the caller writes the oldest batch and reads the
// next one, the helpers pack the batches after it. Every block is an
// independent stream, so the bytes are those of packing the blocks one
// after the other. The caller packs too while it waits for the oldest
// batch (with no helper on a single core it packs everything).
//
// Thread rule: every public member is for the one thread that owns the
// packer. A batch belongs to the caller from Free() until Submit() and
// again from Oldest() until Release(); in between only the packing threads
// touch it, under FLock except for the block each one packs.
class TBlockPacker {
 public:
  static constexpr int Depth = 3;

  explicit TBlockPacker(int Level) : FLevel(Level) {
    const unsigned Cores = std::max(1u, std::thread::hardware_concurrency());
    const unsigned Helpers = std::min(7u, Cores - 1);
    FDeflaters.resize(Helpers + 1);
    for (auto& D : FDeflaters) D = std::make_unique<TBlockDeflater>();
    try {
      for (unsigned I = 1; I <= Helpers; ++I) FThreads.emplace_back([this, I] { Serve(I); });
    } catch (const std::system_error&) {
      // The system gives no more threads: the caller and the helpers
      // started so far pack everything.
    }
  }
  ~TBlockPacker() {
    Drop();
    {
      std::lock_guard<std::mutex> L(FLock);
      FStop = true;
    }
    FWake.notify_all();
    for (auto& T : FThreads) T.join();
  }
  TBlockPacker(const TBlockPacker&) = delete;
  TBlockPacker& operator=(const TBlockPacker&) = delete;

  // Batches submitted and not yet released.
  int Queued() const { return FQueued; }
  // The batch to fill next (only while Queued() < Depth): its In, Sizes,
  // Count and ReadError are the caller's to set.
  TBlockBatch& Free() { return FBatches[(FHead + FQueued) % Depth]; }
  // Hands the batch from Free() over for packing.
  void Submit() {
    {
      std::lock_guard<std::mutex> L(FLock);
      TBlockBatch& B = Free();
      B.Claimed = B.Finished = 0;
      ++FQueued;
    }
    FWake.notify_all();
  }
  // The oldest submitted batch (only while Queued() > 0) once all its
  // blocks are packed; packs blocks on this thread while it waits.
  TBlockBatch& Oldest() {
    TBlockBatch& B = FBatches[FHead];
    std::unique_lock<std::mutex> L(FLock);
    while (B.Finished < B.Count) {
      TBlockBatch* Next;
      int I;
      if (Claim(Next, I)) {
        PackClaimed(L, 0, *Next, I);
        continue;
      }
      FDone.wait(L);
    }
    return B;
  }
  // The oldest batch is written: its place is free again.
  void Release() {
    std::lock_guard<std::mutex> L(FLock);
    FHead = (FHead + 1) % Depth;
    --FQueued;
  }
  // Forgets every submitted batch; returns when no thread packs any more.
  void Drop() {
    std::unique_lock<std::mutex> L(FLock);
    for (int K = 0; K < FQueued; ++K) {
      TBlockBatch& B = FBatches[(FHead + K) % Depth];
      B.Count = B.Claimed;
    }
    FDone.wait(L, [this] { return FActive == 0; });
    FHead = FQueued = 0;
  }

 private:
  // Takes the first block no thread has taken yet, oldest batch first.
  // REQUIRES: FLock held.
  bool Claim(TBlockBatch*& B, int& I) {
    for (int K = 0; K < FQueued; ++K) {
      TBlockBatch& C = FBatches[(FHead + K) % Depth];
      if (C.Claimed < C.Count) {
        B = &C;
        I = C.Claimed++;
        ++FActive;
        return true;
      }
    }
    return false;
  }
  // Packs a claimed block with the deflater of thread Self, outside the
  // lock that L holds on entry and on return.
  void PackClaimed(std::unique_lock<std::mutex>& L, unsigned Self, TBlockBatch& B, int I) {
    using backup_format::BlockSize;
    L.unlock();
    B.Packed[I] = FDeflaters[Self]->Pack(FLevel, B.In.get() + std::size_t(I) * BlockSize, B.Sizes[I],
                                         B.Out.get() + std::size_t(I) * BlockSize);
    L.lock();
    --FActive;
    ++B.Finished;
  }
  void Serve(unsigned Self) {
    std::unique_lock<std::mutex> L(FLock);
    for (;;) {
      TBlockBatch* B = nullptr;
      int I = 0;
      FWake.wait(L, [&] { return FStop || Claim(B, I); });
      if (FStop) return;
      PackClaimed(L, Self, *B, I);
      // The owner waits for a whole batch, or for the last block to end
      // when it drops the rest.
      if (B->Finished == B->Count || FActive == 0) FDone.notify_one();
    }
  }

  const int FLevel;
  std::vector<std::unique_ptr<TBlockDeflater>> FDeflaters;  // [0] the caller's
  std::vector<std::thread> FThreads;
  TBlockBatch FBatches[Depth];
  std::mutex FLock;
  std::condition_variable FWake, FDone;
  // Guarded by FLock (the owner reads them without it: only it changes
  // them).
  int FHead = 0, FQueued = 0;
  int FActive = 0;  // blocks being packed outside the lock
  bool FStop = false;
};

}  // namespace

class TBackupFile::TWriter {
 public:
  TWriter(TBackupFile& Owner, TStream* Dest) : O(Owner), FDest(Dest) {}
  TWriter(const TWriter&) = delete;
  TWriter& operator=(const TWriter&) = delete;

  bool Run(TStrings* Files);

 private:
  void Expand(const String& Spec, bool Recursive);
  void AddMatch(const String& Path);
  void WriteList();
  void WriteHeader();
  void WriteEntry(const String& Path, bool IsList);
  void WriteData(TStream& Source);
  bool ReadBatch(TStream& Source, TBlockBatch& B);
  void Progress(const String& Name, TPercentage Percent);
  void PutInt(Integer V);
  void PutBytes(const void* Data, Int64 Count);
  void FlushOut();
  int Level() const;

  TBackupFile& O;
  TStream* FDest;
  std::vector<String> FFiles;
  String FListFile;
  Int64 FTotalSize = 0;
  Int64 FDone = 0;
  Integer FFileCount = 0;
  bool FAborted = false;
  std::unique_ptr<TBlockPacker> FPacker;  // made with the first block
  // Archive bytes not yet written to FDest: written in large pieces.
  std::string FOut;
};

// Bytes gathered before they go to the destination stream.
constexpr std::size_t ArchiveOutBufferSize = 1 << 20;

void TBackupFile::TWriter::AddMatch(const String& Path) {
  for (const String& F : FFiles)
    if (SameFileName(F, Path)) return;
  if (SameFileName(Path, ArchiveStreamName)) return;
  if (O.BackupMode() != bmAll && !(FileGetAttr(Path) & faArchive)) return;
  FFiles.push_back(Path);
}

void TBackupFile::TWriter::Expand(const String& Spec, bool Recursive) {
  String Folder = ExtractFilePath(Spec);
  String Mask = ExtractFileName(Spec);
  TSearchRec F;
  if (Recursive && FindFirst(Folder + "*.*", faDirectory, F) == 0) {
    do {
      if ((F.Attr & faDirectory) && F.Name != "." && F.Name != "..") Expand(Folder + F.Name + "/" + Mask, true);
    } while (FindNext(F) == 0);
    FindClose(F);
  }
  if (FindFirst(Spec, faReadOnly | faHidden | faSysFile | faVolumeID | faArchive, F) == 0) {
    do {
      if (!(F.Attr & faDirectory)) AddMatch(ExpandFileName(Folder + F.Name));
    } while (FindNext(F) == 0);
    FindClose(F);
  }
}

void TBackupFile::TWriter::PutBytes(const void* Data, Int64 Count) {
  FOut.append(static_cast<const char*>(Data), static_cast<std::size_t>(Count));
  if (FOut.size() >= ArchiveOutBufferSize) FlushOut();
}

void TBackupFile::TWriter::FlushOut() {
  if (FOut.empty()) return;
  try {
    FDest->WriteBuffer(FOut.data(), static_cast<Int64>(FOut.size()));
  } catch (const Exception& E) {
    FOut.clear();
    throw TWriteFailure{beCannotWriteArchive, E.Message()};
  }
  FOut.clear();
}

int TBackupFile::TWriter::Level() const {
  switch (O.CompressionLevel) {
    case TCompressionLevel::clNone: return 0;
    case TCompressionLevel::clDefault: return -1;
    case TCompressionLevel::clMax: return 9;
    case TCompressionLevel::clFastest: return 1;
  }
  return 1;
}

void TBackupFile::TWriter::PutInt(Integer V) {
  Byte B[4];
  StoreLE32(B, Cardinal(V));
  PutBytes(B, 4);
}

void TBackupFile::TWriter::Progress(const String& Name, TPercentage Percent) {
  bool Continue = true;
  if (O.OnProgress) O.OnProgress(&O, Name, Percent, Continue);
  if (!Continue) FAborted = true;
}

// Sizes the files and, with SaveFileID, writes the list entry's text to a
// temporary file that goes first.
void TBackupFile::TWriter::WriteList() {
  std::string List;
  for (const String& Path : FFiles) {
    try {
      TFileStream S(Path, fmOpenRead | fmShareDenyNone);
      FTotalSize += S.Size();
      if (O.SaveFileID)
        List += Utf8ToAnsi(Path) + "\t" + std::to_string(FileAge(Path)) + "=" + std::to_string(S.Size()) + "\r\n";
    } catch (const Exception&) {
      // A file that vanished or cannot be read is left out of the sizes.
    }
  }
  FFileCount = static_cast<Integer>(FFiles.size());
  if (!O.SaveFileID) return;
  try {
    const String Temp = O.FileListFolder.empty() ? GetTempPath() : IncludeTrailingPathDelimiter(O.FileListFolder);
    for (int Attempt = 0; FListFile.empty(); ++Attempt) {
      if (Attempt >= 0x10000) throw TWriteFailure{beCannotCreateTempFile};
      String Name = Temp + "FID" + IntToHex(Integer((std::rand() + Attempt) & 0xFFFF), 4) + ".tmp";
      os::File F;
      os::Status St = F.Open(Name, os::Access::Write, os::Share::DenyNone, os::Disposition::CreateNew);
      if (St.code() == ERROR_FILE_EXISTS) continue;
      if (!St.ok() || !F.Write(0, List.data(), List.size()).ok()) throw TWriteFailure{beCannotCreateTempFile};
      FListFile = Name;
    }
  } catch (const Exception&) {
    throw TWriteFailure{beCannotCreateTempFile};
  }
  FFiles.insert(FFiles.begin(), FListFile);
  FTotalSize += static_cast<Int64>(List.size());
}

void TBackupFile::TWriter::WriteHeader() {
  std::string Title = Utf8ToAnsi(O.BackupTitle);
  PutInt(static_cast<Integer>(Title.size()));
  PutBytes(Title.data(), static_cast<Int64>(Title.size()));
  PutInt(static_cast<Integer>(FTotalSize));
  PutInt(FFileCount);
}

// Reads the next batch of Source into B. Returns False at the end of
// Source (the batch may still hold blocks) or when Source raised.
bool TBackupFile::TWriter::ReadBatch(TStream& Source, TBlockBatch& B) {
  using backup_format::BlockSize;
  B.Count = 0;
  B.ReadError = nullptr;
  try {
    while (B.Count < BlocksPerBatch) {
      Int64 Got = Source.Read(B.In.get() + std::size_t(B.Count) * BlockSize, BlockSize);
      if (Got <= 0) return false;
      B.Sizes[B.Count++] = Got;
    }
  } catch (...) {
    B.ReadError = std::current_exception();
    B.Count = 0;
    return false;
  }
  return true;
}

// The entry's blocks as a pipeline: the batches after the one being
// written are read ahead and packed meanwhile. The output, the calls of
// ProcessMessagesHook and Progress (one per block, in order) and where a
// failure or an abort stops are those of taking one batch at a time.
void TBackupFile::TWriter::WriteData(TStream& Source) {
  using backup_format::BlockSize;
  PutBytes(backup_format::EntryMarker, 4);
  if (!FPacker) FPacker = std::make_unique<TBlockPacker>(Level());
  TBlockPacker& P = *FPacker;
  // After an abort or a failure no batch of this entry stays in work.
  struct TDropRest {
    TBlockPacker& P;
    ~TDropRest() { P.Drop(); }
  } DropRest{P};
  bool More = true;
  while (!FAborted) {
    while (More && P.Queued() < TBlockPacker::Depth) {
      TBlockBatch& B = P.Free();
      More = ReadBatch(Source, B);
      if (B.Count > 0 || B.ReadError) P.Submit();
    }
    if (P.Queued() == 0) break;
    TBlockBatch& B = P.Oldest();
    if (B.ReadError) std::rethrow_exception(B.ReadError);
    for (int I = 0; I < B.Count && !FAborted; ++I) {
      if (B.Packed[I] == -2) throw TWriteFailure{beCompressionError};
      if (B.Packed[I] >= 0) {
        PutInt(static_cast<Integer>(B.Packed[I]));
        PutBytes(B.Out.get() + std::size_t(I) * BlockSize, B.Packed[I]);
      } else {
        // The block does not shrink: store it.
        PutInt(-static_cast<Integer>(B.Sizes[I]));
        PutBytes(B.In.get() + std::size_t(I) * BlockSize, B.Sizes[I]);
      }
      FDone += B.Sizes[I];
      if (ProcessMessagesHook) ProcessMessagesHook();
      Progress(String(), FTotalSize > 0 ? TPercentage(std::lround(double(FDone) / double(FTotalSize) * 100)) : 100);
    }
    P.Release();
  }
  PutInt(0);
}

void TBackupFile::TWriter::WriteEntry(const String& Path, bool IsList) {
  std::string Name = IsList ? String(backup_format::FileListName) : Utf8ToAnsi(Trim(Path));
  PutInt(static_cast<Integer>(Name.size()));
  PutBytes(Name.data(), static_cast<Int64>(Name.size()));
  std::unique_ptr<TFileStream> Source;
  try {
    Source = std::make_unique<TFileStream>(Path, fmOpenRead | fmShareDenyNone);
  } catch (const Exception&) {
    throw TWriteFailure{beCannotReadFile};
  }
  PutInt(FileGetDate(Source->Handle()));
  const Int64 Size = Source->Size();
  WriteData(*Source);
  // The stream shows a failed read as the file's end: an entry shorter than
  // its file was at the open is a failed copy, never a complete one.
  if (!FAborted && Source->Position() < Size) throw TWriteFailure{beCannotReadFile};
  if (O.SetArchiveFlag && !IsList) FileSetAttr(Path, FileGetAttr(Path) & ~faArchive);
}

bool TBackupFile::TWriter::Run(TStrings* Files) {
  Integer Error = 0;
  String Cause;
  try {
    for (Integer i = 0; i < Files->Count(); ++i) {
      String Spec;
      bool Recursive = SplitRecursiveSwitch(Files->Strings(i), Spec);
      if (!Spec.empty()) Expand(Spec, Recursive);
    }
    Progress(String(), 0);
    WriteList();
    WriteHeader();
    for (const String& Path : FFiles) {
      if (FAborted) break;
      if (!FileExists(Path)) continue;
      WriteEntry(Path, Path == FListFile);
    }
    if (!FAborted) PutInt(0);
    FlushOut();
  } catch (const TWriteFailure& F) {
    Error = F.Code;
    Cause = F.Cause;
  } catch (const Exception&) {
    Error = beCannotReadFile;
  }
  if (Error) {
    try {
      FlushOut();  // what was packed before the failure, as it came
    } catch (const TWriteFailure&) {
    }
  }
  if (!FListFile.empty()) DeleteFile(FListFile);
  Progress(String(), 100);
  if (Error) {
    // The stream's own words tell the user what to do (a full disk).
    String Text = Cause.empty() ? BackupErrorText(Error) : BackupErrorText(Error) + ":<BR>" + Cause;
    if (O.OnError) O.OnError(&O, Error, Text);
    else if (ErrorDialogHook) ErrorDialogHook(Text);
  }
  return Error == 0 && !FAborted;
}

bool TBackupFile::Backup(TStrings* Files, TStream* Dest) {
  if (!Dest || !Files) return false;
  MaxSize = 0;
  try {
    TWriter W(*this, Dest);
    return W.Run(Files);
  } catch (...) {
    return false;
  }
}
