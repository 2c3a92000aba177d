// The busy cursor: StartWait shows the animated busy cursor, StopWait
// restores the default cursor at once (calls do not nest: one StopWait ends
// any number of StartWait).
//
// The unit registers four animated cursors in the screen's cursor table
// when it starts, under the numbers -4997 .. -4994, from the program's
// resources "crCursor_ajax01" .. "crCursor_ajax04" of type RT_ANICURSOR;
// StartWait shows the third (-4995). A cursor that cannot be loaded stays
// unregistered and the screen shows its default cursor for that number.
//
// Tests and special hosts may replace what StartWait / StopWait show with
// SetBusyCursorHooks; empty hooks give the screen cursor back.
//
// Thread safety: main (user-interface) thread only.
#pragma once

#include <functional>

#include "platform/rtl/system.h"

// The numbers of the four animated busy cursors in the cursor table.
enum : Integer {
  crAjax01 = -4997, crAjax02 = -4996, crAjax03 = -4995, crAjax04 = -4994,
  crBusyCursor = crAjax03,
};

struct TBusyCursorHooks {
  std::function<void()> ShowBusy;     // instead of Screen.Cursor := the third animated cursor
  std::function<void()> ShowDefault;  // instead of Screen.Cursor := crDefault
};

// Installs replacement cursor routines (empty ones: the screen's cursor).
void SetBusyCursorHooks(TBusyCursorHooks Hooks);

// The process-wide nesting count: raised by StartWait, lowered by StopWait.
// Nothing reads it but tests.
int BusyCursorNesting();

// Raises the nesting count and shows the busy cursor (Screen.Cursor :=
// -4995).
void StartWait();
// Lowers the nesting count and shows the default cursor (crDefault) at
// once, also inside nested waits.
void StopWait();

// Registers one animated cursor: the resource ResName of type RT_ANICURSOR
// is saved to GetTempDir + decimal CursorId + "." + process number + ".ani"
// (the process number keeps programs started together apart), loaded as a cursor
// and stored as Screen.Cursors[CursorId]; the file is deleted again. Every
// failure (missing resource, unwritable temporary folder, unloadable
// cursor) is swallowed and leaves CursorId unregistered.
void LoadAnimatedCursor(const String& ResName, Integer CursorId);
// The unit's start-up: registers the four busy cursors (what the unit
// does when the program starts; callable again, e.g. after resources were
// added).
void LoadBusyCursors();
