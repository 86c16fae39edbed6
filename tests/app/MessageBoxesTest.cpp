// The real modal boxes on a real X display: the default error dialog and the notice, with
// the application title as caption, the right icon and text, one OK button.

#include "app/MessageBoxes.h"

#include <QApplication>
#include <QMessageBox>
#include <QPushButton>
#include <QTimer>
#include <gtest/gtest.h>

namespace {

struct Seen {
    QString title, text;
    QMessageBox::Icon icon = QMessageBox::NoIcon;
    int buttons = 0;
};

class RealMessageBoxes : public ::testing::Test {
protected:
    void SetUp() override {
        if (QGuiApplication::platformName() != QLatin1String("xcb"))
            GTEST_SKIP() << "needs an X display (VESKA_TEST_DISPLAY)";
    }
    // Shows through the real boxes while a timer reads and answers the box.
    Seen show(const std::function<void(veska::app::QtMessageBoxes&)>& what) {
        auto seen = std::make_shared<Seen>();
        QTimer poll;
        QObject::connect(&poll, &QTimer::timeout, [&poll, seen] {
            auto* box = qobject_cast<QMessageBox*>(QApplication::activeModalWidget());
            if (!box)
                return;
            *seen = {box->windowTitle(), box->text(), box->icon(),
                     static_cast<int>(box->buttons().size())};
            poll.stop();
            box->button(QMessageBox::Ok)->click();
        });
        poll.start(20);
        veska::app::QtMessageBoxes boxes;
        what(boxes);
        return *seen;
    }
};

} // namespace

TEST_F(RealMessageBoxes, TheErrorDialogAddsTheFullStopAndShowsTheErrorIcon) {
    const Seen seen = show([](auto& boxes) { boxes.showError(QStringLiteral("File not found")); });
    EXPECT_EQ(seen.title, QStringLiteral("Veska - Programa de Consulta preço"));
    EXPECT_EQ(seen.text, QStringLiteral("File not found."));
    EXPECT_EQ(seen.icon, QMessageBox::Critical);
    EXPECT_EQ(seen.buttons, 1);
}

TEST_F(RealMessageBoxes, TheNoticeHasNoIcon) {
    const Seen seen =
        show([](auto& boxes) { boxes.showNotice(QStringLiteral("Selecione um Terminal")); });
    EXPECT_EQ(seen.title, QStringLiteral("Veska - Programa de Consulta preço"));
    EXPECT_EQ(seen.text, QStringLiteral("Selecione um Terminal"));
    EXPECT_EQ(seen.icon, QMessageBox::NoIcon);
    EXPECT_EQ(seen.buttons, 1);
}

int main(int argc, char** argv) {
    const QByteArray display = qgetenv("VESKA_TEST_DISPLAY");
    if (!display.isEmpty()) {
        qputenv("DISPLAY", display);
        qputenv("QT_QPA_PLATFORM", "xcb");
    } else {
        qputenv("QT_QPA_PLATFORM", "offscreen");
    }
    QApplication app(argc, argv);
    ::testing::InitGoogleTest(&argc, argv);
    return RUN_ALL_TESTS();
}
