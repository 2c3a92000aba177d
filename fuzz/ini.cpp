// Fuzzes the INI file: any text loads; every section and key reads; each
// write either takes effect or raises EIniFileException and changes
// nothing, and a write of plain texts is never refused; the saved text
// loads again into the same sections, keys and values, gives back every
// value written, and saves to the same text.
//
// Input: parts separated by 0xFF bytes: the file's text, then groups of
// section, key and value to write.
#include <cstdlib>
#include <memory>
#include <vector>

#include "foundation/FastIniFile.h"
#include "fuzz_input.h"
#include "platform/rtl/charset.h"

namespace {

bool Loadable(const std::string& S) {
  return S.find_first_of(std::string("\r\n\0", 3)) == std::string::npos && IsValidUtf8(S);
}

bool BlankAtAnEnd(const std::string& S) {
  return !S.empty() && (static_cast<unsigned char>(S.front()) <= 32 || static_cast<unsigned char>(S.back()) <= 32);
}

// A write that always reads back: any section; a key without '=' that does
// not start a comment or a header; a value without comment or quote
// characters; no blanks at the ends of key or value.
bool Plain(const std::string& Section, const std::string& Key, const std::string& Value) {
  return Loadable(Section) && Loadable(Key) && Loadable(Value) && !Key.empty() && !BlankAtAnEnd(Key) &&
         !BlankAtAnEnd(Value) && Key.find('=') == std::string::npos && Key[0] != '[' && Key[0] != ';' &&
         Value.find_first_of(";\"") == std::string::npos;
}

std::string SaveText(TFastIniFile& Ini) {
  TStringStream S;
  Ini.SaveToStream(&S);
  return S.DataString();
}

// Every section with its key=value lines, as the readers see them.
std::vector<std::string> Contents(TFastIniFile& Ini) {
  std::vector<std::string> Out;
  TStringList Sections, Values;
  Ini.ReadSections(&Sections);
  for (Integer I = 0; I < Sections.Count(); ++I) {
    Out.push_back("[" + Sections[I] + "]");
    Ini.ReadSectionValues(Sections[I], &Values);
    for (Integer K = 0; K < Values.Count(); ++K) Out.push_back(Values[K]);
  }
  return Out;
}

struct TWrite {
  std::string Section, Key, Value;
};

}  // namespace

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* Data, size_t Size) {
  static const std::string Path = fuzz::RunFolder("ini") + "/fuzz.ini";
  std::vector<std::string> Parts = fuzz::SplitAtFF(Data, Size);
  // Each load takes one byte-order mark off the front: a text of several
  // settles only after as many loads.
  while (Parts[0].compare(0, 3, "\xEF\xBB\xBF") == 0) Parts[0].erase(0, 3);
  TFastIniFile Ini(Path);
  TStringStream In(Parts[0]);
  Ini.LoadFromStream(&In);
  Contents(Ini);
  std::vector<TWrite> Written;
  for (size_t I = 1; I + 2 < Parts.size() && I < 30; I += 3) {
    const TWrite W{Parts[I], Parts[I + 1], Parts[I + 2]};
    const std::string Before = SaveText(Ini);
    try {
      Ini.WriteString(W.Section, W.Key, W.Value);
    } catch (const EIniFileException&) {
      if (Plain(W.Section, W.Key, W.Value) || SaveText(Ini) != Before) std::abort();
      continue;
    }
    if (W.Key.empty() && W.Value.empty()) {  // erased a section, or everything
      std::erase_if(Written, [&](const TWrite& E) {
        return W.Section.empty() || Ini.Items().SameName(E.Section, W.Section);
      });
      continue;
    }
    if (Ini.ReadString(W.Section, W.Key, "<none>") != W.Value) std::abort();
    std::erase_if(Written, [&](const TWrite& E) {
      return Ini.Items().SameName(E.Section, W.Section) && Ini.Items().SameName(E.Key, W.Key);
    });
    Written.push_back(W);
  }
  const std::string Text = SaveText(Ini);
  TFastIniFile Again(Path);
  TStringStream Reload(Text);
  Again.LoadFromStream(&Reload);
  if (Contents(Again) != Contents(Ini)) std::abort();
  for (const TWrite& W : Written)
    if (Again.ReadString(W.Section, W.Key, "<none>") != W.Value) std::abort();
  // A text that is no valid UTF-8 is read as Windows-1252 on the first
  // load; what the store saves is UTF-8 and saves again unchanged.
  if (SaveText(Again) != Text) std::abort();
  for (TFastIniFile* F : {&Ini, &Again}) F->Items().Clear();  // nothing to write at destruction
  return 0;
}
