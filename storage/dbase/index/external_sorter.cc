// ExternalSorter: arena sort, runs through the Env, k-way heap merge.
#include "storage/dbase/index/external_sorter.h"

#include <algorithm>
#include <atomic>
#include <cstring>

#include "storage/api/codes.h"

namespace kx::storage {
namespace {

constexpr std::size_t kMinReadBuffer = 16u << 10;
constexpr std::size_t kMaxReadBuffer = 1u << 20;
constexpr std::size_t kInitialArenaBytes = 64u << 10;

std::atomic<std::uint64_t> run_sequence{0};

}  // namespace

ExternalSorter::ExternalSorter(const ExternalSortOptions& options, std::size_t record_size,
                               std::size_t compare_size)
    : options_(options), record_size_(record_size), compare_size_(compare_size) {
  arena_capacity_ =
      std::max<std::size_t>(16, options_.memory_budget / (record_size_ + sizeof(Entry)));
  read_buffer_ = std::clamp<std::size_t>(options_.memory_budget / 64, kMinReadBuffer,
                                         kMaxReadBuffer);
  if (options_.max_fan_in == 0) {
    options_.max_fan_in = std::max<std::size_t>(2, options_.memory_budget / read_buffer_);
  }
  options_.max_fan_in = std::max<std::size_t>(2, options_.max_fan_in);
  if (options_.expected_records > 0) {
    const std::size_t n = static_cast<std::size_t>(
        std::min<std::uint64_t>(arena_capacity_, options_.expected_records));
    arena_.reserve(n * record_size_);
    entries_.reserve(n);
  }
}

ExternalSorter::~ExternalSorter() = default;

bool ExternalSorter::Less(const Entry& a, const Entry& b) const {
  if (a.prefix != b.prefix) return a.prefix < b.prefix;
  if (compare_size_ <= 8) return false;
  return std::memcmp(arena_.data() + a.index * record_size_ + 8,
                     arena_.data() + b.index * record_size_ + 8, compare_size_ - 8) < 0;
}

Status ExternalSorter::Add(const std::uint8_t* record) {
  if (finished_) return Status::Error(DBIERR_INVALIDPARAM, "sorter input after Finish");
  if (entries_.size() == arena_capacity_) {
    Status s = SpillArena();
    if (!s.ok()) return s;
  }
  std::size_t slot = entries_.size();
  std::size_t need = (slot + 1) * record_size_;
  if (arena_.size() < need) {
    arena_.resize(std::min(arena_capacity_ * record_size_,
                           std::max({need, arena_.size() * 2, kInitialArenaBytes})));
  }
  std::memcpy(arena_.data() + slot * record_size_, record, record_size_);
  std::uint64_t prefix = 0;
  std::size_t prefix_bytes = std::min<std::size_t>(8, compare_size_);
  for (std::size_t i = 0; i < 8; ++i) {
    prefix = (prefix << 8) | (i < prefix_bytes ? record[i] : 0);
  }
  if (entries_.size() == entries_.capacity()) {
    entries_.reserve(std::min(arena_capacity_, std::max<std::size_t>(1024, slot * 2)));
  }
  entries_.push_back(Entry{prefix, static_cast<std::uint32_t>(slot)});
  ++count_;
  return Status::OK();
}

void ExternalSorter::SortArena() {
  std::sort(entries_.begin(), entries_.end(),
            [this](const Entry& a, const Entry& b) { return Less(a, b); });
}

std::unique_ptr<RecordSpool> ExternalSorter::NewRun() {
  std::string path = options_.temp_path_prefix + "." + std::to_string(run_sequence++);
  return std::make_unique<RecordSpool>(options_.env, path, record_size_, read_buffer_);
}

Status ExternalSorter::SpillArena() {
  SortArena();
  std::unique_ptr<RecordSpool> run = NewRun();
  for (const Entry& e : entries_) {
    Status s = run->Append(arena_.data() + e.index * record_size_);
    if (!s.ok()) return s;
  }
  // A run never stays in memory: the arena is about to be reused.
  Status s = run->Persist();
  if (!s.ok()) return s;
  runs_.push_back(std::move(run));
  ++runs_written_;
  entries_.clear();
  return Status::OK();
}

Status ExternalSorter::Finish() {
  if (finished_) return Status::OK();
  finished_ = true;
  if (runs_.empty()) {
    SortArena();
    next_entry_ = 0;
    return Status::OK();
  }
  if (!entries_.empty()) {
    Status s = SpillArena();
    if (!s.ok()) return s;
  }
  std::vector<std::uint8_t>().swap(arena_);
  std::vector<Entry>().swap(entries_);
  while (runs_.size() > options_.max_fan_in) {
    std::vector<std::unique_ptr<RecordSpool>> group;
    for (std::size_t i = 0; i < options_.max_fan_in; ++i) group.push_back(std::move(runs_[i]));
    runs_.erase(runs_.begin(), runs_.begin() + static_cast<std::ptrdiff_t>(options_.max_fan_in));
    std::unique_ptr<RecordSpool> merged = NewRun();
    Status s = MergeInto(group, merged.get());
    if (!s.ok()) return s;
    runs_.push_back(std::move(merged));
    ++merge_passes_;
  }
  ++merge_passes_;
  return StartMerge(std::move(runs_));
}

Status ExternalSorter::MergeInto(std::vector<std::unique_ptr<RecordSpool>>& inputs,
                                 RecordSpool* out) {
  Status s = StartMerge(std::move(inputs));
  if (!s.ok()) return s;
  for (;;) {
    const std::uint8_t* record;
    bool has;
    s = HeapNext(&record, &has);
    if (!s.ok()) return s;
    if (!has) break;
    s = out->Append(record);
    if (!s.ok()) return s;
  }
  inputs_.clear();  // removes the merged runs' files
  return out->Persist();
}

Status ExternalSorter::StartMerge(std::vector<std::unique_ptr<RecordSpool>> inputs) {
  inputs_ = std::move(inputs);
  heads_.assign(inputs_.size(), nullptr);
  heap_.clear();
  pending_advance_ = SIZE_MAX;
  for (std::size_t i = 0; i < inputs_.size(); ++i) {
    Status s = inputs_[i]->StartReading();
    if (!s.ok()) return s;
    bool has;
    s = inputs_[i]->Read(&heads_[i], &has);
    if (!s.ok()) return s;
    if (has) heap_.push_back(i);
  }
  for (std::size_t i = heap_.size() / 2; i-- > 0;) SiftDown(i);
  return Status::OK();
}

bool ExternalSorter::HeapLess(std::size_t a, std::size_t b) const {
  int c = std::memcmp(heads_[a], heads_[b], compare_size_);
  return c < 0 || (c == 0 && a < b);
}

void ExternalSorter::SiftDown(std::size_t i) {
  std::size_t n = heap_.size();
  for (;;) {
    std::size_t smallest = i;
    std::size_t l = 2 * i + 1;
    std::size_t r = l + 1;
    if (l < n && HeapLess(heap_[l], heap_[smallest])) smallest = l;
    if (r < n && HeapLess(heap_[r], heap_[smallest])) smallest = r;
    if (smallest == i) return;
    std::swap(heap_[i], heap_[smallest]);
    i = smallest;
  }
}

Status ExternalSorter::HeapNext(const std::uint8_t** record, bool* has) {
  if (pending_advance_ != SIZE_MAX) {
    bool more;
    Status s = inputs_[pending_advance_]->Read(&heads_[pending_advance_], &more);
    if (!s.ok()) return s;
    if (!more) {
      // Remove a finished run now, while a failure can still be reported.
      s = inputs_[pending_advance_]->Discard();
      if (!s.ok()) return s;
      heap_[0] = heap_.back();
      heap_.pop_back();
    }
    if (!heap_.empty()) SiftDown(0);
    pending_advance_ = SIZE_MAX;
  }
  if (heap_.empty()) {
    *has = false;
    return Status::OK();
  }
  pending_advance_ = heap_[0];
  *record = heads_[heap_[0]];
  *has = true;
  return Status::OK();
}

Status ExternalSorter::Next(const std::uint8_t** record, bool* has) {
  if (!finished_) return Status::Error(DBIERR_INVALIDPARAM, "sorter read before Finish");
  if (!inputs_.empty()) return HeapNext(record, has);
  if (next_entry_ >= entries_.size()) {
    *has = false;
    return Status::OK();
  }
  *record = arena_.data() + entries_[next_entry_++].index * record_size_;
  *has = true;
  return Status::OK();
}

}  // namespace kx::storage
