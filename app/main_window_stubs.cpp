// Handlers of the main window whose commands come with the record view,
// memo, output, query and tool features. Each exists under its name, bound
// to its entry or button, and does nothing yet.
#include "app/main_window.h"

// File menu: new blank database, print.
void TForm1::NewBlankDatabase1Click() {}  // creation of an empty database comes with the database tools
void TForm1::Print1Click() {}             // printing comes with the report
void TForm1::ToolButton4Click() {}        // printing comes with the report
void TForm1::PrintRecord1Click() {}       // printing comes with the report

// The record view's build and the memo binding come with those windows.
void TForm1::ToolButton7Click() {}
void TForm1::ViewEditMemoField1Click() {}

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
