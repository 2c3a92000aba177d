// The Oak Client Engine: the C-style entry points through which the dataset
// layer reaches its tables (.OAT), indexes (.OAI) and memo files (.OAM).
//
// Conventions of every entry point:
//  - The result is a 32-bit unsigned code: OAK_SUCCESS (0) or an error code
//    of errors.h. A failing call also stores the code and an English text as
//    the calling thread's last error (OakGetLastError).
//  - Handles (connections, tables, index orders, SQL statements, cursors,
//    find handles) are 32-bit values; OAK_INVALID_HANDLE (-1) means none,
//    and a connection handle is never 0.
//  - Fields are numbered from 1 in the order of their definition.
//  - Text in and out is UTF-8. Character fields are stored one byte a
//    character in the table's character type (ANSI: Windows-1252, OEM: code
//    page 850); the raw record (OakGetRecord, OakSetFieldRaw) holds those
//    bytes as stored.
//  - Output buffers come with a length in/out parameter: on entry the
//    buffer's size, on return the length of the value (text without its
//    terminating zero, which is written when it fits). A buffer that is too
//    small gets as much as fits and the call answers 5005 (buffer too small)
//    with the length needed in the length parameter.
//  - A table handle is also an order handle: navigating on it goes in
//    natural (record number) order; navigating on an index handle goes in
//    that index's order and moves the table's record pointer.
//
// Thread safety: the engine may be called from any thread; every entry
// point takes the engine's one lock. Handles may be shared between threads,
// but the dataset layer uses each from one thread. Locks (record, table,
// exclusive open) are held per table handle and exclude other handles of
// this process and of other processes alike.
#pragma once

#include <cstdint>

using UNSIGNED8 = std::uint8_t;
using UNSIGNED16 = std::uint16_t;
using UNSIGNED32 = std::uint32_t;
using SIGNED16 = std::int16_t;
using SIGNED32 = std::int32_t;
using OAKHANDLE = std::uint32_t;

constexpr OAKHANDLE OAK_INVALID_HANDLE = 0xFFFFFFFFu;
constexpr UNSIGNED32 OAK_SUCCESS = 0;

// ---- Field types (OakGetFieldType) -------------------------------------
constexpr UNSIGNED16 OAK_LOGICAL = 1;
constexpr UNSIGNED16 OAK_NUMERIC = 2;
constexpr UNSIGNED16 OAK_DATE = 3;
constexpr UNSIGNED16 OAK_STRING = 4;
constexpr UNSIGNED16 OAK_MEMO = 5;
constexpr UNSIGNED16 OAK_BINARY = 6;
constexpr UNSIGNED16 OAK_IMAGE = 7;
constexpr UNSIGNED16 OAK_VARCHAR = 8;
constexpr UNSIGNED16 OAK_COMPACTDATE = 9;
constexpr UNSIGNED16 OAK_DOUBLE = 10;
constexpr UNSIGNED16 OAK_INTEGER = 11;
constexpr UNSIGNED16 OAK_SHORTINT = 12;
constexpr UNSIGNED16 OAK_TIME = 13;
constexpr UNSIGNED16 OAK_TIMESTAMP = 14;
constexpr UNSIGNED16 OAK_AUTOINC = 15;
constexpr UNSIGNED16 OAK_RAW = 16;
constexpr UNSIGNED16 OAK_CURDOUBLE = 17;
constexpr UNSIGNED16 OAK_CISTRING = 20;

// Memo data types (OakGetMemoDataType).
constexpr UNSIGNED16 OAK_MEMO_TEXT = 5;
constexpr UNSIGNED16 OAK_MEMO_BINARY = 6;

// ---- Table types, character types, lock types, rights ------------------
constexpr UNSIGNED16 OAK_DEFAULT_TABLE = 0;
constexpr UNSIGNED16 OAK_NTX = 1;
constexpr UNSIGNED16 OAK_CDX = 2;
constexpr UNSIGNED16 OAK_OAT = 3;
constexpr UNSIGNED16 OAK_ANSI = 1;
constexpr UNSIGNED16 OAK_OEM = 2;
constexpr UNSIGNED16 OAK_COMPATIBLE_LOCKING = 0;
constexpr UNSIGNED16 OAK_PROPRIETARY_LOCKING = 1;
constexpr UNSIGNED16 OAK_CHECKRIGHTS = 1;
constexpr UNSIGNED16 OAK_IGNORERIGHTS = 2;

// Open options (OakOpenTable), returned by OakGetTableOpenOptions together
// with the permission bits.
constexpr UNSIGNED32 OAK_EXCLUSIVE = 1;
constexpr UNSIGNED32 OAK_READONLY = 2;
constexpr UNSIGNED32 OAK_REINDEX_ON_COLLATION_MISMATCH = 0x100;
constexpr UNSIGNED32 OAK_IGNORE_COLLATION_MISMATCH = 0x200;
constexpr UNSIGNED32 OAK_PERM_UPDATE = 32;
constexpr UNSIGNED32 OAK_PERM_INSERT = 64;
// Column permissions (OakGetColumnPermissions).
constexpr UNSIGNED32 OAK_COLUMN_UPDATE = 2;
constexpr UNSIGNED32 OAK_COLUMN_INSERT = 4;

