// Key lengths per format and the index-corrupt Status.
#include "storage/dbase/index/index_types.h"

#include "storage/api/codes.h"

namespace kx::storage {

const char* IndexFormatName(IndexFormat format) {
  switch (format) {
    case IndexFormat::kNdx: return "NDX";
    case IndexFormat::kMdx: return "MDX";
    case IndexFormat::kCdx: return "CDX";
  }
  return "?";
}

Status ResolveKeyLength(IndexFormat format, const IndexTagDef& def, std::uint16_t* length) {
  const char* fmt = IndexFormatName(format);
  switch (def.key_type) {
    case IndexKeyType::kCharacter: {
      // dBASE limits character keys to 100 bytes; FoxPro compact tags to 240.
      std::uint16_t max = format == IndexFormat::kCdx ? 240 : 100;
      if (def.key_length == 0 || def.key_length > max) {
        return Status::Error(DBIERR_INVALIDPARAM,
                             std::string(fmt) + " character key length must be 1.." +
                                 std::to_string(max),
                             def.name, std::to_string(def.key_length));
      }
      *length = def.key_length;
      return Status::OK();
    }
    case IndexKeyType::kNumeric:
      *length = format == IndexFormat::kMdx ? 12 : 8;
      return Status::OK();
    case IndexKeyType::kDate:
      *length = 8;
      return Status::OK();
    case IndexKeyType::kLogical:
    case IndexKeyType::kInteger:
      if (format != IndexFormat::kCdx) {
        return Status::Error(DBIERR_INDEXNOTSUPPORTED,
                             std::string(fmt) + " cannot hold a key of type " +
                                 static_cast<char>(def.key_type),
                             def.name);
      }
      *length = def.key_type == IndexKeyType::kLogical ? 1 : 4;
      return Status::OK();
  }
  return Status::Error(DBIERR_INVALIDPARAM, "unknown key type", def.name);
}

Status IndexCorrupt(const std::string& path, const std::string& what) {
  return Status::Error(DBIERR_INDEXCORRUPT, "index '" + path + "' is corrupt: " + what, path);
}

}  // namespace kx::storage
