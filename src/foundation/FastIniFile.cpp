#include "foundation/FastIniFile.h"

#include <sys/stat.h>
#include <unistd.h>

#include <cerrno>
#include <cstdio>
#include <exception>

#include "foundation/FileUtils.h"
#include "platform/gui/forms_application.h"
#include "platform/rtl/charset.h"
#include "platform/rtl/clock.h"
#include "platform/rtl/sysutils.h"

RTL_IMPLEMENT_CLASS(TFileStreamEx, THandleStream, nullptr)
RTL_IMPLEMENT_CLASS(TFastIniFile, TCustomIniFile, nullptr)

// ---- hashing ----------------------------------------------------------------

namespace {

Cardinal RotateHash(const String& Text) {
  Cardinal H = 0;
  for (unsigned char C : Text) H = ((H << 2) | (H >> 30)) ^ C;
  return H;
}

String AsciiFold(const String& S) {
  String R = S;
  for (char& C : R)
    if (C >= 'a' && C <= 'z') C = char(C - 32);
  return R;
}

Cardinal HashExact(const String& Text) { return RotateHash(Text); }
Cardinal HashAscii(const String& Text) { return RotateHash(AsciiFold(Text)); }
// The system's upper-casing keeps every character's byte length, so the
// folded text hashes byte by byte like the original single-byte table.
Cardinal HashAnsi(const String& Text) { return RotateHash(AnsiUpperCase(Text)); }

bool SameExact(const String& A, const String& B) { return A == B; }
bool SameAscii(const String& A, const String& B) { return A.size() == B.size() && AsciiFold(A) == AsciiFold(B); }
bool SameAnsi(const String& A, const String& B) {
  return A.size() == B.size() && AnsiUpperCase(A) == AnsiUpperCase(B);
}

bool IsBlank(char C) { return C >= 1 && C <= 32; }

String TrimBlanks(const String& S) {
  std::size_t B = 0, E = S.size();
  while (B < E && IsBlank(S[B])) ++B;
  while (E > B && static_cast<unsigned char>(S[E - 1]) < 33) --E;
  return S.substr(B, E - B);
}

}  // namespace

std::size_t FindInlineComment(const String& S) {
  bool InQuotes = false;
  for (std::size_t i = 0; i < S.size(); ++i) {
    if (S[i] == '"') InQuotes = !InQuotes;
    else if (S[i] == ';' && !InQuotes) return i;
  }
  return String::npos;
}

// ---- section table ------------------------------------------------------------

void TSectionItems::Clear() {
  for (TSectionNode*& Head : FBuckets) {
    while (Head) {
      TSectionNode* Next = Head->Next;
      delete Head;
      Head = Next;
    }
  }
  FLastFound = nullptr;
}

TSectionItems::TSectionNode* TSectionItems::Add(const String& Name, Cardinal Hash, Integer HeaderIndex) {
  auto* Node = new TSectionNode;
  Node->Name = Name;
  Node->HeaderIndex1 = HeaderIndex + 1;
  // Appended at the bucket's end, so that the first of two equal headers
  // is the one found, as a scan of the file would.
  TSectionNode** Slot = &FBuckets[Hash & 255];
  while (*Slot) Slot = &(*Slot)->Next;
  *Slot = Node;
  return Node;
}

TSectionItems::TSectionNode* TSectionItems::Find(const String& Name, Cardinal Hash, TIniCompareFunction Compare) {
  if (FLastFound && Compare(FLastFound->Name, Name)) return FLastFound;
  for (TSectionNode* N = FBuckets[Hash & 255]; N; N = N->Next)
    if (Compare(N->Name, Name)) return FLastFound = N;
  return nullptr;
}

void TSectionItems::Remove(TSectionNode* Node, Cardinal Hash) {
  for (TSectionNode** Slot = &FBuckets[Hash & 255]; *Slot; Slot = &(*Slot)->Next) {
    if (*Slot == Node) {
      *Slot = Node->Next;
      if (FLastFound == Node) FLastFound = nullptr;
      delete Node;
      return;
    }
  }
}

