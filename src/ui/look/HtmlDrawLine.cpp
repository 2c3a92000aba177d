// HtmlDraw: one line of mark-up, its segments, tags and pictures.
#include <algorithm>
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
      size_t Fit = FittingPrefix(Text.substr(Pos, Next - Pos), P.Rect.Right - L.X);
      if (L.HasContent && (Fit == 0 || P.Rect.Right - L.X <= C.TextWidth("W"))) break;
      Next = Pos + std::max<size_t>(Fit, Utf8CharLength(Text, Pos));
      Seg = ReplaceSegmentEntities(Text.substr(Pos, Next - Pos));
    }
    Pos = Next;
    Segment(Seg, L);
  }
  if (L.Measuring()) {
    L.Info.Width = L.X - L.Left;
    Integer Free = L.Info.Height - TextHeightGh();
    L.Info.Raise = L.RaiseMode == 1 ? Free : L.RaiseMode == 2 ? Free / 2 : 0;
  }
  return L.Info;
}

size_t THtmlRun::Utf8CharLength(const String& Text, size_t Pos) {
  size_t End = Pos + 1;
  while (End < Text.size() && (Byte(Text[End]) & 0xC0) == 0x80) ++End;
  // An entity stays whole.
  if (Text[Pos] == '&') {
    size_t Semi = Text.find(';', Pos);
    if (Semi != String::npos && Semi - Pos <= 8) End = Semi + 1;
  }
  return End - Pos;
}

size_t THtmlRun::FittingPrefix(const String& Raw, Integer Room) {
  std::vector<size_t> Ends;
  for (size_t End = 0; End < Raw.size();) Ends.push_back(End += Utf8CharLength(Raw, End));
  // The width grows with the prefix: search the last end that fits.
  size_t Lo = 0, Hi = Ends.size();
  while (Lo < Hi) {
    size_t Mid = (Lo + Hi) / 2;
    if (C.TextWidth(ReplaceSegmentEntities(Raw.substr(0, Ends[Mid]))) <= Room) Lo = Mid + 1;
    else Hi = Mid;
  }
  return Lo == 0 ? 0 : Ends[Lo - 1];
}

