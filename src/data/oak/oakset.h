// TOakSettings: the process-wide options of the database engine (date
// format, decimals, deleted records, server types, caches), one component
// per application.
//
// The constructor reads the engine's current values; each property write
// goes to the engine at once. A second instance at run time is refused.
// When SetLibraryDate is on, a new DateFormat also becomes the class
// library's short date format (the previous one is kept so that a form
// that switches SetLibraryDate off can undo the change).
//
// Thread safety: the instance count is guarded by a lock; the component
// itself belongs to the thread that made it (the GUI thread).
#pragma once

#include <functional>

#include "data/oak/oakerrors.h"
#include "platform/rtl/classes.h"

enum TOakServerType { stOAK_REMOTE, stOAK_LOCAL, stOAK_NET };
RTL_ENUM_INFO(TOakServerType, stOAK_REMOTE, stOAK_LOCAL, stOAK_NET)
using TOakServerTypes = TSet<TOakServerType>;

// The engine's value of a set of server types: 2 remote + 1 local + 4 net.
UNSIGNED16 OakServerTypesValue(TOakServerTypes Types);

class TOakSettings : public TComponent {
  RTL_DECLARE_CLASS(TOakSettings)
 public:
  // Counts the instance; a second one at run time raises Exception "Only one
  // OakSettings component is allowed per application" (at design time the
  // warning goes to DesignWarningHook instead). Reads the engine's decimals
  // and deleted setting, sets its date format from the class library's
  // short date format (falling back to "MM/dd/ccyy"; OakError when both
  // fail) and the server types [stOAK_REMOTE, stOAK_NET].
  explicit TOakSettings(TComponent* AOwner);
  ~TOakSettings() override;

  const String& DateFormat() const { return FDateFormat; }
  // Empty means "MM/dd/ccyy"; at most 11 characters are kept. OakError when
  // the engine refuses it.
  void SetDateFormat(const String& Value);
  std::int8_t NumDecimals() const { return FNumDecimals; }
  void SetNumDecimals(std::int8_t Value);
  bool SetLibraryDate() const { return FSetLibraryDate; }
  void SetSetLibraryDate(bool Value);
  bool ShowDeleted() const { return FShowDeleted; }
  void SetShowDeleted(bool Value);
  TOakServerTypes OakServerTypes() const { return FServerTypes; }
  // An empty set raises OakSettingsError "At least one server type must be
  // selected."; an engine failure OakError; both keep the old set.
  void SetOakServerTypes(TOakServerTypes Value);
  std::int8_t NumCachedTables() const { return FNumCachedTables; }
  // Below 0 raises Exception "NumCachedTables value must be greater than
  // zero.".
  void SetNumCachedTables(std::int8_t Value);
  std::int8_t NumCachedCursors() const { return FNumCachedCursors; }
  void SetNumCachedCursors(std::int8_t Value);

  // The engine's last error code of this thread.
  UNSIGNED32 LastError() const;
  // Tables the engine holds open.
  UNSIGNED16 NumOpenTables() const;
  // The class library's short date format before DateFormat changed it.
  const String& SavedShortDateFormat() const { return FSavedShortDateFormat; }

  // The instance of the application, or null.
  static TOakSettings* Current();
  // Receives the design-time warning about a second instance.
  static std::function<void(const String&)> DesignWarningHook;

 private:
  void ApplyLibraryDate(const String& Format);
  String FDateFormat;
  std::int8_t FNumDecimals = 2;
  bool FSetLibraryDate = true;
  bool FShowDeleted = true;
  TOakServerTypes FServerTypes{stOAK_REMOTE, stOAK_NET};
  std::int8_t FNumCachedTables = 0;
  std::int8_t FNumCachedCursors = 25;
  String FSavedShortDateFormat;
  bool FSavedFormatValid = false;
  bool FCounted = false;
};