void TSectionItems::ShiftFrom(Integer Index, Integer Delta) {
  for (TSectionNode* Head : FBuckets)
    for (TSectionNode* N = Head; N; N = N->Next)
      if (N->HeaderIndex1 - 1 >= Index) N->HeaderIndex1 += Delta;
}

void TSectionItems::DiscardKeyTables() {
  for (TSectionNode* Head : FBuckets)
    for (TSectionNode* N = Head; N; N = N->Next) N->Keys.reset();
}

// ---- line store -----------------------------------------------------------------

TIniItems::TIniItems(TIniCaseMode Mode) { SetCaseMode(Mode); }

void TIniItems::SetCaseMode(TIniCaseMode Mode) {
  switch (Mode) {
    case icmCaseSensitive: FHash = HashExact; FCompare = SameExact; break;
    case icmAsciiCaseInsensitive: FHash = HashAscii; FCompare = SameAscii; break;
    case icmAnsiCaseInsensitive: FHash = HashAnsi; FCompare = SameAnsi; break;
  }
  // Rebuild the section table with the new hash.
  FSections.Clear();
  for (Integer i = 0; i < Count(); ++i)
    if (FLines[i].Kind == ikSection) {
      String Name = SectionName(FLines[i].Text);
      FSections.Add(Name, FHash(Name), i);
    }
  for (TIniLine& L : FLines)
    if (L.Kind == ikKey) L.Hash = FHash(L.Text);
}

TIniLine& TIniItems::Lines(Integer Index) {
  if (Index < 0 || Index >= Count())
    throw EListError("Der Index der Liste überschreitet das Maximum (" + std::to_string(Index) + ")");
  return FLines[Index];
}

String TIniItems::SectionName(const String& Header) { return Header.substr(1, Header.size() - 2); }

void TIniItems::Clear() {
  FLines.clear();
  FSections.Clear();
  FStatistics = TStatistics();
  FHashedKeys = false;
}

// The array grows by 128 lines while small, by 512 up to 1024 lines, then
// by a quarter of its size.
void TIniItems::Grow() {
  std::size_t Cap = FLines.capacity();
  if (FLines.size() < Cap) return;
  std::size_t Step = Cap < 257 ? 128 : Cap < 1025 ? 512 : Cap / 4;
  FLines.reserve(Cap + Step);
}

void TIniItems::Load(const TStrings& Text, std::size_t TextLength) {
  Clear();
  FLines.reserve(TextLength / 16);
  for (Integer i = 0; i < Text.Count(); ++i) {
    TIniLine L;
    L.Text = Text.Strings(i);
    if (L.Text.empty()) {
      L.Kind = ikEmpty;
      ++FStatistics.EmptyLines;
    } else if (L.Text[0] == ';') {
      L.Kind = ikComment;
      ++FStatistics.CommentLines;
    } else if (L.Text.size() >= 2 && L.Text.front() == '[' && L.Text.back() == ']') {
      L.Kind = ikSection;
      String Name = SectionName(L.Text);
      FSections.Add(Name, FHash(Name), Count());
      ++FStatistics.Sections;
    } else {
      ++FStatistics.OtherLines;
    }
    Grow();
    FLines.push_back(std::move(L));
  }
  FLines.shrink_to_fit();
  FHashedKeys = FStatistics.Sections > 0 && FStatistics.OtherLines / FStatistics.Sections >= 250;
}

void TIniItems::Parse(TIniLine& Line) {
  if (Line.Kind != ikUnparsed) return;
  std::size_t B = 0;
  while (B < Line.Text.size() && IsBlank(Line.Text[B])) ++B;
  std::size_t Eq = Line.Text.find('=', B);
  // Lines keep their own text until their value is written: a rewrite
  // gives back every other line byte for byte (an indented "[...]" line
  // that is no header must not turn into one).
  if (Eq == String::npos) {
    Line.Kind = ikNoEquals;
    return;
  }
  std::size_t KeyEnd = Eq;
  while (KeyEnd > B && IsBlank(Line.Text[KeyEnd - 1])) --KeyEnd;
  String Key = Line.Text.substr(B, KeyEnd - B);
  String Value = TrimBlanks(Line.Text.substr(Eq + 1));
  Line.Original = std::move(Line.Text);
  Line.Text = std::move(Key);
  Line.Value = std::move(Value);
  Line.Hash = FHash(Line.Text);
  Line.Kind = ikKey;
}

