// UQXCurrencySetup: fixes the process-wide number, currency and date
// formats once at start-up, independent of the workstation's regional
// settings, and adapts them to the country rules of "ALTEURO.INI" in the
// program's folder:
//
//   [EUCHAR]   VALUE  replaces the currency symbol when not empty
//              NULL   1: no currency symbol at all
//   [CH-CHAR]  VALUE  currency text of a non-euro country
//   [COUNTRY]  EURO   1 (default): euro country; 0: decimal point '.' and
//                     the apostrophe as thousand separator
//              EINZELNOT5RAPPEN  5-Rappen rounding flag
//              NACHKOMMA3        decimals of amounts: 0 (two), 1 (three)
//                                or 4 (four); anything else counts as 0
//
// Thread safety: QXCurrencySetupInitialize runs once on the main thread at
// start-up, before other threads exist; afterwards the state is read-only.
#pragma once

#include "platform/rtl/system.h"

// Currency values shared with the business units (filled by the settings
// loader, the 5-Rappen flag by the country rules here).
struct TQXCurrencySetup {
  double Amounts[2][2] = {{0, 0}, {0, 0}};
  bool EinzelNot5Rappen = false;
  Byte AlterByte1 = 0;
  Byte AlterByte2 = 0;
  double AlterRate = 0;
  String AlterName;
  Integer CurrencyOption = 0;  // setup.OAT Ident 216, handed on unchanged
};
extern TQXCurrencySetup QXCurrencySetup;

// Runs the start-up: reads the currency symbol and the country currency
// text, sets the process formats (currency format 1, negative currency
// format 5, thousand separator '.', decimal separator ',', two currency
// decimals, date separator '.'), then applies the country rules. A missing
// or unreadable ALTEURO.INI leaves the defaults; never raises.
void QXCurrencySetupInitialize();

// The currency symbol (built in: a blank and the euro sign).
String CurrencySymbol();
// The currency text of the country (the Swiss franc text for a non-euro
// country without CH-CHAR).
String CountryCurrencyText();
// True when ALTEURO.INI declares a non-euro country.
bool IsNonEuroCountry();
// The decimals mode of amounts: 0, 1 or 4.
Integer AmountDecimalsMode();
// Sets the decimals mode of amounts (the settings loader works with 0 and
// restores the previous mode afterwards).
void SetAmountDecimalsMode(Integer Mode);
// "#############0.00", or with three ("...0.000", mode 1) or four
// ("...0.0000", mode 4) decimals.
String AmountDisplayFormat();
