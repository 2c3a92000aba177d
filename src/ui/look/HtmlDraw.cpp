// HtmlDraw: helpers, entity replacement and the line loop. The line
// routine with the tags is in HtmlDrawLine.cpp.
#include "ui/look/HtmlDraw.h"

#include <algorithm>
#include <cstring>

#include "platform/rtl/sysutils.h"
#include "ui/look/HtmlDrawLine.h"

namespace {

char UpAscii(char C) { return (C >= 'a' && C <= 'z') ? char(C - 'a' + 'A') : C; }

bool StartsNoCase(const String& S, size_t Pos, const char* Word) {
  for (size_t K = 0; Word[K]; ++K)
    if (Pos + K >= S.size() || UpAscii(S[Pos + K]) != UpAscii(Word[K])) return false;
  return true;
}

struct TEntity {
  const char* Name;
  const char* Text;
};

// Entities replaced in the whole text before layout ("&amp;" apart).
const TEntity kTextEntities[] = {{"&quot;", "\""}, {"&sect;", "\u00A7"}, {"&permil;", "\u2030"},
                                 {"&reg;", "\u00AE"}, {"&copy;", "\u00A9"}, {"&para;", "\u00B6"},
                                 {"&trade;", "\u2122"}, {"&euro;", "\u20AC"}};
// Entities replaced in each segment just before it is drawn.
const TEntity kSegmentEntities[] = {{"&nbsp;", " "}, {"&lt;", "<"}, {"&gt;", ">"}};

int HexDigit(char C) {
  if (C >= '0' && C <= '9') return C - '0';
  C = UpAscii(C);
  if (C >= 'A' && C <= 'F') return C - 'A' + 10;
  return 0;
}

}  // namespace

// ---- Helpers ---------------------------------------------------------------------------------

TColor HtmlColorToColor(const String& Value) {
  String V = Value;
  size_t Hash = V.find('#');
  V = Hash == String::npos ? V : V.substr(Hash + 1);
  int D[6] = {0, 0, 0, 0, 0, 0};
  for (size_t I = 0; I < 6 && I < V.size(); ++I) D[I] = HexDigit(V[I]);
  return TColor((D[0] * 16 + D[1]) | ((D[2] * 16 + D[3]) << 8) | ((D[4] * 16 + D[5]) << 16));
}

TColor ColorNameToColor(const String& Name) {
  static const std::pair<const char*, TColor> kNames[] = {
      {"CLRED", RGB(255, 0, 0)}, {"CLBLACK", RGB(0, 0, 0)}, {"CLBLUE", RGB(0, 0, 255)},
      {"CLGREEN", RGB(0, 128, 0)}, {"CLAQUA", RGB(0, 255, 255)}, {"CLYELLOW", RGB(255, 255, 0)},
      {"CLFUCHSIA", RGB(255, 0, 255)}, {"CLWHITE", RGB(255, 255, 255)}, {"CLLIME", RGB(0, 255, 0)},
      {"CLSILVER", RGB(192, 192, 192)}, {"CLGRAY", RGB(128, 128, 128)}, {"CLOLIVE", RGB(128, 128, 0)},
      {"CLNAVY", RGB(0, 0, 128)}, {"CLPURPLE", RGB(128, 0, 128)}, {"CLTEAL", RGB(0, 128, 128)},
      {"CLMAROON", RGB(128, 0, 0)}, {"CLBACKGROUND", clBackground}, {"CLACTIVECAPTION", clActiveCaption},
      {"CLINACTIVECAPTION", clInactiveCaption}, {"CLMENU", clMenu}, {"CLWINDOW", clWindow},
      {"CLWINDOWFRAME", clWindowFrame}, {"CLMENUTEXT", clMenuText}, {"CLWINDOWTEXT", clWindowText},
      {"CLCAPTIONTEXT", clCaptionText}, {"CLACTIVEBORDER", clActiveBorder},
      {"CLINACTIVEBORDER", clInactiveBorder}, {"CLAPPWORKSPACE", clAppWorkSpace},
      {"CLHIGHLIGHT", clHighlight}, {"CLHIGHLIGHTTEXT", clHighlightText}, {"CLBTNFACE", clBtnFace},
      {"CLBTNSHADOW", clBtnShadow}, {"CLGRAYTEXT", clGrayText}, {"CLBTNTEXT", clBtnText},
      {"CLINACTIVECAPTIONTEXT", clInactiveCaptionText}, {"CLBTNHIGHLIGHT", clBtnHighlight},
      {"CL3DDKSHADOW", cl3DDkShadow}, {"CL3DLIGHT", cl3DLight}, {"CLINFOTEXT", clInfoText},
      {"CLINFOBK", clInfoBk}};
  String Up = Name;
  std::transform(Up.begin(), Up.end(), Up.begin(), UpAscii);
  for (const auto& [N, C] : kNames)
    if (Up == N) return C;
  return clBlack;
}

