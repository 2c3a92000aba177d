// The business rows of the sample office: a small German trading company
// with its customers, orders, articles, stock, order templates and text
// modules.
#include <cstdio>

#include "host/SampleOffice.h"

namespace {

// An address key: the creating installation's character and the address's
// ID right-aligned in ten characters ("0" + "        42").
String AddressKey(char Prefix, int ID) {
  char Buf[16];
  std::snprintf(Buf, sizeof Buf, "%c%10d", Prefix, ID);
  return Buf;
}

String Amount(double Value) {
  char Buf[32];
  std::snprintf(Buf, sizeof Buf, "%.2f", Value);
  return Buf;
}

struct TAddressRow {
  const char *Firma, *Anrede, *Vorname, *Name, *Strasse, *Plz, *Ort, *Telefon, *Email, *Notiz;
  char KeyPrefix;  // '0' office, '3' created on mobile installation 1
  const char* Stamp;
};

const TAddressRow Addresses[] = {
    {"Bäckerei Huber GmbH", "Herr", "Josef", "Huber", "Marktplatz 3", "83022", "Rosenheim",
     "08031 23456", "info@baeckerei-huber.de", "Liefert nur vormittags.", '0', "20260915-081500000"},
    {"Schreinerei Maier", "Frau", "Anna", "Maier", "Holzweg 12", "86150", "Augsburg",
     "0821 556677", "anna.maier@schreinerei-maier.de", "", '0', "20260920-143000120"},
    {"Müller & Söhne KG", "Herr", "Klaus", "Müller", "Industriestraße 45", "70565", "Stuttgart",
     "0711 7788990", "k.mueller@mueller-soehne.de", "Rahmenvertrag bis 31.12.2027.", '0',
     "20261001-090000000"},
    {"", "Frau", "Sabine", "Schäfer", "Lindenallee 7", "50667", "Köln", "0221 123987",
     "sabine.schaefer@web.de", "", '0', "20261002-101010010"},
    {"Autohaus Weiß", "Herr", "Thomas", "Weiß", "Münchner Straße 101", "85221", "Dachau",
     "08131 44332", "service@autohaus-weiss.de", "Ansprechpartner Werkstatt: Herr Groß.", '0',
     "20261005-112233444"},
    {"Gärtnerei Blümlein", "Frau", "Petra", "Blümlein", "Am Anger 2", "91054", "Erlangen",
     "09131 60606", "petra@bluemlein.de", "", '0', "20261010-070000000"},
    {"Elektro Fuchs e.K.", "Herr", "Jürgen", "Fuchs", "Bahnhofstraße 19", "93047", "Regensburg",
     "0941 567123", "fuchs@elektro-fuchs.de", "Skonto 3 % bei Zahlung in 8 Tagen.", '0',
     "20261012-153045500"},
    {"", "Herr", "Günter", "Östreicher", "Schlossgasse 5", "97070", "Würzburg", "0931 987654",
     "g.oestreicher@t-online.de", "", '0', "20261015-084500000"},
    {"Hotel Zur Post", "Frau", "Maria", "Brandl", "Hauptstraße 1", "82467", "Garmisch-Partenkirchen",
     "08821 7070", "rezeption@hotel-zur-post.de", "Rechnung an die Buchhaltung.", '0',
     "20261020-160000000"},
    {"Metzgerei Kästner", "Herr", "Franz", "Kästner", "Kirchplatz 8", "94032", "Passau",
     "0851 33221", "kaestner@metzgerei-kaestner.de", "", '0', "20261101-093000000"},
    {"Praxis Dr. Lehmann", "Frau", "Dr. Ulrike", "Lehmann", "Goethestraße 22", "80336", "München",
     "089 5432100", "praxis@dr-lehmann.de", "Termine nur nach Absprache.", '3',
     "20261103-110000000"},
    {"Fahrradladen Rädle", "Herr", "Stefan", "Rädle", "Uferweg 14", "88131", "Lindau",
     "08382 91919", "stefan@raedle-rad.de", "", '3', "20261104-171500000"},
};

struct TOrderRow {
  const char* IdOrder;
  int Status;
  const char* Stamp;
  int AdressID;
  const char *Datum, *Betreff;
  double Netto;
  const char* Text;
};

const TOrderRow Orders[] = {
    {"000010001", 2, "20260916-100000000", 1, "20260916", "Ladeneinrichtung Verkaufstheke", 4380.00,
     "Lieferung und Montage inklusive."},
    {"000010002", 1, "20260921-090000000", 2, "20260921", "Massivholzplatten Eiche", 1250.50, ""},
    {"000010003", 0, "20261001-091500000", 3, "20261001", "Wartungsvertrag 2027", 2400.00,
     "Vierteljährliche Abrechnung."},
    {"000010004", 3, "20261002-103000000", 4, "20261002", "Gartenmöbel Set Lärche", 899.00, ""},
    {"000010005", 0, "20261005-113000000", 5, "20261005", "Reifenregal verzinkt", 645.80, ""},
    {"000010006", 1, "20261010-071500000", 6, "20261010", "Gewächshausfolie 50 m", 312.40,
     "Abholung durch den Kunden."},
    {"000010007", 0, "20261012-160000000", 7, "20261012", "Kabeltrommeln und Verteiler", 1780.00, ""},
    {"000010008", 2, "20261015-090000000", 8, "20261015", "Reparatur Hoftor", 420.00, ""},
    {"000010009", 0, "20261020-161500000", 9, "20261020", "Frühstücksbuffet Ausstattung", 5320.75,
     "Teillieferung möglich."},
    {"000010010", 3, "20261101-094500000", 10, "20261101", "Kühlzelle Wartung", 980.00, ""},
    {"000010011", 0, "20261102-120000000", 1, "20261102", "Brotregale Filiale Bad Aibling", 2150.00,
     ""},
    {"000010012", 1, "20261103-080000000", 3, "20261103", "Ersatzteile Förderband", 734.20, ""},
    {"300000001", 0, "20261103-111500000", 11, "20261103", "Wartezimmer Möblierung", 3890.00,
     "Auf dem Laptop erfasst."},
    {"300000002", 0, "20261104-173000000", 12, "20261104", "Werkstattwagen mit Schubladen", 1199.00,
     ""},
    {"000010013", 0, "20261105-100000000", 5, "20261105", "Hebebühne Prüfung", 260.00, ""},
};

}  // namespace

