// Compacting a database through any Vfs (tests use a simulated disk that can
// fail half way).
#pragma once

#include <memory>
#include <string>

#include "storage/vfs.h"

namespace jet {

// What jet::compactDatabase does, on the files of `vfs`.
void compactDatabase(const std::shared_ptr<Vfs>& vfs, const std::string& source, const std::string& destination,
                     const std::u16string& password);

}  // namespace jet
