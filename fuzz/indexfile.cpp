// Fuzzes the .OAI reader: any bytes either open as an index file, whose
// tags can then be walked, checked, changed and rebuilt, or fail with an
// engine error; nothing else may happen.
//
// An input whose first byte is even is the file image itself. An odd first
// byte makes the rest a list of patches (u16 offset, byte) to a sound index
// file built once, so that the fuzzer reaches the trees without having to
// guess a valid header and directory first.
#include <cstddef>
#include <cstdint>
#include <string>

#include "platform/engine/indexfile.h"

namespace {

// A table of fields A (character 12) and B (numeric).
class FuzzTable : public oak::ExprRecordContext {
 public:
  bool FindField(std::string_view Name, oak::ExprFieldInfo& Info) const override {
    if (Name.size() != 1 || ((Name[0] & ~0x20) != 'A' && (Name[0] & ~0x20) != 'B')) return false;
    Info.Index = (Name[0] & ~0x20) == 'A' ? 0 : 1;
    Info.Type = Info.Index == 0 ? oak::ExprType::String : oak::ExprType::Number;
    Info.Length = Info.Index == 0 ? 12 : 0;
    return true;
  }
  oak::ExprValue FieldValue(int Index) const override {
    if (Index == 0) return oak::ExprValue::FromString("rec" + std::to_string(Rec * 37 % 11));
    return oak::ExprValue::FromNumber(Rec % 5);
  }
  std::uint32_t RecordNumber() const override { return Rec; }
  bool IsDeleted() const override { return false; }
  std::uint32_t Rec = 1;
};

oak::RecordScan ScanOf(FuzzTable& Table, std::uint32_t Records) {
  return [&Table, Records](const oak::RecordVisitor& Visit) {
    for (Table.Rec = 1; Table.Rec <= Records; ++Table.Rec) Visit(Table);
  };
}

const std::string& SoundImage() {
  static const std::string Image = [] {
    std::string Data;
    FuzzTable Table;
    oak::IndexFileOptions O;
    O.PageSize = 512;
    auto F = oak::IndexFile::Create(oak::NewMemoryBlockFileOver(Data), Table, O);
    oak::TagDefinition D;
    D.Name = "A";
    D.KeyExpr = "UPPER(A)";
    F->CreateTag(D, ScanOf(Table, 300));
    D.Name = "B";
    D.KeyExpr = "B";
    D.Condition = "B > 1";
    D.Descending = true;
    F->CreateTag(D, ScanOf(Table, 300));
    F->Flush();
    F.reset();
    return Data;
  }();
  return Image;
}

std::string ImageOf(const std::uint8_t* Data, std::size_t Size) {
  if (Size == 0 || (Data[0] & 1) == 0) return std::string(reinterpret_cast<const char*>(Data), Size);
  std::string Image = SoundImage();
  for (std::size_t i = 1; i + 2 < Size; i += 3) {
    std::size_t At = (Data[i] | (Data[i + 1] << 8)) % Image.size();
    Image[At] = static_cast<char>(Data[i + 2]);
  }
  return Image;
}

void Walk(oak::IndexTag& Tag) {
  oak::BTreeCursor C(Tag.Tree());
  int Steps = 0;
  for (bool Ok = C.First(); Ok && Steps < 5000; Ok = C.Next()) ++Steps;
  for (bool Ok = C.Last(); Ok && Steps < 10000; Ok = C.Prev()) ++Steps;
  if (C.SeekGE("REC")) (void)C.RelativePosition();
  if (C.SetRelativePosition(0.5)) (void)C.KeyNumber();
}

}  // namespace

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* Data, std::size_t Size) {
  FuzzTable Table;
  try {
    auto Index = oak::IndexFile::Open(oak::NewMemoryBlockFile(ImageOf(Data, Size)), Table, {});
    for (std::size_t i = 0; i < Index->TagCount(); ++i) {
      try {
        Walk(Index->Tag(i));
        Index->Tag(i).Tree().Verify();
      } catch (const oak::EEngineError&) {
      }
    }
    try {
      Table.Rec = 301;
      Index->AddRecord(Table);
      Index->RemoveRecord(Table);
    } catch (const oak::EEngineError&) {
    }
    Index->Reindex(ScanOf(Table, 40));
    try {  // a rebuilt file must be sound
      Index->Verify();
      for (std::size_t i = 0; i < Index->TagCount(); ++i) Walk(Index->Tag(i));
    } catch (const oak::EEngineError&) {
      __builtin_trap();
    }
    Index->Flush();
  } catch (const oak::EEngineError&) {
  }
  return 0;
}
