#include "ui/controls/ItemProp.h"

#include <memory>

#include "platform/gui/dialogs.h"
#include "platform/os/shellns.h"

namespace {

String Grouped(std::uint64_t V) {
  String Digits = std::to_string(V), Out;
  for (size_t K = 0; K < Digits.size(); ++K) {
    if (K > 0 && (Digits.size() - K) % 3 == 0) Out += '.';
    Out += Digits[K];
  }
  return Out;
}

}  // namespace

String SizeText(std::uint64_t Bytes) {
  String T = Grouped(Bytes) + " Bytes";
  static const char* const kUnits[] = {"KB", "MB", "GB", "TB"};
  double V = double(Bytes);
  int Unit = -1;
  while (V >= 1024 && Unit < 3) V /= 1024, ++Unit;
  if (Unit < 0) return T;
  char Buf[32];
  std::snprintf(Buf, sizeof Buf, "%.1f", V);
  String Short = Buf;
  for (char& C : Short)
    if (C == '.') C = ',';
  return T + " (" + Short + " " + kUnits[Unit] + ")";
}

String ItemPropertiesText(const String& Path) {
  TShellItemInfo I;
  if (!ShellItemInfo(Path, I)) return "Pfad: " + Path + "\nDas Element existiert nicht mehr.";
  String Size = SizeText(I.Size);
  if (I.Folder) {
    Size += " in " + Grouped(I.Files) + (I.Files == 1 ? " Datei" : " Dateien");
    if (!I.Complete) Size = "mindestens " + Size + " (nicht alles gezählt)";
  }
  String Access = I.CanRead && I.CanWrite ? "lesen und schreiben"
                  : I.CanRead             ? "nur lesen"
                  : I.CanWrite            ? "nur schreiben"
                                          : "kein Zugriff";
  return "Pfad: " + Path + "\nArt: " + (I.Folder ? "Ordner" : "Datei") + "\nGröße: " + Size + "\nRechte: " +
         ModeText(I.Mode) + " (Besitzer " + I.Owner + ", Gruppe " + I.Group + ")\nSie dürfen: " + Access;
}

void ShowItemProperties(const String& Path, const String& Name) {
  std::unique_ptr<TMessageForm> Dlg(CreateMessageDialog(ItemPropertiesText(Path), mtInformation, TMsgDlgButtons{mbOK}));
  Dlg->SetCaption("Eigenschaften von " + Name);
  Dlg->ShowModal();
}
