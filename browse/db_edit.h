// DBEdit: a one-line data-bound edit box, bound to a data source and to one
// field of its dataset by the field's name (the record view's boxes). It
// shows and edits the field in the current record (field_control.h).
#pragma once

#include <QLineEdit>

#include "browse/field_control.h"

class DBEdit : public QLineEdit, public FieldControl {
  Q_OBJECT

 public:
  explicit DBEdit(QWidget* parent = nullptr);
  ~DBEdit() override;

 protected:
  void focusOutEvent(QFocusEvent* event) override;

 private:
  QString controlText() const override { return text(); }
  void showText(const QString& text) override;
  void setEditable(bool editable) override { setReadOnly(!editable); }
};
