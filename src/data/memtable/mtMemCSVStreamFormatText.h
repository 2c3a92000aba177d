// Text helpers of the CSV stream format of the in-memory table: quoting of
// values and definition lines, escaping of string values, the armour that
// turns binary values into printable characters, and the comma-text split
// of definition lines.
//
// The CSV text, as the format writes it (every line ends with CR LF):
//   "@@FILE VERSION@@","251"                      (definition block, optional)
//   "@@TABLEDEF START@@"
//   "Name=String,100,""Name"","""",100,Data,"""""  one line per field:
//        name=type,size,"label","mask",width[,REQ][,RO][,INV],kind,"default"
//   "@@INDEXDEF START@@"                          (optional index section)
//   "ByName=""Name"",""ByName"",CASE"             name="fields","label"[,DESC][,CASE][,NONMT][,UNIQ]
//   "@@INDEXDEF END@@"
//   "@@TABLEDEF END@@"
//   "Name","Path",...,                            header line (optional)
//   "Kunde A","C:%c%n",...,                       one line per record
// Values are quoted with the quote character (inner quotes doubled); a null
// value is nothing between two delimiters. String values are escaped
// (escape character + "0", "c", "n" for NUL, CR, LF; the escape character
// doubled); binary values are armoured (6 bits per character, code + 32).
//
// Thread safety: pure functions; safe from any thread.
#pragma once

#include <vector>

#include "platform/rtl/system.h"

// Marker values of the definition block.
constexpr const char* mtCSVFileVersionMarker = "@@FILE VERSION@@";
constexpr const char* mtCSVFileVersionNumber = "251";
constexpr const char* mtCSVTableDefStart = "@@TABLEDEF START@@";
constexpr const char* mtCSVTableDefEnd = "@@TABLEDEF END@@";
constexpr const char* mtCSVIndexDefStart = "@@INDEXDEF START@@";
constexpr const char* mtCSVIndexDefEnd = "@@INDEXDEF END@@";
// Line end of every line of the text.
constexpr const char* mtCSVLineEnd = "\r\n";

// X enclosed in Quote with every Quote inside doubled; X itself when Quote
// is #0.
String mtCSVQuote(const String& X, char Quote);
// Line += mtCSVQuote(X, Quote), without the intermediate text.
void mtCSVAppendQuoted(String& Line, const String& X, char Quote);

// The text between a leading Quote and its closing quote, doubled quotes
// turned into one; an empty text when Line does not begin with Quote (an
// unclosed quote yields the text up to its end); Line itself when Quote is
// #0.
String mtCSVUnquoteLine(const String& Line, char Quote);

// Escapes a string value: NUL -> E "0", LF -> E "n", CR -> E "c", E -> E E.
// Whether mtCSVEscape would change S.
bool mtCSVNeedsEscape(const String& S, char Escape);
String mtCSVEscape(const String& S, char Escape);

// Reverses mtCSVEscape. An escape character at the very end is dropped; an
// escape character followed by any other character gives that character.
String mtCSVUnescape(const String& S, char Escape);

// Armours binary bytes: 6-bit groups of the little-endian bit stream, each
// written as the character with code group + 32. n bytes give
// (4n + 2) div 3 characters.
String mtCSVArmour(const String& Bytes);

// Reverses mtCSVArmour: (3 x length) div 4 bytes.
String mtCSVUnarmour(const String& Text);

// Splits a comma text: items separated by commas, an item in double quotes
// may hold commas and doubled double quotes; blanks around unquoted items
// are dropped. An empty text gives no items.
std::vector<String> mtCSVSplitCommaText(const String& S);

// Whether Text contains Sub (case-sensitive).
inline bool mtCSVContains(const String& Text, const char* Sub) {
  return Text.find(Sub) != String::npos;
}
