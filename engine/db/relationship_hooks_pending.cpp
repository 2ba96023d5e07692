// Until enforced relationships are kept, the database has no row-write hooks.
#include "db/row_write_hooks.h"

namespace jet {

std::unique_ptr<RowWriteHooks> makeRelationshipHooks() { return nullptr; }

}  // namespace jet
