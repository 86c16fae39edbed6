#include "catalogue/connection/Database.h"

#include "catalogue/connection/AttachAttempt.h"
#include "catalogue/connection/EmbeddedEngine.h"
#include "core/Errors.h"

#include <QFile>
#include <QFileInfo>

namespace veska::catalogue {
namespace {

const QString kUser = QStringLiteral("ROOT");
const QString kPassword = QStringLiteral("480317");

} // namespace

Database::Database(ConnectionProfiles profiles) : profiles_(std::move(profiles)) {
    prepareEmbeddedEngine();
}

Database::~Database() = default;

QStringList Database::params() const {
    return {QStringLiteral("USER NAME=") + kUser, QStringLiteral("PASSWORD=") + kPassword};
}

void Database::setAlias(const QString& alias) {
    if (isConnected())
        throw DatabaseError(
            QStringLiteral("%1: Cannot perform this operation on an open database").arg(name()));
    alias_ = alias;
}

firebird::AttachParameters Database::attachParameters() const {
    const ConnectionTarget target = profiles_.resolve(alias_);
    firebird::AttachParameters parameters;
    // Paths travel in the file system's encoding; the rest is plain ASCII in practice.
    parameters.database = QFile::encodeName(target.database);
    parameters.user = target.user.value_or(kUser).toUtf8();
    parameters.password = target.password.value_or(kPassword).toUtf8();
    parameters.charset = target.charset.toLatin1();
    if (parameters.charset == "WIN1252") {
        // Read as UTF-8, so that a text column in another character set (UTF8) that holds a
        // character Windows-1252 lacks arrives whole, instead of failing the whole read;
        // Windows-1252 text, and NONE columns that hold it, arrive as they are.
        parameters.charset = "UTF8";
        parameters.noneColumnsInWin1252 = true;
    }
    parameters.connectTimeoutSeconds = connectTimeoutSeconds;
    return parameters;
}

void Database::connect() {
    if (isConnected())
        return;
    const firebird::AttachParameters parameters = attachParameters();
    adopt(std::make_shared<firebird::Attachment>(firebird::Attachment::attach(parameters)));
}

void Database::disconnect() {
    attachment_.reset();
}

void Database::adopt(std::shared_ptr<firebird::Attachment> attachment) {
    attachment_ = std::move(attachment);
    everAttached_ = true;
    attempt_.reset();
    unavailable_.clear();
    notAnswering_ = false;
    // An embedded attachment reads a local file: remember which one, to see it replaced.
    const QString database = profiles_.resolve(alias_).database;
    const bool localFile = database.startsWith(QLatin1Char('/')) && QFileInfo(database).isFile();
    file_ = localFile ? database : QString();
    fileWatch_.watch(file_);
}

std::shared_ptr<firebird::Attachment> Database::attachment() {
    if (engineFailed())
        throw DatabaseUnavailableError(engineFailure_); // no attempt can succeed
    if (attachment_ && fileWatch_.replaced()) {
        notice(QStringLiteral("O arquivo do banco de dados foi substituído (%1); "
                              "conectando ao arquivo novo.")
                   .arg(file_));
        // Broken off first, so that letting go of it writes nothing of the old file's into
        // a file copied over it, as far as the engine allows.
        attachment_->abort();
        attachment_.reset();
        for (AttachmentKeeper* keeper : KeeperEntry::List(*keepers_))
            keeper->dropAttachment();
        connect(); // a local file: the new attachment is made at once
        return attachment_;
    }
    if (attachment_)
        return attachment_;
    if (!everAttached_) {
        connect();
        return attachment_;
    }
    // After a loss a new attempt may take up to a call's time. Once the server is known not
    // to answer, uses fail at once and the attempts go on in the background.
    return reattach(notAnswering_ ? std::chrono::milliseconds(0) : callLimit);
}

std::shared_ptr<firebird::Attachment> Database::reattach(std::chrono::milliseconds wait) {
    if (!attempt_)
        attempt_ = std::make_unique<AttachAttempt>(attachParameters());
    const std::optional<AttachAttempt::Outcome> outcome = attempt_->waitFor(wait);
    if (!outcome) {
        notAnswering_ = true;
        if (unavailable_.isEmpty())
            unavailable_ = QStringLiteral("O banco de dados não responde.");
        throw DatabaseUnavailableError(unavailable_);
    }
    attempt_.reset();
    if (!outcome->attachment) {
        unavailable_ = outcome->error;
        throw DatabaseUnavailableError(unavailable_);
    }
    const bool wasUnavailable = !unavailable_.isEmpty();
    adopt(outcome->attachment);
    if (wasUnavailable)
        notice(QStringLiteral("Conexão com o banco de dados restabelecida."));
    return attachment_;
}

void Database::connectionLost(const std::shared_ptr<firebird::Attachment>& broken) {
    if (attachment_ == broken)
        attachment_.reset();
}

void Database::lost(const std::shared_ptr<firebird::Attachment>& broken,
                    const firebird::ConnectionLostError& error, bool brokenOff) {
    connectionLost(broken);
    if (brokenOff) {
        unavailable_ = QStringLiteral("O banco de dados não respondeu em %1 s.")
                           .arg(std::chrono::duration<double>(callLimit).count());
        notAnswering_ = true;
        throw DatabaseUnavailableError(unavailable_);
    }
    if (dynamic_cast<const firebird::BugcheckError*>(&error) != nullptr && !file_.isEmpty()) {
        // The embedded engine refuses every attachment of this process from now on.
        engineFailure_ =
            QStringLiteral("O banco de dados está danificado (%1). Os terminais recebem "
                           "\"SISTEMA INDISPONIVEL\" até que o arquivo %2 seja restaurado de uma "
                           "cópia de segurança ou reparado com gfix (gfix -v -full, gfix -mend) "
                           "e o programa seja iniciado de novo.")
                .arg(QString(error.text()).replace(QLatin1Char('\n'), QLatin1Char(' ')), file_);
        notice(engineFailure_);
        if (engineFailed_)
            engineFailed_(engineFailure_);
        throw DatabaseUnavailableError(engineFailure_);
    }
    if (dynamic_cast<const firebird::DamagedDatabaseError*>(&error) != nullptr) {
        notice(QStringLiteral("O banco de dados acusou um erro de consistência; a conexão "
                              "será refeita. (%1)")
                   .arg(QString(error.text()).replace(QLatin1Char('\n'), QLatin1Char(' '))));
    }
    throw;
}

void Database::raiseAttachmentDropped() {
    throw firebird::ConnectionLostError(
        QStringLiteral("O arquivo do banco de dados foi substituído."));
}

void Database::notice(const QString& line) const {
    if (notices_)
        notices_(line);
}

} // namespace veska::catalogue
