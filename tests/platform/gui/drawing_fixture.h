// Shared fixture of the drawing tests: a white bitmap to draw on, a fresh
// temporary folder, and verbs that read pixels back as text.
#pragma once

#include <gtest/gtest.h>
#include <stdlib.h>

#include <filesystem>
#include <string>

#include "platform/gui/graphics.h"
#include "temp_dir.h"

class DrawingTest : public ::testing::Test {
 protected:
  void SetUp() override {
    FolderPath = MakeTempFolder("gui_test_");
    Paper.SetPixelFormat(pf32bit);
    Paper.SetSize(24, 16);
    Clear();
  }
  void TearDown() override { std::filesystem::remove_all(FolderPath); }

  TCanvas& Canvas() { return *Paper.Canvas(); }
  // Paints the whole paper white with a solid brush and a black pen.
  void Clear() {
    Canvas().Brush()->SetStyle(bsSolid);
    Canvas().Brush()->SetColor(clWhite);
    Canvas().FillRect(Rect(0, 0, Paper.Width(), Paper.Height()));
    Canvas().Pen()->SetColor(clBlack);
  }
  TColor At(int X, int Y) { return static_cast<TColor>(Paper.PixelSurface().Get(X, Y)); }
  // Row Y as text: '.' for white, '#' for black, 'o' for anything else.
  std::string Row(int Y, int From = 0, int To = -1) {
    std::string s;
    for (int x = From; x < (To < 0 ? Paper.Width() : To); ++x) {
      TColor c = At(x, Y);
      s += c == clWhite ? '.' : c == clBlack ? '#' : 'o';
    }
    return s;
  }
  // How many pixels of the paper have the colour.
  int Count(TColor C) {
    int n = 0;
    for (int y = 0; y < Paper.Height(); ++y)
      for (int x = 0; x < Paper.Width(); ++x) n += At(x, y) == C;
    return n;
  }
  // How many pixels are not white.
  int Inked() { return Paper.Width() * Paper.Height() - Count(clWhite); }
  std::string Path(const std::string& Name) { return FolderPath + "/" + Name; }

  TBitmap Paper;
  std::string FolderPath;
};
