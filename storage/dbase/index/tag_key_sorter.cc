// TagKeySorter: typed keys to sort records and back to stored keys.
#include "storage/dbase/index/tag_key_sorter.h"

#include <cstring>

#include "storage/api/codes.h"
#include "storage/dbase/index/index_key_codec.h"

namespace kx::storage {
namespace {

void PutBE32(std::uint32_t v, std::uint8_t* out) {
  for (int i = 0; i < 4; ++i) out[i] = static_cast<std::uint8_t>(v >> (24 - 8 * i));
}

std::uint32_t GetBE32(const std::uint8_t* in) {
  return (std::uint32_t{in[0]} << 24) | (std::uint32_t{in[1]} << 16) |
         (std::uint32_t{in[2]} << 8) | in[3];
}

}  // namespace

TagKeySorter::TagKeySorter(IndexFormat format, const IndexTagDef& def, std::size_t key_length,
                           const KeyCollation* collation)
    : format_(format), def_(def), key_length_(key_length), collation_(collation) {
  // MDX stores a descending tag in descending order; FoxPro keeps a CDX
  // tag ascending and reads it backwards when the header says descending.
  reverse_ = def_.descending && format_ != IndexFormat::kCdx;
  sort_length_ = key_length_;
  payload_length_ = 0;
  if (def_.key_type == IndexKeyType::kCharacter && !collation_->is_binary()) {
    sort_length_ = collation_->SortKeyLength(key_length_);
    payload_length_ = key_length_;
  } else if (def_.key_type == IndexKeyType::kNumeric && format_ == IndexFormat::kMdx) {
    payload_length_ = kMdxBcdLength;
  }
  record_.assign(sort_length_ + 4 + payload_length_, 0);
  stored_.assign(key_length_, 0);
  last_sort_key_.assign(sort_length_, 0);
}

Status TagKeySorter::Create(IndexFormat format, const IndexTagDef& def,
                            const TagSortOptions& options, std::unique_ptr<TagKeySorter>* out) {
  std::uint16_t length;
  Status s = ResolveKeyLength(format, def, &length);
  if (!s.ok()) return s;
  if (def.descending && format == IndexFormat::kNdx) {
    return Status::Error(DBIERR_INDEXNOTSUPPORTED, "NDX indexes cannot be descending", def.name);
  }
  const KeyCollation* collation = options.collation ? options.collation : KeyCollation::Binary();
  std::unique_ptr<TagKeySorter> sorter(new TagKeySorter(format, def, length, collation));
  ExternalSortOptions sort_options;
  sort_options.env = options.env;
  sort_options.temp_path_prefix = options.temp_path_prefix;
  sort_options.memory_budget = options.memory_budget;
  sort_options.max_fan_in = options.max_fan_in;
  sort_options.expected_records = options.expected_records;
  sorter->sorter_ = std::make_unique<ExternalSorter>(
      sort_options, sorter->record_.size(), sorter->sort_length_ + 4);
  *out = std::move(sorter);
  return Status::OK();
}

Status TagKeySorter::CheckType(IndexKeyType type) const {
  if (type == def_.key_type) return Status::OK();
  return Status::Error(DBIERR_INVALIDPARAM,
                       std::string("key of type ") + static_cast<char>(type) +
                           " added to a tag of type " + static_cast<char>(def_.key_type),
                       def_.name);
}

Status TagKeySorter::Commit(std::uint32_t recno) {
  std::uint8_t* sort = record_.data();
  if (def_.key_type == IndexKeyType::kCharacter) {
    collation_->MakeSortKey(stored_.data(), key_length_, sort);
  }
  if (reverse_) {
    for (std::size_t i = 0; i < sort_length_; ++i) sort[i] = static_cast<std::uint8_t>(~sort[i]);
  }
  PutBE32(recno, sort + sort_length_);
  if (payload_length_ > 0) std::memcpy(sort + sort_length_ + 4, stored_.data(), payload_length_);
  if (recno > max_recno_) max_recno_ = recno;
  return sorter_->Add(record_.data());
}

Status TagKeySorter::AddCharacter(std::uint32_t recno, const void* bytes, std::size_t length) {
  Status s = CheckType(IndexKeyType::kCharacter);
  if (!s.ok()) return s;
  std::size_t n = length < key_length_ ? length : key_length_;
  std::memcpy(stored_.data(), bytes, n);
  std::memset(stored_.data() + n, ' ', key_length_ - n);
  return Commit(recno);
}

Status TagKeySorter::AddOrderedDouble(std::uint32_t recno, double value) {
  EncodeOrderedDouble(value, record_.data());
  return Commit(recno);
}

Status TagKeySorter::AddNumber(std::uint32_t recno, double value) {
  Status s = CheckType(IndexKeyType::kNumeric);
  if (!s.ok()) return s;
  if (format_ != IndexFormat::kMdx) return AddOrderedDouble(recno, value);
  EncodeMdxBcdFromDouble(value, stored_.data());
  MdxBcdSortKey(stored_.data(), record_.data());
  return Commit(recno);
}

Status TagKeySorter::AddNumberText(std::uint32_t recno, std::string_view text) {
  Status s = CheckType(IndexKeyType::kNumeric);
  if (!s.ok()) return s;
  if (format_ != IndexFormat::kMdx) return AddOrderedDouble(recno, ParseNumericText(text));
  EncodeMdxBcdFromText(text, stored_.data());
  MdxBcdSortKey(stored_.data(), record_.data());
  return Commit(recno);
}

Status TagKeySorter::AddDate(std::uint32_t recno, double julian_day) {
  Status s = CheckType(IndexKeyType::kDate);
  if (!s.ok()) return s;
  return AddOrderedDouble(recno, julian_day);
}

Status TagKeySorter::AddLogical(std::uint32_t recno, bool value) {
  Status s = CheckType(IndexKeyType::kLogical);
  if (!s.ok()) return s;
  record_[0] = value ? 'T' : 'F';
  return Commit(recno);
}

Status TagKeySorter::AddInteger(std::uint32_t recno, std::int32_t value) {
  if (def_.key_type == IndexKeyType::kNumeric) return AddNumber(recno, value);
  Status s = CheckType(IndexKeyType::kInteger);
  if (!s.ok()) return s;
  EncodeOrderedInt32(value, record_.data());
  return Commit(recno);
}

Status TagKeySorter::Finish() { return sorter_->Finish(); }

Status TagKeySorter::Next(const std::uint8_t** key, std::uint32_t* recno, bool* has) {
  const std::uint8_t* rec;
  for (;;) {
    Status s = sorter_->Next(&rec, has);
    if (!s.ok() || !*has) return s;
    if (!def_.unique) break;
    if (have_last_ && std::memcmp(rec, last_sort_key_.data(), sort_length_) == 0) continue;
    std::memcpy(last_sort_key_.data(), rec, sort_length_);
    have_last_ = true;
    break;
  }
  *recno = GetBE32(rec + sort_length_);
  if (payload_length_ > 0) {
    std::memcpy(stored_.data(), rec + sort_length_ + 4, payload_length_);
    *key = stored_.data();
    return Status::OK();
  }
  std::uint8_t* out = stored_.data();
  std::memcpy(out, rec, sort_length_);
  if (reverse_) {
    for (std::size_t i = 0; i < sort_length_; ++i) out[i] = static_cast<std::uint8_t>(~out[i]);
  }
  bool double_key = def_.key_type == IndexKeyType::kNumeric || def_.key_type == IndexKeyType::kDate;
  if (double_key && format_ != IndexFormat::kCdx) {
    PutDoubleLE(DecodeOrderedDouble(out), out);  // NDX and MDX dates keep plain doubles
  }
  *key = out;
  return Status::OK();
}

}  // namespace kx::storage
