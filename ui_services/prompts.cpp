// The installed Prompts object and the conversion of dialog filter texts.
#include "ui_services/prompts.h"

#include "ui_services/qt_prompts.h"

namespace qb {

namespace {

std::unique_ptr<Prompts>& installed() {
  static std::unique_ptr<Prompts> current;
  return current;
}

}  // namespace

Prompts& prompts() {
  auto& current = installed();
  if (!current) current = std::make_unique<QtPrompts>();
  return *current;
}

std::unique_ptr<Prompts> installPrompts(std::unique_ptr<Prompts> replacement) {
  auto previous = std::move(installed());
  installed() = std::move(replacement);
  return previous;
}

QStringList fileDialogFilters(const QString& filter) {
  const QStringList parts = filter.split(QLatin1Char('|'));
  QStringList result;
  for (qsizetype i = 0; i + 1 < parts.size(); i += 2) {
    QStringList patterns;
    for (const QString& pattern : parts[i + 1].split(QLatin1Char(';'), Qt::SkipEmptyParts)) {
      for (const QString& spelling :
           {pattern.trimmed(), pattern.trimmed().toLower(), pattern.trimmed().toUpper()}) {
        if (!spelling.isEmpty() && !patterns.contains(spelling)) patterns.append(spelling);
      }
    }
    result.append(QStringLiteral("%1 (%2)").arg(parts[i], patterns.join(QLatin1Char(' '))));
  }
  return result;
}

}  // namespace qb
