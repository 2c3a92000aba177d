// TOakSettings: the engine's process-wide options as one form component.
#include "data/oak/oakset.h"

#include <mutex>

#include "platform/rtl/classreg.h"
#include "platform/rtl/sysutils.h"

RTL_IMPLEMENT_CLASS(TOakSettings, TComponent, ComponentFactory<TOakSettings>)

RTL_PUBLISHED(TOakSettings) {
  using T = TOakSettings;
  P.Prop("DateFormat", &T::DateFormat, &T::SetDateFormat);
  P.Prop("NumDecimals", &T::NumDecimals, &T::SetNumDecimals);
  P.Prop("SetLibraryDate", &T::SetLibraryDate, &T::SetSetLibraryDate);
  P.Prop("ShowDeleted", &T::ShowDeleted, &T::SetShowDeleted);
  P.Prop("OakServerTypes", &T::OakServerTypes, &T::SetOakServerTypes);
  P.Prop("NumCachedTables", &T::NumCachedTables, &T::SetNumCachedTables);
  P.Prop("NumCachedCursors", &T::NumCachedCursors, &T::SetNumCachedCursors);
}

namespace {
[[maybe_unused]] const bool SettingsRegistered = [] {
  RegisterClasses({TOakSettings::StaticClass()});
  return true;
}();

const char* const DefaultDateFormat = "MM/dd/ccyy";

std::mutex& InstanceLock() {
  static std::mutex M;
  return M;
}
int InstanceCount = 0;
TOakSettings* CurrentInstance = nullptr;

// Raises OakError with the engine's text when Code is not 0.
void Check(UNSIGNED32 Code) {
  if (Code != OAK_SUCCESS) throw OakError::FromCode(Code);
}
}  // namespace

std::function<void(const String&)> TOakSettings::DesignWarningHook;

UNSIGNED16 OakServerTypesValue(TOakServerTypes Types) {
  UNSIGNED16 V = 0;
  if (Types.Contains(stOAK_REMOTE)) V |= OAK_REMOTE_SERVER;
  if (Types.Contains(stOAK_LOCAL)) V |= OAK_LOCAL_SERVER;
  if (Types.Contains(stOAK_NET)) V |= OAK_NET_SERVER;
  return V;
}

TOakSettings::TOakSettings(TComponent* AOwner) : TComponent(AOwner) {
  {
    std::lock_guard<std::mutex> G(InstanceLock());
    if (InstanceCount > 0) {
      if (!ComponentState().Contains(csDesigning))
        throw Exception("Only one OakSettings component is allowed per application");
      if (DesignWarningHook)
        DesignWarningHook("Warning: Only one OakSettings component is allowed per application.");
    }
    ++InstanceCount;
    FCounted = true;
    CurrentInstance = this;
  }
  try {
    String Format = Copy(ShortDateFormat, 1, 11);
    if (OakSetDateFormat(Format.c_str()) != OAK_SUCCESS) {
      Format = DefaultDateFormat;
      Check(OakSetDateFormat(Format.c_str()));
    }
    FDateFormat = Format;
    UNSIGNED16 Decimals = 0;
    Check(OakGetDecimals(&Decimals));
    FNumDecimals = static_cast<std::int8_t>(Decimals);
    UNSIGNED16 Deleted = 0;
    Check(OakGetDeleted(&Deleted));
    FShowDeleted = Deleted > 0;
    Check(OakSetServerType(OakServerTypesValue(FServerTypes)));
  } catch (...) {
    std::lock_guard<std::mutex> G(InstanceLock());
    --InstanceCount;
    if (CurrentInstance == this) CurrentInstance = nullptr;
    FCounted = false;
    throw;
  }
}

TOakSettings::~TOakSettings() {
  std::lock_guard<std::mutex> G(InstanceLock());
  if (FCounted) --InstanceCount;
  if (CurrentInstance == this) CurrentInstance = nullptr;
}

TOakSettings* TOakSettings::Current() {
  std::lock_guard<std::mutex> G(InstanceLock());
  return CurrentInstance;
}

void TOakSettings::SetDateFormat(const String& Value) {
  String Format = Value.empty() ? String(DefaultDateFormat) : Copy(Value, 1, 11);
  Check(OakSetDateFormat(Format.c_str()));
  FDateFormat = Format;
  if (FSetLibraryDate) ApplyLibraryDate(Format);
}

// The class library's short date format follows the engine's: C and Y
// become y, and the first character that is no format letter is the date
// separator.
void TOakSettings::ApplyLibraryDate(const String& Format) {
  String Lib = Format;
  char Separator = 0;
  for (char& C : Lib) {
    char U = static_cast<char>(std::toupper(static_cast<unsigned char>(C)));
    if (U == 'C' || U == 'Y') C = 'y';
    if (!Separator && U != 'C' && U != 'Y' && U != 'M' && U != 'D') Separator = C;
  }
  FSavedShortDateFormat = ShortDateFormat;
  FSavedFormatValid = true;
  ShortDateFormat = Lib;
  if (Separator) DateSeparator = Separator;
}

void TOakSettings::SetSetLibraryDate(bool Value) {
  FSetLibraryDate = Value;
  if (!Value && ComponentState().Contains(csLoading) && FSavedFormatValid)
    ShortDateFormat = FSavedShortDateFormat;
}

void TOakSettings::SetNumDecimals(std::int8_t Value) {
  Check(OakSetDecimals(static_cast<UNSIGNED16>(Value)));
  FNumDecimals = Value;
}

void TOakSettings::SetShowDeleted(bool Value) {
  Check(OakShowDeleted(Value ? 1 : 0));
  FShowDeleted = Value;
}

void TOakSettings::SetOakServerTypes(TOakServerTypes Value) {
  if (Value == FServerTypes) return;
  TOakServerTypes Old = FServerTypes.Empty() ? TOakServerTypes{stOAK_REMOTE} : FServerTypes;
  if (Value.Empty()) {
    FServerTypes = Old;
    throw OakSettingsError("At least one server type must be selected.");
  }
  UNSIGNED32 Code = OakSetServerType(OakServerTypesValue(Value));
  if (Code != OAK_SUCCESS) {
    FServerTypes = Old;
    throw OakError::FromCode(Code);
  }
  FServerTypes = Value;
}

void TOakSettings::SetNumCachedTables(std::int8_t Value) {
  if (Value < 0) throw Exception("NumCachedTables value must be greater than zero.");
  if (Value == FNumCachedTables) return;
  Check(OakCacheOpenTables(static_cast<UNSIGNED16>(Value)));
  FNumCachedTables = Value;
}

void TOakSettings::SetNumCachedCursors(std::int8_t Value) {
  if (Value < 0) throw Exception("NumCachedCursors value must be greater than zero.");
  if (Value == FNumCachedCursors) return;
  Check(OakCacheOpenCursors(static_cast<UNSIGNED16>(Value)));
  FNumCachedCursors = Value;
}

UNSIGNED32 TOakSettings::LastError() const {
  UNSIGNED32 Code = 0;
  char Buf[OAK_ERROR_TEXT_SIZE];
  UNSIGNED16 Len = sizeof(Buf);
  OakGetLastError(&Code, Buf, &Len);
  return Code;
}

UNSIGNED16 TOakSettings::NumOpenTables() const {
  UNSIGNED16 N = 0;
  Check(OakGetNumOpenTables(&N));
  return N;
}
