// The table of result codes and their texts.
#include "engine/result_codes.h"

#include <cstdio>

namespace kx {
namespace {

const ResultCodeInfo kCodes[] = {
    {DBIERR_NONE, "DBIERR_NONE", "Operation succeeded."},
    {DBIERR_EOF, "DBIERR_EOF", "At the end of the table."},
    {DBIERR_NOSUCHFILE, "DBIERR_NOSUCHFILE", "Could not find file."},
    {DBIERR_NOSUCHTABLE, "DBIERR_NOSUCHTABLE", "Table does not exist."},
    {DBIERR_INVALIDDIR, "DBIERR_INVALIDDIR", "Directory is invalid."},
    {DBIERR_NOMEMOFILE, "DBIERR_NOMEMOFILE", "Memo file is missing."},
    {DBIERR_NOSUCHINDEX, "DBIERR_NOSUCHINDEX", "Index does not exist."},
    {DBIERR_HEADERCORRUPT, "DBIERR_HEADERCORRUPT", "Corrupt table header."},
    {DBIERR_FILECORRUPT, "DBIERR_FILECORRUPT", "Corrupt file, other than header."},
    {DBIERR_MEMOCORRUPT, "DBIERR_MEMOCORRUPT", "Corrupt memo file."},
    {DBIERR_INDEXCORRUPT, "DBIERR_INDEXCORRUPT", "Corrupt index file."},
    {DBIERR_READERR, "DBIERR_READERR", "Read failure."},
    {DBIERR_WRITEERR, "DBIERR_WRITEERR", "Write failure."},
    {DBIERR_OSACCESS, "DBIERR_OSACCESS", "Permission denied."},
    {DBIERR_SYNCERR, "DBIERR_SYNCERR", "Could not flush the file to disk."},
    {DBIERR_RENAMEERR, "DBIERR_RENAMEERR", "Could not rename the file."},
    {DBIERR_HARDLINK, "DBIERR_HARDLINK",
     "Table file has other hard links; it cannot be replaced safely."},
    {DBIERR_NOMEMORY, "DBIERR_NOMEMORY", "Insufficient memory for this operation."},
    {DBIERR_NODISKSPACE, "DBIERR_NODISKSPACE", "Insufficient disk space."},
    {DBIERR_RECTOOBIG, "DBIERR_RECTOOBIG", "Record size is too big for table."},
    {DBIERR_INVALIDPARAM, "DBIERR_INVALIDPARAM", "Invalid parameter."},
    {DBIERR_INVALIDHNDL, "DBIERR_INVALIDHNDL", "Invalid handle to the function."},
    {DBIERR_INVALIDOPTPARAM, "DBIERR_INVALIDOPTPARAM", "Invalid optional parameter."},
    {DBIERR_INVALIDTBLTYPE, "DBIERR_INVALIDTBLTYPE", "Invalid table type."},
    {DBIERR_NAMETOOLONG, "DBIERR_NAMETOOLONG", "Name is too long."},
    {DBIERR_INVALIDVALUE, "DBIERR_INVALIDVALUE", "Invalid value."},
    {DBIERR_INVALIDLANGDRV, "DBIERR_INVALIDLANGDRV", "Invalid language driver."},
    {DBIERR_FILEBUSY, "DBIERR_FILEBUSY", "Table is busy."},
    {DBIERR_NOTINITIALIZED, "DBIERR_NOTINITIALIZED", "Engine not initialized."},
    {DBIERR_NOTSUPPORTED, "DBIERR_NOTSUPPORTED", "Capability not supported."},
    {DBIERR_INDEXNOTSUPPORTED, "DBIERR_INDEXNOTSUPPORTED",
     "Tables with index files are not supported yet."},
    {DBIERR_ENCRYPTED, "DBIERR_ENCRYPTED", "Table is encrypted."},
    {DBIERR_CANNOTCONVERT, "DBIERR_CANNOTCONVERT", "Cannot convert the field or value."},
};

const char* CategoryText(std::uint16_t code) {
  switch (code & 0xFF00) {
    case ERRBASE_NOTFOUND: return "Object not found.";
    case ERRBASE_CORRUPT: return "Physical data corruption.";
    case ERRBASE_IO: return "Input/output error.";
    case ERRBASE_LIMIT: return "Resource or limit error.";
    case ERRBASE_INTEGRITY: return "Integrity violation.";
    case ERRBASE_INVALIDREQ: return "Invalid request.";
    case ERRBASE_LOCKCONFLICT: return "Locking or contention error.";
    case ERRBASE_SEC: return "Access or security violation.";
    case ERRBASE_IC: return "Invocation error.";
    case ERRBASE_CAPABILITY: return "Capability not supported.";
    default: return "Unknown error.";
  }
}

}  // namespace

const char* ResultText(std::uint16_t code) {
  for (const auto& c : kCodes)
    if (c.code == code) return c.text;
  return CategoryText(code);
}

const char* ResultName(std::uint16_t code) {
  for (const auto& c : kCodes)
    if (c.code == code) return c.name;
  return nullptr;
}

const ResultCodeInfo* AllResultCodes(std::size_t* count) {
  *count = sizeof(kCodes) / sizeof(kCodes[0]);
  return kCodes;
}

}  // namespace kx
