// The sample office: table layouts, index tags and the side files.
#include "host/SampleOffice.h"

#include <vector>

#include "platform/os/fileapi.h"
#include "platform/rtl/strings.h"
#include "platform/rtl/sysutils.h"

namespace {

const char* const AddressFields =
    "ID,AutoInc;FIRMA,Character,60;ANREDE,Character,20;VORNAME,Character,30;NAME,Character,40;"
    "STRASSE,Character,50;PLZ,Character,10;ORT,Character,40;TELEFON,Character,30;"
    "EMAIL,Character,60;NOTIZ,Memo;ADR_46_,Character,11;ADR_47_,Character,18";

const char* const OrderFields =
    "ID,AutoInc;ID_ORDER,Character,12;Status,ShortInt;ParentName,Character,18;AdressID,Integer;"
    "DATUM,Date;BETREFF,Character,80;NETTO,Double;BRUTTO,Double;TEXT,Memo";

const char* const ArticleFields =
    "ID,AutoInc;ARTNR,Character,20;BEZEICHNUNG1,Character,60;BEZEICHNUNG2,Character,60;"
    "EINHEIT,Character,10;VK1,Double;EK,Double;MWST,ShortInt;BESCHREIBUNG,Memo";

const char* const StockFields =
    "ID,AutoInc;ARTIKELID,Integer;LAGER,Character,20;BESTAND,Double;LIEFERANT,Character,40";

const char* const SetupFields =
    "ID,AutoInc;Ident,Integer;StringItem,Character,100;MemoItem,Memo;logo,Binary";

const char* const TemplateFields = "ID,AutoInc;NAME,Character,60;VORLAGE,Memo";

const char* const TextFields = "ID,AutoInc;KURZ,Character,20;TEXT,Memo";

struct TTagDef {
  const char *Name = nullptr, *Expr = nullptr;
  bool Unique = false;
};

// A business table: its layout, its index tags and the routine that fills it.
struct TTableDef {
  const char* Name;
  const char* Fields;
  TTagDef Tags[3];
  void (*Fill)(THostTable&);
};

const TTableDef BusinessTables[] = {
    {"Adressen", AddressFields, {{"ID", "ID", true}, {"NAME", "UPPER(NAME)"}}, FillAddresses},
    {"Auftraege", OrderFields,
     {{"ID_ORDER", "ID_ORDER"}, {"ID", "ID", true}, {"ADRESSID", "AdressID"}}, FillOrders},
    {"ArtikelMain", ArticleFields, {{"ID", "ID", true}, {"ARTNR", "UPPER(ARTNR)"}}, FillArticles},
    {"ArtikelSub", StockFields, {{"ID", "ID", true}, {"ARTIKELID", "ARTIKELID"}}, FillArticleStock},
    {"OrderVL", TemplateFields, {{"ID", "ID", true}, {"NAME", "UPPER(NAME)"}}, FillOrderTemplates},
    {"TEXT", TextFields, {{"KURZ", "UPPER(KURZ)"}}, FillTextModules},
};

void WriteText(const String& FileName, const String& Text) {
  TStringList Lines;
  Lines.SetText(Text);
  Lines.SaveToFile(FileName);
}

// The files beside the tables that the copy step takes by mask: a text
// file, a macro and a layout.
void WriteSideFiles(const String& Folder) {
  WriteText(Folder + "Hinweise.TXT", "Datensicherung jeden Freitag.\r\nAnsprechpartner EDV: Herr Berger");
  ForceDirectories(Folder + "MACROS");
  WriteText(Folder + "MACROS/Serienbrief.RTF", "{\\rtf1\\ansi Sehr geehrte Damen und Herren,\\par}");
  WriteText(Folder + "RECHNUNG_SUPERLAYOUT.DA1", "[LAYOUT]\r\nNAME=Rechnung\r\nSEITEN=1");
}

// Refuses a folder that holds any of the office's tables already, before
// anything is written.
void CheckNoOffice(const String& Folder) {
  std::vector<String> Names{"setup"};
  for (const TTableDef& Def : BusinessTables) Names.push_back(Def.Name);
  for (const String& Name : Names)
    if (FileExists(Folder + Name + ".OAT"))
      throw EHostSetupError("Der Ordner " + Folder + " enthält bereits einen Mandanten (" + Name +
                            ".OAT)");
}

}  // namespace

String CreateSampleOffice(const String& DataFolder) {
  String Folder = IncludeTrailingPathDelimiter(DataFolder);
  if (!ForceDirectories(Folder)) throw EHostSetupError("Ordner " + Folder + " kann nicht angelegt werden");
  CheckNoOffice(Folder);
  THostConnection Connection(Folder);
  for (const TTableDef& Def : BusinessTables) {
    THostTable Table(Connection, Def.Name, Def.Fields);
    for (const TTagDef& Tag : Def.Tags)
      if (Tag.Name) Table.AddIndex(Tag.Name, Tag.Expr, Tag.Unique);
    Def.Fill(Table);
  }
  THostTable Setup(Connection, "setup", SetupFields);
  Setup.AddIndex("Ident", "Ident");
  String OfficeGUID = FillSetup(Setup);
  Setup.Close();
  WriteSideFiles(Folder);
  return OfficeGUID;
}
