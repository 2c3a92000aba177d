// MergeMobileData: orders and addresses entered or changed on the mobile
// installation are carried into the office copy of the temporary tree.
//
// Orders match by ID_ORDER, addresses by their installation-unique key
// ADR_46_. A record the office copy lacks is added when its change stamp
// is later than the last synchronisation; a record both sides hold is
// replaced only when the mobile stamp is strictly later, an order moreover
// only while its office status is 0 or 3. The office addresses get a
// temporary index tag on ADR_46_ for the duration of the merge.
//
// An order is linked to the office address of its mobile address's key;
// every order of one mobile address gets the same office address. An
// office order whose mobile address cannot be found keeps its own
// AdressID. An order whose mobile address has no key is not carried over
// (neither added nor updated, and not counted): it is listed in
// OrdersNotTakenOver for the closing message, and it and its address are
// kept in KeptOrders, which the backup step writes beside the office where
// no clean-up removes them (the refresh of the mobile side removes the
// order from the laptop). Only unreadable change stamps are skipped
// quietly: a record that cannot be written (a locked office record, a
// failed post) and a temporary tag that cannot be removed end the merge
// with ECanNotDataCopy2Server, so that nothing half-merged (and no stray
// tag) is written back.
#include <algorithm>
#include <cstring>
#include <functional>
#include <unordered_map>
#include <unordered_set>

#include "foundation/StringUtils.h"
#include "foundation/USettings.h"
#include "platform/rtl/sysutils.h"
#include "sync/Umsync_run.h"

namespace {

// A stamp that does not read as a time.
RTL_DECLARE_EXCEPTION(EUnreadableStamp, Exception)
RTL_IMPLEMENT_CLASS(EUnreadableStamp, Exception, nullptr)

// The time of a change stamp text; raises EUnreadableStamp when the text
// is no stamp.
TDateTime StampOf(const String& Text) {
  TDateTime Value = StampToDateTime(Trim(Text));
  if (Value == 0) throw EUnreadableStamp("stamp");
  return Value;
}

// The two fields hold the same value, compared in their field buffers
// (no texts are built); values that differ there may still read as the
// same text (blanks at the right), which the stamps then tell.
bool SameStoredValue(TField* A, TField* B) {
  char BufA[256], BufB[256];
  const Integer Size = A->DataSize();
  if (Size <= 0 || Size > Integer(sizeof BufA) || Size != B->DataSize()) return A->AsString() == B->AsString();
  std::memset(BufA, 0, std::size_t(Size));
  std::memset(BufB, 0, std::size_t(Size));
  const bool HasA = A->GetData(BufA), HasB = B->GetData(BufB);
  return HasA == HasB && std::memcmp(BufA, BufB, std::size_t(Size)) == 0;
}

// The mobile stamp is strictly later than the office stamp; false when
// either stamp does not read as a time (the comparison is skipped). Two
// stamps of the same text read as the same time, or both not at all: the
// mobile one is then not later, without reading either.
bool MobileIsNewer(TField* Mobile, TField* Office) {
  if (SameStoredValue(Mobile, Office)) return false;
  try {
    return StampOf(Mobile->AsString()) > StampOf(Office->AsString());
  } catch (const EUnreadableStamp&) {
    return false;
  }
}

// The process-wide short date format := the engine's date format with
// every 'C' or 'c' replaced by 'Y', so dates travel as text unchanged.
void CopyDateFormat(TFsync& Form) {
  String Format = Form.OakSettingsmain->DateFormat();
  std::replace(Format.begin(), Format.end(), 'C', 'Y');
  std::replace(Format.begin(), Format.end(), 'c', 'Y');
  ShortDateFormat = Format;
}

// The four tables of a merge on its two connections, opened and indexed.
class TMergeRun {
 public:
  // Makes the connections (connected) and the four tables (closed).
  explicit TMergeRun(TFsync& Form);
  // Closes everything and removes the temporary index tag (also after a
  // failed Open).
  ~TMergeRun();
  // Opens the four tables, adds the temporary tag ADR_46_ to the office
  // addresses and starts the office copy's transaction.
  void Open();
  // Makes the office copy's changes final and removes the temporary tag;
  // raises ECanNotDataCopy2Server when the tag stays.
  void Commit();
  void MergeOrders();
  void MergeAddresses();

