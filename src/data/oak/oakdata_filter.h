// Helpers shared by the filter, scope, range and locate code of the table
// dataset (oakdata_filter*.cpp) and by the editing steps that end a key
// entry.
//
// Key entry (SetKey, SetRangeStart ...) puts the dataset into dsSetKey with
// one of its key buffers as the record that field access addresses; Post
// ends it keeping the values, Cancel restores the values the buffer held
// before. The raw keys of ranges, GotoKey and Locate are built from such a
// buffer on the active index.
//
// Thread safety: as TOakDataSet (one thread per dataset).
#pragma once

#include <string>
#include <vector>

#include "data/oak/oakdata.h"

// Ends the key entry of DataSet (it must be in dsSetKey): Commit keeps the
// values entered, otherwise the buffer gets back what it held when the
// entry began. The dataset returns to dsBrowse. Post and Cancel call it in
// dsSetKey.
void OakPostKeyBuffer(TOakDataSet* DataSet, bool Commit);

// The raw key of index Order (invalid handle: the active index) built from
// Buffer: the engine's empty key
// record, each index segment whose field has a value in Buffer set as for
// posting, then the key bytes. With Partial the key is cut after the value
// of the last character segment that was set (a prefix key for seeks).
// Raises EOAKDatabaseError for engine failures (no active index: the
// engine's invalid-handle error).
std::string OakBuildKeyFromBuffer(TOakDataSet* DataSet, const TOakKeyBuffer& Buffer,
                                  bool Partial, OAKHANDLE Order = OAK_INVALID_HANDLE);

// Fills Buffer with the engine's empty record (every field null) and
// clears its key parts.
void OakClearKeyBuffer(TOakDataSet* DataSet, TOakKeyBuffer& Buffer);

// Converts V into Field's native buffer (fieldkinds.h); returns false for a
// null value (Out is then empty). Raises EVariantError for values that do
// not convert.
bool OakVariantToNative(TField* Field, const Variant& V, std::vector<Byte>& Out);

// Writes the values of Fields (V: one value, or an array of one per field)
// into Buffer's raw record and marks each field's key part as set.
void OakPutKeyValues(TOakDataSet* DataSet, TOakKeyBuffer& Buffer,
                     const std::vector<TField*>& Fields, const Variant& V);

// Whether Source leads back to DataSet: its dataset is DataSet, or that
// dataset's master source does, and so on along the chain.
bool OakLeadsBackTo(TDataSource* Source, TDataSet* DataSet);

// Whether index Index carries a scope at either end (a scope or a range);
// an engine failure other than "no scope" raises.
bool OakIndexHasScope(TOakDataSet* DataSet, OAKHANDLE Index);
