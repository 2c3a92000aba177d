// The binary component stream: parsing into the description model,
// encoding it, and describing a live component through the property
// registry. The format is written down in component_stream.h.
#include "platform/gui/component_stream.h"

#include <algorithm>
#include <charconv>
#include <cmath>
#include <cstring>

#include "platform/rtl/byteorder.h"
#include "platform/rtl/charset.h"
#include "platform/rtl/collection.h"
#include "platform/rtl/strings.h"
#include "platform/rtl/sysutils.h"

namespace {

enum TValueType : Byte {
  vaNull, vaList, vaInt8, vaInt16, vaInt32, vaExtended, vaString, vaIdent, vaFalse, vaTrue, vaBinary,
  vaSet, vaLString, vaNil, vaCollection, vaSingle, vaCurrency, vaDate, vaWString, vaInt64, vaUTF8String,
  vaDouble
};

const char Signature[4] = {'T', 'P', 'F', '0'};
constexpr int MaxDepth = 64;
// Prefix flags of a component.
constexpr Byte ffInherited = 1, ffChildPos = 2, ffInline = 4;

String FloatText(double V) {
  char Buf[64];
  auto R = std::to_chars(Buf, Buf + sizeof Buf, V);
  return String(Buf, R.ptr);
}

TDfmValue FloatValue(double V) {
  TDfmValue Out;
  Out.Kind = TDfmValueKind::Float;
  Out.Float = V;
  Out.Text = FloatText(V);
  return Out;
}

// The 80-bit extended format: sign and 15-bit exponent (bias 16383) in
// the top two bytes, a 64-bit mantissa with an explicit integer bit below.
double ExtendedToDouble(const Byte* B) {
  std::uint64_t Mantissa = LoadLE64(B);
  int Exponent = LoadLE16(B + 8) & 0x7FFF;
  bool Negative = (B[9] & 0x80) != 0;
  double V;
  if (Exponent == 0x7FFF)
    V = (Mantissa << 1) == 0 ? HUGE_VAL : std::nan("");
  else
    V = std::ldexp(double(Mantissa), Exponent - 16383 - 63);
  return Negative ? -V : V;
}

void DoubleToExtended(double V, Byte* B) {
  std::memset(B, 0, 10);
  bool Negative = std::signbit(V);
  V = std::fabs(V);
  std::uint64_t Mantissa = 0;
  int Exponent = 0;
  if (std::isnan(V) || std::isinf(V)) {
    Exponent = 0x7FFF;
    Mantissa = std::isnan(V) ? 0xC000000000000000ull : 0x8000000000000000ull;
  } else if (V != 0) {
    int E2 = 0;
    double F = std::frexp(V, &E2);  // V = F * 2^E2, F in [0.5, 1)
    Mantissa = std::uint64_t(std::ldexp(F, 64));
    Exponent = E2 - 1 + 16383;
  }
  StoreLE64(B, Mantissa);
  StoreLE16(B + 8, std::uint16_t(Exponent | (Negative ? 0x8000 : 0)));
}

// ---- Parsing ---------------------------------------------------------------------------------

class TBinaryParser {
 public:
  explicit TBinaryParser(TStream* S) : FStream(S), FEnd(S->Size()) {}

  TDfmObject Parse() {
    char Sig[4];
    FStream->ReadBuffer(Sig, 4);
    if (std::memcmp(Sig, Signature, 4) != 0) Invalid();
    return ReadObject(0);
  }

 private:
  TStream* FStream;
  Int64 FEnd;

  [[noreturn]] static void Invalid() { throw EReadError("Ungültiges Stream-Format"); }

  Byte Next() { return FStream->ReadByte(); }
  Byte Peek() {
    Byte B = Next();
    FStream->Seek(-1, soCurrent);
    return B;
  }
  // N bytes; a length beyond the end of the stream is no valid stream.
  String Bytes(Int64 N) {
    if (N < 0 || N > FEnd - FStream->Position()) Invalid();
    String S(std::size_t(N), '\0');
    if (N) FStream->ReadBuffer(S.data(), N);
    return S;
  }
  String Name() { return Bytes(Next()); }
  Int64 Length() { return FStream->ReadInteger(); }

