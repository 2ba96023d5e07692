// "View / Edit Memo Field" (the grid's menu; the Edit menu passes it on): the
// memo window shows and edits the selected column's field of the current
// record, following the current record from then on.
#pragma once

class GridColumns;
class TfrmMemo;

namespace qb {

// Binds the memo window to the field of the selected column of `columns` and
// shows it in front. Not built yet: it does nothing.
void viewEditMemoField(TfrmMemo& window, const GridColumns& columns);

}  // namespace qb
