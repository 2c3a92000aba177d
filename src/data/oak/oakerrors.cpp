// The layer's exceptions and the check after every engine call.
#include "data/oak/oakerrors.h"

#include "data/oak/oakdata.h"
#include "platform/rtl/sysutils.h"

RTL_IMPLEMENT_CLASS(OakError, Exception, nullptr)
RTL_IMPLEMENT_CLASS(OakSettingsError, Exception, nullptr)
RTL_IMPLEMENT_CLASS(OakConnectionError, Exception, nullptr)
RTL_IMPLEMENT_CLASS(EOAKDatabaseError, EDatabaseError, nullptr)

namespace {

// Set while an EOAKDatabaseError gathers its fields: an error raised
// meanwhile (resolving the data path, say) must not raise a second one.
thread_local bool Building = false;

// The engine's text when Read succeeds; otherwise the engine shows its own
// message and the text stays empty.
template <class ReadFn>
String ReadEngineText(ReadFn Read) {
  char Buf[OAK_ERROR_TEXT_SIZE] = {};
  UNSIGNED16 Len = sizeof(Buf);
  if (Read(Buf, &Len) != OAK_SUCCESS) {
    OakShowError("Oak Exception Error");
    return String();
  }
  return String(Buf, std::min<std::size_t>(Len, sizeof(Buf) - 1));
}

// The column named by an SQL error: the text after 'column "' up to the
// next double quote, at most 900 characters.
String ColumnOf(const String& Message) {
  const String Marker = "column \"";
  auto P = Message.find(Marker);
  if (P == String::npos) return String();
  String Rest = Message.substr(P + Marker.size());
  Rest = Copy(Rest, 1, 900);
  auto Q = Rest.find('"');
  return Q == String::npos ? Rest : Rest.substr(0, Q);
}

// The server's native error of an SQL failure: "ERROR 7200:" ...
// "NATIVEERROR = n;" (any case); 0 when absent or no number.
Integer NativeErrorOf(const String& Message) {
  String Upper = UpperCase(Message);
  if (Upper.find("ERROR 7200:") == String::npos) return 0;
  const String Marker = "NATIVEERROR = ";
  auto P = Upper.find(Marker);
  if (P == String::npos) return 0;
  String Rest = Upper.substr(P + Marker.size());
  auto Q = Rest.find(';');
  if (Q != String::npos) Rest = Rest.substr(0, Q);
  return StrToIntDef(Trim(Rest), 0);
}

}  // namespace

OakError OakError::FromCode(UNSIGNED32 Code) {
  return OakError(ReadEngineText(
      [Code](char* Buf, UNSIGNED16* Len) { return OakGetErrorString(Code, Buf, Len); }));
}

OakError OakError::FromLastError() {
  return OakError(ReadEngineText([](char* Buf, UNSIGNED16* Len) {
    UNSIGNED32 Code = 0;
    return OakGetLastError(&Code, Buf, Len);
  }));
}

EOAKDatabaseError::EOAKDatabaseError(TOakDataSet* DataSet, Integer Code, const String& Message)
    : EDatabaseError(Message) {
  if (Building) return;
  Building = true;
  ErrorCode = Code;
  try {
    if (DataSet) {
      DataSetName = DataSet->Name();
      if (DataSet->Owner()) OwnerName = DataSet->Owner()->Name();
      DatabaseName = DataSet->DatabaseName();
      TableName = DataSet->TableName();
      DataPath = OakDataSetPath(DataSet);
    }
    if (Code == 5147 || Code == 5148 || Code == 5149) ColumnName = ColumnOf(Message);
    NativeError = NativeErrorOf(Message);
  } catch (...) {
    // The fields are a courtesy; the error itself must get through.
  }
  if (!DataSetName.empty()) SetMessage(DataSetName + ": " + Message);
  Building = false;
}

EOAKDatabaseError::EOAKDatabaseError(const EOAKDatabaseError& E)
    : EDatabaseError(E),
      ErrorCode(E.ErrorCode),
      NativeError(E.NativeError),
      DataSetName(E.DataSetName),
      OwnerName(E.OwnerName),
      DatabaseName(E.DatabaseName),
      DataPath(E.DataPath),
      TableName(E.TableName),
      ColumnName(E.ColumnName),
      RefusedJournal(E.RefusedJournal) {}

EOAKDatabaseError::~EOAKDatabaseError() { Building = false; }

String OakLastErrorText() {
  char Buf[OAK_ERROR_TEXT_SIZE] = {};
  UNSIGNED16 Len = sizeof(Buf);
  UNSIGNED32 Code = 0;
  if (OakGetLastError(&Code, Buf, &Len) != OAK_SUCCESS) return String();
  return String(Buf, std::min<std::size_t>(Len, sizeof(Buf) - 1));
}

EOAKDatabaseError LastEngineError(TOakDataSet* DataSet, UNSIGNED32 Code) {
  // Both halves of the last error are taken before the fields are gathered:
  // resolving them, or any clean-up after the failure, may call the engine
  // again, and each failing call replaces the last error.
  const String Text = OakLastErrorText();
  oak::TRefusedJournal Refused = oak::LastRefusedJournal();
  EOAKDatabaseError E(DataSet, static_cast<Integer>(Code), Text);
  E.RefusedJournal = std::move(Refused);
  return E;
}

void RaiseOakError(TOakDataSet* DataSet, UNSIGNED32 Code) {
  if (Code == OAK_SUCCESS || Building) return;
  throw LastEngineError(DataSet, Code);
}

void CheckOakResult(TOakDataSet* DataSet, UNSIGNED32 Code) {
  if (Code == OAK_NO_CURRENT_RECORD) return;
  RaiseOakError(DataSet, Code);
}

void RaiseOakLayerError(TOakDataSet* DataSet, Integer Code, const String& Text) {
  OakSetLastError(static_cast<UNSIGNED32>(Code), Text.c_str());
  RaiseOakError(DataSet, static_cast<UNSIGNED32>(Code));
  throw EOAKDatabaseError(DataSet, Code, Text);
}

void OakDatabaseError(TOakDataSet* DataSet, Integer Code, const String& Text) {
  throw EOAKDatabaseError(DataSet, Code, Text);
}
