// TFxBitmap's pixel effects: point operations through lookup tables, and
// the neighbourhood and geometric effects, all in place on the rows.
#include <cmath>
#include <cstring>
#include <numbers>

#include "ui/look/PlainUtils.h"
#include "ui/look/PlainUtilsFx.h"

namespace {

using TTable = std::array<Byte, 256>;

template <class F>
TTable MakeTable(F Fn) {
  TTable T{};
  for (Integer C = 0; C < 256; ++C) T[size_t(C)] = ClampByte(Fn(C));
  return T;
}

Byte Grey(const Byte* P) { return Byte(P[0] / 3 + P[1] / 3 + P[2] / 3); }

// Index I into 0..N-1 by the wrapping rule of Wave.
Integer WrapIndex(Integer I, Integer N) {
  if (I < 0) return N - 1 - ((-I) % N);
  if (I >= N) return I % N;
  return I;
}

}  // namespace

const Byte* TFxBitmap::ClampedAt(Integer X, Integer Y) const {
  X = ClampInt(X, 0, FWidth - 1);
  Y = ClampInt(Y, 0, FHeight - 1);
  return Rows(Y) + 3 * X;
}

void TFxBitmap::ApplyTable(const TTable& Table) {
  for (Integer Y = 0; Y < FHeight; ++Y) {
    Byte* P = Rows(Y);
    for (Integer I = 0; I < 3 * FWidth; ++I) P[I] = Table[P[I]];
  }
}

// ---- Point operations ---------------------------------------------------------------

void TFxBitmap::Brightness(Integer Amount) {
  const Int64 A = Amount;
  ApplyTable(MakeTable([A](Integer C) {
    return Integer(A > 0 ? C + ((255 - C) * A) / 256 : C - (std::llabs(A) * C) / 256);
  }));
}

void TFxBitmap::Contrast(Integer Amount) {
  const Int64 A = Amount;
  ApplyTable(MakeTable([A](Integer C) {
    Int64 T = (Int64(std::abs(128 - C)) * A) / 256;
    return Integer(std::clamp<Int64>(C <= 126 ? C - T : C + T, -1, 256));
  }));
}

void TFxBitmap::AddColor(Integer R, Integer G, Integer B) {
  auto Shift = [](Integer By) {
    return MakeTable([By](Integer C) { return Integer(std::clamp<Int64>(Int64(C) + By, -1, 256)); });
  };
  const TTable TB = Shift(B), TG = Shift(G), TR = Shift(R);
  for (Integer Y = 0; Y < FHeight; ++Y) {
    Byte* P = Rows(Y);
    for (Integer X = 0; X < FWidth; ++X, P += 3) P[0] = TB[P[0]], P[1] = TG[P[1]], P[2] = TR[P[2]];
  }
}

void TFxBitmap::TintColor(Integer R, Integer G, Integer B) {
  const bool Keep = TransparentColor != clNone;
  const TFxPixel Key = Keep ? ColorToFxPixel(TransparentColor) : TFxPixel{};
  auto Tint = [](Byte C, Integer By) { return ClampByte(Integer(std::clamp<Int64>(Int64(C) - 192 + By, -1, 256))); };
  for (Integer Y = 0; Y < FHeight; ++Y) {
    Byte* P = Rows(Y);
    for (Integer X = 0; X < FWidth; ++X, P += 3) {
      if (Keep && TFxPixel{P[0], P[1], P[2]} == Key) continue;
      P[0] = Tint(P[0], B), P[1] = Tint(P[1], G), P[2] = Tint(P[2], R);
    }
  }
}

void TFxBitmap::GrayScale() {
  for (Integer Y = 0; Y < FHeight; ++Y) {
    Byte* P = Rows(Y);
    for (Integer X = 0; X < FWidth; ++X, P += 3) P[0] = P[1] = P[2] = Grey(P);
  }
}

void TFxBitmap::Invert() {
  ApplyTable(MakeTable([](Integer C) { return 255 - C; }));
}

