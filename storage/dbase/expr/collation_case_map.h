// CollationCaseMap: gives UPPER() and LOWER() in key expressions the case
// mapping of a table's language driver.
//
// KeyExpr::Compile copies the mapping into its own tables, so the adapter
// (and the Collation, which is cached for the process anyway) need only
// live during Compile.
#pragma once

#include "storage/core/lang/collation.h"
#include "storage/dbase/expr/key_expr.h"

namespace kx::storage {

class CollationCaseMap final : public CaseMap {
 public:
  explicit CollationCaseMap(const Collation& collation) : collation_(collation) {}
  unsigned char Upper(unsigned char c) const override { return collation_.Upper(c); }
  unsigned char Lower(unsigned char c) const override { return collation_.Lower(c); }

 private:
  const Collation& collation_;
};

}  // namespace kx::storage
