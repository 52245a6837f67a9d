// BulkTreeBuilder: level-by-level construction with one pending node, so
// that a node's right neighbour is known before the node is written.
#include "storage/dbase/index/bulk_tree_builder.h"

#include <atomic>
#include <cstring>
#include <memory>

#include "storage/api/codes.h"
#include "storage/dbase/index/record_spool.h"

namespace kx::storage {
namespace {

constexpr std::size_t kAppendBuffer = 256u << 10;
constexpr std::size_t kLevelSpoolBuffer = 1u << 20;

std::atomic<std::uint64_t> level_sequence{0};

// Children for the next interior node when `remaining` are left: full
// nodes, but never a lone child in the last one.
std::size_t NextNodeSize(std::uint64_t remaining, std::size_t capacity) {
  if (remaining <= capacity) return static_cast<std::size_t>(remaining);
  if (remaining == capacity + 1 && capacity >= 3) return capacity - 1;
  return capacity;
}

// Writes the nodes of one level, holding back the last closed one.
class LevelWriter {
 public:
  LevelWriter(IndexFileAppender* out, BulkNodeLayout* layout, bool leaf, std::uint64_t* next_pos)
      : out_(out), layout_(layout), leaf_(leaf), next_pos_(next_pos),
        open_(layout->node_bytes()), pending_(layout->node_bytes()) {}

  Status Open() {
    std::uint64_t pos = *next_pos_;
    *next_pos_ += layout_->node_bytes();
    if (has_pending_) {
      Status s = WritePending(pos, false);
      if (!s.ok()) return s;
    }
    open_left_ = nodes_ > 0 ? last_closed_pos_ : kNoSibling;
    open_pos_ = pos;
    std::memset(open_.data(), 0, open_.size());
    layout_->BeginNode(leaf_, open_.data());
    return Status::OK();
  }

  std::uint8_t* node() { return open_.data(); }
  std::uint64_t open_pos() const { return open_pos_; }

  void Close() {
    layout_->CloseNode(leaf_, open_.data());
    open_.swap(pending_);
    pending_left_ = open_left_;
    last_closed_pos_ = open_pos_;
    has_pending_ = true;
    ++nodes_;
  }

  // Writes the held-back node; it is the root when the level has one node.
  Status Finish() { return has_pending_ ? WritePending(kNoSibling, nodes_ == 1) : Status::OK(); }
  std::uint64_t nodes() const { return nodes_; }
  std::uint64_t last_pos() const { return last_closed_pos_; }

 private:
  Status WritePending(std::uint64_t right, bool root) {
    layout_->LinkNode(leaf_, pending_.data(), pending_left_, right, root);
    has_pending_ = false;
    return out_->Write(last_closed_pos_, pending_.data(), pending_.size());
  }

