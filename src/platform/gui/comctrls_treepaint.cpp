// The tree view's rows: geometry, painting and the scroll bar.
#include <algorithm>

#include "platform/gui/comctrls.h"
#include "platform/gui/graphics_frames.h"

namespace {
constexpr Integer ButtonSize = 9;  // the +/- box
constexpr Integer ImageGap = 2;    // between image and text
constexpr Integer TextPad = 2;     // inside the selection around the text
}  // namespace

std::vector<TTreeNode*> TCustomTreeView::VisibleNodes() const {
  std::vector<TTreeNode*> Rows;
  for (TTreeNode* N = FItems->GetFirstNode(); N; N = N->GetNextVisible()) Rows.push_back(N);
  return Rows;
}

Integer TCustomTreeView::RowOf(const TTreeNode* Node) const {
  Integer Row = 0;
  for (TTreeNode* N = FItems->GetFirstNode(); N; N = N->GetNextVisible(), ++Row)
    if (N == Node) return Row;
  return -1;
}

Integer TCustomTreeView::ItemHeight() {
  TCanvas* C = Canvas();
  C->SetFont(Font());
  Integer H = C->TextHeight("Ag") + 3;
  if (FImages) H = std::max(H, FImages->Height() + 1);
  return std::max<Integer>(H, 16);
}

Integer TCustomTreeView::VisibleRowCount() { return std::max<Integer>(1, ClientHeight() / ItemHeight()); }

Integer TCustomTreeView::LabelLeft(const TTreeNode* Node) {
  Integer X = (Node->Level() + (FShowRoot ? 1 : 0)) * FIndent + 2;
  if (FStateImages && Node->FStateIndex >= 0) X += FStateImages->Width();
  if (FImages) X += FImages->Width() + ImageGap;
  return X;
}

TRect TCustomTreeView::LabelRect(const TTreeNode* Node) {
  Integer Row = RowOf(Node), H = ItemHeight();
  if (Row < 0) return TRect{};
  Canvas()->SetFont(Font());
  Integer L = LabelLeft(Node), Y = (Row - FTopIndex) * H;
  return Rect(L, Y, L + Canvas()->TextWidth(Node->FText) + 2 * TextPad, Y + H);
}

TTreeNode* TCustomTreeView::TopItem() {
  auto Rows = VisibleNodes();
  return FTopIndex < Integer(Rows.size()) ? Rows[FTopIndex] : nullptr;
}

void TCustomTreeView::SetTopItem(TTreeNode* Node) {
  Integer Row = RowOf(Node);
  if (Row < 0) return;
  FTopIndex = Row;
  NodesChanged();
}

TTreeNode* TCustomTreeView::GetNodeAt(Integer X, Integer Y) {
  THitTests H = GetHitTestInfoAt(X, Y);
  if (!(H * THitTests{htOnItem, htOnButton, htOnIndent, htOnRight}).Empty() && Y >= 0) {
    auto Rows = VisibleNodes();
    Integer Row = FTopIndex + Y / ItemHeight();
    if (Row < Integer(Rows.size())) return Rows[Row];
  }
  return nullptr;
}

THitTests TCustomTreeView::GetHitTestInfoAt(Integer X, Integer Y) {
  TRect C = ClientRect();
  if (Y < 0) return {htAbove};
  if (Y >= C.Bottom) return {htBelow};
  if (X < 0) return {htToLeft};
  if (X >= C.Right) return {htToRight};
  auto Rows = VisibleNodes();
  Integer Row = FTopIndex + Y / ItemHeight();
  if (Row >= Integer(Rows.size())) return {htNowhere};
  TTreeNode* N = Rows[Row];
  Integer Text = LabelLeft(N), ButtonX = (N->Level() + (FShowRoot ? 1 : 0)) * FIndent - FIndent / 2;
  TRect L = LabelRect(N);
  if (X >= Text && X < L.Right) return {htOnItem, htOnLabel};
  if (X >= L.Right) return {htOnRight};
  if (FImages && X >= Text - FImages->Width() - ImageGap) return {htOnItem, htOnIcon};
  Integer State = (N->Level() + (FShowRoot ? 1 : 0)) * FIndent + 2;
  if (FStateImages && N->FStateIndex >= 0 && X >= State && X < State + FStateImages->Width())
    return {htOnItem, htOnStateIcon};
  if (FShowButtons && N->HasChildren() && (FShowRoot || N->Level() > 0) && std::abs(X - ButtonX) <= ButtonSize / 2 + 1)
    return {htOnButton};
  return {htOnIndent};
}

// ---- Painting ------------------------------------------------------------------------------------

void TCustomTreeView::Paint() {
  TCanvas* C = Canvas();
  C->Brush()->SetColor(Color());
  C->FillRect(ClientRect());
  auto Rows = VisibleNodes();
  Integer H = ItemHeight(), Shown = ClientHeight() / H + 1;
  for (Integer R = FTopIndex; R < Integer(Rows.size()) && R < FTopIndex + Shown; ++R)
    PaintNode(Rows[R], (R - FTopIndex) * H);
  if (HandleAllocated()) PaintScrollBars(Handle(), *C);
}

