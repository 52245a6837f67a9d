// IndexFileReader: opens an existing .ndx, .mdx or .cdx, lists its tags and
// walks a tag in key order.
//
// Every page number, offset and count read from the file is checked against
// the file's size and the node's capacity before use; a walk visits at most
// as many nodes as the file has pages and descends at most 32 levels, so a
// corrupt or hostile file ends in DBIERR_INDEXCORRUPT (0x2305), never in a
// crash or an endless loop. Readers hold the file open (read-only) until
// destroyed; they take no locks (the caller holds the table's).
#pragma once

#include <cstddef>
#include <memory>
#include <string>
#include <vector>

#include "storage/dbase/index/index_types.h"
#include "storage/io/env.h"

namespace kx::storage {

class IndexFileReader {
 public:
  virtual ~IndexFileReader() = default;

  // Chooses the format by the file's extension (ndx, mdx, cdx; any case);
  // another extension gives INVALIDPARAM. Open errors come from the Env
  // (DBIERR_NOSUCHFILE ...); a bad header gives DBIERR_INDEXCORRUPT.
  static Status Open(Env* env, const std::string& path, std::unique_ptr<IndexFileReader>* out);

  virtual IndexFormat format() const = 0;
  // In file order: NDX one tag named after the file, MDX the tag table's
  // order, CDX creation order (ascending header position).
  const std::vector<IndexTagInfo>& tags() const { return tags_; }

  // Calls visit(key, key_length, recno) for every key of tags()[tag] in
  // stored order, which is index order except for a descending CDX tag:
  // FoxPro stores those ascending and reads them backwards. Stops at and
  // returns the first non-OK Status from visit.
  virtual Status Walk(std::size_t tag, const IndexVisitFn& visit) = 0;

  // CDX records no key type; trailing bytes compressed away in its leaves
  // are restored as blanks for character keys and zero bytes otherwise.
  // Declaring the type ('C', 'N', 'D', 'L', 'I') makes that choice; until
  // then a CDX tag is taken as character. Other formats ignore this.
  virtual void DeclareKeyType(std::size_t tag, char type) {}

 protected:
  std::vector<IndexTagInfo> tags_;
};

// The bounds every reader applies.
constexpr int kIndexMaxDepth = 32;

}  // namespace kx::storage
