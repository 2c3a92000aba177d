// uShellEx: opens documents, folders and URLs in the background, so that a
// slow program never blocks the user interface. The program for a file
// comes from "PLUGINS/OpenFileEx.txt" beside the executable (".pdf=/path/
// to/program", one extension a line), else from the system's association.
// Opening runs in a pool of exactly one worker thread, so documents open
// one after another in the order asked for.
//
// Thread safety: ShellOpen and ShellOpenDocument belong to the main thread
// (they may show the open-with dialog); the opening itself runs in the
// worker thread.
#pragma once

#include <functional>

#include "foundation/UWorkerPool.h"

// Opens one file or URL: with a Program, "Program "FileName"" is started;
// without, the file (or URL) goes to the shell with Verb.
class TShellThreadJob : public TWorkerThreadJob {
  RTL_DECLARE_CLASS(TShellThreadJob)
 public:
  TShellThreadJob(const String& AProgram, const String& AFileName, const String& AVerb);
  void Execute(TWorkerThread* Thread) override;
  String Program, FileName, Verb;
};

// True when Text begins with a URL prefix ("http:", "https:", "ftp:",
// "telnet:", "gopher:", "prospero:", "nntp:", "wais:", "mailto:", "news:",
// "www.", "ftp.", any case) or contains '@'.
bool IsURL(const String& Text);

// Resolves the program for FileName and queues the opening. With Ask, the
// open-with dialog is offered when no program is known or the right Ctrl
// key is down; the choice is stored in OpenFileEx.txt; a cancelled dialog
// opens nothing. Failures to open are not reported.
void ShellOpen(const String& Verb, const String& FileName, bool Ask);
// ShellOpen; returns 0.
Integer ShellOpenDocument(const String& Verb, const String& FileName, bool Ask);

// The one-thread pool of the unit (made on first use).
TWorkerThreadPool& ShellPool();
// Waits until every queued opening has run (for orderly shutdown and
// tests), then ends the pool.
void ShutdownShellPool();

// The user interface installs these. AskProgram shows the open-with dialog
// ("Ausführbare Dateien|*.exe;*.com;*.bat|Alle Dateien|*.*") preset with
// Preset (or starting in InitialDir) and returns false when cancelled;
// RightControlDown tells whether the right Ctrl key is held.
extern std::function<bool(const String& Preset, const String& InitialDir, String& Chosen)> ShellOpenAskProgram;
extern std::function<bool()> ShellOpenRightControlDown;

// The path of OpenFileEx.txt (program folder + "PLUGINS/OpenFileEx.txt").
String OpenFileExPath();
