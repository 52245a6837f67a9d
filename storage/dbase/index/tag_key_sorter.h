// TagKeySorter: collects the evaluated keys of one tag, sorts them with
// bounded memory and hands them to a writer in index order.
//
// The caller evaluates the tag's key (and FOR: only records that pass it are
// added) and calls the Add* that matches the tag's key type, in any record
// order. Each key becomes a fixed-size sort record
//   [sort key][record number, big-endian][stored key, when not derivable]
// so one memcmp over the first part orders by (key, record number). The
// sort key is the collation's for character keys, an order-preserving
// transform for numbers and dates, and is bit-inverted for descending MDX
// tags (reversing key order while record numbers stay ascending; a
// descending CDX tag is stored ascending and read backwards). After
// Finish(), Next() yields the stored key bytes; unique tags keep the first
// record number of each key.
#pragma once

#include <cstddef>
#include <cstdint>
#include <memory>
#include <string>
#include <string_view>
#include <vector>

#include "storage/dbase/index/external_sorter.h"
#include "storage/dbase/index/index_types.h"
#include "storage/dbase/index/key_collation.h"
#include "storage/dbase/index/sorted_key_source.h"

namespace kx::storage {

struct TagSortOptions {
  Env* env = nullptr;
  std::string temp_path_prefix;             // sort runs are "<prefix>.<n>"
  std::size_t memory_budget = 16u << 20;    // arena + sort index
  const KeyCollation* collation = nullptr;  // character keys; null = binary
  std::size_t max_fan_in = 0;               // test knob, see ExternalSortOptions
  std::uint64_t expected_records = 0;       // see ExternalSortOptions
};

class TagKeySorter final : public SortedKeySource {
 public:
  // INVALIDPARAM / INDEXNOTSUPPORTED when the tag's key cannot be held in
  // the format (ResolveKeyLength).
  static Status Create(IndexFormat format, const IndexTagDef& def,
                       const TagSortOptions& options, std::unique_ptr<TagKeySorter>* out);

  // One Add per record that passed FOR. Each fails with INVALIDPARAM when
  // it does not match the tag's key type; Env errors from spilling pass
  // through. Character keys are blank-padded or cut to the key length.
  Status AddCharacter(std::uint32_t recno, const void* bytes, std::size_t length);
  Status AddNumber(std::uint32_t recno, double value);
  // Numeric field text; MDX keeps its exact decimal digits.
  Status AddNumberText(std::uint32_t recno, std::string_view text);
  Status AddDate(std::uint32_t recno, double julian_day);
  Status AddLogical(std::uint32_t recno, bool value);
  Status AddInteger(std::uint32_t recno, std::int32_t value);

  // Ends input. Next() may be called afterwards.
  Status Finish();

  Status Next(const std::uint8_t** key, std::uint32_t* recno, bool* has) override;
  std::size_t key_length() const override { return key_length_; }
  std::uint64_t size_hint() const override { return sorter_->count(); }
  std::uint32_t max_recno() const override { return max_recno_; }

  const IndexTagDef& def() const { return def_; }
  IndexFormat format() const { return format_; }
  const ExternalSorter& sorter() const { return *sorter_; }

 private:
  TagKeySorter(IndexFormat format, const IndexTagDef& def, std::size_t key_length,
               const KeyCollation* collation);
  Status CheckType(IndexKeyType type) const;
  // Builds the record from record_'s stored-key area (or the given sort
  // key for numbers) and adds it.
  Status Commit(std::uint32_t recno);
  Status AddOrderedDouble(std::uint32_t recno, double value);

  IndexFormat format_;
  IndexTagDef def_;
  std::size_t key_length_;  // stored
  const KeyCollation* collation_;
  std::size_t sort_length_;
  std::size_t payload_length_;  // stored key carried in the record (0 = derived)
  bool reverse_ = false;        // keys stored in descending order
  std::vector<std::uint8_t> record_;
  std::vector<std::uint8_t> stored_;  // scratch: stored key being added / returned
  std::vector<std::uint8_t> last_sort_key_;
  bool have_last_ = false;
  std::uint32_t max_recno_ = 0;
  std::unique_ptr<ExternalSorter> sorter_;
};

}  // namespace kx::storage
