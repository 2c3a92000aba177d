// TOakConnection: properties, connecting and disconnecting, attached
// datasets and the process-wide list of connection components.
#include "data/oak/oakcnnct.h"

#include <algorithm>

#include "data/oak/oakdata.h"
#include "platform/rtl/classreg.h"
#include "platform/rtl/sysutils.h"

RTL_IMPLEMENT_CLASS(TOakConnection, TComponent, ComponentFactory<TOakConnection>)

RTL_PUBLISHED(TOakConnection) {
  using T = TOakConnection;
  P.Prop("AliasName", &T::AliasName, &T::SetAliasName);
  P.Prop("IsConnected", &T::IsConnected, &T::SetIsConnected).Stored(&T::StoreConnected);
  P.Prop("ConnectPath", &T::ConnectPath, &T::SetConnectPath);
  P.ReadOnly("ServerName", [](T* C) {
     return C->IsConnected() ? C->ServerName() : String();
   }).Stored(false);
  P.ReadOnly("ConnectionHandle", &T::ConnectionHandle).Stored(false);
  P.Prop("OakServerTypes", &T::OakServerTypes, &T::SetOakServerTypes);
  P.Prop("LoginPrompt", &T::LoginPrompt, &T::SetLoginPrompt);
  P.Prop("Username", &T::Username, &T::SetUsername);
  P.Prop("Password", &T::Password, &T::SetPassword);
  P.Prop("MiddleTierConnection", &T::MiddleTierConnection, &T::SetMiddleTierConnection)
      .Default(false);
  P.Prop("StoreConnected", &T::StoreConnected, &T::SetStoreConnected).Default(true);
  P.Prop("StoredProcedureConnection", &T::StoredProcedureConnection,
         &T::SetStoredProcedureConnection)
      .Default(false);
  P.Prop("Compression", &T::Compression, &T::SetCompression);
  P.Prop("ReadOnly", &T::ReadOnly, &T::SetReadOnly).Default(false);
  P.Field("AfterCommit", &T::AfterCommit);
  P.Field("BeforeCommit", &T::BeforeCommit);
  P.Field("AfterRollback", &T::AfterRollback);
  P.Field("BeforeRollback", &T::BeforeRollback);
  P.Field("OnConnect", &T::OnConnect);
  P.Field("OnDisconnect", &T::OnDisconnect);
  P.Field("AfterConnect", &T::AfterConnect);
  P.Field("BeforeConnect", &T::BeforeConnect);
  P.Field("AfterDisconnect", &T::AfterDisconnect);
  P.Field("BeforeDisconnect", &T::BeforeDisconnect);
  P.Field("OnLogin", &T::OnLogin);
}

namespace {
[[maybe_unused]] const bool ConnectionRegistered = [] {
  RegisterClasses({TOakConnection::StaticClass()});
  return true;
}();

TOakInstanceList<TOakConnection>& Connections() {
  static TOakInstanceList<TOakConnection> L;
  return L;
}

bool IsDictionaryPath(const String& Path) { return UpperCase(Path).find(".OAD") != String::npos; }
}  // namespace

std::function<bool(const String&, String&, String&)> TOakConnection::LoginDialog;

TOakConnection::TOakConnection(TComponent* AOwner)
    : TComponent(AOwner), FCreatorThread(std::this_thread::get_id()) {
  Connections().Add(this);
}

TOakConnection::~TOakConnection() {
  if (FConnected) {
    auto Sets = FDataSets;
    for (TOakDataSet* D : Sets) {
      try {
        D->Close();
      } catch (...) {
      }
      D->ConnectionClosed();
      D->SetOakConnection(nullptr);
    }
    CloseCachedStatements();
    if (!FExternalHandle) {
      UNSIGNED32 Code = OakDisconnect(FHandle);
      (void)Code;  // a destructor cannot raise; 5024 (not connected) is expected
    }
  } else {
    auto Sets = FDataSets;
    for (TOakDataSet* D : Sets) D->SetOakConnection(nullptr);
  }
  Connections().Remove(this);
}

void TOakConnection::ForEachConnection(const std::function<bool(TOakConnection*)>& Visit) {
  Connections().ForEach(Visit);
}

// ---- Path and alias -----------------------------------------------------------

void TOakConnection::SetConnectPath(const String& Value) {
  if (FConnected)
    throw OakConnectionError(
        "The TOakConnection.ConnectPath may not be changed when IsConnected is TRUE");
  FConnectPath = Value;
  FDictionary = IsDictionaryPath(Value);
  FAliasName.clear();
  FAliasPath.clear();
  FAliasType = 0;
}

