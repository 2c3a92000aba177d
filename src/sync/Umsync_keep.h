// TKeptOrders: the mobile orders a merge could not take over (their
// address has no key) and those addresses, kept for a person to enter them
// by hand.
//
// The merge copies each such order and its address into an in-memory table
// while it walks the mobile orders; the backup step then writes both tables
// as CSV text into a folder of the run's own below the office data folder:
//   <office>/Nicht übernommene Aufträge/<run's name>/Auftraege.csv
//                                                  /Adressen.csv
// The refresh of the mobile side removes such an order from the laptop and
// the clean-up of old backups removes the run's backup, but nothing ever
// removes or overwrites this folder: each run makes a new one.
//
// CSV text, because a person reads it in any text editor or spreadsheet
// without the host application, and the installation list already travels
// in the in-memory table's CSV format: one header line of field names, one
// line per record, fields separated by ';' in the process's date and number
// formats, memo fields included.
//
// Thread safety: GUI thread only, like the run.
#pragma once

#include <initializer_list>
#include <memory>
#include <unordered_set>

#include "data/memtable/mtMemTable.h"
#include "platform/db/dataset.h"

// Makes a new folder Root + Name + Suffix (Root with a trailing '/' must
// exist) and returns Name: RunName, or RunName + " (2)", " (3)" ... when
// the folder exists already or an entry Root + Name + any of Taken does
// (another state of an earlier run's folder). Raises EInOutError naming the
// folder when it cannot be made; a file standing at its name is named and
// left as it is.
String MakeRunFolder(const String& Root, const String& RunName, const String& Suffix = String(),
                     std::initializer_list<const char*> Taken = {});

class TKeptOrders {
 public:
  // The folder below the office data folder that holds what runs could not
  // take over.
  static constexpr const char* FolderName = "Nicht übernommene Aufträge";
  // The two files of a run's folder.
  static constexpr const char* OrdersFile = "Auftraege.csv";
  static constexpr const char* AddressesFile = "Adressen.csv";

  TKeptOrders();
  ~TKeptOrders();
  TKeptOrders(const TKeptOrders&) = delete;
  TKeptOrders& operator=(const TKeptOrders&) = delete;

  // Forgets every kept row (a new merge begins).
  void Clear();
  // Keeps the current record of Order and of Address (an address once,
  // however many of its orders are kept). The tables must be open; the
  // first call takes their fields as the layout of the kept tables. Raises
  // what the in-memory table raises.
  void Add(TDataSet* Order, TDataSet* Address);
  // No order kept since the last Clear.
  bool Empty() const;

  // Writes nothing and returns "" when Empty. Else writes the kept orders
  // and addresses into a new folder OfficeFolder +
  // FolderName + "/" + RunName (" (2)", " (3)" ... appended when a folder
  // of that name exists), each file created new and exclusively. Returns
  // the folder with a trailing '/'. Raises EInOutError naming the folder
  // when it cannot be made (also when FolderName is a symbolic link; a file
  // standing at the name of either folder is named and left as it is), and
  // what the stream raises for a file that cannot be written (a full disk
  // names the file and the space); on any failure nothing of this run is
  // left behind. Earlier runs' folders are never touched.
  String Save(const String& OfficeFolder, const String& RunName) const;

 private:
  std::unique_ptr<TmtMemTable> FOrders, FAddresses;
  std::unordered_set<Integer> FAddressIDs;
};
