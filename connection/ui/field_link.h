// FieldLink: the data link of a control that shows one field of its source's
// dataset, named by the field's name (its data field): the memo window's text
// area, the record view's boxes. The name is looked up when the control needs
// the field, so the binding outlives the table it was made for; an empty data
// field binds the control to no field.
#pragma once

#include <QString>

#include "connection/ui/data_source.h"

class FieldLink : public DataLink {
 public:
  const QString& dataField() const { return dataField_; }
  void setDataField(const QString& name) { dataField_ = name; }

 private:
  QString dataField_;
};
