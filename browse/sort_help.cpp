// Text of the sort help.
#include "browse/sort_help.h"

TfrmSortHelp* frmSortHelp = nullptr;

namespace {

const char kSortHelp[] =
    "Setting the Sort property\n"
    "\n"
    "To sort the table, type into the sort box a string that holds the sort condition: "
    "one or more field names separated by commas, each followed by ASC or DESC.\n"
    "\n"
    "Examples:\n"
    "\n"
    "State ASC\n"
    "\tsorts by State, ascending\n"
    "State DESC \n"
    "\tsorts by State, descending\n"
    "Surname ASC, Firstname ASC\n"
    "\tsorts by Surname and then by Firstname, both ascending\n"
    "\n"
    "NOTE:  ASC and DESC must be in upper case.\n";

}  // namespace

TfrmSortHelp::TfrmSortHelp(QWidget* parent)
    : HelpWindow(QStringLiteral("HELP - Setting the sort property"), QString::fromUtf8(kSortHelp), false,
                 parent) {
  setObjectName(QStringLiteral("frmSortHelp"));
  setWindowTitle(QStringLiteral("Sort - Help"));
  resize(480, 360);
}
