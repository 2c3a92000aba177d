// Fuzzes the INI file: any text loads; every section and key reads; writes
// either raise EIniFileException (a line break or NUL) or take effect; the
// saved text loads again, gives back what was written, and (once settled
// as UTF-8) saves to the same text.
//
// Input: parts separated by 0xFF bytes: the file's text, then groups of
// section, key and value to write.
#include <algorithm>
#include <cstdlib>
#include <memory>
#include <vector>

#include "foundation/FastIniFile.h"
#include "fuzz_input.h"

namespace {

// Texts that come back unchanged through a line "key=value": no blanks at
// the ends, no comment or quote characters, no '=' or brackets.
bool Plain(const std::string& S) {
  if (S.empty() || S.size() > 40) return false;
  for (char C : S)
    if (!((C >= 'a' && C <= 'z') || (C >= 'A' && C <= 'Z') || (C >= '0' && C <= '9') || C == '_' || C == '.'))
      return false;
  return true;
}

std::string SaveText(TFastIniFile& Ini) {
  TStringStream S;
  Ini.SaveToStream(&S);
  return S.DataString();
}

void ReadEverything(TFastIniFile& Ini) {
  TStringList Sections, Keys, Values;
  Ini.ReadSections(&Sections);
  for (Integer I = 0; I < Sections.Count() && I < 50; ++I) {
    Ini.ReadSection(Sections[I], &Keys);
    Ini.ReadSectionValues(Sections[I], &Values);
    for (Integer K = 0; K < Keys.Count() && K < 50; ++K) Ini.ReadString(Sections[I], Keys[K], "");
  }
}

}  // namespace

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* Data, size_t Size) {
  static const std::string Path = fuzz::RunFolder("ini") + "/fuzz.ini";
  std::vector<std::string> Parts = fuzz::SplitAtFF(Data, Size);
  // A NUL ends the text a string list loads (the class library's rule), so
  // the lines after it are not part of the file: not fuzzed here.
  std::replace(Parts[0].begin(), Parts[0].end(), '\0', '\x01');
  // Each load takes one byte-order mark off the front: a text of several
  // settles only after as many loads.
  while (Parts[0].compare(0, 3, "\xEF\xBB\xBF") == 0) Parts[0].erase(0, 3);
  TFastIniFile Ini(Path);
  TStringStream In(Parts[0]);
  Ini.LoadFromStream(&In);
  ReadEverything(Ini);
  std::vector<std::vector<std::string>> Written;
  for (size_t I = 1; I + 2 < Parts.size() && I < 30; I += 3) {
    try {
      Ini.WriteString(Parts[I], Parts[I + 1], Parts[I + 2]);
      if (Parts[I + 1].empty() && Parts[I + 2].empty())  // erased a section, or everything
        std::erase_if(Written, [&](auto& W) { return Parts[I].empty() || fuzz::SameText(W[0], Parts[I]); });
      bool Check = Plain(Parts[I]) && Plain(Parts[I + 1]) && Plain(Parts[I + 2]);
      Written.push_back({Parts[I], Parts[I + 1], Parts[I + 2], Check ? "check" : ""});
    } catch (const EIniFileException&) {
      if (Parts[I].find_first_of(std::string("\r\n\0", 3)) == std::string::npos &&
          Parts[I + 1].find_first_of(std::string("\r\n\0", 3)) == std::string::npos &&
          Parts[I + 2].find_first_of(std::string("\r\n\0", 3)) == std::string::npos)
        std::abort();  // refused a text that has no line break
    }
  }
  std::string Text = SaveText(Ini);
  TFastIniFile Again(Path);
  TStringStream Reload(Text);
  Again.LoadFromStream(&Reload);
  // A later write of the same key wins; the last value per key counts.
  for (size_t W = 0; W < Written.size(); ++W) {
    bool Later = false;
    for (size_t V = W + 1; V < Written.size(); ++V)
      Later = Later || (fuzz::SameText(Written[V][0], Written[W][0]) && fuzz::SameText(Written[V][1], Written[W][1]));
    if (!Later && !Written[W][3].empty() && Again.ReadString(Written[W][0], Written[W][1], "<none>") != Written[W][2]) std::abort();
  }
  // A text that is no valid UTF-8 is read as Windows-1252 (and saved as
  // UTF-8 then): after that one step the text must stay as it is.
  std::string Settled = SaveText(Again);
  TFastIniFile Third(Path);
  TStringStream Reread(Settled);
  Third.LoadFromStream(&Reread);
  if (SaveText(Third) != Settled) std::abort();
  for (TFastIniFile* F : {&Ini, &Again, &Third}) F->Items().Clear();  // nothing to write at destruction
  return 0;
}
