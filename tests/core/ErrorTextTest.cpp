#include "core/ErrorText.h"

#include <gtest/gtest.h>

using veska::errorDialogText;

TEST(ErrorText, AppendsAFullStopOnlyAfterACharacterAboveIt) {
    EXPECT_EQ(errorDialogText(QStringLiteral("File not found")), QStringLiteral("File not found."));
    EXPECT_EQ(errorDialogText(QStringLiteral("Done.")), QStringLiteral("Done."));
    EXPECT_EQ(errorDialogText(QStringLiteral("value -")), QStringLiteral("value -"));
    EXPECT_EQ(errorDialogText(QStringLiteral("line\n")), QStringLiteral("line\n"));
    EXPECT_EQ(errorDialogText(QStringLiteral("path/")), QStringLiteral("path/."));
    EXPECT_EQ(errorDialogText(QString()), QString());
}
