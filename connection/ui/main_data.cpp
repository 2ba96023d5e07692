// The main window's data objects and the locale's value text conventions.
#include "connection/ui/main_data.h"

#include <QLocale>
#include <QRegularExpression>

MainData* mainData = nullptr;

qb::FormatSettings formatSettingsOf(const QLocale& locale) {
  QString shortDate = locale.dateFormat(QLocale::ShortFormat);
  // "yy" standing alone becomes "yyyy"; "yyyy" stays.
  static const QRegularExpression twoDigitYear(QStringLiteral("(?<!y)yy(?!y)"));
  shortDate.replace(twoDigitYear, QStringLiteral("yyyy"));
  const QString longTime = locale.timeFormat(QLocale::LongFormat);
  const QString point = locale.decimalPoint();
  return qb::FormatSettings::fromLocalePatterns(shortDate.toStdU16String(), longTime.toStdU16String(),
                                                point.size() == 1 ? point.front().unicode() : u'.');
}

MainData::MainData() {
  mdb.setConnection(&con);
  mdb.setFormatSettings(formatSettingsOf(QLocale::system()));
  DataSource1.setDataSet(&mdb);
  mainData = this;
}

MainData::~MainData() {
  if (mainData == this) mainData = nullptr;
  DataSource1.setDataSet(nullptr);
  con.close();
}
