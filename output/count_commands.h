// The Tools menu's counts: "Record Count" ("Count: " and the dataset's
// record count), the visual count ("Count=" and the number of records a walk
// from first to end meets; the first record is current after) and "Record
// Size" ("Size: " and the dataset's record size), each in a plain message box.
#pragma once

#include <cstddef>

namespace qb {

class DataSet;
class Prompts;

// "Count: " + the record count (filter applied). With no table open: the
// closed-dataset error.
void showRecordCount(const DataSet& data, Prompts& prompts);
// "Count=" + the records walked, under the busy cursor (restored also when
// the walk fails, as with no table open: the closed-dataset error).
void showVisualCount(DataSet& data, Prompts& prompts);
// "Size: " + the record size of the table opened last (0 before any); never fails.
void showRecordSize(const DataSet& data, Prompts& prompts);

// The walk of the visual count: first, next until the end, first again.
std::size_t visualCount(DataSet& data);

}  // namespace qb
