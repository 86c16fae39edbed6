#pragma once
// One ordered record of everything the services do in a test: library calls, view changes,
// log lines and notices, so a test can check the order the operator and the terminals see.

#include "QtPrinters.h"

#include <QString>
#include <QStringList>

namespace veska::terminal::test {

QStringList& journal();
inline void record(const QString& event) {
    journal().append(event);
}

} // namespace veska::terminal::test