void TFxBitmap::Saturation(Integer Amount) {
  const Int64 A = Amount;
  std::array<Int64, 256> Scaled{};
  for (Integer C = 0; C < 256; ++C) Scaled[size_t(C)] = (C * A) / 256;
  for (Integer Y = 0; Y < FHeight; ++Y) {
    Byte* P = Rows(Y);
    for (Integer X = 0; X < FWidth; ++X, P += 3) {
      Byte G = Grey(P);
      for (int Ch = 0; Ch < 3; ++Ch)
        P[Ch] = ClampByte(Integer(std::clamp<Int64>(G + Scaled[P[Ch]] - Scaled[G], -1, 256)));
    }
  }
}

void TFxBitmap::MaskColor(TFxPixel Color) {
  for (Integer Y = 0; Y < FHeight; ++Y) {
    Byte* P = Rows(Y);
    for (Integer X = 0; X < FWidth; ++X, P += 3) {
      Byte V = TFxPixel{P[0], P[1], P[2]} == Color ? 0 : 255;
      P[0] = P[1] = P[2] = V;
    }
  }
}

void TFxBitmap::ReplaceColor(TFxPixel OldColor, TFxPixel NewColor) {
  for (Integer Y = 0; Y < FHeight; ++Y) {
    Byte* P = Rows(Y);
    for (Integer X = 0; X < FWidth; ++X, P += 3)
      if (TFxPixel{P[0], P[1], P[2]} == OldColor) P[0] = NewColor.B, P[1] = NewColor.G, P[2] = NewColor.R;
  }
}

// ---- Neighbourhood effects -------------------------------------------------------------

void TFxBitmap::Spread(Integer D) {
  for (Integer Y = 0; Y < FHeight; ++Y)
    for (Integer X = 0; X < FWidth; ++X) {
      const Byte* A = ClampedAt(X + D, Y + D);
      const Byte* B = ClampedAt(X + D, Y - D);
      const Byte* C = ClampedAt(X - D, Y + D);
      const Byte* E = ClampedAt(X - D, Y - D);
      Byte* P = Rows(Y) + 3 * X;
      for (int Ch = 0; Ch < 3; ++Ch) P[Ch] = Byte((A[Ch] + B[Ch] + C[Ch] + E[Ch]) / 4);
    }
}

void TFxBitmap::Blur(Integer Amount) {
  for (Integer N = Amount; N >= 1; --N) Spread(N);
}

void TFxBitmap::Sharpen(Integer D) {
  for (Integer Y = 0; Y < FHeight; ++Y)
    for (Integer X = 0; X < FWidth; ++X) {
      Byte* P = Rows(Y) + 3 * X;
      for (int Ch = 0; Ch < 3; ++Ch) {
        Integer Sum = 0;
        for (Integer DY = -1; DY <= 1; ++DY)
          for (Integer DX = -1; DX <= 1; ++DX)
            if (DX || DY) Sum += ClampedAt(X + DX * D, Y + DY * D)[Ch];
        P[Ch] = ClampByte((256 * P[Ch] - 16 * Sum) / 128);
      }
    }
}

void TFxBitmap::Emboss() {
  if (Empty()) return;
  // Column 1 of the bottom row as it was; a one-pixel-wide image has only
  // column 0.
  const Byte* Bottom = Rows(FHeight - 1) + 3 * std::min<Integer>(1, FWidth - 1);
  const Byte Saved[3] = {Bottom[0], Bottom[1], Bottom[2]};
  for (Integer Y = 0; Y < FHeight; ++Y) {
    Byte* P = Rows(Y);
    for (Integer X = 0; X < FWidth; ++X, P += 3) {
      const Byte* Partner = Y < FHeight - 2 ? Rows(Y + 1) + 3 * std::min(X + 1, FWidth - 1) : Saved;
      for (int Ch = 0; Ch < 3; ++Ch) P[Ch] = Byte((P[Ch] + (255 - Partner[Ch])) / 2);
    }
  }
}

void TFxBitmap::Spray(Integer Amount) {
  if (Empty()) return;
  auto Draw = [this](Integer N) {
    return N <= 0 ? 0 : Integer(std::uniform_int_distribution<Integer>(0, N - 1)(FRandom));
  };
  for (Integer Y = 0; Y < FHeight; ++Y)
    for (Integer X = 0; X < FWidth; ++X) {
      Integer S = Draw(Amount);
      Integer DX = S - Draw(2 * S);
      Integer DY = S - Draw(2 * S);
      const Byte* From = ClampedAt(X + DX, Y + DY);
      Byte* P = Rows(Y) + 3 * X;
      P[0] = From[0], P[1] = From[1], P[2] = From[2];
    }
}

