#include "data/memtable/mtMemCSVStreamFormatDef.h"

#include "data/memtable/mtMemCSVStreamFormat.h"
#include "data/memtable/mtMemCSVStreamFormatText.h"
#include "platform/rtl/format.h"
#include "platform/rtl/sysutils.h"

namespace {

// The class library's field types that a definition block may name: the
// first thirty of the declared order (Unknown .. DataSet).
constexpr int mtCSVNamedTypeCount = ftDataSet + 1;

String DoubleQuoted(const String& S) { return mtCSVQuote(S, '"'); }

// Splits "name=items" at the first "=" (no "=": empty name, all items)
// and the rest as comma text.
std::vector<String> SplitDefLine(const String& Line, String& Name) {
  size_t Eq = Line.find('=');
  Name = Eq == String::npos ? String() : Line.substr(0, Eq);
  return mtCSVSplitCommaText(Eq == String::npos ? Line : Line.substr(Eq + 1));
}

String Item(const std::vector<String>& Items, size_t Index) {
  return Index < Items.size() ? Items[Index] : String();
}

TFieldType FindTypeName(const String& TypeText, const String& Line) {
  for (int T = 0; T < mtCSVNamedTypeCount; ++T) {
    if (TypeText != FieldTypeNames[T]) continue;
    if (mtCSVIsAcceptedType(static_cast<TFieldType>(T))) return static_cast<TFieldType>(T);
    break;
  }
  throw EMemTableError(DbFormat(mtSCSVUnknownFieldType, {TypeText, Line}));
}

TFieldKind FindKindName(const String& KindText) {
  for (int K = fkData; K <= fkAggregate; ++K)
    if (KindText == FieldKindNames[K]) return static_cast<TFieldKind>(K);
  return fkData;
}

}  // namespace

String mtCSVFieldDefText(TField* Field, bool WithKind) {
  String T = Field->FieldName() + "=" + FieldTypeNames[Field->DataType()] + "," +
             IntToStr(Field->Size()) + "," + DoubleQuoted(Field->DisplayName()) + "," +
             DoubleQuoted(Field->EditMask()) + "," + IntToStr(Field->DisplayWidth());
  if (Field->Required()) T += ",REQ";
  if (Field->ReadOnly()) T += ",RO";
  if (!Field->Visible()) T += ",INV";
  T += ",";
  T += WithKind ? FieldKindNames[Field->FieldKind()] : FieldKindNames[fkData];
  T += "," + DoubleQuoted(Field->DefaultExpression());
  return T;
}

String mtCSVIndexDefText(const TIndexDef* Def, char Quote) {
  String I = Def->Name() + "=" + mtCSVQuote(Def->Fields(), Quote) + "," +
             mtCSVQuote(Def->DisplayName(), Quote);
  TIndexOptions O = Def->Options();
  if (O.Contains(ixDescending)) I += ",DESC";
  if (O.Contains(ixCaseInsensitive)) I += ",CASE";
  if (O.Contains(ixNonMaintained)) I += ",NONMT";
  if (O.Contains(ixUnique)) I += ",UNIQ";
  return I;
}

TmtCSVFieldLine mtCSVParseFieldLine(const String& Line) {
  TmtCSVFieldLine F;
  std::vector<String> Items = SplitDefLine(Line, F.Name);
  // A trailing default expression (seventh item on), then the kind.
  String KindText = FieldKindNames[fkData];
  if (Items.size() > 6) {
    F.DefaultExpression = Items.back();
    Items.pop_back();
  }
  if (Items.size() >= 6) KindText = Items.back();
  F.DataType = FindTypeName(Item(Items, 0), Line);
  F.Size = StrToInt(Item(Items, 1));
  F.DisplayLabel = Item(Items, 2);
  F.EditMask = Item(Items, 3);
  F.DisplayWidth = StrToInt(Item(Items, 4));
  F.Required = mtCSVContains(Line, ",REQ");
  F.ReadOnly = mtCSVContains(Line, ",RO");
  F.Invisible = mtCSVContains(Line, ",INV");
  F.Kind = FindKindName(KindText);
  return F;
}

TmtCSVIndexLine mtCSVParseIndexLine(const String& Line) {
  TmtCSVIndexLine I;
  std::vector<String> Items = SplitDefLine(Line, I.Name);
  I.Fields = Item(Items, 0);
  I.DisplayName = Item(Items, 1);
  if (mtCSVContains(Line, ",CASE")) I.Options.Include(ixCaseInsensitive);
  if (mtCSVContains(Line, ",NONMT")) I.Options.Include(ixNonMaintained);
  if (mtCSVContains(Line, ",DESC")) I.Options.Include(ixDescending);
  if (mtCSVContains(Line, ",UNIQ")) I.Options.Include(ixUnique);
  return I;
}