// Dotted lines from the node to its parent's line and on to later siblings.
void TCustomTreeView::PaintLines(TTreeNode* Node, Integer Y) {
  TCanvas* C = Canvas();
  Integer H = ItemHeight(), Mid = Y + H / 2;
  auto Dots = [C](Integer X0, Integer Y0, Integer X1, Integer Y1) {
    for (Integer X = X0; X <= X1; ++X)
      for (Integer Yy = Y0; Yy <= Y1; ++Yy)
        if (((X + Yy) & 1) == 0) C->SetPixel(X, Yy, clGray);
  };
  Integer Base = FShowRoot ? 1 : 0;
  for (TTreeNode* N = Node; N; N = N->Parent()) {
    Integer Lvl = N->Level() + Base;
    if (Lvl == 0) break;
    Integer X = Lvl * FIndent - FIndent / 2;
    bool More = N->getNextSibling() != nullptr;
    if (N == Node) {
      bool First = !N->Parent() && !N->getPrevSibling();
      Dots(X, First ? Mid : Y, X, More ? Y + H - 1 : Mid);
      Dots(X, Mid, X + FIndent / 2 + 2, Mid);
    } else if (More) {
      Dots(X, Y, X, Y + H - 1);
    }
  }
}

void TCustomTreeView::PaintNode(TTreeNode* Node, Integer Y) {
  TCanvas* C = Canvas();
  Integer H = ItemHeight(), Lvl = Node->Level() + (FShowRoot ? 1 : 0);
  if (FShowLines) PaintLines(Node, Y);
  if (FShowButtons && Node->HasChildren() && Lvl > 0) {
    Integer Cx = Lvl * FIndent - FIndent / 2, Cy = Y + H / 2;
    TRect B = Rect(Cx - ButtonSize / 2, Cy - ButtonSize / 2, Cx + ButtonSize / 2 + 1, Cy + ButtonSize / 2 + 1);
    C->Brush()->SetColor(clWindow);
    C->FillRect(B);
    C->Brush()->SetColor(clGray);
    C->FrameRect(B);
    C->Brush()->SetColor(clBlack);
    C->FillRect(Rect(Cx - 2, Cy, Cx + 3, Cy + 1));
    if (!Node->Expanded()) C->FillRect(Rect(Cx, Cy - 2, Cx + 1, Cy + 3));
  }
  Integer X = Lvl * FIndent + 2;
  if (FStateImages && Node->FStateIndex >= 0) {
    FStateImages->Draw(C, X, Y + (H - FStateImages->Height()) / 2, Node->FStateIndex);
    X += FStateImages->Width();
  }
  if (FImages) {
    bool Sel = Node == FSelected;
    if (Sel) GetSelectedIndex(Node); else GetImageIndex(Node);
    Integer Img = Sel && Node->FSelectedIndex >= 0 ? Node->FSelectedIndex : Node->FImageIndex;
    Integer Oy = Y + (H - FImages->Height()) / 2;
    if (Node->FOverlayIndex >= 0) FImages->DrawOverlay(C, X, Oy, Img, Node->FOverlayIndex);
    else FImages->Draw(C, X, Oy, Img);
  }
  TRect L = LabelRect(Node);
  if (FRowSelect) L.Right = ClientWidth();
  bool Sel = Node == FSelected, Focus = Focused();
  C->SetFont(Font());
  if (Sel && (Focus || !FHideSelection)) {
    C->Brush()->SetColor(Focus ? clHighlight : clBtnFace);
    C->Font()->SetColor(Focus ? clHighlightText : clWindowText);
    C->FillRect(L);
  }
  C->SetBkMode(TRANSPARENT);
  C->TextOut(L.Left + TextPad, Y + (H - C->TextHeight("Ag")) / 2, Node->FText);
  if (Sel && Focus) C->DrawFocusRect(L);
}

// ---- Scrolling ---------------------------------------------------------------------------------

void TCustomTreeView::UpdateScrollRange() {
  if (!HandleAllocated()) return;
  Integer Rows = Integer(VisibleNodes().size());
  for (int Pass = 0; Pass < 2; ++Pass) ShowScrollBar(Handle(), SB_VERT, Rows > VisibleRowCount());
  Integer Max = std::max<Integer>(0, Rows - VisibleRowCount());
  FTopIndex = std::max<Integer>(0, std::min(FTopIndex, Max));
  SCROLLINFO I;
  I.fMask = SIF_RANGE | SIF_POS | SIF_PAGE;
  I.nMin = 0;
  I.nMax = std::max<Integer>(0, Rows - 1);
  I.nPage = UINT(VisibleRowCount());
  I.nPos = FTopIndex;
  SetScrollInfo(Handle(), SB_VERT, I, true);
}

void TCustomTreeView::ScrollRows(Integer Delta) {
  FTopIndex = std::max<Integer>(0, FTopIndex + Delta);
  NodesChanged();
}

bool TCustomTreeView::DoMouseWheelDown(TShiftState Shift, TPoint MousePos) {
  if (!TCustomControl::DoMouseWheelDown(Shift, MousePos)) ScrollRows(3);
  return true;
}

bool TCustomTreeView::DoMouseWheelUp(TShiftState Shift, TPoint MousePos) {
  if (!TCustomControl::DoMouseWheelUp(Shift, MousePos)) ScrollRows(-3);
  return true;
}

void TCustomTreeView::WMVScroll(TMessage& M) {
  Integer Page = VisibleRowCount(), Top = FTopIndex;
  switch (LOWORD(M.WParam)) {
    case SB_LINEUP: --Top; break;
    case SB_LINEDOWN: ++Top; break;
    case SB_PAGEUP: Top -= Page; break;
    case SB_PAGEDOWN: Top += Page; break;
    case SB_THUMBTRACK: case SB_THUMBPOSITION: Top = HIWORD(M.WParam); break;
    case SB_TOP: Top = 0; break;
    case SB_BOTTOM: Top = Integer(VisibleNodes().size()); break;
    default: return;
  }
  ScrollRows(Top - FTopIndex);
}

TRect TCustomTreeView::GetClientRect() {
  return HandleAllocated() ? ScrollBarClientRect(FHandle) : TCustomControl::GetClientRect();
}
