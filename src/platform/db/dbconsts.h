// The dataset framework's exception class and its (German) messages.
//
// DatabaseError raises EDatabaseError with a message; when a component
// with a name is given the message is prefixed with "Name: ", as the class
// library reports which dataset or field failed.
//
// Thread safety: the texts are constants; the functions only raise.
#pragma once

#include <initializer_list>

#include "platform/rtl/exceptions.h"

class TComponent;

RTL_DECLARE_EXCEPTION(EDatabaseError, Exception)

// Raises EDatabaseError with Message, prefixed "Name: " when Component has
// a name.
[[noreturn]] void DatabaseError(const String& Message, TComponent* Component = nullptr);
// As DatabaseError, with Message built from a printf-style format of the
// class library (%s, %d, %g) and up to three arguments given as text.
[[noreturn]] void DatabaseErrorFmt(const char* Fmt, const String& A1,
                                   TComponent* Component = nullptr);
[[noreturn]] void DatabaseErrorFmt(const char* Fmt, const String& A1, const String& A2,
                                   TComponent* Component = nullptr);
[[noreturn]] void DatabaseErrorFmt(const char* Fmt, const String& A1, const String& A2,
                                   const String& A3, const String& A4,
                                   TComponent* Component = nullptr);

// Replaces each "%s", "%d" or "%g" of Fmt in turn with the next of Args;
// "%%" gives "%". Used for the messages below, whose arguments the callers
// format themselves.
String DbFormat(const char* Fmt, std::initializer_list<String> Args);

// Messages (arguments in order of appearance).
extern const char* const SFieldNotFound;         // field name
extern const char* const SDataSetClosed;
extern const char* const SDataSetOpen;
extern const char* const SNotEditing;
extern const char* const SDataSetReadOnly;
extern const char* const SDataSetEmpty;
extern const char* const SRecordNotFound;
extern const char* const SFieldReadOnly;         // field display name
extern const char* const SFieldRequired;         // field display name
extern const char* const SFieldAccessError;      // field display name, type name
extern const char* const SFieldTypeMismatch;     // field name, expected, actual
extern const char* const SInvalidIntegerValue;   // text, field display name
extern const char* const SInvalidFloatValue;     // text, field display name
extern const char* const SInvalidBoolValue;      // text, field display name
extern const char* const SFieldRangeError;       // value, field, min, max
extern const char* const SFieldValueError;       // field display name
extern const char* const SFieldOutOfRange;       // field display name
extern const char* const SNotIndexField;         // field name
extern const char* const SDuplicateFieldName;    // field name
extern const char* const SFieldNameMissing;
extern const char* const SFieldIndexError;
extern const char* const SFieldDefNotFound;      // field name
extern const char* const SIndexNotFound;         // index name
extern const char* const SDuplicateIndexName;    // index name
extern const char* const SParameterNotFound;     // parameter name
extern const char* const SCircularDataLink;
extern const char* const SDataSourceChange;
extern const char* const SLookupInfoError;       // field display name
extern const char* const SCalcFieldsInEdit;
extern const char* const SInvalidCalcType;       // field display name
extern const char* const SDataSetMissing;        // field display name
extern const char* const SNotBrowsing;
extern const char* const SBookmarkNotFound;
extern const char* const SInvalidFieldSize;
extern const char* const SInvalidFieldKind;
extern const char* const SUnknownFieldType;      // field name
extern const char* const SNoBlobStream;          // field display name
extern const char* const STextTrue;              // "True"
extern const char* const STextFalse;             // "False"