void FillAddresses(THostTable& Table) {
  int ID = 0;
  for (const TAddressRow& A : Addresses) {
    ++ID;
    Table.Append({{"FIRMA", A.Firma}, {"ANREDE", A.Anrede}, {"VORNAME", A.Vorname},
                  {"NAME", A.Name}, {"STRASSE", A.Strasse}, {"PLZ", A.Plz}, {"ORT", A.Ort},
                  {"TELEFON", A.Telefon}, {"EMAIL", A.Email}, {"NOTIZ", A.Notiz},
                  {"ADR_46_", AddressKey(A.KeyPrefix, ID)}, {"ADR_47_", A.Stamp}});
  }
}

void FillOrders(THostTable& Table) {
  for (const TOrderRow& O : Orders) {
    double Brutto = O.Netto * 1.19;
    Table.Append({{"ID_ORDER", O.IdOrder}, {"Status", std::to_string(O.Status)},
                  {"ParentName", O.Stamp}, {"AdressID", std::to_string(O.AdressID)},
                  {"DATUM", O.Datum}, {"BETREFF", O.Betreff}, {"NETTO", Amount(O.Netto)},
                  {"BRUTTO", Amount(Brutto)}, {"TEXT", O.Text}});
  }
}

void FillArticles(THostTable& Table) {
  struct TArticle {
    const char *ArtNr, *Bez1, *Bez2, *Einheit;
    double Vk, Ek;
    const char* Text;
  };
  static const TArticle Articles[] = {
      {"HO-1001", "Eichenplatte massiv", "2000 x 600 x 40 mm", "Stk", 189.00, 112.50,
       "Geölt, FSC-zertifiziert."},
      {"HO-1002", "Lärchenbrett sägerau", "3000 x 140 x 24 mm", "lfm", 7.80, 4.10, ""},
      {"EL-2001", "Kabeltrommel 50 m", "H07RN-F 3G2,5", "Stk", 119.00, 71.30, "Für den Außenbereich."},
      {"EL-2002", "Steckdosenleiste 6-fach", "mit Schalter, 3 m", "Stk", 24.90, 12.80, ""},
      {"ME-3001", "Schwerlastregal verzinkt", "1800 x 1200 x 500 mm", "Stk", 215.00, 138.00, ""},
      {"DL-9001", "Montagestunde", "Facharbeiter", "Std", 58.00, 0.00, "Anfahrt wird extra berechnet."},
  };
  for (const TArticle& A : Articles)
    Table.Append({{"ARTNR", A.ArtNr}, {"BEZEICHNUNG1", A.Bez1}, {"BEZEICHNUNG2", A.Bez2},
                  {"EINHEIT", A.Einheit}, {"VK1", Amount(A.Vk)}, {"EK", Amount(A.Ek)},
                  {"MWST", "1"}, {"BESCHREIBUNG", A.Text}});
}

void FillArticleStock(THostTable& Table) {
  struct TStock {
    int ArtikelID;
    const char* Lager;
    double Bestand;
    const char* Lieferant;
  };
  static const TStock Stock[] = {
      {1, "Hauptlager", 14, "Holzhandel Sägmüller"}, {2, "Hauptlager", 320, "Holzhandel Sägmüller"},
      {3, "Hauptlager", 22, "Elektrogroßhandel Süd"}, {3, "Filiale Nord", 5, "Elektrogroßhandel Süd"},
      {4, "Hauptlager", 140, "Elektrogroßhandel Süd"}, {5, "Außenlager", 9, "Regalbau Köhler"},
  };
  for (const TStock& S : Stock)
    Table.Append({{"ARTIKELID", std::to_string(S.ArtikelID)}, {"LAGER", S.Lager},
                  {"BESTAND", Amount(S.Bestand)}, {"LIEFERANT", S.Lieferant}});
}

void FillOrderTemplates(THostTable& Table) {
  Table.Append({{"NAME", "Wartungsvertrag"},
                {"VORLAGE", "Wartung gemäß Vertrag\r\nAnfahrt pauschal\r\nKleinteile"}});
  Table.Append({{"NAME", "Montage"}, {"VORLAGE", "Montagestunde\r\nAnfahrt pauschal"}});
  Table.Append({{"NAME", "Ladeneinrichtung"}, {"VORLAGE", "Aufmaß vor Ort\r\nPlanung\r\nMontage"}});
}

void FillTextModules(THostTable& Table) {
  Table.Append({{"KURZ", "GRUSS"}, {"TEXT", "Mit freundlichen Grüßen\r\nIhr Team der Musterfirma"}});
  Table.Append({{"KURZ", "ZAHLUNG"},
                {"TEXT", "Zahlbar innerhalb von 14 Tagen ohne Abzug.\r\nBei Zahlung innerhalb von "
                         "5 Tagen gewähren wir 2 % Skonto."}});
  Table.Append({{"KURZ", "LIEFERUNG"}, {"TEXT", "Lieferung frei Haus ab 250,00 € Warenwert."}});
}
