#include "platform/rtl/system.h"

TClass TObject::StaticClass() {
  static const TClassInfo info{"TObject", nullptr, nullptr};
  return &info;
}
