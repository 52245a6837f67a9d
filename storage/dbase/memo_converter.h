// MemoConverter: copies one memo from a table's memo file into the new memo
// file of a restructure, in the new file's kind and block size, optionally
// transliterating its text.
//
// A memo is streamed through the source's read window and a fixed scratch
// buffer (allocated once per converter), so memory stays bounded whatever
// the memo's size and nothing is allocated per memo. When source and target
// have the same kind and block size and the text is not converted, the
// memo's blocks are copied as they are (MemoSource::CopyMemo), filler
// included, as a pack does.
#pragma once

#include <cstdint>
#include <memory>

#include "storage/api/status.h"
#include "storage/dbase/memo_file.h"

namespace kx::storage {

class Transliteration;

class MemoConverter {
 public:
  // `verbatim`: copy blocks as they are (same kind and block size).
  MemoConverter(MemoSource* source, MemoSink* sink, bool verbatim);

  // Copies the memo at `block`; *new_block is its block in the new file.
  // `text` (may be null) transliterates the contents; `fpt_type` is the
  // block type written to an .fpt when the source is no .fpt. A failing
  // character gives the Transliteration's DBIERR_CANNOTCONVERT with the
  // offset inside the memo; a 0x1A byte bound for a dBASE III memo (where it
  // ends the memo) gives DBIERR_CANNOTCONVERT too. The caller adds record
  // and field.
  Status Copy(std::uint32_t block, const Transliteration* text, std::uint32_t fpt_type,
              std::uint32_t* new_block);

 private:
  static constexpr std::size_t kScratch = 64 * 1024;

  MemoSource* source_;
  MemoSink* sink_;
  bool verbatim_;
  std::unique_ptr<std::uint8_t[]> scratch_;
};

}  // namespace kx::storage
