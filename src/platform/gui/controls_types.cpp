// Shared control types: shift states, MulDiv, cursor names, size
// constraints and the message map registry.
#include <cmath>
#include <mutex>
#include <unordered_map>

#include "platform/gui/controls.h"
#include "platform/rtl/sysutils.h"

// ---- Shift states ---------------------------------------------------------------

static bool KeyDown(int VirtualKey) { return (GetKeyState(VirtualKey) & 0x8000) != 0; }

TShiftState MouseKeysToShiftState(WPARAM Keys) {
  TShiftState S;
  if (Keys & MK_SHIFT) S.Include(ssShift);
  if (Keys & MK_CONTROL) S.Include(ssCtrl);
  if (Keys & MK_LBUTTON) S.Include(ssLeft);
  if (Keys & MK_RBUTTON) S.Include(ssRight);
  if (Keys & MK_MBUTTON) S.Include(ssMiddle);
  if (KeyDown(VK_MENU)) S.Include(ssAlt);
  return S;
}

TShiftState KeyboardStateToShiftState() {
  TShiftState S;
  if (KeyDown(VK_SHIFT)) S.Include(ssShift);
  if (KeyDown(VK_CONTROL)) S.Include(ssCtrl);
  if (KeyDown(VK_MENU)) S.Include(ssAlt);
  return S;
}

TShiftState KeyDataToShiftState(LPARAM KeyData) {
  TShiftState S = KeyboardStateToShiftState();
  S.Exclude(ssAlt);
  if (KeyData & 0x20000000) S.Include(ssAlt);
  return S;
}

Integer MulDiv(Integer Number, Integer Numerator, Integer Denominator) {
  if (Denominator == 0) return -1;
  Int64 P = Int64(Number) * Numerator;
  Int64 Q = P / Denominator, R = P % Denominator;
  if (2 * std::llabs(R) >= std::llabs(Int64(Denominator))) Q += ((P < 0) != (Denominator < 0)) ? -1 : 1;
  return Integer(Q);
}

// ---- Cursor names ---------------------------------------------------------------

namespace {
struct TCursorName {
  Integer Value;
  const char* Name;
};
const TCursorName CursorNames[] = {
    {crDefault, "crDefault"},   {crNone, "crNone"},         {crArrow, "crArrow"},
    {crCross, "crCross"},       {crIBeam, "crIBeam"},       {crSizeNESW, "crSizeNESW"},
    {crSizeNS, "crSizeNS"},     {crSizeNWSE, "crSizeNWSE"}, {crSizeWE, "crSizeWE"},
    {crUpArrow, "crUpArrow"},   {crHourGlass, "crHourGlass"}, {crDrag, "crDrag"},
    {crNoDrop, "crNoDrop"},     {crHSplit, "crHSplit"},     {crVSplit, "crVSplit"},
    {crMultiDrag, "crMultiDrag"}, {crSQLWait, "crSQLWait"}, {crNo, "crNo"},
    {crAppStart, "crAppStart"}, {crHelp, "crHelp"},         {crHandPoint, "crHandPoint"},
    {crSizeAll, "crSizeAll"},   {crSize, "crSize"},
};

[[maybe_unused]] const bool CursorConstsInstalled = [] {
  RegisterIntegerConsts(
      "TCursor", [](const String& I, Int64& V) {
        Integer C = 0;
        if (!IdentToCursor(I, C)) return false;
        V = C;
        return true;
      },
      [](Int64 V, String& I) { return CursorToIdent(Integer(V), I); });
  return true;
}();
}  // namespace

bool CursorToIdent(Integer Cursor, String& Ident) {
  for (const TCursorName& N : CursorNames)
    if (N.Value == Cursor) {
      Ident = N.Name;
      return true;
    }
  return false;
}

bool IdentToCursor(const String& Ident, Integer& Cursor) {
  for (const TCursorName& N : CursorNames)
    if (SameText(Ident, N.Name)) {
      Cursor = N.Value;
      return true;
    }
  return false;
}

