// The Tools menu's counts: "Record Count" ("Count: " and the dataset's
// record count), the visual count ("Count=" and the number of records a walk
// from first to end meets; the first record is current after) and "Record
// Size" ("Size: " and the dataset's record size), each in a plain message box.
#pragma once

namespace qb {

class DataSet;
class Prompts;

// Not built yet: each does nothing.
void showRecordCount(const DataSet& data, Prompts& prompts);
void showVisualCount(DataSet& data, Prompts& prompts);
void showRecordSize(const DataSet& data, Prompts& prompts);

}  // namespace qb
