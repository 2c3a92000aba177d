// IEditTools: the styled-text drawer.
#include <cstdlib>
#include <memory>
#include <vector>

#include "platform/rtl/charset.h"
#include "platform/rtl/sysutils.h"
#include "ui/controls/IEditTools.h"

namespace {

// Walks the text once, drawing or measuring as it goes.
class TStyledTextWriter {
 public:
  // Centre: the widths of the lines (from a measuring run) when each line
  // is to be centred.
  TStyledTextWriter(TCanvas* Canvas, const TRect& Bounds, TCustomImageList* Images, Cardinal Flags, bool Draw,
                    const std::vector<Integer>* Centre = nullptr)
      : FCanvas(Canvas), FBounds(Bounds), FImages(Images), FWordBreak(Flags & dsWordBreak),
        FEllipsis(Flags & dsEndEllipsis), FCodes(!(Flags & dsNoCodes)), FDraw(Draw), FCentre(Centre),
        FX(Bounds.Left), FY(Bounds.Top) {
    FLineRight = FLineLeft = Bounds.Left;
    FStart.Assign(Canvas->Font());
    FFont.Assign(Canvas->Font());
  }

  TRect Run(const String& Text) {
    size_t i = 0, n = Text.size();
    String Pending;
    while (i < n) {
      char C = Text[i];
      if (C == '\r' || C == '\n') {
        Flush(Pending);
        NewLine();
        i += (C == '\r' && i + 1 < n && Text[i + 1] == '\n') ? 2 : 1;
        continue;
      }
      if (C == '/' && i + 1 < n) {
        size_t Next = i;
        if (!FCodes) {
          if (Text[i + 1] == '}') {
            Flush(Pending);
            FCodes = true;
            i += 2;
            continue;
          }
        } else if (Code(Text, Next, Pending)) {
          i = Next;
          continue;
        }
      }
      Pending += C;
      ++i;
    }
    Flush(Pending);
    if (FLineStarted) EndLine();
    FCanvas->SetFont(&FStart);
    return Rect(FBounds.Left, FBounds.Top, FBounds.Left + FWidest, FBounds.Top + FTotalHeight);
  }
  // The width of each line of the last Run.
  const std::vector<Integer>& LineWidths() const { return FLineWidths; }

 private:
  // Reads the code at Text[i] ('/'); true (i past the code) when it is one.
  bool Code(const String& Text, size_t& i, String& Pending) {
    size_t p = i + 1;
    char K = Text[p];
    auto Flag = [&](TFontStyle S) {
      bool Off = p + 1 < Text.size() && Text[p + 1] == '0';
      Flush(Pending);
      TFontStyles St = FFont.Style();
      FFont.SetStyle(Off ? St.Exclude(S) : St.Include(S));
      i = p + (Off ? 2 : 1);
      return true;
    };
    String V;
    switch (K) {
      case '{':
        Flush(Pending);
        FCodes = false;
        i = p + 1;
        return true;
      case '#':
        Flush(Pending);
        NewLine();
        i = p + 1;
        return true;
      case 'b': return Flag(fsBold);
      case 'u': return Flag(fsUnderline);
      case 'i':
        if (p + 1 < Text.size() && String("mpdhns").find(Text[p + 1]) != String::npos &&
            Value(Text, p + 2, V, i)) {
          Flush(Pending);
          Image(Text[p + 1], V);
          return true;
        }
        return Flag(fsItalic);
      case 's':
        if (Value(Text, p + 1, V, i)) {
          Flush(Pending);
          Integer N = std::atoi(V.c_str());
          FFont.SetSize(!V.empty() && (V[0] == '+' || V[0] == '-') ? FFont.Size() + N : N);
          return true;
        }
        return Flag(fsStrikeOut);
      case 'c':
      case 'l': {
        if (!Value(Text, p + 1, V, i)) return false;
        Flush(Pending);
        TColor Col;
        if (!ParseColor(V, Col)) return true;
        if (K == 'c') FFont.SetColor(Col);
        else Line(Col);
        return true;
      }
      case 'f':
        if (p + 1 < Text.size() && Text[p + 1] == '0') {
          Flush(Pending);
          FFont.SetName(FStart.Name());
          i = p + 2;
          return true;
        }
        if (!Value(Text, p + 1, V, i)) return false;
        Flush(Pending);
        FFont.SetName(V);
        return true;
      case 'o': {
        if (p + 1 >= Text.size() || String("HhWw").find(Text[p + 1]) == String::npos) return false;
        if (!Value(Text, p + 2, V, i)) return false;
        Flush(Pending);
        Offset(Text[p + 1], V);
        return true;
      }
      default: return false;
    }
  }

