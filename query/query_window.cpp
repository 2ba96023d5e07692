// The "Query" window's frame; its controls come with the query window.
#include "query/query_window.h"

TForm14* Form14 = nullptr;

TForm14::TForm14(QWidget* parent) : QWidget(parent, Qt::Window) {
  setObjectName(QStringLiteral("Form14"));
  setWindowTitle(QStringLiteral("Query"));
  resize(720, 520);
}
