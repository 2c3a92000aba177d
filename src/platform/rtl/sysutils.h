// SysUtils: the class library's everyday routines in one include.
//
// Including this header gives the string routines below plus everything of
// charset.h (characters, code pages, locale compare), clock.h (tick count,
// local time), formatsettings.h (the process-wide formats), format.h
// (Format, number conversions, Currency) and datetime.h (TDateTime).
//
// Conventions: positions and lengths are in characters (1-based, as the
// class library counts); "ASCII" routines change or compare only a-z/A-Z,
// the "Ansi" ones use the German locale rules of charset.h. File names use
// '/' as the path delimiter.
//
// Thread safety: all routines are reentrant.
#pragma once

#include "platform/rtl/charset.h"
#include "platform/rtl/clock.h"
#include "platform/rtl/datetime.h"
#include "platform/rtl/format.h"
#include "platform/rtl/formatsettings.h"

constexpr char PathDelim = '/';
constexpr char DriveDelim = ':';
constexpr char PathSep = ':';

// ---------------------------------------------------------------------------
// Trimming and case

// S without leading and trailing characters <= ' ' (blanks and controls).
String Trim(const String& S);
// S without leading characters <= ' '.
String TrimLeft(const String& S);
// S without trailing characters <= ' '.
String TrimRight(const String& S);

// S with a-z upper-cased; every other character unchanged.
String UpperCase(const String& S);
// S with A-Z lower-cased; every other character unchanged.
String LowerCase(const String& S);

// Byte-wise comparison: < 0, 0, > 0.
Integer CompareStr(const String& S1, const String& S2);
// Comparison with a-z folded to A-Z, otherwise byte-wise: < 0, 0, > 0.
Integer CompareText(const String& S1, const String& S2);
// CompareText(S1, S2) == 0.
bool SameText(const String& S1, const String& S2);
// CompareStr(S1, S2) == 0.
bool SameStr(const String& S1, const String& S2);

// Character position of Sub in S (as Pos), 0 when absent.
Integer AnsiPos(const String& Sub, const String& S);
// True when S begins / ends with Sub, ignoring case (German rules).
bool AnsiStartsText(const String& Sub, const String& S);
bool AnsiEndsText(const String& Sub, const String& S);
// True when S contains Sub, ignoring case (German rules).
bool AnsiContainsText(const String& S, const String& Sub);

// ---------------------------------------------------------------------------
// Quoting

// S in single quotes, inner single quotes doubled: it's -> 'it''s'.
String QuotedStr(const String& S);
// S between Quote characters, inner Quote characters doubled.
String AnsiQuotedStr(const String& S, char Quote);
// Out += AnsiQuotedStr(S, Quote), without the intermediate text.
void AppendQuotedStr(String& Out, const String& S, char Quote);
// The text of a quoted S: S must begin with Quote; doubled quotes give one,
// a single quote ends the text; a missing closing quote ends it at the end
// of S. Returns '' when S does not begin with Quote.
String AnsiExtractQuotedStr(const String& S, char Quote);
// AnsiExtractQuotedStr, but S itself when that gives '' (S not quoted, or
// an empty quoted text).
String AnsiDequotedStr(const String& S, char Quote);

// ---------------------------------------------------------------------------
// Replacing and building

enum TReplaceFlag : unsigned { rfReplaceAll = 1, rfIgnoreCase = 2 };
using TReplaceFlags = unsigned;

// S with the first (rfReplaceAll: every) occurrence of OldPattern replaced
// by NewPattern; rfIgnoreCase compares with the German upper-case rules.
// Replaced text is not searched again. An empty OldPattern changes nothing.
String StringReplace(const String& S, const String& OldPattern, const String& NewPattern,
                     TReplaceFlags Flags);

// Count copies of Ch ('' for Count <= 0).
String StringOfChar(char Ch, Integer Count);
// Count copies of the character (or text) Ch.
String StringOfChar(const String& Ch, Integer Count);

// Character position of the last character of S that is one of the
// characters in Delimiters; 0 when there is none.
Integer LastDelimiter(const String& Delimiters, const String& S);
// True when the character at position Index of S is one of Delimiters.
bool IsDelimiter(const String& Delimiters, const String& S, Integer Index);

enum TTextLineBreakStyle { tlbsLF, tlbsCRLF };
// S with every line break (CR LF, LF CR, lone CR, lone LF) made CR LF
// (tlbsLF: LF).
String AdjustLineBreaks(const String& S, TTextLineBreakStyle Style = tlbsCRLF);

// ---------------------------------------------------------------------------
// Booleans

// "-1"/"0", or "True"/"False" when UseBoolStrs.
String BoolToStr(bool B, bool UseBoolStrs = false);
// "True"/"False" (any case) or a number (non-zero is true); raises
// EConvertError "'S' ist kein gültiger Boolescher Wert".
bool StrToBool(const String& S);
bool TryStrToBool(const String& S, bool& Value);
bool StrToBoolDef(const String& S, bool Default);

// ---------------------------------------------------------------------------
// File names ('/' delimited)

// Everything up to and including the last '/': "/a/b/c.txt" -> "/a/b/".
String ExtractFilePath(const String& FileName);
// ExtractFilePath without its trailing '/' (kept for the root "/").
String ExtractFileDir(const String& FileName);
// The part after the last '/': "/a/b/c.txt" -> "c.txt".
String ExtractFileName(const String& FileName);
// The extension with its dot, from the last '.' of the name part:
// "c.tar.gz" -> ".gz"; '' when the name has no dot.
String ExtractFileExt(const String& FileName);
// FileName with its extension replaced by Extension (which brings its own
// dot, or is '' to remove the extension).
String ChangeFileExt(const String& FileName, const String& Extension);
// S with a '/' appended unless it already ends with one.
String IncludeTrailingPathDelimiter(const String& S);
// S without its trailing '/' (if any; "/" gives '').
String ExcludeTrailingPathDelimiter(const String& S);
// True when two file names are the same ignoring case (German rules), as
// file names compare on the original platform.
bool SameFileName(const String& S1, const String& S2);
