// Handlers of the output commands (output/): CSV export, clipboard copies,
// table information, printing and the counts.
#include "app/main_window.h"
#include "connection/ui/data_grid.h"
#include "output/clipboard_commands.h"
#include "output/count_commands.h"
#include "output/export_commands.h"
#include "output/print_commands.h"
#include "output/table_info_commands.h"
#include "output/table_info_window.h"
#include "ui_services/prompts.h"

void TForm1::ExporttoCSV2Click() {
  qb::exportToCsv(mdb, DBGrid1->columns(), SaveDialog1, qb::prompts(), mdb.formatSettings());
}

void TForm1::CopyColumntoclipboard1Click() {
  qb::copyColumn(mdb, DBGrid1->columns(), mdb.formatSettings());
}
void TForm1::CopyRowtoClipboard1Click() {
  qb::copyRow(mdb, DBGrid1->columns(), mdb.formatSettings());
}
void TForm1::CopyFieldValuetoClipbaord1Click() {
  qb::copyFieldValue(mdb, DBGrid1->columns(), mdb.formatSettings());
}

void TForm1::TableInfo1Click() {
  qb::showTableInfo(*frmTableInfo, mdb, OpenDialog1, qb::prompts());
}

void TForm1::ToolButton4Click() {
  qb::printGridReport(mdb, DBGrid1->columns(), qb::prompts(), mdb.formatSettings(),
                      qb::ReportOutput::Preview);
}
void TForm1::Print1Click() {
  qb::printGridReport(mdb, DBGrid1->columns(), qb::prompts(), mdb.formatSettings(),
                      qb::ReportOutput::Printer);
}
void TForm1::PrintRecord1Click() {
  qb::printRecordReport(mdb, DBGrid1->columns(), qb::prompts(), mdb.formatSettings(),
                        qb::ReportOutput::Preview);
}

void TForm1::RecordCount1Click() {
  qb::showRecordCount(mdb, qb::prompts());
}
void TForm1::VisualCount1Click() {
  qb::showVisualCount(mdb, qb::prompts());
}
void TForm1::RecordSize1Click() {
  qb::showRecordSize(mdb, qb::prompts());
}
