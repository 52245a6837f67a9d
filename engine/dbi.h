// The engine API: free functions that forward to the installed Engine.
//
// Every call returns a DBIResult, 0 for success. A failing call also fills
// the last-error record (DbiGetErrorInfo) with its code and up to four
// context strings; a successful call leaves the record as it was. No
// exception leaves any of these calls. All calls run on the caller's thread;
// the progress callbacks registered with DbiRegisterCallBack are made from
// inside DbiDoRestructure, DbiPackTable and DbiRegenIndexes, on that thread.
#pragma once

#include "engine/dbi_types.h"
#include "engine/result_codes.h"

namespace kx {

// Initialise the engine. pEnv is unused (null). Idempotent.
DBIResult DbiInit(void* pEnv);
// Shut the engine down; open cursors and databases are closed.
DBIResult DbiExit();

// Opens the database for a directory. pszDirectory must name an existing
// folder. Returns DBIERR_INVALIDDIR when it does not.
DBIResult DbiOpenDatabase(const char* pszDirectory, hDBIDb* phDb);
DBIResult DbiCloseDatabase(hDBIDb* phDb);

// Opens a table of the database. pszTableName is a file name in the
// database's folder (with or without extension); pszDriverType may be null
// (the engine decides from the file). eShareMode dbiOPENEXCL takes the
// table's exclusive lock, which fails with DBIERR_FILEBUSY (0x2803) when the
// table is open anywhere else, in this process or another.
DBIResult DbiOpenTable(hDBIDb hDb, const char* pszTableName, const char* pszDriverType,
                       const char* pszIndexName, const char* pszIndexTagName,
                       std::uint16_t iIndexId, DBIOpenMode eOpenMode,
                       DBIShareMode eShareMode, XLTMode exltMode, BOOL16 bUniDirectional,
                       void* pOptParams, hDBICur* phCursor);
DBIResult DbiCloseCursor(hDBICur* phCursor);

// Fills the table properties of an open table cursor.
DBIResult DbiGetCursorProps(hDBICur hCursor, CURProps* pProps);
DBIResult DbiGetRecordCount(hDBICur hCursor, std::uint32_t* piRecCount);

// Restructures iTblDescCount (1) tables. With bPack set the table is packed.
// With iOptParams 1 the descriptor's szName ("LEVEL", "BLOCK SIZE",
// "LANGDRIVER", any letter case) names the property to change and pOptData
// its new value as text.
DBIResult DbiDoRestructure(hDBIDb hDb, std::uint16_t iTblDescCount, CRTblDesc* pTblDesc,
                           const char* pszSaveAs, const char* pszKeyviolName,
                           const char* pszProblemsName, BOOL16 bAnalyzeOnly);

// Packs a dBASE table by name (hCursor null) or through an exclusive cursor.
DBIResult DbiPackTable(hDBIDb hDb, hDBICur hCursor, const char* pszTableName,
                       const char* pszDriverType, BOOL16 bRegenIdxs);

// Regenerates every index of the table behind an exclusive cursor.
DBIResult DbiRegenIndexes(hDBICur hCursor);

// Language-driver list: a cursor over LDDesc records.
DBIResult DbiOpenLdList(hDBICur* phCursor);
DBIResult DbiGetNextRecord(hDBICur hCursor, DBILockType eLock, void* pRecBuf, void* pRecProps);

// Error details. bFull is accepted for compatibility; the record is always full.
DBIResult DbiGetErrorInfo(BOOL16 bFull, DBIErrInfo* pErrInfo);
// The text of a code, at most DBIMAXMSGLEN characters and the terminator.
DBIResult DbiGetErrorString(DBIResult rslt, char* pszError);

// Callback registration, one per type. pCbBuf receives each notification
// (iCbBufLen bytes) before pfCb is called. A null pfCb removes the
// registration. DbiGetCallBack returns what is registered for a type.
DBIResult DbiRegisterCallBack(hDBICur hCursor, CBType ecbType, std::uintptr_t iClientData,
                              std::uint16_t iCbBufLen, void* pCbBuf, pfDBICallBack pfCb);
DBIResult DbiGetCallBack(hDBICur hCursor, CBType ecbType, std::uintptr_t* piClientData,
                         std::uint16_t* piCbBufLen, void** ppCbBuf, pfDBICallBack* ppfCb);

}  // namespace kx
