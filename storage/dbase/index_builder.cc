// BuildIndexTemps: see index_builder.h.
#include "storage/dbase/index_builder.h"

#include <algorithm>
#include <memory>
#include <string_view>

#include "storage/api/codes.h"
#include "storage/dbase/driver_key_collation.h"
#include "storage/dbase/index/cdx_writer.h"
#include "storage/dbase/index/mdx_writer.h"
#include "storage/dbase/index/ndx_writer.h"
#include "storage/dbase/index/tag_key_sorter.h"
#include "storage/io/crc32.h"
#include "storage/io/file_names.h"

namespace kx::storage {
namespace {

constexpr std::size_t kReadChunk = 1u << 20;
constexpr std::size_t kMinTagBudget = 256u << 10;
constexpr std::size_t kMaxTagBudget = 24u << 20;
// Scratch numbers (ScratchPathFor): sort runs per tag, tree levels and
// temps of separately named index files per file.
constexpr std::uint32_t kSortScratch = 1000, kLevelScratch = 2000, kTempScratch = 3000;

std::size_t tag_budget_for_testing = 0;

// Whole percents of the current phase, never decreasing.
class PhaseReporter {
 public:
  explicit PhaseReporter(ProgressSink* sink) : sink_(sink) {}
  void Start(const std::string& what) {
    last_ = 0;
    if (sink_ != nullptr) sink_->PhaseStart(what);
  }
  void Set(int percent) {
    if (sink_ != nullptr && percent > last_) sink_->Percent(last_ = std::min(percent, 100));
  }

 private:
  ProgressSink* sink_;
  int last_ = 0;
};

// One tag's sorter and evaluation scratch.
struct TagFeed {
  PlannedTag* tag = nullptr;
  const PlannedIndexFile* file = nullptr;
  std::unique_ptr<TagKeySorter> sorter;
  KeyValue key, filter;
};

std::string PhaseName(const TagFeed& feed) {
  return "Rebuilding index " + feed.tag->def.name + " of " + BaseName(feed.file->final_path);
}

// The sorted keys of a tag on their way to a writer, reporting the tag's
// phase: it starts when the writer asks for the first key.
class ReportingSource final : public SortedKeySource {
 public:
  ReportingSource(const TagFeed& feed, PhaseReporter* phase, bool start_phase, int from)
      : feed_(feed), phase_(phase), start_phase_(start_phase), from_(from) {}
  Status Next(const std::uint8_t** key, std::uint32_t* recno, bool* has) override {
    if (!started_) {
      started_ = true;
      if (start_phase_) phase_->Start(PhaseName(feed_));
    }
    Status s = feed_.sorter->Next(key, recno, has);
    if (!s.ok()) return s;
    if (!*has) {
      phase_->Set(100);
      return s;
    }
    ++done_;
    ++written_;
    if (done_ >= next_report_) {
      const std::uint64_t total = std::max<std::uint64_t>(1, size_hint());
      phase_->Set(from_ + static_cast<int>((100 - from_) * std::min(done_, total) / total));
      next_report_ = done_ + total / 100 + 1;
    }
    return s;
  }
  std::size_t key_length() const override { return feed_.sorter->key_length(); }
  std::uint64_t size_hint() const override { return feed_.sorter->size_hint(); }
  std::uint32_t max_recno() const override { return feed_.sorter->max_recno(); }
  std::uint64_t written() const { return written_; }

