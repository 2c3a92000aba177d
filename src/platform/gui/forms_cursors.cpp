// Cursor files: the program's animated-cursor text format, read into
// frames, with a handle per loaded cursor.
#include <fstream>
#include <map>
#include <mutex>
#include <sstream>

#include "platform/gui/forms.h"

namespace {
// Handles of loaded cursors start above the window manager's IDC_* numbers.
constexpr HCURSOR FirstCursorHandle = 0x10000;

std::mutex& Lock() {
  static std::mutex M;
  return M;
}
std::map<HCURSOR, TCursorImage>& Images() {
  static std::map<HCURSOR, TCursorImage> I;
  return I;
}
HCURSOR& NextHandle() {
  static HCURSOR H = FirstCursorHandle;
  return H;
}

// The colour of one picture character (false: transparent or unknown).
bool PixelColour(char C, Byte& Grey) {
  switch (C) {
    case '#': Grey = 0; return true;
    case 'o': Grey = 255; return true;
    case '+': Grey = 128; return true;
    default: return false;
  }
}

// Reads one frame of Width x Height picture lines; false on a bad line.
bool ReadFrame(std::istream& In, Integer Width, Integer Height, TCursorImage& Image) {
  auto Frame = std::make_shared<TBitmap>();
  Frame->SetPixelFormat(pf32bit);
  Frame->SetSize(Width, Height);
  Frame->SetAlphaFormat(afDefined);
  for (Integer Y = 0; Y < Height; ++Y) {
    std::string Line;
    if (!(In >> Line) || Integer(Line.size()) != Width) return false;
    Byte* Row = Frame->ScanLine(Y);
    for (Integer X = 0; X < Width; ++X) {
      Byte Grey = 0;
      bool Opaque = PixelColour(Line[size_t(X)], Grey);
      Row[X * 4] = Row[X * 4 + 1] = Row[X * 4 + 2] = Opaque ? Grey : 0;
      Row[X * 4 + 3] = Opaque ? 255 : 0;
    }
  }
  Image.Frames.push_back(std::move(Frame));
  return true;
}

bool ParseCursor(std::istream& In, TCursorImage& Image) {
  std::string Magic;
  Integer Width = 0, Height = 0;
  if (!(In >> Magic >> Width >> Height >> Image.HotSpot.X >> Image.HotSpot.Y >> Image.Rate)) return false;
  if (Magic != "ANICURSOR" || Width <= 0 || Height <= 0 || Width > 256 || Height > 256) return false;
  std::string Word;
  while (In >> Word) {
    if (Word != "frame" || !ReadFrame(In, Width, Height, Image)) return false;
  }
  return !Image.Frames.empty();
}
}  // namespace

HCURSOR LoadCursorFromFile(const String& FileName) {
  std::ifstream In(FileName);
  if (!In) return 0;
  TCursorImage Image;
  try {
    if (!ParseCursor(In, Image)) return 0;
  } catch (const Exception&) {
    return 0;
  }
  std::lock_guard<std::mutex> L(Lock());
  HCURSOR H = NextHandle()++;
  Images()[H] = std::move(Image);
  return H;
}

const TCursorImage* FindCursorImage(HCURSOR Cursor) {
  std::lock_guard<std::mutex> L(Lock());
  auto It = Images().find(Cursor);
  return It == Images().end() ? nullptr : &It->second;
}
