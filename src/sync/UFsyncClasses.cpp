// The classes the main form's description names and the form's published
// fields and handlers, through which the description fills TFsync.
#include "platform/db/fieldkinds.h"
#include "platform/rtl/classreg.h"
#include "sync/Umsync.h"

// Every component of the description is stored in the form's member of
// the same name; the handlers are bound by their names.
RTL_PUBLISHED(TFsync) {
  P.Field("OakSettingsmain", &TFsync::OakSettingsmain);
  P.Field("OakConnection", &TFsync::OakConnection);
  P.Field("OakConnectionRemote", &TFsync::OakConnectionRemote);
  P.Field("Table_ORDERS", &TFsync::Table_ORDERS);
  P.Field("OakTable_ADR", &TFsync::OakTable_ADR);
  P.Field("OakTableSettings", &TFsync::OakTableSettings);
  P.Field("OakTableRemoteSettings", &TFsync::OakTableRemoteSettings);
  P.Field("OakTableRemoteOrders", &TFsync::OakTableRemoteOrders);
  P.Field("OakTableRemoteADR", &TFsync::OakTableRemoteADR);
  P.Field("OakTableTemp", &TFsync::OakTableTemp);
  P.Field("KM", &TFsync::KM);
  P.Field("mtCSVStreamFormat1", &TFsync::mtCSVStreamFormat1);
  P.Field("KMD", &TFsync::KMD);
  P.Field("BackupFile1", &TFsync::BackupFile1);
  P.Field("WizardNotebook1", &TFsync::WizardNotebook1);
  P.Field("LabelHeader", &TFsync::LabelHeader);
  P.Field("LabelInfo", &TFsync::LabelInfo);
  P.Field("FlatButton_next", &TFsync::FlatButton_next);
  P.Field("FlatButton_back", &TFsync::FlatButton_back);
  P.Field("FlatButton_cancel", &TFsync::FlatButton_cancel);
  P.Field("FlatButton332423", &TFsync::FlatButton332423);
  P.Field("Panel298909", &TFsync::Panel298909);
  P.Field("lbinfo", &TFsync::lbinfo);
  P.Field("Fpclose", &TFsync::Fpclose);
  P.Field("I_DBKMSYS", &TFsync::I_DBKMSYS);
  P.Field("flbname", &TFsync::flbname);
  P.Field("flbpath", &TFsync::flbpath);
  P.Field("flbr23423", &TFsync::flbr23423);
  P.Field("FlatButton3423423", &TFsync::FlatButton3423423);
  P.Field("FlatButton2", &TFsync::FlatButton2);
  P.Field("Label62342", &TFsync::Label62342);
  P.Field("Label1", &TFsync::Label1);
  P.Field("FlatInstalls2", &TFsync::FlatInstalls2);
  P.Field("BaseDir", &TFsync::BaseDir);
  P.Field("snnoneKelpo", &TFsync::snnoneKelpo);
  P.Field("scignoreadr", &TFsync::scignoreadr);
  P.Field("l1", &TFsync::l1);
  P.Field("l2", &TFsync::l2);
  P.Field("l3", &TFsync::l3);
  P.Field("l4", &TFsync::l4);
  P.Field("l5", &TFsync::l5);
  P.Field("l6", &TFsync::l6);
  P.Field("l7", &TFsync::l7);
  P.Field("l8", &TFsync::l8);
  P.Field("fbstepshow", &TFsync::fbstepshow);
  P.Field("pgmain", &TFsync::pgmain);
  P.Field("Label3copy", &TFsync::Label3copy);
  P.Method("FormCreate", &TFsync::FormCreate);
  P.Method("FormShow", &TFsync::FormShow);
  P.Method("KMAfterScroll", &TFsync::KMAfterScroll);
  P.Method("I_DBKMSYSDrawTextFormat", &TFsync::I_DBKMSYSDrawTextFormat);
  P.Method("I_DBKMSYSBeforeHint", &TFsync::I_DBKMSYSBeforeHint);
  P.Method("I_DBKMSYSDrawRichText", &TFsync::I_DBKMSYSDrawRichText);
  P.Method("I_DBKMSYSKeyDown", &TFsync::I_DBKMSYSKeyDown);
  P.Method("flbnameClick", &TFsync::flbnameClick);
  P.Method("flbpathClick", &TFsync::flbpathClick);
  P.Method("flbr23423Click", &TFsync::flbr23423Click);
  P.Method("FlatButton3423423Click", &TFsync::FlatButton3423423Click);
  P.Method("FlatButton2Click", &TFsync::FlatButton2Click);
  P.Method("FlatButton332423Click", &TFsync::FlatButton332423Click);
}

void RegisterFsyncClasses() {
  RegisterClasses({TFsync::StaticClass(), TStyledCheckBox::StaticClass(), TPlainPanel::StaticClass(),
                   TPlainEdit::StaticClass(), TI_DBGrid::StaticClass(),
                     TmtCSVStreamFormat::StaticClass(), TmtMemTable::StaticClass(),
                     TOakSettings::StaticClass(), TOakConnection::StaticClass(),
                     TOakTable::StaticClass(), TDataSource::StaticClass(), TBackupFile::StaticClass(),
                     TStringField::StaticClass(), TSmallintField::StaticClass(),
                     TIntegerField::StaticClass(), TPlainButton::StaticClass(),
                     TPlainProgressBar::StaticClass(), TWizardNotebook::StaticClass(),
                     TPage::StaticClass(), TLabel::StaticClass()});
}
