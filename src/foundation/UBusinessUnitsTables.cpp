// The constant tables of the business library, in their stored order.
#include "foundation/UBusinessUnits.h"

const char* const DocumentTypeTexts[13] = {
    "RECHNUNG",    "ANGEBOT",     "BESTELLUNG",  "BRIEF",       "GUTSCHRIFT",
    "LIEFERSCHEIN", "AUFTRAGSBESTÄTIGUNG", "FREIER TYP1", "FREIER TYP2", "FREIER TYP3",
    "FREIER TYP4", "FREIER TYP5", "MULTI"};

const char* const AddressLayoutTexts[6] = {
    "Firma [Enter] Anrede1 Anrede2 [Enter] Vorname Nachname",
    "Firma [Enter] Anrede1 [Enter] Anrede2  Vorname  Nachname",
    "Firma [Enter] Anrede1 Anrede2 Vorname Nachname [Enter]",
    "Anrede1 Anrede2 [Enter] Vorname Nachname [Enter] Firma",
    "Anrede1 [Enter] Anrede2 Vorname Nachname [Enter] Firma",
    "Anrede1 Anrede2 Vorname Nachname [Enter] Firma"};

const char* const AddressLayoutKeys[22] = {
    "1Caption", "2Caption", "3Caption", "4Caption", "5Caption", "6Caption", "7Caption", "8Caption",
    "9Caption", "10Caption", "Wert1",   "Wert2",    "Wert3",    "Wert4",    "Wert5",    "Wert6",
    "Wert7",    "Wert8",     "Wert9",   "Wert10",   "MEMO",     "not here!"};

const char* const DocLineColumnNames[16] = {
    "SecondLineCol", "Stueck",      "Einheit",      "Bezeichnung1", "Bezeichnung2", "BestellNummer",
    "Seriennummer",  "Artikelnummer", "Einzelbetrag", "Steuer",     "SummeBetrag",  "intern",
    "ID_Artikel",    "benutzer",    "Pos.",         "Rabatt"};

const char* const IsoWeekFormats[4] = {"%.4dW%.2d", "%.4d-W%.2d", "%.4dW%.2d%.1d",
                                       "%.4d-W%.2d-%.1d"};

const char* const ZeroOneTexts[2] = {"0", "1"};

const char* const LinkMarkers[2] = {"[SERVER]", "[INTERN]"};
const char* const UserModeFileName = "UserMode.INI";
const char* const OrderLetterFolders[2] = {"ORDER_LETTERS/", "ORDER_LETTERS_LAST/"};
const char* const LinkKindTexts[3] = {"", "linkfile://", "tempfile://"};

const char* const DayNamesEnglish[7] = {"SUNDAY",   "MONDAY", "TUESDAY", "WEDNESDAY",
                                        "THURSDAY", "FRIDAY", "SATURDAY"};
const char* const MonthNamesEnglish[12] = {"JANUARY", "FEBRUARY", "MARCH",     "APRIL",
                                           "MAY",     "JUNE",     "JULY",      "AUGUST",
                                           "SEPTEMBER", "OCTOBER", "NOVEMBER", "DECEMBER"};
const char* const FilterOperators[2] = {"AND", "OR"};

const char* const LinkPrefixes[6] = {"file://", "mailto:", "@", "www.", "http:", "https:"};

const char* const OrderStateTexts[8] = {"Unfertig", "Abgeschlossen", "Unbezahlt", "-",
                                        "Bezahlt",  "Duplikat",      "Storniert", "Stornovermerk"};

const char* const PaymentKindTexts[12] = {
    "-",       "Überweisung", "Bankeinzug",      "Bar",
    "keine Zahlung", "storniert", "Gutschrift", "Vorkasse/Einzug",
    "Vorkasse/Überweisung", "Nachnahme", "Bar/Kreditkarte", "Standardtext"};

const char* const PaymentTermTexts[12] = {"Normales Zahlungsziel",
                                          "Betrag Bitte überweisen.",
                                          "Betrag wird per Lastschrift eingezogen.",
                                          "Betrag bar bezahlt.",
                                          "",
                                          "",
                                          "",
                                          "Vorkasse/Betrag wird per Lastschrift eingezogen.",
                                          "Vorkasse/Betrag Bitte überweisen.",
                                          "Betrag wird per Nachnahme erhoben.",
                                          "Betrag bar per Kreditkarte bezahlt.",
                                          "Zahlbar sofort nach Erhalt."};

const char* const CountryPrefixes[18] = {"DE", "DE-", "D",   "D-",  "AT", "AT-",
                                         "A-", "A",   "CH",  "CH-", "IT-", "IT",
                                         "I-", "I",   "LU",  "LU-", "LI", "LI-"};

const char* const CountryNames[18] = {
    "DEUTSCHLAND", "DEUTSCHLAND", "DEUTSCHLAND", "DEUTSCHLAND", "ÖSTERREICH", "ÖSTERREICH",
    "ÖSTERREICH",  "ÖSTERREICH",  "SCHWEIZ",     "SCHWEIZ",     "ITALIEN",    "ITALIEN",
    "ITALIEN",     "ITALIEN",     "LUXEMBURG",   "LUXEMBURG",   "LIECHTENSTEIN", "LIECHTENSTEIN"};

const char* const DunningLevelTexts[10] = {"--",           "Stufe1",       "Stufe2",
                                           "Stufe3",       "3.wiederholt", "Nicht Mahnen",
                                           "Nicht Mahnen", "Nicht Mahnen", "Nicht Mahnen",
                                           "Nicht Mahnen"};

const char* const CommissionModeTexts[5] = {
    "Inaktiv.", "Nur Provision auf bestimmte Artikel möglich.", "Provision in % auf Umsatz.",
    "Provision in % auf Gewinn.", "Feste Provision in aktueller Währung."};
const char* const CommissionCaptions[5] = {"", "", "In %:", "In %:", "Fester Wert:"};

const char* const NoteKindTexts[5] = {"", "", "Notiz", "Eingang", "Brief"};

const char* const ActionTexts[4] = {"löschen", "als erledigt markieren", "nachfragen", "ignorieren"};

const char* const UmlautChars[7] = {"Ä", "ä", "Ö", "ö", "Ü", "ü", "ß"};
const char* const UmlautRTF[7] = {"\\'c4", "\\'e4", "\\'d6", "\\'f6", "\\'dc", "\\'fc", "\\'df"};

const TTextBlockID TextBlockIDs[4] = {
    {"", ""},
    {"Aufträge", "A59C84DF-AFBE-4A37-A0CF-DE168A9EAD01"},
    {"Nachrichten", "E480607A-2AEF-4435-B2DC-1936503B6602"},
    {"Auftrag: Artikel-Langtexte", "8F74865E-96D7-4358-8717-2CAEBACD3DD0"}};
