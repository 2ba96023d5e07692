// Binding and showing the memo window.
#include "browse/memo_commands.h"

#include "browse/memo_window.h"

namespace qb {

void viewEditMemoField(TfrmMemo& /*window*/, const GridColumns& /*columns*/) {}

}  // namespace qb
