// File masks of the folder tree: a mask text such as "*.txt;*.doc" split
// into a list of lower-cased masks, and the test of a name against them.
//
// A name matches a mask when the mask is "*", or the mask is "*.*" and the
// name contains ".", or the mask has no wildcard and equals the name, or
// the mask's literal pieces occur in the name in order, "?" standing for
// exactly one character and "*" for any run; a mask that does not begin
// (end) with "*" is tied to the name's start (end). Matching is
// case-insensitive; a name without "." gets one appended first, so that
// "*.*" also accepts "README" (a plain mask "readme" still does too).
//
// Thread safety: pure functions.
#pragma once

#include "platform/rtl/strings.h"

// Fills Masks (cleared first) with the lower-cased masks of MaskText,
// split at ";" (an empty text gives the single mask "*"; empty pieces are
// dropped).
void SplitMaskList(const String& MaskText, TStrings* Masks);
// True when Name (already lower-cased) matches the lower-cased Mask.
bool MatchesFileMask(const String& Name, const String& Mask);
// True when Name matches any mask of Masks (see the file comment).
bool MatchesMaskList(const String& Name, const TStrings* Masks);
