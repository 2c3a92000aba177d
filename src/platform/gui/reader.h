// Form descriptions: the class library's text form of a component tree,
// read into live components through the property registry.
//
//   object Fsync: TFsync
//     Caption = 'Laptopabgleich'#13#10'zweite Zeile'
//     Font.Name = 'Tahoma'              dotted paths reach sub-objects
//     BorderIcons = [biSystemMenu, biMaximize]
//     OnCreate = FormCreate             events bind to methods of the root
//     object Panel1: TPanel             children: owned by the root; a
//       Align = alTop                   control's parent is the enclosing
//       object Button1: TButton         control
//         Lines.Strings = ('a' 'b')     lists ( ... ) go to defined properties
//     end end
//     Columns = < item Width = 20 end > collections
//     Picture.Data = { 0A0B }           binary data
//   end
// Values: integers (decimal, $hex, negative), floats, strings ('..' with
// '' for a quote, #nnn characters as Unicode code points, pieces joined by
// + across lines), identifiers (enumerations, colours, booleans, component
// references, method names), sets [a, b], lists ( ... ), collections
// < item ... end >, binary { hex }. "inherited" and "inline" objects fill
// a component that exists already (made by an ancestor's description).
//
// Reading: every component read gets csLoading / csReading first; names,
// properties and children are set; a component whose name is that of a
// published object property of the root (the form's field, published with
// P.Field("KM", &TFsync::KM)) of a class the component belongs to is
// stored there; component references are resolved
// once the whole tree is read (fixups: the root's components first, then
// the forms of the screen for "Form.Component"); then csReading ends and
// Loaded runs for each component in the order read.
//
// Properties that are not published are looked up among the defined
// properties (RegisterDefinedProperty), where the classes that stream
// extra data register their readers: TStrings "Strings" (a list of
// strings), TPicture, TBitmap and TIcon "Data" (binary).
//
// Errors: a syntax error raises EParserError "<text> in Zeile <n>"; an
// unknown class EClassNotFound "Klasse %s nicht gefunden"; a property that
// cannot be set EReadError "Fehler beim Lesen von <Component>.<Property>:
// <reason>".
//
// Thread safety: parsing is pure; reading into components belongs to the
// components' thread. The defined-property registry is filled during
// static initialisation (or under its lock later).
#pragma once

#include <memory>
#include <vector>

#include "platform/rtl/classes.h"

enum class TDfmValueKind { Integer, Float, String, Ident, Set, List, Collection, Binary };

struct TDfmObject;
struct TDfmItem;

// A property value as written.
struct TDfmValue {
  TDfmValueKind Kind = TDfmValueKind::Integer;
  Int64 Int = 0;                // Integer
  double Float = 0;             // Float
  String Text;                  // String (UTF-8), Ident, Float as written
  std::vector<String> Names;    // Set elements
  std::vector<TDfmValue> Items;  // List elements
  std::vector<TDfmItem> CollectionItems;
  std::vector<Byte> Bytes;      // Binary
  int Line = 0;
  // The value as text for the property registry (integers in decimal,
  // floats as written, sets "[a,b]", identifiers and strings as they are).
  String AsText() const;
};

struct TDfmProperty {
  String Name;  // possibly dotted: "Font.Name"
  TDfmValue Value;
  int Line = 0;
};

// One "item ... end" of a collection.
struct TDfmItem {
  std::vector<TDfmProperty> Properties;
};

// One "object Name: TClass ... end".
struct TDfmObject {
  enum TKind { kObject, kInherited, kInline } Kind = kObject;
  String Name;        // may be empty
  String ClassName;
  std::vector<TDfmProperty> Properties;
  std::vector<TDfmObject> Children;
  int Line = 0;
};

// Parses a whole description. Raises EParserError on a syntax error.
TDfmObject ParseFormDescription(const String& Text);

// Reads the description Text into the existing root Root (its class need
// not match the description's). Raises the errors above.
void ReadComponentFromText(const String& Text, TComponent* Root);
// Reads the parsed description into Root.
void ReadComponent(const TDfmObject& Description, TComponent* Root);
// Creates the root component of Text by its class (through the class
// registry, owned by Owner) and reads the description into it.
TComponent* CreateComponentFromText(const String& Text, TComponent* Owner);

// Reads the description resources (RT_RCDATA, named after the class, upper
// case) of Instance's class and of its ancestors below RootAncestor, the
// oldest first, into Instance. Returns false when none was found.
bool InitInheritedComponent(TComponent* Instance, TClass RootAncestor);

// Reader of a property that is not published (a defined property).
using TDefinedPropertyReader = std::function<void(TObject* Instance, const TDfmValue& Value)>;
// Registers Reader for property Name of Class and its descendants.
void RegisterDefinedProperty(TClass Class, const String& Name, TDefinedPropertyReader Reader);
// The reader for Name on Instance's class or its nearest ancestor, or null.
const TDefinedPropertyReader* FindDefinedProperty(TClass Class, const String& Name);
