// The Quick Open dialog: its box and buttons, Enter and Esc, and that it
// keeps the name typed between uses.
#include <QLineEdit>
#include <QPushButton>
#include <QTest>

#include "connection/ui/quick_open_dialog.h"
#include "fixtures/window_set_fixture.h"

namespace {

using QuickOpenTest = WindowSetTest;

TEST_F(QuickOpenTest, EnterAcceptsEscCancelsAndTheNameStays) {
  EXPECT_EQ(frmQuickOpen->windowTitle(), "Quick Open");
  EXPECT_TRUE(frmQuickOpen->Edit1->text().isEmpty());
  EXPECT_TRUE(frmQuickOpen->OkButton->isDefault());
  EXPECT_EQ(frmQuickOpen->CancelButton->text(), "Cancel");

  frmQuickOpen->show();
  frmQuickOpen->Edit1->setFocus();
  QTest::keyClicks(frmQuickOpen->Edit1, QStringLiteral("Order Details"));
  QTest::keyClick(frmQuickOpen->Edit1, Qt::Key_Return);
  EXPECT_FALSE(frmQuickOpen->isVisible());
  EXPECT_EQ(frmQuickOpen->result(), QDialog::Accepted);

  frmQuickOpen->show();
  EXPECT_EQ(frmQuickOpen->Edit1->text(), "Order Details") << "kept between uses";
  QTest::keyClick(frmQuickOpen->Edit1, Qt::Key_Escape);
  EXPECT_FALSE(frmQuickOpen->isVisible());
  EXPECT_EQ(frmQuickOpen->result(), QDialog::Rejected);

  frmQuickOpen->show();
  frmQuickOpen->CancelButton->click();
  EXPECT_EQ(frmQuickOpen->result(), QDialog::Rejected);
  EXPECT_EQ(frmQuickOpen->Edit1->text(), "Order Details");
}

}  // namespace
