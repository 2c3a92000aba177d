#include "platform/gui/extctrls_notebook.h"
#include "platform/gui/stdctrls.h"
#include "platform/gui/typeonly.h"
#include "platform/rtl/classreg.h"

void RegisterStandardControls() {
  RegisterClasses({TCustomLabel::StaticClass(), TLabel::StaticClass(), TCustomEdit::StaticClass(),
                   TEdit::StaticClass(), TCustomListBox::StaticClass(), TListBox::StaticClass(),
                   TCustomComboBox::StaticClass(), TComboBox::StaticClass(), TCustomPanel::StaticClass(),
                   TPanel::StaticClass(), TBevel::StaticClass(), TShape::StaticClass(), TImage::StaticClass(),
                   TScrollBox::StaticClass(), TPage::StaticClass(), TNotebook::StaticClass(),
                   TCustomRichEdit::StaticClass(), TRichEdit::StaticClass(), TToolBar::StaticClass()});
}

[[maybe_unused]] static const bool TypeOnlyClassesRegistered =
    (RegisterClasses({TCustomRichEdit::StaticClass(), TRichEdit::StaticClass(), TToolBar::StaticClass()}), true);
