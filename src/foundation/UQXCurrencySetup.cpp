#include "foundation/UQXCurrencySetup.h"

#include <memory>

#include "foundation/FastIniFile.h"
#include "platform/os/folders.h"
#include "platform/rtl/formatsettings.h"

TQXCurrencySetup QXCurrencySetup;

namespace {

const char* const BuiltInSymbol = " \u20AC";  // a blank and the euro sign
const char* const SwissFrancText = " SFr\".\"";

String GSymbol = BuiltInSymbol;
String GCountryText;
bool GNonEuro = false;
Integer GDecimalsMode = 0;

String AlteuroPath() { return GetProgramDir() + "ALTEURO.INI"; }

String WithLeadingBlank(const String& S) { return !S.empty() && S[0] == ' ' ? S : " " + S; }

// Reads the currency symbol and sets the currency string and the country
// text from it.
void ReadCurrencySymbol() {
  CurrencyString = GSymbol;
  GCountryText = GSymbol;
  TFastIniFile Ini(AlteuroPath());
  String Value = Ini.ReadString("EUCHAR", "VALUE", "");
  if (!Value.empty()) {
    GSymbol = Value;
    CurrencyString = GCountryText = GSymbol;
  }
  if (Ini.ReadBool("EUCHAR", "NULL", false)) GSymbol = CurrencyString = GCountryText = "";
  String Swiss = Ini.ReadString("CH-CHAR", "VALUE", "");
  if (Ini.ReadBool("COUNTRY", "EURO", true)) {
    CurrencyString = GCountryText = GSymbol;
  } else {
    CurrencyString = GCountryText = Swiss.empty() ? String(SwissFrancText) : Swiss;
  }
  CurrencyString = WithLeadingBlank(CurrencyString);
  GCountryText = WithLeadingBlank(GCountryText);
  // The symbol takes the same leading blank, so that setting the currency
  // string back to it keeps the separation from the amount.
  if (!GSymbol.empty()) GSymbol = WithLeadingBlank(GSymbol);
}

void ReadCountryRules() {
  TFastIniFile Ini(AlteuroPath());
  if (Ini.ReadBool("COUNTRY", "EURO", true)) {
    DecimalSeparator = ',';
    ThousandSeparator = '.';
    GNonEuro = false;
  } else {
    DecimalSeparator = '.';
    ThousandSeparator = '\'';
    GNonEuro = true;
  }
  QXCurrencySetup.EinzelNot5Rappen = Ini.ReadBool("COUNTRY", "EINZELNOT5RAPPEN", false);
  Integer Mode = Ini.ReadInteger("COUNTRY", "NACHKOMMA3", 0);
  GDecimalsMode = Mode == 1 || Mode == 4 ? Mode : 0;
}

}  // namespace

void QXCurrencySetupInitialize() {
  GNonEuro = false;
  QXCurrencySetup.EinzelNot5Rappen = false;
  GDecimalsMode = 0;
  GSymbol = BuiltInSymbol;
  try {
    ReadCurrencySymbol();
  } catch (...) {
    // An unreadable ALTEURO.INI leaves the built-in symbol.
  }
  CurrencyString = GSymbol;
  CurrencyFormat = 1;
  NegCurrFormat = 5;
  ThousandSeparator = '.';
  DecimalSeparator = ',';
  CurrencyDecimals = 2;
  DateSeparator = '.';
  try {
    ReadCountryRules();
  } catch (...) {
    // Errors in the country rules leave the formats set above.
  }
}

String CurrencySymbol() { return GSymbol; }
String CountryCurrencyText() { return GCountryText; }
bool IsNonEuroCountry() { return GNonEuro; }
Integer AmountDecimalsMode() { return GDecimalsMode; }
void SetAmountDecimalsMode(Integer Mode) { GDecimalsMode = Mode; }

String AmountDisplayFormat() {
  switch (GDecimalsMode) {
    case 1: return "#############0.000";
    case 4: return "#############0.0000";
    default: return "#############0.00";
  }
}
