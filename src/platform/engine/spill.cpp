// Spill files: slots of a temporary file by number, and their bitmap.
#include "platform/engine/spill.h"

#include <bit>

#include "platform/engine/errors.h"
#include "platform/os/folders.h"

namespace oak {

TSpillFile::TSpillFile(std::size_t SlotSize, std::string Owner)
    : FSlotSize(SlotSize), FOwner(std::move(Owner)) {}

void TSpillFile::Failed(const os::Status& S, const char* What) const {
  Fail(E_IO, std::string("temporary file in ") + (FFile.IsOpen() ? FFile.Path() : S.context()) + " for " + FOwner +
                 ": " + What + (S.ok() ? std::string() : ": " + S.Message()));
}

void TSpillFile::Put(std::uint32_t First, const void* Data, std::uint32_t N) {
  if (!FFile.IsOpen()) {
    os::Status S = FFile.OpenTemporary(::GetTempPath());
    if (!S.ok()) Failed(S, "cannot be made");
  }
  os::Status S = FFile.Write(std::uint64_t(First) * FSlotSize, Data, std::size_t(N) * FSlotSize);
  if (!S.ok()) Failed(S, "write failed");
  const std::uint64_t End = std::uint64_t(First) + N;
  if (FBits.size() * 64 < End) FBits.resize(std::size_t((End + 63) / 64));
  for (std::uint64_t Slot = First; Slot < End; ++Slot) {
    std::uint64_t& Word = FBits[Slot / 64];
    const std::uint64_t Bit = std::uint64_t(1) << (Slot % 64);
    FCount += (Word & Bit) == 0;
    Word |= Bit;
  }
}

void TSpillFile::Get(std::uint32_t First, void* Data, std::uint32_t N) const {
  const std::size_t Want = std::size_t(N) * FSlotSize;
  std::size_t Got = 0;
  os::Status S = FFile.Read(std::uint64_t(First) * FSlotSize, Data, Want, &Got);
  if (!S.ok()) Failed(S, "read failed");
  // A slot shorter than its size was never written whole.
  if (Got != Want) Failed(os::Status::OK(), "slot cut short");
}

bool TSpillFile::Next(std::uint32_t* Slot, std::uint32_t Last) const {
  std::size_t Word = *Slot / 64;
  if (Word >= FBits.size()) return false;
  std::uint64_t Bits = FBits[Word] & (~std::uint64_t(0) << (*Slot % 64));
  while (Bits == 0) {
    if (++Word >= FBits.size()) return false;
    Bits = FBits[Word];
  }
  const std::uint64_t Found = std::uint64_t(Word) * 64 + std::uint64_t(std::countr_zero(Bits));
  if (Found > Last) return false;
  *Slot = static_cast<std::uint32_t>(Found);
  return true;
}

std::uint32_t TSpillFile::RunFrom(std::uint32_t First, std::uint32_t Max) const {
  std::uint32_t N = 0;
  while (N < Max && First + std::uint64_t(N) <= UINT32_MAX && Has(First + N)) ++N;
  return N;
}

void TSpillFile::Clear() {
  FFile.Close();
  FBits.clear();
  FBits.shrink_to_fit();
  FCount = 0;
}

}  // namespace oak
