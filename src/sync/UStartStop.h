// UStartStop: the service programs of the business application that may
// hold the office database open. Before a run they are told "STOP", when
// the tool closes "START". They are listed one program path per line in
// "srv.txt" in the common installation folder (the common application-data
// folder + "Torvane-Installation/").
//
// Thread safety: main thread only.
#pragma once

#include "platform/rtl/system.h"

extern const char* const ServiceListFile;  // "srv.txt"

// True while the programs were sent "STOP" and not yet "START".
extern bool ServicesStopped;

// Runs every program listed in srv.txt with Argument, one after the other,
// each to its end. A missing list, blank lines and lines naming missing
// programs are skipped; every error is ignored.
void RunServiceList(const String& Argument);
// RunServiceList("STOP") unless already stopped.
void StopServices();
// RunServiceList("START") when stopped before.
void StartServices();
