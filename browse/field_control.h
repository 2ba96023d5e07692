// FieldControl: the part a data-bound text control (the record view's boxes,
// the memo window's text area) shares: it is bound by field name to a data
// source (FieldLink) and
// - shows the field's value in the current record, following every move,
//   save and cancel, and a change of the value made elsewhere (the grid);
//   binary and OLE values show described and cannot be typed over
//   (field_display.h); a name the table lacks, or none, shows nothing;
// - puts the record into edit state with the person's first change, and
//   gives the typed text to the field when the control loses the focus to
//   another control, or when the dataset asks for pending input (a save or a
//   move), whichever comes first. A text the field refuses is reported once
//   and stays in the control for correction.
// The control reports its own changes (textTyped) and shows what it is told
// (showText); the binding's rules stay here.
#pragma once

#include <QString>

#include "connection/ui/field_link.h"

namespace qb {
class Field;
}

class FieldControl : public FieldLink {
 public:
  // Binds the control to the field of that name ("" for none) and shows it.
  void bindField(const QString& name);

  // The field shown: the bound name's field of the source's open dataset;
  // null when there is none.
  qb::Field* field() const;
  // Whether a person may change the value now: a field is bound, the dataset
  // may be changed, the field is not an autonumber and not binary.
  bool canEdit() const;
  // Typed text not yet given to the field.
  bool typedTextPending() const { return pending_; }

  // The person changed the text: the record goes into edit state (an error,
  // a read-only table for instance, is reported and the field's value shown
  // again).
  void textTyped();
  // Gives pending typed text to the field; a refused text throws and stays
  // pending.
  void giveTextToField();
  // The control lost the focus to another control of its own window (not to
  // a box or another window): pending text goes to the field, an error is
  // reported.
  void focusLeft();

  // Shows the field's value again, dropping pending typed text.
  void refresh();

 protected:
  FieldControl() = default;
  ~FieldControl() override = default;

  // The text in the control, and showing a text in it (not a person's change).
  virtual QString controlText() const = 0;
  virtual void showText(const QString& text) = 0;
  // Whether the control accepts typing.
  virtual void setEditable(bool editable) = 0;
  // The text as the field takes it (the memo turns its line ends into the
  // CR LF pairs the database keeps).
  virtual QString textForField() const { return controlText(); }

 private:
  // DataLink.
  void activeChanged() override { refresh(); }
  void stateChanged() override;
  void rowsChanged() override { refresh(); }
  void recordMoved() override { refresh(); }
  void fieldValueChanged(qb::Field& field) override;
  void writePendingInput() override { giveTextToField(); }

  bool pending_ = false;
  bool startingEdit_ = false;  // this control's own edit is starting
  bool writing_ = false;       // this control is setting its field
};