size_t PosNoCase(const String& Sub, const String& S) {
  if (Sub.empty() || Sub.size() > S.size()) return String::npos;
  for (size_t I = 0; I + Sub.size() <= S.size(); ++I) {
    size_t K = 0;
    while (K < Sub.size() && UpAscii(S[I + K]) == UpAscii(Sub[K])) ++K;
    if (K == Sub.size()) return I;
  }
  return String::npos;
}

bool ReplaceFirstNoCase(String& S, const String& Find, const String& ReplaceWith) {
  size_t P = PosNoCase(Find, S);
  if (P == String::npos) return false;
  S.replace(P, Find.size(), ReplaceWith);
  return true;
}

String CrToBr(const String& S) {
  String Out;
  Out.reserve(S.size());
  for (char C : S) {
    if (C == '\n') continue;
    if (C == '\r')
      Out += "<BR>";
    else
      Out += C;
  }
  return Out;
}

namespace html_detail {

String ReplaceTextEntities(const String& Text, bool Full) {
  if (Text.find('&') == String::npos) return Text;
  String In = Text, Out;
  Out.reserve(In.size());
  for (size_t I = 0; I < In.size();) {
    if (In[I] != '&') {
      Out += In[I++];
      continue;
    }
    if (StartsNoCase(In, I, "&amp;")) {
      // The ampersand that results may start another entity with the text
      // after it: it is read again in place of the ";".
      if (Full) Out += '&';
      In[I + 4] = '&';
      I += 4;
      continue;
    }
    bool Done = false;
    for (const TEntity& E : kTextEntities) {
      if (!StartsNoCase(In, I, E.Name)) continue;
      Out += E.Text;
      I += strlen(E.Name);
      Done = true;
      break;
    }
    if (!Done) Out += In[I++];
  }
  return Out;
}

String ReplaceSegmentEntities(const String& Segment) {
  if (Segment.find('&') == String::npos) return Segment;
  String Out;
  for (size_t I = 0; I < Segment.size();) {
    bool Done = false;
    for (const TEntity& E : kSegmentEntities) {
      if (!StartsNoCase(Segment, I, E.Name)) continue;
      Out += E.Text;
      I += strlen(E.Name);
      Done = true;
      break;
    }
    if (!Done) Out += Segment[I++];
  }
  return Out;
}

}  // namespace html_detail

String HtmlToPlainText(const String& Html, const String& LineBreak) {
  String Text = html_detail::ReplaceTextEntities(CrToBr(Html), false);
  String Out;
  for (size_t I = 0; I < Text.size();) {
    if (Text[I] != '<') {
      size_t Next = std::min(Text.find('<', I), Text.size());
      Out += html_detail::ReplaceSegmentEntities(Text.substr(I, Next - I));
      I = Next;
      continue;
    }
    size_t Close = Text.find('>', I);
    if (Close == String::npos) break;
    String Tag = UpperCase(Text.substr(I + 1, std::min<size_t>(Close - I - 1, 3)));
    if (Tag.rfind("BR", 0) == 0 || Tag.rfind("HR", 0) == 0 || Tag.rfind("LI", 0) == 0 ||
        Tag.rfind("UL", 0) == 0 || Tag == "/P" || Tag == "/LI")
      Out += LineBreak;
    I = Close + 1;
  }
  return Out;
}

