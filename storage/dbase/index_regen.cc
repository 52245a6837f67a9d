// RegenDbfIndexes: see index_regen.h.
#include "storage/dbase/index_regen.h"

#include "storage/dbase/dbf_table.h"
#include "storage/dbase/index_builder.h"
#include "storage/dbase/index_plan.h"
#include "storage/api/codes.h"
#include "storage/io/family_commit.h"
#include "storage/io/intent_record.h"

namespace kx::storage {
namespace {

Status Annotated(Status s) {
  const std::string prefix = "regenerate indexes: ";
  if (s.ok() || s.message().compare(0, prefix.size(), prefix) == 0) return s;
  Status a = Status::Error(s.code(), prefix + s.message(), s.context(0), s.context(1));
  a.WithContext(2, s.context(2)).WithContext(3, s.context(3));
  return a;
}

Status Regen(DbfTable* table, ProgressSink* progress, RegenStats* stats) {
  Env* env = table->env();
  const std::string path = table->Info().path;
  const TableIndexes& indexes = table->indexes();
  Status s = CheckNoIndexMissing(indexes, path, "index regeneration");
  if (s.ok()) s = CheckIndexFilesReplaceable(env, indexes, path);
  if (!s.ok() || indexes.files.empty()) return s;
  if (indexes.files.size() > IntentRecord::kMaxEntries) {
    return Status::Error(DBIERR_INDEXNOTSUPPORTED,
                         "'" + BaseName(path) + "' has " + std::to_string(indexes.files.size()) +
                             " index files, more than one commit can replace",
                         path);
  }
  IndexPlan plan;
  s = PlanTableIndexes(env, indexes, path, table->header(), table->header(), &plan);
  if (!s.ok() || plan.files.empty()) return s;

  FileStat data_st;
  if (!(s = env->Stat(table->lock()->fd(), &data_st)).ok()) return s;
  IndexBuildJob job;
  job.env = env;
  job.table_path = path;
  job.header = &table->header();
  job.data_fd = table->lock()->fd();
  job.data_size = table->header().data_end();
  job.progress = progress;
  job.file_mode = data_st.mode;
  std::vector<std::string> temps;
  IndexBuildResult built;
  s = BuildIndexTemps(job, &plan, &temps, &built);
  bool committed = false;
  if (s.ok()) s = CommitFamily(env, path, built.staged, &committed);
  if (!s.ok()) {
    if (!committed) (void)RemoveTemps(env, temps);
    return s;
  }
  stats->index_files = static_cast<std::uint32_t>(plan.files.size());
  stats->tags = static_cast<std::uint32_t>(plan.tag_count());
  stats->keys = built.keys;
  const std::uint32_t deleted = table->Info().deleted_count;
  s = table->Load(deleted);
  if (!s.ok()) return s;
  if (progress != nullptr) {
    progress->Message("Rebuilt " + std::to_string(stats->tags) + " index tag" +
                      (stats->tags == 1 ? "" : "s") + " of " + BaseName(path) + ": " +
                      std::to_string(stats->keys) + " keys");
  }
  return Status::OK();
}

}  // namespace

Status RegenDbfIndexes(DbfTable* table, ProgressSink* progress, RegenStats* stats) {
  *stats = RegenStats();
  return Annotated(Regen(table, progress, stats));
}

}  // namespace kx::storage
