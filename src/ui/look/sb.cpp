// sb: ShowMsgBox, AskMsgBox, InputMsgBox and the text preparation.
#include "ui/look/sb.h"

#include <algorithm>
#include <cstdlib>
#include <fstream>
#include <functional>
#include <vector>

#include "platform/rtl/format.h"
#include "platform/rtl/sysutils.h"
#include "ui/look/sb_box.h"

namespace {

char UpAscii(char C) { return (C >= 'a' && C <= 'z') ? char(C - 'a' + 'A') : C; }

// Lines of Text: CR, LF or CR LF end a line; a final line break adds no
// empty line.
std::vector<String> SplitLines(const String& Text) {
  std::vector<String> Lines;
  String Line;
  for (size_t I = 0; I < Text.size(); ++I) {
    char C = Text[I];
    if (C != '\r' && C != '\n') {
      Line += C;
      continue;
    }
    if (C == '\r' && I + 1 < Text.size() && Text[I + 1] == '\n') ++I;
    Lines.push_back(Line);
    Line.clear();
  }
  if (!Line.empty()) Lines.push_back(Line);
  return Lines;
}

// The first lines a box shows before it skips to the last one.
constexpr size_t ShownHeadLines = 21;

String CaptionOrTitle(const String& Caption) { return Caption.empty() ? Application->Title() : Caption; }

// Shows Box modally, lets Read take the answer out, frees the box and
// returns its modal result.
TModalResult ShowAndFree(TFSB_BOX* Box, const std::function<void(TModalResult)>& Read = nullptr) {
  TModalResult Result = mrCancel;
  try {
    Box->FocusModeControl();
    Result = Box->ShowModal();
  } catch (...) {
    // The routines report nothing: a box that fails to show counts as
    // cancelled.
  }
  if (Read) Read(Result);
  Box->DestroyForm();
  return Result;
}

// With MDS_MESSAGE_LOG naming a file, the prepared text of every message
// and question is appended to it as one line, for whoever drives the
// program from outside and cannot read the screen. Failures to write are
// ignored: the box shows all the same.
void AppendToTranscript(const String& Html) {
  const char* File = std::getenv("MDS_MESSAGE_LOG");
  if (!File || !*File) return;
  std::ofstream Out(File, std::ios::app | std::ios::binary);
  Out << Html << "\n";
}

TModalResult ShowTextBox(TSBBoxMode Mode, const String& Text, const String& HelpText, const String& Caption) {
  TFSB_BOX* Box = CreateMsgBoxForm();
  String Html;
  PrepareBoxText(Text, Html);
  AppendToTranscript(Html);
  Box->SetMessageHtml(Html);
  Box->SetMode(Mode);
  Box->SetCaption(CaptionOrTitle(Caption));
  Box->SetHelpText(HelpText);
  return ShowAndFree(Box);
}

}  // namespace

void ReplaceAllNoCase(String& S, const String& Find, const String& ReplaceWith) {
  if (S.empty() || Find.empty()) return;
  String Upper = Find;
  std::transform(Upper.begin(), Upper.end(), Upper.begin(), UpAscii);
  String Out;
  Out.reserve(Find.size() < ReplaceWith.size() ? (S.size() / Find.size() + 1) * ReplaceWith.size() : S.size());
  for (size_t I = 0; I < S.size();) {
    bool Match = I + Upper.size() <= S.size();
    for (size_t K = 0; Match && K < Upper.size(); ++K) Match = UpAscii(S[I + K]) == Upper[K];
    if (Match) {
      Out += ReplaceWith;
      I += Upper.size();
    } else {
      Out += S[I++];
    }
  }
  S = Out;
}

void PrepareBoxText(const String& Text, String& Html) {
  String T = Text;
  ReplaceAllNoCase(T, "\r\n", "<BR>");
  ReplaceAllNoCase(T, "<BR>", "\r\n");
  std::vector<String> Lines = SplitLines(T);
  Html.clear();
  for (size_t I = 0; I < Lines.size(); ++I) {
    if (Html.empty())
      Html = Lines[I];
    else
      Html += "<br>" + Lines[I];
    if (I + 1 == ShownHeadLines && Lines.size() > ShownHeadLines + 1) {
      Html += "<br>................<br>" + Lines.back();
      break;
    }
  }
}

void ShowMsgBox(const String& Text, const String& HelpText, const String& Caption) {
  ShowTextBox(TSBBoxMode::Message, Text, HelpText, Caption);
}

bool AskMsgBox(const String& Text, const String& HelpText, const String& Caption) {
  return ShowTextBox(TSBBoxMode::Question, Text, HelpText, Caption) == mrOk;
}

void InputMsgBox(const String& Default, const String& Prompt, bool NoCancel, bool PickOnly, TStrings* Items,
                 String& Result) {
  TFSB_BOX* Box = CreateMsgBoxForm();
  String Html;
  PrepareBoxText(Prompt, Html);
  Box->SetMessageHtml(Html);
  bool PickList = PickOnly && Items;
  TEcComboBox* Edit = Box->FINPE;
  if (PickList) Edit->SetStyle(csDropDownList);
  if (Items) Edit->Items()->Assign(Items);
  if (PickOnly)
    Edit->SetItemIndex(Edit->Items()->IndexOf(Default));
  else
    Edit->SetText(Default);
  Edit->SetDropDownCount(std::min(20, Edit->Items()->Count()));
  Box->SetMode(TSBBoxMode::Input);
  Box->SetHelpText("");
  Box->FB_ICANCEL->SetVisible(!NoCancel);
  Box->SetCaption(Application->Title());
  ShowAndFree(Box, [&](TModalResult Answer) {
    if (Answer == mrOk)
      Result = PickList ? IntToStr(Edit->ItemIndex()) : Trim(Edit->Text());
    else
      Result = PickList ? "-1" : "";
  });
}
