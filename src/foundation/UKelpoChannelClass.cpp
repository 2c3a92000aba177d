#include "foundation/UKelpoChannelClass.h"

#include "platform/rtl/classreg.h"

RTL_IMPLEMENT_CLASS(TFKelpoChannel, TComponent, ComponentFactory<TFKelpoChannel>)
RTL_IMPLEMENT_CLASS(TFKelpoSimpleChannel, TFKelpoChannel, ComponentFactory<TFKelpoSimpleChannel>)
RTL_IMPLEMENT_CLASS(TFKelpoSimpleFunction, TComponent, ComponentFactory<TFKelpoSimpleFunction>)
RTL_IMPLEMENT_CLASS(TCustomExtraCalcProvider, TFKelpoSimpleFunction, ComponentFactory<TCustomExtraCalcProvider>)
RTL_IMPLEMENT_CLASS(TFKelpoMathFunction, TFKelpoSimpleFunction, ComponentFactory<TFKelpoMathFunction>)
RTL_IMPLEMENT_CLASS(TPartListFunction, TFKelpoSimpleFunction, ComponentFactory<TPartListFunction>)

String TFKelpoChannel::Execute(const String& Request) {
  String Answer;
  if (OnExecute) OnExecute(this, Request, Answer);
  return Answer;
}

double TFKelpoSimpleFunction::Calculate(const std::vector<double>& Args) {
  double Result = 0;
  if (OnCalculate) OnCalculate(this, Args, Result);
  return Result;
}

void RegisterKelpoChannelClasses() {
  static const bool Done = [] {
    RegisterClasses({TFKelpoChannel::StaticClass(), TFKelpoSimpleChannel::StaticClass(),
                     TFKelpoSimpleFunction::StaticClass(), TCustomExtraCalcProvider::StaticClass(),
                     TFKelpoMathFunction::StaticClass(), TPartListFunction::StaticClass()});
    return true;
  }();
  (void)Done;
}

namespace {
// Registered at start-up like the other units of the settings.
[[maybe_unused]] const bool Registered = (RegisterKelpoChannelClasses(), true);
}  // namespace