void THtmlRun::Segment(const String& Text, TCursor& L) {
  R.PlainText += Text;
  if (State.Hidden || Text.empty()) return;
  TRect Calc = Rect(0, 0, 0, 0);
  // The whole segment is measured; only drawing cuts it with an ellipsis.
  DrawText(C, Text, Calc, (TextFlags(Text) & ~(DT_END_ELLIPSIS | DT_PATH_ELLIPSIS)) | DT_CALCRECT);
  Integer W = Calc.Width(), H = Calc.Height();
  L.Info.Height = std::max(L.Info.Height, H);
  if (State.Sub) L.Info.SubExtra = std::max(L.Info.SubExtra, H / 4);
  if (State.Sup) L.Info.SupExtra = std::max(L.Info.SupExtra, H / 4);
  TRect Box = Rect(L.X, L.Y, L.X + W, L.Y + (L.Measuring() ? L.Info.Height : L.BoxBottom() - L.Y));
  if (!L.Measuring() && State.InLink && P.MouseX >= Box.Left && P.MouseX < Box.Right && P.MouseY >= Box.Top &&
      P.MouseY < Box.Bottom) {
    R.OnLink = true;
    R.Anchor = State.Href;
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
  char First = Up.empty() ? ' ' : Up[0];
  char Second = Up.size() > 1 ? Up[1] : ' ';
  TFont* F = C.Font();
  auto SetStyle = [F](TFontStyle S, bool On) {
    TFontStyles St = F->Style();
    if (On)
      St.Include(S);
    else
      St.Exclude(S);
    F->SetStyle(St);
  };
  switch (First) {
    case 'A': {
      State.LinkCounter++;
      State.InLink = true;
      State.LinkIndex = State.LinkCounter - 1;
      State.LinkSavedFont = F->Color();
      State.LinkSavedBg = State.TextBg;
      State.LinkSavedUnderline = F->Style().Contains(fsUnderline);
      bool Hovered = State.LinkIndex == P.HoverLink;
      if (!(P.HoverMode && !Hovered)) {
        SetStyle(fsUnderline, true);
        if (P.HoverColor != clHtmlNoColor) State.TextBg = P.HoverColor;
        if (P.HoverFontColor != clHtmlNoColor) F->SetColor(P.HoverFontColor);
      }
      if (!P.KeepColors && !(P.HoverMode && Hovered && P.HoverFontColor != clHtmlNoColor)) F->SetColor(P.URLColor);
      State.Href = Attribute(TagText, Up, "HREF");
      State.LinkStartX = L.X;
      return TTagEnd::Go;
    }
    case 'B':
      if (Second == 'R') {
        R.PlainText += "\r";
        return TTagEnd::EndLine;
      }
      if (Second == 'L') {
        if (!P.BlinkPhase) F->SetColor(FStartBrushColor);
        return TTagEnd::Go;
      }
      if (Second == 'O') {
        if (L.Drawing()) DrawBody(TagText);
        return TTagEnd::Go;
      }
      SetStyle(fsBold, true);
      return TTagEnd::Go;
    case 'E':
      State.Wavy = true;
      return TTagEnd::Go;
    case 'F': {
      String Face = Attribute(TagText, Up, "FACE");
      if (!Face.empty()) F->SetName(Face);
      String Color = Attribute(TagText, Up, "COLOR");
      if (!Color.empty() && !P.KeepColors) F->SetColor(ParseColor(Color));
      String Bg = Attribute(TagText, Up, "BGCOLOR");
      if (!Bg.empty() && !P.KeepColors && !L.Measuring()) State.TextBg = ParseColor(Bg);
      String Size = Attribute(TagText, Up, "SIZE");
      if (!Size.empty()) {
        static const Integer kSizes[] = {8, 10, 12, 14, 16};
        Integer N = StrToIntDef(Trim(Size), 0);
        if (N >= 1 && N <= 5) F->SetSize(kSizes[N - 1]);
        else if (N != 0) F->SetSize(std::clamp<Integer>(N, 1, kMaxPoints));
      }
      return TTagEnd::Go;
    }
    case 'H':
      if (Second == 'I') {
        State.HiSavedFont = F->Color();
        State.HiSavedBg = State.TextBg;
        State.TextBg = clHighlight;
        F->SetColor(clHighlightText);
        return TTagEnd::Go;
      }
      if (Second == 'R') {
        if (L.Drawing()) {
          TColor Saved = C.Pen()->Color();
          C.Pen()->SetColor(clBlack);
          Integer Yl = L.BoxBottom() + 1;
          C.MoveTo(P.Rect.Left, Yl);
          C.LineTo(P.Rect.Right, Yl);
          C.Pen()->SetColor(Saved);
        }
        R.PlainText += "\r";
        return TTagEnd::EndLine;
      }
      return TTagEnd::Go;
    case 'I':
      if (Second == 'N') {
        Integer To = P.Rect.Left + ToInt(Attribute(TagText, Up, "X"), 0, 0, kMaxIndent);
        if (L.X < To) L.X = To;
        return TTagEnd::Go;
      }
      if (Second == 'M') return Picture(TagText, Up, L);
      SetStyle(fsItalic, true);
      return TTagEnd::Go;
    case 'L':
      if (Second == 'I') {
        if (L.SeenItem) return TTagEnd::EndBefore;
        L.SeenItem = true;
        L.X += std::max<Integer>(0, State.ListLevel - 1) * kListStep;
        if (L.Drawing()) {
          TFont Saved;
          Saved.Assign(F);
          F->SetName("Symbol");
          C.SetBkMode(TRANSPARENT);
          TRect B = Rect(L.X, L.Y, L.X + kListStep, L.Baseline());
          DrawText(C, State.ListLevel % 2 == 1 ? "\u2022" : "o", B, DT_SINGLELINE | DT_BOTTOM | DT_NOPREFIX);
          F->Assign(&Saved);
        }
        L.X += kListStep;
        L.HasContent = true;
      }
      return TTagEnd::Go;
    case 'P': {
      if (Contains(Up, "RIGHT")) State.Align = taRightJustify;
      else if (Contains(Up, "LEFT")) State.Align = taLeftJustify;
      else if (Contains(Up, "CENTER")) State.Align = taCenter;
      String Indent = Attribute(TagText, Up, "INDENT");
      if (!Indent.empty()) State.Indent = ToInt(Indent, 0, -kMaxIndent, kMaxIndent);
      String Bg = Attribute(TagText, Up, "BGCOLOR");
      if (!Bg.empty()) {
        State.ParaBg = ParseColor(Bg);
        String To = Attribute(TagText, Up, "BGCOLORTO");
        State.ParaBgTo = To.empty() || P.Build == THtmlBuild::Reduced ? clHtmlNoColor : ParseColor(To);
        if (L.Drawing()) {
          TRect Strip = Rect(P.Rect.Left, L.Y, P.Rect.Right, L.BoxBottom());
          if (State.ParaBgTo != clHtmlNoColor) {
            GradientFill(C, Strip, State.ParaBg, State.ParaBgTo, 64);
          } else {
            C.Brush()->SetColor(State.ParaBg);
            C.FillRect(Strip);
          }
        }
      }
      L.Info.Align = State.Align;
      L.Info.Indent = State.Indent;
      return TTagEnd::Go;
    }
    case 'R': {
      Integer A = ToInt(Attribute(TagText, Up, "A"), 0, -3600, 3600);
      F->SetOrientation(A * 10);
      return TTagEnd::Go;
    }
    case 'S':
      if (Second == 'H') State.Shadow = true;
      else if (Second == 'U' && Up.size() > 2 && Up[2] == 'B') State.Sub = true;
      else if (Second == 'U' && Up.size() > 2 && Up[2] == 'P') State.Sup = true;
      else SetStyle(fsStrikeOut, true);
      return TTagEnd::Go;
    case 'U':
      if (Second == 'L') {
        State.ListLevel++;
        return TTagEnd::EndLine;
      }
      SetStyle(fsUnderline, true);
      return TTagEnd::Go;
    case 'Z':
      State.Hidden = true;
      return TTagEnd::Go;
    default:
      return TTagEnd::Go;
  }
}

void THtmlRun::CloseTag(const String& Up, TCursor& L) {
  char First = Up.empty() ? ' ' : Up[0];
  char Second = Up.size() > 1 ? Up[1] : ' ';
  TFont* F = C.Font();
  auto Off = [F](TFontStyle S) {
    TFontStyles St = F->Style();
    St.Exclude(S);
    F->SetStyle(St);
  };
  switch (First) {
    case 'A': {
      if (!State.InLink) return;
      if (!State.LinkSavedUnderline) Off(fsUnderline);
      State.TextBg = State.LinkSavedBg;
      F->SetColor(State.LinkSavedFont);
      TRect LinkRect = Rect(State.LinkStartX, L.Y, L.X, L.Measuring() ? L.Y + L.Info.Height : L.BoxBottom());
      if (!L.Measuring() && State.LinkIndex == P.HoverLink) R.HoverRect = LinkRect;
      if (!L.Measuring() && State.LinkIndex == P.FocusLink) {
        R.FocusAnchor = State.Href;
        if (L.Drawing()) C.DrawFocusRect(Rect(LinkRect.Left - 1, LinkRect.Top, LinkRect.Right + 1, LinkRect.Bottom));
      }
      State.InLink = false;
      return;
    }
    case 'B':
      if (Second == ' ') Off(fsBold);
      else F->SetColor(FStartFont.Color());
      return;
    case 'E': State.Wavy = false; return;
    case 'F':
      F->SetName(FStartFont.Name());
      F->SetHeight(FStartFont.Height());
      F->SetColor(FStartFont.Color());
      State.TextBg = clHtmlNoColor;
      return;
    case 'H':
      if (Second == 'I') {
        F->SetColor(State.HiSavedFont);
        State.TextBg = State.HiSavedBg;
      }
      return;
    case 'I': Off(fsItalic); return;
    case 'P':
      State.ParaBg = State.ParaBgTo = clHtmlNoColor;
      State.Align = taLeftJustify;
      State.Indent = 0;
      return;
    case 'R': F->SetOrientation(0); return;
    case 'S':
      if (Second == 'H') State.Shadow = false;
      else if (Second == 'U') State.Sub = State.Sup = false;
      else Off(fsStrikeOut);
      return;
    case 'U':
      if (Second == 'L') {
        if (State.ListLevel > 0) State.ListLevel--;
        else Off(fsUnderline);
      } else {
        Off(fsUnderline);
      }
      return;
    case 'Z': State.Hidden = false; return;
    default: return;
  }
}

// ---- Pictures and the page background --------------------------------------------------------

THtmlRun::TTagEnd THtmlRun::Picture(const String& TagText, const String& Up, TCursor& L) {
  State.PictureCounter++;
  String Src = Attribute(TagText, Up, "SRC");
  String SrcUp = UpperCase(Src);
  Integer W = 0, H = 0;
  TGraphic* Graphic = nullptr;
  Integer ListIndex = -1;
  int Shell = 0;  // 1 small, 2 large
  if (SrcUp.rfind("IDX:", 0) == 0) {
    Integer N = StrToIntDef(Trim(Src.substr(4)), -1);
    if (P.Images && N >= 0 && N < P.Images->Count()) {
      ListIndex = N;
      W = P.Images->Width();
      H = P.Images->Height();
    }
  } else if (SrcUp.rfind("SSYS:", 0) == 0 || SrcUp.rfind("LSYS:", 0) == 0) {
    Shell = SrcUp[0] == 'S' ? 1 : 2;
    W = H = Shell == 1 ? 16 : 32;
  } else if (P.Build == THtmlBuild::Full && !Src.empty()) {
    TMarkupPicture* Pic = nullptr;
    if (Src.find("://") != String::npos && P.Cache) {
      Pic = P.Cache->FindPictureByID(Src);
      if (!Pic) {
        Pic = P.Cache->AddPicture();
        Pic->Asynch = false;
        try {
          Pic->LoadFromURL(Src);
        } catch (const Exception&) {
          // A picture that cannot be read stays empty and is not drawn.
        }
        Pic->ID = Src;
      }
    } else if (Src.find(':') == String::npos) {
      Pic = FindPicture(P.Pictures, Src);
    }
    if (Pic && !Pic->Empty()) {
      Graphic = Pic;
      W = Pic->Width();
      H = Pic->Height();
    }
  }
  Integer AW = StrToIntDef(Trim(Attribute(TagText, Up, "WIDTH")), 0);
  Integer AH = StrToIntDef(Trim(Attribute(TagText, Up, "HEIGHT")), 0);
  if (AW >= 1 && AH >= 1 && (W > 0 || Graphic || ListIndex >= 0 || Shell)) {
    W = AW;
    H = AH;
  }
  W = std::clamp<Integer>(W, 0, kMaxPicture);
  H = std::clamp<Integer>(H, 0, kMaxPicture);
  if (W == 0 || H == 0) return TTagEnd::Go;
  if (L.HasContent && L.X + W > P.Rect.Right && P.Rect.Width() > W) return TTagEnd::EndBefore;
  L.Info.Height = std::max(L.Info.Height, H);
  if (Contains(Up, "\"TOP")) L.RaiseMode = 1;
  else if (Contains(Up, "\"MIDDLE")) L.RaiseMode = 2;
  Integer Top = L.Measuring() ? L.Y : L.Y + L.Measured.SupExtra + L.Measured.Height - H;
  TRect Cell = Rect(L.X, Top, L.X + W, Top + H);
  if (!L.Measuring() && P.MouseX >= Cell.Left && P.MouseX < Cell.Right && P.MouseY >= Cell.Top &&
      P.MouseY < Cell.Bottom) {
    R.OnImage = true;
    R.ImageAlt = Attribute(TagText, Up, "ALT");
  }
  if (L.Drawing()) {
    if (ListIndex >= 0)
      P.Images->Draw(&C, Cell.Left, Cell.Top, ListIndex, true);
    else if (Shell)
      DrawShellIcon(C, Cell.Left, Cell.Top, Src.substr(5), Shell == 2);
    else if (Graphic)
      Graphic->Draw(C, Cell);
  }
  L.X += W;
  L.HasContent = true;
  L.EndsInBlank = false;
  return TTagEnd::Go;
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