// ---- Size constraints ---------------------------------------------------------------

RTL_IMPLEMENT_CLASS(TSizeConstraints, TPersistent, nullptr)

RTL_PUBLISHED(TSizeConstraints) {
  P.Prop("MaxHeight", &TSizeConstraints::MaxHeight, &TSizeConstraints::SetMaxHeight).Default(0);
  P.Prop("MaxWidth", &TSizeConstraints::MaxWidth, &TSizeConstraints::SetMaxWidth).Default(0);
  P.Prop("MinHeight", &TSizeConstraints::MinHeight, &TSizeConstraints::SetMinHeight).Default(0);
  P.Prop("MinWidth", &TSizeConstraints::MinWidth, &TSizeConstraints::SetMinWidth).Default(0);
}

void TSizeConstraints::SetMaxHeight(Integer V) {
  if (V == FMaxHeight) return;
  FMaxHeight = V;
  if (V > 0 && V < FMinHeight) FMinHeight = V;
  Changed();
}

void TSizeConstraints::SetMaxWidth(Integer V) {
  if (V == FMaxWidth) return;
  FMaxWidth = V;
  if (V > 0 && V < FMinWidth) FMinWidth = V;
  Changed();
}

void TSizeConstraints::SetMinHeight(Integer V) {
  if (V == FMinHeight) return;
  FMinHeight = V;
  if (FMaxHeight > 0 && V > FMaxHeight) FMaxHeight = V;
  Changed();
}

void TSizeConstraints::SetMinWidth(Integer V) {
  if (V == FMinWidth) return;
  FMinWidth = V;
  if (FMaxWidth > 0 && V > FMaxWidth) FMaxWidth = V;
  Changed();
}

void TSizeConstraints::Apply(Integer& Width, Integer& Height) const {
  Clamp(Width, Height, FMinWidth, FMinHeight, FMaxWidth, FMaxHeight);
}

void TSizeConstraints::Clamp(Integer& Width, Integer& Height, Integer MinWidth, Integer MinHeight, Integer MaxWidth,
                             Integer MaxHeight) {
  if (MaxWidth > 0 && Width > MaxWidth) Width = MaxWidth;
  if (MinWidth > 0 && Width < MinWidth) Width = MinWidth;
  if (MaxHeight > 0 && Height > MaxHeight) Height = MaxHeight;
  if (MinHeight > 0 && Height < MinHeight) Height = MinHeight;
}

void TSizeConstraints::Assign(TPersistent* Source) {
  auto* S = dynamic_cast<TSizeConstraints*>(Source);
  if (!S) return TPersistent::Assign(Source);
  FMaxHeight = S->FMaxHeight;
  FMaxWidth = S->FMaxWidth;
  FMinHeight = S->FMinHeight;
  FMinWidth = S->FMinWidth;
  Changed();
}

TPersistent* TSizeConstraints::GetOwner() { return FControl; }

void TSizeConstraints::Changed() { FireEvent(OnChange, this); }

// ---- Message map ----------------------------------------------------------------

namespace {
using THandlerTable = std::unordered_map<TClass, std::unordered_map<UINT, TMessageHandler>>;
THandlerTable& Handlers() {
  static THandlerTable T;
  return T;
}
std::mutex& HandlersLock() {
  static std::mutex M;
  return M;
}
}  // namespace

void RegisterMessageHandler(TClass Class, UINT Msg, TMessageHandler Handler) {
  std::lock_guard<std::mutex> L(HandlersLock());
  Handlers()[Class][Msg] = std::move(Handler);
}

const TMessageHandler* FindOwnMessageHandler(TClass Class, UINT Msg) {
  // Registration is finished before the first control handles a message,
  // so reading needs no lock.
  const THandlerTable& T = Handlers();
  auto C = T.find(Class);
  if (C == T.end()) return nullptr;
  auto H = C->second.find(Msg);
  return H == C->second.end() ? nullptr : &H->second;
}