  Int64 IntegerOf(Byte Type) {
    switch (Type) {
      case vaInt8: return std::int8_t(Next());
      case vaInt16: return FStream->ReadSmallInt();
      case vaInt32: return FStream->ReadInteger();
      case vaInt64: return FStream->ReadInt64();
      default: Invalid();
    }
  }

  double DoubleOf(int Size) {
    Byte B[8];
    FStream->ReadBuffer(B, Size);
    if (Size == 4) return LoadLEAs<float>(B);
    return LoadLEAs<double>(B);
  }

  // UTF-16LE characters, surrogate pairs joined; a lone surrogate becomes
  // U+FFFD.
  String WideText(Int64 Chars) {
    if (Chars < 0 || Chars > (FEnd - FStream->Position()) / 2) Invalid();
    String Raw = Bytes(Chars * 2), Out;
    for (Int64 I = 0; I < Chars; ++I) {
      char32_t C = LoadLE16(&Raw[2 * I]);
      if (C >= 0xD800 && C < 0xDC00 && I + 1 < Chars) {
        char32_t Low = LoadLE16(&Raw[2 * I + 2]);
        if (Low >= 0xDC00 && Low < 0xE000) {
          C = 0x10000 + ((C - 0xD800) << 10) + (Low - 0xDC00);
          ++I;
        }
      }
      if (C >= 0xD800 && C < 0xE000) C = 0xFFFD;
      Utf8Append(Out, C);
    }
    return Out;
  }

  TDfmObject ReadObject(int Depth) {
    if (Depth > MaxDepth) Invalid();
    TDfmObject O;
    Byte First = Peek();
    if ((First & 0xF0) == 0xF0) {
      Next();
      if (First & ffInherited) O.Kind = TDfmObject::kInherited;
      if (First & ffInline) O.Kind = TDfmObject::kInline;
      if (First & ffChildPos) IntegerOf(Next());
    }
    O.ClassName = Name();
    O.Name = Name();
    if (O.ClassName.empty()) Invalid();
    ReadProperties(O.Properties, Depth);
    while (Peek() != vaNull) O.Children.push_back(ReadObject(Depth + 1));
    Next();
    return O;
  }

  TDfmValue Text(TDfmValueKind Kind, String S) {
    TDfmValue V;
    V.Kind = Kind;
    V.Text = std::move(S);
    return V;
  }

  TDfmValue ReadValue(int Depth) {
    if (Depth > MaxDepth) Invalid();
    TDfmValue V;
    switch (Byte Type = Next()) {
      case vaList:
        V.Kind = TDfmValueKind::List;
        while (Peek() != vaNull) V.Items.push_back(ReadValue(Depth + 1));
        Next();
        return V;
      case vaInt8:
      case vaInt16:
      case vaInt32:
      case vaInt64:
        V.Int = IntegerOf(Type);
        return V;
      case vaExtended: {
        Byte B[10];
        FStream->ReadBuffer(B, 10);
        return FloatValue(ExtendedToDouble(B));
      }
      case vaSingle: return FloatValue(DoubleOf(4));
      case vaDouble:
      case vaDate: return FloatValue(DoubleOf(8));
      case vaCurrency: return FloatValue(double(FStream->ReadInt64()) / 10000.0);
      case vaString: return Text(TDfmValueKind::String, AnsiToUtf8(Bytes(Next())));
      case vaLString: return Text(TDfmValueKind::String, AnsiToUtf8(Bytes(Length())));
      case vaUTF8String: return Text(TDfmValueKind::String, Bytes(Length()));
      case vaWString: return Text(TDfmValueKind::String, WideText(Length()));
      case vaIdent: return Text(TDfmValueKind::Ident, Name());
      case vaFalse: return Text(TDfmValueKind::Ident, "False");
      case vaTrue: return Text(TDfmValueKind::Ident, "True");
      case vaNil: return Text(TDfmValueKind::Ident, "nil");
      case vaBinary: {
        String B = Bytes(Length());
        V.Kind = TDfmValueKind::Binary;
        V.Bytes.assign(B.begin(), B.end());
        return V;
      }
      case vaSet:
        V.Kind = TDfmValueKind::Set;
        for (String N = Name(); !N.empty(); N = Name()) V.Names.push_back(N);
        return V;
      case vaCollection:
        V.Kind = TDfmValueKind::Collection;
        while (Peek() != vaNull) V.CollectionItems.push_back(ReadItem(Depth + 1));
        Next();
        return V;
      default: Invalid();
    }
  }

