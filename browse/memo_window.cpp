// Layout of the memo window: the text area fills it, with both scroll bars,
// and its right-click menu.
#include "browse/memo_window.h"

#include <QAction>
#include <QMenu>
#include <QVBoxLayout>

#include "browse/db_memo.h"
#include "browse/dialog_controls.h"
#include "browse/memo_commands.h"
#include "connection/ui/main_data.h"
#include "ui_services/prompts.h"
#include "ui_services/window_placement.h"

TfrmMemo* frmMemo = nullptr;

TfrmMemo::TfrmMemo(QWidget* parent) : QWidget(parent, Qt::Window | Qt::WindowStaysOnTopHint) {
  setObjectName(QStringLiteral("frmMemo"));
  setWindowTitle(QStringLiteral("Memo field"));
  resize(520, 360);

  DBMemo1 = new DBMemo(this);
  DBMemo1->setObjectName(QStringLiteral("DBMemo1"));
  DBMemo1->setLineWrapMode(QPlainTextEdit::NoWrap);
  DBMemo1->setHorizontalScrollBarPolicy(Qt::ScrollBarAlwaysOn);
  DBMemo1->setVerticalScrollBarPolicy(Qt::ScrollBarAlwaysOn);
  if (mainData) DBMemo1->setDataSource(&mainData->DataSource1);

  PopupMenu1 = new QMenu(this);
  PopupMenu1->setObjectName(QStringLiteral("PopupMenu1"));
  const auto entry = [this](const char* name, const QString& caption, void (TfrmMemo::*handler)()) {
    return qb::addMenuEntry(*PopupMenu1, name, caption, [this, handler] { (this->*handler)(); });
  };
  LoadText1 = entry("LoadText1", QStringLiteral("Import Text"), &TfrmMemo::LoadText1Click);
  SaveTexttoFile1 =
      entry("SaveTexttoFile1", QStringLiteral("Save Text to File"), &TfrmMemo::SaveTexttoFile1Click);
  PopupMenu1->addSeparator();
  ClearAll1 = entry("ClearAll1", QStringLiteral("Clear All"), &TfrmMemo::ClearAll1Click);
  DBMemo1->setContextMenuPolicy(Qt::CustomContextMenu);
  connect(DBMemo1, &QWidget::customContextMenuRequested, this, &TfrmMemo::memoMenuRequested);

  auto* layout = new QVBoxLayout(this);
  layout->setContentsMargins(0, 0, 0, 0);
  layout->addWidget(DBMemo1);
}

void TfrmMemo::setVisible(bool visible) {
  if (visible && !placed_ && parentWidget()) {
    qb::centreOnWindow(*this, *parentWidget()->window());
    placed_ = true;
  }
  QWidget::setVisible(visible);
}

void TfrmMemo::LoadText1Click() {
  qb::importMemoText(*DBMemo1, OpenDialog1, qb::prompts());
}

void TfrmMemo::SaveTexttoFile1Click() {
  qb::saveMemoText(*DBMemo1, SaveDialog1, qb::prompts());
}

void TfrmMemo::ClearAll1Click() {
  qb::clearMemo(*DBMemo1);
}

void TfrmMemo::memoMenuRequested(const QPoint& at) {
  // The entries that change the text only where a person could type.
  const bool editable = !DBMemo1->isReadOnly();
  LoadText1->setEnabled(editable);
  ClearAll1->setEnabled(editable);
  PopupMenu1->popup(DBMemo1->viewport()->mapToGlobal(at));
}
