// Helpers of the fuzz targets. Most readers check a header before they go
// further, so a target takes its input either as a whole file image or as
// patches to a sound image built once: the fuzzer then also reaches what
// lies behind a valid header.
#pragma once

#include <stdlib.h>

#include <cstddef>
#include <cstdint>
#include <filesystem>
#include <fstream>
#include <sstream>
#include <string>
#include <vector>

namespace fuzz {

// Image with bytes changed by the (u16 offset, byte) triples of Data.
inline std::string Patched(std::string Image, const uint8_t* Data, size_t Size) {
  for (size_t i = 0; i + 3 <= Size && !Image.empty(); i += 3) {
    size_t Offset = (Data[i] | (Data[i + 1] << 8)) % Image.size();
    Image[Offset] = static_cast<char>(Data[i + 2]);
  }
  return Image;
}

// The input after its first byte: the whole image when bit 1 of the first
// byte is set, else patches to Sound.
inline std::string ImageOrPatches(const std::string& Sound, const uint8_t* Data, size_t Size) {
  if (Size == 0) return Sound;
  if (Data[0] & 2) return std::string(reinterpret_cast<const char*>(Data + 1), Size - 1);
  return Patched(Sound, Data + 1, Size - 1);
}

// A folder of its own for the whole fuzzing run (Name: a word for its
// path), in memory where the system has such a file system (the targets
// write and sync files for every input); removed when the run ends.
inline std::string RunFolder(const char* Name) {
  struct TMade {
    std::vector<std::string> Folders;
    ~TMade() {
      std::error_code E;
      for (const std::string& F : Folders) std::filesystem::remove_all(F, E);
    }
  };
  static TMade Made;
  std::error_code E;
  std::string Base = std::filesystem::is_directory("/dev/shm", E) ? "/dev/shm" : "/tmp";
  std::string Tmpl = Base + "/fuzz_" + Name + "_XXXXXX";
  Made.Folders.push_back(std::string(mkdtemp(Tmpl.data())));
  return Made.Folders.back();
}

inline std::string ReadAll(const std::string& Path) {
  std::ifstream In(Path, std::ios::binary);
  std::stringstream S;
  S << In.rdbuf();
  return S.str();
}

inline void WriteAll(const std::string& Path, const std::string& Data) {
  std::ofstream(Path, std::ios::binary | std::ios::trunc) << Data;
}

}  // namespace fuzz

namespace fuzz {

// The input cut at every 0xFF byte (the bytes 0xFF themselves dropped).
inline std::vector<std::string> SplitAtFF(const uint8_t* Data, size_t Size) {
  std::vector<std::string> Parts(1);
  for (size_t I = 0; I < Size; ++I)
    if (Data[I] == 0xFF)
      Parts.emplace_back();
    else
      Parts.back() += char(Data[I]);
  return Parts;
}

// Equal without regard to ASCII case.
inline bool SameText(const std::string& A, const std::string& B) {
  if (A.size() != B.size()) return false;
  for (size_t I = 0; I < A.size(); ++I) {
    char X = A[I], Y = B[I];
    if (X >= 'a' && X <= 'z') X = char(X - 32);
    if (Y >= 'a' && Y <= 'z') Y = char(Y - 32);
    if (X != Y) return false;
  }
  return true;
}

}  // namespace fuzz