String TIniItems::LineText(Integer Index) {
  TIniLine& L = Lines(Index);
  if (L.Kind != ikKey) return L.Text;
  return L.Original.empty() ? L.Text + "=" + L.Value : L.Original;
}

TSectionItems::TSectionNode* TIniItems::FindNode(const String& Section) {
  return FSections.Find(Section, FHash(Section), FCompare);
}

Integer TIniItems::FindSection(const String& Section) {
  TSectionItems::TSectionNode* N = FindNode(Section);
  return N ? N->HeaderIndex1 - 1 : -1;
}

void TIniItems::SectionRange(Integer Header, Integer& First, Integer& End) {
  First = Header + 1;
  End = First;
  while (End < Count() && FLines[End].Kind != ikSection) ++End;
}

void TIniItems::BuildKeyTable(TSectionItems::TSectionNode* Node) {
  Node->Keys = std::make_unique<TSectionItems::TKeyTable>();
  Integer First, End;
  SectionRange(Node->HeaderIndex1 - 1, First, End);
  for (Integer i = First; i < End; ++i) {
    Parse(FLines[i]);
    if (FLines[i].Kind == ikKey) Node->Keys->Buckets[FLines[i].Hash & 255].push_back(i);
  }
}

Integer TIniItems::FindKey(const String& Section, const String& Key) {
  TSectionItems::TSectionNode* Node = FindNode(Section);
  if (!Node) return -1;
  Cardinal H = FHash(Key);
  if (FHashedKeys) {
    if (!Node->Keys) BuildKeyTable(Node);
    for (Integer i : Node->Keys->Buckets[H & 255])
      if (FCompare(FLines[i].Text, Key)) return i;
    return -1;
  }
  Integer First, End;
  SectionRange(Node->HeaderIndex1 - 1, First, End);
  for (Integer i = First; i < End; ++i) {
    TIniLine& L = FLines[i];
    Parse(L);
    if (L.Kind == ikKey && L.Hash == H && FCompare(L.Text, Key)) return i;
  }
  return -1;
}

void TIniItems::InsertLine(Integer Index, TIniLine Line) {
  Grow();
  FLines.insert(FLines.begin() + Index, std::move(Line));
  FSections.ShiftFrom(Index, 1);
  // Stored line indexes after Index moved: lookup tables are rebuilt.
  FSections.DiscardKeyTables();
}

void TIniItems::DeleteLine(Integer Index) {
  Lines(Index);  // range check
  FLines.erase(FLines.begin() + Index);
  FSections.ShiftFrom(Index + 1, -1);
  FSections.DiscardKeyTables();
}

Integer TIniItems::FindOrAddKey(const String& Section, const String& Key, bool& Created) {
  Created = false;
  Integer Found = FindKey(Section, Key);
  if (Found >= 0) return Found;
  Created = true;
  Integer Header = FindSection(Section);
  if (Header < 0) {
    if (Count() > 0 && FLines.back().Kind != ikEmpty) InsertLine(Count(), TIniLine{ikEmpty, 0, "", "", ""});
    Header = Count();
    InsertLine(Header, TIniLine{ikSection, 0, "[" + Section + "]", "", ""});
    FSections.Add(Section, FHash(Section), Header);
  }
  Integer First, End;
  SectionRange(Header, First, End);
  Integer At = First;
  for (Integer i = First; i < End; ++i) {
    Parse(FLines[i]);
    if (FLines[i].Kind == ikKey || FLines[i].Kind == ikNoEquals) At = i + 1;
  }
  String Trimmed = Trim(Key);
  InsertLine(At, TIniLine{ikKey, FHash(Trimmed), Trimmed, "", ""});
  return At;
}