// ---- Server types, connect options --------------------------------------
constexpr UNSIGNED16 OAK_LOCAL_SERVER = 1;
constexpr UNSIGNED16 OAK_REMOTE_SERVER = 2;
constexpr UNSIGNED16 OAK_NET_SERVER = 4;
constexpr UNSIGNED32 OAK_MIDDLE_TIER = 1;
constexpr UNSIGNED32 OAK_STORED_PROC_CONN = 2;
constexpr UNSIGNED32 OAK_COMPRESS_ALWAYS = 4;
constexpr UNSIGNED32 OAK_COMPRESS_NEVER = 8;
constexpr UNSIGNED32 OAK_COMPRESS_INTERNET = 12;
// Connection types (OakGetConnectionType).
constexpr UNSIGNED16 OAK_CONNECTION_LOCAL = 1;
constexpr UNSIGNED16 OAK_CONNECTION_REMOTE = 2;
constexpr UNSIGNED16 OAK_CONNECTION_INTERNET = 4;

// ---- Counting and position options --------------------------------------
constexpr UNSIGNED16 OAK_RESPECTFILTERS = 1;
constexpr UNSIGNED16 OAK_IGNOREFILTERS = 2;
constexpr UNSIGNED16 OAK_RESPECTSCOPES = 3;

// ---- Keys, seeks, scopes -----------------------------------------------
constexpr UNSIGNED16 OAK_RAWKEY = 1;
constexpr UNSIGNED16 OAK_STRINGKEY = 2;
constexpr UNSIGNED16 OAK_SOFTSEEK = 1;
constexpr UNSIGNED16 OAK_HARDSEEK = 2;
constexpr UNSIGNED16 OAK_TOP = 1;
constexpr UNSIGNED16 OAK_BOTTOM = 2;

// Index options (OakCreateIndex61, OakGetIndexFlags).
constexpr UNSIGNED32 OAK_UNIQUE = 1;
constexpr UNSIGNED32 OAK_COMPOUND = 2;
constexpr UNSIGNED32 OAK_CUSTOM = 4;
constexpr UNSIGNED32 OAK_DESCENDING = 8;
constexpr UNSIGNED32 OAK_USER_DEFINED = 16;

// AOF options (OakSetAOF).
constexpr UNSIGNED16 OAK_AOF_DYNAMIC_RESOLVE_IMMEDIATE = 1;
constexpr UNSIGNED16 OAK_AOF_DYNAMIC = 2;
constexpr UNSIGNED16 OAK_AOF_KEYSET_RESOLVE_IMMEDIATE = 5;
constexpr UNSIGNED16 OAK_AOF_KEYSET = 6;
constexpr UNSIGNED16 OAK_AOF_FIXED_RESOLVE_IMMEDIATE = 9;
constexpr UNSIGNED16 OAK_AOF_FIXED = 10;

// OakGetField options.
constexpr UNSIGNED16 OAK_NONE = 0;
constexpr UNSIGNED16 OAK_RTRIM = 1;
constexpr UNSIGNED16 OAK_LTRIM = 2;
constexpr UNSIGNED16 OAK_TRIM = 3;
// Character fields only: the field's bytes in Windows-1252, exactly the
// field's length (no UTF-8); used to re-read OEM fields as ANSI in place.
constexpr UNSIGNED16 OAK_ANSI_BYTES = 8;

// Handle types (OakGetHandleType).
constexpr UNSIGNED16 OAK_CONNECTION = 1;
constexpr UNSIGNED16 OAK_TABLE = 2;
constexpr UNSIGNED16 OAK_INDEX_ORDER = 3;
constexpr UNSIGNED16 OAK_STATEMENT = 4;
constexpr UNSIGNED16 OAK_CURSOR = 5;

// SQL statement kinds (OakSqlPeekStatement): 0 a read-only result, 1 a live
// cursor over one table.
constexpr UNSIGNED16 OAK_SQL_STATIC = 0;
constexpr UNSIGNED16 OAK_SQL_LIVE = 1;

// Data dictionary: object types and properties.
constexpr UNSIGNED16 OAK_DD_TABLE_OBJECT = 1;
constexpr UNSIGNED16 OAK_DD_USER_OBJECT = 10;
constexpr UNSIGNED16 OAK_DD_TABLE_DEFAULT_INDEX = 213;
constexpr UNSIGNED16 OAK_DD_USER_PROPERTY = 1102;

// Statement options: on/off values of the OakStmt* calls.
constexpr UNSIGNED16 OAK_STMT_READONLY = 1;
constexpr UNSIGNED16 OAK_STMT_LIVE = 2;

