// The regional settings of this test program, set before main so that the system locale,
// read once on first use, follows them: VESKA_TEST_LOCALE names the locale for LC_ALL.
#include <QByteArray>
#include <QtGlobal>

namespace {

[[maybe_unused]] const bool kLocaleChosen = qputenv("LC_ALL", QByteArray(VESKA_TEST_LOCALE));

} // namespace