void GradientFill(TCanvas& Canvas, const TRect& R, TColor FromColor, TColor ToColor, Integer Steps) {
  if (Steps < 1 || R.Width() <= 0 || R.Height() <= 0) return;
  TColorRef A = ColorToRGB(FromColor), B = ColorToRGB(ToColor);
  auto Channel = [](TColorRef C, int Shift) { return Integer((C >> Shift) & 0xFF); };
  TColor Saved = Canvas.Brush()->Color();
  for (Integer S = 0; S < Steps; ++S) {
    Integer L = R.Left + Integer(Int64(R.Width()) * S / Steps);
    Integer Rt = R.Left + Integer(Int64(R.Width()) * (S + 1) / Steps);
    if (Rt <= L) continue;
    auto Mix = [&](int Shift) {
      return Channel(A, Shift) + (Channel(B, Shift) - Channel(A, Shift)) * S / std::max<Integer>(1, Steps - 1);
    };
    Canvas.Brush()->SetColor(RGB(Mix(0), Mix(8), Mix(16)));
    Canvas.FillRect(Rect(L, R.Top, Rt, R.Bottom));
  }
  Canvas.Brush()->SetColor(Saved);
}

void StretchBitmap(TCanvas& Canvas, const TRect& R, TBitmap* Bitmap) {
  if (!Bitmap || Bitmap->Empty()) return;
  Canvas.StretchBltSurface(R, Bitmap->PixelSurface(), Rect(0, 0, Bitmap->Width(), Bitmap->Height()), SRCCOPY);
}

// ---- The line loop ---------------------------------------------------------------------------

bool HtmlDraw(const THtmlDrawParams& P, THtmlDrawResult& Result) {
  Result = THtmlDrawResult();
  if (!P.Canvas) return false;
  html_detail::THtmlRun Run(P, Result);
  TCanvas& C = *P.Canvas;

  String Text = html_detail::ReplaceTextEntities(P.Text, P.Build == THtmlBuild::Full);
  // "<#...>": the brackets of the first such tag go, its text stays.
  size_t Hash = Text.find("<#");
  if (Hash != String::npos) {
    size_t Close = Text.find('>', Hash);
    if (Close != String::npos) {
      Text.erase(Close, 1);
      Text.erase(Hash, 1);
    }
  }
  Text = CrToBr(Text);

  size_t Pos = 0;
  Integer Y = P.Rect.Top;
  while (Pos < Text.size()) {
    // Measuring pass on the same state, thrown away afterwards.
    html_detail::TLineState Saved = Run.State;
    TFont LineFont;
    LineFont.Assign(C.Font());
    size_t MeasurePos = Pos;
    html_detail::TLineInfo Info = Run.Line(Text, MeasurePos, html_detail::TPass::Measure, P.Rect.Left, Y, html_detail::TLineInfo());
    // The second pass starts the line again from the same style; when only
    // measuring, the next line goes on from where this one ended.
    if (!P.MeasureOnly) {
      Run.State = Saved;
      C.Font()->Assign(&LineFont);
    }

    Integer X = P.Rect.Left;
    if (Info.Align == taRightJustify) {
      if (P.Rect.Right - Info.Width > P.Rect.Left) X = P.Rect.Right - Info.Width;
    } else if (Info.Align == taCenter) {
      Integer Dx = (P.Rect.Width() - Info.Width) / 2;
      if (Dx > 0) X = P.Rect.Left + Dx;
    }
    X += Info.Indent;
    Result.Width = std::max(Result.Width, Info.Width);
    Integer Advance = Info.Height + Info.SubExtra + Info.SupExtra;
    if (MeasurePos == Pos) break;  // nothing left that makes a line
    if (P.MeasureOnly) {
      Pos = MeasurePos;
    } else {
      Run.Line(Text, Pos, P.HitTestOnly ? html_detail::TPass::HitTest : html_detail::TPass::Draw, X, Y, Info);
      if (Pos < MeasurePos) Pos = MeasurePos;  // never fewer characters than measured
    }
    Y += Advance;
    Result.Height += Advance;
    if (!P.MeasureOnly && Y + Run.TextHeightGh() > P.Rect.Bottom) break;
  }
  if (Result.Height == 0) Result.Height = Run.TextHeightGh();
  Result.LinkCount = Run.State.LinkCounter;
  return Result.OnLink;
}