  TDfmItem ReadItem(int Depth) {
    Byte Type = Next();
    if (Type == vaInt8 || Type == vaInt16 || Type == vaInt32) {
      IntegerOf(Type);  // the item's position, implied by the order
      Type = Next();
    }
    if (Type != vaList) Invalid();
    TDfmItem Item;
    ReadProperties(Item.Properties, Depth);
    return Item;
  }

  // Name and value pairs up to the null that ends the list.
  void ReadProperties(std::vector<TDfmProperty>& Out, int Depth) {
    while (Peek() != vaNull) {
      TDfmProperty P;
      P.Name = Name();
      P.Value = ReadValue(Depth + 1);
      Out.push_back(std::move(P));
    }
    Next();
  }
};

// ---- Encoding --------------------------------------------------------------------------------

// Writes what TBinaryParser reads back as the same description: whatever
// the parser would refuse or read differently is refused with EWriteError
// before it is written (the depth, empty and overlong names), or written in
// the form that reads back the same (a class name whose length byte looks
// like a prefix gets a prefix; a text that is no valid UTF-8 goes as bytes).
class TBinaryWriter {
 public:
  explicit TBinaryWriter(TStream* S) : FStream(S) {}

  void WriteObject(const TDfmObject& O, int Depth) {
    CheckDepth(Depth);
    if (O.ClassName.empty()) Refuse("Komponente ohne Klassennamen");
    // A length byte of $F0 or more would read as a prefix: such a class
    // name always gets one.
    Byte Prefix = O.Kind == TDfmObject::kInline ? ffInline : O.Kind == TDfmObject::kInherited ? ffInherited : 0;
    if (Prefix || O.ClassName.size() >= 0xF0) FStream->WriteByte(0xF0 | Prefix);
    WriteName(O.ClassName);
    WriteName(O.Name);
    WriteProperties(O.Properties, Depth);
    for (const TDfmObject& Child : O.Children) WriteObject(Child, Depth + 1);
    FStream->WriteByte(vaNull);
  }

 private:
  TStream* FStream;

  [[noreturn]] static void Refuse(const String& What) {
    throw EWriteError("Nicht im Komponenten-Stream darstellbar: " + What);
  }
  static void CheckDepth(int Depth) {
    if (Depth > MaxDepth) Refuse("mehr als " + IntToStr(MaxDepth) + " Ebenen tief geschachtelt");
  }

  void WriteName(const String& N) {
    if (N.size() > 255) Refuse("Name zu lang: " + N.substr(0, 40) + "...");
    FStream->WriteByte(Byte(N.size()));
    FStream->WriteString(N);
  }

  // A name that must not be empty: an empty one reads as the end of its
  // list.
  void WriteListedName(const String& N, const char* What) {
    if (N.empty()) Refuse(String("leerer ") + What);
    WriteName(N);
  }

  void WriteProperties(const std::vector<TDfmProperty>& Properties, int Depth) {
    for (const TDfmProperty& P : Properties) {
      WriteListedName(P.Name, "Eigenschaftsname");
      WriteValue(P.Value, Depth + 1);
    }
    FStream->WriteByte(vaNull);
  }

  void WriteInteger(Int64 V) {
    if (V >= -128 && V <= 127) {
      FStream->WriteByte(vaInt8);
      FStream->WriteByte(Byte(V));
    } else if (V >= -32768 && V <= 32767) {
      FStream->WriteByte(vaInt16);
      FStream->WriteSmallInt(std::int16_t(V));
    } else if (V >= INT32_MIN && V <= INT32_MAX) {
      FStream->WriteByte(vaInt32);
      FStream->WriteInteger(Integer(V));
    } else {
      FStream->WriteByte(vaInt64);
      FStream->WriteInt64(V);
    }
  }