bool TIniItems::EraseSection(const String& Section) {
  TSectionItems::TSectionNode* Node = FindNode(Section);
  if (!Node) return false;
  Integer Header = Node->HeaderIndex1 - 1;
  Integer First, End;
  SectionRange(Header, First, End);
  FSections.Remove(Node, FHash(Section));
  FLines.erase(FLines.begin() + Header, FLines.begin() + End);
  FSections.ShiftFrom(End, Header - End);
  FSections.DiscardKeyTables();
  return true;
}

// ---- file stream with retry ---------------------------------------------------

TFileStreamEx::TFileStreamEx(const String& FileName, Word Mode) {
  bool Create = Mode == fmCreate;
  std::uint64_t Start = GetTickCount64();
  for (;;) {
    os::Status S = Create ? FFile.Open(FileName, os::Access::ReadWrite, os::Share::DenyWrite,
                                       os::Disposition::CreateAlways)
                          : FFile.Open(FileName, os::Access::Read, os::Share::DenyWrite);
    if (S.ok()) return;
    // A missing file or folder will not appear by waiting.
    bool Retry = S.code() != ERROR_FILE_NOT_FOUND && S.code() != ERROR_PATH_NOT_FOUND &&
                 S.code() != ERROR_INVALID_NAME;
    if (!Retry || GetTickCount64() - Start >= 10000) {
      throw EFCreateError(Create ? "Datei " + FileName + " kann nicht erstellt werden"
                                 : "Datei " + FileName + " kann nicht geöffnet werden");
    }
    ClockSleep(10);
  }
}

// ---- INI file --------------------------------------------------------------------

TFastIniFile::TFastIniFile(const String& AFileName, TIniCaseMode Mode)
    : TCustomIniFile(AFileName), FItems(Mode) {}

TFastIniFile::~TFastIniFile() {
  try {
    UpdateFile();
  } catch (...) {
    // With an exception on its way out, that one tells what went wrong;
    // else the failed write goes to the application's exception display.
    if (std::uncaught_exceptions() == 0) Application->HandleException(this);
  }
}

void TFastIniFile::EnsureLoaded() {
  if (FLoaded) return;
  FLoaded = true;
  if (!FileName().empty() && FileExistsEx(FileName())) LoadFromFile(FileName());
}

void TFastIniFile::LoadFromStream(TStream* Stream) {
  FLoaded = true;
  Int64 Length = Stream->Size() - Stream->Position();
  TStringList Lines;
  Lines.LoadFromStream(Stream);
  FItems.Load(Lines, static_cast<std::size_t>(Length > 0 ? Length : 0));
  FModified = false;
}

void TFastIniFile::SaveToStream(TStream* Stream) {
  EnsureLoaded();
  String Text;
  for (Integer i = 0; i < FItems.Count(); ++i) {
    Text += FItems.LineText(i);
    Text += "\r\n";
  }
  Stream->WriteBuffer(Text.data(), static_cast<Int64>(Text.size()));
}

void TFastIniFile::LoadFromFile(const String& AFileName) {
  TFileStreamEx Stream(AFileName, fmOpenRead);
  LoadFromStream(&Stream);
}

