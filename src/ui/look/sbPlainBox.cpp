// TSBPlainBox: the plain box of the message routines.
#include "ui/look/sbPlainBox.h"

#include "platform/rtl/sysutils.h"
#include "ui/look/sb.h"

RTL_IMPLEMENT_CLASS(TSBPlainBox, TForm, nullptr)

namespace {

constexpr Integer BoxWidth = 406;
constexpr Integer Gap = 8;

// Enter pressed on a button ends the box with Result.
TSelectNext EnterEnds(TSBPlainBox* Box, TModalResult Result) {
  return [Box, Result](TWinControl*&, TWinControl*&, Word CharCode, bool& Accept) {
    if (CharCode != VK_RETURN) return;
    Accept = false;
    Box->SetModalResult(Result);
  };
}

// The name of a tag's text ("br/", "/B", "FONT color=..." -> "BR", "/B", "FONT").
String TagName(const String& Tag) {
  size_t End = Tag.find_first_of(" \t\r\n/", Tag.empty() || Tag[0] != '/' ? 0 : 1);
  return UpperCase(Tag.substr(0, End));
}

}  // namespace

String PlainTextOfHtml(const String& Html) {
  static const std::pair<const char*, const char*> Entities[] = {
      {"&lt;", "<"}, {"&gt;", ">"}, {"&amp;", "&"}, {"&quot;", "\""}, {"&nbsp;", " "}};
  String Out;
  for (size_t I = 0; I < Html.size();) {
    if (Html[I] == '<') {
      size_t Close = Html.find('>', I);
      if (Close == String::npos) {
        Out += Html.substr(I);  // not a tag: shown as written
        break;
      }
      String Name = TagName(Html.substr(I + 1, Close - I - 1));
      if (Name == "BR" || Name == "P" || Name == "HR" || Name == "LI") Out += "\n";
      I = Close + 1;
      continue;
    }
    bool Replaced = false;
    for (const auto& [Entity, Text] : Entities) {
      if (Html.compare(I, std::char_traits<char>::length(Entity), Entity) == 0) {
        Out += Text;
        I += std::char_traits<char>::length(Entity);
        Replaced = true;
        break;
      }
    }
    if (!Replaced) Out += Html[I++];
  }
  return Out;
}

TSBPlainBox* CreateMsgBoxForm() { return NewForm<TSBPlainBox>(Application); }

TSBPlainBox::TSBPlainBox(TComponent* AOwner) : TForm(AOwner, 0), FItems(std::make_unique<TStringList>()) {
  SetBorderStyle(bsDialog);
  SetBorderIcons(TBorderIcons{biSystemMenu});
  SetFormStyle(fsStayOnTop);
  SetPosition(poScreenCenter);
  SetKeyPreview(true);
  SetColor(clWhite);
  SetClientWidth(BoxWidth);
  SetClientHeight(187);
  FText = new TLabel(this);
  FText->SetParent(this);
  FText->SetShowAccelChar(false);
  FText->SetWordWrap(true);
  FText->SetBounds(Gap, Gap, BoxWidth - 2 * Gap, 17);
  FHelpLabel = new TLabel(this);
  FHelpLabel->SetParent(this);
  FHelpLabel->SetShowAccelChar(false);
  FHelpLabel->SetWordWrap(true);
  FHelpLabel->SetVisible(false);
  FHelpLabel->SetBounds(Gap, Gap, BoxWidth - 2 * Gap, 17);

  FMsgRow = AddRow(35);
  FHelpMsg = AddButton(FMsgRow, "Hilfe", mrNone, Gap);
  FClose = AddButton(FMsgRow, "Schließen", mrCancel, BoxWidth - Gap - 77);
  FClose->OnSelectNext = EnterEnds(this, mrOk);

  FQuestionRow = AddRow(35);
  FHelpQuestion = AddButton(FQuestionRow, "Hilfe", mrNone, Gap);
  FYes = AddButton(FQuestionRow, "Ja", mrOk, BoxWidth - Gap - 2 * 77 - 6);
  FYes->OnSelectNext = EnterEnds(this, mrOk);
  FNo = AddButton(FQuestionRow, "Nein", mrCancel, BoxWidth - Gap - 77);
  FNo->OnSelectNext = EnterEnds(this, mrCancel);

  FInputRow = AddRow(61);
  FInput = new TEdit(this);
  FInput->SetParent(FInputRow);
  FInput->SetBounds(Gap, 4, BoxWidth - 2 * Gap, 21);
  FInput->SetTabStop(true);
  FCancel = AddButton(FInputRow, "Abbrechen", mrCancel, BoxWidth - Gap - 2 * 89 - 6);
  FCancel->SetTop(30);
  FCancel->OnSelectNext = EnterEnds(this, mrCancel);
  FAccept = AddButton(FInputRow, "Übernehmen", mrOk, BoxWidth - Gap - 89);
  FAccept->SetTop(30);
  FAccept->OnSelectNext = EnterEnds(this, mrOk);
  for (TPlainButton* Help : {FHelpMsg, FHelpQuestion}) {
    Help->SetWidth(94);
    Help->OnClick = [this](TObject*) { ShowHelp(); };
  }
  SetMode(TSBBoxMode::Message);
}

