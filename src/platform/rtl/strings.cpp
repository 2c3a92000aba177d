#include "platform/rtl/strings.h"

#include "platform/rtl/charset.h"
#include "platform/rtl/sysutils.h"

const char* const SSortedListError = "Operation bei sortierten Listen nicht zulässig";
const char* const SDuplicateString = "Sortierte Liste kann keine Duplikate enthalten";

RTL_IMPLEMENT_CLASS(TStrings, TPersistent, nullptr)
RTL_IMPLEMENT_CLASS(TStringList, TStrings, [](TObject*) -> TObject* { return new TStringList(); })

namespace {
bool IsBlankOrControl(char C) { return static_cast<unsigned char>(C) <= ' '; }

// Runs Work inside one update bracket of List, closed also on failure.
template <class Fn>
void InUpdate(TStrings& List, Fn Work) {
  List.BeginUpdate();
  try {
    Work();
  } catch (...) {
    List.EndUpdate();
    throw;
  }
  List.EndUpdate();
}

// Reads the quoted text that starts at S[P] (a Quote): a doubled Quote
// stands for one, a single Quote ends it, a missing closing Quote takes
// the rest of S. P is left after the closing Quote.
String ExtractQuotedText(const String& S, std::size_t& P, char Quote) {
  String Result;
  for (++P; P < S.size(); ++P) {
    if (S[P] != Quote) {
      Result += S[P];
    } else if (P + 1 < S.size() && S[P + 1] == Quote) {
      Result += Quote;
      ++P;
    } else {
      ++P;
      break;
    }
  }
  return Result;
}

// Text read from a file: UTF-8 (byte-order mark dropped) when it is valid
// UTF-8, else the single-byte ANSI code page of the original platform.
String DecodeText(String Bytes) {
  if (Bytes.compare(0, 3, "\xEF\xBB\xBF") == 0) Bytes.erase(0, 3);
  return IsValidUtf8(Bytes) ? Bytes : AnsiToUtf8(Bytes);
}
}  // namespace

// ---- TStrings: primitives with defaults ------------------------------------

TObject* TStrings::GetObject(Integer) const { return nullptr; }

void TStrings::PutObject(Integer, TObject*) {}

void TStrings::Put(Integer Index, const String& S) {
  TObject* Obj = GetObject(Index);
  Delete(Index);
  InsertObject(Index, S, Obj);
}

void TStrings::IndexError(Integer Index) const {
  throw EStringListError(ListErrorText(SListIndexError, Index));
}

void TStrings::SetUpdateState(bool) {}

int TStrings::CompareStrings(const String& S1, const String& S2) const {
  return AnsiCompareText(S1, S2);
}

// ---- TStrings: lines and objects -------------------------------------------

Integer TStrings::Add(const String& S) {
  Integer Index = GetCount();
  Insert(Index, S);
  return Index;
}

Integer TStrings::AddObject(const String& S, TObject* AObject) {
  Integer Index = Add(S);
  PutObject(Index, AObject);
  return Index;
}

void TStrings::InsertObject(Integer Index, const String& S, TObject* AObject) {
  Insert(Index, S);
  PutObject(Index, AObject);
}

void TStrings::AddStrings(const TStrings* Strings) {
  InUpdate(*this, [&] {
    for (Integer i = 0; i < Strings->Count(); ++i)
      AddObject(Strings->Get(i), Strings->GetObject(i));
  });
}

void TStrings::Exchange(Integer Index1, Integer Index2) {
  InUpdate(*this, [&] {
    String S = Get(Index1);
    TObject* Obj = GetObject(Index1);
    Put(Index1, Get(Index2));
    PutObject(Index1, GetObject(Index2));
    Put(Index2, S);
    PutObject(Index2, Obj);
  });
}

void TStrings::Move(Integer CurIndex, Integer NewIndex) {
  if (CurIndex == NewIndex) return;
  InUpdate(*this, [&] {
    String S = Get(CurIndex);
    TObject* Obj = GetObject(CurIndex);
    // Detach the object first, so that an owning list does not free it.
    PutObject(CurIndex, nullptr);
    Delete(CurIndex);
    InsertObject(NewIndex, S, Obj);
  });
}