void TFastIniFile::SaveToFile(const String& AFileName) {
  // The text goes to a new file beside the old one and replaces it only
  // when complete and on the disk: a failed write leaves the old file
  // whole. The old file is held meanwhile, so that a write waits (as an
  // open does) while another handle writes it.
  const String Target = os::ResolvePath(AFileName);
  String Fresh;
  try {
    std::unique_ptr<TFileStreamEx> Old;
    if (FileExistsEx(Target)) {
      Old = std::make_unique<TFileStreamEx>(Target, fmOpenRead);
      // A file the system would not let us write stays as it is.
      if (::access(Target.c_str(), W_OK) != 0) RaiseLastOSError(os::ErrnoToWin32(errno));
    }
    // The new file is made afresh and exclusively: a leftover of a killed
    // write goes first (a link itself, never what it points to), and
    // nothing is ever written through a link or into a file made by
    // someone else meanwhile.
    const String FreshName = Target + ".new";
    if (::unlink(FreshName.c_str()) != 0 && errno != ENOENT) RaiseLastOSError(os::ErrnoToWin32(errno));
    os::File File;
    os::Status Made = File.Open(FreshName, os::Access::ReadWrite, os::Share::DenyWrite, os::Disposition::CreateNew);
    if (!Made.ok()) throw EFCreateError("Datei " + FreshName + " kann nicht erstellt werden");
    THandleStream Stream(std::move(File));
    Fresh = Stream.Handle().Path();
    SaveToStream(&Stream);
    os::Status Synced = Stream.Handle().Flush();
    if (!Synced.ok()) throw EWriteError(Synced.Message());
    struct stat St;
    if (Old && ::fstat(Old->Handle().fd(), &St) == 0) ::fchmod(Stream.Handle().fd(), St.st_mode & 07777);
    if (std::rename(Fresh.c_str(), Target.c_str()) != 0) RaiseLastOSError(os::ErrnoToWin32(errno));
  } catch (const Exception& E) {
    if (!Fresh.empty()) std::remove(Fresh.c_str());
    throw EIniFileException("INI-Datei " + AFileName + " kann nicht geschrieben werden: " + E.Message());
  }
}

void TFastIniFile::UpdateFile() {
  if (!FModified) return;
  SaveToFile(FileName());
  FModified = false;
}

String TFastIniFile::CleanValue(const String& Stored) const {
  String V = Stored;
  if (InlineComments) {
    std::size_t P = FindInlineComment(V);
    if (P != String::npos) V = Trim(V.substr(0, P));
  }
  if (StripQuotes && V.size() >= 2 && (V[0] == '"' || V[0] == '\'') && V.back() == V[0])
    V = V.substr(1, V.size() - 2);
  return V;
}

String TFastIniFile::ReadString(const String& Section, const String& Ident, const String& Default) {
  EnsureLoaded();
  Integer I = FItems.FindKey(Section, Ident);
  return I < 0 ? Default : CleanValue(FItems.Lines(I).Value);
}

// The name a refusal gives the file: its path, or "im Speicher" for a
// store without one.
String TFastIniFile::RefusalText(const String& Reason) const {
  return "INI-Datei " + (FileName().empty() ? String("(im Speicher)") : FileName()) + ": " + Reason;
}

// A text the next load would split (CR, LF), cut (NUL) or read as other
// characters (bytes that are no UTF-8 turn the whole file into ANSI text)
// is refused before anything changes.
void TFastIniFile::RequireLoadableText(const String& Text, const char* What) const {
  if (Text.find_first_of(String("\r\n\0", 3)) != String::npos)
    throw EIniFileException(RefusalText(String("Zeilenumbruch oder NUL-Zeichen im ") + What + " sind nicht erlaubt"));
  if (!IsValidUtf8(Text)) throw EIniFileException(RefusalText(String("der ") + What + " ist kein gültiger UTF-8-Text"));
}

// The key line Key=Stored as the next load reads it. Raises
// EIniFileException when that load would not give back Ident with Value:
// a line read as a comment or a section header, a key with '=' or with
// blanks at its ends, a value with blanks at its ends, a ';' that starts a
// comment, quotes taken off.
TIniLine TFastIniFile::LineAsRead(const String& Section, const String& Ident, const String& Value, const String& Key,
                                  const String& Stored) {
  TIniLine Line;
  Line.Text = Key + "=" + Stored;
  const String Where = "Schlüssel \"" + Ident + "\" in Abschnitt [" + Section + "]: ";
  if (Line.Text[0] == ';' || (Line.Text[0] == '[' && Line.Text.back() == ']'))
    throw EIniFileException(RefusalText(Where + "die Zeile \"" + Line.Text + "\" würde als " +
                                        (Line.Text[0] == ';' ? "Kommentar" : "Abschnittskopf") + " gelesen"));
  FItems.Parse(Line);
  if (Line.Kind != ikKey || !FItems.SameName(Line.Text, Ident))
    throw EIniFileException(RefusalText(Where + "würde als Schlüssel \"" + Line.Text + "\" gelesen"));
  String ReadBack = CleanValue(Line.Value);
  if (ReadBack != Value)
    throw EIniFileException(RefusalText(Where + "der Wert \"" + Value + "\" würde als \"" + ReadBack + "\" gelesen"));
  return Line;
}

