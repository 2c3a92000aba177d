// Spill files: what a batch holds that outgrows memory (the changed
// records of a table handle inside a transaction, the changed pages of an
// index's page cache) waits in a temporary file until the commit writes
// it to its own file or a rollback forgets it.
//
// A spill file holds slots of one size addressed by number (a record
// number, a page number) at number x slot size: the file is sparse, only
// the slots put take room on the disk, and a bitmap in memory says which
// slots are held (one bit per number up to the highest held), so that
// memory stays an eighth of a byte per number and a look-up is one index.
// The file is made at the first put in the system's temporary folder,
// without a name (os::File::OpenTemporary), so that a process killed at
// any step leaves nothing behind; Clear closes it and gives its room back.
// Every read of a slot must return the whole slot, else it is an error.
// Failures raise EEngineError E_IO naming the temporary folder and the
// data the file holds.
//
// Thread safety: none; the engine lock serialises every use.
#pragma once

#include <cstddef>
#include <cstdint>
#include <string>
#include <vector>

#include "platform/os/files.h"

namespace oak {

class TSpillFile {
 public:
  // Slots of SlotSize bytes (> 0); Owner says whose data they hold, for
  // messages ("records of <table path>").
  TSpillFile(std::size_t SlotSize, std::string Owner);
  TSpillFile(const TSpillFile&) = delete;
  TSpillFile& operator=(const TSpillFile&) = delete;

  // The number of slots held.
  std::size_t Count() const { return FCount; }
  bool Has(std::uint32_t Slot) const {
    return Slot / 64 < FBits.size() && (FBits[Slot / 64] >> (Slot % 64) & 1) != 0;
  }
  // Writes N consecutive slots from First (N x SlotSize bytes of Data);
  // they are held from then on.
  void Put(std::uint32_t First, const void* Data, std::uint32_t N = 1);
  // Reads N consecutive slots from First into Data. REQUIRES: each held.
  void Get(std::uint32_t First, void* Data, std::uint32_t N = 1) const;
  // The first slot held at or after *Slot and at or before Last: true and
  // *Slot set to it, else false.
  bool Next(std::uint32_t* Slot, std::uint32_t Last) const;
  // The number of consecutive held slots from First (held itself), at
  // most Max.
  std::uint32_t RunFrom(std::uint32_t First, std::uint32_t Max) const;
  // Forgets every slot and closes the file.
  void Clear();

 private:
  [[noreturn]] void Failed(const os::Status& S, const char* What) const;
  std::size_t FSlotSize;
  std::string FOwner;
  os::File FFile;
  std::vector<std::uint64_t> FBits;
  std::size_t FCount = 0;
};

}  // namespace oak
