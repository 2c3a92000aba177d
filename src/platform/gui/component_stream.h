// The class library's binary component stream: the binary counterpart of
// the form description (reader.h). One component with its published
// properties, collections, sub-objects, defined properties and children,
// as TStream.WriteComponent / ReadComponent exchange it and as settings
// keep it in memo fields.
//
// Format (all integers little-endian):
//   stream     "TPF0" component
//   component  [prefix] ClassName Name property* 0 component* 0
//   prefix     one byte $F0 | flags (1 inherited, 2 child position,
//              4 inline), followed by an integer value when flag 2 is set
//   property   Name value        (Name possibly dotted: "Font.Name")
//   name       one length byte and that many bytes
//   value      one type byte, then:
//     0 null (ends a list)       1 list: value* 0
//     2/3/4 int8/int16/int32     19 int64
//     5 extended (10 bytes)      15 single, 21 double, 17 date (8 bytes),
//                                16 currency (int64 / 10000)
//     6 string: length byte + bytes (ANSI)      12 long string: int32 + bytes (ANSI)
//     18 wide string: int32 characters + UTF-16LE   20 UTF-8 string: int32 + bytes
//     7 identifier: name         8 False, 9 True, 13 nil (identifiers)
//     10 binary: int32 + bytes   11 set: name* then an empty name
//     14 collection: item* 0; item = [integer value] 1 property* 0
//
// Reading parses the bytes into the description model of reader.h
// (TDfmObject) and reads that through the same property registry, so the
// binary and text forms set components alike: the loading bracket,
// collections, defined properties ("Strings" of a TStrings), event
// bindings and component references behave as for a form description.
//
// Writing walks the published properties of the component through the
// property registry: stored properties that differ from their default,
// collections with their items, TStrings as "<Prop>.Strings" lists,
// other persistent sub-objects as dotted properties, events bound to
// published methods by name, component references by name, and the
// components the root owns as children (a control under its parent).
//
// Errors: a stream that is not of this format or ends early raises
// EReadError ("Ungültiges Stream-Format" or "Stream-Lesefehler"); lists
// nested deeper than 64 levels, lengths beyond the end of the stream and
// unknown type bytes count as not of this format. Reading into components
// raises what ReadComponent raises (reader.h). Nothing is created when the
// stream cannot be parsed: parsing ends before any component is touched.
//
// Thread safety: parsing and encoding are pure; reading into or writing
// from components belongs to the components' thread.
#pragma once

#include "platform/gui/reader.h"
#include "platform/rtl/streams.h"

// Parses one component from Stream at its position (signature "TPF0"
// first). The stream is left after the component. Raises EReadError.
TDfmObject ParseComponentStream(TStream* Stream);

// Reads one component from Stream into the existing Root (its class need
// not match the stream's). Raises the errors above.
void ReadComponentFromStream(TStream* Stream, TComponent* Root);

// Encodes the description Description ("TPF0" first) at Stream's position,
// so that ParseComponentStream reads back the same description (see
// SameStreamedDescription). Raises EWriteError when the stream cannot take
// the bytes, or, before writing the part, for what the format cannot hold:
// an empty class, property or set element name, a name longer than 255
// bytes, nesting deeper than the parser takes, a text of 2 GB or more.
// A refused description writes nothing to Stream.
void WriteComponentDescription(const TDfmObject& Description, TStream* Stream);

// The description of Root as the writer streams it (see above).
TDfmObject DescribeComponent(TComponent* Root);

// Writes Root to Stream (DescribeComponent, then WriteComponentDescription).
void WriteComponentToStream(TComponent* Root, TStream* Stream);

// True when A and B hold the same as far as the stream keeps it: kinds,
// names, class names, property names and values (integers and floats by
// value, NaN as NaN of the same sign; texts, identifiers, set names and
// bytes exactly), list, collection and child order. Not compared: source
// lines, the written text of numbers, and which integer or text encoding a
// value came in. What WriteComponentDescription writes parses into a
// description that is the same as the one written, by this measure.
bool SameStreamedDescription(const TDfmObject& A, const TDfmObject& B);