  // The UTF-16LE form of S, valid UTF-8.
  static String ToWide(const String& S) {
    String Wide;
    auto Unit = [&](char32_t U) {
      Wide += char(U & 0xFF);
      Wide += char(U >> 8);
    };
    for (std::size_t I = 0; I < S.size();) {
      char32_t C = Utf8Decode(S, I);
      if (C >= 0x10000) {
        Unit(0xD800 + ((C - 0x10000) >> 10));
        Unit(0xDC00 + ((C - 0x10000) & 0x3FF));
      } else {
        Unit(C);
      }
    }
    return Wide;
  }

  void WriteLength(std::size_t N) {
    if (N > std::size_t(INT32_MAX)) Refuse("Text oder Daten länger als 2 GB");
    FStream->WriteInteger(Integer(N));
  }

  // ASCII texts as ANSI strings; other UTF-8 as UTF-16; bytes that are no
  // UTF-8 (UTF-16 would read back stand-in characters for them) as a UTF-8
  // string, which reads back byte for byte.
  void WriteText(const String& S) {
    bool Ascii = std::all_of(S.begin(), S.end(), [](char C) { return Byte(C) < 0x80; });
    if (Ascii && S.size() <= 255) {
      FStream->WriteByte(vaString);
      FStream->WriteByte(Byte(S.size()));
      FStream->WriteString(S);
    } else if (Ascii) {
      FStream->WriteByte(vaLString);
      WriteLength(S.size());
      FStream->WriteString(S);
    } else if (IsValidUtf8(S)) {
      String Wide = ToWide(S);
      FStream->WriteByte(vaWString);
      WriteLength(Wide.size() / 2);
      FStream->WriteString(Wide);
    } else {
      FStream->WriteByte(vaUTF8String);
      WriteLength(S.size());
      FStream->WriteString(S);
    }
  }

  void WriteValue(const TDfmValue& V, int Depth) {
    CheckDepth(Depth);
    switch (V.Kind) {
      case TDfmValueKind::Integer: return WriteInteger(V.Int);
      case TDfmValueKind::Float: {
        Byte B[10];
        DoubleToExtended(V.Float, B);
        FStream->WriteByte(vaExtended);
        FStream->WriteBuffer(B, 10);
        return;
      }
      case TDfmValueKind::String: return WriteText(V.Text);
      case TDfmValueKind::Ident:
        // The short forms read back in exactly this spelling.
        if (V.Text == "True") return FStream->WriteByte(vaTrue);
        if (V.Text == "False") return FStream->WriteByte(vaFalse);
        if (V.Text == "nil") return FStream->WriteByte(vaNil);
        FStream->WriteByte(vaIdent);
        return WriteName(V.Text);
      case TDfmValueKind::Set:
        FStream->WriteByte(vaSet);
        for (const String& N : V.Names) WriteListedName(N, "Mengenelementname");
        return FStream->WriteByte(0);
      case TDfmValueKind::List:
        FStream->WriteByte(vaList);
        for (const TDfmValue& Item : V.Items) WriteValue(Item, Depth + 1);
        return FStream->WriteByte(vaNull);
      case TDfmValueKind::Collection:
        FStream->WriteByte(vaCollection);
        for (const TDfmItem& Item : V.CollectionItems) {
          FStream->WriteByte(vaList);
          WriteProperties(Item.Properties, Depth + 1);
        }
        return FStream->WriteByte(vaNull);
      case TDfmValueKind::Binary:
        FStream->WriteByte(vaBinary);
        WriteLength(V.Bytes.size());
        if (!V.Bytes.empty()) FStream->WriteBuffer(V.Bytes.data(), Int64(V.Bytes.size()));
        return;
    }
  }
};

// ---- Describing live components -------------------------------------------------------------

TDfmProperty Property(const String& Name, TDfmValueKind Kind, const String& Text = String()) {
  TDfmProperty P;
  P.Name = Name;
  P.Value.Kind = Kind;
  P.Value.Text = Text;
  return P;
}

class TDescriber {
 public:
  explicit TDescriber(TComponent* Root) : FRoot(Root) {}

