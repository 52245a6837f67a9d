// IndexFileReader::Open: the format by the file's extension.
#include "storage/dbase/index/index_reader.h"

#include "storage/api/codes.h"
#include "storage/dbase/index/cdx_reader.h"
#include "storage/dbase/index/mdx_reader.h"
#include "storage/dbase/index/ndx_reader.h"
#include "storage/io/file_names.h"

namespace kx::storage {

Status IndexFileReader::Open(Env* env, const std::string& path,
                             std::unique_ptr<IndexFileReader>* out) {
  std::string base = BaseName(path);
  std::size_t dot = base.rfind('.');
  std::string ext = dot == std::string::npos ? "" : AsciiLower(base.substr(dot + 1));
  Status s;
  if (ext == "ndx") {
    std::unique_ptr<NdxReader> r;
    s = NdxReader::Open(env, path, &r);
    if (s.ok()) *out = std::move(r);
  } else if (ext == "mdx") {
    std::unique_ptr<MdxReader> r;
    s = MdxReader::Open(env, path, &r);
    if (s.ok()) *out = std::move(r);
  } else if (ext == "cdx" || ext == "idx") {
    std::unique_ptr<CdxReader> r;
    s = CdxReader::Open(env, path, &r);
    if (s.ok()) *out = std::move(r);
  } else {
    s = Status::Error(DBIERR_INVALIDPARAM, "'" + path + "' is not an .ndx, .mdx or .cdx file",
                      path);
  }
  return s;
}

}  // namespace kx::storage
