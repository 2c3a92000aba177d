// Helpers shared by the tests of the class library's conversions.
#pragma once

#include <functional>

#include "platform/rtl/exceptions.h"

// The message of the EConvertError that Action raises, or "(no error)".
inline String ConvertErrorOf(const std::function<void()>& Action) {
  try {
    Action();
  } catch (const EConvertError& E) {
    return E.Message();
  }
  return "(no error)";
}