Integer TStrings::IndexOf(const String& S) const {
  for (Integer i = 0; i < GetCount(); ++i)
    if (CompareStrings(Get(i), S) == 0) return i;
  return -1;
}

Integer TStrings::IndexOfName(const String& Name) const {
  for (Integer i = 0; i < GetCount(); ++i) {
    String S = Get(i);
    std::size_t P = S.find(FNameValueSeparator);
    if (P != String::npos && CompareStrings(S.substr(0, P), Name) == 0) return i;
  }
  return -1;
}

Integer TStrings::IndexOfObject(TObject* AObject) const {
  for (Integer i = 0; i < GetCount(); ++i)
    if (GetObject(i) == AObject) return i;
  return -1;
}

bool TStrings::Equals(const TStrings* Strings) const {
  if (!Strings || Strings->GetCount() != GetCount()) return false;
  for (Integer i = 0; i < GetCount(); ++i)
    if (Get(i) != Strings->Get(i)) return false;
  return true;
}

// ---- TStrings: name=value --------------------------------------------------

String TStrings::Names(Integer Index) const {
  String S = Get(Index);
  std::size_t P = S.find(FNameValueSeparator);
  return P == String::npos ? String() : S.substr(0, P);
}

String TStrings::Values(const String& Name) const {
  Integer Index = IndexOfName(Name);
  return Index < 0 ? String() : ValueFromIndex(Index);
}

void TStrings::SetValues(const String& Name, const String& Value) {
  Integer Index = IndexOfName(Name);
  if (!Value.empty()) {
    String Line = Name + FNameValueSeparator + Value;
    if (Index < 0)
      Add(Line);
    else
      Put(Index, Line);
  } else if (Index >= 0) {
    Delete(Index);
  }
}

String TStrings::ValueFromIndex(Integer Index) const {
  String S = Get(Index);
  std::size_t P = S.find(FNameValueSeparator);
  return P == String::npos ? String() : S.substr(P + 1);
}

void TStrings::SetValueFromIndex(Integer Index, const String& Value) {
  if (Value.empty()) {
    Delete(Index);
    return;
  }
  if (Index < 0) Index = Add(String());
  Put(Index, Names(Index) + FNameValueSeparator + Value);
}

// ---- TStrings: text forms --------------------------------------------------

String TStrings::GetText() const {
  String Result;
  for (Integer i = 0; i < GetCount(); ++i) Result += Get(i) + FLineBreak;
  return Result;
}

void TStrings::SetText(const String& S) {
  InUpdate(*this, [&] {
    Clear();
    std::size_t P = 0, N = S.size();
    while (P < N) {
      std::size_t E = S.find_first_of("\r\n", P);
      if (E == String::npos) E = N;
      Add(S.substr(P, E - P));
      P = E + 1;
      if (E < N && S[E] == '\r' && P < N && S[P] == '\n') ++P;
    }
  });
}

String TStrings::CommaText() const {
  auto* Self = const_cast<TStrings*>(this);
  char D = FDelimiter, Q = FQuoteChar;
  bool Strict = FStrictDelimiter;
  Self->FDelimiter = ',', Self->FQuoteChar = '"', Self->FStrictDelimiter = false;
  String Result = DelimitedText();
  Self->FDelimiter = D, Self->FQuoteChar = Q, Self->FStrictDelimiter = Strict;
  return Result;
}

void TStrings::SetCommaText(const String& S) {
  char D = FDelimiter, Q = FQuoteChar;
  bool Strict = FStrictDelimiter;
  FDelimiter = ',', FQuoteChar = '"', FStrictDelimiter = false;
  try {
    SetDelimitedText(S);
  } catch (...) {
    FDelimiter = D, FQuoteChar = Q, FStrictDelimiter = Strict;
    throw;
  }
  FDelimiter = D, FQuoteChar = Q, FStrictDelimiter = Strict;
}

