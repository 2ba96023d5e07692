// The engine's own version, shown by the program where the data access
// components' version is asked for.
#pragma once

namespace jet {

// Release of this engine, "major.minor.patch"; needs no open database.
const char* engineVersion() noexcept;

}  // namespace jet
