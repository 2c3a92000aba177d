// sb: the message routines. Every message, yes/no question and one-line
// input that the program shows goes through ShowMsgBox, AskMsgBox and
// InputMsgBox. The text is HTML mark-up (BR, B, FONT ...) or plain text
// with CR LF line breaks; PrepareBoxText turns every line break into one
// BR tag and shortens long texts. Each call makes a fresh modal box
// (TFSB_BOX, sb_box.h), shows it and frees it; nothing survives between calls.
// The routines never raise. With the environment variable MDS_MESSAGE_LOG
// naming a file, ShowMsgBox and AskMsgBox append their prepared text (one
// line of mark-up, breaks as "<br>") to it before the box shows.
//
// Modal results: mrOk (1) for "Ja" and "Übernehmen"; mrCancel (2) for
// "Nein", "Schließen" and "Abbrechen".
//
// Thread safety: GUI thread only.
#pragma once

#include "platform/rtl/strings.h"

// Shows Text in a modal message closed with "Schließen". A non-empty
// HelpText adds a "Hilfe" button that unfolds it; an empty Caption shows
// the application's title.
void ShowMsgBox(const String& Text, const String& HelpText = "", const String& Caption = "");

// Asks Text with "Ja" / "Nein"; true exactly when answered "Ja" (mrOk).
// HelpText and Caption as for ShowMsgBox.
bool AskMsgBox(const String& Text, const String& HelpText = "", const String& Caption = "");

// Asks for one line under Prompt, captioned with the application's title.
//  - Items (may be null, not taken over): the drop-down's lines.
//  - PickOnly with Items: only a line of Items can be chosen; Result is the
//    chosen line's index as decimal text, "-1" on cancel or with nothing
//    chosen. Default chooses its line (none when absent).
//  - Otherwise Result is the input (initially Default) without
//    surrounding blanks on acceptance, "" on cancel.
//  - NoCancel hides "Abbrechen"; Esc then accepts.
// The drop-down shows at most 20 lines at once.
void InputMsgBox(const String& Default, const String& Prompt, bool NoCancel, bool PickOnly, TStrings* Items,
                 String& Result);

// Prepares a box text: every CR LF and every BR tag (any case) becomes one
// line break; leading empty lines vanish; lines are joined with "<br>".
// A text of more than 22 lines keeps its first 21, a line of 16 dots and
// its last line.
void PrepareBoxText(const String& Text, String& Html);

// Replaces every occurrence of Find in S by ReplaceWith, ignoring ASCII
// letter case. Nothing happens when S or Find is empty.
void ReplaceAllNoCase(String& S, const String& Find, const String& ReplaceWith);
