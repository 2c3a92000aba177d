#include "foundation/USettingsRows.h"

#include "foundation/StringUtils.h"
#include "foundation/Ucompress.h"
#include "platform/db/dataset.h"
#include "platform/db/fields.h"

double ParseAmount(const String& Text) {
  String S = Trim(Text);
  const String Sep(1, DecimalSeparator);
  ReplaceTextAll(S, ".", Sep);
  ReplaceTextAll(S, ",", Sep);
  return StrToFloatOrZero(S);
}

Integer ParseInteger(const String& Text, Integer Fallback) { return StrToIntDef(Trim(Text), Fallback); }

bool TSetupRows::Seek(Integer Ident) {
  return FTable->Locate("Ident", Variant(Ident), TLocateOptions{});
}

// The field is fixed-length; its blank padding is not part of the value.
String TSetupRows::StringItem() const { return TrimRight(FTable->FieldByName("StringItem")->AsString()); }

String TSetupRows::MemoItem() const { return FTable->FieldByName("MemoItem")->AsString(); }

bool TSetupRows::ReadText(Integer Ident, String& Value) {
  if (!Seek(Ident)) return false;
  Value = StringItem();
  return true;
}

String TSetupRows::ReadText(Integer Ident, const String& Default) {
  String Value = Default;
  ReadText(Ident, Value);
  return Value;
}

bool TSetupRows::ReadList(Integer Ident, TStrings& List, bool ClearIfMissing) {
  if (!Seek(Ident)) {
    if (ClearIfMissing) List.Clear();
    return false;
  }
  List.SetText(MemoItem());
  return true;
}

bool TSetupRows::ReadInteger(Integer Ident, Integer& Value, Integer Fallback) {
  if (!Seek(Ident)) return false;
  Value = ParseInteger(StringItem(), Fallback);
  return true;
}

Integer TSetupRows::ReadInteger(Integer Ident, Integer Default) {
  Integer Value = Default;
  ReadInteger(Ident, Value, Default);
  return Value;
}

bool TSetupRows::ReadAmount(Integer Ident, double& Value) {
  if (!Seek(Ident)) return false;
  Value = ParseAmount(StringItem());
  return true;
}

bool TSetupRows::ReadFlag(Integer Ident, bool& Value) {
  if (!Seek(Ident)) return false;
  Value = IsOneText(StringItem());
  return true;
}

bool TSetupRows::ReadCompressedMemo(Integer Ident, TMemoryStream& Stream) {
  Stream.Clear();
  if (!Seek(Ident)) return false;
  LoadBlobFieldToStream(FTable, "MemoItem", &Stream);
  return true;
}
