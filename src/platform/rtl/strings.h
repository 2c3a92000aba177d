// String lists of the class library: the abstract TStrings (lines with an
// optional object each, name=value access, comma and delimited text, text
// with line breaks, streaming) and the concrete TStringList (sorting,
// duplicates, binary search, change events, owned objects).
//
// Indices are 0-based; an index outside the list raises EStringListError
// with SListIndexError. Comparisons of TStrings ignore case the way the
// system's ANSI text comparison does (German collation); TStringList can be
// switched to case-sensitive comparison.
//
// Thread safety: none; a list belongs to the thread that uses it.
#pragma once

#include <functional>
#include <memory>
#include <vector>

#include "platform/rtl/events.h"
#include "platform/rtl/lists.h"
#include "platform/rtl/persistent.h"
#include "platform/rtl/streams.h"

// Messages of string-list errors.
extern const char* const SSortedListError;  // "Operation bei sortierten Listen nicht zulässig"
extern const char* const SDuplicateString;  // "Sortierte Liste kann keine Duplikate enthalten"

class TStrings : public TPersistent {
  RTL_DECLARE_CLASS(TStrings)
 public:
  TStrings() = default;

  // ---- the primitives every list supplies --------------------------------
  // The line at Index; EStringListError when out of range.
  virtual String Get(Integer Index) const = 0;
  virtual Integer GetCount() const = 0;
  // The object kept with the line at Index (null when none). The default
  // list keeps no objects and returns null.
  virtual TObject* GetObject(Integer Index) const;
  // Replaces the line at Index, keeping its object.
  virtual void Put(Integer Index, const String& S);
  // Replaces the object at Index; the default ignores it.
  virtual void PutObject(Integer Index, TObject* AObject);
  // Inserts S before Index (0..Count).
  virtual void Insert(Integer Index, const String& S) = 0;
  // Removes the line at Index.
  virtual void Delete(Integer Index) = 0;
  // Removes every line.
  virtual void Clear() = 0;

  // ---- lines and objects -------------------------------------------------
  Integer Count() const { return GetCount(); }
  String Strings(Integer Index) const { return Get(Index); }
  void SetStrings(Integer Index, const String& S) { Put(Index, S); }
  String operator[](Integer Index) const { return Get(Index); }
  TObject* Objects(Integer Index) const { return GetObject(Index); }
  void SetObjects(Integer Index, TObject* AObject) { PutObject(Index, AObject); }

  // Appends S (a sorted list inserts it in order); returns its index.
  virtual Integer Add(const String& S);
  // Appends S with AObject; returns its index.
  virtual Integer AddObject(const String& S, TObject* AObject);
  void InsertObject(Integer Index, const String& S, TObject* AObject);
  // Appends every line (and object) of Strings.
  virtual void AddStrings(const TStrings* Strings);
  // Swaps two lines together with their objects.
  virtual void Exchange(Integer Index1, Integer Index2);
  // Moves a line with its object so that it stands at NewIndex.
  virtual void Move(Integer CurIndex, Integer NewIndex);
  // Index of the first line equal to S under CompareStrings, or -1.
  virtual Integer IndexOf(const String& S) const;
  // Index of the first line whose name equals Name, or -1.
  virtual Integer IndexOfName(const String& Name) const;
  // Index of the first line holding AObject, or -1.
  Integer IndexOfObject(TObject* AObject) const;
  // True when both lists hold the same lines in the same order (exact,
  // case-sensitive comparison; objects are not compared).
  bool Equals(const TStrings* Strings) const;

  // ---- name=value lines --------------------------------------------------
  // The part of line Index before the first separator; empty when the line
  // has none.
  String Names(Integer Index) const;
  // The part after the first separator of the line named Name; empty when
  // there is no such line.
  String Values(const String& Name) const;
  // Sets the value of Name, adding "Name=Value" when missing; an empty
  // Value removes the line.
  void SetValues(const String& Name, const String& Value);
  // The part of line Index after the first separator; empty when none.
  String ValueFromIndex(Integer Index) const;
  void SetValueFromIndex(Integer Index, const String& Value);
  char NameValueSeparator() const { return FNameValueSeparator; }
  void SetNameValueSeparator(char C) { FNameValueSeparator = C; }

  // ---- text forms --------------------------------------------------------
  // The lines, each followed by LineBreak ("\r\n").
  virtual String GetText() const;
  String Text() const { return GetText(); }
  // Replaces the lines with those of S; CR LF, LF and CR all end a line,
  // and a final line break adds no empty line.
  virtual void SetText(const String& S);
  const String& LineBreak() const { return FLineBreak; }
  void SetLineBreak(const String& S) { FLineBreak = S; }

  // DelimitedText with ',' and '"', not strict, whatever the properties.
  String CommaText() const;
  void SetCommaText(const String& S);
  // The lines joined by Delimiter; a line holding the quote character, the
  // delimiter or (unless StrictDelimiter) blanks or control characters is
  // quoted with QuoteChar (inner quotes doubled). A single empty line gives
  // two quote characters.
  String DelimitedText() const;
  // Replaces the lines by the parts of S. Unless StrictDelimiter, blanks
  // and control characters also separate parts and are skipped around
  // delimiters; a quoted part may contain anything, "" stands for one
  // quote; a trailing delimiter adds an empty part.
  void SetDelimitedText(const String& S);
  char Delimiter() const { return FDelimiter; }
  void SetDelimiter(char C) { FDelimiter = C; }
  char QuoteChar() const { return FQuoteChar; }
  void SetQuoteChar(char C) { FQuoteChar = C; }
  bool StrictDelimiter() const { return FStrictDelimiter; }
  void SetStrictDelimiter(bool V) { FStrictDelimiter = V; }