void TOakConnection::SetAliasName(const String& Value) {
  if (FConnected)
    throw OakConnectionError(
        "The TOakConnection.AliasName may not be changed when IsConnected is TRUE");
  FAliasValid = true;
  if (Value.empty()) {
    FAliasName = Value;
    return;
  }
  TOakAlias A = ResolveOakAlias(Value);
  FAliasName = Value;
  if (!A.Valid()) {
    FAliasValid = false;
    FAliasPath.clear();
    FAliasType = 0;
    return;
  }
  FConnectPath.clear();
  FAliasPath = A.Path;
  FAliasType = A.AliasType;
  FDictionary = IsDictionaryPath(A.Path);
  ApplyAliasTableType();
}

// The owner's datasets that use this connection follow the alias's type.
void TOakConnection::ApplyAliasTableType() {
  TOakTableTypes Type;
  if (!OakAliasTableType(FAliasType, Type) || !Owner()) return;
  for (int I = 0; I < Owner()->ComponentCount(); ++I) {
    auto* D = dynamic_cast<TOakDataSet*>(Owner()->Components(I));
    if (!D || D->OakConnection() != this) continue;
    if (D->DatabaseName().empty() || SameText(D->DatabaseName(), Name()))
      D->SetTableType(Type);
  }
}

String TOakConnection::GetConnectPath() const {
  return !FConnectPath.empty() ? FConnectPath : FAliasPath;
}

String TOakConnection::DataPath() const {
  String Path = GetConnectPath();
  if (Path.size() > 4 && SameText(Path.substr(Path.size() - 4), ".OAD")) {
    auto P = Path.find_last_of('/');
    if (P == String::npos) P = Path.find_last_of('\\');
    return P == String::npos ? String("./") : Path.substr(0, P);
  }
  return Path;
}

// ---- Connecting ---------------------------------------------------------------

void TOakConnection::SetIsConnected(bool Value) {
  if (ComponentState().Contains(csLoading)) {
    FStreamedConnected = Value;
    return;
  }
  if (Value == FConnected) return;
  if (Value)
    DoConnect();
  else
    DoDisconnect();
}

void TOakConnection::Loaded() {
  TComponent::Loaded();
  if (FStreamedConnected) SetIsConnected(true);
}

UNSIGNED32 TOakConnection::ConnectOptions() const {
  UNSIGNED32 O = 0;
  if (FMiddleTier) O |= OAK_MIDDLE_TIER;
  if (FStoredProc) O |= OAK_STORED_PROC_CONN;
  switch (FCompression) {
    case ccOakCompressInternet:
      O |= OAK_COMPRESS_INTERNET;
      break;
    case ccOakCompressAlways:
      O |= OAK_COMPRESS_ALWAYS;
      break;
    case ccOakCompressNever:
      O |= OAK_COMPRESS_NEVER;
      break;
    case ccOakCompressionNotSet:
      break;
  }
  return O;
}

void TOakConnection::Login(String& User, String& Pass) {
  User.clear();
  Pass.clear();
  if (!FDictionary) return;
  User = FUsername;
  Pass = FPassword;
  if (!FLoginPrompt) return;
  if (OnLogin) {
    OnLogin(this, User, Pass);
  } else if (!LoginDialog || !LoginDialog(Name(), User, Pass)) {
    DatabaseError("Cannot connect to database '" + Name() + "'");
  }
  FUsername = User;
  if (!ComponentState().Contains(csDesigning)) FPassword = Pass;
}

void TOakConnection::DoConnect() {
  FireEvent(BeforeConnect);
  if (!FAliasValid) {
    SetAliasName(FAliasName);
    if (!FAliasValid) throw OakConnectionError("TOakConnection.AliasName is not valid");
  }
  String Path = Copy(GetConnectPath(), 1, MaxOakConnectPath);
  if (Path.empty())
    throw OakConnectionError("Must specify connection string before getting a server connection.");
  if (FExternalHandle) {
    FHandle = FExternalHandle;
  } else {
    String User, Pass;
    Login(User, Pass);
    OAKHANDLE H = 0;
    UNSIGNED32 Code = OakConnect60(Path.c_str(), OakServerTypesValue(FServerTypes), User.c_str(),
                                   Pass.c_str(), ConnectOptions(), &H);
    RaiseOakError(nullptr, Code);
    FHandle = H;
  }
  FConnected = true;
  if (FDictionary) {
    ReadUserProperty();
    ApplyDictionaryDefaultIndexes();
  }
  FireEvent(AfterConnect);
  FireEvent(OnConnect);
}

