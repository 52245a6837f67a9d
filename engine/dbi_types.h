// The engine's records, handles and constants as its callers see them.
//
// Layouts are our own; field names and widths follow the engine API that
// the component and the window were written against, so that code above this
// layer reads as it always has. Every text field is a fixed char array that
// holds a zero-terminated 8-bit text; writers must never fill it past its
// last byte (use CopyName below).
#pragma once

#include <cstddef>
#include <cstdint>
#include <cstring>

namespace kx {

using DBIResult = std::uint16_t;
using BOOL16 = std::uint16_t;

// Opaque handles. The engine behind the seam decides what they point at.
struct DbiDatabaseTag;
struct DbiCursorTag;
using hDBIDb = DbiDatabaseTag*;
using hDBICur = DbiCursorTag*;

constexpr int DBIMAXNAMELEN = 31;
constexpr int DBIMAXPATHLEN = 260;
constexpr int DBIMAXMSGLEN = 127;
constexpr int DBIMAXTBLNAMELEN = 260;

using DBINAME = char[DBIMAXNAMELEN + 1];       // 32
using DBITBLNAME = char[DBIMAXTBLNAMELEN + 1]; // 261
using DBIPATH = char[DBIMAXPATHLEN + 1];       // 261
using DBIMSG = char[DBIMAXMSGLEN + 1];         // 128

// Copies src into a fixed text field, cutting it so the terminator fits.
template <std::size_t N>
inline void CopyName(char (&dst)[N], const char* src) {
  std::size_t n = src ? std::strlen(src) : 0;
  if (n > N - 1) n = N - 1;
  if (n) std::memcpy(dst, src, n);
  dst[n] = '\0';
}

enum DBIOpenMode : std::uint16_t { dbiREADWRITE = 0, dbiREADONLY = 1 };
enum DBIShareMode : std::uint16_t { dbiOPENSHARED = 0, dbiOPENEXCL = 1 };
enum XLTMode : std::uint16_t { xltNONE = 0, xltRECORD = 1, xltFIELD = 2 };
enum DBILockType : std::uint16_t { dbiNOLOCK = 0, dbiREADLOCK = 1, dbiWRITELOCK = 2 };

// Table properties of an open cursor.
struct CURProps {
  DBITBLNAME szName;      // table name as DbiOpenTable takes it (file name in its folder)
  std::uint16_t iFNameSize;
  DBINAME szTableType;    // driver type: "DBASE", "PARADOX", "FOXPRO"
  std::uint16_t iFields;
  std::uint16_t iRecSize;
  std::uint16_t iRecBufSize;
  std::uint16_t iKeySize;
  std::uint16_t iIndexes;
  std::uint16_t iValChecks;
  std::uint16_t iRefIntChecks;
  std::uint16_t iBookMarkSize;
  BOOL16 bBookMarkStable;
  std::uint16_t eOpenMode;
  std::uint16_t eShareMode;
  BOOL16 bIndexed;
  std::int16_t iSeqNums;
  BOOL16 bSoftDeletes;
  BOOL16 bDeletedOn;
  std::uint16_t iRefRange;
  std::uint16_t exltMode;
  std::uint16_t iRestrVersion;
  BOOL16 bUniDirectional;
  std::uint16_t eprvRights;
  std::uint16_t Dummy4;
  std::uint16_t iFmlRights;
  std::uint16_t iPasswords;
  std::uint16_t iCodePage;
  BOOL16 bProtected;
  std::uint16_t iTblLevel;
  DBINAME szLangDriver;
  BOOL16 bFieldMap;
  std::uint16_t iBlockSize;  // in kilobytes (Paradox block; dBASE memo block rounded up)
  BOOL16 bStrictRefInt;
  std::uint16_t iFilters;
  BOOL16 bTempTable;
  std::uint16_t iUnUsed[16];
};

// Field description; also the descriptor of one optional restructure parameter.
struct FLDDesc {
  std::uint16_t iFldNum;
  DBINAME szName;
  std::uint16_t iFldType;
  std::uint16_t iSubType;
  std::int16_t iUnits1;
  std::int16_t iUnits2;
  std::uint16_t iOffset;
  std::uint16_t iLen;
  std::uint16_t iNullOffset;
  std::uint16_t efldvVchk;
  std::uint16_t efldrRights;
  BOOL16 bCalcField;
  std::uint16_t iUnUsed[2];
};

struct IDXDesc {
  DBITBLNAME szName;
  std::uint16_t iIndexId;
  DBINAME szTagName;
  DBINAME szFormat;
  BOOL16 bPrimary;
  BOOL16 bUnique;
  BOOL16 bDescending;
  BOOL16 bMaintained;
  BOOL16 bSubset;
  BOOL16 bExpIdx;
  std::uint16_t iCost;
  std::uint16_t iFldsInKey;
  std::uint16_t iKeyLen;
  BOOL16 bOutofDate;
  std::uint16_t iKeyExpType;
  std::uint16_t aiKeyFld[16];
  DBIMSG szKeyExp;
  DBIMSG szKeyCond;
  BOOL16 bCaseInsensitive;
  std::uint16_t iBlockSize;
  std::uint16_t iRestrNum;
  std::uint16_t abDescending[16];
  std::uint16_t iUnUsed[16];
};

struct RINTDesc {
  std::uint16_t iRintNum;
  DBINAME szRintName;
  std::uint16_t eType;
  DBIPATH szTblName;
  std::uint16_t eModOp;
  std::uint16_t eDelOp;
  std::uint16_t iFldCount;
  std::uint16_t aiThisTabFld[16];
  std::uint16_t aiOthTabFld[16];
};

struct SECDesc {
  std::uint16_t iSecNum;
  std::uint16_t eprvTable;
  std::uint16_t iFamRights;
  DBINAME szPassword;
  std::uint16_t aprvFld[256];
};

// Restructure description of one table.
struct CRTblDesc {
  DBITBLNAME szTblName;
  DBINAME szTblType;
  DBIPATH szErrTblName;
  DBINAME szUserName;
  DBINAME szPassword;
  BOOL16 bProtected;
  BOOL16 bPack;
  std::uint16_t iFldCount;
  void* pecrFldOp;
  FLDDesc* pfldDesc;
  std::uint16_t iIdxCount;
  void* pecrIdxOp;
  IDXDesc* pidxDesc;
  std::uint16_t iSecRecCount;
  void* pecrSecOp;
  SECDesc* psecDesc;
  std::uint16_t iValChkCount;
  void* pecrValChkOp;
  void* pvchkDesc;
  std::uint16_t iRintCount;
  void* pecrRintOp;
  RINTDesc* printDesc;
  std::uint16_t iOptParams;
  FLDDesc* pfldOptParams;  // one descriptor per optional parameter
  const char* pOptData;    // the parameters' values, at each descriptor's iOffset
};

// Language driver description, one record of the list cursor.
struct LDDesc {
  DBINAME szName;    // driver name, e.g. "DB437US0"
  DBIMSG szDesc;     // display name
  std::uint16_t iCodePage;
  std::uint16_t PrimaryCpPlatform;
  std::uint16_t AlternateCpPlatform;
};

// Details of the last error (DbiGetErrorInfo).
struct DBIErrInfo {
  DBIResult iError;
  DBIMSG szErrCode;
  DBIMSG szContext1;
  DBIMSG szContext2;
  DBIMSG szContext3;
  DBIMSG szContext4;
};

// --- callbacks ---------------------------------------------------------

enum CBType : std::uint16_t {
  cbGENERAL = 0,
  cbRESTRUCTURE = 8,
  cbGENPROGRESS = 23,
};
enum CBRType : std::uint16_t { cbrUSEDEF = 0, cbrCONTINUE = 1, cbrABORT = 2 };

using pfDBICallBack = CBRType (*)(CBType ecbType, std::uintptr_t iClientData, void* pCbInfo);

#pragma pack(push, 1)
// Generic progress: iPercentDone -1 = message alone, 0 = a phase starts, else percent.
struct CBPROGRESSDesc {
  std::int16_t iPercentDone;
  DBIMSG szMsg;
};

enum RESTErrObjType : std::uint32_t {
  restrNONE = 0,
  restrNEWFLD = 1,
  restrOLDFLD = 2,
  restrNEWINDEX = 3,
  restrOLDINDEX = 4,
  restrNEWVCHK = 5,
  restrOLDVCHK = 6,
  restrNEWRINT = 7,
  restrOLDRINT = 8,
  restrNEWSEC = 9,
  restrOLDSEC = 10,
  restrNEWTABLE = 11,
};

struct RESTCbDesc {
  std::uint32_t iErrCode;
  std::uint32_t iTblNum;
  std::uint32_t iObjNum;
  std::uint32_t eRestrObjType;
  union {
    FLDDesc fldDesc;
    IDXDesc idxDesc;
    RINTDesc rintDesc;
    SECDesc secDesc;
    char raw[1213];
  } uObjDesc;
};
#pragma pack(pop)

static_assert(sizeof(CBPROGRESSDesc) == 130, "generic progress buffer is 130 bytes");
static_assert(sizeof(RESTCbDesc) == 1229, "restructure buffer is 1229 bytes");

}  // namespace kx
