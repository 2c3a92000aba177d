// The list and the combo of the shell controls.
#include "platform/os/process.h"
#include "platform/rtl/classreg.h"
#include "ui/controls/MaskSearch.h"
#include "ui/controls/ShellControlPack.h"

RTL_IMPLEMENT_CLASS(TshCustomSystemListView, TCustomListBox, nullptr)
RTL_IMPLEMENT_CLASS(TshCustomSystemComboBox, TCustomComboBox, nullptr)
RTL_IMPLEMENT_CLASS(TshSystemListView, TshCustomSystemListView, &ComponentFactory<TshSystemListView>)
RTL_IMPLEMENT_CLASS(TshSystemComboBox, TshCustomSystemComboBox, &ComponentFactory<TshSystemComboBox>)

RTL_PUBLISHED(TshSystemListView) {
  using T = TshSystemListView;
  P.Prop("Directory", &T::Directory, &T::SetDirectory);
  P.Prop("ShowHidden", &T::ShowHidden, &T::SetShowHidden).Default(false);
  P.Prop("FileMask", &T::FileMask, &T::SetFileMask);
  P.Field("OnFileOpen", &T::OnFileOpen);
  P.Field("OnPopulated", &T::OnPopulated);
}

RTL_PUBLISHED(TshSystemComboBox) {
  using T = TshSystemComboBox;
  P.Field("OnChange", &T::OnChange);
  P.Field("OnSelect", &T::OnSelect);
}

namespace {

const bool ShellViewsRegistered =
    (RegisterClasses({TshSystemListView::StaticClass(), TshSystemComboBox::StaticClass()}), true);

constexpr Integer kIconGap = 4;  // between an icon and its text
constexpr Integer kLevelIndent = 10;

// A row of the pack: its icon, then its text, in the canvas's colours.
void DrawIconRow(TCanvas* C, TRect Rect, Integer Indent, Integer Icon, const String& Text) {
  C->FillRect(Rect);
  TCustomImageList* Images = ShellSmallImages();
  Integer X = Rect.Left + 2 + Indent;
  if (Icon >= 0) Images->Draw(C, X, Rect.Top + (Rect.Height() - Images->Height()) / 2, Icon);
  X += Images->Width() + kIconGap;
  C->SetBkMode(TRANSPARENT);
  C->TextOut(X, Rect.Top + (Rect.Height() - C->TextHeight("Ag")) / 2, Text);
}

}  // namespace

// ---- TshCustomSystemListView -------------------------------------------------------------------

TshCustomSystemListView::TshCustomSystemListView(TComponent* AOwner) : TCustomListBox(AOwner) {
  SetStyle(lbOwnerDrawFixed);
  SetItemHeight(18);
}

TshCustomSystemListView::~TshCustomSystemListView() = default;

void TshCustomSystemListView::SetDirectory(const String& V) {
  FDirectory = V;
  Reload();
}

void TshCustomSystemListView::SetShowHidden(bool V) {
  if (V == FShowHidden) return;
  FShowHidden = V;
  Reload();
}

void TshCustomSystemListView::SetFileMask(const String& V) {
  if (V == FFileMask) return;
  FFileMask = V;
  Reload();
}

String TshCustomSystemListView::PathOf(Integer Index) const {
  if (Index < 0 || Index >= Integer(FFolders.size())) return String();
  return (FDirectory == "/" ? FDirectory : FDirectory + "/") + Items()->Get(Index);
}

void TshCustomSystemListView::Reload() {
  String Kept = ItemIndex() >= 0 ? Items()->Get(ItemIndex()) : String();
  Items()->BeginUpdate();
  Items()->Clear();
  FFolders.clear();
  TItemIDList Abs;
  if (!FDirectory.empty() && SHGetDesktopFolder()->ParseDisplayName(FDirectory, Abs) == S_OK) {
    TShellFolder Folder(Abs);
    TStringList Masks;
    SplitMaskList(FFileMask, &Masks);
    DWORD Flags = SHCONTF_FOLDERS | SHCONTF_NONFOLDERS | (FShowHidden ? SHCONTF_INCLUDEHIDDEN : 0);
    for (const TItemIDList& Rel : Folder.EnumObjects(Flags)) {
      bool IsFolder = Folder.GetAttributesOf(Rel, SFGAO_FOLDER) != 0;
      String Name = Folder.GetDisplayNameOf(Rel);
      if (!IsFolder && !MatchesMaskList(Name, &Masks)) continue;
      Items()->Add(Name);
      FFolders.push_back(IsFolder);
    }
  }
  Items()->EndUpdate();
  if (!Kept.empty()) SetItemIndex(Items()->IndexOf(Kept));
  if (OnPopulated) OnPopulated(this);
}

