// Creation and destruction of the window set.
#include "app/window_set.h"

#include <QApplication>
#include <memory>
#include <stdexcept>
#include <vector>

#include "app/about_box.h"
#include "app/main_window.h"
#include "app/tool_bar_images.h"
#include "browse/column_visibility_dialog.h"
#include "browse/filter_help.h"
#include "browse/goto_column_dialog.h"
#include "browse/locate_dialog.h"
#include "browse/memo_window.h"
#include "browse/picture_window.h"
#include "browse/record_view_window.h"
#include "browse/sort_help.h"
#include "connection/ui/quick_open_dialog.h"
#include "output/designed_report.h"
#include "output/table_info_window.h"
#include "query/query_window.h"
#include "query/query_wizard.h"
#include "query/table_designer.h"
#include "ui_services/app_identity.h"
#include "ui_services/handler_guard.h"
#include "ui_services/window_placement.h"

namespace {

// Owners of the set, in creation order. Secondary windows are children of
// the main window (they stay with it on screen), so they are destroyed
// before it.
std::vector<std::unique_ptr<QObject>>& objects() {
  static std::vector<std::unique_ptr<QObject>> set;
  return set;
}

template <class T>
void create(T*& reference, QWidget* owner = nullptr) {
  auto object = std::make_unique<T>(owner);
  reference = object.get();
  objects().push_back(std::move(object));
}

}  // namespace

void createWindowSet() {
  if (!objects().empty()) throw std::logic_error("The window set is created once");
  try {
    create(Form1);
    create(frmTableInfo, Form1);
    create(AboutBox, Form1);
    create(QuickReport4, Form1);
    create(Form5, Form1);
    create(frmSearch, Form1);
    create(frmSelectField, Form1);
    create(frmQuickOpen, Form1);
    create(frmColumns, Form1);
    create(frmRecordView, Form1);
    qb::centreOnWindow(*frmRecordView, *Form1);
    frmRecordView->show();
    create(frmNew, Form1);
    create(frmMemo, Form1);
    create(frmPicture, Form1);
    create(Form14, Form1);
    // What the query window's statements change, the main window shows at once.
    QObject::connect(Form14, &TForm14::statementCarriedOut, Form1, [] { qb::guarded([] { Form1->Timer1Timer(); }); });
    create(frmWizard, Form1);
    create(frmSortHelp, Form1);
  } catch (...) {
    destroyWindowSet();
    throw;
  }
}

void destroyWindowSet() {
  auto& set = objects();
  while (!set.empty()) set.pop_back();
  Form1 = nullptr;
  frmTableInfo = nullptr;
  AboutBox = nullptr;
  QuickReport4 = nullptr;
  Form5 = nullptr;
  frmSearch = nullptr;
  frmSelectField = nullptr;
  frmQuickOpen = nullptr;
  frmColumns = nullptr;
  frmRecordView = nullptr;
  frmNew = nullptr;
  frmMemo = nullptr;
  frmPicture = nullptr;
  Form14 = nullptr;
  frmWizard = nullptr;
  frmSortHelp = nullptr;
}

QList<QObject*> windowSet() {
  QList<QObject*> result;
  for (const auto& object : objects()) result.append(object.get());
  return result;
}

void startUp() {
  QApplication::setApplicationName(QString::fromUtf8(qb::kAppTitle));
  QApplication::setWindowIcon(programIcon());
  createWindowSet();
  // Closing the main window ends the event loop at once, even while other
  // windows of the set are open.
  QObject::connect(Form1, &TForm1::closed, qApp, [] { QCoreApplication::exit(0); });
  Form1->show();
  // The record view was shown as it was made, before the maximised main
  // window, which would now cover it.
  frmRecordView->raise();
}
