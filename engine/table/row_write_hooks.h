// Rules that other tables impose on a row write (enforced relationships): the
// row writer calls the database's hooks before each change, inside the same
// write scope, so a hook may refuse (Constraint) or change other tables
// (cascades) and everything lands or is undone together.
#pragma once

#include <memory>
#include <vector>

#include "table/table_impl.h"

namespace jet {

class RowWriteHooks {
 public:
  virtual ~RowWriteHooks() = default;
  // `row` holds the converted values the row will have.
  virtual void beforeInsert(Table::Impl& table, const std::vector<Value>& row) = 0;
  // `after` may be changed: a row that refers to its own key follows a
  // change of that key.
  virtual void beforeUpdate(Table::Impl& table, RowId id, const std::vector<Value>& before,
                            std::vector<Value>& after) = 0;
  virtual void beforeDelete(Table::Impl& table, RowId id, const std::vector<Value>& row) = 0;
};

// The relationship rules of the database; null when there are none to keep.
std::unique_ptr<RowWriteHooks> makeRelationshipHooks();

}  // namespace jet