TSBPlainBox::~TSBPlainBox() = default;

TPanel* TSBPlainBox::AddRow(Integer Height) {
  auto* Row = new TPanel(this);
  Row->SetParent(this);
  Row->SetBevelOuter(bvNone);
  Row->SetColor(clBtnFace);
  Row->SetBounds(0, 0, BoxWidth, Height);
  Row->SetVisible(false);
  return Row;
}

TPlainButton* TSBPlainBox::AddButton(TWinControl* Row, const String& Caption, TModalResult Result, Integer Left) {
  auto* B = new TPlainButton(this);
  B->SetParent(Row);
  B->SetCaption(Caption);
  B->SetModalResult(Result);
  B->SetBounds(Left, 5, Caption == "Übernehmen" || Caption == "Abbrechen" ? 89 : 77, 25);
  B->SetTabStop(true);
  return B;
}

// ---- Contents --------------------------------------------------------------------------------

void TSBPlainBox::SetMessageHtml(const String& Html) {
  FMessage = Html;
  FText->SetCaption(PlainTextOfHtml(Html));
}

void TSBPlainBox::SetMode(TSBBoxMode Mode) {
  FMode = Mode;
  FMsgRow->SetVisible(Mode == TSBBoxMode::Message);
  FQuestionRow->SetVisible(Mode == TSBBoxMode::Question);
  FInputRow->SetVisible(Mode == TSBBoxMode::Input);
  SetHelpText(Mode == TSBBoxMode::Input ? String() : FHelpText);
}

void TSBPlainBox::SetHelpText(const String& Help) {
  FHelpText = Help;
  FHelpMsg->SetVisible(!Help.empty());
  FHelpQuestion->SetVisible(!Help.empty());
}

void TSBPlainBox::ShowHelp() {
  if (FHelpText.empty() || FHelpLabel->Visible()) return;
  String Html;
  PrepareBoxText(FHelpText, Html);
  FHelpLabel->SetCaption(PlainTextOfHtml(Html));
  FHelpLabel->SetVisible(true);
  FHelpMsg->SetEnabled(false);
  FHelpQuestion->SetEnabled(false);
  LayOut();
}

void TSBPlainBox::SetCancelVisible(bool Visible) { FCancel->SetVisible(Visible); }

void TSBPlainBox::SetPickList(bool Value) {
  FPickList = Value;
  FInput->SetReadOnly(Value);
}

void TSBPlainBox::SetItemIndex(Integer Index) {
  FItemIndex = Index >= 0 && Index < FItems->Count() ? Index : -1;
  if (FPickList) FInput->SetText(FItemIndex >= 0 ? FItems->Strings(FItemIndex) : String());
}

String TSBPlainBox::InputText() const { return FInput->Text(); }

void TSBPlainBox::SetInputText(const String& Text) { FInput->SetText(Text); }

TPlainButton* TSBPlainBox::ButtonByCaption(const String& Caption) const {
  for (TPlainButton* B : {FClose, FHelpMsg, FYes, FNo, FHelpQuestion, FAccept, FCancel})
    if (B->Caption() == Caption) return B;
  return nullptr;
}

void TSBPlainBox::FocusModeControl() {
  switch (FMode) {
    case TSBBoxMode::Message: SetActiveControl(FClose); break;
    case TSBBoxMode::Question: SetActiveControl(FYes); break;
    case TSBBoxMode::Input: SetActiveControl(FInput); break;
  }
}

// ---- Showing and keys ------------------------------------------------------------------------

TPanel* TSBPlainBox::VisibleRow() const {
  if (FQuestionRow->Visible()) return FQuestionRow;
  if (FInputRow->Visible()) return FInputRow;
  return FMsgRow;
}

void TSBPlainBox::LayOut() {
  Integer Bottom = FText->Top() + FText->Height() + Gap;
  if (FHelpLabel->Visible()) {
    FHelpLabel->SetTop(Bottom);
    Bottom += FHelpLabel->Height() + Gap;
  }
  TPanel* Row = VisibleRow();
  Row->SetTop(Bottom);
  SetClientHeight(Bottom + Row->Height());
}

void TSBPlainBox::DoShow() {
  LayOut();
  TForm::DoShow();
}

void TSBPlainBox::KeyDown(Word& Key, TShiftState Shift) {
  TForm::KeyDown(Key, Shift);
  bool Input = FMode == TSBBoxMode::Input;
  if (Key == VK_ESCAPE) {
    SetModalResult(Input && !FCancel->Visible() ? mrOk : mrCancel);
    Key = 0;
  } else if (Key == VK_RETURN && Input) {
    SetModalResult(mrOk);
    Key = 0;
  } else if ((Key == VK_UP || Key == VK_DOWN) && Input && FPickList && FItems->Count() > 0) {
    Integer Next = FItemIndex + (Key == VK_DOWN ? 1 : -1);
    SetItemIndex(ClampInt(Next, 0, FItems->Count() - 1));
    Key = 0;
  }
}
