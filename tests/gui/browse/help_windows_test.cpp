// The filter help and the sort help: frames, bands and the fixed items of
// their texts.
#include <QLabel>
#include <QPlainTextEdit>
#include <QScrollBar>

#include "app/main_window.h"
#include "browse/filter_help.h"
#include "browse/sort_help.h"
#include "fixtures/window_set_fixture.h"

namespace {

QStringList lines(const HelpWindow& window) {
  return window.textArea()->toPlainText().split(QLatin1Char('\n'));
}

using HelpWindowTest = WindowSetTest;

TEST_F(HelpWindowTest, FilterHelpIsAFixedDialogWithHeaderTextAndFooter) {
  EXPECT_EQ(Form5->windowTitle(), "Filter - Help");
  EXPECT_EQ(Form5->minimumSize(), Form5->maximumSize());
  EXPECT_EQ(Form5->headerLabel()->text(), "HELP - Setting the filter property");
  EXPECT_TRUE(Form5->textArea()->isReadOnly());
  EXPECT_EQ(Form5->textArea()->verticalScrollBarPolicy(), Qt::ScrollBarAlwaysOn);
  ASSERT_NE(Form5->footerLabel(), nullptr);
  QLabel* footer = Form5->footerLabel();
  EXPECT_EQ(footer->text(), "https://quillbase.github.io");
  EXPECT_TRUE(footer->font().bold());
  EXPECT_TRUE(footer->font().underline());
  EXPECT_EQ(footer->palette().color(QPalette::WindowText), QColor(0, 0, 0x80));
  EXPECT_FALSE(footer->openExternalLinks()) << "the footer is not a link";
  EXPECT_EQ(footer->textInteractionFlags(), Qt::NoTextInteraction);
}

TEST_F(HelpWindowTest, FilterHelpHoldsTheExamplesNoteAndOperatorTableExactly) {
  const QStringList text = lines(*Form5);
  EXPECT_EQ(text.front(), "Setting the Filter property");
  for (const char* example : {"State = 'CA' ", "Surname='Smith' and Firstname='John'",
                              "State <> 'CA' or State = BLANK", "(Custno > 1400) AND (Custno < 1500)"}) {
    EXPECT_TRUE(text.contains(QString::fromLatin1(example))) << example;
  }
  const auto note =
      std::find_if(text.begin(), text.end(), [](const QString& line) { return line.startsWith("Note:"); });
  ASSERT_NE(note, text.end());
  EXPECT_TRUE(note->startsWith("Note:\t"));
  EXPECT_TRUE(note->contains("Filtered property to True"));

  const QStringList operators{
      "Operator\tMeaning",
      "<\tLess than",
      ">\tGreater than",
      ">=\tGreater than or equal to",
      "<=\tLess than or equal to",
      "=\tEqual to",
      "<>\tNot equal to",
      "AND\tTests two statements are both True",
      "NOT\tTests that the following statement is not True",
      "OR\tTests that at least one of two statements is True",
      "+\tAdds numbers, concatenates strings, ads numbers to date/time values ",
      "-\tSubtracts numbers, subtracts dates, or subtracts a number from a date ",
  };
  const qsizetype start = text.indexOf(operators.front());
  ASSERT_GE(start, 0);
  EXPECT_EQ(text.mid(start, operators.size()), operators) << "one line each, in this order";
}

TEST_F(HelpWindowTest, SortHelpIsResizableWithHeaderTextAndNoFooter) {
  EXPECT_EQ(frmSortHelp->windowTitle(), "Sort - Help");
  EXPECT_NE(frmSortHelp->minimumSize(), frmSortHelp->maximumSize());
  EXPECT_EQ(frmSortHelp->headerLabel()->text(), "HELP - Setting the sort property");
  EXPECT_EQ(frmSortHelp->footerLabel(), nullptr);
  const QStringList text = lines(*frmSortHelp);
  EXPECT_EQ(text.front(), "Setting the Sort property");
  for (const char* item : {"State ASC", "State DESC ", "Surname ASC, Firstname ASC",
                           "NOTE:  ASC and DESC must be in upper case."}) {
    EXPECT_TRUE(text.contains(QString::fromLatin1(item))) << item;
  }
  EXPECT_EQ(text.filter("ascending").size(), 2);
  EXPECT_EQ(text.filter("descending").size(), 1);
}

TEST_F(HelpWindowTest, ReopenedHelpIsTheSameWindowAtTheSamePlaceInItsText) {
  Form5->show();
  Form5->textArea()->verticalScrollBar()->setValue(Form5->textArea()->verticalScrollBar()->maximum());
  const int scrolled = Form5->textArea()->verticalScrollBar()->value();
  Form5->close();
  activate(QStringLiteral("UsingFilters1"));
  EXPECT_EQ(prompts->modalWindows(), QStringList{"Form5"});
  EXPECT_EQ(Form5->textArea()->verticalScrollBar()->value(), scrolled);
}

}  // namespace
