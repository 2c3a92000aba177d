// The host's main window and the message loop of the host stand-in.
#include "host/HostWindow.h"

#include <pthread.h>
#include <signal.h>

#include <atomic>
#include <thread>

#include "platform/gui/backend.h"
#include "platform/gui/graphics_canvas.h"
#include "platform/gui/x11.h"

const char* const HostMainWindowClass = "T_KELPO_Mainform";
const char* const HostMainWindowTitle = "Torvane - Auftragsbearbeitung";

namespace {

void PaintHostWindow(HWND Wnd) {
  PAINTSTRUCT Ps;
  TCanvas* Canvas = BeginPaint(Wnd, Ps);
  Canvas->Brush()->SetColor(clWhite);
  Canvas->FillRect(GetClientRect(Wnd));
  Canvas->Font()->SetColor(clNavy);
  Canvas->TextOut(24, 24, "Torvane - Auftragsbearbeitung");
  Canvas->TextOut(24, 48, "Mandant geöffnet. Der Laptopabgleich beendet dieses Programm.");
  EndPaint(Wnd, Ps);
}

}  // namespace

HWND CreateHostMainWindow(std::function<void()> OnDestroyed) {
  auto Proc = [OnDestroyed](HWND Wnd, UINT Msg, WPARAM WParam, LPARAM LParam) -> LRESULT {
    if (Msg == WM_PAINT) {
      PaintHostWindow(Wnd);
      return 0;
    }
    if (Msg == WM_DESTROY && OnDestroyed) OnDestroyed();
    return DefWindowProc(Wnd, Msg, WParam, LParam);
  };
  HWND Wnd = CreateWindowEx(WS_EX_APPWINDOW, HostMainWindowClass, HostMainWindowTitle,
                            WS_OVERLAPPEDWINDOW, 80, 60, 640, 420, nullptr, nullptr, Proc);
  ShowWindow(Wnd, SW_SHOWNORMAL);
  UpdateWindow(Wnd);
  return Wnd;
}

bool UseDisplayWhenAvailable() {
  std::unique_ptr<TGuiDriver> Driver = NewX11Driver();
  if (!Driver) return false;
  SetGuiDriver(std::move(Driver));
  return true;
}

namespace {

// Turns SIGTERM and SIGINT into WM_CLOSE for Wnd until Stop is set; the
// signals must be blocked in every thread.
void ForwardSignals(HWND Wnd, const sigset_t* Signals, const std::atomic<bool>* Stop) {
  for (;;) {
    int Sig = 0;
    if (sigwait(Signals, &Sig) != 0 || *Stop) return;
    PostMessage(Wnd, WM_CLOSE);
  }
}

}  // namespace

namespace {

sigset_t CloseSignals() {
  sigset_t Signals;
  sigemptyset(&Signals);
  sigaddset(&Signals, SIGTERM);
  sigaddset(&Signals, SIGINT);
  return Signals;
}

}  // namespace

void TakeOverCloseSignals() {
  sigset_t Signals = CloseSignals();
  pthread_sigmask(SIG_BLOCK, &Signals, nullptr);
}

int RunHostMainWindow(std::function<void()> OnReady) {
  TakeOverCloseSignals();
  sigset_t Signals = CloseSignals();

  HWND Wnd = CreateHostMainWindow([] { PostQuitMessage(0); });
  std::atomic<bool> Stop = false;
  std::thread Forwarder(ForwardSignals, Wnd, &Signals, &Stop);
  if (OnReady) OnReady();
  MSG Msg;
  while (GetMessage(Msg)) DispatchMessage(Msg);
  Stop = true;
  pthread_kill(Forwarder.native_handle(), SIGTERM);
  Forwarder.join();
  return 0;
}