 private:
  bool IsOrderNewerThanLastSync();
  bool IsAddressNewerThanLastSync();
  void CopyFields(TDataSet* Source, TDataSet* Dest);
  // The fields CopyFields copies from Source into Dest, From and To (found
  // once per table: the fields live as long as the open tables).
  const std::vector<std::pair<TField*, TField*>>& CopiedFields(TDataSet* Source, TDataSet* Dest);
  void WriteRecord(TDataSet* Mobile, TDataSet* Office, bool New, Integer& Added, Integer& Updated,
                   TField* Kept = nullptr);
  void RemoveTag();
  void CopyOrder(bool New);
  Integer CopyAddress(bool New, bool Track);
  bool OrderAddressHasNoKey(bool& Found);
  Integer OfficeAddressOfOrder();
  void LinkOrderAddress();
  void ForEachRecord(TDataSet* Table, const String& What, const std::function<void()>& Visit);

  TFsync& Form;
  // The mobile ID of every address copied along with an order.
  std::unordered_set<Integer> CopiedAddresses;
  // Mobile address ID -> office address ID of every address an order of
  // this run was linked to, so that every order of one new mobile address
  // gets the same office address.
  std::unordered_map<Integer, Integer> OfficeAddressIDs;
  std::unordered_map<TDataSet*, std::vector<std::pair<TField*, TField*>>> FieldPairs;
  std::unique_ptr<TOakConnection> OfficeConnection, MobileConnection;
  std::unique_ptr<TOakTable> OfficeOrders, OfficeAddresses, MobileOrders, MobileAddresses;
  bool TagCreated = false;
  // The fields the walks read for every record, resolved once the tables
  // are open (they live as long as the open tables).
  struct TWalkFields {
    TField *MobileOrderKey, *MobileOrderStamp, *MobileOrderAddress, *OfficeOrderStatus, *OfficeOrderStamp,
        *OfficeOrderAddress, *MobileAddressID, *MobileAddressKey, *MobileAddressStamp, *OfficeAddressID,
        *OfficeAddressKey, *OfficeAddressStamp;
  } F{};
};

TMergeRun::TMergeRun(TFsync& AForm) : Form(AForm) {
  OfficeConnection = OpenLocalConnection(RunFolder(Form, "M_Temp/Server/Data"));
  MobileConnection = OpenLocalConnection(RunFolder(Form, "M_Temp/Remote/Data"));
  OfficeOrders = MakeRunTable(OfficeConnection.get(), "Auftraege.oat", "ID_ORDER");
  OfficeAddresses = MakeRunTable(OfficeConnection.get(), "Adressen.oat");
  MobileOrders = MakeRunTable(MobileConnection.get(), "Auftraege.oat", "ID_ORDER");
  MobileAddresses = MakeRunTable(MobileConnection.get(), "Adressen.oat", "ID");
}

void TMergeRun::Open() {
  // The mobile tables of the temporary tree are only read, by the merge
  // alone: held exclusively, the engine reads no header counters before
  // each step. (A record of the office orders another handle holds must
  // still end the merge when it is to be written.)
  for (TOakTable* T : {OfficeAddresses.get(), MobileOrders.get(), MobileAddresses.get()}) T->SetExclusive(true);
  OfficeOrders->Open();
  OfficeAddresses->Open();
  OfficeAddresses->CreateIndex("", "ADR_46_", "ADR_46_", "", "", TOakIndexOptions{ioCompound});
  TagCreated = true;
  OfficeAddresses->SetIndexName("ADR_46_");
  MobileOrders->Open();
  MobileAddresses->Open();
  F = {MobileOrders->FieldByName("ID_ORDER"),    MobileOrders->FieldByName("ParentName"),
       MobileOrders->FieldByName("AdressID"),    OfficeOrders->FieldByName("status"),
       OfficeOrders->FieldByName("ParentName"),  OfficeOrders->FieldByName("AdressID"),
       MobileAddresses->FieldByName("ID"),       MobileAddresses->FieldByName("ADR_46_"),
       MobileAddresses->FieldByName("ADR_47_"),  OfficeAddresses->FieldByName("ID"),
       OfficeAddresses->FieldByName("ADR_46_"),  OfficeAddresses->FieldByName("ADR_47_")};
  // One transaction over the office copy: the engine then writes changed
  // records and index pages once at the commit instead of after each post.
  OfficeConnection->BeginTransaction();
}

void TMergeRun::Commit() {
  OfficeConnection->Commit();
  try {
    RemoveTag();
  } catch (const Exception& E) {
    throw ECanNotDataCopy2Server("Der temporäre Index ADR_46_ der Adressen kann nicht entfernt werden: " +
                                 CauseText(E));
  }
}

void TMergeRun::RemoveTag() {
  OfficeOrders->Close();
  if (!TagCreated) return;
  OfficeAddresses->SetIndexName("");
  OfficeAddresses->DeleteIndex("ADR_46_");
  TagCreated = false;
}

TMergeRun::~TMergeRun() {
  // After a failed merge: the run ends with that failure, and its office
  // copy is never written back, tag or not.
  try {
    if (OfficeConnection->TransactionActive()) OfficeConnection->Rollback();
  } catch (const Exception&) {
  }
  try {
    RemoveTag();
  } catch (const Exception&) {
  }
  OfficeAddresses.reset();
  MobileOrders.reset();
  MobileAddresses.reset();
  OfficeOrders.reset();
  OfficeConnection.reset();
  MobileConnection.reset();
}

// Walks Table from its first record, showing What and the running number
// (throttled, the last one always) before Visit runs for each record.
void TMergeRun::ForEachRecord(TDataSet* Table, const String& What, const std::function<void()>& Visit) {
  TCountProgress Progress(Form, What, Table->RecordCount());
  for (Table->First(); !Table->Eof(); Table->Next()) {
    Progress.Step();
    Visit();
  }
  Progress.Finish();
}

bool TMergeRun::IsOrderNewerThanLastSync() {
  TDateTime Stamp = StampToDateTime(Trim(F.MobileOrderStamp->AsString()));
  return Stamp != 0 && Stamp > Form.LastSyncDate;
}

bool TMergeRun::IsAddressNewerThanLastSync() {
  TDateTime Stamp = StampToDateTime(Trim(F.MobileAddressStamp->AsString()));
  return Stamp != 0 && Stamp > Form.LastSyncDate;
}

// Copies every field of Source by position into the field of the same
// name of Dest, except ID; a field that cannot be copied is skipped.
void TMergeRun::CopyFields(TDataSet* Source, TDataSet* Dest) {
  for (auto [From, To] : CopiedFields(Source, Dest)) {
    try {
      TFieldType Type = From->DataType();
      if (Type == ftDate || Type == ftDateTime) {
        CopyDateFormat(Form);
        To->SetAsString(From->AsString());
      } else {
        To->SetValue(From->Value());
      }
    } catch (const Exception&) {
    }
  }
}

const std::vector<std::pair<TField*, TField*>>& TMergeRun::CopiedFields(TDataSet* Source, TDataSet* Dest) {
  auto& Pairs = FieldPairs[Source];
  if (Pairs.empty())
    for (Integer I = 0; I < Source->FieldCount(); ++I) {
      TField* From = Source->Fields()[I];
      TField* To = Dest->FindField(From->FieldName());
      if (To && !SameText(From->FieldName(), "ID")) Pairs.emplace_back(From, To);
    }
  return Pairs;
}

// Inserts (New) or edits the current record of Office, counting it as
// added or updated, copies the mobile record's fields into it (but Kept,
// a field of Office that keeps its value) and posts.
void TMergeRun::WriteRecord(TDataSet* Mobile, TDataSet* Office, bool New, Integer& Added, Integer& Updated,
                            TField* Kept) {
  if (New) {
    Office->Insert();
    ++Added;
  } else {
    Office->Edit();
    ++Updated;
  }
  const Variant KeptValue = Kept ? Kept->Value() : Variant();
  CopyFields(Mobile, Office);
  if (Kept) Kept->SetValue(KeptValue);
  Office->Post();
}

void TMergeRun::CopyOrder(bool New) {
  // An order whose mobile address has no key cannot be linked to an office
  // address: it is neither added nor does it overwrite the office order.
  // The closing message names it; its rows are kept for entering by hand.
  bool AddressFound = false;
  if (OrderAddressHasNoKey(AddressFound)) {
    Form.OrdersNotTakenOver.push_back(Trim(F.MobileOrderKey->AsString()));
    Form.KeptOrders->Add(MobileOrders.get(), MobileAddresses.get());
    return;
  }
  // An office order whose mobile address is missing keeps its address: the
  // mobile AdressID would point at no office address or at another one.
  TField* Kept = !New && !AddressFound ? F.OfficeOrderAddress : nullptr;
  try {
    WriteRecord(MobileOrders.get(), OfficeOrders.get(), New, Form.OrdersAdded, Form.OrdersUpdated, Kept);
  } catch (const Exception& E) {
    OfficeOrders->Cancel();
    throw ECanNotDataCopy2Server(CauseText(E));
  }
  // Writing the office order leaves MobileAddresses where the seek put it.
  if (AddressFound) LinkOrderAddress();
}

// The order's mobile address exists and has an empty ADR_46_. Leaves
// MobileAddresses on that address when it exists (Found).
bool TMergeRun::OrderAddressHasNoKey(bool& Found) {
  const String AddressID = IntToStr(F.MobileOrderAddress->AsInteger());
  Found = MobileAddresses->Seek(AddressID, true);
  return Found && Trim(F.MobileAddressKey->AsString()).empty();
}

// The office ID of the order's mobile address (current in MobileAddresses,
// with a key): the one this run linked before, else the address copied
// along when the office lacks it or holds an older version, else the office
// address of the same key.
Integer TMergeRun::OfficeAddressOfOrder() {
  const Integer MobileID = F.MobileAddressID->AsInteger();
  auto Known = OfficeAddressIDs.find(MobileID);
  if (Known != OfficeAddressIDs.end()) return Known->second;
  Integer OfficeID;
  if (!OfficeAddresses->Seek(F.MobileAddressKey->AsString(), true))
    OfficeID = CopyAddress(true, true);
  else if (MobileIsNewer(F.MobileAddressStamp, F.OfficeAddressStamp))
    OfficeID = CopyAddress(false, true);
  else
    OfficeID = F.OfficeAddressID->AsInteger();
  OfficeAddressIDs[MobileID] = OfficeID;
  return OfficeID;
}

// Points the order just written at the office ID of its address (current
// in MobileAddresses). An order whose mobile address is missing is not
// linked: a new one keeps the AdressID it came with, an updated one its
// office AdressID.
void TMergeRun::LinkOrderAddress() {
  const Integer NewID = OfficeAddressOfOrder();
  if (NewID <= 0 || NewID == F.OfficeOrderAddress->AsInteger()) return;
  try {
    OfficeOrders->Edit();
    F.OfficeOrderAddress->SetAsInteger(NewID);
    OfficeOrders->Post();
  } catch (const Exception& E) {
    OfficeOrders->Cancel();
    throw ECanNotDataCopy2Server(CauseText(E));
  }
}

Integer TMergeRun::CopyAddress(bool New, bool Track) {
  try {
    WriteRecord(MobileAddresses.get(), OfficeAddresses.get(), New, Form.AddressesAdded,
                Form.AddressesUpdated);
    if (Trim(F.OfficeAddressKey->AsString()).empty())
      SetAddressKey(OfficeAddresses.get(), 0);
    if (Track) CopiedAddresses.insert(F.MobileAddressID->AsInteger());
    return F.OfficeAddressID->AsInteger();
  } catch (const Exception& E) {
    OfficeAddresses->Cancel();
    throw ECanNotDataCopy2Server(CauseText(E));
  }
}

void TMergeRun::MergeOrders() {
  ForEachRecord(MobileOrders.get(), "Aufträge syncronisieren...", [this] {
    const String Key = F.MobileOrderKey->AsString();
    if (!OfficeOrders->Seek(Key, true)) {
      if (IsOrderNewerThanLastSync()) CopyOrder(true);
    } else {
      Integer Status = F.OfficeOrderStatus->AsInteger();
      if ((Status == 0 || Status == 3) && MobileIsNewer(F.MobileOrderStamp, F.OfficeOrderStamp))
        CopyOrder(false);
    }
  });
}

void TMergeRun::MergeAddresses() {
  ForEachRecord(MobileAddresses.get(), "Adressen syncronisieren...", [this] {
    const Integer ID = F.MobileAddressID->AsInteger();
    const String Key = F.MobileAddressKey->AsString();
    bool Copied = CopiedAddresses.count(ID) != 0;
    if (!Copied && !Trim(Key).empty()) {
      if (!OfficeAddresses->Seek(Key, true)) {
        if (IsAddressNewerThanLastSync()) CopyAddress(true, false);
      } else if (MobileIsNewer(F.MobileAddressStamp, F.OfficeAddressStamp)) {
        CopyAddress(false, false);
      }
    }
  });
}

}  // namespace

void TFsync::MergeMobileData() {
  if (RunMode != 2) return;
  TMergeRun Run(*this);
  Run.Open();
  ShowCopyText(*this, "Syncronisation vorbereiten...");
  OrdersUpdated = OrdersAdded = AddressesUpdated = AddressesAdded = 0;
  OrdersNotTakenOver.clear();
  KeptOrders->Clear();
  KeptOrdersFolder.clear();
  Run.MergeOrders();
  if (!scignoreadr->Checked()) Run.MergeAddresses();
  Run.Commit();
}

String OrdersNotTakenOverText(TFsync& Form) {
  if (Form.OrdersNotTakenOver.empty()) return String();
  String Numbers;
  for (const String& N : Form.OrdersNotTakenOver) Numbers += (Numbers.empty() ? "" : ", ") + N;
  return "<B>Nicht übernommene Aufträge (Adresse ohne Schlüssel): " + Numbers +
         "</B><BR>Die Aufträge und ihre Adressen liegen zur Erfassung von Hand in " + Form.KeptOrdersFolder +
         " (" + TKeptOrders::OrdersFile + ", " + TKeptOrders::AddressesFile + ").<BR>";
}
