// DropDownComboBox: an editable combo box (text with a drop-down list) that
// tells its window each time the user opens the list, before the list is
// shown, so that the window can refill it (the Locate and Goto Column field
// boxes). The list is kept sorted without regard to case, whatever order
// the items are added in.
#pragma once

#include <QComboBox>
#include <functional>

class DropDownComboBox : public QComboBox {
  Q_OBJECT

 public:
  explicit DropDownComboBox(QWidget* parent = nullptr);

  // Runs as the list is about to open (the box's DropDown event).
  void setOnDropDown(std::function<void()> handler) { onDropDown_ = std::move(handler); }

  // Empties the text and the list.
  void clearAll();
  // Adds `names` to the list, each at its place in the sorted order.
  void addSorted(const QStringList& names);

  void showPopup() override;

 private:
  std::function<void()> onDropDown_;
};