  TDfmObject Describe(TComponent* C) {
    TDfmObject O;
    O.ClassName = C->ClassName();
    O.Name = C->Name();
    DescribeProperties(C, String(), O.Properties, 0);
    for (int I = 0; I < FRoot->ComponentCount(); ++I) {
      TComponent* Child = FRoot->Components(I);
      TComponent* Parent = Child->HasParent() ? Child->GetParentComponent() : nullptr;
      bool Mine = C == FRoot ? (!Parent || Parent == FRoot || Parent->Owner() != FRoot) : Parent == C;
      if (Mine && Child != C) O.Children.push_back(Describe(Child));
    }
    return O;
  }

 private:
  TComponent* FRoot;

  // The name a component reference is written with: its own for the
  // root's components, "Owner.Name" for those of other forms.
  String ReferenceName(TComponent* K) {
    if (K == FRoot) return K->Name();
    if (K->Owner() && K->Owner() != FRoot && !K->Owner()->Name().empty())
      return K->Owner()->Name() + "." + K->Name();
    return K->Name();
  }

  void DescribeObject(TObject* Obj, PPropInfo P, const String& Path, std::vector<TDfmProperty>& Out, int Depth) {
    TObject* V = GetObjectProp(Obj, P);
    if (!V) return;
    if (auto* K = dynamic_cast<TComponent*>(V)) {
      if (!P->IsReadOnly() && !K->Name().empty()) Out.push_back(Property(Path, TDfmValueKind::Ident, ReferenceName(K)));
    } else if (auto* Coll = dynamic_cast<TCollection*>(V)) {
      if (Coll->Count() == 0) return;
      TDfmProperty Prop = Property(Path, TDfmValueKind::Collection);
      for (int I = 0; I < Coll->Count(); ++I) {
        TDfmItem Item;
        DescribeProperties(Coll->Items(I), String(), Item.Properties, Depth + 1);
        Prop.Value.CollectionItems.push_back(std::move(Item));
      }
      Out.push_back(std::move(Prop));
    } else if (auto* Lines = dynamic_cast<TStrings*>(V)) {
      if (Lines->Count() == 0) return;
      TDfmProperty Prop = Property(Path + ".Strings", TDfmValueKind::List);
      for (int I = 0; I < Lines->Count(); ++I) {
        TDfmValue Line;
        Line.Kind = TDfmValueKind::String;
        Line.Text = (*Lines)[I];
        Prop.Value.Items.push_back(std::move(Line));
      }
      Out.push_back(std::move(Prop));
    } else if (Depth < 8) {
      DescribeProperties(V, Path + ".", Out, Depth + 1);
    }
  }

  void DescribeProperties(TObject* Obj, const String& Prefix, std::vector<TDfmProperty>& Out, int Depth) {
    bool IsComponent = dynamic_cast<TComponent*>(Obj) != nullptr;
    for (PPropInfo P : GetPropList(Obj)) {
      if (!IsStoredProp(Obj, P)) continue;
      if (Prefix.empty() && IsComponent && SameText(P->Name, "Name")) continue;  // in the header
      String Path = Prefix + P->Name;
      if (P->Kind() == tkClass) {
        DescribeObject(Obj, P, Path, Out, Depth);
        continue;
      }
      if (P->IsReadOnly() || IsDefaultPropValue(Obj, P)) continue;
      DescribeValue(Obj, P, Path, Out);
    }
  }

