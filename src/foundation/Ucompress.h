// Compressed memo fields: a whole stream kept in one memo or blob field of
// a table row as a zlib stream (deflate level 1), and read back from zlib,
// gzip or raw deflate data, or taken as it stands when it is none of them.
//
// The field routines work on any dataset of the class library through its
// blob streams (CreateBlobStream); the stream work is ZLibStreams.h.
//
// Thread safety: none beyond the dataset's; call from the dataset's thread.
#pragma once

#include "foundation/ZLibStreams.h"
#include "platform/db/dataset.h"

// Replaces the value of DataSet's field FieldName with Stream's bytes,
// compressed (all of Stream, from its beginning). The row must be in edit
// or insert state; the caller posts it. When the compression fails the
// field receives the uncompressed bytes instead, without a report.
// Raises what the dataset raises for a missing field or a wrong state.
void SaveStreamToBlobField(TDataSet* DataSet, TStream* Stream, const String& FieldName);

// Replaces Stream's content with the decompressed value of DataSet's field
// FieldName in the active row; a value that does not decompress is copied
// as it stands. Stream ends at position 0. Raises what the dataset raises
// for a missing field, and EDecompressionLimitError (Stream left empty)
// for a value that inflates beyond ZMaxInflatedSize.
void LoadBlobFieldToStream(TDataSet* DataSet, const String& FieldName, TMemoryStream* Stream);