 private:
  const TagFeed& feed_;
  PhaseReporter* phase_;
  bool start_phase_;
  int from_;
  bool started_ = false;
  std::uint64_t done_ = 0, next_report_ = 0, written_ = 0;
};

Status AddKey(TagFeed* feed, const std::uint8_t* rec, std::uint32_t recno,
              const DbfHeader& header) {
  const PlannedTag& tag = *feed->tag;
  if (tag.filter != nullptr) {
    Status s = tag.filter->Evaluate(rec, recno, &feed->filter);
    if (!s.ok()) return s;
    if (!feed->filter.logical) return Status::OK();
  }
  if (tag.number_field >= 0) {
    const DbfField& f = header.fields[tag.number_field];
    return feed->sorter->AddNumberText(
        recno, std::string_view(reinterpret_cast<const char*>(rec + f.offset), f.length));
  }
  Status s = tag.key->Evaluate(rec, recno, &feed->key);
  if (!s.ok()) return s;
  switch (tag.def.key_type) {
    case IndexKeyType::kCharacter:
      return feed->sorter->AddCharacter(recno, feed->key.bytes.data(), feed->key.bytes.size());
    case IndexKeyType::kNumeric: return feed->sorter->AddNumber(recno, feed->key.number);
    case IndexKeyType::kDate: return feed->sorter->AddDate(recno, feed->key.number);
    case IndexKeyType::kLogical: return feed->sorter->AddLogical(recno, feed->key.logical);
    case IndexKeyType::kInteger:
      return feed->sorter->AddInteger(recno, static_cast<std::int32_t>(feed->key.number));
  }
  return Status::OK();
}

// The one pass over the records; the first tag's phase runs to 50%.
Status Scan(const IndexBuildJob& job, std::vector<TagFeed>* feeds, PhaseReporter* phase,
            std::uint32_t* crc) {
  const DbfHeader& h = *job.header;
  const std::size_t reclen = h.record_length;
  std::uint32_t c = 0;
  if (job.new_header != nullptr) c = Crc32Update(0, job.new_header->data(), job.new_header->size());
  const std::uint32_t per_chunk =
      static_cast<std::uint32_t>(std::max<std::size_t>(1, kReadChunk / reclen));
  std::unique_ptr<std::uint8_t[]> buf(new std::uint8_t[std::size_t{per_chunk} * reclen]);
  std::uint64_t pos = h.header_length;
  for (std::uint32_t done = 0; done < h.record_count;) {
    const std::uint32_t n = std::min(per_chunk, h.record_count - done);
    std::size_t got = 0;
    Status s = job.env->ReadAt(job.data_fd, pos, buf.get(), n * reclen, &got);
    if (!s.ok()) return s;
    if (got != n * reclen) {
      return Status::Error(DBIERR_FILECORRUPT,
                           "table '" + BaseName(job.table_path) + "' ended inside record " +
                               std::to_string(done + 1 + got / reclen),
                           job.table_path);
    }
    if (job.new_header != nullptr) c = Crc32Update(c, buf.get(), got);
    for (std::uint32_t i = 0; i < n; ++i) {
      const std::uint8_t* rec = buf.get() + std::size_t{i} * reclen;
      for (TagFeed& feed : *feeds) {
        s = AddKey(&feed, rec, done + i + 1, h);
        if (!s.ok()) return s;
      }
    }
    done += n;
    pos += got;
    phase->Set(static_cast<int>(std::uint64_t{done} * 50 / h.record_count));
  }
  if (job.new_header != nullptr) {  // the bytes after the records (the end mark)
    while (pos < job.data_size) {
      std::size_t got = 0;
      const std::size_t want = static_cast<std::size_t>(
          std::min<std::uint64_t>(job.data_size - pos, std::size_t{per_chunk} * reclen));
      Status s = job.env->ReadAt(job.data_fd, pos, buf.get(), want, &got);
      if (!s.ok()) return s;
      if (got == 0) break;
      c = Crc32Update(c, buf.get(), got);
      pos += got;
    }
    *crc = c;
  }
  return Status::OK();
}

// The temp of an index member: "<index>.~pk" when the name has the table's
// stem, else a scratch name of the table (file_names.h).
std::string TempFor(const std::string& table_path, const std::string& final_path,
                    std::uint32_t n) {
  const std::string stem = AsciiLower(TableStem(table_path)) + ".";
  const std::string base = AsciiLower(BaseName(final_path));
  if (base.compare(0, stem.size(), stem) == 0 && base.find('.', stem.size()) == std::string::npos) {
    return TempPathFor(final_path);
  }
  return ScratchPathFor(table_path, kTempScratch + n);
}

Status WriteFile(const IndexBuildJob& job, const PlannedIndexFile& file,
                 std::vector<ReportingSource*>& sources, const std::string& temp,
                 const IndexWriteOptions& options) {
  Env* env = job.env;
  if (file.format == IndexFormat::kNdx) {
    return WriteNdxFile(env, temp, file.tags[0].def, sources[0], options);
  }
  if (file.format == IndexFormat::kMdx) {
    MdxFileOptions mdx;
    mdx.table_name = TableStem(job.table_path);
    mdx.production = file.production;
    mdx.block_bytes = file.mdx_block_bytes;
    std::vector<MdxTagInput> tags;
    for (std::size_t i = 0; i < file.tags.size(); ++i) tags.push_back({file.tags[i].def, sources[i]});
    return WriteMdxFile(env, temp, mdx, tags, options);
  }
  if (file.stand_alone_idx) return WriteIdxFile(env, temp, {file.tags[0].def, sources[0]}, options);
  CdxFileOptions cdx;
  cdx.structural = file.production;
  std::vector<CdxTagInput> tags;
  for (std::size_t i = 0; i < file.tags.size(); ++i) tags.push_back({file.tags[i].def, sources[i]});
  return WriteCdxFile(env, temp, cdx, tags, options);
}

// Mode and owner of the file it replaces; the writer created it with the
// mode already, so only a different owner costs a call (and a sync).
Status MatchOwner(Env* env, const std::string& temp, const FileStat& like) {
  FileStat st;
  Status s = env->StatPath(temp, &st);
  if (!s.ok() || (st.uid == like.uid && st.gid == like.gid)) return s;
  Fd fd;
  s = env->Open(temp, true, &fd);
  if (!s.ok()) return s;
  ScopedFd guard(env, fd);
  s = env->CopyOwnerAndMode(fd, like);
  if (s.ok()) s = env->Sync(fd);
  Status c = guard.Close();
  return s.ok() ? c : s;
}

}  // namespace

void SetIndexSortBudgetForTesting(std::size_t bytes) { tag_budget_for_testing = bytes; }

Status BuildIndexTemps(const IndexBuildJob& job, IndexPlan* plan, std::vector<std::string>* temps,
                       IndexBuildResult* out) {
  *out = IndexBuildResult();
  const std::size_t tag_count = plan->tag_count();
  if (tag_count == 0) return Status::OK();
  const std::size_t budget =
      tag_budget_for_testing != 0
          ? tag_budget_for_testing
          : std::clamp(job.memory_budget / tag_count, kMinTagBudget, kMaxTagBudget);
  DriverKeyCollation table_order(*plan->collation);
  std::vector<TagFeed> feeds(tag_count);
  std::size_t t = 0;
  for (PlannedIndexFile& file : plan->files) {
    for (PlannedTag& tag : file.tags) {
      TagFeed& feed = feeds[t];
      feed.tag = &tag;
      feed.file = &file;
      TagSortOptions sort;
      sort.env = job.env;
      sort.temp_path_prefix = ScratchPathFor(job.table_path, kSortScratch + std::uint32_t(t));
      sort.memory_budget = budget;
      sort.expected_records = job.header->record_count;
      sort.collation = file.format == IndexFormat::kCdx ? nullptr : &table_order;
      Status s = TagKeySorter::Create(file.format, tag.def, sort, &feed.sorter);
      if (!s.ok()) return s;
      ++t;
    }
  }

  PhaseReporter phase(job.progress);
  phase.Start(PhaseName(feeds[0]));
  Status s = Scan(job, &feeds, &phase, &out->data_crc);
  for (std::size_t i = 0; s.ok() && i < feeds.size(); ++i) s = feeds[i].sorter->Finish();
  if (!s.ok()) return s;

  t = 0;
  for (std::size_t f = 0; f < plan->files.size(); ++f) {
    const PlannedIndexFile& file = plan->files[f];
    std::vector<std::unique_ptr<ReportingSource>> owned;
    std::vector<ReportingSource*> sources;
    for (std::size_t i = 0; i < file.tags.size(); ++i) {
      const bool first = t + i == 0;
      owned.push_back(std::make_unique<ReportingSource>(feeds[t + i], &phase, !first,
                                                        first ? 50 : 0));
      sources.push_back(owned.back().get());
    }
    IndexWriteOptions options;
    options.file_mode = job.file_mode;
    FileStat old_st;
    const bool replaces = !file.source_path.empty() &&
                          job.env->StatPath(file.source_path, &old_st).ok();
    if (replaces) options.file_mode = old_st.mode;
    options.temp_path_prefix = ScratchPathFor(job.table_path, kLevelScratch + std::uint32_t(f));
    const std::string temp = TempFor(job.table_path, file.final_path, std::uint32_t(f));
    temps->push_back(temp);
    s = WriteFile(job, file, sources, temp, options);
    if (s.ok() && replaces) s = MatchOwner(job.env, temp, old_st);
    StagedMember member{temp, file.final_path, 0, 0};
    if (s.ok()) s = FileChecksum(job.env, temp, &member.size, &member.crc);
    if (!s.ok()) return s;
    out->staged.push_back(member);
    for (std::size_t i = 0; i < file.tags.size(); ++i) {
      out->keys += owned[i]->written();
      feeds[t + i].sorter.reset();  // its memory is free for the next file
    }
    t += file.tags.size();
  }
  return Status::OK();
}

}  // namespace kx::storage
