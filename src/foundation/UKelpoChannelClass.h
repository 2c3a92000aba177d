// UKelpoChannelClass: the base classes of the business application's
// plug-ins, registered with the class library by name so that a plug-in's
// form or description can name them. Their operations are empty or hand
// the call on to an event; this program loads no plug-in.
//
// Thread safety: main thread only.
#pragma once

#include <functional>

#include "platform/rtl/classes.h"

// A channel: exchanges one text with the business application.
class TFKelpoChannel : public TComponent {
  RTL_DECLARE_CLASS(TFKelpoChannel)
 public:
  explicit TFKelpoChannel(TComponent* AOwner) : TComponent(AOwner) {}
  // Hands Request to OnExecute; returns its answer ("" without handler).
  virtual String Execute(const String& Request);
  std::function<void(TObject* Sender, const String& Request, String& Answer)> OnExecute;
};

class TFKelpoSimpleChannel : public TFKelpoChannel {
  RTL_DECLARE_CLASS(TFKelpoSimpleChannel)
 public:
  using TFKelpoChannel::TFKelpoChannel;
};

// A function of the business application's calculations.
class TFKelpoSimpleFunction : public TComponent {
  RTL_DECLARE_CLASS(TFKelpoSimpleFunction)
 public:
  explicit TFKelpoSimpleFunction(TComponent* AOwner) : TComponent(AOwner) {}
  // Hands the arguments to OnCalculate; returns its result (0 without).
  virtual double Calculate(const std::vector<double>& Args);
  std::function<void(TObject* Sender, const std::vector<double>& Args, double& Result)> OnCalculate;
};

class TCustomExtraCalcProvider : public TFKelpoSimpleFunction {
  RTL_DECLARE_CLASS(TCustomExtraCalcProvider)
 public:
  using TFKelpoSimpleFunction::TFKelpoSimpleFunction;
};

class TFKelpoMathFunction : public TFKelpoSimpleFunction {
  RTL_DECLARE_CLASS(TFKelpoMathFunction)
 public:
  using TFKelpoSimpleFunction::TFKelpoSimpleFunction;
};

class TPartListFunction : public TFKelpoSimpleFunction {
  RTL_DECLARE_CLASS(TPartListFunction)
 public:
  using TFKelpoSimpleFunction::TFKelpoSimpleFunction;
};

// Registers the six classes (idempotent); the settings loader's start-up
// calls it.
void RegisterKelpoChannelClasses();