// ---- Geometric effects -------------------------------------------------------------------

void TFxBitmap::Flip(bool Horizontal) {
  if (Empty()) return;
  if (Horizontal) {
    for (Integer Y = 0; Y < FHeight; ++Y)
      for (Integer X = 0; X <= (FWidth - 1) / 2; ++X) {
        Byte* A = Rows(Y) + 3 * X;
        Byte* B = Rows(Y) + 3 * (FWidth - 1 - X);
        for (int Ch = 0; Ch < 3; ++Ch) std::swap(A[Ch], B[Ch]);
      }
    return;
  }
  std::vector<Byte> Row(static_cast<size_t>(FStride));
  for (Integer Y = 0; Y <= (FHeight - 1) / 2; ++Y) {
    Byte* A = Rows(Y);
    Byte* B = Rows(FHeight - 1 - Y);
    std::memcpy(Row.data(), A, Row.size());
    std::memcpy(A, B, Row.size());
    std::memcpy(B, Row.data(), Row.size());
  }
}

void TFxBitmap::Rotate(TPoint Centre, double Angle) {
  if (Empty()) return;
  const Integer CX = Centre.X < 0 ? FWidth / 2 : Centre.X;
  const Integer CY = Centre.Y < 0 ? FHeight / 2 : Centre.Y;
  TFxBitmap Target;
  Target.SetSize(FWidth, FHeight);
  if (Target.Empty()) return;
  const TFxPixel Fill = Pixel(0, 0);
  const double A = -Angle * std::numbers::pi / 180.0, S = std::sin(A), C = std::cos(A);
  for (Integer Y = 0; Y < FHeight; ++Y)
    for (Integer X = 0; X < FWidth; ++X) {
      double DX = 2.0 * (X - CX) + 1, DY = 2.0 * (Y - CY) + 1;
      Integer SX = (Integer(std::nearbyint(DX * C - DY * S)) - 1) / 2 + CX;
      Integer SY = (Integer(std::nearbyint(DX * S + DY * C)) - 1) / 2 + CY;
      bool Inside = SX >= 0 && SX < FWidth && SY >= 0 && SY < FHeight;
      Target.SetPixel(X, Y, Inside ? Pixel(SX, SY) : Fill);
    }
  std::memcpy(FBits.data(), Target.FBits.data(), size_t(FImageSize));
}

void TFxBitmap::Wave(double ColumnPeriod, double RowPeriod, double Amplitude, bool Wrap) {
  if (Empty() || ColumnPeriod == 0 || RowPeriod == 0) return;
  TFxBitmap Target;
  Target.SetSize(FWidth, FHeight);
  if (Target.Empty()) return;
  std::vector<Integer> RowShift(static_cast<size_t>(FHeight));
  for (Integer Y = 0; Y < FHeight; ++Y)
    RowShift[size_t(Y)] = Integer(std::nearbyint(std::sin(Y / RowPeriod) * Amplitude));
  for (Integer X = 0; X < FWidth; ++X) {
    Integer YOff = Integer(std::nearbyint(std::sin(X / ColumnPeriod) * Amplitude));
    if (Wrap) {
      YOff = WrapIndex(YOff, FHeight);
      for (Integer Y = 0; Y < FHeight; ++Y) {
        Integer SY = (YOff + Y) % FHeight;
        Integer SX = WrapIndex(RowShift[size_t(Y)] + X, FWidth);
        Target.SetPixel(X, Y, Pixel(SX, SY));
      }
      continue;
    }
    for (Integer Y = 0; Y < FHeight && Y + YOff < FHeight; ++Y) {
      Integer SX = RowShift[size_t(Y)] + X, SY = Y + YOff;
      if (SX >= 0 && SX < FWidth && SY >= 0) Target.SetPixel(X, Y, Pixel(SX, SY));
    }
  }
  std::memcpy(FBits.data(), Target.FBits.data(), size_t(FImageSize));
}
