// Back buffers in memory shared with the X server (the MIT-SHM extension
// of libXext, loaded at run time): XShmPutImage lets the server read the
// pixels in place instead of receiving them through the socket. A server
// that cannot reach the segment (another machine, another IPC namespace)
// refuses the attach; the window then keeps a buffer of its own.
#include "platform/gui/x11_internal.h"

#include <X11/Xlib.h>
#include <X11/Xutil.h>
#include <sys/ipc.h>
#include <sys/shm.h>

namespace x11 {

namespace {

// The segment as the extension's requests describe it.
struct TShmSegmentInfo {
  unsigned long shmseg;
  int shmid;
  char* shmaddr;
  Bool readOnly;
};

struct TShmApi {
  Bool (*QueryExtension)(Display*) = nullptr;
  XImage* (*CreateImage)(Display*, Visual*, unsigned, int, char*, TShmSegmentInfo*, unsigned, unsigned) = nullptr;
  Bool (*Attach)(Display*, TShmSegmentInfo*) = nullptr;
  Bool (*Detach)(Display*, TShmSegmentInfo*) = nullptr;
  Bool (*PutImage)(Display*, Drawable, GC, XImage*, int, int, int, int, unsigned, unsigned, Bool) = nullptr;
};

const TShmApi& Shm() {
  static const TShmApi Api = [] {
    TShmApi a;
    void* lib = dlopen("libXext.so.6", RTLD_NOW | RTLD_LOCAL);
    bool ok = LoadSymbol(lib, "XShmQueryExtension", a.QueryExtension) &&
              LoadSymbol(lib, "XShmCreateImage", a.CreateImage) && LoadSymbol(lib, "XShmAttach", a.Attach) &&
              LoadSymbol(lib, "XShmDetach", a.Detach) && LoadSymbol(lib, "XShmPutImage", a.PutImage);
    return ok ? a : TShmApi{};
  }();
  return Api;
}

}  // namespace

struct TShmBuffer::TSegment : TShmSegmentInfo {};

bool ShmAvailable(_XDisplay* Dpy) { return Shm().QueryExtension && Shm().QueryExtension(Dpy); }

std::unique_ptr<TShmBuffer> TShmBuffer::Create(_XDisplay* Dpy, int Depth, int Width, int Height) {
  std::unique_ptr<TShmBuffer> b(new TShmBuffer(Dpy));
  b->FSeg->shmid = shmget(IPC_PRIVATE, size_t(Width) * Height * 4, IPC_CREAT | 0600);
  if (b->FSeg->shmid < 0) return nullptr;
  void* addr = shmat(b->FSeg->shmid, nullptr, 0);
  // The segment goes away with its last user; nothing is left behind.
  shmctl(b->FSeg->shmid, IPC_RMID, nullptr);
  if (addr == reinterpret_cast<void*>(-1)) return nullptr;
  b->FSeg->shmaddr = static_cast<char*>(addr);
  Visual* v = DefaultVisual(Dpy, DefaultScreen(Dpy));
  b->FImage = Shm().CreateImage(Dpy, v, unsigned(Depth), ZPixmap, b->FSeg->shmaddr, b->FSeg.get(), unsigned(Width),
                                unsigned(Height));
  if (!b->FImage || b->FImage->bytes_per_line != Width * 4) return nullptr;
  unsigned long errors = XErrorCount();
  Shm().Attach(Dpy, b->FSeg.get());
  XSync(Dpy, False);
  if (XErrorCount() != errors) return nullptr;
  b->FAttached = true;
  return b;
}

TShmBuffer::TShmBuffer(_XDisplay* Dpy) : FDpy(Dpy), FSeg(std::make_unique<TSegment>()) {}

TShmBuffer::~TShmBuffer() {
  if (FAttached) {
    Shm().Detach(FDpy, FSeg.get());
    XSync(FDpy, False);  // the server lets go before the memory does
  }
  if (FImage) FImage->data = nullptr, XDestroyImage(FImage);
  if (FSeg->shmaddr) shmdt(FSeg->shmaddr);
}

unsigned char* TShmBuffer::Bits() const { return reinterpret_cast<unsigned char*>(FSeg->shmaddr); }

void TShmBuffer::Put(XId Window, _XGC* Gc, const TRect& R) {
  Shm().PutImage(FDpy, Window, Gc, FImage, R.Left, R.Top, R.Left, R.Top, unsigned(R.Width()), unsigned(R.Height()),
                 False);
}

}  // namespace x11
