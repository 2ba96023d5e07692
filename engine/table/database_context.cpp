// The shared state of an open database: its write helpers are made here.
#include "table/database_context.h"

#include "index/index_maintenance.h"
#include "table/row_write_hooks.h"

namespace jet {

DatabaseContext::DatabaseContext()
    : indexes(makeIndexMaintenance()), hooks(makeRelationshipHooks()), random(std::random_device{}()) {}

DatabaseContext::~DatabaseContext() = default;

}  // namespace jet
