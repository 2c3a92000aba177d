// The office the whole-run and archive benchmarks work on: the sample
// office with its orders and addresses filled through the engine to a
// realistic size (text fields as an office fills them, a memo with every
// order and every tenth address, the sample's index tags).
#pragma once

#include <cstdio>
#include <stdexcept>
#include <string>

#include "host/SampleOffice.h"
#include "platform/engine/oak.h"
#include "platform/rtl/sysutils.h"

namespace bench {

inline void Check(UNSIGNED32 Code, const std::string& What) {
  if (Code != 0) throw std::runtime_error(What + ": engine error " + std::to_string(Code));
}

// A change stamp ("YYYYMMDD-HHMMSSmmm") of Time.
inline std::string Stamp(TDateTime Time) {
  Word Y, Mo, D, H, Mi, S, Ms;
  DecodeDateTime(Time, Y, Mo, D, H, Mi, S, Ms);
  char Buf[64];
  std::snprintf(Buf, sizeof Buf, "%04u%02u%02u-%02u%02u%02u%03u", Y, Mo, D, H, Mi, S, Ms);
  return Buf;
}

// A table opened through the engine, with its fields found by name.
class TTable {
 public:
  TTable(OAKHANDLE Connection, const std::string& Path) {
    Check(OakOpenTable(Connection, Path.c_str(), nullptr, OAK_OAT, OAK_ANSI, OAK_PROPRIETARY_LOCKING,
                       OAK_IGNORERIGHTS, 0, &FHandle),
          Path);
  }
  ~TTable() { OakCloseTable(FHandle); }
  TTable(const TTable&) = delete;
  TTable& operator=(const TTable&) = delete;
  OAKHANDLE Handle() const { return FHandle; }

  void Set(const char* Field, const std::string& Value) {
    UNSIGNED16 No = 0;
    Check(OakGetFieldNum(FHandle, Field, &No), Field);
    Check(OakSetField(FHandle, No, Value.data(), UNSIGNED32(Value.size())), Field);
  }
  // The text of Field of the current record.
  std::string Get(const char* Field) {
    UNSIGNED16 No = 0;
    Check(OakGetFieldNum(FHandle, Field, &No), Field);
    char Buf[256];
    UNSIGNED32 Len = sizeof Buf;
    Check(OakGetField(FHandle, No, Buf, &Len, OAK_RTRIM), Field);
    return std::string(Buf, Len);
  }
  void Append() { Check(OakAppendRecord(FHandle), "append"); }
  void Write() { Check(OakWriteRecord(FHandle), "write"); }
  void Go(UNSIGNED32 RecNo) { Check(OakGotoRecord(FHandle, RecNo), "goto"); }
  UNSIGNED32 Count() {
    UNSIGNED32 N = 0;
    Check(OakGetRecordCount(FHandle, OAK_IGNOREFILTERS, &N), "count");
    return N;
  }

 private:
  OAKHANDLE FHandle = OAK_INVALID_HANDLE;
};

inline const char* const Towns[] = {"München", "Augsburg", "Rosenheim", "Köln", "Würzburg", "Passau", "Erlangen", "Lindau"};
inline const char* const Streets[] = {"Hauptstraße", "Bahnhofstraße", "Lindenallee", "Marktplatz", "Holzweg", "Am Anger"};
inline const char* const Subjects[] = {"Wartungsvertrag", "Ladeneinrichtung", "Massivholzplatten Eiche", "Reifenregal verzinkt",
                                "Gewächshausfolie", "Gartenmöbel Set Lärche", "Elektroinstallation Neubau"};

inline std::string AddressKey(char Origin, int Number) {
  char Key[16];
  std::snprintf(Key, sizeof Key, "%c%10d", Origin, Number);
  return Key;
}
// Order numbers of the generated rows lie above the sample's own
// (300000001 ...), so that every order number is the office's only one.
inline std::string OrderNumber(int Number) { return std::to_string(310000000 + Number); }

// Fills address I (1-based) into the record being written.
inline void FillAddress(TTable& T, int I, char Origin, const std::string& When, bool Mobile) {
  T.Set("FIRMA", (I % 3 ? "Firma " : "Handwerksbetrieb ") + std::to_string(I) + (I % 2 ? " GmbH" : " KG"));
  T.Set("ANREDE", I % 2 ? "Herr" : "Frau");
  T.Set("VORNAME", I % 2 ? "Josef" : "Anna");
  T.Set("NAME", (Mobile ? "Kunde mobil " : "Kunde ") + std::to_string(I));
  T.Set("STRASSE", std::string(Streets[I % 6]) + " " + std::to_string(1 + I % 120));
  T.Set("PLZ", std::to_string(80000 + I % 17000));
  T.Set("ORT", Towns[I % 8]);
  T.Set("TELEFON", "0" + std::to_string(800 + I % 200) + " " + std::to_string(100000 + I));
  T.Set("EMAIL", "kunde" + std::to_string(I) + "@beispiel.de");
  if (I % 10 == 0) T.Set("NOTIZ", "Rückruf erbeten, Ansprechpartner im Büro.");
  T.Set("ADR_46_", AddressKey(Origin, I));
  T.Set("ADR_47_", When);
}

// Fills order I (1-based) of address Address into the record being written.
inline void FillOrder(TTable& T, int I, int Address, const std::string& When, bool Mobile) {
  T.Set("ID_ORDER", OrderNumber(I));
  T.Set("Status", I % 5 == 4 ? "1" : (I % 2 ? "0" : "3"));
  T.Set("ParentName", When);
  T.Set("AdressID", std::to_string(Address));
  T.Set("BETREFF", std::string(Subjects[I % 7]) + ", Auftrag " + std::to_string(I));
  T.Set("NETTO", std::to_string(100 + I % 9000) + ".50");
  T.Set("BRUTTO", std::to_string(119 + I % 9000) + ".60");
  T.Set("TEXT", (Mobile ? "Beim Kunden geändert: Lieferung " : "Lieferung und Montage, Position ") +
                    std::to_string(I) + ", Zahlung binnen 14 Tagen.");
}

// The sample office in Folder, its orders and addresses filled to
// OrderCount and AddressCount in one transaction (records 1 .. of the sample's own rows stay in front).
inline void BuildOffice(const std::string& Folder, int OrderCount, int AddressCount) {
  CreateSampleOffice(Folder);
  OAKHANDLE Connection = OAK_INVALID_HANDLE;
  Check(OakConnect60(Folder.c_str(), OAK_LOCAL_SERVER, "", "", 0, &Connection), "connect");
  const std::string Before = Stamp(Now() - 30);
  {
    TTable Addresses(Connection, Folder + "Adressen"), Orders(Connection, Folder + "Auftraege");
    Check(OakBeginTransaction(Connection), "begin");
    for (int I = 1; I <= AddressCount; ++I) {
      Addresses.Append();
      FillAddress(Addresses, 1000 + I, '0', Before, false);
      Addresses.Write();
    }
    for (int I = 1; I <= OrderCount; ++I) {
      Orders.Append();
      FillOrder(Orders, I, 1 + I % AddressCount, Before, false);
      Orders.Write();
    }
    Check(OakCommitTransaction(Connection), "commit");
  }
  OakDisconnect(Connection);
}

}  // namespace bench