void TOakConnection::ReadUserProperty() {
  FUserProperty.clear();
  UNSIGNED16 Len = 0;
  UNSIGNED32 Code =
      OakDDGetUserProperty(FHandle, FUsername.c_str(), OAK_DD_USER_PROPERTY, nullptr, &Len);
  if (Code == OAK_PROPERTY_NOT_SET || (Code != OAK_SUCCESS && Code != OAK_BUFFER_TOO_SMALL)) return;
  String Value(Len + 1u, '\0');
  UNSIGNED16 Size = static_cast<UNSIGNED16>(Value.size());
  if (OakDDGetUserProperty(FHandle, FUsername.c_str(), OAK_DD_USER_PROPERTY, Value.data(), &Size) ==
      OAK_SUCCESS)
    FUserProperty = Value.substr(0, Size);
}

// On a dictionary connection each attached table follows the dictionary's
// default index ("OAK_DEFAULT").
void TOakConnection::ApplyDictionaryDefaultIndexes() {
  auto Sets = FDataSets;
  for (TOakDataSet* D : Sets) {
    char Buf[200] = {};
    UNSIGNED16 Len = sizeof(Buf);
    UNSIGNED32 Code = OakDDGetTableProperty(FHandle, D->TableName().c_str(),
                                            OAK_DD_TABLE_DEFAULT_INDEX, Buf, &Len);
    bool Loading = D->ComponentState().Contains(csLoading);
    if (Code == OAK_SUCCESS && Len > 0) {
      D->SetDefaultIndexName(String(Buf, std::min<std::size_t>(Len, sizeof(Buf) - 1)));
      if (!Loading && (D->IndexName().empty() || SameText(D->IndexName(), "OAK_DEFAULT")))
        D->SetIndexName("OAK_DEFAULT");
    } else if (Code == OAK_PROPERTY_NOT_SET) {
      if (SameText(D->IndexName(), "OAK_DEFAULT")) D->SetIndexName(String());
    }
  }
}

void TOakConnection::DoDisconnect() {
  FireEvent(BeforeDisconnect);
  auto Sets = FDataSets;
  for (TOakDataSet* D : Sets) {
    D->Close();
    D->ConnectionClosed();
  }
  CloseCachedStatements();
  UNSIGNED32 Code = OAK_SUCCESS;
  if (!FExternalHandle) Code = OakDisconnect(FHandle);
  FConnected = false;
  FHandle = 0;
  FTransactionActive = false;
  FireEvent(AfterDisconnect);
  FireEvent(OnDisconnect);
  if (Code != OAK_SUCCESS) throw OakError::FromLastError();
}

void TOakConnection::CloseCachedStatements() {
  for (auto& E : FStatementCache)
    if (E.Statement != OAK_INVALID_HANDLE) OakCloseSQLStatement(E.Statement);
  FStatementCache.clear();
}

// ---- Datasets and names ----------------------------------------------------------

void TOakConnection::AttachDataSet(TOakDataSet* DataSet) {
  if (std::find(FDataSets.begin(), FDataSets.end(), DataSet) == FDataSets.end())
    FDataSets.push_back(DataSet);
}

void TOakConnection::DetachDataSet(TOakDataSet* DataSet) {
  FDataSets.erase(std::remove(FDataSets.begin(), FDataSets.end(), DataSet), FDataSets.end());
}

void TOakConnection::SetName(const String& NewName) {
  String Old = Name();
  TComponent::SetName(NewName);
  if (Old.empty() || SameText(Old, NewName)) return;
  String OwnerPrefix = Owner() ? Owner()->Name() + "." : String();
  TOakDataSet::ForEachDataSet([&](TOakDataSet* D) {
    bool Match = SameText(D->DatabaseName(), Old) ||
                 (!OwnerPrefix.empty() && SameText(D->DatabaseName(), OwnerPrefix + Old));
    if (Match && (!D->OakConnection() || D->OakConnection() == this))
      D->ChangeDatabaseName(NewName);
    return true;
  });
}

void TOakConnection::RequireConnected() const {
  if (!FConnected) throw OakConnectionError("No connection to Oak server.");
}