String TStrings::DelimitedText() const {
  if (GetCount() == 1 && Get(0).empty()) return String(2, FQuoteChar);
  String Result;
  for (Integer i = 0; i < GetCount(); ++i) {
    String S = Get(i);
    bool Quote = false;
    for (char C : S)
      if (C == '\0' || C == FQuoteChar || C == FDelimiter ||
          (!FStrictDelimiter && IsBlankOrControl(C)))
        Quote = true;
    if (i > 0) Result += FDelimiter;
    Result += Quote ? AnsiQuotedStr(S, FQuoteChar) : S;
  }
  return Result;
}

void TStrings::SetDelimitedText(const String& S) {
  auto SkipBlanks = [&](std::size_t& P) {
    if (!FStrictDelimiter)
      while (P < S.size() && S[P] != '\0' && IsBlankOrControl(S[P])) ++P;
  };
  InUpdate(*this, [&] {
    Clear();
    std::size_t P = 0;
    SkipBlanks(P);
    while (P < S.size() && S[P] != '\0') {
      if (S[P] == FQuoteChar) {
        Add(ExtractQuotedText(S, P, FQuoteChar));
      } else {
        std::size_t Start = P;
        while (P < S.size() && S[P] != '\0' && S[P] != FDelimiter &&
               (FStrictDelimiter || !IsBlankOrControl(S[P])))
          ++P;
        Add(S.substr(Start, P - Start));
      }
      SkipBlanks(P);
      if (P < S.size() && S[P] == FDelimiter) {
        if (P + 1 >= S.size() || S[P + 1] == '\0') Add(String());
        ++P;
        SkipBlanks(P);
      }
    }
  });
}

// ---- TStrings: update bracket, copying, streaming --------------------------

void TStrings::BeginUpdate() {
  if (FUpdateCount == 0) SetUpdateState(true);
  ++FUpdateCount;
}

void TStrings::EndUpdate() {
  if (FUpdateCount > 0 && --FUpdateCount == 0) SetUpdateState(false);
}

void TStrings::Assign(TPersistent* Source) {
  auto* Src = dynamic_cast<TStrings*>(Source);
  if (!Src) {
    TPersistent::Assign(Source);
    return;
  }
  InUpdate(*this, [&] {
    Clear();
    FNameValueSeparator = Src->FNameValueSeparator;
    FDelimiter = Src->FDelimiter;
    FQuoteChar = Src->FQuoteChar;
    FStrictDelimiter = Src->FStrictDelimiter;
    FLineBreak = Src->FLineBreak;
    AddStrings(Src);
  });
}

void TStrings::LoadFromStream(TStream* Stream) { SetText(DecodeText(Stream->ReadString())); }

void TStrings::SaveToStream(TStream* Stream) const { Stream->WriteString(GetText()); }

// ---- TStringList -----------------------------------------------------------

TStringList::~TStringList() {
  OnChange = nullptr;
  OnChanging = nullptr;
  if (FOwnsObjects)
    for (TStringItem& Item : FList) delete Item.FObject;
}

void TStringList::Changing() {
  if (UpdateCount() == 0 && OnChanging) OnChanging(this);
}

void TStringList::Changed() {
  if (UpdateCount() == 0 && OnChange) OnChange(this);
}

void TStringList::SetUpdateState(bool Updating) {
  if (Updating)
    Changing();
  else
    Changed();
}

String TStringList::Get(Integer Index) const {
  if (Index < 0 || Index >= GetCount()) IndexError(Index);
  return FList[Index].FString;
}

TObject* TStringList::GetObject(Integer Index) const {
  if (Index < 0 || Index >= GetCount()) IndexError(Index);
  return FList[Index].FObject;
}

void TStringList::Put(Integer Index, const String& S) {
  if (FSorted) throw EStringListError(SSortedListError);
  if (Index < 0 || Index >= GetCount()) IndexError(Index);
  Changing();
  FList[Index].FString = S;
  Changed();
}

void TStringList::PutObject(Integer Index, TObject* AObject) {
  if (Index < 0 || Index >= GetCount()) IndexError(Index);
  Changing();
  FList[Index].FObject = AObject;
  Changed();
}

void TStringList::Insert(Integer Index, const String& S) {
  if (FSorted) throw EStringListError(SSortedListError);
  if (Index < 0 || Index > GetCount()) IndexError(Index);
  InsertItem(Index, S, nullptr);
}

