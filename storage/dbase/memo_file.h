// Memo files: MemoSource reads the memos of an existing .dbt (dBASE III or
// IV) or .fpt (FoxPro 2.x); MemoSink writes a fresh one of the same kind.
//
// Block layouts are in storage/doc/dbf_format.md. Block 0 (the first 512
// bytes, several blocks when blocks are smaller) is the file header. A
// source never trusts a pointer or a length: a block past the end, a memo
// without its block header or longer than the file is DBIERR_MEMOCORRUPT.
// Copying a memo is bounded by the file size and streamed through a fixed
// buffer, so a hostile file cannot make it loop or allocate without limit.
#pragma once

#include <cstdint>
#include <memory>
#include <string>
#include <vector>

#include "storage/core/output_stream.h"
#include "storage/dbase/dbf_header.h"
#include "storage/io/env.h"

namespace kx::storage {

class MemoSink;

// Where a memo's contents lie in its file.
struct MemoExtent {
  std::uint64_t data_off = 0;
  std::uint64_t data_len = 0;  // contents only: no block header, no terminator
  std::uint32_t fpt_type = 1;  // .fpt block type (0 picture/binary, 1 text, 2 object); 1 elsewhere
};

class MemoSource {
 public:
  // Reads the header of an open memo file. The fd stays the caller's.
  Status Open(Env* env, Fd fd, const std::string& path, MemoKind kind);

  std::uint32_t block_size() const { return block_size_; }
  MemoKind kind() const { return kind_; }
  std::uint64_t size() const { return size_; }
  // The header region as found (first_block() blocks, shorter if the file is).
  const std::vector<std::uint8_t>& header() const { return header_; }
  std::uint32_t first_block() const { return first_block_; }

  // Copies the memo at `block` to `sink` in the same format; *new_block is
  // its block in the new file.
  Status CopyMemo(std::uint32_t block, MemoSink* sink, std::uint32_t* new_block);
  // The memo's contents (no block header, no terminator).
  Status ReadMemo(std::uint32_t block, std::string* out);
  // Where the memo at `block` lies, checked against the file.
  Status Extent(std::uint32_t block, MemoExtent* out);
  // Makes bytes from `off` available through the read window: *p points at
  // *avail of them, at least min(want, window, bytes left in the file); valid
  // until the next call. For streaming a memo in bounded memory.
  Status Read(std::uint64_t off, std::uint64_t want, const std::uint8_t** p, std::size_t* avail) {
    return Fetch(off, want, p, avail);
  }

 private:
  Status Locate(std::uint32_t block, std::uint64_t* data_off, std::uint64_t* data_len,
                std::uint64_t* span_off, std::uint64_t* span_len);
  // Makes bytes from `off` available in the read window: *p points at them
  // and *avail >= min(want, window size, bytes left in the file).
  Status Fetch(std::uint64_t off, std::uint64_t want, const std::uint8_t** p, std::size_t* avail);
  Status Dbt3Extent(std::uint64_t off, std::uint64_t* len);
  Status Corrupt(const std::string& why) const;

  Env* env_ = nullptr;
  Fd fd_ = kNoFd;
  std::string path_;
  MemoKind kind_ = MemoKind::kNone;
  std::uint32_t block_size_ = 0;
  std::uint32_t first_block_ = 1;
  std::uint64_t size_ = 0;
  std::vector<std::uint8_t> header_;
  // Memos are mostly read in file order, so one large window serves most
  // of them without a system call of their own.
  std::unique_ptr<std::uint8_t[]> window_;
  std::uint64_t window_off_ = 0;
  std::size_t window_len_ = 0;
};

class MemoSink {
 public:
  // `header` is the source's header region (or a fresh one from
  // FreshMemoHeader); it is padded to whole blocks and written at Finish
  // with the next-free block filled in.
  MemoSink(Env* env, Fd fd, MemoKind kind, std::uint32_t block_size,
           std::vector<std::uint8_t> header);

  // Appends a new memo holding `n` bytes; *block receives its block number.
  // `fpt_type` is the block type an .fpt records (1 text).
  Status AddMemo(const void* data, std::size_t n, std::uint32_t* block, std::uint32_t fpt_type = 1);
  // The same in pieces: BeginMemo with the whole length, AppendRaw of
  // exactly that many bytes, EndMemo (terminator, padding).
  Status BeginMemo(std::uint64_t n, std::uint32_t fpt_type, std::uint32_t* block);
  Status EndMemo();
  MemoKind kind() const { return kind_; }
  std::uint32_t block_size() const { return block_size_; }
  // Raw copying for MemoSource: BeginRaw, AppendRaw..., EndRaw pads the
  // last block.
  std::uint32_t BeginRaw() const { return static_cast<std::uint32_t>(out_.end() / block_size_); }
  Status AppendRaw(const void* data, std::size_t n) { return out_.Append(data, n); }
  Status EndRaw() { return PadToBlock(0); }

  Status Finish(std::uint64_t* size, std::uint32_t* crc);
  std::uint64_t end() const { return out_.end(); }

 private:
  Status PadToBlock(std::uint8_t fill);

  MemoKind kind_;
  std::uint32_t block_size_;
  std::vector<std::uint8_t> header_;
  OutputStream out_;
};

// The header region of a new, empty memo file for a table named `stem`.
std::vector<std::uint8_t> FreshMemoHeader(MemoKind kind, std::uint32_t block_size,
                                          const std::string& stem);
// First data block for a block size (the 512-byte header rounded up).
std::uint32_t FirstMemoBlock(MemoKind kind, std::uint32_t block_size);

}  // namespace kx::storage
