// Layout shared by the filter and sort help windows: a white header band
// with a large serif title closed by a thin line, a read-only text area with
// a vertical scroll bar on the dialog's grey background, and optionally a
// white footer band with the project's web address (plain text, no link).
#pragma once

#include <QDialog>

class QLabel;
class QPlainTextEdit;

class HelpWindow : public QDialog {
  Q_OBJECT

 public:
  HelpWindow(const QString& heading, const QString& text, bool withFooter, QWidget* parent);

  QLabel* headerLabel() const { return header_; }
  QPlainTextEdit* textArea() const { return text_; }
  // The footer's address; nullptr without a footer.
  QLabel* footerLabel() const { return footer_; }

 private:
  QLabel* header_;
  QPlainTextEdit* text_;
  QLabel* footer_ = nullptr;
};
