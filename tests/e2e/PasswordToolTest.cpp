// veska-passwd as gerencia.conf's author runs it: the password on standard input, the hash
// on standard output, checked with libsodium as the web console checks a login.

#include "ProgramRun.h"

#include <QProcess>
#include <gtest/gtest.h>
#include <sodium.h>

namespace {

e2e::ToolResult hashOf(const QByteArray& input) {
    QProcess tool;
    tool.start(QStringLiteral(VESKA_PASSWD), {});
    e2e::ToolResult result;
    if (!tool.waitForStarted(5000))
        return result;
    tool.write(input);
    tool.closeWriteChannel();
    if (!tool.waitForFinished(60000))
        return result;
    result.exitCode = tool.exitCode();
    result.out = QString::fromUtf8(tool.readAllStandardOutput());
    result.err = QString::fromUtf8(tool.readAllStandardError());
    return result;
}

TEST(PasswordTool, PrintsAnArgon2idHashThatAcceptsThePasswordOnly) {
    ASSERT_GE(sodium_init(), 0);
    const auto made = hashOf("Caixa 7 ção\r\n");
    ASSERT_EQ(made.exitCode, 0) << made.err.toStdString();
    ASSERT_TRUE(made.out.endsWith(u'\n'));
    const QByteArray hash = made.out.chopped(1).toUtf8();
    EXPECT_TRUE(hash.startsWith("$argon2id$")) << hash.toStdString();
    const QByteArray password = QStringLiteral("Caixa 7 ção").toUtf8();
    EXPECT_EQ(crypto_pwhash_str_verify(hash.constData(), password.constData(),
                                       static_cast<unsigned long long>(password.size())),
              0);
    EXPECT_NE(crypto_pwhash_str_verify(hash.constData(), "Caixa 7", 7), 0);
    // A new salt each time: the same password never gives the same line.
    EXPECT_NE(hashOf("Caixa 7 ção\n").out, made.out);
}

TEST(PasswordTool, RefusesAnEmptyPassword) {
    const auto made = hashOf("\n");
    EXPECT_EQ(made.exitCode, 1);
    EXPECT_TRUE(made.out.isEmpty());
}

} // namespace