void TshCustomSystemListView::DrawItem(Integer Index, TRect Rect, TOwnerDrawState State) {
  if (OnDrawItem) return TCustomListBox::DrawItem(Index, Rect, State);
  if (Index < 0 || Index >= Integer(FFolders.size())) return;
  DrawIconRow(Canvas(), Rect, 0, FFolders[Index] ? siFolder : siFile, Items()->Get(Index));
}

void TshCustomSystemListView::OpenRow(Integer Index) {
  String Path = PathOf(Index);
  if (Path.empty()) return;
  if (!FFolders[Index]) {
    if (OnFileOpen) OnFileOpen(this, Path);
    else ShellExecute(nullptr, "open", Path, String(), FDirectory, SW_SHOWNORMAL);
  } else if (FTree) {
    FTree->ShowFolder(Path);
  } else {
    SetDirectory(Path);
  }
}

void TshCustomSystemListView::WndProc(TMessage& Message) {
  TCustomListBox::WndProc(Message);
  if (Message.Msg == WM_GETDLGCODE) Message.Result |= DLGC_WANTALLKEYS;  // Enter opens a row
}

void TshCustomSystemListView::DblClick() {
  TCustomListBox::DblClick();
  OpenRow(ItemIndex());
}

void TshCustomSystemListView::KeyDown(Word& Key, TShiftState Shift) {
  TCustomListBox::KeyDown(Key, Shift);
  if (Key == VK_RETURN) {
    OpenRow(ItemIndex());
    Key = 0;
  } else if (Key == VK_BACK && !FDirectory.empty() && FDirectory != "/") {
    String Up = ShellParentPath(FDirectory);
    if (FTree) FTree->ShowFolder(Up);
    else SetDirectory(Up);
    Key = 0;
  }
}

// ---- TshCustomSystemComboBox -------------------------------------------------------------------

TshCustomSystemComboBox::TshCustomSystemComboBox(TComponent* AOwner) : TCustomComboBox(AOwner) {
  SetStyle(csOwnerDrawFixed);
  SetItemHeight(18);
}

TshCustomSystemComboBox::~TshCustomSystemComboBox() = default;

String TshCustomSystemComboBox::Directory() const {
  Integer I = ItemIndex();
  return I >= 0 && I < Integer(FRows.size()) ? FRows[I].Path : String();
}

void TshCustomSystemComboBox::Reload() {
  FLoading = true;
  FRows.clear();
  Items()->BeginUpdate();
  Items()->Clear();
  std::vector<TTreeNode*> Way;
  for (TTreeNode* N = FTree ? FTree->Selected() : nullptr; N; N = N->Parent()) Way.insert(Way.begin(), N);
  for (TTreeNode* N : Way) {
    auto* D = static_cast<TFolderItemData*>(N->Data());
    String Path;
    if (D) SHGetPathFromIDList(D->Absolute, Path);
    FRows.push_back({Path, N->ImageIndex(), N->Level()});
    Items()->Add(N->Text());
  }
  Items()->EndUpdate();
  SetItemIndex(Integer(FRows.size()) - 1);
  FLoading = false;
  Invalidate();
}

void TshCustomSystemComboBox::DrawItem(Integer Index, TRect Rect, TOwnerDrawState State) {
  if (OnDrawItem) return TCustomComboBox::DrawItem(Index, Rect, State);
  if (Index < 0 || Index >= Integer(FRows.size())) return Canvas()->FillRect(Rect);
  const TRow& R = FRows[Index];
  Integer Indent = State.Contains(odComboBoxEdit) ? 0 : R.Level * kLevelIndent;
  DrawIconRow(Canvas(), Rect, Indent, R.Icon, Items()->Get(Index));
}

void TshCustomSystemComboBox::Select() {
  Integer I = ItemIndex();
  if (!FLoading && FTree && I >= 0 && I < Integer(FRows.size())) {
    // The rows are the way to the tree's selection: the chosen level's
    // node lies on it.
    TTreeNode* N = FTree->Selected();
    while (N && N->Level() > FRows[I].Level) N = N->Parent();
    if (N) FTree->SetSelected(N);
  }
  TCustomComboBox::Select();
}