  IndexFileAppender* out_;
  BulkNodeLayout* layout_;
  bool leaf_;
  std::uint64_t* next_pos_;
  std::vector<std::uint8_t> open_, pending_;
  std::uint64_t open_pos_ = 0, open_left_ = kNoSibling;
  std::uint64_t pending_left_ = kNoSibling, last_closed_pos_ = 0;
  bool has_pending_ = false;
  std::uint64_t nodes_ = 0;
};

void PackPair(const std::uint8_t* key, std::size_t len, std::uint32_t recno, std::uint64_t pos,
              std::uint8_t* rec) {
  std::memcpy(rec, key, len);
  std::memcpy(rec + len, &recno, 4);
  std::memcpy(rec + len + 4, &pos, 8);
}

}  // namespace

void IndexProgressMeter::Add(std::uint64_t n) {
  done_ += n;
  if (!fn_) return;
  int percent = total_ == 0 ? 100 : static_cast<int>(done_ * 100 / total_);
  if (percent > 100) percent = 100;
  if (percent > last_) {
    last_ = percent;
    fn_(percent);
  }
}

void IndexProgressMeter::Done() {
  if (fn_ && last_ < 100) {
    last_ = 100;
    fn_(100);
  }
}

Status IndexFileAppender::Write(std::uint64_t pos, const std::uint8_t* data, std::size_t n) {
  if (!buffer_.empty() && pos != buffer_pos_ + buffer_.size()) {
    Status s = Flush();
    if (!s.ok()) return s;
  }
  if (buffer_.empty()) buffer_pos_ = pos;
  buffer_.insert(buffer_.end(), data, data + n);
  return buffer_.size() >= kAppendBuffer ? Flush() : Status::OK();
}

Status IndexFileAppender::Flush() {
  if (buffer_.empty()) return Status::OK();
  Status s = env_->WriteAt(fd_, buffer_pos_, buffer_.data(), buffer_.size());
  buffer_pos_ += buffer_.size();
  buffer_.clear();
  return s;
}

Status BuildBulkTree(Env* env, IndexFileAppender* out, BulkNodeLayout* layout,
                     SortedKeySource* source, std::uint64_t start_pos,
                     const std::string& temp_prefix, IndexProgressMeter* progress,
                     BulkTreeResult* result) {
  const std::size_t key_len = source->key_length();
  const std::size_t pair_size = key_len + 12;
  auto new_spool = [&] {
    return std::make_unique<RecordSpool>(
        env, temp_prefix + "." + std::to_string(level_sequence++), pair_size, kLevelSpoolBuffer);
  };
  std::uint64_t next_pos = start_pos;
  std::vector<std::uint8_t> pair(pair_size), last_key(key_len);
  std::uint32_t last_recno = 0;
  *result = BulkTreeResult();

  // Leaves.
  std::unique_ptr<RecordSpool> up = new_spool();
  LevelWriter leaves(out, layout, true, &next_pos);
  Status s = leaves.Open();
  while (s.ok()) {
    const std::uint8_t* key;
    std::uint32_t recno;
    bool has;
    s = source->Next(&key, &recno, &has);
    if (!s.ok() || !has) break;
    if (!layout->AddToLeaf(leaves.node(), key, recno)) {
      leaves.Close();
      PackPair(last_key.data(), key_len, last_recno, leaves.last_pos(), pair.data());
      if (!(s = up->Append(pair.data())).ok() || !(s = leaves.Open()).ok()) break;
      if (!layout->AddToLeaf(leaves.node(), key, recno)) {
        return Status::Error(DBIERR_INVALIDPARAM, "index key does not fit in an empty node");
      }
    }
    std::memcpy(last_key.data(), key, key_len);
    last_recno = recno;
    ++result->keys;
    if ((result->keys & 1023) == 0 && progress) progress->Add(1024);
  }
  if (!s.ok()) return s;
  leaves.Close();  // with no keys: the one empty leaf, as root
  PackPair(last_key.data(), key_len, last_recno, leaves.last_pos(), pair.data());
  if (!(s = up->Append(pair.data())).ok() || !(s = leaves.Finish()).ok()) return s;
  if (progress) progress->Add(result->keys & 1023);
  result->nodes = leaves.nodes();
  result->levels = 1;
  std::uint64_t level_nodes = leaves.nodes();
  std::uint64_t root = leaves.last_pos();

  // Upper levels.
  const std::size_t capacity = layout->interior_capacity();
  while (level_nodes > 1) {
    std::unique_ptr<RecordSpool> down = std::move(up);
    up = new_spool();
    if (!(s = down->StartReading()).ok()) return s;
    LevelWriter level(out, layout, false, &next_pos);
    std::uint64_t remaining = down->count();
    while (remaining > 0) {
      std::size_t children = NextNodeSize(remaining, capacity);
      if (!(s = level.Open()).ok()) return s;
      const std::uint8_t* rec = nullptr;
      for (std::size_t i = 0; i < children; ++i) {
        bool has;
        if (!(s = down->Read(&rec, &has)).ok()) return s;
        if (!has) return Status::Error(DBIERR_READERR, "index level list ended early");
        std::uint32_t recno;
        std::uint64_t pos;
        std::memcpy(&recno, rec + key_len, 4);
        std::memcpy(&pos, rec + key_len + 4, 8);
        layout->AddToInterior(level.node(), rec, recno, pos);
        if (i + 1 == children) {
          std::memcpy(pair.data(), rec, key_len + 4);  // last child's key and recno go up
        }
      }
      level.Close();
      std::uint64_t pos = level.last_pos();
      std::memcpy(pair.data() + key_len + 4, &pos, 8);
      if (!(s = up->Append(pair.data())).ok()) return s;
      remaining -= children;
    }
    if (!(s = level.Finish()).ok()) return s;
    if (!(s = down->Discard()).ok()) return s;
    level_nodes = level.nodes();
    root = level.last_pos();
    result->nodes += level.nodes();
    ++result->levels;
  }
  s = up->Discard();
  if (!s.ok()) return s;
  result->root_pos = root;
  result->end_pos = next_pos;
  return Status::OK();
}

}  // namespace kx::storage
