// TOakDataSet::BuildFilterString: the engine expression that compares the
// key fields with the values placed in the lookup key buffer (Locate and
// Lookup without a usable index).
#include <cctype>
#include <cstdio>
#include <cstring>

#include "data/oak/oakdata_filter.h"
#include "platform/rtl/charset.h"
#include "platform/rtl/formatsettings.h"
#include "platform/rtl/sysutils.h"

namespace {

// A character value as an engine literal: each double-quote character
// closes the literal, is added as Chr(34) and opens it again.
String QuoteLiteral(const String& Value) {
  String R = "\"";
  for (char C : Value) {
    if (C == '"')
      R += "\" + Chr(34) + \"";
    else
      R += C;
  }
  return R + "\"";
}

// Pads Value with blanks to Width characters.
String PadRight(const String& Value, std::size_t Width) {
  std::size_t Chars = static_cast<std::size_t>(Utf8CharCount(Value));
  return Chars < Width ? Value + String(Width - Chars, ' ') : Value;
}

// Numbers in expressions always take "." as their decimal separator.
String NumberText(TField* F) {
  String S = F->AsString();
  char Sep = FormatSettings.DecimalSeparator;
  if (Sep != '.' && (F->DataType() == ftFloat || F->DataType() == ftCurrency ||
                     F->DataType() == ftBCD))
    for (char& C : S)
      if (C == Sep) C = '.';
  return S;
}

String CharacterTerm(TField* F, const TOCEFieldDef& Def, const String& Op, bool CaseInsensitive,
                     bool Exact) {
  // The buffer holds the value padded with blanks; only an exact search
  // compares the padded form.
  String Value = TrimRight(F->AsString());
  if (Exact) Value = PadRight(Value, Def.Length);
  String Name = F->FieldName();
  if (CaseInsensitive)
    return "(UPPER(" + Name + ")" + Op + "UPPER(" + QuoteLiteral(Value) + "))";
  return "(" + Name + Op + QuoteLiteral(Value) + ")";
}

// A date in the engine's date format (letters D, M, Y or C, anything else
// literal), as the engine's ctod reads it.
String EngineDateText(TDateTime Value) {
  char Format[16] = {};
  UNSIGNED16 Len = sizeof(Format);
  if (OakGetDateFormat(Format, &Len) != OAK_SUCCESS || Len >= sizeof(Format)) {
    std::strcpy(Format, "MM/DD/CCYY");
    Len = 10;
  }
  Word Parts[3] = {};  // year, month, day
  DecodeDate(Value, Parts[0], Parts[1], Parts[2]);
  String Out;
  for (std::size_t I = 0; I < Len;) {
    char C = static_cast<char>(std::toupper(static_cast<unsigned char>(Format[I])));
    int Part = C == 'Y' || C == 'C' ? 0 : C == 'M' ? 1 : C == 'D' ? 2 : -1;
    std::size_t Run = 1;
    while (Part >= 0 && I + Run < Len) {
      char N = static_cast<char>(std::toupper(static_cast<unsigned char>(Format[I + Run])));
      int NextPart = N == 'Y' || N == 'C' ? 0 : N == 'M' ? 1 : N == 'D' ? 2 : -1;
      if (NextPart != Part) break;
      ++Run;
    }
    if (Part < 0) {
      Out += Format[I];
    } else {
      String Digits = std::to_string(Parts[Part] % (Run >= 4 ? 10000 : Run == 2 ? 100 : 100000));
      Out += String(Digits.size() < Run ? Run - Digits.size() : 0, '0') + Digits;
    }
    I += Run;
  }
  return Out;
}

String TimeText(TDateTime Value) {
  Word H = 0, M = 0, S = 0, Ms = 0;
  DecodeTime(Value, H, M, S, Ms);
  char Buf[32];
  std::snprintf(Buf, sizeof(Buf), "%02u:%02u:%02u.%03u", H, M, S, Ms);
  return Buf;
}

String DateTerm(TField* F, const String& Op, const char* Function) {
  TDateTime V = F->AsDateTime();
  String Text = std::strcmp(Function, "ctod") == 0 ? EngineDateText(V)
                : std::strcmp(Function, "ctot") == 0 ? TimeText(V)
                                                    : EngineDateText(V) + " " + TimeText(V);
  return "(" + F->FieldName() + Op + Function + "(\"" + Text + "\"))";
}

}  // namespace

String TOakDataSet::BuildFilterString(const std::vector<TField*>& Fields, bool CaseInsensitive,
                                      bool Exact) {
  bool InLookup = State() == dsSetKey && FKeyBuffer != &FKeyBuffers[kiRangeStart] &&
                  FKeyBuffer != &FKeyBuffers[kiRangeEnd];
  if (State() != dsFilter && !InLookup)
    OakDatabaseError(this, OAK_ERR_STATE, "Internal Error, << BuildFilterString >>");
  const String Op = Exact ? "==" : "=";
  String Result;
  for (TField* F : Fields) {
    const TOCEFieldDef* Def = OCEFieldDef(F);
    String Term;
    if (F->IsNull() || !Def) {
      Term = "(empty(" + F->FieldName() + "))";
    } else {
      switch (Def->FieldType) {
        case OAK_LOGICAL:
          Term = "(" + F->FieldName() + Op + (F->AsBoolean() ? ".TRUE." : ".FALSE.") + ")";
          break;
        case OAK_DATE:
        case OAK_COMPACTDATE: Term = DateTerm(F, Op, "ctod"); break;
        case OAK_TIME: Term = DateTerm(F, Op, "ctot"); break;
        case OAK_TIMESTAMP: Term = DateTerm(F, Op, "ctots"); break;
        case OAK_STRING:
        case OAK_CISTRING: Term = CharacterTerm(F, *Def, Op, CaseInsensitive, Exact); break;
        default: Term = "(" + F->FieldName() + Op + NumberText(F) + ")";
      }
    }
    Result += (Result.empty() ? "" : " AND ") + Term;
  }
  return Result;
}
