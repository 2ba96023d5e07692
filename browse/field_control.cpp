// The binding rules of the data-bound text controls.
#include "browse/field_control.h"

#include <QScopedValueRollback>

#include "connection/data_set.h"
#include "connection/field.h"
#include "connection/ui/field_display.h"
#include "ui_services/handler_guard.h"

void FieldControl::bindField(const QString& name) {
  setDataField(name);
  refresh();
}

qb::Field* FieldControl::field() const {
  if (!linkActive() || dataField().isEmpty()) return nullptr;
  return dataSet()->findField(dataField().toStdU16String());
}

bool FieldControl::canEdit() const {
  const qb::Field* shown = field();
  return shown && shown->dataSet().canModify() && !shown->readOnly() &&
         !qb::isBinaryFieldType(shown->dataType());
}

void FieldControl::refresh() {
  pending_ = false;
  const qb::Field* shown = field();
  QString text;
  if (shown) {
    try {
      text = qb::displayText(*shown);
    } catch (const std::exception&) {
      // A value that cannot be read (a damaged page) shows as such.
      text = QStringLiteral("#Error");
    }
  }
  showText(text);
  setEditable(canEdit());
}

void FieldControl::textTyped() {
  qb::DataSet* set = dataSet();
  if (!set || !field()) return;
  if (set->state() == qb::DataSetState::Browse) {
    bool editing = false;
    qb::guarded([&] {
      QScopedValueRollback<bool> starting(startingEdit_, true);
      set->edit();
      editing = true;
    });
    if (!editing) {
      refresh();
      return;
    }
  }
  pending_ = true;
}

void FieldControl::giveTextToField() {
  if (!pending_) return;
  qb::Field* shown = field();
  if (!shown) {
    pending_ = false;
    return;
  }
  QScopedValueRollback<bool> writing(writing_, true);
  shown->setText(textForField().toStdU16String());
  pending_ = false;
}

void FieldControl::focusLeft() {
  qb::guarded([this] { giveTextToField(); });
}

void FieldControl::stateChanged() {
  // An edit that ends (saved, cancelled) or begins elsewhere shows the
  // field's value; the edit this control starts keeps what was typed.
  if (!startingEdit_) refresh();
}

void FieldControl::fieldValueChanged(qb::Field& changed) {
  if (writing_ || pending_ || &changed != field()) return;
  refresh();
}
