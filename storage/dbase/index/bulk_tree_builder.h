// BulkTreeBuilder: writes one index tree bottom-up, one level at a time.
//
// Leaves are filled left to right from the sorted keys and written at
// consecutive positions; each closed node sends (its last key, last record
// number, position) to the level above through a RecordSpool (memory, then
// a temporary file). Each upper level is then built the same way from that
// list, full nodes except that the last node of a level is never left with
// a single child; the top level's single node is the root and is written
// last. Nodes are written in increasing position order, so the file grows
// sequentially. The byte layout of nodes belongs to the format, through
// BulkNodeLayout.
#pragma once

#include <cstddef>
#include <cstdint>
#include <string>
#include <vector>

#include "storage/dbase/index/index_types.h"
#include "storage/dbase/index/sorted_key_source.h"
#include "storage/io/env.h"

namespace kx::storage {

constexpr std::uint64_t kNoSibling = ~std::uint64_t{0};

class BulkNodeLayout {
 public:
  virtual ~BulkNodeLayout() = default;
  virtual std::size_t node_bytes() const = 0;
  // Children of a full interior node.
  virtual std::size_t interior_capacity() const = 0;
  // Starts a node in `node` (node_bytes, zero-filled by the builder).
  virtual void BeginNode(bool leaf, std::uint8_t* node) = 0;
  // Adds a key to the open leaf; false (node unchanged) when it is full.
  virtual bool AddToLeaf(std::uint8_t* node, const std::uint8_t* key, std::uint32_t recno) = 0;
  // Adds a child to the open interior node; `key`/`recno` are the child's
  // last. The builder never adds more than interior_capacity().
  virtual void AddToInterior(std::uint8_t* node, const std::uint8_t* key, std::uint32_t recno,
                             std::uint64_t child_pos) = 0;
  // Completes the open node's contents.
  virtual void CloseNode(bool leaf, std::uint8_t* node) = 0;
  // Sets neighbours (positions or kNoSibling) and the root mark of a closed
  // node just before it is written.
  virtual void LinkNode(bool leaf, std::uint8_t* node, std::uint64_t left, std::uint64_t right,
                        bool root) = 0;
};

// Whole-percent progress over the keys of all tags of one file.
class IndexProgressMeter {
 public:
  IndexProgressMeter(const IndexProgressFn& fn, std::uint64_t total) : fn_(fn), total_(total) {}
  void Add(std::uint64_t n);
  void Done();

 private:
  const IndexProgressFn& fn_;
  std::uint64_t total_;
  std::uint64_t done_ = 0;
  int last_ = -1;
};

// Buffered writer of increasing-position file ranges.
class IndexFileAppender {
 public:
  IndexFileAppender(Env* env, Fd fd) : env_(env), fd_(fd) {}
  Status Write(std::uint64_t pos, const std::uint8_t* data, std::size_t n);
  Status Flush();

 private:
  Env* env_;
  Fd fd_;
  std::vector<std::uint8_t> buffer_;
  std::uint64_t buffer_pos_ = 0;
};

struct BulkTreeResult {
  std::uint64_t root_pos = 0;
  std::uint64_t end_pos = 0;  // first position after the tree
  std::uint64_t keys = 0;
  std::uint64_t nodes = 0;
  int levels = 0;
};

// Builds the tree of `source` starting at `start_pos`. Level lists go to
// "<temp_prefix>.<n>" when they outgrow memory.
Status BuildBulkTree(Env* env, IndexFileAppender* out, BulkNodeLayout* layout,
                     SortedKeySource* source, std::uint64_t start_pos,
                     const std::string& temp_prefix, IndexProgressMeter* progress,
                     BulkTreeResult* result);

}  // namespace kx::storage
