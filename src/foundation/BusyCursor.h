// The busy cursor: StartWait shows the animated busy cursor, StopWait
// restores the default cursor at once (calls do not nest: one StopWait ends
// any number of StartWait).
//
// The cursor itself belongs to the user interface, which installs its
// routines with SetBusyCursorHooks; until then the calls only keep the
// nesting count, which nothing reads.
//
// Thread safety: main (user-interface) thread only.
#pragma once

#include <functional>

struct TBusyCursorHooks {
  std::function<void()> ShowBusy;     // Screen.Cursor := the third animated cursor
  std::function<void()> ShowDefault;  // Screen.Cursor := crDefault
};

namespace busycursor_detail {
inline TBusyCursorHooks& Hooks() {
  static TBusyCursorHooks hooks;
  return hooks;
}
inline int& NestingCount() {
  static int count = 0;
  return count;
}
}  // namespace busycursor_detail

// Installs the user interface's cursor routines (empty ones switch off).
inline void SetBusyCursorHooks(TBusyCursorHooks Hooks) {
  busycursor_detail::Hooks() = std::move(Hooks);
}

// The process-wide nesting count: raised by StartWait, lowered by StopWait.
inline int BusyCursorNesting() { return busycursor_detail::NestingCount(); }

inline void StartWait() {
  ++busycursor_detail::NestingCount();
  if (busycursor_detail::Hooks().ShowBusy) busycursor_detail::Hooks().ShowBusy();
}

inline void StopWait() {
  --busycursor_detail::NestingCount();
  if (busycursor_detail::Hooks().ShowDefault) busycursor_detail::Hooks().ShowDefault();
}
