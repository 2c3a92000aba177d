// Entry points: process settings, version, handle types, date conversion.
#include <cmath>
#include <cstring>

#include "platform/engine/connection.h"
#include "platform/engine/cursor.h"
#include "platform/engine/errors.h"
#include "platform/engine/expr_date.h"

using namespace oak;

namespace {

// Checks a date format: D, M, Y or C letters with separators.
void CheckDateFormat(const std::string& F) {
  if (F.empty() || F.size() > 11) Fail(E_INVALID_OPTION, "date format '" + F + "'");
  int D = 0, M = 0, Y = 0;
  for (char C : F) {
    char U = static_cast<char>(std::toupper(static_cast<unsigned char>(C)));
    D += U == 'D';
    M += U == 'M';
    Y += U == 'Y' || U == 'C';
  }
  if (D != 2 || M != 2 || (Y != 2 && Y != 4)) Fail(E_INVALID_OPTION, "date format '" + F + "'");
}

}  // namespace

extern "C" {

UNSIGNED32 OakSetDateFormat(const char* pucFormat) {
  return Call([&] {
    std::string F = pucFormat ? pucFormat : "";
    CheckDateFormat(F);
    Settings().DateFormat = F;
  });
}

UNSIGNED32 OakGetDateFormat(char* pucFormat, UNSIGNED16* pusLen) {
  return Call([&] { PutText(Settings().DateFormat, pucFormat, pusLen); });
}

UNSIGNED32 OakSetDecimals(UNSIGNED16 usDecimals) {
  return Call([&] {
    if (usDecimals > 30) Fail(E_INVALID_OPTION, "decimals");
    Settings().Decimals = usDecimals;
  });
}

UNSIGNED32 OakGetDecimals(UNSIGNED16* pusDecimals) {
  return Call([&] { Out(pusDecimals) = Settings().Decimals; });
}

UNSIGNED32 OakShowDeleted(UNSIGNED16 usShowDeleted) {
  return Call([&] {
    Settings().ShowDeleted = usShowDeleted != 0;
    for (THandled* O : HandlesOf(THandleKind::Table))
      static_cast<TCursor*>(O)->ShowDeleted = usShowDeleted != 0;
  });
}

UNSIGNED32 OakGetDeleted(UNSIGNED16* pusShowDeleted) {
  return Call([&] { Out(pusShowDeleted) = Settings().ShowDeleted ? 1 : 0; });
}

UNSIGNED32 OakSetServerType(UNSIGNED16 usServerOptions) {
  return Call([&] {
    if (usServerOptions == 0 || usServerOptions > 7) Fail(E_INVALID_OPTION, "server types");
    Settings().ServerTypes = usServerOptions;
  });
}

UNSIGNED32 OakCacheOpenTables(UNSIGNED16 usOpen) {
  return Call([&] { Settings().CachedTables = usOpen; });
}

UNSIGNED32 OakCacheOpenCursors(UNSIGNED16 usOpen) {
  return Call([&] { Settings().CachedCursors = usOpen; });
}

UNSIGNED32 OakGetVersion(UNSIGNED32* pulMajor, UNSIGNED32* pulMinor, char* pucLetter,
                         char* pucDesc, UNSIGNED16* pusDescLen) {
  return Call([&] {
    if (pulMajor) *pulMajor = 7;
    if (pulMinor) *pulMinor = 1;
    if (pucLetter) *pucLetter = ' ';
    if (pusDescLen) PutText("Oak Client Engine", pucDesc, pusDescLen);
  });
}

UNSIGNED32 OakGetHandleType(OAKHANDLE hObj, UNSIGNED16* pusType) {
  return Call([&] {
    THandled* O = FindHandle(hObj);
    if (!O) Fail(E_INVALID_HANDLE, "handle " + std::to_string(hObj));
    switch (O->Kind()) {
      case THandleKind::Connection: Out(pusType) = OAK_CONNECTION; break;
      case THandleKind::Table:
        Out(pusType) = static_cast<TCursor*>(O)->IsSqlResult ? OAK_CURSOR : OAK_TABLE;
        break;
      case THandleKind::Index: Out(pusType) = OAK_INDEX_ORDER; break;
      case THandleKind::Statement: Out(pusType) = OAK_STATEMENT; break;
      default: Fail(E_INVALID_HANDLE, "handle " + std::to_string(hObj));
    }
  });
}

UNSIGNED32 OakConvertStringToJulian(const char* pucStr, UNSIGNED16 usLen, double* pdJulian) {
  return Call([&] {
    std::string T(pucStr ? pucStr : "", pucStr ? strnlen(pucStr, usLen) : 0);
    std::int32_t J = 0;
    if (!DtosToJulian(T, J)) Fail(E_BAD_VALUE, "'" + T + "' is not a CCYYMMDD date");
    Out(pdJulian) = J;
  });
}

UNSIGNED32 OakConvertJulianToString(double dJulian, char* pucBuf, UNSIGNED16* pusLen) {
  return Call([&] {
    if (dJulian < 0 || dJulian > 5373484) Fail(E_BAD_VALUE, "Julian day out of range");
    PutText(JulianToDtos(static_cast<std::int32_t>(std::lround(dJulian))), pucBuf, pusLen);
  });
}

UNSIGNED32 OakConvertDateToJulian(OAKHANDLE, const char* pucDate, UNSIGNED16 usLen,
                                  double* pdJulian) {
  return Call([&] {
    std::string T(pucDate ? pucDate : "", pucDate ? strnlen(pucDate, usLen) : 0);
    std::int32_t J = 0;
    if (!ParseJulian(T, Settings().DateFormat, J)) Fail(E_BAD_VALUE, "'" + T + "' is not a date");
    Out(pdJulian) = J;
  });
}

}  // extern "C"
