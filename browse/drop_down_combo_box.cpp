// The field boxes of the Locate and Goto Column dialogs.
#include "browse/drop_down_combo_box.h"

#include <QLineEdit>
#include <algorithm>

#include "ui_services/handler_guard.h"

DropDownComboBox::DropDownComboBox(QWidget* parent) : QComboBox(parent) {
  setEditable(true);
  setInsertPolicy(QComboBox::NoInsert);
  setMaxVisibleItems(16);
}

void DropDownComboBox::clearAll() {
  clear();
  clearEditText();
}

void DropDownComboBox::addSorted(const QStringList& names) {
  QStringList all;
  for (int i = 0; i < count(); ++i) all.append(itemText(i));
  all.append(names);
  std::stable_sort(all.begin(), all.end(),
                   [](const QString& a, const QString& b) { return a.compare(b, Qt::CaseInsensitive) < 0; });
  // Filling the list must not change what the box shows.
  const QString text = currentText();
  clear();
  addItems(all);
  setEditText(text);
}

void DropDownComboBox::showPopup() {
  if (onDropDown_) qb::guarded(onDropDown_);
  QComboBox::showPopup();
}
