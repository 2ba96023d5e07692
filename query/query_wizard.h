// The query wizard (frmWizard): a modal dialog of five pages under the band
// "Basic Query Wizard" that offer in turn a query type, a table, a field of
// that table, a comparison and a value. It only collects the choices in its
// controls, which keep them from show to show; "Finish" has no action. The
// table list is filled anew from the main window's connection at every show.
#pragma once

#include <QDialog>

class QLabel;
class QLineEdit;
class QListWidget;
class QPushButton;
class QRadioButton;
class QStackedWidget;

class TfrmWizard : public QDialog {
  Q_OBJECT

 public:
  explicit TfrmWizard(QWidget* parent = nullptr);

  static constexpr int kPageCount = 5;

  // Centred over the main window at every show.
  void setVisible(bool visible) override;

  void FormShow();     // fills the table list, nothing selected
  void BitBtn2Click();  // Next
  void BitBtn1Click();  // Previous

  QLabel* Label1 = nullptr;  // the band's heading
  QStackedWidget* Notebook1 = nullptr;
  QRadioButton* RadioButton1 = nullptr;  // Select, and the disabled Update, Delete, Create
  QRadioButton* RadioButton2 = nullptr;
  QRadioButton* RadioButton3 = nullptr;
  QRadioButton* RadioButton4 = nullptr;
  QListWidget* ListBox1 = nullptr;
  QListWidget* ListBox2 = nullptr;
  QRadioButton* Equations[8] = {};  // "=", "<>", ">=", "<=", "Like", "Like *", ">", "<"
  QLineEdit* Edit1 = nullptr;
  QPushButton* BitBtn4 = nullptr;  // Cancel
  QPushButton* BitBtn1 = nullptr;  // Previous
  QPushButton* BitBtn2 = nullptr;  // Next
  QPushButton* BitBtn3 = nullptr;  // Finish

 protected:
  void showEvent(QShowEvent* event) override;

 private:
  // Shows page `index`; an index outside the pages changes nothing.
  void showPage(int index);
};

// Program-wide reference, set when the window set is created.
extern TfrmWizard* frmWizard;