  void DescribeValue(TObject* Obj, PPropInfo P, const String& Path, std::vector<TDfmProperty>& Out) {
    switch (P->Kind()) {
      case tkInteger:
      case tkInt64: {
        TDfmProperty Prop = Property(Path, TDfmValueKind::Integer);
        Prop.Value.Int = GetOrdProp(Obj, P);
        Out.push_back(std::move(Prop));
        return;
      }
      case tkEnumeration: Out.push_back(Property(Path, TDfmValueKind::Ident, GetPropValue(Obj, P))); return;
      case tkSet: {
        TDfmProperty Prop = Property(Path, TDfmValueKind::Set);
        Int64 Bits = GetOrdProp(Obj, P);
        const std::vector<String>& Names = P->PropType->CompType->EnumNames;
        for (std::size_t I = 0; I < Names.size() && I < 64; ++I)
          if (Bits & (Int64(1) << I)) Prop.Value.Names.push_back(Names[I]);
        Out.push_back(std::move(Prop));
        return;
      }
      case tkFloat: {
        TDfmProperty Prop = Property(Path, TDfmValueKind::Float);
        Prop.Value = FloatValue(GetFloatProp(Obj, P));
        Out.push_back(std::move(Prop));
        return;
      }
      case tkChar:
      case tkWChar:
      case tkString:
      case tkLString:
      case tkWString: Out.push_back(Property(Path, TDfmValueKind::String, GetPropValue(Obj, P))); return;
      case tkMethod: {
        TMethod M = GetMethodProp(Obj, P);
        if (M.IsAssigned && !M.Name.empty()) Out.push_back(Property(Path, TDfmValueKind::Ident, M.Name));
        return;
      }
      default: return;  // kinds without a streamed form
    }
  }
};

}  // namespace

TDfmObject ParseComponentStream(TStream* Stream) { return TBinaryParser(Stream).Parse(); }

void ReadComponentFromStream(TStream* Stream, TComponent* Root) { ReadComponent(ParseComponentStream(Stream), Root); }

void WriteComponentDescription(const TDfmObject& Description, TStream* Stream) {
  // Encoded whole first: a refused part leaves nothing in Stream.
  TMemoryStream Encoded;
  Encoded.WriteBuffer(Signature, 4);
  TBinaryWriter(&Encoded).WriteObject(Description, 0);
  Stream->WriteBuffer(Encoded.Memory(), Encoded.Size());
}

TDfmObject DescribeComponent(TComponent* Root) { return TDescriber(Root).Describe(Root); }

void WriteComponentToStream(TComponent* Root, TStream* Stream) {
  WriteComponentDescription(DescribeComponent(Root), Stream);
}

namespace {

bool SameProperties(const std::vector<TDfmProperty>& A, const std::vector<TDfmProperty>& B);

bool SameFloat(double A, double B) {
  if (std::isnan(A) || std::isnan(B)) return std::isnan(A) && std::isnan(B) && std::signbit(A) == std::signbit(B);
  return A == B && std::signbit(A) == std::signbit(B);
}

bool SameValue(const TDfmValue& A, const TDfmValue& B) {
  if (A.Kind != B.Kind) return false;
  switch (A.Kind) {
    case TDfmValueKind::Integer: return A.Int == B.Int;
    case TDfmValueKind::Float: return SameFloat(A.Float, B.Float);
    case TDfmValueKind::String:
    case TDfmValueKind::Ident: return A.Text == B.Text;
    case TDfmValueKind::Set: return A.Names == B.Names;
    case TDfmValueKind::Binary: return A.Bytes == B.Bytes;
    case TDfmValueKind::List:
      return std::equal(A.Items.begin(), A.Items.end(), B.Items.begin(), B.Items.end(), SameValue);
    case TDfmValueKind::Collection:
      return std::equal(A.CollectionItems.begin(), A.CollectionItems.end(), B.CollectionItems.begin(),
                        B.CollectionItems.end(),
                        [](const TDfmItem& X, const TDfmItem& Y) { return SameProperties(X.Properties, Y.Properties); });
  }
  return false;
}

bool SameProperties(const std::vector<TDfmProperty>& A, const std::vector<TDfmProperty>& B) {
  return std::equal(A.begin(), A.end(), B.begin(), B.end(), [](const TDfmProperty& X, const TDfmProperty& Y) {
    return X.Name == Y.Name && SameValue(X.Value, Y.Value);
  });
}

}  // namespace

bool SameStreamedDescription(const TDfmObject& A, const TDfmObject& B) {
  return A.Kind == B.Kind && A.ClassName == B.ClassName && A.Name == B.Name &&
         SameProperties(A.Properties, B.Properties) &&
         std::equal(A.Children.begin(), A.Children.end(), B.Children.begin(), B.Children.end(),
                    SameStreamedDescription);
}
