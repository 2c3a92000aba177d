#include "platform/engine/expr_error.h"

namespace oak {

RTL_IMPLEMENT_CLASS(EEngineError, Exception, nullptr)

void ThrowEngineError(std::uint32_t Code, const String& Text) {
  throw EEngineError(Code, Text);
}

}  // namespace oak
