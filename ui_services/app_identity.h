// The program's fixed names: its title (task bar, message box captions) and
// the project's web address shown in the status bar, the about box and the
// filter help.
#pragma once

namespace qb {

inline constexpr char kAppTitle[] = "Quillbase";
inline constexpr char kWebAddress[] = "https://quillbase.github.io";

}  // namespace qb
