// The index step of a table rewrite: see dbf_index_step.h.
#include "storage/dbase/dbf_index_step.h"

#include "storage/api/codes.h"
#include "storage/dbase/dbf_table.h"
#include "storage/dbase/index_builder.h"
#include "storage/dbase/index_plan.h"
#include "storage/io/intent_record.h"

namespace kx::storage {
namespace {

// Data, memo, a memo removal, then the index files and their removals.
constexpr std::size_t kOwnMembers = 3;

}  // namespace

Status CheckIndexesCanFollow(const DbfTable& table, const std::string& what) {
  const TableIndexes& indexes = table.indexes();
  const std::string& path = table.Info().path;
  Status s = CheckNoIndexMissing(indexes, path, what);
  if (s.ok()) s = CheckIndexFilesReplaceable(table.env(), indexes, path);
  if (!s.ok() || indexes.files.empty()) return s;
  if (kOwnMembers + 2 * indexes.files.size() > IntentRecord::kMaxEntries) {
    return Status::Error(DBIERR_INDEXNOTSUPPORTED,
                         "'" + BaseName(path) + "' has " + std::to_string(indexes.files.size()) +
                             " index files, more than one " + what + " can replace",
                         path);
  }
  IndexPlan plan;  // the same plan a pack makes: definitions readable and evaluable
  return PlanTableIndexes(table.env(), indexes, path, table.header(), table.header(), &plan);
}

Status RebuildFamilyIndexes(const IndexStepInput& input, std::vector<std::string>* temps,
                            std::vector<StagedMember>* staged) {
  const DbfTable& table = *input.old_table;
  const TableIndexes& indexes = table.indexes();
  if (indexes.files.empty()) return Status::OK();
  Env* env = table.env();
  const std::string& path = table.Info().path;
  const DbfHeader& header = *input.new_header;
  IndexPlan plan;
  Status s = PlanTableIndexes(env, indexes, path, table.header(), header, &plan);
  if (!s.ok()) return s;

  StagedMember* data = nullptr;
  for (StagedMember& m : *staged) {
    if (m.final_path == path) data = &m;
  }
  if (data == nullptr) return Status::Error(DBIERR_INVALIDPARAM, "no data temp staged", path);
  const std::vector<std::uint8_t> new_bytes = HeaderBytesForPlan(header, plan);
  const bool patch = new_bytes != header.raw;

  FileStat data_st;
  Fd fd;
  if (!(s = env->Open(input.data_temp, patch, &fd)).ok()) return s;
  ScopedFd guard(env, fd);
  if (!(s = env->Stat(fd, &data_st)).ok()) return s;
  IndexBuildJob job;
  job.env = env;
  job.table_path = path;
  job.header = &header;
  job.data_fd = fd;
  job.data_size = data->size;
  job.new_header = patch ? &new_bytes : nullptr;
  job.progress = input.progress;
  job.file_mode = data_st.mode;
  IndexBuildResult built;
  s = BuildIndexTemps(job, &plan, temps, &built);
  if (s.ok() && patch) {
    s = env->WriteAt(fd, 0, new_bytes.data(), new_bytes.size());
    if (s.ok()) s = env->Sync(fd);  // a failed sync abandons the temp: never retried
    if (s.ok()) data->crc = built.data_crc;
  }
  if (s.ok()) s = guard.Close();
  if (!s.ok()) return s;
  staged->insert(staged->end(), built.staged.begin(), built.staged.end());
  for (const std::string& removed : plan.removed) staged->push_back({std::string(), removed, 0, 0});
  return Status::OK();
}

}  // namespace kx::storage
