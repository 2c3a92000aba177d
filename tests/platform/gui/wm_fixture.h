// Shared fixture of the window-manager tests: a fresh headless desktop and
// fake clock per test, windows whose procedures log the messages they get
// and paint themselves in one colour, and verbs to pump the queue and read
// pixels back.
#pragma once

#include <gtest/gtest.h>
#include <stdlib.h>

#include <algorithm>
#include <filesystem>
#include <functional>
#include <map>
#include <memory>
#include <string>
#include <vector>

#include "platform/gui/backend.h"
#include "platform/gui/graphics.h"
#include "platform/rtl/clock.h"
#include "temp_dir.h"

class WmTest : public ::testing::Test {
 protected:
  // What a test window does: its name in the log, its paint colour, and
  // an optional handler that answers a message first (return true).
  struct TWin {
    std::string Name;
    TColor Fill = clWhite;
    std::function<bool(UINT, WPARAM, LPARAM, LRESULT&)> Handler;
  };

  void SetUp() override {
    Clock = std::make_shared<TFakeClock>();
    UseClock = std::make_unique<TClockOverride>(Clock);
    SetGuiDriver(NewHeadlessDriver());
    Folder = MakeTempFolder("wm_test_");
  }

  void TearDown() override {
    ReleaseCapture();
    DestroyCaret();
    for (HHOOK h : Hooks) UnhookWindowsHookEx(h);
    for (auto it = Created.rbegin(); it != Created.rend(); ++it)
      if (IsWindow(*it)) DestroyWindow(*it);
    Drain();
    std::filesystem::remove_all(Folder);
  }

  // ---- Windows ------------------------------------------------------------
  HWND Form(const std::string& Name, TRect B, TColor Fill = clWhite, DWORD Style = WS_OVERLAPPED | WS_VISIBLE,
            DWORD ExStyle = 0, HWND Owner = nullptr) {
    return Make(Name, B, Fill, Style, ExStyle, nullptr, Owner);
  }
  HWND Child(const std::string& Name, HWND Parent, TRect B, TColor Fill = clWhite,
             DWORD Style = WS_CHILD | WS_VISIBLE, DWORD ExStyle = 0) {
    return Make(Name, B, Fill, Style, ExStyle, Parent, nullptr);
  }
  HWND Make(const std::string& Name, TRect B, TColor Fill, DWORD Style, DWORD ExStyle, HWND Parent, HWND Owner) {
    auto win = std::make_shared<TWin>();
    win->Name = Name;
    win->Fill = Fill;
    Pending = win;
    HWND h = CreateWindowEx(ExStyle, "TTest", Name, Style, B.Left, B.Top, B.Width(), B.Height(), Parent, Owner,
                            [this, win](HWND W, UINT M, WPARAM WP, LPARAM LP) { return Proc(*win, W, M, WP, LP); });
    Wins[h] = win;
    Created.push_back(h);
    return h;
  }
  TWin& Win(HWND H) { return *Wins[H]; }
  void On(HWND H, std::function<bool(UINT, WPARAM, LPARAM, LRESULT&)> F) { Win(H).Handler = std::move(F); }

  // ---- Queue ------------------------------------------------------------------
  // Handles everything queued, as the application's ProcessMessages.
  void ProcessMessages() {
    MSG m;
    while (PeekMessage(m, nullptr, 0, 0, PM_REMOVE)) {
      TranslateMessage(m);
      DispatchMessage(m);
    }
  }
  void Drain() {
    MSG m;
    while (PeekMessage(m, nullptr, 0, 0, PM_REMOVE)) DispatchMessage(m);
  }

  // ---- Log --------------------------------------------------------------------
  // The logged messages since the last call, then forgets them.
  std::vector<std::string> TakeLog() {
    std::vector<std::string> l;
    l.swap(Log);
    return l;
  }
  bool Logged(const std::string& Entry) const {
    for (const auto& e : Log)
      if (e == Entry) return true;
    return false;
  }
  int Count(const std::string& Entry) const {
    int n = 0;
    for (const auto& e : Log) n += e == Entry;
    return n;
  }
  // Logs messages of these numbers only (all of the list below by default).
  // Starts a fresh log.
  void LogOnly(std::vector<UINT> Msgs) {
    Only = std::move(Msgs);
    Log.clear();
  }

  // ---- Pixels -----------------------------------------------------------------
  TColor At(HWND Top, int X, int Y) {
    TPixelSurface s = HeadlessSurface(Top);
    return TColor(s.Get(X, Y));
  }
  std::string Path(const std::string& Name) const { return Folder + "/" + Name; }

