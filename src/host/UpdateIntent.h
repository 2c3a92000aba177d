// The intent record of the update extractor: what a run is about to do to
// the mobile installation, kept on disk so that a run killed at any point
// is finished or undone by the next run.
//
// A run goes through two states, each written to the record (a text file
// beside the targets, replaced atomically) before it starts:
//   "W" writing: the new files go to temporary names beside their targets
//        and missing folders are made. A run that dies here is undone: the
//        temporary files and the folders it made go, every target stays
//        old.
//   "R" replacing: every temporary file is complete and on the disk; each
//        is renamed over its target (an atomic replace, the old file is
//        never deleted first). A run that dies here is finished: the rest
//        are renamed, every target ends new.
// When the record is gone the update is complete (or never began).
// Every path of a record lies inside its folder and is reached without a
// symbolic link; a record naming anything else is refused.
//
// Thread safety: none; one extractor per destination folder at a time.
#pragma once

#include <vector>

#include "platform/rtl/system.h"

// One file of the update: its temporary name, its target and its date (DOS
// date and time).
struct TUpdateStep {
  String Temp, Final;
  Integer Date = 0;
};

class TUpdateIntent {
 public:
  // The record of updates into Folder (which need not exist yet).
  explicit TUpdateIntent(const String& Folder);

  // Undoes ("W") or finishes ("R") what a killed run left, then removes
  // the record; nothing without a record. Raises EArchiveError for a
  // record that does not read, or a rename that fails.
  void Recover();
  // Writes the record in state "W" for Steps and the folders NewFolders
  // (parents first) that the run will make.
  void BeginWriting(const std::vector<TUpdateStep>& Steps, const std::vector<String>& NewFolders);
  // Deletes the temporary files and the new folders of state "W", then the
  // record (after an error while writing).
  void Undo();
  // Writes state "R", renames every temporary file over its target, sets
  // its date and removes the record. Raises EArchiveError when a rename
  // fails (the record stays: the next run finishes).
  void Replace();

  const String& RecordPath() const { return FPath; }
  // True when Path (resolved) is the record or its fresh copy: names no
  // file of an update may take, since the run itself writes and removes
  // them.
  bool IsRecordName(const String& Path) const;
  // Raises EArchiveError when a folder on Path between the record's folder
  // and Path's last component is a symbolic link: the extractor never
  // writes, renames or makes anything through a link, which could lead
  // anywhere.
  void RequireNoLink(const String& Path) const;

 private:
  void Save(char State);
  bool Load();
  void Remove();
  String FFolder, FPath;
  char FState = 0;
  std::vector<TUpdateStep> FSteps;
  std::vector<String> FFolders;
};