  // Reads "{value}" at Text[p]; Next becomes the index after "}".
  static bool Value(const String& Text, size_t p, String& V, size_t& Next) {
    if (p >= Text.size() || Text[p] != '{') return false;
    size_t Close = Text.find('}', p + 1);
    if (Close == String::npos) return false;
    V = Text.substr(p + 1, Close - p - 1);
    Next = Close + 1;
    return true;
  }

  static bool ParseColor(const String& V, TColor& Col) {
    try {
      Col = StringToColor(Trim(V));
      return true;
    } catch (const Exception&) {
      return false;
    }
  }

  void Use() { FCanvas->SetFont(&FFont); }

  // The line's height comes from "Wg" in the font of its first character.
  void StartLine() {
    if (FLineStarted) return;
    FLineStarted = true;
    Use();
    FLineHeight = FCanvas->TextHeight("Wg");
    if (FCentre && FLineIndex < FCentre->size())
      FX += std::max<Integer>(0, (FBounds.Width() - (*FCentre)[FLineIndex]) / 2);
    FLineLeft = FX;
    FLineRight = FX;
  }
  void EndLine() {
    StartLine();
    FLineWidths.push_back(FLineRight - FLineLeft);
    FWidest = std::max(FWidest, FLineWidths.back());
    FTotalHeight += FLineHeight;
    FY += FLineHeight;
    FX = FLineLeft = FBounds.Left;
    FLineRight = FX;
    FLineStarted = false;
    FLineCut = false;
    ++FLineIndex;
  }
  void NewLine() { EndLine(); }
  void Advance(Integer W) {
    FX += W;
    FLineRight = std::max(FLineRight, FX);
  }

  void Flush(String& Pending) {
    if (Pending.empty()) return;
    String Text;
    Text.swap(Pending);
    if (FLineCut) return;  // the line ended in "..."
    StartLine();
    Use();
    while (!Text.empty()) {
      Integer W = FCanvas->TextWidth(Text);
      if (!FWordBreak && FEllipsis && FX + W > FBounds.Right) {
        PutCut(Text);
        FLineCut = true;
        return;
      }
      if (!FWordBreak || FX + W <= FBounds.Right) {
        Put(Text, W);
        return;
      }
      // Break after the last blank that fits, else move to a new line, or
      // as a last resort cut the word where the line ends.
      Integer Fit = FCanvas->TextFitChars(Text, FBounds.Right - FX);
      size_t Cut = Text.rfind(' ', size_t(std::max(Fit, 0)));
      if (Fit > 0 && Cut != String::npos && Cut > 0 && Integer(Cut) <= Fit) {
        String Head = Text.substr(0, Cut);
        Put(Head, FCanvas->TextWidth(Head));
        Text.erase(0, Cut + 1);
      } else if (FX > FBounds.Left) {
        // the whole word goes to the next line
      } else if (FEllipsis) {
        // A word wider than the line ends in "...".
        size_t End = Text.find(' ');
        PutCut(Text.substr(0, End));
        Text.erase(0, End);
      } else {
        size_t Take = size_t(std::max(Fit, 1));
        while (Take < Text.size() && (Byte(Text[Take]) & 0xC0) == 0x80) ++Take;  // whole characters
        String Head = Text.substr(0, Take);
        Put(Head, FCanvas->TextWidth(Head));
        Text.erase(0, Take);
      }
      EndLine();
      StartLine();
      Use();
      while (!Text.empty() && Text[0] == ' ' && FX == FBounds.Left) Text.erase(0, 1);
    }
  }

