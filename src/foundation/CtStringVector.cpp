// The string vectors and their shared item handler.
#include <cstring>

#include "foundation/CtContainers.h"

RTL_IMPLEMENT_CLASS(TCtAnsiStringVector, TCtVector, nullptr)
RTL_IMPLEMENT_CLASS(TCtAnsiStringPointerVector, TCtAnsiStringVector, nullptr)

namespace {

// The stream form keeps the original 32-bit item layout: the header says
// 8 and each item is its string followed by the four low bytes of Data.
constexpr Integer StreamItemSize = 8;

TCtAnsiStringItem& AsItem(void* P) { return *static_cast<TCtAnsiStringItem*>(P); }
const TCtAnsiStringItem& AsItem(const void* P) { return *static_cast<const TCtAnsiStringItem*>(P); }

TCtItemHandler* MakeStringHandler() {
  auto* H = new TCtItemHandler(sizeof(TCtAnsiStringItem));
  H->SetOnInitItem([](void* P) { AsItem(P) = TCtAnsiStringItem{nullptr, nullptr}; });
  H->SetOnFreeItem([](void* P) {
    delete AsItem(P).Str;
    AsItem(P).Str = nullptr;
  });
  H->SetOnCopyItem([](const void* Src, void* Dst) {
    const TCtAnsiStringItem& S = AsItem(Src);
    TCtAnsiStringItem& D = AsItem(Dst);
    String* Copy = S.Str ? new String(*S.Str) : nullptr;
    delete D.Str;
    D.Str = Copy;
    D.Data = S.Data;
  });
  H->SetOnWriteItem([](TCtContainer*, TCtWriter* W, const void* P, void*) {
    const TCtAnsiStringItem& I = AsItem(P);
    W->WriteString(I.Str ? *I.Str : String());
    std::uint32_t Low = static_cast<std::uint32_t>(reinterpret_cast<std::uintptr_t>(I.Data));
    W->WriteBuffer(&Low, StreamItemSize - 4);
  });
  H->SetOnReadItem([](TCtContainer*, TCtReader* R, void* P, void*) {
    TCtAnsiStringItem& I = AsItem(P);
    String S = R->ReadString();
    std::uint32_t Low = 0;
    R->ReadBuffer(&Low, StreamItemSize - 4);
    delete I.Str;
    I.Str = S.empty() ? nullptr : new String(std::move(S));
    I.Data = reinterpret_cast<void*>(std::uintptr_t(Low));
  });
  H->SetOnWriteHeader([](TCtContainer*, TCtWriter* W, void*) { W->WriteInteger(StreamItemSize); });
  H->SetOnReadHeader([](TCtContainer* C, TCtReader* R, void*) {
    if (R->ReadInteger() != StreamItemSize) C->Error("Invalid ItemSize (" + std::to_string(StreamItemSize) + ")");
  });
  return H;
}

}  // namespace

TCtItemHandler* CtAnsiStringItemHandler() {
  // Made on first use and kept to the end of the process: containers that
  // are destroyed during exit still find it.
  static TCtItemHandler* Handler = MakeStringHandler();
  return Handler;
}

TCtAnsiStringPointerVector* NewCtAnsiStringPointerVector() {
  return new TCtAnsiStringPointerVector(CtAnsiStringItemHandler());
}

String TCtAnsiStringVector::Strings(Integer Index) const {
  const TCtAnsiStringItem& I = AsItem(GetItemPointer(Index));
  return I.Str ? *I.Str : String();
}

void TCtAnsiStringVector::SetStrings(Integer Index, const String& S) {
  TCtAnsiStringItem& I = AsItem(GetItemPointer(Index));
  String* New = S.empty() ? nullptr : new String(S);
  delete I.Str;
  I.Str = New;
}

void* TCtAnsiStringVector::Data(Integer Index) const { return AsItem(GetItemPointer(Index)).Data; }

void TCtAnsiStringVector::SetData(Integer Index, void* D) { AsItem(GetItemPointer(Index)).Data = D; }

Integer TCtAnsiStringVector::Add(const String& S, void* D) {
  TCtAnsiStringItem& I = AsItem(InsertLast());
  I.Str = S.empty() ? nullptr : new String(S);
  I.Data = D;
  return Count() - 1;
}
