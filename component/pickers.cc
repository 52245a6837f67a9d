// The interactive pickers AlterLangDrv, AlterBlockSze and AlterTblLevel.
// Not built yet: they report DBIERR_NOTSUPPORTED without touching the table.
#include "component/kx_sorvel.h"
#include "engine/result_codes.h"

namespace kx {

DBIResult TkxSorvelU::AlterLangDrv() { return DBIERR_NOTSUPPORTED; }
DBIResult TkxSorvelU::AlterBlockSze() { return DBIERR_NOTSUPPORTED; }
DBIResult TkxSorvelU::AlterTblLevel() { return DBIERR_NOTSUPPORTED; }

}  // namespace kx
