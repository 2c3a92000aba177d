#include "platform/rtl/formatsettings.h"

TFormatSettings GermanFormatSettings() {
  TFormatSettings F;
  F.CurrencyString = "€";
  F.ShortDateFormat = "dd.MM.yyyy";
  F.LongDateFormat = "dddd, d. MMMM yyyy";
  F.ShortTimeFormat = "hh:mm";
  F.LongTimeFormat = "hh:mm:ss";
  F.ShortMonthNames = {{"Jan", "Feb", "Mrz", "Apr", "Mai", "Jun", "Jul", "Aug", "Sep", "Okt",
                        "Nov", "Dez"}};
  F.LongMonthNames = {{"Januar", "Februar", "März", "April", "Mai", "Juni", "Juli", "August",
                       "September", "Oktober", "November", "Dezember"}};
  F.ShortDayNames = {{"So", "Mo", "Di", "Mi", "Do", "Fr", "Sa"}};
  F.LongDayNames = {{"Sonntag", "Montag", "Dienstag", "Mittwoch", "Donnerstag", "Freitag",
                     "Samstag"}};
  return F;
}

TFormatSettings FormatSettings = GermanFormatSettings();

void ResetFormatSettings() { FormatSettings = GermanFormatSettings(); }
