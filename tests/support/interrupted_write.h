// The state a program dying in the middle of a commit leaves on disk, made on
// the simulated disk and handed out as bytes, so that tests of every layer
// can put it in real files: the database half-written, the journal of the
// write beside it, and the file as it was before.
#pragma once

#include <string>
#include <string_view>

namespace qbtest {

struct InterruptedWrite {
  std::string before;   // the file before the write
  std::string crashed;  // the file as the crash left it
  std::string journal;  // the journal the write left
};

// A copy of the corpus file `corpusName` whose program died while it deleted
// the first row of `table`: after the journal was written and synced, while
// the pages were being written.
InterruptedWrite interruptedRowDelete(const std::string& corpusName, std::u16string_view table);

}  // namespace qbtest
