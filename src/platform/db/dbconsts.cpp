#include "platform/db/dbconsts.h"

#include "platform/rtl/classes.h"

RTL_IMPLEMENT_CLASS(EDatabaseError, Exception, nullptr)

const char* const SFieldNotFound = "Feld '%s' nicht gefunden";
const char* const SDataSetClosed = "Operation in geschlossener Datenmenge nicht ausführbar";
const char* const SDataSetOpen = "Operation in geöffneter Datenmenge nicht ausführbar";
const char* const SNotEditing = "Datenmenge nicht im Bearbeitungs- oder Einfügemodus";
const char* const SDataSetReadOnly = "Schreibgeschützte Datenmenge kann nicht geändert werden";
const char* const SDataSetEmpty = "Operation in leerer Datenmenge nicht ausführbar";
const char* const SRecordNotFound = "Datensatz nicht gefunden";
const char* const SFieldReadOnly = "Feld '%s' kann nicht geändert werden";
const char* const SFieldRequired = "Feld '%s' muss einen Wert haben";
const char* const SFieldAccessError = "Zugriff auf Feld '%s' als Typ %s nicht möglich";
const char* const SFieldTypeMismatch =
    "Typ für Feld '%s' stimmt nicht überein. Erwartet: %s, tatsächlich: %s";
const char* const SInvalidIntegerValue = "'%s' ist kein gültiger Integerwert für Feld '%s'";
const char* const SInvalidFloatValue = "'%s' ist kein gültiger Gleitkommawert für Feld '%s'";
const char* const SInvalidBoolValue = "'%s' ist kein gültiger boolescher Wert für Feld '%s'";
const char* const SFieldRangeError =
    "%s ist kein gültiger Wert für Feld '%s'. Der erlaubte Bereich ist %s bis %s";
const char* const SFieldValueError = "Ungültiger Wert für Feld '%s'";
const char* const SFieldOutOfRange = "Wert für Feld '%s' ist außerhalb des gültigen Bereichs";
const char* const SNotIndexField = "Feld '%s' ist nicht indiziert und kann nicht geändert werden";
const char* const SDuplicateFieldName = "Doppelter Feldname '%s'";
const char* const SFieldNameMissing = "Feldname fehlt";
const char* const SFieldIndexError = "Feldindex außerhalb des gültigen Bereichs";
const char* const SFieldDefNotFound = "Felddefinition '%s' nicht gefunden";
const char* const SIndexNotFound = "Index '%s' nicht gefunden";
const char* const SDuplicateIndexName = "Doppelter Indexname '%s'";
const char* const SParameterNotFound = "Parameter '%s' nicht gefunden";
const char* const SCircularDataLink = "Zirkuläre Datenverknüpfungen sind nicht erlaubt";
const char* const SDataSourceChange = "DataSource kann nicht geändert werden";
const char* const SLookupInfoError = "Lookup-Information für Feld '%s' ist unvollständig";
const char* const SCalcFieldsInEdit =
    "Berechnete Felder können nur im Bearbeitungsmodus geändert werden";
const char* const SInvalidCalcType = "Feld '%s' kann kein berechnetes oder Lookup-Feld sein";
const char* const SDataSetMissing = "Feld '%s' hat keine Datenmenge";
const char* const SNotBrowsing = "Datenmenge nicht im Suchmodus";
const char* const SBookmarkNotFound = "Lesezeichen nicht gefunden";
const char* const SInvalidFieldSize = "Ungültige Feldgröße";
const char* const SInvalidFieldKind = "Ungültige Feldart";
const char* const SUnknownFieldType = "Feld '%s' hat einen unbekannten Datentyp";
const char* const SNoBlobStream = "Für Feld '%s' kann kein Blob-Stream geöffnet werden";
const char* const STextTrue = "True";
const char* const STextFalse = "False";

String DbFormat(const char* Fmt, std::initializer_list<String> Args) {
  String R;
  auto Next = Args.begin();
  for (const char* p = Fmt; *p; ++p) {
    if (*p == '%' && p[1] == '%') {
      R += '%';
      ++p;
    } else if (*p == '%' && (p[1] == 's' || p[1] == 'd' || p[1] == 'g')) {
      if (Next != Args.end()) R += *Next++;
      ++p;
    } else {
      R += *p;
    }
  }
  return R;
}

void DatabaseError(const String& Message, TComponent* Component) {
  if (Component && !Component->Name().empty())
    throw EDatabaseError(Component->Name() + ": " + Message);
  throw EDatabaseError(Message);
}

void DatabaseErrorFmt(const char* Fmt, const String& A1, TComponent* Component) {
  DatabaseError(DbFormat(Fmt, {A1}), Component);
}

void DatabaseErrorFmt(const char* Fmt, const String& A1, const String& A2,
                      TComponent* Component) {
  DatabaseError(DbFormat(Fmt, {A1, A2}), Component);
}

void DatabaseErrorFmt(const char* Fmt, const String& A1, const String& A2, const String& A3,
                      const String& A4, TComponent* Component) {
  DatabaseError(DbFormat(Fmt, {A1, A2, A3, A4}), Component);
}
