// The host's program folder: program files, template, INI files, help page,
// menu file and plug-in.
#include "host/ToolFolder.h"

#include "platform/os/fileapi.h"
#include "platform/rtl/strings.h"
#include "platform/rtl/sysutils.h"

const char* const HostProgramFiles[9] = {"TOVAR.EXE", "extend.chr",  "OAKLOC32.dll",
                                         "oaklocal.cfg", "ANSI.CHR", "oxcws32.dll",
                                         "Oce32.dll",    "kvpp2.exe", "kvpm2.exe"};

namespace {

void WriteLines(const String& FileName, const String& Text) {
  TStringList Lines;
  Lines.SetText(Text);
  Lines.SaveToFile(FileName);
}

void CopyProgram(const String& Source, const String& Dest) {
  if (Source.empty() || !FileExists(Source))
    throw EHostSetupError("Programm nicht gefunden: " + Source);
  if (!CopyFile(Source, Dest, false)) throw EHostSetupError("Kopieren fehlgeschlagen: " + Dest);
}

// Stand-ins for the host's libraries and helper programs: only their names
// matter to the tool, which copies them.
void WriteProgramPlaceholders(const String& Folder) {
  for (const char* Name : HostProgramFiles) {
    String N = Name;
    if (N == "TOVAR.EXE" || N == "oaklocal.cfg") continue;
    WriteLines(Folder + N, "Platzhalter für " + N + " der Torvane-Installation");
  }
  WriteLines(Folder + "oaklocal.cfg",
             "[SETTINGS]\r\nCONNECTIONS=50\r\nTABLES=250\r\nINDEXES=250\r\nLOCKS=250\r\n"
             "ANSI_CHAR_SET=German\r\nOEM_CHAR_SET=GERMAN");
}

void WriteSettingsFiles(const String& Folder) {
  WriteLines(Folder + "ALTEURO.INI",
             "[EUCHAR]\r\nVALUE=€\r\nNULL=0\r\n[COUNTRY]\r\nEURO=1\r\nEINZELNOT5RAPPEN=0\r\n"
             "NACHKOMMA3=0");
  WriteLines(Folder + "ZUVID.INI",
             "[MAIL]\r\nmailMAPI=0\r\nmailMAPI_Kind=0\r\n[PRINTERS]\r\nDuplexType=0\r\n"
             "DEFAULT=Büro-Laser\r\n[COPIES]\r\nDokument=1\r\n[CanChangeCloseOrder]\r\nValue=100");
}

void WriteHelpPage(const String& Folder) {
  WriteLines(Folder + "synchlp.htm",
             "<html><head><meta charset=\"utf-8\"><title>Laptopabgleich</title></head><body>\r\n"
             "<h1>Laptopabgleich - mobile Datenerfassung</h1>\r\n"
             "<p>Wählen Sie eine mobile Installation, prüfen Sie das Ziel und drücken Sie "
             "[Ausführen]. Vor dem Abgleich wird eine Sicherheitskopie des Mandanten angelegt.</p>\r\n"
             "</body></html>");
}

// The host's menu file with the lines of two other tools.
void WriteMenuFile(const String& Folder) {
  WriteLines(Folder + "ZS.MNU", Folder + "kvpp2.exe;Preispflege\r\n" + Folder +
                                    "kvpm2.exe;Mahnwesen");
}

}  // namespace

void CreateToolFolder(const String& ToolFolder, const TToolPrograms& Programs) {
  String Folder = IncludeTrailingPathDelimiter(ToolFolder);
  if (!ForceDirectories(Folder + "PLUGINS"))
    throw EHostSetupError("Ordner " + Folder + " kann nicht angelegt werden");
  CopyProgram(Programs.UpdateMobile, Folder + "UPDATEMOBILE.EXE");
  CopyProgram(Programs.Tovar, Folder + "TOVAR.EXE");
  WriteProgramPlaceholders(Folder);
  WriteSettingsFiles(Folder);
  WriteHelpPage(Folder);
  WriteMenuFile(Folder);
  WriteLines(Folder + "PLUGINS/Etiketten.FMC", "[PLUGIN]\r\nNAME=Etikettendruck");
}

void WriteServiceList(const String& FileName, const std::vector<String>& Programs) {
  ForceDirectories(ExtractFilePath(FileName));
  TStringList Lines;
  for (const String& P : Programs) Lines.Add(P);
  Lines.SaveToFile(FileName);
}
