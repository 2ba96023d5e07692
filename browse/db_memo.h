// DBMemo: the memo window's text area, bound to a data source and to one
// field of its dataset by the field's name (its data field). The binding is
// what the current-table change and the memo command set; an empty data
// field means the memo is bound to no field.
#pragma once

#include <QPlainTextEdit>

#include "connection/ui/field_link.h"

class DBMemo : public QPlainTextEdit, private FieldLink {
  Q_OBJECT

 public:
  explicit DBMemo(QWidget* parent = nullptr);
  ~DBMemo() override;

  using FieldLink::dataField;
  using FieldLink::dataSource;
  using FieldLink::setDataField;
  using FieldLink::setDataSource;

  // The binding, as the commands that open tables and bind the memo take it.
  FieldLink& fieldLink() { return *this; }
};
