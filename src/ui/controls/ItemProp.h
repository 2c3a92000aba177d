// The properties of a shell item as the folder tree's context menu shows
// them: a small dialog ("Eigenschaften von <name>") with the path, the
// size (a folder's: of the files below it) and the rights.
//
// Thread safety: GUI thread only.
#pragma once

#include "platform/rtl/system.h"

// The dialog's text for Path: "Pfad: ...", "Größe: ...", "Rechte: ..."
// lines; a line saying that the item no longer exists when it is gone.
String ItemPropertiesText(const String& Path);
// Shows the dialog modally; Name is the item's name as the tree shows it.
void ShowItemProperties(const String& Path, const String& Name);
// "1.234.567 Bytes (1,2 MB)", "512 Bytes".
String SizeText(std::uint64_t Bytes);
