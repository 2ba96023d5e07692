// The query wizard: its pages and controls, Next and Previous at the ends,
// the table name shown on leaving the table page and the field list after
// it, the list error with no table chosen, Finish, and what survives a new
// show.
#include <QLabel>
#include <QLayout>
#include <QLineEdit>
#include <QListWidget>
#include <QPushButton>
#include <QRadioButton>
#include <QStackedWidget>
#include <QToolButton>
#include <functional>

#include "app/main_window.h"
#include "fixtures/built_database.h"
#include "fixtures/database_fixture.h"
#include "query/query_window.h"
#include "query/query_wizard.h"

namespace {

using jet::DataType;

class QueryWizardTest : public DatabaseTest {
 protected:
  void SetUp() override {
    DatabaseTest::SetUp();
    BuiltTable people{u"People",
                      {builtColumn(u"Id", DataType::Long), builtColumn(u"Name", DataType::Text, 20)},
                      {{longValue(1), textValue(u"Ann")}}};
    BuiltTable places{u"Places", {builtColumn(u"Town", DataType::Text, 20)}, {}};
    writeDatabase(scratch / "wizard.mdb", {people, places});
    open(scratchFile("wizard.mdb"));
  }
  TfrmWizard& wizard() const { return *frmWizard; }
  int page() const { return wizard().Notebook1->currentIndex(); }
  QStringList items(const QListWidget& list) const {
    QStringList out;
    for (int i = 0; i < list.count(); ++i) out << list.item(i)->text();
    return out;
  }
  int messages() const {
    int n = 0;
    for (const ShownPrompt& p : prompts->shown()) n += p.kind == PromptKind::MessageBox;
    return n;
  }
  // The Wizard button of the query window, with `act` done while it is shown.
  void runWizard(std::function<void(TfrmWizard&)> act) {
    prompts->modalWith(QDialog::Rejected, [act](QDialog& d) { act(static_cast<TfrmWizard&>(d)); });
    Form14->SpeedButton2->click();
  }
};

TEST_F(QueryWizardTest, FivePagesWithTheirNamesHeadingsAndControls) {
  TfrmWizard& w = wizard();
  EXPECT_EQ(w.windowTitle(), "Query Wizard");
  EXPECT_EQ(w.Label1->text(), "Basic Query Wizard");
  ASSERT_EQ(w.Notebook1->count(), 5);
  const char* const names[5] = {"Select", "Setect Table", "Select Field", "Equation", "Value"};
  const char* const headings[5] = {"Query Type", "Select Table", "Select Field", "Equation", "Value"};
  for (int i = 0; i < 5; ++i) {
    QWidget* p = w.Notebook1->widget(i);
    EXPECT_EQ(p->objectName(), names[i]);
    EXPECT_EQ(p->findChildren<QLabel*>().value(0)->text(), headings[i]);
  }
  EXPECT_TRUE(w.RadioButton1->isChecked() && w.RadioButton1->isEnabled());
  for (QRadioButton* b : {w.RadioButton2, w.RadioButton3, w.RadioButton4}) EXPECT_FALSE(b->isEnabled());
  QStringList equations;
  for (QRadioButton* b : w.Equations) {
    equations << b->text();
    EXPECT_FALSE(b->isChecked());
  }
  EXPECT_EQ(equations, (QStringList{"=", "<>", ">=", "<=", "Like", "Like *", ">", "<"}));
  EXPECT_TRUE(w.Edit1->text().isEmpty());
  QStringList buttons;
  for (QPushButton* b : {w.BitBtn4, w.BitBtn1, w.BitBtn2, w.BitBtn3}) buttons << b->text();
  EXPECT_EQ(buttons, (QStringList{"Cancel", "Previous", "Next", "Finish"}));
  w.layout()->activate();
  EXPECT_LT(w.BitBtn4->x(), w.BitBtn1->x());
  EXPECT_LT(w.BitBtn1->x(), w.BitBtn2->x());
  EXPECT_LT(w.BitBtn2->x(), w.BitBtn3->x());
  EXPECT_LT(w.Label1->parentWidget()->y(), w.Notebook1->y());
}

TEST_F(QueryWizardTest, NextShowsTheTableNameThenListsItsFields) {
  runWizard([&](TfrmWizard& w) {
    EXPECT_EQ(items(*w.ListBox1), (QStringList{"People", "Places"}));
    EXPECT_EQ(w.ListBox1->currentRow(), -1);
    w.BitBtn1->click();  // Previous on the first page
    EXPECT_EQ(page(), 0);
    w.BitBtn2->click();
    EXPECT_EQ(page(), 1);
    EXPECT_EQ(messages(), 0);
    w.ListBox1->setCurrentRow(0);
    w.BitBtn2->click();
    EXPECT_EQ(page(), 2);
    EXPECT_EQ(messages(), 1);
    EXPECT_EQ(prompts->shown().back().text, "People");
    EXPECT_EQ(items(*w.ListBox2), (QStringList{"Id", "Name"}));
    w.BitBtn2->click();
    w.BitBtn2->click();
    EXPECT_EQ(page(), 4);
    w.BitBtn2->click();  // Next on the last page
    EXPECT_EQ(page(), 4);
    w.BitBtn3->click();  // Finish does nothing
    EXPECT_TRUE(w.isVisible());
    EXPECT_EQ(page(), 4);
    w.Edit1->setText(QStringLiteral("Ann"));
    w.BitBtn1->click();
    w.Equations[4]->setChecked(true);
  });
  EXPECT_EQ(prompts->modalWindows(), QStringList{"frmWizard"});
  EXPECT_TRUE(prompts->errorBoxes().isEmpty());
}

TEST_F(QueryWizardTest, NoTableChosenGivesTheListErrorAndKeepsTheFields) {
  runWizard([&](TfrmWizard& w) {
    w.BitBtn2->click();
    w.ListBox1->setCurrentRow(1);
    w.BitBtn2->click();
    ASSERT_EQ(items(*w.ListBox2), QStringList{"Town"});
    w.BitBtn1->click();
  });
  // A new show refills the table list with nothing selected, on the page
  // where the dialog was left; the other pages keep their choices.
  runWizard([&](TfrmWizard& w) {
    EXPECT_EQ(page(), 1);
    EXPECT_EQ(w.ListBox1->currentRow(), -1);
    EXPECT_EQ(items(*w.ListBox1), (QStringList{"People", "Places"}));
    prompts->clearShown();
    w.BitBtn2->click();
    EXPECT_EQ(page(), 2);
    EXPECT_EQ(prompts->errorBoxes(), QStringList{"List index out of bounds (-1)"});
    EXPECT_EQ(messages(), 0) << "no table name shown";
    EXPECT_EQ(items(*w.ListBox2), QStringList{"Town"});
  });
}

}  // namespace
