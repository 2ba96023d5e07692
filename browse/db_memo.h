// DBMemo: the memo window's text area, bound to a data source and to one
// field of its dataset by the field's name (its data field). It shows the
// field's whole value in the current record, follows the current record, and
// edits the field as text (field_control.h). An empty data field binds it to
// no field: it shows nothing and takes no typing. The database keeps line
// ends as CR LF; the text area shows lines, and typed lines are stored with
// CR LF.
#pragma once

#include <QPlainTextEdit>

#include "browse/field_control.h"

class DBMemo : public QPlainTextEdit, public FieldControl {
  Q_OBJECT

 public:
  explicit DBMemo(QWidget* parent = nullptr);
  ~DBMemo() override;

  // The binding, as the commands that open tables and bind the memo take it.
  FieldLink& fieldLink() { return *this; }

  // Replaces the text as a person's change would (Import Text, Clear All):
  // the record goes into edit state and the text reaches the field as typed
  // text does. Nothing happens when the memo takes no typing.
  void replaceText(const QString& text);

 protected:
  void focusOutEvent(QFocusEvent* event) override;

 private:
  QString controlText() const override { return toPlainText(); }
  QString textForField() const override;
  void showText(const QString& text) override;
  void setEditable(bool editable) override { setReadOnly(!editable); }

  bool showing_ = false;  // the text is being shown, not typed
};
