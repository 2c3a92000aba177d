// TFastIniFile: an INI file kept in memory as its list of lines.
//
// Sections are found through a 256-bucket hash table; keys by a scan of
// their section, or through per-section 256-bucket tables when sections
// average 250 lines or more. Lines are parsed lazily, on first use. The
// file's layout survives a rewrite: comments, empty lines, lines of any
// other form, the order of everything, and a comment after a value (";"
// outside double quotes) even when the value changes.
//
// The file is loaded on first access (a missing file gives an empty
// store) and written back by UpdateFile, only when something changed;
// destroying the object updates the file first. A write replaces the file
// only once the new text is complete on the disk: a failed one raises
// EIniFileException naming the file and leaves the old file as it was.
//
// Thread safety: none; an INI object belongs to the thread that uses it.
#pragma once

#include <array>
#include <memory>
#include <vector>

#include "platform/os/filestream.h"
#include "platform/rtl/inifiles.h"

// Kinds of a line.
enum : Byte {
  ikKey = 0,       // Text = key, Value = value
  ikNoEquals = 1,  // a line without '=' (ignored by lookups)
  ikUnparsed = 2,  // not yet parsed
  ikSection = 3,   // Text = the whole header with its brackets
  ikComment = 4,   // first character ';'
  ikEmpty = 5
};

struct TIniLine {
  Byte Kind = ikUnparsed;
  Cardinal Hash = 0;  // hash of the key (key lines)
  String Text;
  String Value;
  // A key line's whole text as it was read or last written, written back
  // unchanged until its value is written again ("" when not known: the
  // line is written as key=value).
  String Original;
};

// How names are compared: exactly, ignoring ASCII case, or ignoring case
// with the system's upper-casing (umlauts included). The hash and the
// compare function always come as a pair.
enum TIniCaseMode { icmCaseSensitive, icmAsciiCaseInsensitive, icmAnsiCaseInsensitive };
using TIniHashFunction = Cardinal (*)(const String& Text);
using TIniCompareFunction = bool (*)(const String& A, const String& B);

// Counters of the line kinds found by the last load.
struct TStatistics {
  Integer EmptyLines = 0;
  Integer CommentLines = 0;
  Integer OtherLines = 0;
  Integer Sections = 0;
};

// The 256-bucket table of section names, each with its header's line.
class TSectionItems {
 public:
  struct TKeyTable {
    std::array<std::vector<Integer>, 256> Buckets;  // line indexes
  };
  struct TSectionNode {
    TSectionNode* Next = nullptr;
    std::unique_ptr<TKeyTable> Keys;  // built on first use
    Integer HeaderIndex1 = 0;         // line index of the header + 1
    String Name;
  };

  TSectionItems() = default;
  ~TSectionItems() { Clear(); }
  TSectionItems(const TSectionItems&) = delete;
  TSectionItems& operator=(const TSectionItems&) = delete;

  void Clear();
  TSectionNode* Add(const String& Name, Cardinal Hash, Integer HeaderIndex);
  TSectionNode* Find(const String& Name, Cardinal Hash, TIniCompareFunction Compare);
  void Remove(TSectionNode* Node, Cardinal Hash);
  // Adds Delta to every stored header index at or after line Index.
  void ShiftFrom(Integer Index, Integer Delta);
  // Drops every per-section key table (rebuilt on use).
  void DiscardKeyTables();

 private:
  std::array<TSectionNode*, 256> FBuckets{};
  TSectionNode* FLastFound = nullptr;
};

// The line store.
class TIniItems {
 public:
  explicit TIniItems(TIniCaseMode Mode = icmAnsiCaseInsensitive);

  Integer Count() const { return static_cast<Integer>(FLines.size()); }
  // The line Index; the list-index error outside 0..Count-1.
  TIniLine& Lines(Integer Index);
  const TStatistics& Statistics() const { return FStatistics; }
  bool HashedKeys() const { return FHashedKeys; }
  Integer Capacity() const { return static_cast<Integer>(FLines.capacity()); }

  // Replaces the hash and compare pair (and forgets every lookup table).
  void SetCaseMode(TIniCaseMode Mode);

  void Clear();
  // Replaces the store with Lines (the file's text split into lines).
  void Load(const TStrings& Text, std::size_t TextLength);
  // Every line as stored: key lines as key=value, others as their text.
  String LineText(Integer Index);

