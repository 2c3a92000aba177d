#include "foundation/UBusinessUnitsAddress.h"

#include <algorithm>

#include "foundation/FastIniFile.h"
#include "foundation/FileUtils.h"
#include "foundation/StringUtils.h"
#include "foundation/UFastCSV.h"
#include "platform/os/folders.h"
#include "platform/rtl/sysutils.h"

namespace {

TAdressExtraColumn& AddColumn(TAdressExtraSetup& S, const String& Name, Integer Width) {
  S.Columns.push_back(std::make_unique<TAdressExtraColumn>());
  S.Columns.back()->Name = Name;
  S.Columns.back()->Width = Width;
  return *S.Columns.back();
}

void ReadColumns(TAdressExtraSetup& S, const String& Block) {
  TStringStream In(Block);
  TCSVReader Reader(&In, ',');
  while (!Reader.Eof()) {
    Reader.ReadRecord();
    if (Reader.FieldCount() < 4) continue;
    TAdressExtraColumn& C = AddColumn(S, Reader.Fields(0), 50);
    C.Text2 = Reader.Fields(1);
    C.Width = std::min(StrToIntDef(Trim(Reader.Fields(2)), 50), 400);
    C.Flag = IsOneText(Reader.Fields(3));
    C.Index = StrToIntDef(Trim(Reader.Fields(4)), -1);
  }
}

}  // namespace

void TAdressExtraSetup::LoadFromText(const String& Text) {
  Columns.clear();
  if (Text.empty()) {
    AddColumn(*this, "", 50);
    AddColumn(*this, "Name", 100);
    for (const char* N : {"Telefon", "Fax", "Email"}) AddColumn(*this, N, 50);
    return;
  }
  std::vector<String> Parts;
  SplitString("<br>", Text, 3, Parts, 3);
  Enabled = IsOneText(Parts[0]);
  Integer M = StrToIntDef(Trim(Parts[1]), 0);
  Mode = M >= 0 && M <= 2 ? Byte(M) : 0;
  ReadColumns(*this, Parts[2]);
}

TAdressExtraSetup* AdressExtraSetup() {
  static std::unique_ptr<TAdressExtraSetup> Setup = std::make_unique<TAdressExtraSetup>();
  return Setup.get();
}

Integer ReadScaValue() {
  String Path = GetProgramDir() + "SCA.INI";
  if (!FileExistsEx(Path)) return 100;
  TFastIniFile Ini(Path);
  return Ini.ReadInteger("SCA", "Value", 100);
}
