// MemoConverter: see memo_converter.h.
#include "storage/dbase/memo_converter.h"

#include <algorithm>
#include <cstring>

#include "storage/api/codes.h"
#include "storage/core/lang/transliteration.h"

namespace kx::storage {

MemoConverter::MemoConverter(MemoSource* source, MemoSink* sink, bool verbatim)
    : source_(source), sink_(sink), verbatim_(verbatim), scratch_(new std::uint8_t[kScratch]) {}

Status MemoConverter::Copy(std::uint32_t block, const Transliteration* text,
                           std::uint32_t fpt_type, std::uint32_t* new_block) {
  if (verbatim_ && text == nullptr) return source_->CopyMemo(block, sink_, new_block);
  MemoExtent extent;
  Status s = source_->Extent(block, &extent);
  if (!s.ok()) return s;
  if (text != nullptr && text->identity()) text = nullptr;
  // A picture or object block under a text field is binary all the same.
  if (source_->kind() == MemoKind::kFpt && extent.fpt_type != 1) text = nullptr;
  // An .fpt keeps the type its source block had.
  std::uint32_t type = fpt_type;
  if (sink_->kind() == MemoKind::kFpt && source_->kind() == MemoKind::kFpt) type = extent.fpt_type;
  s = sink_->BeginMemo(extent.data_len, type, new_block);
  if (!s.ok()) return s;
  const bool dbt3 = sink_->kind() == MemoKind::kDbt3;
  std::uint64_t done = 0;
  while (done < extent.data_len) {
    const std::uint8_t* p = nullptr;
    std::size_t got = 0;
    const std::uint64_t want = std::min<std::uint64_t>(extent.data_len - done, kScratch);
    s = source_->Read(extent.data_off + done, want, &p, &got);
    if (!s.ok()) return s;
    if (got == 0) return Status::Error(DBIERR_MEMOCORRUPT, "memo file shrank while reading");
    got = static_cast<std::size_t>(std::min<std::uint64_t>(got, want));
    const std::uint8_t* out = p;
    if (text != nullptr) {
      TranscodeFailure failure;
      if (!text->Apply(std::span<const std::uint8_t>(p, got), scratch_.get(), &failure)) {
        failure.offset += static_cast<std::size_t>(done);
        return text->FailureStatus(failure);
      }
      out = scratch_.get();
    }
    if (dbt3) {
      if (const void* eof = std::memchr(out, 0x1A, got)) {
        std::uint64_t at = done + static_cast<std::uint64_t>(static_cast<const std::uint8_t*>(eof) - out);
        return Status::Error(DBIERR_CANNOTCONVERT,
                             "the memo holds the byte 0x1A at offset " + std::to_string(at) +
                                 ", which would end a dBASE III memo there");
      }
    }
    s = sink_->AppendRaw(out, got);
    if (!s.ok()) return s;
    done += got;
  }
  return sink_->EndMemo();
}

}  // namespace kx::storage
