// The file operations behind the database tools, through the automation
// objects: a database file compacted in place, a blank database file created,
// and the unique temporary name of the tools' scratch files.
#pragma once

#include <filesystem>
#include <string>

namespace qb {

// A name for a scratch file in the system's temporary folder, beginning with
// "~SM" and unique there: a file of that name is made (so no other program
// takes the name) and removed again, so that no file of that name exists when
// it returns. Empty when the folder cannot be written.
std::filesystem::path makeTempName();

// Compacts the database file at `path` in place through "JRO.JetEngine",
// opening it with `password` ("" for a file without one). The compacted copy
// is written beside the file and renamed over it, so a crash or a full disk
// half way leaves the original; nothing is written to the temporary folder.
// A symbolic link stays a link: the file it leads to is compacted.
// Throws jet::Error with the reason, naming the file, when the file is not
// compacted; it is then exactly as it was. A file that needs a database
// password and got none says so.
void compactDatabaseFile(const std::filesystem::path& path, const std::u16string& password);

// Creates a blank database file at `path` through "ADOX.Catalog", closed
// again when this returns. Throws jet::Error with the reason when no file is
// made: an existing file at `path` (left untouched), a folder that is missing
// or cannot be written.
void createBlankDatabase(const std::filesystem::path& path);

}  // namespace qb
