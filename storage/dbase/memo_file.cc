// Memo files: see memo_file.h and storage/doc/dbf_format.md.
#include "storage/dbase/memo_file.h"

#include <algorithm>
#include <cstring>

#include "storage/api/codes.h"
#include "storage/core/byte_order.h"

namespace kx::storage {
namespace {

constexpr std::size_t kWindow = 1 << 20;
constexpr std::uint32_t kHeaderBytes = 512;
constexpr std::uint8_t kDbt4Mark[4] = {0xFF, 0xFF, 0x08, 0x00};

std::uint32_t ReadBlockSize(MemoKind kind, const std::vector<std::uint8_t>& h) {
  switch (kind) {
    case MemoKind::kDbt3: return 512;
    case MemoKind::kDbt4: return h.size() >= 22 ? GetLe16(h.data() + 20) : 0;
    case MemoKind::kFpt: return h.size() >= 8 ? GetBe16(h.data() + 6) : 0;
    case MemoKind::kNone: break;
  }
  return 0;
}

}  // namespace

std::uint32_t FirstMemoBlock(MemoKind kind, std::uint32_t block_size) {
  if (kind == MemoKind::kDbt3 || block_size == 0) return 1;
  return (kHeaderBytes + block_size - 1) / block_size;
}

Status MemoSource::Corrupt(const std::string& why) const {
  return Status::Error(DBIERR_MEMOCORRUPT, "memo file '" + BaseName(path_) + "' corrupt: " + why,
                       path_);
}

Status MemoSource::Open(Env* env, Fd fd, const std::string& path, MemoKind kind) {
  env_ = env;
  fd_ = fd;
  path_ = path;
  kind_ = kind;
  window_.reset(new std::uint8_t[kWindow]);
  window_len_ = 0;
  FileStat st;
  Status s = env->Stat(fd, &st);
  if (!s.ok()) return s;
  size_ = st.size;
  header_.assign(kHeaderBytes, 0);
  std::size_t got = 0;
  s = env->ReadAt(fd, 0, header_.data(), header_.size(), &got);
  if (!s.ok()) return s;
  header_.resize(got);
  block_size_ = ReadBlockSize(kind, header_);
  if (block_size_ < 32) return Corrupt("bad block size " + std::to_string(block_size_));
  first_block_ = FirstMemoBlock(kind, block_size_);
  std::uint64_t region = static_cast<std::uint64_t>(first_block_) * block_size_;
  if (got < std::min<std::uint64_t>(region, kHeaderBytes) && got < size_) {
    return Corrupt("short header");
  }
  if (region > header_.size()) {
    std::size_t want = static_cast<std::size_t>(std::min<std::uint64_t>(region, size_));
    std::size_t have = header_.size();
    if (want > have) {
      header_.resize(want);
      s = env->ReadAt(fd, have, header_.data() + have, want - have, &got);
      if (!s.ok()) return s;
      header_.resize(have + got);
    }
  } else {
    header_.resize(static_cast<std::size_t>(region));
  }
  return Status::OK();
}

Status MemoSource::Fetch(std::uint64_t off, std::uint64_t want, const std::uint8_t** p,
                         std::size_t* avail) {
  const std::uint64_t left = off < size_ ? size_ - off : 0;
  const std::uint64_t need = std::min<std::uint64_t>({want, kWindow, left});
  if (off < window_off_ || off + need > window_off_ + window_len_) {
    std::size_t got = 0;
    window_len_ = 0;
    Status s = env_->ReadAt(fd_, off, window_.get(),
                            static_cast<std::size_t>(std::min<std::uint64_t>(kWindow, left)), &got);
    if (!s.ok()) return s;
    window_off_ = off;
    window_len_ = got;
    if (got < need) return Corrupt("memo file shrank while reading");
  }
  *p = window_.get() + (off - window_off_);
  *avail = static_cast<std::size_t>(
      std::min<std::uint64_t>(want, window_off_ + window_len_ - off));
  return Status::OK();
}

Status MemoSource::Dbt3Extent(std::uint64_t off, std::uint64_t* len) {
  // A dBASE III memo has no length: it runs to its 0x1A terminator (or to
  // the end of the file, which some writers leave unterminated).
  // The scan takes what the window holds from `pos` on and refills it only
  // when `pos` leaves it: asking Fetch for a full window at every memo
  // would read a window per memo.
  std::uint64_t pos = off;
  while (pos < size_) {
    const std::uint8_t* p = nullptr;
    std::size_t got = 0;
    Status s = Fetch(pos, 1, &p, &got);
    if (!s.ok()) return s;
    if (got == 0) break;
    got = static_cast<std::size_t>(window_off_ + window_len_ - pos);
    const void* hit = std::memchr(p, DbfHeader::kEof, got);
    if (hit != nullptr) {
      *len = pos - off + static_cast<std::uint64_t>(static_cast<const std::uint8_t*>(hit) - p);
      return Status::OK();
    }
    pos += got;
  }
  *len = pos - off;
  return Status::OK();
}

Status MemoSource::Locate(std::uint32_t block, std::uint64_t* data_off, std::uint64_t* data_len,
                          std::uint64_t* span_off, std::uint64_t* span_len) {
  if (block < first_block_) return Corrupt("memo pointer " + std::to_string(block) + " in the header");
  std::uint64_t off = static_cast<std::uint64_t>(block) * block_size_;
  if (off >= size_) return Corrupt("memo pointer " + std::to_string(block) + " past the end");
  if (kind_ == MemoKind::kDbt3) {
    Status s = Dbt3Extent(off, data_len);
    if (!s.ok()) return s;
    *data_off = off;
    *span_off = off;
    *span_len = *data_len;
    return Status::OK();
  }
  const std::uint8_t* head = nullptr;
  std::size_t got = 0;
  if (off + 8 > size_) return Corrupt("memo block header past the end");
  Status s = Fetch(off, 8, &head, &got);
  if (!s.ok()) return s;
  if (got != 8) return Corrupt("memo block header past the end");
  if (kind_ == MemoKind::kDbt4) {
    if (std::memcmp(head, kDbt4Mark, 4) != 0) {
      return Corrupt("block " + std::to_string(block) + " is not the start of a memo");
    }
    std::uint32_t total = GetLe32(head + 4);
    if (total < 8 || off + total > size_) {
      return Corrupt("memo at block " + std::to_string(block) + " runs past the end");
    }
    *data_off = off + 8;
    *data_len = total - 8;
    // The whole blocks are copied: some readers look past the length for a
    // terminator in the filler.
    std::uint64_t blocks = (total + block_size_ - 1) / block_size_;
    *span_off = off;
    *span_len = std::min<std::uint64_t>(blocks * block_size_, size_ - off);
    return Status::OK();
  }
  std::uint32_t len = GetBe32(head + 4);
  if (off + 8 + static_cast<std::uint64_t>(len) > size_) {
    return Corrupt("memo at block " + std::to_string(block) + " runs past the end");
  }
  *data_off = off + 8;
  *data_len = len;
  *span_off = off;
  *span_len = 8 + static_cast<std::uint64_t>(len);
  return Status::OK();
}

Status MemoSource::CopyMemo(std::uint32_t block, MemoSink* sink, std::uint32_t* new_block) {
  std::uint64_t data_off, data_len, span_off, span_len;
  Status s = Locate(block, &data_off, &data_len, &span_off, &span_len);
  if (!s.ok()) return s;
  *new_block = sink->BeginRaw();
  std::uint64_t pos = span_off, end = span_off + span_len;
  while (pos < end) {
    const std::uint8_t* p = nullptr;
    std::size_t got = 0;
    s = Fetch(pos, end - pos, &p, &got);
    if (!s.ok()) return s;
    if (got == 0) return Corrupt("memo file shrank while reading");
    s = sink->AppendRaw(p, got);
    if (!s.ok()) return s;
    pos += got;
  }
  if (kind_ == MemoKind::kDbt3) {
    const std::uint8_t term[2] = {DbfHeader::kEof, DbfHeader::kEof};
    s = sink->AppendRaw(term, 2);
    if (!s.ok()) return s;
  }
  return sink->EndRaw();
}

Status MemoSource::Extent(std::uint32_t block, MemoExtent* out) {
  std::uint64_t span_off, span_len;
  Status s = Locate(block, &out->data_off, &out->data_len, &span_off, &span_len);
  if (!s.ok()) return s;
  out->fpt_type = 1;
  if (kind_ == MemoKind::kFpt) {
    const std::uint8_t* head = nullptr;
    std::size_t got = 0;
    s = Fetch(span_off, 4, &head, &got);
    if (!s.ok()) return s;
    if (got < 4) return Corrupt("memo block header past the end");
    out->fpt_type = GetBe32(head);
  }
  return Status::OK();
}

Status MemoSource::ReadMemo(std::uint32_t block, std::string* out) {
  std::uint64_t data_off, data_len, span_off, span_len;
  Status s = Locate(block, &data_off, &data_len, &span_off, &span_len);
  if (!s.ok()) return s;
  out->assign(static_cast<std::size_t>(data_len), '\0');
  std::size_t got = 0;
  s = env_->ReadAt(fd_, data_off, out->data(), out->size(), &got);
  if (!s.ok()) return s;
  if (got != out->size()) return Corrupt("memo file shrank while reading");
  return Status::OK();
}

MemoSink::MemoSink(Env* env, Fd fd, MemoKind kind, std::uint32_t block_size,
                   std::vector<std::uint8_t> header)
    : kind_(kind),
      block_size_(block_size),
      header_(std::move(header)),
      out_(env, fd, static_cast<std::uint64_t>(FirstMemoBlock(kind, block_size)) * block_size) {
  header_.resize(static_cast<std::size_t>(FirstMemoBlock(kind, block_size)) * block_size, 0);
}

Status MemoSink::PadToBlock(std::uint8_t fill) {
  std::uint64_t rem = out_.end() % block_size_;
  return rem == 0 ? Status::OK() : out_.AppendFill(fill, block_size_ - rem);
}

Status MemoSink::BeginMemo(std::uint64_t n, std::uint32_t fpt_type, std::uint32_t* block) {
  *block = BeginRaw();
  std::uint8_t head[8];
  switch (kind_) {
    case MemoKind::kDbt3:
      return Status::OK();
    case MemoKind::kDbt4:
      if (n > 0xFFFFFFFFull - 8) break;
      std::memcpy(head, kDbt4Mark, 4);
      PutLe32(head + 4, static_cast<std::uint32_t>(n + 8));
      return out_.Append(head, 8);
    case MemoKind::kFpt:
      if (n > 0xFFFFFFFFull) break;
      PutBe32(head, fpt_type);
      PutBe32(head + 4, static_cast<std::uint32_t>(n));
      return out_.Append(head, 8);
    case MemoKind::kNone:
      return Status::Error(DBIERR_INVALIDPARAM, "table has no memo file");
  }
  return Status::Error(DBIERR_RECTOOBIG, "memo of " + std::to_string(n) + " bytes too large");
}

Status MemoSink::EndMemo() {
  Status s;
  if (kind_ == MemoKind::kDbt3) {
    const std::uint8_t term[2] = {DbfHeader::kEof, DbfHeader::kEof};
    s = out_.Append(term, 2);
  } else if (kind_ == MemoKind::kDbt4 && out_.end() % block_size_ != 0) {
    // 0x1F after the text ends it for readers that ignore the length.
    s = out_.AppendFill(0x1F, 1);
  }
  if (!s.ok()) return s;
  return PadToBlock(0);
}

Status MemoSink::AddMemo(const void* data, std::size_t n, std::uint32_t* block,
                         std::uint32_t fpt_type) {
  Status s = BeginMemo(n, fpt_type, block);
  if (s.ok()) s = out_.Append(data, n);
  if (s.ok()) s = EndMemo();
  return s;
}

Status MemoSink::Finish(std::uint64_t* size, std::uint32_t* crc) {
  Status s = out_.Flush();
  if (!s.ok()) return s;
  std::uint32_t next = static_cast<std::uint32_t>(out_.end() / block_size_);
  if (kind_ == MemoKind::kFpt) {
    PutBe32(header_.data(), next);
  } else {
    PutLe32(header_.data(), next);
  }
  s = out_.WriteHeader(header_.data(), header_.size());
  if (!s.ok()) return s;
  *size = out_.end();
  *crc = out_.crc();
  return Status::OK();
}

std::vector<std::uint8_t> FreshMemoHeader(MemoKind kind, std::uint32_t block_size,
                                          const std::string& stem) {
  std::vector<std::uint8_t> h(static_cast<std::size_t>(FirstMemoBlock(kind, block_size)) *
                              block_size, 0);
  switch (kind) {
    case MemoKind::kDbt3:
      h[16] = 0x03;
      break;
    case MemoKind::kDbt4:
      std::memcpy(h.data() + 8, stem.data(), std::min<std::size_t>(8, stem.size()));
      PutLe16(h.data() + 20, static_cast<std::uint16_t>(block_size));
      break;
    case MemoKind::kFpt:
      PutBe16(h.data() + 6, static_cast<std::uint16_t>(block_size));
      break;
    case MemoKind::kNone:
      break;
  }
  return h;
}

}  // namespace kx::storage
