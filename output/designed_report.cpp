// The unused report design object.
#include "output/designed_report.h"

TQuickReport4* QuickReport4 = nullptr;

TQuickReport4::TQuickReport4(QObject* parent) : QObject(parent) {
  setObjectName(QStringLiteral("QuickReport4"));
}
