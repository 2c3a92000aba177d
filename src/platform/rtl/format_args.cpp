// Format: the "%[index:][-][width][.precision]type" interpreter.
#include <algorithm>

#include "platform/rtl/charset.h"
#include "platform/rtl/format_decimal.h"

namespace {

struct TSpecifier {
  bool LeftAlign = false;
  Integer Width = -1;
  Integer Precision = -1;
  char Type = 0;  // upper case
};

class TFormatter {
 public:
  TFormatter(const String& Fmt, const TVarRec* Args, std::size_t Count, const TFormatSettings& FS)
      : FFmt(Fmt), FArgs(Args), FCount(Count), FSettings(FS) {}

  String Run() {
    String Out;
    for (FPos = 0; FPos < FFmt.size();) {
      const std::size_t Percent = FFmt.find('%', FPos);
      Out.append(FFmt, FPos, (Percent == String::npos ? FFmt.size() : Percent) - FPos);
      if (Percent == String::npos) break;
      FPos = Percent + 1;
      if (Peek() == '%') {
        Out += '%';
        ++FPos;
        continue;
      }
      Out += Pad(Convert(ParseSpecifier()));
    }
    return Out;
  }

 private:
  [[noreturn]] void Fail() const { throw EConvertError(Format(SInvalidFormat, {FFmt})); }

  char Peek() const { return FPos < FFmt.size() ? FFmt[FPos] : '\0'; }

  const TVarRec& NextArg() {
    if (FArgIndex >= FCount) Fail();
    return FArgs[FArgIndex++];
  }

  // A number or "*" (taken from the next argument); -1 when absent.
  Integer ReadNumber() {
    if (Peek() == '*') {
      ++FPos;
      const TVarRec& A = NextArg();
      if (A.VType != TVarRec::vtInteger) Fail();
      return static_cast<Integer>(A.VInt64);
    }
    Integer N = -1;
    while (Peek() >= '0' && Peek() <= '9') {
      N = (N < 0 ? 0 : N * 10) + (FFmt[FPos++] - '0');
      if (N > 100000) Fail();
    }
    return N;
  }

  TSpecifier ParseSpecifier() {
    TSpecifier S;
    Integer N = ReadNumber();
    if (Peek() == ':') {
      ++FPos;
      FArgIndex = static_cast<std::size_t>(std::max(N, 0));
      N = ReadNumber();
    }
    if (Peek() == '-' && N < 0) {
      S.LeftAlign = true;
      ++FPos;
      N = ReadNumber();
    }
    S.Width = N;
    if (Peek() == '.') {
      ++FPos;
      S.Precision = std::max(ReadNumber(), 0);
    }
    const char T = Peek();
    if (T == '\0') Fail();
    ++FPos;
    S.Type = static_cast<char>(T >= 'a' && T <= 'z' ? T - 32 : T);
    FSpecifier = S;
    return S;
  }

  String Pad(const String& Text) const {
    const Integer Missing = FSpecifier.Width - Length(Text);
    if (Missing <= 0) return Text;
    return FSpecifier.LeftAlign ? Text + String(Missing, ' ') : String(Missing, ' ') + Text;
  }

  String Convert(const TSpecifier& S) {
    const TVarRec& A = NextArg();
    switch (S.Type) {
      case 'D': return Decimal(A, S.Precision);
      case 'U': return Unsigned(A, S.Precision);
      case 'X': return Hex(A, S.Precision);
      case 'E': return Float(A, ffExponent, S.Precision < 0 ? 15 : S.Precision, 3);
      case 'F': return Float(A, ffFixed, 15, S.Precision < 0 ? 2 : S.Precision);
      case 'G': return Float(A, ffGeneral, S.Precision < 0 ? 15 : S.Precision, 3);
      case 'N': return Float(A, ffNumber, 15, S.Precision < 0 ? 2 : S.Precision);
      case 'M':
        return Float(A, ffCurrency, 15, S.Precision < 0 ? FSettings.CurrencyDecimals : S.Precision);
      case 'P': return Pointer(A);
      case 'S': return Text(A, S.Precision);
      default: Fail();
    }
  }

  static String ZeroPadded(String Digits, Integer Precision) {
    if (Integer(Digits.size()) < Precision) Digits.insert(0, Precision - Digits.size(), '0');
    return Digits;
  }

  String Decimal(const TVarRec& A, Integer Precision) {
    if (A.VType == TVarRec::vtUInt64) return ZeroPadded(IntToStr(A.VUInt64), Precision);
    if (A.VType != TVarRec::vtInteger && A.VType != TVarRec::vtInt64) Fail();
    const std::uint64_t U = static_cast<std::uint64_t>(A.VInt64);
    const String Digits = ZeroPadded(IntToStr(A.VInt64 < 0 ? ~U + 1 : U), Precision);
    return A.VInt64 < 0 ? "-" + Digits : Digits;
  }

  // The argument's bits as an unsigned value of its own width.
  std::uint64_t UnsignedBits(const TVarRec& A) {
    switch (A.VType) {
      case TVarRec::vtInteger: return static_cast<std::uint32_t>(A.VInt64);
      case TVarRec::vtInt64: return static_cast<std::uint64_t>(A.VInt64);
      case TVarRec::vtUInt64: return A.VUInt64;
      default: Fail();
    }
  }

  String Unsigned(const TVarRec& A, Integer Precision) {
    return ZeroPadded(IntToStr(UnsignedBits(A)), Precision);
  }

  String Hex(const TVarRec& A, Integer Precision) {
    return IntToHex(UnsignedBits(A), std::max(Precision, 0));
  }

  String Float(const TVarRec& A, TFloatFormat F, Integer Precision, Integer Digits) {
    if (A.VType == TVarRec::vtExtended)
      return FloatToStrF(A.VExtended, F, Precision, Digits, FSettings);
    if (A.VType != TVarRec::vtCurrency) Fail();
    const Currency C = Currency::FromScaled(A.VInt64);
    if (F == ffExponent || F == ffGeneral) {
      TDecimal D = CurrencyToDecimal(C, 1000);
      RoundDecimal(D, std::clamp(Precision, 1, 18));
      return DecimalToText(D, F, std::clamp(Precision, 1, 18), Digits, FSettings);
    }
    return CurrToStrF(C, F, Digits, FSettings);
  }

  String Pointer(const TVarRec& A) {
    if (A.VType != TVarRec::vtPointer) Fail();
    return IntToHex(reinterpret_cast<std::uintptr_t>(A.VPointer), 8);
  }

  String Text(const TVarRec& A, Integer Precision) {
    String T;
    switch (A.VType) {
      case TVarRec::vtString: T = *A.VString; break;
      case TVarRec::vtPChar: T = A.VPChar ? A.VPChar : ""; break;
      case TVarRec::vtChar: T = String(1, A.VChar); break;
      default: Fail();
    }
    return Precision >= 0 ? Copy(T, 1, Precision) : T;
  }

  const String& FFmt;
  const TVarRec* FArgs;
  std::size_t FCount;
  const TFormatSettings& FSettings;
  std::size_t FPos = 0;
  std::size_t FArgIndex = 0;
  TSpecifier FSpecifier;
};

}  // namespace

String Format(const String& Fmt, std::initializer_list<TVarRec> Args, const TFormatSettings& FS) {
  return TFormatter(Fmt, Args.begin(), Args.size(), FS).Run();
}

String Format(const String& Fmt, const std::vector<TVarRec>& Args, const TFormatSettings& FS) {
  return TFormatter(Fmt, Args.data(), Args.size(), FS).Run();
}
