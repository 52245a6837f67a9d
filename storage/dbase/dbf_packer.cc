// PackDbfTable and RestructureDbfTable: see dbf_packer.h. Both plan the
// rewrite (restructure_plan.h) and hand it to the one pipeline
// (dbf_rewriter.h).
#include "storage/dbase/dbf_packer.h"

#include "storage/dbase/dbf_rewriter.h"
#include "storage/dbase/dbf_table.h"

namespace kx::storage {
namespace {

Status WithTablePath(Status s, const DbfTable& table) {
  if (!s.ok() && s.context(0).empty()) s.WithContext(0, table.Info().path);
  return s;
}

}  // namespace

Status PackDbfTable(DbfTable* table, ProgressSink* progress, PackStats* stats) {
  *stats = PackStats();
  RestructureRequest request;
  request.pack = true;
  DbfRestructurePlan plan;
  Status s = PlanDbfRestructure(table, request, &plan);
  if (!s.ok()) return s;
  RestructureStats r;
  s = RewriteDbfTable(table, plan, /*packing=*/true, progress, &r);
  stats->records_before = r.records_before;
  stats->records_after = r.records_after;
  stats->bytes_before = r.bytes_before;
  stats->bytes_after = r.bytes_after;
  stats->memo_bytes_reclaimed = r.memo_bytes_reclaimed;
  return WithTablePath(s, *table);
}

Status RestructureDbfTable(DbfTable* table, const RestructureRequest& request,
                           ProgressSink* progress, RestructureStats* stats) {
  RestructureStats local;
  if (stats == nullptr) stats = &local;
  *stats = RestructureStats();
  DbfRestructurePlan plan;
  Status s = PlanDbfRestructure(table, request, &plan);
  if (!s.ok()) {
    return WithTablePath(Status::Error(s.code(), "restructure: " + s.message(), s.context(0),
                                       s.context(1)),
                         *table);
  }
  return WithTablePath(RewriteDbfTable(table, plan, /*packing=*/false, progress, stats), *table);
}

}  // namespace kx::storage