extern "C" {

// ---- errors (errors.cpp) ------------------------------------------------
// Reads the calling thread's last error: its code (0 when none) and text.
UNSIGNED32 OakGetLastError(UNSIGNED32* pulError, char* pucBuf, UNSIGNED16* pusBufLen);
// Gives the English text of a code.
UNSIGNED32 OakGetErrorString(UNSIGNED32 ulErrCode, char* pucBuf, UNSIGNED16* pusBufLen);
// Stores a code and text as the calling thread's last error; returns 0.
UNSIGNED32 OakSetLastError(UNSIGNED32 ulErrCode, const char* pucDetails);
// Writes the last error with a caption to standard error (no dialogs).
UNSIGNED32 OakShowError(const char* pucTitle);

// ---- process settings (api_settings.cpp) ----------------------------------
// Date format of date texts: letters D, M, Y or C (century) and separators,
// at most 11 characters ("DD.MM.YYYY", "MM/dd/ccyy").
UNSIGNED32 OakSetDateFormat(const char* pucFormat);
UNSIGNED32 OakGetDateFormat(char* pucFormat, UNSIGNED16* pusLen);
UNSIGNED32 OakSetDecimals(UNSIGNED16 usDecimals);
UNSIGNED32 OakGetDecimals(UNSIGNED16* pusDecimals);
// Deleted records shown (1) or hidden (0) for every table opened afterwards
// and every open table.
UNSIGNED32 OakShowDeleted(UNSIGNED16 usShowDeleted);
UNSIGNED32 OakGetDeleted(UNSIGNED16* pusShowDeleted);
// Server types: sum of OAK_LOCAL_SERVER, OAK_REMOTE_SERVER, OAK_NET_SERVER.
UNSIGNED32 OakSetServerType(UNSIGNED16 usServerOptions);
UNSIGNED32 OakCacheOpenTables(UNSIGNED16 usOpen);
UNSIGNED32 OakCacheOpenCursors(UNSIGNED16 usOpen);
UNSIGNED32 OakGetNumOpenTables(UNSIGNED16* pusNum);
UNSIGNED32 OakGetVersion(UNSIGNED32* pulMajor, UNSIGNED32* pulMinor, char* pucLetter,
                         char* pucDesc, UNSIGNED16* pusDescLen);
UNSIGNED32 OakGetHandleType(OAKHANDLE hObj, UNSIGNED16* pusType);
// Dates: Julian day numbers; a "string" date is CCYYMMDD (8 characters), a
// "date" text follows the date format of OakSetDateFormat.
UNSIGNED32 OakConvertStringToJulian(const char* pucStr, UNSIGNED16 usLen, double* pdJulian);
UNSIGNED32 OakConvertJulianToString(double dJulian, char* pucBuf, UNSIGNED16* pusLen);
UNSIGNED32 OakConvertDateToJulian(OAKHANDLE hConnect, const char* pucDate, UNSIGNED16 usLen,
                                  double* pdJulian);

// ---- connections (api_connection.cpp) -------------------------------------
// Connects to a data folder or a data dictionary file (a path ending in
// ".OAD"). The folder must exist (5002 otherwise). Handle in *phConnect.
UNSIGNED32 OakConnect60(const char* pucServerPath, UNSIGNED16 usServerTypes,
                        const char* pucUserName, const char* pucPassword,
                        UNSIGNED32 ulOptions, OAKHANDLE* phConnect);
UNSIGNED32 OakConnect(const char* pucServerName, OAKHANDLE* phConnect);
// Closes every table, cursor and statement of the connection; an open
// transaction is rolled back. An unknown handle answers 5024.
UNSIGNED32 OakDisconnect(OAKHANDLE hConnect);
UNSIGNED32 OakGetConnectionType(OAKHANDLE hConnect, UNSIGNED16* pusConnectType);
UNSIGNED32 OakGetServerName(OAKHANDLE hConnect, char* pucName, UNSIGNED16* pusLen);
// The current date (CCYYMMDD text) and milliseconds since midnight.
UNSIGNED32 OakGetServerTime(OAKHANDLE hConnect, char* pucDateBuf, UNSIGNED16* pusDateLen,
                            UNSIGNED32* pulTime);
UNSIGNED32 OakGetNumActiveLinks(OAKHANDLE hConnect, UNSIGNED16* pusNum);
UNSIGNED32 OakGetActiveLinkInfo(OAKHANDLE hConnect, UNSIGNED16 usNum, char* pucBuf,
                                UNSIGNED16* pusLen);
UNSIGNED32 OakCloseCachedTables(OAKHANDLE hConnect);
// Transactions: every change of the connection's tables between begin and
// commit is kept, or not at all, also when the program dies on the way
// (the next open of a table of its folder, or the next writer of a table
// it changed, takes it back). A transaction holds each table it changes
// (its write lock) until it ends, so no other program writes such a table
// meanwhile (5035 after 5 s). It changes the tables of one folder, and
// makes no files: a table, or an index file, made inside one, and a change
// of a table of a second folder, answer 5095; a tag in an index file that
// exists is made as ever.
// What other programs read meanwhile: a transaction's record changes,
// appends, memo values and index keys stay in its program until the
// commit writes them (also those of a table handle closed meanwhile), so
// readers see the tables as the last commit left them. Changed records and
// index pages beyond some megabytes per table wait in unnamed files of the
// system's temporary folder ($TMPDIR), of which a death leaves nothing;
// appended records beyond them go to the table's file early, past the
// record count that readers go by. While the commit writes them, readers
// of those tables wait (5 s at most, then 5035) and then read the
// committed tables. Pack, zap, reindex and making or
// dropping a tag inside a transaction write that table's files at once,
// and so does a second handle of the same connection on a table when it
// reads or writes after the first one changed it: from then on readers of
// that table wait as they wait for a commit, until the transaction ends.
// Rollback writes the files back and leaves every handle, of any program,
// reading them anew. A record or table lock of another program on a table
// that a transaction changed waits for the transaction's end the same way
// (so a row it changed is never locked under it), and a write of a record
// read before another program changed it (or before a rollback or
// recovery put it back) is refused with 5075.
UNSIGNED32 OakBeginTransaction(OAKHANDLE hConnect);
UNSIGNED32 OakCommitTransaction(OAKHANDLE hConnect);
UNSIGNED32 OakRollbackTransaction(OAKHANDLE hConnect);
UNSIGNED32 OakInTransaction(OAKHANDLE hConnect, UNSIGNED16* pbInTrans);
// Table lists: a mask is a folder and a file pattern ("/data/*.oat"); names
// come back without folder. 5059 ends the list. Only a find-first that
// succeeds hands out a search handle, to be closed with OakFindClose; one
// that fails (5059 for an empty list included) gives OAK_INVALID_HANDLE.
UNSIGNED32 OakFindFirstTable(OAKHANDLE hConnect, const char* pucFileMask, char* pucFileName,
                             UNSIGNED16* pusLen, OAKHANDLE* phFind);
UNSIGNED32 OakFindNextTable(OAKHANDLE hConnect, OAKHANDLE hFind, char* pucFileName,
                            UNSIGNED16* pusLen);
UNSIGNED32 OakFindFirstTable62(OAKHANDLE hConnect, const char* pucFileMask, char* pucDBName,
                               UNSIGNED16* pusDBLen, char* pucFileName, UNSIGNED16* pusLen,
                               OAKHANDLE* phFind);
UNSIGNED32 OakFindNextTable62(OAKHANDLE hConnect, OAKHANDLE hFind, char* pucDBName,
                              UNSIGNED16* pusDBLen, char* pucFileName, UNSIGNED16* pusLen);
UNSIGNED32 OakFindClose(OAKHANDLE hConnect, OAKHANDLE hFind);
// Data dictionary (.OAD): object lists end with 5137; an unset property
// answers 5138. Search handles as for the table lists (OakDDFindClose).
UNSIGNED32 OakDDFindFirstObject(OAKHANDLE hConnect, UNSIGNED16 usFindObjectType,
                                const char* pucParentName, char* pucObjectName,
                                UNSIGNED16* pusLen, OAKHANDLE* phFind);
UNSIGNED32 OakDDFindNextObject(OAKHANDLE hConnect, OAKHANDLE hFind, char* pucObjectName,
                               UNSIGNED16* pusLen);
UNSIGNED32 OakDDFindClose(OAKHANDLE hConnect, OAKHANDLE hFind);
UNSIGNED32 OakDDGetTableProperty(OAKHANDLE hConnect, const char* pucTableName,
                                 UNSIGNED16 usPropertyID, void* pvProperty,
                                 UNSIGNED16* pusPropertyLen);
UNSIGNED32 OakDDGetUserProperty(OAKHANDLE hConnect, const char* pucUserName,
                                UNSIGNED16 usPropertyID, void* pvProperty,
                                UNSIGNED16* pusPropertyLen);

// ---- tables (api_table.cpp) ----------------------------------------------
// Opens a table file (".OAT" added when the name has no extension); its
// structural index and memo file open with it; a structural index that
// missed a write of a killed process is rebuilt from the records (when no
// other writer is at work; else by the first write; a read-only open
// rebuilds it in memory for itself and leaves the file alone). Shared opens of one file
// coexist; an exclusive open is refused (5035) while any other handle of
// any process has the table open, and keeps others out while it lasts.
UNSIGNED32 OakOpenTable(OAKHANDLE hConnect, const char* pucName, const char* pucAlias,
                        UNSIGNED16 usTableType, UNSIGNED16 usCharType, UNSIGNED16 usLockType,
                        UNSIGNED16 usCheckRights, UNSIGNED32 ulOptions, OAKHANDLE* phTable);
// Creates a table file from field definitions and opens it exclusively.
// pucFields: "NAME,Type[,Length[,Decimals]];..." with the types Logical,
// Numeric, Date, Character, Memo, Binary, Image, VarChar, CompactDate,
// Double, Integer, ShortInt, Time, TimeStamp, AutoInc, Raw, CurDouble,
// CICharacter. A file that exists already answers 5069; inside a
// transaction no table is made (5095).
UNSIGNED32 OakCreateTable(OAKHANDLE hConnect, const char* pucName, const char* pucAlias,
                          UNSIGNED16 usTableType, UNSIGNED16 usCharType, UNSIGNED16 usLockType,
                          UNSIGNED16 usCheckRights, UNSIGNED16 usMemoSize,
                          const char* pucFields, OAKHANDLE* phTable);
// Closes the table (or cursor): pending changes are dropped, its locks and
// index orders are released. Inside a transaction that changed the table,
// the file stays open (holding the transaction's write lock) until the
// transaction ends, and what the handle changed is written at the commit.
UNSIGNED32 OakCloseTable(OAKHANDLE hTable);
UNSIGNED32 OakGetTableOpenOptions(OAKHANDLE hTable, UNSIGNED32* pulOptions);
UNSIGNED32 OakGetTableType(OAKHANDLE hTable, UNSIGNED16* pusType);
UNSIGNED32 OakGetTableCharType(OAKHANDLE hTable, UNSIGNED16* pusCharType);
UNSIGNED32 OakGetTableFilename(OAKHANDLE hTable, char* pucName, UNSIGNED16* pusLen);
UNSIGNED32 OakIsTableEncrypted(OAKHANDLE hTable, UNSIGNED16* pbEncrypted);
UNSIGNED32 OakIsEncryptionEnabled(OAKHANDLE hTable, UNSIGNED16* pbEnabled);
UNSIGNED32 OakEnableEncryption(OAKHANDLE hTable, const char* pucPassword);
UNSIGNED32 OakCacheRecords(OAKHANDLE hTable, UNSIGNED16 usNumRecords);
UNSIGNED32 OakGetRecordLength(OAKHANDLE hTable, UNSIGNED32* pulLength);
UNSIGNED32 OakGetNumFields(OAKHANDLE hTable, UNSIGNED16* pusCount);
UNSIGNED32 OakGetFieldNum(OAKHANDLE hTable, const char* pucFldName, UNSIGNED16* pusNum);
UNSIGNED32 OakGetFieldName(OAKHANDLE hTable, UNSIGNED16 usFld, char* pucName, UNSIGNED16* pusLen);
UNSIGNED32 OakGetFieldType(OAKHANDLE hTable, UNSIGNED16 usFld, UNSIGNED16* pusType);
UNSIGNED32 OakGetFieldLength(OAKHANDLE hTable, UNSIGNED16 usFld, UNSIGNED32* pulLength);
UNSIGNED32 OakGetFieldDecimals(OAKHANDLE hTable, UNSIGNED16 usFld, UNSIGNED16* pusDecimals);
// Offset of the field's bytes in the raw record (the deleted flag is byte 0).
UNSIGNED32 OakGetFieldOffset(OAKHANDLE hTable, UNSIGNED16 usFld, UNSIGNED32* pulOffset);
UNSIGNED32 OakGetColumnPermissions(OAKHANDLE hTable, UNSIGNED16 usFld, UNSIGNED32* pulPerm);
UNSIGNED32 OakGetMemoDataType(OAKHANDLE hTable, UNSIGNED16 usFld, UNSIGNED16* pusType);
UNSIGNED32 OakGetLastAutoinc(OAKHANDLE hObj, UNSIGNED32* pulAutoIncVal);

// ---- navigation (api_navigation.cpp); hOrder: table or index handle ------
UNSIGNED32 OakGotoTop(OAKHANDLE hOrder);
UNSIGNED32 OakGotoBottom(OAKHANDLE hOrder);
// Before the first record: OakAtBOF is true, OakSkip(1) reaches the first.
UNSIGNED32 OakGotoBOF(OAKHANDLE hOrder);
UNSIGNED32 OakSkip(OAKHANDLE hOrder, SIGNED32 lRecs);
// Goes to record n (1-based physical number); 0 or a number past the end
// leaves the table at EOF with no current record.
UNSIGNED32 OakGotoRecord(OAKHANDLE hTable, UNSIGNED32 ulRec);
UNSIGNED32 OakAtBOF(OAKHANDLE hTable, UNSIGNED16* pbBof);
UNSIGNED32 OakAtEOF(OAKHANDLE hTable, UNSIGNED16* pbEof);
// Physical number of the current record (0 at EOF); usFilterOption ignored.
UNSIGNED32 OakGetRecordNum(OAKHANDLE hTable, UNSIGNED16 usFilterOption, UNSIGNED32* pulRec);
// OAK_IGNOREFILTERS: records in the file; OAK_RESPECTFILTERS: records
// visible through filter, AOF, scopes and deleted setting; OAK_RESPECTSCOPES:
// records within the scopes. On a statement handle: rows the last statement
// changed (5117 when it changed none).
UNSIGNED32 OakGetRecordCount(OAKHANDLE hObj, UNSIGNED16 usFilterOption, UNSIGNED32* pulCount);
UNSIGNED32 OakGetKeyNum(OAKHANDLE hIndex, UNSIGNED16 usFilterOption, UNSIGNED32* pulKey);
UNSIGNED32 OakGetRelKeyPos(OAKHANDLE hIndex, double* pdPos);
UNSIGNED32 OakSetRelKeyPos(OAKHANDLE hIndex, double dPos);
// Bookmarks are 4 bytes: the record number, little-endian (bookmark.h).
UNSIGNED32 OakGetBookmarkLength(OAKHANDLE hObj, UNSIGNED32* pulLength);
UNSIGNED32 OakGetBookmark(OAKHANDLE hTable, UNSIGNED32* pulBookmark);
UNSIGNED32 OakGetBookmark60(OAKHANDLE hObj, UNSIGNED8* pucBookmark, UNSIGNED32* pulLength);
// A bookmark of a record that does not exist answers 5022.
UNSIGNED32 OakGotoBookmark(OAKHANDLE hTable, const void* pvBookmark, UNSIGNED32 ulLength);
// *plResult: <0, 0, >0 as the first bookmark lies before, at, after the second.
UNSIGNED32 OakCompareBookmarks(const void* pvBookmark1, const void* pvBookmark2,
                               SIGNED32* plResult);
UNSIGNED32 OakIsRecordVisible(OAKHANDLE hObj, UNSIGNED16* pbVisible);
// One step of a walk in one call: skips lRecs records in the order of
// hOrder (0: does not move), then reports in *pusState what OakAtEOF,
// OakAtBOF and OakIsRecordVisible on the table handle answer
// (OAK_STEP_EOF, OAK_STEP_BOF, OAK_STEP_VISIBLE), in *pulRecNo the
// physical number of the current record (0: none) and, with a current
// record, copies its raw image into pucRec (*pulLen bytes at least the
// record length; else 5005 with the length needed in *pulLen).
// OAK_STEP_PENDING_BLOBS: the record has memo, binary, image or varchar
// values set but not yet written, so the image's references do not tell
// them (ask OakIsEmpty). Without it a blob field's first four bytes in the
// image are zero exactly when OakIsEmpty answers empty.
constexpr UNSIGNED16 OAK_STEP_EOF = 1, OAK_STEP_BOF = 2, OAK_STEP_VISIBLE = 4,
                     OAK_STEP_PENDING_BLOBS = 8, OAK_STEP_READ = 16;
UNSIGNED32 OakSkipAndRead(OAKHANDLE hOrder, SIGNED32 lRecs, UNSIGNED8* pucRec, UNSIGNED32* pulLen,
                          UNSIGNED32* pulRecNo, UNSIGNED16* pusState);
UNSIGNED32 OakIsRecordDeleted(OAKHANDLE hTable, UNSIGNED16* pbDeleted);
UNSIGNED32 OakRefreshRecord(OAKHANDLE hTable);

// ---- records and fields (api_record.cpp, api_field.cpp) -------------------
// Copies the current record's raw image (record length bytes). 5068 when
// there is no current record.
UNSIGNED32 OakGetRecord(OAKHANDLE hTable, UNSIGNED8* pucRec, UNSIGNED32* pulLen);
// Fills a buffer with the empty record: every field null.
UNSIGNED32 OakClearRecordBuffer(OAKHANDLE hTable, void* pvBuf, UNSIGNED32 ulLen);
UNSIGNED32 OakGetNullRecord(OAKHANDLE hTable, void* pvBuf, UNSIGNED32* pulLen);
// Field value as text: character fields as UTF-8 (trimmed per usOption),
// memo and binary fields their data, numbers, dates (in the date format),
// times and logicals ("T"/"F") as text. Null values give an empty text.
UNSIGNED32 OakGetField(OAKHANDLE hTable, UNSIGNED16 usFld, void* pvBuf, UNSIGNED32* pulLen,
                       UNSIGNED16 usOption);
// Sets a field of the current record (or, on an index handle after
// OakInitRawKey, of the key record; on a statement, parameter usFld) from
// text, or memo/binary data. Numbers, dates and logicals are parsed.
UNSIGNED32 OakSetField(OAKHANDLE hObj, UNSIGNED16 usFld, const void* pvBuf, UNSIGNED32 ulLen);
// Copies raw bytes (the field's length at most) into the field.
UNSIGNED32 OakSetFieldRaw(OAKHANDLE hObj, UNSIGNED16 usFld, const void* pvBuf, UNSIGNED32 ulLen);
UNSIGNED32 OakSetEmpty(OAKHANDLE hObj, UNSIGNED16 usFld);
UNSIGNED32 OakIsEmpty(OAKHANDLE hTable, UNSIGNED16 usFld, UNSIGNED16* pbEmpty);
UNSIGNED32 OakGetMemoLength(OAKHANDLE hTable, UNSIGNED16 usFld, UNSIGNED32* pulLength);
UNSIGNED32 OakGetBinaryLength(OAKHANDLE hTable, UNSIGNED16 usFld, UNSIGNED32* pulLength);
UNSIGNED32 OakGetDouble(OAKHANDLE hTable, UNSIGNED16 usFld, double* pdValue);
UNSIGNED32 OakGetLong(OAKHANDLE hTable, UNSIGNED16 usFld, SIGNED32* plValue);
UNSIGNED32 OakGetJulian(OAKHANDLE hTable, UNSIGNED16 usFld, SIGNED32* plDate);
UNSIGNED32 OakGetLogical(OAKHANDLE hTable, UNSIGNED16 usFld, UNSIGNED16* pbValue);
// Typed setters, on tables and on statement parameters.
UNSIGNED32 OakSetString(OAKHANDLE hObj, UNSIGNED16 usFld, const char* pucBuf, UNSIGNED32 ulLen);
UNSIGNED32 OakSetLogical(OAKHANDLE hObj, UNSIGNED16 usFld, UNSIGNED16 bValue);
UNSIGNED32 OakSetDouble(OAKHANDLE hObj, UNSIGNED16 usFld, double dValue);
UNSIGNED32 OakSetLong(OAKHANDLE hObj, UNSIGNED16 usFld, SIGNED32 lValue);
UNSIGNED32 OakSetJulian(OAKHANDLE hObj, UNSIGNED16 usFld, SIGNED32 lDate);
UNSIGNED32 OakSetMilliseconds(OAKHANDLE hObj, UNSIGNED16 usFld, SIGNED32 lTime);
// Raw timestamp: 4 bytes Julian day, 4 bytes milliseconds, little-endian.
UNSIGNED32 OakSetTimeStampRaw(OAKHANDLE hObj, UNSIGNED16 usFld, const void* pvBuf,
                              UNSIGNED32 ulLen);
// Writes ulLen bytes at ulOffset of a binary or memo value of total length
// ulTotalLength; usBinaryType 6 binary, 7 image.
UNSIGNED32 OakSetBinary(OAKHANDLE hObj, UNSIGNED16 usFld, UNSIGNED16 usBinaryType,
                        UNSIGNED32 ulTotalLength, UNSIGNED32 ulOffset, const void* pvBuf,
                        UNSIGNED32 ulLen);
// CRC-32 of the current record's raw image as stored.
UNSIGNED32 OakGetRecordCRC(OAKHANDLE hTable, UNSIGNED32* pulCRC, UNSIGNED32 ulOptions);

// ---- editing and locks (api_edit.cpp) --------------------------------------
// Starts a new record (all fields null, autoincrement assigned at write).
// Refused (5035) while another handle of any process holds the table lock,
// as is every change (write, delete, reindex, index creation) then.
UNSIGNED32 OakAppendRecord(OAKHANDLE hTable);
// Writes the pending changes of the current record (or the new record) to
// the files and updates every index. A unique key clash answers 5030.
UNSIGNED32 OakWriteRecord(OAKHANDLE hTable);
// Drops pending changes; 5085 when there were none.
UNSIGNED32 OakCancelUpdate(OAKHANDLE hTable);
UNSIGNED32 OakDeleteRecord(OAKHANDLE hTable);
UNSIGNED32 OakRecallRecord(OAKHANDLE hTable);
// Record lock (ulRec 0: the current record). Locked by another handle:
// 5035. Locking a record twice on one handle succeeds. Once locked, the
// current record (when it is the one locked, or under the table lock) is
// read anew unless it has changes of this handle.
UNSIGNED32 OakLockRecord(OAKHANDLE hTable, UNSIGNED32 ulRec);
UNSIGNED32 OakUnlockRecord(OAKHANDLE hTable, UNSIGNED32 ulRec);
UNSIGNED32 OakIsRecordLocked(OAKHANDLE hTable, UNSIGNED32 ulRec, UNSIGNED16* pbLocked);
// Table lock: refused (5035) while another handle holds the table lock or
// any record lock of the table.
UNSIGNED32 OakLockTable(OAKHANDLE hTable);
UNSIGNED32 OakUnlockTable(OAKHANDLE hTable);
UNSIGNED32 OakIsTableLocked(OAKHANDLE hTable, UNSIGNED16* pbLocked);

// ---- maintenance (api_maintenance.cpp) -------------------------------------
// Pack and zap need an exclusive open or a table lock (5026 otherwise).
// Outside a transaction each runs under a journal of its own: a program
// killed on the way leaves the table as before, taken back by the next
// open or writer.
UNSIGNED32 OakPackTable(OAKHANDLE hTable);
UNSIGNED32 OakZapTable(OAKHANDLE hTable);
UNSIGNED32 OakReindex61(OAKHANDLE hTable, UNSIGNED32 ulPageSize);

// ---- indexes (api_index.cpp) -------------------------------------------------
// pucFileName empty: the tag goes into the table's structural index.
// Inside a transaction the index file must exist already (5095 otherwise).
UNSIGNED32 OakCreateIndex61(OAKHANDLE hObj, const char* pucFileName, const char* pucTag,
                            const char* pucExpr, const char* pucCondition, const char* pucWhile,
                            UNSIGNED32 ulOptions, UNSIGNED32 ulPageSize, OAKHANDLE* phIndex);
UNSIGNED32 OakDeleteIndex(OAKHANDLE hIndex);
UNSIGNED32 OakOpenIndex(OAKHANDLE hTable, const char* pucName, OAKHANDLE* ahIndex,
                        UNSIGNED16* pusArrayLen);
UNSIGNED32 OakCloseIndex(OAKHANDLE hIndex);
UNSIGNED32 OakGetNumIndexes(OAKHANDLE hTable, UNSIGNED16* pusNum);
// Fills up to *pusArrayLen handles; more indexes than slots answers 5005.
UNSIGNED32 OakGetAllIndexes(OAKHANDLE hTable, OAKHANDLE* ahIndex, UNSIGNED16* pusArrayLen);
// Tag name lookup, case-insensitive; an empty or null name gives the table
// handle itself (natural order). Unknown tag: 5044.
UNSIGNED32 OakGetIndexHandle(OAKHANDLE hTable, const char* pucName, OAKHANDLE* phIndex);
UNSIGNED32 OakGetIndexName(OAKHANDLE hIndex, char* pucName, UNSIGNED16* pusLen);
UNSIGNED32 OakGetIndexFilename(OAKHANDLE hIndex, UNSIGNED16 usOption, char* pucName,
                               UNSIGNED16* pusLen);
UNSIGNED32 OakGetIndexExpr(OAKHANDLE hIndex, char* pucExpr, UNSIGNED16* pusLen);
UNSIGNED32 OakGetIndexCondition(OAKHANDLE hIndex, char* pucExpr, UNSIGNED16* pusLen);
UNSIGNED32 OakIsIndexUnique(OAKHANDLE hIndex, UNSIGNED16* pbUnique);
UNSIGNED32 OakIsIndexDescending(OAKHANDLE hIndex, UNSIGNED16* pbDescending);
UNSIGNED32 OakIsIndexPrimaryKey(OAKHANDLE hIndex, UNSIGNED16* pbPrimary);
UNSIGNED32 OakIsIndexCustom(OAKHANDLE hIndex, UNSIGNED16* pbCustom);
UNSIGNED32 OakGetIndexFlags(OAKHANDLE hIndex, UNSIGNED32* pulFlags);
UNSIGNED32 OakGetIndexPageSize(OAKHANDLE hIndex, UNSIGNED32* pulPageSize);
UNSIGNED32 OakGetKeyLength(OAKHANDLE hIndex, UNSIGNED16* pusKeyLength);
UNSIGNED32 OakGetKeyType(OAKHANDLE hIndex, UNSIGNED16* pusKeyType);
UNSIGNED32 OakGetNumSegments(OAKHANDLE hIndex, UNSIGNED16* pusSegments);
// Field name of segment usSegment (1-based).
UNSIGNED32 OakGetSegmentFieldname(OAKHANDLE hIndex, UNSIGNED16 usSegment, char* pucName,
                                  UNSIGNED16* pusLen);
// Seek: key type OAK_STRINGKEY (text, converted to the tag's key type: "2"
// finds integer key 2) or OAK_RAWKEY (bytes of OakBuildRawKey); a soft seek
// stops on the next greater key (EOF when none), a hard seek only on an
// equal key (EOF otherwise). *pbFound tells whether the key matched.
UNSIGNED32 OakSeek(OAKHANDLE hIndex, const void* pvKey, UNSIGNED16 usKeyLen,
                   UNSIGNED16 usDataType, UNSIGNED16 usSeekType, UNSIGNED16* pbFound);
// OakSeek, then OakSkipAndRead's report of where the cursor stands (a step
// of 0) in the same call. The result and *pbFound are the seek's. With the
// report made, *pusState holds its flags and OAK_STEP_READ; when the report
// cannot be made (pucRec too small, a filter that cannot be evaluated) the
// seek still stands, *pusState is 0 and OakSkipAndRead tells why.
UNSIGNED32 OakSeekAndRead(OAKHANDLE hIndex, const void* pvKey, UNSIGNED16 usKeyLen,
                          UNSIGNED16 usDataType, UNSIGNED16 usSeekType, UNSIGNED16* pbFound,
                          UNSIGNED8* pucRec, UNSIGNED32* pulLen, UNSIGNED32* pulRecNo,
                          UNSIGNED16* pusState);
UNSIGNED32 OakSeekLast(OAKHANDLE hIndex, const void* pvKey, UNSIGNED16 usKeyLen,
                       UNSIGNED16 usDataType, UNSIGNED16* pbFound);
// Raw keys: an empty key record, fields set with OakSetField/OakSetFieldRaw/
// OakSetEmpty on the index handle, then the key bytes.
UNSIGNED32 OakInitRawKey(OAKHANDLE hIndex);
UNSIGNED32 OakBuildRawKey(OAKHANDLE hIndex, void* pvKey, UNSIGNED16* pusKeyLen);
// Turns a raw key into the next (direction 1) or previous (-1) possible key.
UNSIGNED32 OakStepIndexKey(OAKHANDLE hIndex, void* pvKey, UNSIGNED16 usLen, SIGNED16 sDirection);
// Scopes on an index: OAK_TOP / OAK_BOTTOM with a text or raw key.
UNSIGNED32 OakSetScope(OAKHANDLE hIndex, UNSIGNED16 usScopeOption, const void* pvScope,
                       UNSIGNED16 usScopeLen, UNSIGNED16 usDataType);
// 5038 when that scope is not set.
UNSIGNED32 OakGetScope(OAKHANDLE hIndex, UNSIGNED16 usScopeOption, void* pvScope,
                       UNSIGNED16* pusBufLen);
UNSIGNED32 OakClearScope(OAKHANDLE hIndex, UNSIGNED16 usScopeOption);
UNSIGNED32 OakClearAllScopes(OAKHANDLE hTable);

// ---- filters and expressions (api_filter.cpp) ------------------------------
UNSIGNED32 OakSetFilter(OAKHANDLE hTable, const char* pucFilter);
// 5037 when no filter is set; a null buffer only tests.
UNSIGNED32 OakGetFilter(OAKHANDLE hTable, char* pucFilter, UNSIGNED16* pusLen);
UNSIGNED32 OakClearFilter(OAKHANDLE hTable);
UNSIGNED32 OakSetAOF(OAKHANDLE hTable, const char* pucFilter, UNSIGNED16 usOptions);
UNSIGNED32 OakGetAOF(OAKHANDLE hTable, char* pucFilter, UNSIGNED16* pusLen);
UNSIGNED32 OakClearAOF(OAKHANDLE hTable);
// Exact string comparison for '=' in filters (1) or prefix match (0).
UNSIGNED32 OakSetExact22(OAKHANDLE hObj, UNSIGNED16 bExact);
UNSIGNED32 OakGetExact22(OAKHANDLE hObj, UNSIGNED16* pbExact);
UNSIGNED32 OakEvalLogicalExpr(OAKHANDLE hTable, const char* pucExpr, UNSIGNED16* pbResult);
// Field names of an expression between short (10 characters) and full form:
// our field names are used as they are, so both copy the text.
UNSIGNED32 OakExpressionLongToShort(OAKHANDLE hTable, const char* pucLongExpr,
                                    char* pucShortExpr, UNSIGNED16* pusLen);
UNSIGNED32 OakExpressionShortToLong(OAKHANDLE hTable, const char* pucShortExpr,
                                    char* pucLongExpr, UNSIGNED16* pusLen);

// ---- SQL (api_sql.cpp) -------------------------------------------------------
UNSIGNED32 OakCreateSQLStatement(OAKHANDLE hConnect, OAKHANDLE* phStatement);
UNSIGNED32 OakPrepareSQL(OAKHANDLE hStatement, const char* pucSQL);
// A SELECT gives a cursor (a read-only table handle); other statements
// give OAK_INVALID_HANDLE.
UNSIGNED32 OakExecuteSQL(OAKHANDLE hStatement, OAKHANDLE* phCursor);
UNSIGNED32 OakExecuteSQLDirect(OAKHANDLE hStatement, const char* pucSQL, OAKHANDLE* phCursor);
// 5106 when the handle is no open statement.
UNSIGNED32 OakCloseSQLStatement(OAKHANDLE hStatement);
UNSIGNED32 OakSqlPeekStatement(OAKHANDLE hCursor, UNSIGNED16* pusKind);
// Checks a statement text; names its parameters (":name" or "?"), ";"-
// separated, into pucNames when given.
UNSIGNED32 OakGetSQLStmtParams(const char* pucSQL, char* pucNames, UNSIGNED32* pulLen);
UNSIGNED32 OakStmtSetTableLockType(OAKHANDLE hStatement, UNSIGNED16 usLockType);
UNSIGNED32 OakStmtSetTableCharType(OAKHANDLE hStatement, UNSIGNED16 usCharType);
UNSIGNED32 OakStmtSetTableRights(OAKHANDLE hStatement, UNSIGNED16 usCheckRights);
UNSIGNED32 OakStmtSetTableReadOnly(OAKHANDLE hStatement, UNSIGNED16 usReadOnly);
UNSIGNED32 OakStmtSetTableType(OAKHANDLE hStatement, UNSIGNED16 usTableType);
UNSIGNED32 OakStmtConstrainUpdates(OAKHANDLE hStatement, UNSIGNED16 usConstrain);
UNSIGNED32 OakStmtReadAllColumns(OAKHANDLE hStatement, UNSIGNED16 usReadAll);

}  // extern "C"
