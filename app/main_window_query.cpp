// Handlers of the query and tool commands (query/): the query window, the
// table designer and the database tools.
#include "app/main_window.h"
#include "query/query_commands.h"
#include "query/query_window.h"
#include "query/table_designer.h"
#include "query/table_designer_commands.h"
#include "query/tool_commands.h"
#include "ui_services/prompts.h"

void TForm1::Query1Click() {
  qb::showQueryWindow(*Form14);
}
void TForm1::ToolButton9Click() {
  qb::queryCurrentTable(*Form14, mdb);
}

void TForm1::New1Click() {
  qb::showTableDesigner(*frmNew, qb::prompts());
}
void TForm1::ToolButton8Click() {
  qb::showTableDesigner(*frmNew, qb::prompts());
}

void TForm1::RepairandCompact1Click() {
  qb::repairAndCompact(con, OpenDialog1, qb::prompts());
}
void TForm1::NewBlankDatabase1Click() {
  qb::newBlankDatabase(SaveDialog2, qb::prompts());
}
void TForm1::ShowMDACVersioninstalled1Click() {
  qb::showDataAccessVersion(con, qb::prompts());
}
void TForm1::OpenReport1Click() {
  qb::openAccessReport();
}
