// The defined properties that the class library streams itself: the lines
// of a string list, the binary data of pictures, bitmaps and icons, and the
// designer's notes on controls (explicit bounds, design size), which a
// running program does not need.
#include "platform/gui/controls.h"
#include "platform/gui/graphics.h"
#include "platform/gui/reader.h"
#include "platform/rtl/classreg.h"
#include "platform/rtl/sysutils.h"
#include "platform/rtl/strings.h"

namespace {

void RequireKind(const TDfmValue& V, TDfmValueKind Kind) {
  if (V.Kind != Kind) throw EReadError("Ungültiger Eigenschaftswert");
}

// "Strings = ( 'a' 'b' )": replaces the lines of a TStrings.
void ReadStrings(TObject* Instance, const TDfmValue& V) {
  RequireKind(V, TDfmValueKind::List);
  auto* List = static_cast<TStrings*>(Instance);
  List->Clear();
  for (const TDfmValue& Item : V.Items) List->Add(Item.AsText());
}

// Graphic data: the graphic's own stream format.
void LoadGraphic(TGraphic* Graphic, const Byte* Data, size_t Size) {
  TReadOnlyMemoryStream Stream(Data, Int64(Size));
  Graphic->LoadFromStream(&Stream);
}

// A bitmap's data: a 32-bit length, then the BMP stream.
void ReadBitmapData(TObject* Instance, const TDfmValue& V) {
  RequireKind(V, TDfmValueKind::Binary);
  if (V.Bytes.size() < 4) throw EReadError("Ungültiger Binärwert");
  LoadGraphic(static_cast<TGraphic*>(Instance), V.Bytes.data() + 4, V.Bytes.size() - 4);
}

void ReadIconData(TObject* Instance, const TDfmValue& V) {
  RequireKind(V, TDfmValueKind::Binary);
  LoadGraphic(static_cast<TGraphic*>(Instance), V.Bytes.data(), V.Bytes.size());
}

// A graphic of the class named (the picture formats of the class library).
std::unique_ptr<TGraphic> NewGraphic(const String& ClassName) {
  if (SameText(ClassName, "TBitmap")) return std::make_unique<TBitmap>();
  if (SameText(ClassName, "TIcon")) return std::make_unique<TIcon>();
  if (SameText(ClassName, "TPngImage") || SameText(ClassName, "TPNGObject")) return std::make_unique<TPngImage>();
  if (SameText(ClassName, "TJPEGImage")) return std::make_unique<TJPEGImage>();
  throw EClassNotFound("Klasse " + ClassName + " nicht gefunden");
}

// A picture's data: the graphic's class name (length byte first), then the
// graphic's data (a bitmap's with its length).
void ReadPictureData(TObject* Instance, const TDfmValue& V) {
  RequireKind(V, TDfmValueKind::Binary);
  const std::vector<Byte>& B = V.Bytes;
  if (B.empty() || B.size() < size_t(B[0]) + 1) throw EReadError("Ungültiger Binärwert");
  String ClassName(reinterpret_cast<const char*>(B.data() + 1), B[0]);
  std::unique_ptr<TGraphic> Obj = NewGraphic(ClassName);
  TGraphic* Graphic = Obj.get();
  TDfmValue Rest;
  Rest.Kind = TDfmValueKind::Binary;
  Rest.Bytes.assign(B.begin() + 1 + B[0], B.end());
  if (Graphic->Is<TBitmap>()) ReadBitmapData(Graphic, Rest);
  else ReadIconData(Graphic, Rest);
  static_cast<TPicture*>(Instance)->SetGraphic(Graphic);
}

}  // namespace

static void IgnoreDesignerNote(TObject*, const TDfmValue&) {}

void RegisterClassLibraryDefinedProperties() {
  for (const char* Note : {"ExplicitLeft", "ExplicitTop", "ExplicitWidth", "ExplicitHeight", "DesignSize"})
    RegisterDefinedProperty(TControl::StaticClass(), Note, &IgnoreDesignerNote);
  RegisterDefinedProperty(TStrings::StaticClass(), "Strings", &ReadStrings);
  RegisterDefinedProperty(TBitmap::StaticClass(), "Data", &ReadBitmapData);
  RegisterDefinedProperty(TIcon::StaticClass(), "Data", &ReadIconData);
  RegisterDefinedProperty(TPicture::StaticClass(), "Data", &ReadPictureData);
}
