// The hook points of the class library (classhooks.h).
#include "platform/gui/classhooks.h"

#include <utility>

namespace {

TFormParamsHook& ParamsHook() {
  static TFormParamsHook H;
  return H;
}

TNCPaintHook& PaintHook() {
  static TNCPaintHook H;
  return H;
}

}  // namespace

TFormParamsHook SetFormParamsHook(TFormParamsHook Hook) { return std::exchange(ParamsHook(), std::move(Hook)); }

TNCPaintHook SetNCPaintHook(TNCPaintHook Hook) { return std::exchange(PaintHook(), std::move(Hook)); }

const TFormParamsHook& FormParamsHook() { return ParamsHook(); }

const TNCPaintHook& NCPaintHook() { return PaintHook(); }
