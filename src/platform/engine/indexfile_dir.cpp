// The tag directory of an index file.
#include "platform/engine/indexfile_dir.h"

#include <cstring>

#include "platform/engine/btree_node.h"

namespace oak {

namespace {

class BlobReader {
 public:
  explicit BlobReader(const std::string& B) : FBlob(B) {}
  std::uint32_t U(int Bytes) {
    Need(Bytes);
    auto V = static_cast<std::uint32_t>(rtl_bytes::LoadLE(FBlob.data() + FAt, Bytes));
    FAt += Bytes;
    return V;
  }
  String Text() {
    std::uint32_t Len = U(2);
    Need(Len);
    String S = FBlob.substr(FAt, Len);
    FAt += Len;
    return S;
  }

 private:
  void Need(std::size_t N) {
    if (FAt + N > FBlob.size()) TreeCorrupt("tag directory is cut short");
  }
  const std::string& FBlob;
  std::size_t FAt = 0;
};

void PutU(std::string& B, std::uint32_t V, int Bytes) {
  char Field[4];
  rtl_bytes::StoreLE(Field, V, Bytes);
  B.append(Field, Bytes);
}

void PutText(std::string& B, const String& S) {
  PutU(B, static_cast<std::uint32_t>(S.size()), 2);
  B += S;
}

std::string ReadChain(Pager& P) {
  std::string Blob;
  std::uint32_t Page = P.DirectoryHead();
  for (std::uint32_t Steps = 0; Page != 0; ++Steps) {
    if (Steps > P.PageCount()) TreeCorrupt("tag directory chain loops");
    const std::uint8_t* D = P.Read(Page);
    std::uint32_t Used = LoadLE16(D + 2);
    if (D[0] != kDirectoryPage || Used > P.PageSize() - kNodeHeader)
      TreeCorrupt("bad tag directory page " + std::to_string(Page));
    Blob.append(reinterpret_cast<const char*>(D + kNodeHeader), Used);
    Page = LoadLE32(D + 4);
  }
  return Blob;
}

void FreeChain(Pager& P) {
  std::vector<std::uint32_t> Pages;
  std::uint32_t Page = P.DirectoryHead();
  for (std::uint32_t Steps = 0; Page != 0 && Steps <= P.PageCount(); ++Steps) {
    const std::uint8_t* D = P.Read(Page);
    if (D[0] != kDirectoryPage) break;
    Pages.push_back(Page);
    Page = LoadLE32(D + 4);
  }
  for (std::uint32_t Pg : Pages) P.Free(Pg);
  P.SetDirectoryHead(0);
}

}  // namespace

std::vector<DirectoryEntry> ReadDirectory(Pager& P) {
  std::vector<DirectoryEntry> Out;
  // The header's copy first: it matches the header even when a writer
  // died between rewriting the directory pages and writing the header.
  if (P.DirectoryHead() == 0 && P.DirectoryCopy().empty()) return Out;
  std::string Blob = P.DirectoryCopy().empty() ? ReadChain(P) : P.DirectoryCopy();
  BlobReader R(Blob);
  std::uint32_t Count = R.U(4);
  if (Count > kMaxTags) TreeCorrupt("too many tags in the directory");
  std::uint16_t MaxKey = MaxKeyLength(P.PageSize());
  for (std::uint32_t i = 0; i < Count; ++i) {
    DirectoryEntry E;
    E.Def.Name = R.Text();
    E.Def.KeyExpr = R.Text();
    E.Def.Condition = R.Text();
    std::uint32_t Flags = R.U(1);
    E.Def.Unique = Flags & 1;
    E.Def.Descending = Flags & 2;
    E.Def.Custom = Flags & 4;
    std::uint32_t Type = R.U(1);
    E.Type = static_cast<KeyType>(Type);
    E.State.KeyLength = static_cast<std::uint16_t>(R.U(2));
    E.State.Root = R.U(4);
    E.State.KeyCount = R.U(4);
    if (Type < 1 || Type > 5 || E.State.KeyLength == 0 || E.State.KeyLength > MaxKey ||
        E.State.Root >= P.PageCount() || E.Def.Name.empty())
      TreeCorrupt("bad entry for tag " + std::to_string(i + 1) + " in the directory");
    Out.push_back(std::move(E));
  }
  return Out;
}

void WriteDirectory(Pager& P, const std::vector<DirectoryEntry>& Entries) {
  std::string Blob;
  PutU(Blob, static_cast<std::uint32_t>(Entries.size()), 4);
  for (const DirectoryEntry& E : Entries) {
    PutText(Blob, E.Def.Name);
    PutText(Blob, E.Def.KeyExpr);
    PutText(Blob, E.Def.Condition);
    PutU(Blob, (E.Def.Unique ? 1 : 0) | (E.Def.Descending ? 2 : 0) | (E.Def.Custom ? 4 : 0), 1);
    PutU(Blob, static_cast<std::uint32_t>(E.Type), 1);
    PutU(Blob, E.State.KeyLength, 2);
    PutU(Blob, E.State.Root, 4);
    PutU(Blob, E.State.KeyCount, 4);
  }
  P.SetDirectoryCopy(Blob);
  FreeChain(P);
  std::size_t Room = P.PageSize() - kNodeHeader;
  std::uint32_t Prev = 0;
  for (std::size_t At = 0; At < Blob.size(); At += Room) {
    std::uint32_t Page = P.Allocate();
    std::uint8_t* D = P.Write(Page);
    std::size_t N = std::min(Room, Blob.size() - At);
    D[0] = kDirectoryPage;
    StoreLE16(D + 2, static_cast<std::uint16_t>(N));
    std::memcpy(D + kNodeHeader, Blob.data() + At, N);
    if (Prev) StoreLE32(P.Write(Prev) + 4, Page);
    else P.SetDirectoryHead(Page);
    Prev = Page;
  }
}

}  // namespace oak
