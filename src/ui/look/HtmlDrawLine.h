// Internals of HtmlDraw shared by its two source files: the state that a
// line of mark-up changes, what measuring a line finds, and one run of the
// renderer over a canvas.
#pragma once

#include "platform/gui/controls_types.h"
#include "ui/look/HtmlDraw.h"

class TMarkupPicture;

namespace html_detail {

// Replaces the entities of the whole text; Full keeps "&amp;" as "&&"
// (drawn with prefix processing as one "&").
String ReplaceTextEntities(const String& Text, bool Full);
// Replaces "&nbsp;", "&lt;" and "&gt;" of one segment.
String ReplaceSegmentEntities(const String& Segment);

// What a line of mark-up changes besides the canvas font; copied before a
// measuring pass and put back after it.
struct TLineState {
  Integer LinkCounter = 0;
  bool InLink = false;
  Integer LinkIndex = -1;
  String Href;
  Integer LinkStartX = 0;
  TColor LinkSavedFont = clBlack;
  TColor LinkSavedBg = clHtmlNoColor;
  bool LinkSavedUnderline = false;
  TColor TextBg = clHtmlNoColor;
  TColor HiSavedFont = clBlack;
  TColor HiSavedBg = clHtmlNoColor;
  bool Sub = false, Sup = false, Shadow = false, Wavy = false, Hidden = false;
  Integer ListLevel = 0;
  TAlignment Align = taLeftJustify;
  Integer Indent = 0;
  TColor ParaBg = clHtmlNoColor, ParaBgTo = clHtmlNoColor;
  Integer PictureCounter = 0;
};

// What the measuring pass finds about a line.
struct TLineInfo {
  Integer Width = 0;
  Integer Height = 0;    // tallest segment or picture, at least "gh"
  Integer SubExtra = 0;  // room below for subscript
  Integer SupExtra = 0;  // room above for superscript
  TAlignment Align = taLeftJustify;
  Integer Indent = 0;
  Integer Raise = 0;     // IMG ALIGN="TOP"/"MIDDLE" lifts the text
};

enum class TPass { Measure, HitTest, Draw };

// One call of the renderer: keeps the starting font and brush and puts
// them back when it ends.
class THtmlRun {
 public:
  THtmlRun(const THtmlDrawParams& P, THtmlDrawResult& R);
  ~THtmlRun();
  THtmlRun(const THtmlRun&) = delete;
  THtmlRun& operator=(const THtmlRun&) = delete;

  // Lays out (and with Pass Draw draws) one line of Text from Pos, which
  // moves past what the line took. Measured is what the measuring pass
  // found (ignored when measuring).
  TLineInfo Line(const String& Text, size_t& Pos, TPass Pass, Integer X, Integer Y, const TLineInfo& Measured);
  Integer TextHeightGh();

  TLineState State;

 private:
  struct TCursor;
  // A picture of an IMG tag: where it comes from and its size in the line.
  struct TPictureSource {
    Integer ListIndex = -1;            // picture of the image list
    int Shell = 0;                     // shell icon: 1 small, 2 large
    TMarkupPicture* Graphic = nullptr;  // named or cached picture
    Integer Width = 0, Height = 0;
  };
  enum class TTagEnd { Go, EndLine, EndBefore };
  TTagEnd Tag(const String& TagText, TCursor& L);
  // Opening tags, by their first letter.
  TTagEnd OpenTag(const String& TagText, const String& Up, TCursor& L);
  void LinkTag(const String& TagText, const String& Up, TCursor& L);
  TTagEnd BTag(const String& TagText, char Second, TCursor& L);
  void FontTag(const String& TagText, const String& Up, TCursor& L);
  TTagEnd HTag(char Second, TCursor& L);
  TTagEnd ITag(const String& TagText, const String& Up, char Second, TCursor& L);
  TTagEnd ListItemTag(TCursor& L);
  void ParagraphTag(const String& TagText, const String& Up, TCursor& L);
  void STag(const String& Up);
  void CloseTag(const String& Up, TCursor& L);
  void CloseLink(TCursor& L);
  // Adds the open link's part of this line (returned) to the hover rectangle.
  TRect AddLinkPiece(TCursor& L);
  void SetFontStyle(TFontStyle Style, bool On);
  TTagEnd Picture(const String& TagText, const String& Up, TCursor& L);
  TPictureSource FindPictureSource(const String& Src);
  void SizePicture(TPictureSource& Pic, const String& TagText, const String& Up);
  void DrawPicture(const TPictureSource& Pic, const String& Src, const TRect& Cell);
  // The bytes of the character (with Entities: or entity) at Pos of Text.
  static size_t CharLength(const String& Text, size_t Pos, bool Entities);
  // The bytes of the longest start of Text that fits into Room pixels (0
  // when not even one character does). With Entities the text is raw
  // mark-up: entities stay whole and are measured as what they show.
  size_t FittingPrefix(const String& Text, Integer Room, bool Entities);
  void Segment(const String& Text, TCursor& L);
  // True when the mouse is over a character of Text drawn in Box.
  bool MouseOnCharacter(const String& Text, const TRect& Box);
  void DrawSegment(const String& Text, const TRect& Box, Integer Bottom, TCursor& L);
  void DrawWavyLine(Integer X1, Integer X2, Integer Baseline);
  void DrawBody(const String& TagText);
  Cardinal TextFlags(const String& Text) const;
  // The position of the next "<" at or after Pos (Text.size() when none).
  size_t NextTag(const String& Text, size_t Pos);

  const THtmlDrawParams& P;
  THtmlDrawResult& R;
  TCanvas& C;
  TFont FStartFont;
  TFont FLineFont;                     // the font the current line started with
  TColor FLineTextBg = clHtmlNoColor;  // and its text background
  TColor FStartBrushColor;
  TBrushStyle FStartBrushStyle;
  size_t FTagFrom = 1, FTagAt = 0;  // NextTag's last answer (none yet)
};

}  // namespace html_detail