  static std::string MsgName(UINT M);

  std::shared_ptr<TFakeClock> Clock;
  std::unique_ptr<TClockOverride> UseClock;
  std::map<HWND, std::shared_ptr<TWin>> Wins;
  std::shared_ptr<TWin> Pending;
  std::vector<HWND> Created;
  std::vector<HHOOK> Hooks;
  std::vector<std::string> Log;
  std::vector<UINT> Only;
  std::string Folder;

 private:
  LRESULT Proc(TWin& W, HWND Wnd, UINT M, WPARAM WP, LPARAM LP) {
    std::string name = MsgName(M);
    bool wanted = Only.empty() ? !name.empty() : std::find(Only.begin(), Only.end(), M) != Only.end();
    if (wanted) Log.push_back(W.Name + ":" + (name.empty() ? std::to_string(M) : name));
    LRESULT r = 0;
    if (W.Handler && W.Handler(M, WP, LP, r)) return r;
    if (M == WM_PAINT) {
      PAINTSTRUCT ps;
      TCanvas* c = BeginPaint(Wnd, ps);
      c->Brush()->SetColor(W.Fill);
      c->FillRect(GetClientRect(Wnd));
      EndPaint(Wnd, ps);
      return 0;
    }
    if (M == WM_ERASEBKGND) return 1;
    return DefWindowProc(Wnd, M, WP, LP);
  }
};

inline std::string WmTest::MsgName(UINT M) {
  static const std::map<UINT, std::string> Names = {
      {WM_CREATE, "WM_CREATE"}, {WM_NCCREATE, "WM_NCCREATE"}, {WM_DESTROY, "WM_DESTROY"},
      {WM_NCDESTROY, "WM_NCDESTROY"}, {WM_MOVE, "WM_MOVE"}, {WM_SIZE, "WM_SIZE"},
      {WM_ACTIVATE, "WM_ACTIVATE"}, {WM_SETFOCUS, "WM_SETFOCUS"}, {WM_KILLFOCUS, "WM_KILLFOCUS"},
      {WM_PAINT, "WM_PAINT"}, {WM_ERASEBKGND, "WM_ERASEBKGND"}, {WM_SHOWWINDOW, "WM_SHOWWINDOW"},
      {WM_ACTIVATEAPP, "WM_ACTIVATEAPP"}, {WM_NCACTIVATE, "WM_NCACTIVATE"},
      {WM_MOUSEACTIVATE, "WM_MOUSEACTIVATE"}, {WM_KEYDOWN, "WM_KEYDOWN"}, {WM_KEYUP, "WM_KEYUP"},
      {WM_CHAR, "WM_CHAR"}, {WM_SYSKEYDOWN, "WM_SYSKEYDOWN"}, {WM_SYSKEYUP, "WM_SYSKEYUP"},
      {WM_SYSCHAR, "WM_SYSCHAR"}, {WM_TIMER, "WM_TIMER"}, {WM_MOUSEMOVE, "WM_MOUSEMOVE"},
      {WM_LBUTTONDOWN, "WM_LBUTTONDOWN"}, {WM_LBUTTONUP, "WM_LBUTTONUP"},
      {WM_LBUTTONDBLCLK, "WM_LBUTTONDBLCLK"}, {WM_RBUTTONDOWN, "WM_RBUTTONDOWN"},
      {WM_RBUTTONUP, "WM_RBUTTONUP"}, {WM_MOUSEWHEEL, "WM_MOUSEWHEEL"},
      {WM_CAPTURECHANGED, "WM_CAPTURECHANGED"}, {WM_MOUSELEAVE, "WM_MOUSELEAVE"},
      {WM_WINDOWPOSCHANGING, "WM_WINDOWPOSCHANGING"}, {WM_WINDOWPOSCHANGED, "WM_WINDOWPOSCHANGED"},
      {WM_ENABLE, "WM_ENABLE"}, {WM_CLOSE, "WM_CLOSE"}, {WM_USER, "WM_USER"}, {WM_USER + 1, "WM_USER+1"},
      {WM_USER + 2, "WM_USER+2"}, {WM_NCPAINT, "WM_NCPAINT"}, {WM_NCLBUTTONDOWN, "WM_NCLBUTTONDOWN"},
      {WM_NCRBUTTONDOWN, "WM_NCRBUTTONDOWN"}, {WM_SETCURSOR, "WM_SETCURSOR"},
  };
  auto it = Names.find(M);
  return it == Names.end() ? std::string() : it->second;
}
