// The database tools: Tools ▸ "Repair and Compact" (a database file chosen in
// the open dialog compacted in place), File ▸ "New Blank Database" (an empty
// database file at a name chosen in the save dialog), Tools ▸ "Show MDAC
// Version installed" and Access ▸ "Open Report". None of them uses the main
// window's current table. Failures end the command with their error, which
// the handler's guard shows in the error box.
#pragma once

namespace qb {

class Connection;
class FileDialog;
class Prompts;

// Asks for a database file in `openDialog` (Cancel: nothing happens) and
// compacts it in place under the busy cursor, then shows "Complete". When
// `con` is connected to that file, it is closed first, as Close Database
// closes it (its datasets close, an unsaved row edit is dropped), and left
// closed: the grid empties, the tabs stay, and choosing one connects again to
// the compacted file. A failure leaves the file as it was and ends with the
// engine's reason instead of "Complete".
void repairAndCompact(Connection& con, FileDialog& openDialog, Prompts& prompts);

// Asks for a new file's name in `saveDialog` (which adds the default
// extension to a name typed without one; Cancel: nothing happens) and creates
// a blank database there. Success shows nothing; the new file is not opened.
// A failure (the file exists and is left as it was, the folder cannot be
// written) ends with the engine's reason.
void newBlankDatabase(FileDialog& saveDialog, Prompts& prompts);

// Shows "MDAC Version: " and the version of the data access components.
void showDataAccessVersion(const Connection& con, Prompts& prompts);

// Makes Microsoft Access open and close the fixed database
// "C:\My Documents\Books.mdb" for exclusive use, attaching to a running
// instance or making a new one. Where Access cannot be made (always, on this
// platform) or a step fails, that error ends the command; the instance is
// released in every case.
void openAccessReport();

}  // namespace qb
