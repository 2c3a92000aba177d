// HtmlDraw: one line of mark-up, its segments, tags and pictures.
#include <algorithm>
#include <cmath>
#include <vector>

#include "platform/gui/comctrls_imagelist.h"
#include "platform/rtl/sysutils.h"
#include "ui/look/HtmlDrawLine.h"
#include "ui/look/PictureStore.h"

namespace html_detail {

namespace {

// Bounds that keep absurd numbers in the mark-up from making huge fonts,
// pictures or pens.
constexpr Integer kMaxPoints = 200;
constexpr Integer kMaxPicture = 4096;
constexpr Integer kMaxIndent = 8192;
constexpr Integer kListStep = 12;

Integer ToInt(const String& S, Integer Default, Integer Lo, Integer Hi) {
  Integer V = StrToIntDef(Trim(S), Default);
  return std::clamp(V, Lo, Hi);
}

// The value of attribute Name (upper-case) in the tag: the text between
// the double quotes right after "NAME="; empty when unquoted or absent.
String Attribute(const String& TagText, const String& Up, const char* Name) {
  String Key = String(Name) + "=";
  for (size_t P = Up.find(Key); P != String::npos; P = Up.find(Key, P + 1)) {
    if (P > 0 && Up[P - 1] != ' ' && Up[P - 1] != '\t') continue;
    size_t V = P + Key.size();
    if (V >= TagText.size() || TagText[V] != '"') return String();
    size_t End = TagText.find('"', V + 1);
    return TagText.substr(V + 1, (End == String::npos ? TagText.size() : End) - V - 1);
  }
  return String();
}

TColor ParseColor(const String& Value) {
  return Value.find('#') != String::npos ? HtmlColorToColor(Value) : ColorNameToColor(Trim(Value));
}

bool Contains(const String& Up, const char* Word) { return Up.find(Word) != String::npos; }

}  // namespace

// Where the line being laid out stands.
struct THtmlRun::TCursor {
  TPass Pass;
  Integer X;           // pen
  Integer Y;           // top of the line box
  Integer Left;        // where the line started
  TLineInfo Info;      // what the line has shown so far (measuring)
  TLineInfo Measured;  // what the measuring pass found (drawing)
  bool HasContent = false;
  bool EndsInBlank = false;
  bool SeenItem = false;
  int RaiseMode = 0;   // 1 top, 2 middle
  bool Measuring() const { return Pass == TPass::Measure; }
  bool Drawing() const { return Pass == TPass::Draw; }
  // The bottom of ordinary text in the line box.
  Integer Baseline() const { return Y + Measured.SupExtra + Measured.Height - Measured.Raise; }
  Integer BoxBottom() const { return Y + Measured.SupExtra + Measured.Height + Measured.SubExtra; }
};

THtmlRun::THtmlRun(const THtmlDrawParams& Params, THtmlDrawResult& Result)
    : P(Params), R(Result), C(*Params.Canvas) {
  FStartFont.Assign(C.Font());
  FStartBrushColor = C.Brush()->Color();
  FStartBrushStyle = C.Brush()->Style();
  C.Brush()->SetStyle(bsClear);
  C.SetBkMode(TRANSPARENT);
}

THtmlRun::~THtmlRun() {
  C.Font()->Assign(&FStartFont);
  C.Brush()->SetColor(FStartBrushColor);
  C.Brush()->SetStyle(FStartBrushStyle);
}

Integer THtmlRun::TextHeightGh() { return C.TextHeight("gh"); }

size_t THtmlRun::NextTag(const String& Text, size_t Pos) {
  // The last answer holds for every position between its question and it:
  // long texts without tags are not searched to their end again and again.
  if (Pos < FTagFrom || Pos > FTagAt) {
    FTagFrom = Pos;
    FTagAt = std::min(Text.find('<', Pos), Text.size());
  }
  return FTagAt;
}

Cardinal THtmlRun::TextFlags(const String& Text) const {
  Cardinal F = DT_SINGLELINE | DT_BOTTOM | DT_EXPANDTABS | DT_EXTERNALLEADING;
  bool Reduced = P.Build == THtmlBuild::Reduced;
  if (Reduced) F |= DT_NOPREFIX;
  if (!P.WordWrap) {
    bool Path = Reduced && (Text.find(":\\") != String::npos || (!Text.empty() && Text[0] == '/'));
    F |= Path ? DT_PATH_ELLIPSIS : DT_END_ELLIPSIS;
  }
  return F;
}

TLineInfo THtmlRun::Line(const String& Text, size_t& Pos, TPass Pass, Integer X, Integer Y,
                         const TLineInfo& Measured) {
  TCursor L{Pass, X, Y, X, TLineInfo(), Measured};
  L.Info.Height = TextHeightGh();
  L.Info.Align = State.Align;
  L.Info.Indent = State.Indent;
  FLineFont.Assign(C.Font());
  FLineTextBg = State.TextBg;
  // A link that wrapped goes on at the start of this line.
  if (State.InLink) State.LinkStartX = X;
  if (L.Drawing() && State.ParaBg != clHtmlNoColor) {
    C.Brush()->SetColor(State.ParaBg);
    C.FillRect(Rect(P.Rect.Left, Y, P.Rect.Right, L.BoxBottom()));
  }
  while (Pos < Text.size()) {
    if (Text[Pos] == '<') {
      if (Text.size() - Pos < 3) {
        Pos = Text.size();
        break;
      }
      size_t Close = Text.find('>', Pos);
      if (Close == String::npos) {
        Pos = Text.size();
        break;
      }
      size_t Start = Pos;
      Pos = Close + 1;
      TTagEnd End = Tag(Text.substr(Start + 1, Close - Start - 1), L);
      if (End == TTagEnd::EndBefore) Pos = Start;
      if (End != TTagEnd::Go) break;
      continue;
    }
    size_t Next = NextTag(Text, Pos);
    if (P.WordWrap) {
      size_t Blank = Text.find(' ', Pos);
      if (Blank != String::npos && Blank < Next) Next = Blank + 1;
    }
    String Seg = ReplaceSegmentEntities(Text.substr(Pos, Next - Pos));
    if (P.WordWrap && !State.Hidden && L.X + C.TextWidth(Seg) > P.Rect.Right) {
      if (L.HasContent && L.EndsInBlank) break;
      // A word wider than the room left (a long path) is broken between
      // characters rather than cut at the right edge; the rest goes on in
      // the next line. A line holds at least one character.
      size_t Fit = FittingPrefix(Text.substr(Pos, Next - Pos), P.Rect.Right - L.X, true);
      if (L.HasContent && (Fit == 0 || P.Rect.Right - L.X <= C.TextWidth("W"))) break;
      Next = Pos + std::max<size_t>(Fit, CharLength(Text, Pos, true));
      Seg = ReplaceSegmentEntities(Text.substr(Pos, Next - Pos));
    }
    Pos = Next;
    Segment(Seg, L);
  }
  if (State.InLink) AddLinkPiece(L);
  if (L.Measuring()) {
    L.Info.Width = L.X - L.Left;
    Integer Free = L.Info.Height - TextHeightGh();
    L.Info.Raise = L.RaiseMode == 1 ? Free : L.RaiseMode == 2 ? Free / 2 : 0;
  }
  return L.Info;
}

size_t THtmlRun::CharLength(const String& Text, size_t Pos, bool Entities) {
  size_t End = Pos + 1;
  while (End < Text.size() && (Byte(Text[End]) & 0xC0) == 0x80) ++End;
  if (Entities && Text[Pos] == '&') {
    size_t Semi = Text.find(';', Pos);
    if (Semi != String::npos && Semi - Pos <= 8) End = Semi + 1;
  }
  return End - Pos;
}

size_t THtmlRun::FittingPrefix(const String& Text, Integer Room, bool Entities) {
  std::vector<size_t> Ends;
  for (size_t End = 0; End < Text.size();) Ends.push_back(End += CharLength(Text, End, Entities));
  auto Width = [&](size_t Bytes) {
    String Prefix = Text.substr(0, Bytes);
    return C.TextWidth(Entities ? ReplaceSegmentEntities(Prefix) : Prefix);
  };
  // The width grows with the prefix: search the last end that fits.
  size_t Lo = 0, Hi = Ends.size();
  while (Lo < Hi) {
    size_t Mid = (Lo + Hi) / 2;
    if (Width(Ends[Mid]) <= Room) Lo = Mid + 1;
    else Hi = Mid;
  }
  return Lo == 0 ? 0 : Ends[Lo - 1];
}

void THtmlRun::Segment(const String& Text, TCursor& L) {
  // The measuring pass sees every line once, the second pass again: only
  // the first gives the plain text.
  if (L.Measuring()) R.PlainText += Text;
  if (State.Hidden || Text.empty()) return;
  TRect Calc = Rect(0, 0, 0, 0);
  // The whole segment is measured; only drawing cuts it with an ellipsis.
  DrawText(C, Text, Calc, (TextFlags(Text) & ~(DT_END_ELLIPSIS | DT_PATH_ELLIPSIS)) | DT_CALCRECT);
  Integer W = Calc.Width(), H = Calc.Height();
  L.Info.Height = std::max(L.Info.Height, H);
  if (State.Sub) L.Info.SubExtra = std::max(L.Info.SubExtra, H / 4);
  if (State.Sup) L.Info.SupExtra = std::max(L.Info.SupExtra, H / 4);
  TRect Box = Rect(L.X, L.Y, L.X + W, L.Y + (L.Measuring() ? L.Info.Height : L.BoxBottom() - L.Y));
  if (!L.Measuring() && State.InLink && MouseOnCharacter(Text, Box)) {
    R.OnLink = true;
    R.Anchor = State.Href;
    R.LinkIndex = State.LinkIndex;
  }
  bool Room = P.Build == THtmlBuild::Full || P.Rect.Right - L.X > C.TextWidth("W");
  if (L.Drawing() && Room) {
    Integer Bottom = L.Baseline();
    if (State.Sub) Bottom += H / 4;
    if (State.Sup) Bottom -= H / 4;
    DrawSegment(Text, Box, Bottom, L);
  }
  L.X += W;
  L.HasContent = true;
  L.EndsInBlank = Text.back() == ' ';
}

bool THtmlRun::MouseOnCharacter(const String& Text, const TRect& Box) {
  if (P.MouseY < Box.Top || P.MouseY >= Box.Bottom || P.MouseX < Box.Left) return false;
  // Text cut off at the right edge is not there to be pointed at.
  if (!P.WordWrap && P.MouseX >= P.Rect.Right) return false;
  // The characters that fit left of the mouse; the next one is under it.
  return FittingPrefix(Text, P.MouseX - Box.Left, false) < Text.size();
}

void THtmlRun::DrawSegment(const String& Text, const TRect& Box, Integer Bottom, TCursor& L) {
  TRect T = Rect(Box.Left, L.Y, P.WordWrap ? Box.Right : std::max(Box.Left, P.Rect.Right), Bottom);
  Cardinal Flags = TextFlags(Text);
  if (State.Shadow) {
    TColor Saved = C.Font()->Color();
    C.Font()->SetColor(P.ShadowColor);
    TRect S = T;
    OffsetRect(S, P.ShadowOffset, P.ShadowOffset);
    C.SetBkMode(TRANSPARENT);
    DrawText(C, Text, S, Flags);
    C.Font()->SetColor(Saved);
  }
  if (State.TextBg != clHtmlNoColor) {
    C.SetBkMode(OPAQUE);
    C.SetBkColor(State.TextBg);
  } else {
    C.SetBkMode(TRANSPARENT);
  }
  DrawText(C, Text, T, Flags);
  if (State.Wavy) DrawWavyLine(T.Left, std::min(Box.Right, T.Right), Bottom - C.GetTextMetrics().tmDescent);
}

void THtmlRun::DrawWavyLine(Integer X1, Integer X2, Integer Baseline) {
  TColor SavedColor = C.Pen()->Color();
  Integer SavedWidth = C.Pen()->Width();
  C.Pen()->SetColor(clRed);
  C.Pen()->SetWidth(1);
  Integer X = X1 & ~1;
  C.MoveTo(X, Baseline - 1);
  bool Up = true;
  while (X < X2) {
    X += 2;
    Up = !Up;
    C.LineTo(X, Up ? Baseline - 1 : Baseline + 1);
  }
  C.Pen()->SetColor(SavedColor);
  C.Pen()->SetWidth(SavedWidth);
}

// ---- Tags ------------------------------------------------------------------------------------

THtmlRun::TTagEnd THtmlRun::Tag(const String& TagText, TCursor& L) {
  String Up = UpperCase(TagText);
  if (!Up.empty() && Up[0] == '/') {
    CloseTag(Up.substr(1), L);
    if (Up.rfind("/LI", 0) == 0 || (Up.size() >= 2 && Up[1] == 'P' && (Up.size() == 2 || Up[2] == ' ')))
      return TTagEnd::EndLine;
    return TTagEnd::Go;
  }
  return OpenTag(TagText, Up, L);
}

THtmlRun::TTagEnd THtmlRun::OpenTag(const String& TagText, const String& Up, TCursor& L) {
  char Second = Up.size() > 1 ? Up[1] : ' ';
  switch (Up.empty() ? ' ' : Up[0]) {
    case 'A': LinkTag(TagText, Up, L); break;
    case 'B': return BTag(TagText, Second, L);
    case 'E': State.Wavy = true; break;
    case 'F': FontTag(TagText, Up, L); break;
    case 'H': return HTag(Second, L);
    case 'I': return ITag(TagText, Up, Second, L);
    case 'L':
      if (Second == 'I') return ListItemTag(L);
      break;
    case 'P': ParagraphTag(TagText, Up, L); break;
    case 'R': C.Font()->SetOrientation(ToInt(Attribute(TagText, Up, "A"), 0, -3600, 3600) * 10); break;
    case 'S': STag(Up); break;
    case 'U':
      if (Second == 'L') {
        State.ListLevel++;
        return TTagEnd::EndLine;
      }
      SetFontStyle(fsUnderline, true);
      break;
    case 'Z': State.Hidden = true; break;
    default: break;
  }
  return TTagEnd::Go;
}

void THtmlRun::SetFontStyle(TFontStyle Style, bool On) {
  TFontStyles St = C.Font()->Style();
  if (On)
    St.Include(Style);
  else
    St.Exclude(Style);
  C.Font()->SetStyle(St);
}

void THtmlRun::LinkTag(const String& TagText, const String& Up, TCursor& L) {
  TFont* F = C.Font();
  State.LinkCounter++;
  State.InLink = true;
  State.LinkIndex = State.LinkCounter - 1;
  State.LinkSavedFont = F->Color();
  State.LinkSavedBg = State.TextBg;
  State.LinkSavedUnderline = F->Style().Contains(fsUnderline);
  bool Hovered = State.LinkIndex == P.HoverLink;
  if (!(P.HoverMode && !Hovered)) {
    SetFontStyle(fsUnderline, true);
    if (P.HoverColor != clHtmlNoColor) State.TextBg = P.HoverColor;
    if (P.HoverFontColor != clHtmlNoColor) F->SetColor(P.HoverFontColor);
  }
  if (!P.KeepColors && !(P.HoverMode && Hovered && P.HoverFontColor != clHtmlNoColor)) F->SetColor(P.URLColor);
  State.Href = Attribute(TagText, Up, "HREF");
  State.LinkStartX = L.X;
}

// BR, BLINK, BODY and B.
THtmlRun::TTagEnd THtmlRun::BTag(const String& TagText, char Second, TCursor& L) {
  if (Second == 'R') {
    if (L.Measuring()) R.PlainText += "\r";
    return TTagEnd::EndLine;
  }
  if (Second == 'L') {
    if (!P.BlinkPhase) C.Font()->SetColor(FStartBrushColor);
  } else if (Second == 'O') {
    if (L.Drawing()) DrawBody(TagText);
  } else {
    SetFontStyle(fsBold, true);
  }
  return TTagEnd::Go;
}

void THtmlRun::FontTag(const String& TagText, const String& Up, TCursor& L) {
  TFont* F = C.Font();
  String Face = Attribute(TagText, Up, "FACE");
  if (!Face.empty()) F->SetName(Face);
  String Color = Attribute(TagText, Up, "COLOR");
  if (!Color.empty() && !P.KeepColors) F->SetColor(ParseColor(Color));
  String Bg = Attribute(TagText, Up, "BGCOLOR");
  if (!Bg.empty() && !P.KeepColors && !L.Measuring()) State.TextBg = ParseColor(Bg);
  String Size = Attribute(TagText, Up, "SIZE");
  if (Size.empty()) return;
  static const Integer kSizes[] = {8, 10, 12, 14, 16};
  Integer N = StrToIntDef(Trim(Size), 0);
  if (N >= 1 && N <= 5) F->SetSize(kSizes[N - 1]);
  else if (N != 0) F->SetSize(std::clamp<Integer>(N, 1, kMaxPoints));
}

// HI and HR.
THtmlRun::TTagEnd THtmlRun::HTag(char Second, TCursor& L) {
  if (Second == 'I') {
    State.HiSavedFont = C.Font()->Color();
    State.HiSavedBg = State.TextBg;
    State.TextBg = clHighlight;
    C.Font()->SetColor(clHighlightText);
    return TTagEnd::Go;
  }
  if (Second != 'R') return TTagEnd::Go;
  if (L.Drawing()) {
    TColor Saved = C.Pen()->Color();
    C.Pen()->SetColor(clBlack);
    Integer Yl = L.BoxBottom() + 1;
    C.MoveTo(P.Rect.Left, Yl);
    C.LineTo(P.Rect.Right, Yl);
    C.Pen()->SetColor(Saved);
  }
  if (L.Measuring()) R.PlainText += "\r";
  return TTagEnd::EndLine;
}

// IND, IMG and I.
THtmlRun::TTagEnd THtmlRun::ITag(const String& TagText, const String& Up, char Second, TCursor& L) {
  if (Second == 'N') {
    Integer To = P.Rect.Left + ToInt(Attribute(TagText, Up, "X"), 0, 0, kMaxIndent);
    if (L.X < To) L.X = To;
  } else if (Second == 'M') {
    return Picture(TagText, Up, L);
  } else {
    SetFontStyle(fsItalic, true);
  }
  return TTagEnd::Go;
}

THtmlRun::TTagEnd THtmlRun::ListItemTag(TCursor& L) {
  if (L.SeenItem) return TTagEnd::EndBefore;
  L.SeenItem = true;
  L.X += std::max<Integer>(0, State.ListLevel - 1) * kListStep;
  if (L.Drawing()) {
    TFont Saved;
    Saved.Assign(C.Font());
    C.Font()->SetName("Symbol");
    C.SetBkMode(TRANSPARENT);
    TRect B = Rect(L.X, L.Y, L.X + kListStep, L.Baseline());
    DrawText(C, State.ListLevel % 2 == 1 ? "\u2022" : "o", B, DT_SINGLELINE | DT_BOTTOM | DT_NOPREFIX);
    C.Font()->Assign(&Saved);
  }
  L.X += kListStep;
  L.HasContent = true;
  return TTagEnd::Go;
}

void THtmlRun::ParagraphTag(const String& TagText, const String& Up, TCursor& L) {
  if (Contains(Up, "RIGHT")) State.Align = taRightJustify;
  else if (Contains(Up, "LEFT")) State.Align = taLeftJustify;
  else if (Contains(Up, "CENTER")) State.Align = taCenter;
  String Indent = Attribute(TagText, Up, "INDENT");
  if (!Indent.empty()) State.Indent = ToInt(Indent, 0, -kMaxIndent, kMaxIndent);
  L.Info.Align = State.Align;
  L.Info.Indent = State.Indent;
  String Bg = Attribute(TagText, Up, "BGCOLOR");
  if (Bg.empty()) return;
  State.ParaBg = ParseColor(Bg);
  String To = Attribute(TagText, Up, "BGCOLORTO");
  State.ParaBgTo = To.empty() || P.Build == THtmlBuild::Reduced ? clHtmlNoColor : ParseColor(To);
  if (!L.Drawing()) return;
  TRect Strip = Rect(P.Rect.Left, L.Y, P.Rect.Right, L.BoxBottom());
  if (State.ParaBgTo != clHtmlNoColor) {
    GradientFill(C, Strip, State.ParaBg, State.ParaBgTo, 64);
  } else {
    C.Brush()->SetColor(State.ParaBg);
    C.FillRect(Strip);
  }
}

// SH, SUB, SUP and S.
void THtmlRun::STag(const String& Up) {
  char Second = Up.size() > 1 ? Up[1] : ' ';
  if (Second == 'H') State.Shadow = true;
  else if (Second == 'U' && Up.size() > 2 && Up[2] == 'B') State.Sub = true;
  else if (Second == 'U' && Up.size() > 2 && Up[2] == 'P') State.Sup = true;
  else SetFontStyle(fsStrikeOut, true);
}

void THtmlRun::CloseLink(TCursor& L) {
  if (!State.InLink) return;
  if (!State.LinkSavedUnderline) SetFontStyle(fsUnderline, false);
  State.TextBg = State.LinkSavedBg;
  C.Font()->SetColor(State.LinkSavedFont);
  TRect LinkRect = AddLinkPiece(L);
  if (!L.Measuring() && State.LinkIndex == P.FocusLink) {
    R.FocusAnchor = State.Href;
    if (L.Drawing()) C.DrawFocusRect(Rect(LinkRect.Left - 1, LinkRect.Top, LinkRect.Right + 1, LinkRect.Bottom));
  }
  State.InLink = false;
}

// The part of the open link on the current line, up to the pen; the hover
// link's rectangle grows by it, so that a link wrapped over several lines
// is one rectangle around all of them.
TRect THtmlRun::AddLinkPiece(TCursor& L) {
  TRect Piece = Rect(State.LinkStartX, L.Y, L.X, L.Measuring() ? L.Y + L.Info.Height : L.BoxBottom());
  if (L.Measuring() || State.LinkIndex != P.HoverLink || Piece.Right <= Piece.Left) return Piece;
  if (IsRectEmpty(R.HoverRect))
    R.HoverRect = Piece;
  else
    UnionRect(R.HoverRect, R.HoverRect, Piece);
  return Piece;
}

void THtmlRun::CloseTag(const String& Up, TCursor& L) {
  char Second = Up.size() > 1 ? Up[1] : ' ';
  TFont* F = C.Font();
  switch (Up.empty() ? ' ' : Up[0]) {
    case 'A': CloseLink(L); return;
    case 'B':
      if (Second == ' ') SetFontStyle(fsBold, false);
      else F->SetColor(FStartFont.Color());
      return;
    case 'E': State.Wavy = false; return;
    case 'F':
      // Back to the font the line started with, not the one before the tag.
      F->SetName(FLineFont.Name());
      F->SetHeight(FLineFont.Height());
      F->SetColor(FLineFont.Color());
      State.TextBg = FLineTextBg;
      return;
    case 'H':
      if (Second == 'I') {
        F->SetColor(State.HiSavedFont);
        State.TextBg = State.HiSavedBg;
      }
      return;
    case 'I': SetFontStyle(fsItalic, false); return;
    // The paragraph's alignment and indent stay for the lines after it.
    case 'P': State.ParaBg = State.ParaBgTo = clHtmlNoColor; return;
    case 'R': F->SetOrientation(0); return;
    case 'S':
      if (Second == 'H') State.Shadow = false;
      else if (Second == 'U') State.Sub = State.Sup = false;
      else SetFontStyle(fsStrikeOut, false);
      return;
    case 'U':
      if (Second == 'L' && State.ListLevel > 0) State.ListLevel--;
      else SetFontStyle(fsUnderline, false);
      return;
    case 'Z': State.Hidden = false; return;
    default: return;
  }
}

// ---- Pictures and the page background --------------------------------------------------------

THtmlRun::TTagEnd THtmlRun::Picture(const String& TagText, const String& Up, TCursor& L) {
  State.PictureCounter++;
  String Src = Attribute(TagText, Up, "SRC");
  TPictureSource Pic = FindPictureSource(Src);
  SizePicture(Pic, TagText, Up);
  if (Pic.Width == 0 || Pic.Height == 0) return TTagEnd::Go;
  if (L.HasContent && L.X + Pic.Width > P.Rect.Right && P.Rect.Width() > Pic.Width) return TTagEnd::EndBefore;
  L.Info.Height = std::max(L.Info.Height, Pic.Height);
  if (Contains(Up, "\"TOP")) L.RaiseMode = 1;
  else if (Contains(Up, "\"MIDDLE")) L.RaiseMode = 2;
  Integer Top = L.Measuring() ? L.Y : L.Y + L.Measured.SupExtra + L.Measured.Height - Pic.Height;
  TRect Cell = Rect(L.X, Top, L.X + Pic.Width, Top + Pic.Height);
  if (!L.Measuring() && PtInRect(Cell, Point(P.MouseX, P.MouseY))) {
    R.OnImage = true;
    R.ImageAlt = Attribute(TagText, Up, "ALT");
  }
  if (L.Drawing()) DrawPicture(Pic, Src, Cell);
  L.X += Pic.Width;
  L.HasContent = true;
  L.EndsInBlank = false;
  return TTagEnd::Go;
}

THtmlRun::TPictureSource THtmlRun::FindPictureSource(const String& Src) {
  TPictureSource Pic;
  String SrcUp = UpperCase(Src);
  if (SrcUp.rfind("IDX:", 0) == 0) {
    Integer N = StrToIntDef(Trim(Src.substr(4)), -1);
    if (P.Images && N >= 0 && N < P.Images->Count()) {
      Pic.ListIndex = N;
      Pic.Width = P.Images->Width();
      Pic.Height = P.Images->Height();
    }
    return Pic;
  }
  if (SrcUp.rfind("SSYS:", 0) == 0 || SrcUp.rfind("LSYS:", 0) == 0) {
    Pic.Shell = SrcUp[0] == 'S' ? 1 : 2;
    Pic.Width = Pic.Height = Pic.Shell == 1 ? 16 : 32;
    return Pic;
  }
  if (P.Build != THtmlBuild::Full || Src.empty()) return Pic;
  TMarkupPicture* Found = nullptr;
  if (Src.find("://") != String::npos && P.Cache) {
    Found = P.Cache->FindPictureByID(Src);
    if (!Found) {
      Found = P.Cache->AddPicture();
      Found->Asynch = false;
      try {
        Found->LoadFromURL(Src);
      } catch (const Exception&) {
        // A picture that cannot be read stays empty and is not drawn.
      }
      Found->ID = Src;
    }
  } else if (Src.find(':') == String::npos) {
    Found = FindPicture(P.Pictures, Src);
  }
  if (Found && !Found->Empty()) {
    Pic.Graphic = Found;
    Pic.Width = Found->Width();
    Pic.Height = Found->Height();
  }
  return Pic;
}

void THtmlRun::SizePicture(TPictureSource& Pic, const String& TagText, const String& Up) {
  bool Known = Pic.Width > 0 || Pic.Graphic || Pic.ListIndex >= 0 || Pic.Shell;
  Integer AW = StrToIntDef(Trim(Attribute(TagText, Up, "WIDTH")), 0);
  Integer AH = StrToIntDef(Trim(Attribute(TagText, Up, "HEIGHT")), 0);
  if (AW >= 1 && AH >= 1 && Known) {
    Pic.Width = AW;
    Pic.Height = AH;
  }
  if (Pic.Graphic) {
    // Pictures are made for 96 pixels per inch; the canvas's font carries
    // the canvas's resolution.
    Integer Ppi = C.Font()->PixelsPerInch();
    Pic.Width = MulDiv(Pic.Width, Ppi, 96);
    Pic.Height = MulDiv(Pic.Height, Ppi, 96);
  } else if (P.PrintMode && Known) {
    Pic.Width = Integer(std::lround(Pic.Width * P.ResFactor));
    Pic.Height = Integer(std::lround(Pic.Height * P.ResFactor));
  }
  Pic.Width = std::clamp<Integer>(Pic.Width, 0, kMaxPicture);
  Pic.Height = std::clamp<Integer>(Pic.Height, 0, kMaxPicture);
}

void THtmlRun::DrawPicture(const TPictureSource& Pic, const String& Src, const TRect& Cell) {
  if (Pic.Graphic) {
    // Frames of an animated picture leave parts of their cell open.
    if (Pic.Graphic->FrameCount() > 1) {
      C.Brush()->SetColor(FStartBrushColor);
      C.FillRect(Cell);
    }
    Pic.Graphic->Draw(C, Cell);
    return;
  }
  if (!P.PrintMode) {
    if (Pic.ListIndex >= 0) P.Images->Draw(&C, Cell.Left, Cell.Top, Pic.ListIndex, true);
    else if (Pic.Shell) DrawShellIcon(C, Cell.Left, Cell.Top, Src.substr(5), Pic.Shell == 2);
    return;
  }
  // On a printer the picture is drawn at its own size into a bitmap, which
  // is stretched by the resolution factor onto the page.
  Integer W = Pic.ListIndex >= 0 ? P.Images->Width() : Pic.Shell == 2 ? 32 : 16;
  Integer H = Pic.ListIndex >= 0 ? P.Images->Height() : W;
  TBitmap B;
  B.SetSize(W, H);
  B.Canvas()->Brush()->SetColor(FStartBrushColor);
  B.Canvas()->FillRect(Rect(0, 0, W, H));
  if (Pic.ListIndex >= 0) P.Images->Draw(B.Canvas(), 0, 0, Pic.ListIndex, true);
  else DrawShellIcon(*B.Canvas(), 0, 0, Src.substr(5), Pic.Shell == 2);
  StretchBitmap(C, Cell, &B);
}

void THtmlRun::DrawBody(const String& TagText) {
  String Up = UpperCase(TagText);
  String Bg = Attribute(TagText, Up, "BGCOLOR");
  if (!Bg.empty()) {
    C.Brush()->SetColor(ParseColor(Bg));
    C.FillRect(P.Rect);
  }
  String Back = Attribute(TagText, Up, "BACKGROUND");
  if (Back.empty() || P.Build == THtmlBuild::Reduced) return;
  TMarkupPicture* Pic =
      Back.find("://") != String::npos && P.Cache ? P.Cache->FindPictureByID(Back) : FindPicture(P.Pictures, Back);
  if (!Pic || Pic->Empty() || Pic->Width() <= 0 || Pic->Height() <= 0) return;
  C.SaveDC();
  C.IntersectClipRect(P.Rect.Left, P.Rect.Top, P.Rect.Right, P.Rect.Bottom);
  for (Integer Y = P.Rect.Top; Y < P.Rect.Bottom; Y += Pic->Height())
    for (Integer X = P.Rect.Left; X < P.Rect.Right; X += Pic->Width())
      Pic->Draw(C, Rect(X, Y, X + Pic->Width(), Y + Pic->Height()));
  C.RestoreDC(-1);
}

}  // namespace html_detail