  // ---- update bracket ----------------------------------------------------
  // Suspends change notifications until the matching EndUpdate; brackets
  // nest, and the outermost pair notifies once (Changing, then Changed).
  void BeginUpdate();
  void EndUpdate();
  Integer UpdateCount() const { return FUpdateCount; }

  // ---- copying and streaming ---------------------------------------------
  // Copies the lines and objects of another TStrings (and its separators);
  // other sources go through TPersistent::Assign.
  void Assign(TPersistent* Source) override;
  // Replaces the lines with the text of Stream from its position to its
  // end: UTF-8 (a byte-order mark is skipped) when the bytes are valid
  // UTF-8, else Windows-1252, converted to UTF-8.
  virtual void LoadFromStream(TStream* Stream);
  // Writes Text to Stream as UTF-8 without byte-order mark.
  virtual void SaveToStream(TStream* Stream) const;
  // File variants: EFOpenError / EFCreateError when the file cannot be
  // opened or created. Defined in platform/os/rtl_files.cpp, because files
  // are reached only through platform/os.
  void LoadFromFile(const String& FileName);
  void SaveToFile(const String& FileName) const;

  // Compares two lines as this list does (case-insensitive here);
  // negative, 0 or positive.
  virtual int CompareStrings(const String& S1, const String& S2) const;

 protected:
  // Called by BeginUpdate/EndUpdate at the outermost level: true when an
  // update starts, false when it ends. The default does nothing.
  virtual void SetUpdateState(bool Updating);
  [[noreturn]] void IndexError(Integer Index) const;

 private:
  Integer FUpdateCount = 0;
  char FNameValueSeparator = '=';
  char FDelimiter = ',';
  char FQuoteChar = '"';
  bool FStrictDelimiter = false;
  String FLineBreak = "\r\n";
};

class TStringList;
// Orders the lines Index1 and Index2 of List: negative, 0 or positive.
using TStringListSortCompare =
    std::function<int(TStringList* List, Integer Index1, Integer Index2)>;

class TStringList : public TStrings {
  RTL_DECLARE_CLASS(TStringList)
 public:
  explicit TStringList(bool AOwnsObjects = false) : FOwnsObjects(AOwnsObjects) {}
  // Frees owned objects; fires no events.
  ~TStringList() override;

  String Get(Integer Index) const override;
  Integer GetCount() const override { return static_cast<Integer>(FList.size()); }
  TObject* GetObject(Integer Index) const override;
  // EStringListError (SSortedListError) when the list is sorted.
  void Put(Integer Index, const String& S) override;
  void PutObject(Integer Index, TObject* AObject) override;
  // EStringListError (SSortedListError) when the list is sorted.
  void Insert(Integer Index, const String& S) override;
  void Delete(Integer Index) override;
  void Clear() override;

  // A sorted list inserts S at its place; a duplicate is ignored (returns
  // the existing index), accepted, or raises EStringListError
  // (SDuplicateString), as Duplicates says.
  Integer Add(const String& S) override;
  Integer AddObject(const String& S, TObject* AObject) override;
  void Exchange(Integer Index1, Integer Index2) override;
  // EStringListError (SSortedListError) when the list is sorted.
  void Move(Integer CurIndex, Integer NewIndex) override;
  // Uses Find when the list is sorted.
  Integer IndexOf(const String& S) const override;

  // Binary search of a sorted list: true when S is present. Index receives
  // the position of S (with dupAccept the first of equal lines), or where
  // it would be inserted.
  virtual bool Find(const String& S, Integer& Index) const;
  // Sorts the lines with CompareStrings.
  virtual void Sort();
  // Sorts the lines with Compare (not stable).
  virtual void CustomSort(const TStringListSortCompare& Compare);

  bool Sorted() const { return FSorted; }
  // Switching on sorts the list.
  void SetSorted(bool Value);
  TDuplicates Duplicates() const { return FDuplicates; }
  void SetDuplicates(TDuplicates Value) { FDuplicates = Value; }
  bool CaseSensitive() const { return FCaseSensitive; }
  // Changing it re-sorts a sorted list.
  void SetCaseSensitive(bool Value);
  bool OwnsObjects() const { return FOwnsObjects; }
  void SetOwnsObjects(bool Value) { FOwnsObjects = Value; }

  int CompareStrings(const String& S1, const String& S2) const override;

  // Fired before and after every change outside an update bracket.
  TNotifyEvent OnChange;
  TNotifyEvent OnChanging;

 protected:
  virtual void Changed();
  virtual void Changing();
  void SetUpdateState(bool Updating) override;
  // Inserts without the sorted check; used by Add and Insert.
  virtual void InsertItem(Integer Index, const String& S, TObject* AObject);

 private:
  struct TStringItem {
    String FString;
    TObject* FObject = nullptr;
  };
  void ExchangeItems(Integer Index1, Integer Index2);
  void QuickSort(Integer L, Integer R, const TStringListSortCompare& Compare);

  std::vector<TStringItem> FList;
  bool FSorted = false;
  TDuplicates FDuplicates = dupIgnore;
  bool FCaseSensitive = false;
  bool FOwnsObjects;
};
