// The shared state of an open database: its write helpers are made here.
#include "db/database_context.h"

#include "db/index_maintenance.h"
#include "db/row_write_hooks.h"

namespace jet {

DatabaseContext::DatabaseContext()
    : indexes(makeIndexMaintenance()), hooks(makeRelationshipHooks()), random(std::random_device{}()) {}

DatabaseContext::~DatabaseContext() = default;

}  // namespace jet