  // Line of the header of Section, or -1.
  Integer FindSection(const String& Section);
  // Line of Key in Section, or -1.
  Integer FindKey(const String& Section, const String& Key);
  // Line of Key in Section, creating the section and the key line when
  // missing (Created tells which).
  Integer FindOrAddKey(const String& Section, const String& Key, bool& Created);
  // The section's lines after its header up to the next header.
  void SectionRange(Integer Header, Integer& First, Integer& End);
  // Parses a line that is still ikUnparsed.
  void Parse(TIniLine& Line);
  // True when lookups take A and B for the same section or key name.
  bool SameName(const String& A, const String& B) const { return FCompare(A, B); }

  bool EraseSection(const String& Section);
  void DeleteLine(Integer Index);

 private:
  void InsertLine(Integer Index, TIniLine Line);
  void Grow();
  void BuildKeyTable(TSectionItems::TSectionNode* Node);
  TSectionItems::TSectionNode* FindNode(const String& Section);
  static String SectionName(const String& Header);

  std::vector<TIniLine> FLines;
  bool FHashedKeys = false;
  TIniHashFunction FHash;
  TIniCompareFunction FCompare;
  TSectionItems FSections;
  TStatistics FStatistics;
};

// A file stream opened with retry: a file that another process holds is
// tried again every 10 ms for up to 10 seconds before the open fails with
// EFCreateError ("Datei %s kann nicht geöffnet werden" or, in create mode,
// "Datei %s kann nicht erstellt werden").
class TFileStreamEx : public THandleStream {
  RTL_DECLARE_CLASS(TFileStreamEx)
 public:
  // Mode: fmCreate, or fmOpenRead (opened with deny-write sharing).
  TFileStreamEx(const String& FileName, Word Mode);
};

class TFastIniFile : public TCustomIniFile {
  RTL_DECLARE_CLASS(TFastIniFile)
 public:
  explicit TFastIniFile(const String& AFileName, TIniCaseMode Mode = icmAnsiCaseInsensitive);
  // Updates the file when modified. A failure goes to the application's
  // exception display (Application->HandleException), unless an exception
  // is already on its way out; writers call UpdateFile to get it raised.
  ~TFastIniFile() override;

  String ReadString(const String& Section, const String& Ident, const String& Default) override;
  // An empty Ident with an empty Value erases Section (all sections when
  // Section is empty too). Raises EIniFileException naming the file, and
  // changes nothing, when the next load would not read Ident back with
  // Value: a line break or NUL anywhere, a text that is no valid UTF-8, a
  // key with '=' or with blanks at its ends, a key line that would read as
  // a comment (leading ';') or a section header ("[" ... "]"), a value with
  // blanks at its ends, or (InlineComments) a ';' outside double quotes,
  // or (StripQuotes) quotes that reading takes off.
  void WriteString(const String& Section, const String& Ident, const String& Value) override;
  void ReadSection(const String& Section, TStrings* Strings) override;
  void ReadSections(TStrings* Strings) override;
  void ReadSectionValues(const String& Section, TStrings* Strings) override;
  void EraseSection(const String& Section) override;
  void DeleteKey(const String& Section, const String& Ident) override;
  // Writes every line, joined with CR LF, when the store was modified.
  void UpdateFile() override;

  // Replaces the store with the text of Stream / writes it to Stream.
  void LoadFromStream(TStream* Stream);
  void SaveToStream(TStream* Stream);
  void LoadFromFile(const String& AFileName);
  // Writes the store to a new file beside AFileName and renames it over
  // AFileName; raises EIniFileException naming the file when anything
  // fails (the old file stays).
  void SaveToFile(const String& AFileName);

  bool InlineComments = true;  // ';' outside double quotes ends a value
  bool StripQuotes = false;    // "x" or 'x' lose their quotes on reading
  bool FlushBuffers = false;   // kept for callers; every write is forced to the disk

  bool Modified() const { return FModified; }
  TIniItems& Items() { return FItems; }

 private:
  void EnsureLoaded();
  // Replaces Strings by the keys (WithValues: "key=value" lines) of Section.
  void ListSectionKeys(const String& Section, TStrings* Strings, bool WithValues);
  String CleanValue(const String& Stored) const;
  String RefusalText(const String& Reason) const;
  void RequireLoadableText(const String& Text, const char* What) const;
  TIniLine LineAsRead(const String& Section, const String& Ident, const String& Value, const String& Key,
                      const String& Stored);

  TIniItems FItems;
  bool FLoaded = false;
  bool FModified = false;
};

// Byte position of the first ';' in S outside double quotes, or npos.
std::size_t FindInlineComment(const String& S);
