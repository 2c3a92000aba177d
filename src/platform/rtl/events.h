// The class library's method pointers ("events").
//
// An event is a std::function: assignable from a lambda or from a method
// bound to an instance, copyable, and "assigned" when it holds a target.
// Events that a form description binds by method name ("OnClick =
// Button1Click") hold a TBoundMethod, which remembers the instance and the
// published method's name so that the binding can be read back
// (GetMethodProp in typinfo.h).
//
// Declaring a new event type:
//   RTL_DECLARE_EVENT(TLoginEvent, void(TObject* Sender, String& User, String& Pwd));
// A var parameter of the original becomes a reference parameter.
//
// Thread safety: an event object belongs to its owner's thread, like the
// object that holds it.
#pragma once

#include <functional>
#include <utility>

#include "platform/rtl/system.h"

// Declares Name as the event type with the function signature Sig.
#define RTL_DECLARE_EVENT(Name, ...) using Name = std::function<__VA_ARGS__>

// The plain event: only the sender is passed.
using TNotifyEvent = std::function<void(TObject* Sender)>;

// True when the event holds a handler (the class library's Assigned(OnClick)).
template <class Sig>
bool Assigned(const std::function<Sig>& Event) {
  return static_cast<bool>(Event);
}

// Calls the event when it is assigned; does nothing otherwise.
template <class Sig, class... Args>
void FireEvent(const std::function<Sig>& Event, Args&&... A) {
  if (Event) Event(std::forward<Args>(A)...);
}

struct TMethodInfo;

// A published method bound to an instance. Stored inside the event's
// std::function; the event calls Call, and the binding's identity (Data and
// the method record) stays readable.
template <class Sig>
struct TBoundMethod;

template <class R, class... Args>
struct TBoundMethod<R(Args...)> {
  TObject* Data = nullptr;              // the instance the method runs on
  const TMethodInfo* Method = nullptr;  // the published method's record
  std::function<R(Args...)> Call;       // the instance bound to the method

  R operator()(Args... A) const { return Call(std::forward<Args>(A)...); }
};

// Binds a member function of T to Instance as a plain callable. Used by the
// method registry; also handy to assign a method in code:
//   Button->OnClick = MakeMethod(this, &TMyForm::Button1Click);
template <class T, class R, class... Args>
std::function<R(Args...)> MakeMethod(T* Instance, R (T::*Fn)(Args...)) {
  return [Instance, Fn](Args... A) -> R { return (Instance->*Fn)(std::forward<Args>(A)...); };
}
