// Resources of the program, found by name and type as the original
// platform's FindResource found them in the executable.
//
// The files of the source tree's resources/ folder are compiled into the
// binaries at build time (a generated .cpp that links one TEmbeddedResource
// record per file into the list below, during static initialisation):
//   *.form  type RT_RCDATA, named after the class of the description's root
//          object ("object Fsync: TFsync" gives "TFSYNC");
//   *.ani  type RT_ANICURSOR; *.cur RT_CURSOR; *.ico RT_ICON; *.bmp RT_BITMAP;
//   anything else RT_RCDATA; every other file is named after its file name
//   without extension. Names are stored upper-case.
// Tests and programs may add resources at run time (RegisterResource).
// Names and types are compared without regard to case.
//
// Thread safety: the embedded list is complete before main; run-time
// registration and lookup are guarded by one mutex.
#pragma once

#include <cstddef>
#include <vector>

#include "platform/rtl/streams.h"

// Resource types (named types, as this program's resources use them).
inline const char* const RT_RCDATA = "RT_RCDATA";
inline const char* const RT_BITMAP = "RT_BITMAP";
inline const char* const RT_CURSOR = "RT_CURSOR";
inline const char* const RT_ICON = "RT_ICON";
inline const char* const RT_ANICURSOR = "RT_ANICURSOR";

// One embedded resource; the generated table links them into a list.
struct TEmbeddedResource {
  const char* Name;
  const char* Type;
  const unsigned char* Data;
  std::size_t Size;
  const TEmbeddedResource* Next;
};

// Head of the list of embedded resources (filled during static
// initialisation by the generated table).
inline const TEmbeddedResource*& EmbeddedResourceList() {
  static const TEmbeddedResource* Head = nullptr;
  return Head;
}

// Links Entry into the embedded list; Entry must live for the process.
// Returns true (for use in a static initialiser).
inline bool LinkEmbeddedResource(TEmbeddedResource& Entry) {
  Entry.Next = EmbeddedResourceList();
  EmbeddedResourceList() = &Entry;
  return true;
}

// A found resource: a view of its bytes, valid for the life of the
// process (run-time registrations: until they are unregistered).
struct TResourceData {
  const Byte* Data = nullptr;
  std::size_t Size = 0;
};

// Adds (or replaces) the resource Name of type Type with a copy of Data.
void RegisterResource(const String& Name, const String& Type, const std::vector<Byte>& Data);
// Same, from text.
void RegisterResource(const String& Name, const String& Type, const String& Text);
// Removes a resource added with RegisterResource; embedded ones stay.
void UnregisterResource(const String& Name, const String& Type);
// Looks the resource up: run-time registrations first, then the embedded
// ones. Returns false when there is none.
bool FindResource(const String& Name, const String& Type, TResourceData& Found);
// The names of every resource of type Type (upper-case as stored).
std::vector<String> ResourceNames(const String& Type);

// A read-only stream over a resource. Raises EResNotFound "Ressource %s
// nicht gefunden" when there is no such resource.
class TResourceStream : public TReadOnlyMemoryStream {
  RTL_DECLARE_CLASS(TResourceStream)
 public:
  TResourceStream(const String& Name, const String& Type);

 private:
  explicit TResourceStream(const TResourceData& Data);
};
