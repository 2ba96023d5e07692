// The database tools: Tools ▸ "Repair and Compact" (a database file chosen in
// the open dialog compacted in place), File ▸ "New Blank Database" (an empty
// database file at a name chosen in the save dialog), Tools ▸ "Show MDAC
// Version installed" and Access ▸ "Open Report". None of them uses the main
// window's current table; the compaction must not run on a file under the
// main window's live connection `con`.
#pragma once

namespace qb {

class Connection;
class FileDialog;
class Prompts;

// Not built yet: each does nothing.
void repairAndCompact(Connection& con, FileDialog& openDialog, Prompts& prompts);
void newBlankDatabase(FileDialog& saveDialog, Prompts& prompts);
void showDataAccessVersion(const Connection& con, Prompts& prompts);
void openAccessReport(Prompts& prompts);

}  // namespace qb
