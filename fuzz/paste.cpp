// Fuzzes pasted clipboard text: whatever another program put on the
// clipboard, pasting it into a plain edit or a masked edit (any mask)
// leaves a text the edit can show and the caret inside it.
//
// Input: one byte giving the mask's length (0: the plain edit), the mask,
// then the clipboard text.
#include <cstdlib>

#include "platform/gui/forms_application.h"
#include "platform/gui/stdctrls_edit.h"
#include "platform/gui/winapi.h"
#include "ui/controls/EcChoice.h"

// The font libraries keep their configuration and caches for the life of
// the process; what they hold at exit is not a leak of the edits.
extern "C" const char* __lsan_default_suppressions() { return "leak:libfontconfig\nleak:libfreetype\n"; }

namespace {

// Matching a mask against a text takes time quadratic in the mask by
// design; keep each input short.
constexpr std::size_t MaxMask = 64, MaxText = 1024;

void CheckCaret(TCustomEdit* E) {
  if (E->SelStart() < 0 || E->SelStart() > Integer(E->Text().size())) std::abort();
}

}  // namespace

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* Data, size_t Size) {
  static TForm* Form = [] {
    auto* F = new TForm(Application, 0);
    F->AfterConstruction();
    F->SetBounds(100, 100, 300, 200);
    return F;
  }();
  static auto* Plain = [] {
    auto* E = new TEdit(Form);
    E->SetParent(Form);
    return E;
  }();
  static auto* Masked = [] {
    auto* E = new TEcParentEdit(Form);
    E->SetParent(Form);
    return E;
  }();
  if (Size == 0) return 0;
  std::size_t MaskLen = std::min<std::size_t>({Data[0], Size - 1, MaxMask});
  std::string Mask(reinterpret_cast<const char*>(Data + 1), MaskLen);
  std::string Clip(reinterpret_cast<const char*>(Data + 1 + MaskLen), std::min(Size - 1 - MaskLen, MaxText));
  SetClipboardText(Clip);
  TCustomEdit* Edit = Plain;
  if (!Mask.empty()) {
    Masked->SetEditMask(Mask);
    Masked->ResetMaskText();
    Edit = Masked;
  } else {
    Plain->SetText("vorher");
    Plain->SelectAll();
  }
  Edit->Perform(WM_PASTE);
  CheckCaret(Edit);
  Edit->Perform(WM_PASTE);
  CheckCaret(Edit);
  return 0;
}
