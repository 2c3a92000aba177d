// Helpers of the SQL side of the dataset layer, shared by TOakQuery
// (oakquery*.cpp, declared in oaktable.h) and the direct SQL of
// TOakConnection::Execute (oakquery_direct.cpp).
//
// Thread safety: as TOakDataSet; a statement handle is used by one thread.
#pragma once

#include "data/oak/oaktable.h"

// Binds Params to Statement by position (the first parameter is number 1)
// with the engine setter of each parameter's data type: texts and integers
// as strings, Boolean as logical, floats and currency as doubles, dates as
// Julian days, times as milliseconds, date-times as raw timestamps, byte
// values as binary data; a null value is set empty. Raises
// EOAKDatabaseError 7209 for ftUnknown and unsupported types (DataSet, which
// may be null, names the dataset in the message) and for engine failures.
void OakBindParams(TOakDataSet* DataSet, OAKHANDLE Statement, TParams* Params);

// Closes Statement; 5106 (no open statement) is absorbed, other failures
// raise EOAKDatabaseError for DataSet (may be null).
void OakCloseStatement(TOakDataSet* DataSet, OAKHANDLE Statement);

// The statement's count of changed rows, or Missing when the engine has
// none (5117). Other failures raise.
Integer OakStatementRowCount(TOakDataSet* DataSet, OAKHANDLE Statement, Integer Missing);

// Gives every parameter of Params that is not bound the value of Master's
// field of the same name (the parameters stay unbound, so that the next
// master row feeds them again). Master may be null.
void OakParamsFromMaster(TParams* Params, TDataSet* Master);
