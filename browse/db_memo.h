// DBMemo: the memo window's text area, bound to a data source and to one
// field of its dataset by the field's name (its data field). The binding is
// what the current-table change and the memo command set; an empty data
// field means the memo is bound to no field.
#pragma once

#include <QPlainTextEdit>

#include "connection/ui/data_source.h"

class DBMemo : public QPlainTextEdit, private DataLink {
  Q_OBJECT

 public:
  explicit DBMemo(QWidget* parent = nullptr);
  ~DBMemo() override;

  using DataLink::dataSource;
  using DataLink::setDataSource;

  // The name of the field shown; empty: none.
  const QString& dataField() const { return dataField_; }
  void setDataField(const QString& name) { dataField_ = name; }

 private:
  QString dataField_;
};