void TStringList::InsertItem(Integer Index, const String& S, TObject* AObject) {
  Changing();
  FList.insert(FList.begin() + Index, TStringItem{S, AObject});
  Changed();
}

void TStringList::Delete(Integer Index) {
  if (Index < 0 || Index >= GetCount()) IndexError(Index);
  Changing();
  TObject* Obj = FList[Index].FObject;
  FList.erase(FList.begin() + Index);
  if (FOwnsObjects) delete Obj;
  Changed();
}

void TStringList::Clear() {
  if (FList.empty()) return;
  Changing();
  std::vector<TStringItem> Old;
  Old.swap(FList);
  if (FOwnsObjects)
    for (TStringItem& Item : Old) delete Item.FObject;
  Changed();
}

Integer TStringList::Add(const String& S) { return AddObject(S, nullptr); }

Integer TStringList::AddObject(const String& S, TObject* AObject) {
  Integer Index = GetCount();
  if (FSorted && Find(S, Index)) {
    if (FDuplicates == dupIgnore) return Index;
    if (FDuplicates == dupError) throw EStringListError(SDuplicateString);
  }
  InsertItem(Index, S, AObject);
  return Index;
}

void TStringList::Exchange(Integer Index1, Integer Index2) {
  if (Index1 < 0 || Index1 >= GetCount()) IndexError(Index1);
  if (Index2 < 0 || Index2 >= GetCount()) IndexError(Index2);
  Changing();
  ExchangeItems(Index1, Index2);
  Changed();
}

void TStringList::Move(Integer CurIndex, Integer NewIndex) {
  if (FSorted) throw EStringListError(SSortedListError);
  TStrings::Move(CurIndex, NewIndex);
}

void TStringList::ExchangeItems(Integer Index1, Integer Index2) {
  std::swap(FList[Index1], FList[Index2]);
}

Integer TStringList::IndexOf(const String& S) const {
  if (!FSorted) return TStrings::IndexOf(S);
  Integer Index;
  return Find(S, Index) ? Index : -1;
}

int TStringList::CompareStrings(const String& S1, const String& S2) const {
  return FCaseSensitive ? AnsiCompareStr(S1, S2) : AnsiCompareText(S1, S2);
}

bool TStringList::Find(const String& S, Integer& Index) const {
  bool Result = false;
  Integer L = 0, H = GetCount() - 1;
  while (L <= H) {
    Integer I = (L + H) / 2;
    int C = CompareStrings(FList[I].FString, S);
    if (C < 0) {
      L = I + 1;
    } else {
      H = I - 1;
      if (C == 0) {
        Result = true;
        // With accepted duplicates keep searching left for the first one.
        if (FDuplicates != dupAccept) L = I;
      }
    }
  }
  Index = L;
  return Result;
}

void TStringList::QuickSort(Integer L, Integer R, const TStringListSortCompare& Compare) {
  Integer I;
  do {
    I = L;
    Integer J = R, P = (L + R) / 2;
    do {
      while (Compare(this, I, P) < 0) ++I;
      while (Compare(this, J, P) > 0) --J;
      if (I <= J) {
        if (I != J) ExchangeItems(I, J);
        // The pivot travels with its line.
        if (P == I)
          P = J;
        else if (P == J)
          P = I;
        ++I;
        --J;
      }
    } while (I <= J);
    if (L < J) QuickSort(L, J, Compare);
    L = I;
  } while (I < R);
}

void TStringList::CustomSort(const TStringListSortCompare& Compare) {
  if (FSorted || GetCount() < 2) return;
  Changing();
  QuickSort(0, GetCount() - 1, Compare);
  Changed();
}

void TStringList::Sort() {
  CustomSort([](TStringList* List, Integer I1, Integer I2) {
    return List->CompareStrings(List->FList[I1].FString, List->FList[I2].FString);
  });
}

void TStringList::SetSorted(bool Value) {
  if (Value == FSorted) return;
  if (Value) Sort();
  FSorted = Value;
}

void TStringList::SetCaseSensitive(bool Value) {
  if (Value == FCaseSensitive) return;
  FCaseSensitive = Value;
  if (FSorted) {
    FSorted = false;
    SetSorted(true);
  }
}
