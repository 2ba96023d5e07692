// The memo field window: one field of the current record in a large text
// area, for reading and editing long texts. Modeless, resizable, and it stays
// above the other windows. It is bound to a field by the memo command. A
// right click on the text offers "Import Text" (the text of a file replaces
// the memo's), "Save Text to File" and "Clear All".
#pragma once

#include <QWidget>

#include "ui_services/file_dialog.h"

class DBMemo;
class QAction;
class QMenu;

class TfrmMemo : public QWidget {
  Q_OBJECT

 public:
  explicit TfrmMemo(QWidget* parent = nullptr);

  // Bound to the main window's DataSource1 when the window is made.
  DBMemo* DBMemo1;

  // The text area's right-click menu and its entries.
  QMenu* PopupMenu1;
  QAction* LoadText1;
  QAction* SaveTexttoFile1;
  QAction* ClearAll1;
  void LoadText1Click();
  void SaveTexttoFile1Click();
  void ClearAll1Click();

  // The text files the menu reads and writes; each keeps the file last chosen.
  qb::FileDialog OpenDialog1{qb::FileDialog::Kind::Open, QStringLiteral("Text Files|*.txt")};
  qb::FileDialog SaveDialog1{qb::FileDialog::Kind::Save, QStringLiteral("Text Files|*.txt")};

  // The first showing centres the window on the main window; later ones
  // leave it where the person put it.
  void setVisible(bool visible) override;

 private:
  void memoMenuRequested(const QPoint& at);

  bool placed_ = false;
};

// Program-wide reference, set when the window set is created.
extern TfrmMemo* frmMemo;
