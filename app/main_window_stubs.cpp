// Handlers of the main window whose commands come with the database
// connection, browsing, output, query and tool features. Each exists under
// its name, bound to its entry or button, and does nothing yet.
#include "app/main_window.h"

// File menu: new blank database, open, open with password, quick open, close, print.
void TForm1::NewBlankDatabase1Click() {}  // creation of an empty database comes with the database tools
void TForm1::Open1Click() {}              // opening a database comes with the connection layer
void TForm1::OpenPWD1Click() {}           // opening a database comes with the connection layer
void TForm1::QuickOpen1Click() {}         // opening a table by name comes with the connection layer
void TForm1::Close1Click() {}             // closing the database comes with the connection layer
void TForm1::Print1Click() {}             // printing comes with the report
void TForm1::ToolButton4Click() {}        // printing comes with the report
void TForm1::PrintRecord1Click() {}       // printing comes with the report

// Record moves and edits come with the grid over the current table.
void TForm1::First1Click() {}
void TForm1::Previous1Click() {}
void TForm1::Next1Click() {}
void TForm1::last1Click() {}
void TForm1::Insert1Click() {}
void TForm1::Delete1Click() {}
void TForm1::Save1Click() {}
void TForm1::Cancel1Click() {}
void TForm1::Adjustcolumnwidth1Click() {}  // column widths come with the grid's columns

// The record view's build and the memo binding come with those windows.
void TForm1::ToolButton7Click() {}
void TForm1::ViewEditMemoField1Click() {}

// Filter and sort come with the current table.
void TForm1::FilterButton1Click() {}
void TForm1::CancelFilterButton3Click() {}
void TForm1::SortButton4Click() {}
void TForm1::CancelSortButton6Click() {}

// Choosing a table comes with the connection layer.
void TForm1::TabControl1Change() {}

// Output: table information, CSV export, counts, clipboard copies.
void TForm1::TableInfo1Click() {}
void TForm1::ExporttoCSV2Click() {}
void TForm1::RecordCount1Click() {}
void TForm1::RecordSize1Click() {}
void TForm1::VisualCount1Click() {}
void TForm1::CopyColumntoclipboard1Click() {}
void TForm1::CopyRowtoClipboard1Click() {}
void TForm1::CopyFieldValuetoClipbaord1Click() {}

// Queries and database tools.
void TForm1::ToolButton9Click() {}  // the query window with the current table
void TForm1::RepairandCompact1Click() {}
void TForm1::ShowMDACVersioninstalled1Click() {}
void TForm1::OpenReport1Click() {}
