// The about box: its texts, the link label's look, the program-wide hand
// cursor while the mouse is over the link, and opening the address.
#include <QDesktopServices>
#include <QDialog>
#include <QGuiApplication>
#include <QLabel>
#include <QPushButton>
#include <QTest>
#include <QUrl>

#include "app/about_box.h"
#include "app/link_label.h"
#include "app/main_window.h"
#include "fixtures/recording_cursor.h"
#include "fixtures/window_set_fixture.h"

namespace {

// Catches the desktop's "open" requests for web addresses.
class UrlCatcher : public QObject {
  Q_OBJECT

 public:
  UrlCatcher() {
    QDesktopServices::setUrlHandler(QStringLiteral("https"), this, "open");
    QDesktopServices::setUrlHandler(QStringLiteral("http"), this, "open");
  }
  ~UrlCatcher() override {
    QDesktopServices::unsetUrlHandler(QStringLiteral("https"));
    QDesktopServices::unsetUrlHandler(QStringLiteral("http"));
  }
  QList<QUrl> opened;

 public slots:
  void open(const QUrl& url) { opened.append(url); }
};

QStringList labelTexts(const QWidget& window) {
  QStringList texts;
  for (auto* label : window.findChildren<QLabel*>()) {
    if (!label->text().isEmpty()) texts.append(label->text());
  }
  return texts;
}

void sendEnter(QWidget* widget) {
  QEnterEvent enter(QPointF(2, 2), widget->mapToGlobal(QPointF(2, 2)), widget->mapToGlobal(QPointF(2, 2)));
  QApplication::sendEvent(widget, &enter);
}

void sendLeave(QWidget* widget) {
  QEvent leave(QEvent::Leave);
  QApplication::sendEvent(widget, &leave);
}

using AboutBoxTest = WindowSetTest;

TEST_F(AboutBoxTest, ShowsNameVersionSentenceAndLinkWithADefaultOkButton) {
  EXPECT_EQ(AboutBox->windowTitle(), "About");
  const QStringList texts = labelTexts(*AboutBox);
  EXPECT_TRUE(texts.contains("Quillbase"));
  EXPECT_TRUE(texts.contains("Version 1.21"));
  EXPECT_TRUE(texts.contains("Check the website for updates and additional information."));
  EXPECT_EQ(AboutBox->Label1->text(), "https://quillbase.github.io");
  const QFont link = AboutBox->Label1->font();
  EXPECT_TRUE(link.bold());
  EXPECT_TRUE(link.underline());
  EXPECT_EQ(AboutBox->Label1->palette().color(QPalette::WindowText), QColor(Qt::blue));
  EXPECT_EQ(AboutBox->OKButton->text(), "OK");
  EXPECT_TRUE(AboutBox->OKButton->isDefault());
  EXPECT_EQ(AboutBox->minimumSize(), AboutBox->maximumSize()) << "fixed dialog frame";
}

TEST_F(AboutBoxTest, IsCentredOnTheScreenAndOkOrEnterClosesIt) {
  AboutBox->show();
  ASSERT_TRUE(QTest::qWaitForWindowExposed(AboutBox));
  const QPoint centre = AboutBox->frameGeometry().center();
  const QPoint screen = AboutBox->screen()->availableGeometry().center();
  EXPECT_NEAR(centre.x(), screen.x(), 2);
  EXPECT_NEAR(centre.y(), screen.y(), 2);
  QTest::keyClick(AboutBox, Qt::Key_Return);
  EXPECT_FALSE(AboutBox->isVisible());
  EXPECT_EQ(AboutBox->result(), QDialog::Accepted);
  AboutBox->show();
  AboutBox->OKButton->click();
  EXPECT_FALSE(AboutBox->isVisible());
}

TEST_F(AboutBoxTest, HandCursorForTheWholeProgramWhileOverTheLink) {
  AboutBox->show();
  ASSERT_EQ(QGuiApplication::overrideCursor(), nullptr);
  sendEnter(AboutBox->Label1);
  ASSERT_NE(QGuiApplication::overrideCursor(), nullptr) << "the cursor is the program's, not the label's";
  EXPECT_EQ(QGuiApplication::overrideCursor()->shape(), Qt::PointingHandCursor);
  sendEnter(AboutBox->Label1);  // entering twice does not stack cursors
  sendLeave(AboutBox->Label1);
  EXPECT_EQ(QGuiApplication::overrideCursor(), nullptr);
  AboutBox->hide();
}

TEST_F(AboutBoxTest, ClosingTheBoxWhileOverTheLinkRestoresTheCursor) {
  ScopedRecordingCursor cursor;
  AboutBox->show();
  sendEnter(AboutBox->Label1);
  QTest::keyClick(AboutBox, Qt::Key_Escape);
  EXPECT_FALSE(AboutBox->isVisible());
  EXPECT_EQ(cursor->shape(), Qt::ArrowCursor);
  EXPECT_EQ(cursor->steps, (QStringList{"hand", "normal"}));
}

TEST_F(AboutBoxTest, ClickingTheLinkOpensTheAddressAndLeavesTheBoxOpen) {
  UrlCatcher browser;
  AboutBox->show();
  QTest::mouseClick(AboutBox->Label1, Qt::LeftButton);
  ASSERT_EQ(browser.opened.size(), 1);
  EXPECT_EQ(browser.opened.front(), QUrl("https://quillbase.github.io"));
  EXPECT_TRUE(AboutBox->isVisible());
  QTest::mouseClick(AboutBox->Label1, Qt::RightButton);
  EXPECT_EQ(browser.opened.size(), 1) << "only the left button opens it";
  AboutBox->hide();
}

TEST_F(AboutBoxTest, AboutEntryShowsTheBoxModally) {
  EXPECT_EQ(activate(QStringLiteral("About1")), QStringList{"About1Click"});
  EXPECT_EQ(prompts->modalWindows(), QStringList{"AboutBox"});
}

}  // namespace

#include "about_box_test.moc"
