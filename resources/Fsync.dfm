object Fsync: TFsync
  Left = 0
  Top = 0
  BorderIcons = [biSystemMenu, biMaximize]
  BorderStyle = bsDialog
  Caption = 'Laptopabgleich - mobile Datenerfassung f'#252'r'
  ClientHeight = 361
  ClientWidth = 719
  Color = clBtnFace
  Font.Color = clWindowText
  Font.Height = -12
  Font.Name = 'Tahoma'
  Font.Style = []
  KeyPreview = True
  OldCreateOrder = False
  Position = poScreenCenter
  Scaled = False
  OnCreate = FormCreate
  OnShow = FormShow
  PixelsPerInch = 96
  TextHeight = 14
  object LabelHeader: TLabel
    Left = 8
    Top = 4
    Width = 700
    Height = 16
    Font.Color = clWindowText
    Font.Height = -12
    Font.Name = 'Tahoma'
    Font.Style = [fsBold]
    ParentFont = False
  end
  object LabelInfo: TLabel
    Left = 8
    Top = 22
    Width = 700
    Height = 16
  end
  object WizardNotebook1: TWizardNotebook
    Left = 0
    Top = 40
    Width = 719
    Height = 270
    PageIndex = 0
    btnNext = FlatButton_next
    btnBack = FlatButton_back
    lblHeader = LabelHeader
    lblInfo = LabelInfo
    HeaderCaption.Strings = (
      'Mit Travlink k'#246'nnen Daten zwischen nicht unmittelbar verbundenen PC''s syncronisiert werden.'
      'Datenbank suchen.'
      'Daten '#252'bertragen.')
    InfoCaption.Strings = (
      'W'#228'hlen des Zieles..'
      #220'berpr'#252'fen des Zieles..'
      'Ausf'#252'hren. Der Vorgang kann einige Zeit andauern. ')
    object TPage
      Left = 0
      Top = 0
      Caption = '0'
      object I_DBKMSYS: TKMGrid
        Left = 8
        Top = 8
        Width = 700
        Height = 148
        DataSource = KMD
      end
      object flbname: TPlainButton
        Left = 8
        Top = 236
        Width = 110
        Height = 25
        Caption = 'Beschreibung'
      end
      object flbpath: TPlainButton
        Left = 122
        Top = 236
        Width = 130
        Height = 25
        Caption = 'Verzeichnis w'#228'hlen'
      end
      object flbr23423: TPlainButton
        Left = 256
        Top = 236
        Width = 120
        Height = 25
        Caption = 'Rechte vergeben'
      end
      object FlatButton3423423: TPlainButton
        Left = 380
        Top = 236
        Width = 100
        Height = 25
        Caption = #220'bernehmen'
      end
      object FlatButton2: TPlainButton
        Left = 560
        Top = 236
        Width = 150
        Height = 25
        Caption = 'Installation entfernen'
      end
    end
    object TPage
      Left = 0
      Top = 0
      Caption = '2'
      object Label62342: TLabel
        Left = 8
        Top = 8
        Width = 700
        Height = 16
        Caption = 'Vorbereiten der Aktionen...'
      end
      object Label1: TLabel
        Left = 8
        Top = 32
        Width = 100
        Height = 16
        Caption = 'Zielverzeichnis:'
      end
      object FlatInstalls2: TEdit
        Left = 110
        Top = 30
        Width = 600
        Height = 21
        ReadOnly = True
        TabStop = False
      end
      object BaseDir: TLabel
        Left = 8
        Top = 60
        Width = 700
        Height = 90
        AutoSize = False
        WordWrap = True
      end
      object snnoneKelpo: TFsyncCheckBox
        Left = 8
        Top = 160
        Width = 330
        Height = 20
        Caption = 'Nur Daten auf das mobile System kopieren'
      end
      object scignoreadr: TFsyncCheckBox
        Left = 8
        Top = 210
        Width = 700
        Height = 20
        Caption = 'Mobile Adressen, f'#252'r die kein Auftrag auf dem mobilen System existiert, ignorieren'
      end
      object Fpclose: TPanel
        Left = 200
        Top = 100
        Width = 300
        Height = 60
        Caption = 'Torvane wird beendet..'
        Visible = False
      end
    end
    object TPage
      Left = 0
      Top = 0
      Caption = '3'
      object l1: TLabel
        Left = 40
        Top = 8
        Width = 600
        Height = 16
        Caption = 'Lesen aktueller Mandant'
      end
      object l2: TLabel
        Left = 40
        Top = 30
        Width = 600
        Height = 16
        Caption = 'Lesen mobile Daten'
      end
      object l3: TLabel
        Left = 40
        Top = 52
        Width = 600
        Height = 16
        Caption = 'Daten synchronisieren'
      end
      object l4: TLabel
        Left = 40
        Top = 74
        Width = 600
        Height = 16
        Caption = #220'berpr'#252'fen der Daten'
      end
      object l5: TLabel
        Left = 40
        Top = 96
        Width = 600
        Height = 16
        Caption = 'Mandant sichern'
      end
      object l6: TLabel
        Left = 40
        Top = 118
        Width = 600
        Height = 16
        Caption = 'Mandanten zur'#252'ckschreiben'
      end
      object l7: TLabel
        Left = 40
        Top = 140
        Width = 600
        Height = 16
        Caption = 'Zur'#252'ckschreiben der mobilen Daten'
      end
      object l8: TLabel
        Left = 40
        Top = 162
        Width = 600
        Height = 16
        Caption = 'Fertig'
      end
      object fbstepshow: TPlainButton
        Left = 12
        Top = 4
        Width = 20
        Height = 20
        Visible = False
      end
      object pgmain: TPlainProgressBar
        Left = 12
        Top = 190
        Width = 685
        Height = 29
        Min = 0
        Max = 100
        Smooth = True
      end
      object Label3copy: TLabel
        Left = 12
        Top = 226
        Width = 685
        Height = 16
      end
    end
  end
  object Panel298909: TPanel
    Left = 0
    Top = 310
    Width = 719
    Height = 51
    BevelOuter = bvNone
    object lbinfo: TLabel
      Left = 8
      Top = 4
      Width = 400
      Height = 40
      AutoSize = False
      WordWrap = True
    end
    object FlatButton332423: TPlainButton
      Left = 410
      Top = 12
      Width = 70
      Height = 25
      Caption = 'Hilfe'
    end
    object FlatButton_back: TPlainButton
      Left = 485
      Top = 12
      Width = 75
      Height = 25
      Caption = 'Zu&r'#252'ck'
    end
    object FlatButton_next: TPlainButton
      Left = 563
      Top = 12
      Width = 75
      Height = 25
      Caption = '&Weiter'
    end
    object FlatButton_cancel: TPlainButton
      Left = 641
      Top = 12
      Width = 75
      Height = 25
      Caption = '&Schlie'#223'en'
    end
  end
  object OakSettingsmain: TOakSettings
    DateFormat = 'DD.MM.YYYY'
  end
  object OakConnection: TOakConnection
  end
  object OakConnectionRemote: TOakConnection
  end
  object Table_ORDERS: TOakTable
    OakConnection = OakConnection
    TableName = 'Auftraege.OAT'
  end
  object OakTable_ADR: TOakTable
    OakConnection = OakConnection
    TableName = 'Adressen.OAT'
  end
  object OakTableSettings: TOakTable
    OakConnection = OakConnection
    TableName = 'setup.OAT'
    IndexName = 'IDENT'
  end
  object OakTableRemoteSettings: TOakTable
    OakConnection = OakConnectionRemote
    TableName = 'setup.OAT'
    IndexName = 'IDENT'
  end
  object OakTableRemoteOrders: TOakTable
    OakConnection = OakConnectionRemote
    TableName = 'Auftraege.OAT'
  end
  object OakTableRemoteADR: TOakTable
    OakConnection = OakConnectionRemote
    TableName = 'Adressen.OAT'
  end
  object OakTableTemp: TOakTable
    OakConnection = OakConnectionRemote
  end
  object mtCSVStreamFormat1: TmtCSVStreamFormat
    sfLocalFormat = [sfSaveLocalFormat, sfLoadLocalFormat]
  end
  object KM: TmtMemTable
    DefaultFormat = mtCSVStreamFormat1
    object KMName: TStringField
      FieldName = 'Name'
      Size = 100
    end
    object KMPath: TStringField
      FieldName = 'Path'
      Size = 200
    end
    object KM2: TStringField
      FieldName = '2'
    end
    object KM3: TStringField
      FieldName = '3'
    end
    object KM4: TStringField
      FieldName = '4'
    end
    object KM5: TStringField
      FieldName = '5'
    end
    object KM6: TStringField
      FieldName = '6'
    end
    object KM7: TStringField
      FieldName = '7'
    end
    object KM8: TStringField
      FieldName = '8'
    end
    object KMID: TSmallintField
      FieldName = 'ID'
    end
    object KMGUID: TStringField
      FieldName = 'GUID'
      Size = 100
    end
    object KMRIGHTS: TIntegerField
      FieldName = 'RIGHTS'
    end
  end
  object KMD: TDataSource
    DataSet = KM
  end
  object BackupFile1: TBackupFile
  end
end