  void Put(const String& Text, Integer W) {
    if (FDraw) {
      FCanvas->SetBkMode(TRANSPARENT);
      FCanvas->TextOut(FX, FY, Text);
    }
    Advance(W);
  }

  // As much of Text as fits before the right edge, then "...".
  void PutCut(const String& Text) {
    const String Dots = "...";
    Integer Fit = std::max<Integer>(0, FCanvas->TextFitChars(Text, FBounds.Right - FX - FCanvas->TextWidth(Dots)));
    String Head = Text.substr(0, Utf8ByteOffset(Text, Fit)) + Dots;
    Put(Head, FCanvas->TextWidth(Head));
  }

  void Offset(char Dir, const String& V) {
    Use();
    char* End = nullptr;
    long N = std::strtol(V.c_str(), &End, 10);
    bool Number = !V.empty() && End && *End == 0;
    Integer By = Number ? Integer(N) : (Dir == 'H' || Dir == 'h' ? FCanvas->TextHeight(V) : FCanvas->TextWidth(V));
    switch (Dir) {
      case 'H': FY -= By; break;
      case 'h': FY += By; break;
      case 'W': FX -= By; break;
      default: Advance(By); break;
    }
  }

  void Line(TColor Col) {
    StartLine();
    if (!FDraw) return;
    Integer Y = FY + FLineHeight / 2;
    FCanvas->Pen()->SetColor(Col);
    FCanvas->MoveTo(FX, Y);
    FCanvas->LineTo(std::max(FX, FBounds.Right), Y);
  }

  void Image(char Kind, const String& V) {
    String Id = V;
    Integer Percent = 50;
    if (Kind == 'd') {
      size_t Comma = V.find(',');
      if (Comma != String::npos) {
        Id = V.substr(0, Comma);
        Percent = std::atoi(V.c_str() + Comma + 1);
      }
    }
    TBitmap B;
    char* End = nullptr;
    long Index = std::strtol(Id.c_str(), &End, 10);
    bool Number = !Id.empty() && End && *End == 0;
    if (Number && FImages) {
      if (Index < 0 || Index >= FImages->Count()) return;
      FImages->GetBitmap(Integer(Index), &B);
    } else if (!LoadBitmapResource(&B, Id)) {
      return;
    }
    TColor Key = B.TransparentColor();
    switch (Kind) {
      case 'd': FadeBitmap(&B, &B, Key, Percent); break;
      case 'h': GreyBitmap(&B, &B, 1, Key); break;
      case 'n': GreyBitmap(&B, &B, 5, Key); break;
      case 's': GreyBitmap(&B, &B, 3, Key); break;
      default: break;
    }
    StartLine();
    if (Kind == 'p') FLineHeight = std::max(FLineHeight, B.Height());
    if (FDraw) BlitTransparent(FCanvas, &B, Bounds(FX, FY, B.Width(), B.Height()), Key, false);
    Advance(B.Width());
  }

  TCanvas* FCanvas;
  TRect FBounds;
  TCustomImageList* FImages;
  bool FWordBreak, FEllipsis, FCodes, FDraw;
  const std::vector<Integer>* FCentre;
  std::vector<Integer> FLineWidths;
  size_t FLineIndex = 0;
  Integer FLineLeft = 0;
  bool FLineCut = false;
  TFont FStart, FFont;
  Integer FX, FY;
  Integer FLineRight = 0;
  Integer FLineHeight = 0;
  bool FLineStarted = false;
  Integer FWidest = 0, FTotalHeight = 0;
};

}  // namespace

TRect DrawStyledText(TCanvas* Canvas, const String& Text, TRect& Rect, TCustomImageList* Images, Cardinal Flags,
                     bool Draw) {
  if (!Canvas) return TRect{};
  if (!(Flags & dsCenter) || !Draw) {
    TStyledTextWriter W(Canvas, Rect, Images, Flags, Draw);
    return W.Run(Text);
  }
  // Centred lines: one run measures each line, the second draws.
  TStyledTextWriter Measure(Canvas, Rect, Images, Flags, false);
  Measure.Run(Text);
  TStyledTextWriter W(Canvas, Rect, Images, Flags, true, &Measure.LineWidths());
  return W.Run(Text);
}