void TFastIniFile::WriteString(const String& Section, const String& Ident, const String& Value) {
  RequireLoadableText(Section, "Abschnittsname");
  RequireLoadableText(Ident, "Schlüssel");
  RequireLoadableText(Value, "Wert");
  EnsureLoaded();
  if (Ident.empty() && Value.empty()) {
    if (Section.empty()) {
      if (FItems.Count() > 0) FModified = true;
      FItems.Clear();
    } else {
      EraseSection(Section);
    }
    return;
  }
  // The line as it will be written, checked before the store changes.
  Integer Found = FItems.FindKey(Section, Ident);
  const String Key = Found >= 0 ? FItems.Lines(Found).Text : Trim(Ident);
  const String Old = Found >= 0 ? FItems.Lines(Found).Value : String();
  String NewValue = Value;
  std::size_t P = InlineComments ? FindInlineComment(Old) : String::npos;
  if (P != String::npos) {
    // Keep the comment where it stood in the value.
    NewValue += Value.size() < P ? String(P - Value.size(), ' ') : String(" ");
    NewValue += Old.substr(P);
  }
  TIniLine Written = LineAsRead(Section, Ident, Value, Key, NewValue);
  bool Created;
  TIniLine& Line = FItems.Lines(FItems.FindOrAddKey(Section, Ident, Created));
  if (Created || Written.Value != Line.Value) {
    // The store holds the line as a load of the file will: the value as
    // read, the line's text as written (the comment in its column).
    Line.Value = std::move(Written.Value);
    Line.Original = std::move(Written.Original);
    FModified = true;
  }
}

void TFastIniFile::ListSectionKeys(const String& Section, TStrings* Strings, bool WithValues) {
  EnsureLoaded();
  Strings->BeginUpdate();
  Strings->Clear();
  Integer Header = FItems.FindSection(Section);
  if (Header >= 0) {
    Integer First, End;
    FItems.SectionRange(Header, First, End);
    for (Integer i = First; i < End; ++i) {
      TIniLine& L = FItems.Lines(i);
      FItems.Parse(L);
      if (L.Kind == ikKey) Strings->Add(WithValues ? L.Text + "=" + L.Value : L.Text);
    }
  }
  Strings->EndUpdate();
}

void TFastIniFile::ReadSection(const String& Section, TStrings* Strings) {
  ListSectionKeys(Section, Strings, false);
}

void TFastIniFile::ReadSections(TStrings* Strings) {
  EnsureLoaded();
  Strings->BeginUpdate();
  Strings->Clear();
  for (Integer i = 0; i < FItems.Count(); ++i) {
    const TIniLine& L = FItems.Lines(i);
    if (L.Kind == ikSection) Strings->Add(L.Text.substr(1, L.Text.size() - 2));
  }
  Strings->EndUpdate();
}

void TFastIniFile::ReadSectionValues(const String& Section, TStrings* Strings) {
  ListSectionKeys(Section, Strings, true);
}

void TFastIniFile::EraseSection(const String& Section) {
  EnsureLoaded();
  if (FItems.EraseSection(Section)) FModified = true;
}

void TFastIniFile::DeleteKey(const String& Section, const String& Ident) {
  EnsureLoaded();
  Integer I = FItems.FindKey(Section, Ident);
  if (I < 0) return;
  FItems.DeleteLine(I);
  FModified = true;
}
