// Text of the filter help.
#include "browse/filter_help.h"

#include "ui_services/window_frame.h"

TForm5* Form5 = nullptr;

namespace {

const char kFilterHelp[] =
    "Setting the Filter property\n"
    "\n"
    "To filter the table, type into the filter box a string that holds the test condition "
    "of the filter.\n"
    "\n"
    "For example, the following filter tests the State field of a dataset and lets through "
    "only the records of the state of California:\n"
    "State = 'CA' \n"
    "Surname='Smith' and Firstname='John'\n"
    "\n"
    "Records whose field is blank are not shown unless the filter includes them explicitly:\n"
    "State <> 'CA' or State = BLANK\n"
    "\n"
    "Note:\tOnce a value has been given for the filter, the filter is applied by setting the "
    "Filtered property to True.\n"
    "\n"
    "A filter can use the following comparison and logical operators:\n"
    "Operator\tMeaning\n"
    "<\tLess than\n"
    ">\tGreater than\n"
    ">=\tGreater than or equal to\n"
    "<=\tLess than or equal to\n"
    "=\tEqual to\n"
    "<>\tNot equal to\n"
    "AND\tTests two statements are both True\n"
    "NOT\tTests that the following statement is not True\n"
    "OR\tTests that at least one of two statements is True\n"
    "+\tAdds numbers, concatenates strings, ads numbers to date/time values \n"
    "-\tSubtracts numbers, subtracts dates, or subtracts a number from a date \n"
    "\n"
    "By combining these operators you can build fairly sophisticated filters. The following "
    "filter accepts a record only when both conditions hold:\n"
    "(Custno > 1400) AND (Custno < 1500)\n";

}  // namespace

TForm5::TForm5(QWidget* parent)
    : HelpWindow(QStringLiteral("HELP - Setting the filter property"), QString::fromUtf8(kFilterHelp), true,
                 parent) {
  setObjectName(QStringLiteral("Form5"));
  setWindowTitle(QStringLiteral("Filter - Help"));
  qb::setFixedDialogFrame(*this, QSize(560, 520));
}
