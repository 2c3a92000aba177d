#include "foundation/CtContainers.h"

#include <cstdlib>
#include <cstring>

RTL_IMPLEMENT_CLASS(ECtContainerError, Exception, nullptr)
RTL_IMPLEMENT_CLASS(TCtErrorObject, TPersistent, nullptr)
RTL_IMPLEMENT_CLASS(TCtBaseHandler, TCtErrorObject, nullptr)
RTL_IMPLEMENT_CLASS(TCtItemHandler, TCtBaseHandler, nullptr)
RTL_IMPLEMENT_CLASS(TCtContainer, TCtErrorObject, nullptr)
RTL_IMPLEMENT_CLASS(TCtLinearContainer, TCtContainer, nullptr)

// ---- errors -------------------------------------------------------------------

void TCtErrorObject::Error(const String& Msg) const {
  throw ECtContainerError("Class " + ClassName() + ": " + Msg);
}

void TCtErrorObject::IndexError(Int64 Index) const {
  Error("Der Index der Liste überschreitet das Maximum (" + std::to_string(Index) + ")");
}

// ---- item handler -------------------------------------------------------------

TCtItemHandler::TCtItemHandler(Integer AItemSize) : FItemSize(AItemSize) {}

void TCtItemHandler::BeforeDestruction() const {
  if (FUseCount > 0) Error("ItemHandler in use during destruction");
}

void TCtItemHandler::CheckUnused(const char* What) const {
  if (FUseCount > 0) Error(String("ItemHandler in use while ") + What);
}

void TCtItemHandler::SetItemSize(Integer Value) {
  CheckUnused("setting ItemSize");
  if (Value <= 0) Error("Invalid ItemSize (" + std::to_string(Value) + ")");
  FItemSize = Value;
}

void TCtItemHandler::SetOnInitItem(TCtItemProc P) {
  CheckUnused("assigning OnInitItem");
  FOnInitItem = std::move(P);
}
void TCtItemHandler::SetOnFreeItem(TCtItemProc P) {
  CheckUnused("assigning OnFreeItem");
  FOnFreeItem = std::move(P);
}
void TCtItemHandler::SetOnCopyItem(TCtCopyItemProc P) {
  CheckUnused("assigning OnCopyItem");
  FOnCopyItem = std::move(P);
}
void TCtItemHandler::SetOnReadItem(TCtReadItemProc P) {
  CheckUnused("assigning OnReadItem");
  FOnReadItem = std::move(P);
}
void TCtItemHandler::SetOnWriteItem(TCtWriteItemProc P) {
  CheckUnused("assigning OnWriteItem");
  FOnWriteItem = std::move(P);
}
void TCtItemHandler::SetOnReadHeader(TCtReadHeaderProc P) {
  CheckUnused("assigning OnReadHeader");
  FOnReadHeader = std::move(P);
}
void TCtItemHandler::SetOnWriteHeader(TCtWriteHeaderProc P) {
  CheckUnused("assigning OnWriteHeader");
  FOnWriteHeader = std::move(P);
}

// ---- container ----------------------------------------------------------------

TCtContainer::TCtContainer(TCtItemHandler* AHandler) : FHandler(AHandler) {
  if (!AHandler) Error("ItemHandler is nil");
  if (AHandler->ItemSize() <= 0) Error("Invalid ItemSize (" + std::to_string(AHandler->ItemSize()) + ")");
  ++FHandler->FUseCount;
}

TCtContainer::~TCtContainer() { --FHandler->FUseCount; }

void TCtContainer::CheckSameItems(const TCtSameItemsProc& P) const {
  if (!P) Error("SameItems not assigned");
}

void TCtContainer::CheckIterate(const TCtIterateProc& P) const {
  if (!P) Error("IterateItems not assigned");
}

void TCtContainer::CheckAssignSource(TCtContainer* Source) const {
  if (Source->FHandler != FHandler) Error("Itemhandlers do not match");
  if (!FHandler->OnCopyItem()) Error("OnCopyItems not assigned");
}

TCtContainer* TCtContainer::BeginAssign(TPersistent* Source) {
  auto* Src = dynamic_cast<TCtContainer*>(Source);
  if (!Src || !(Src->Is<TCtVector>() || Src->Is<TCtList>() || Src->Is<TCtTree>())) {
    TPersistent::Assign(Source);
    return nullptr;
  }
  if (Src == this) return nullptr;
  CheckAssignSource(Src);
  Clear();
  return Src;
}

void TCtLinearContainer::AppendCopiesOf(TCtContainer* Source) {
  const TCtCopyItemProc& Copy = FHandler->OnCopyItem();
  Source->ForEach([&](void* Item) { Copy(Item, InsertLast()); });
}

void TCtContainer::InitItem(void* Item) const {
  if (FHandler->OnInitItem()) FHandler->OnInitItem()(Item);
}

void TCtContainer::FreeItem(void* Item) const {
  if (FHandler->OnFreeItem()) FHandler->OnFreeItem()(Item);
}

void TCtContainer::WriteItems(TCtWriter* Writer, Integer Flags, void* Extra) {
  if (!FHandler->OnWriteItem()) Error("OnWriteItem not assigned");
  if (Flags & ctfSignature) Writer->WriteBuffer(Signature(), 4);
  if (Flags & ctfVersion) Writer->WriteCardinal(1);
  if ((Flags & ctfHeader) && FHandler->OnWriteHeader()) FHandler->OnWriteHeader()(this, Writer, Extra);
  WriteBody(Writer, Extra);
}

void TCtContainer::ReadItems(TCtReader* Reader, Integer Flags, void* Extra) {
  if (!FHandler->OnReadItem()) Error("OnReadItem not assigned");
  if (Flags & ctfSignature) {
    char Sig[4];
    Reader->ReadBuffer(Sig, 4);
    if (std::memcmp(Sig, Signature(), 4) != 0) Error(SInvalidStreamFormat);
  }
  if ((Flags & ctfVersion) && Reader->ReadCardinal() != 1) Error(SInvalidStreamFormat);
  if ((Flags & ctfHeader) && FHandler->OnReadHeader()) FHandler->OnReadHeader()(this, Reader, Extra);
  Clear();
  ReadBody(Reader, Extra);
}

void TCtContainer::LoadFromStream(TStream* Stream) {
  if (!Stream) Error("Stream is nil");
  TCtBinaryReader Reader(Stream, 4096);
  ReadItems(&Reader, ctfSignature | ctfVersion | ctfHeader, nullptr);
}

void TCtContainer::SaveToStream(TStream* Stream) {
  if (!Stream) Error("Stream is nil");
  TCtBinaryWriter Writer(Stream, 4096);
  WriteItems(&Writer, ctfSignature | ctfVersion | ctfHeader, nullptr);
  Writer.FlushBuffer();
}
