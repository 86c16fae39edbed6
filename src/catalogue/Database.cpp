#include "catalogue/Database.h"

#include "catalogue/EmbeddedEngine.h"
#include "catalogue/Query.h"
#include "catalogue/firebird/FbAttachment.h"
#include "core/Errors.h"

#include <QFile>
#include <algorithm>

namespace veska::catalogue {
namespace {

const QString kUser = QStringLiteral("ROOT");
const QString kPassword = QStringLiteral("480317");

} // namespace

Database::Database(ConnectionProfiles profiles) : profiles_(std::move(profiles)) {
    prepareEmbeddedEngine();
}

Database::~Database() {
    closeQueries();
    for (Query* query : queries_)
        query->database_ = nullptr;
}

QStringList Database::params() const {
    return {QStringLiteral("USER NAME=") + kUser, QStringLiteral("PASSWORD=") + kPassword};
}

void Database::setAlias(const QString& alias) {
    if (isConnected())
        throw DatabaseError(
            QStringLiteral("%1: Cannot perform this operation on an open database").arg(name()));
    alias_ = alias;
}

void Database::connect() {
    if (isConnected())
        return;
    const ConnectionTarget target = profiles_.resolve(alias_);
    firebird::AttachParameters parameters;
    // Paths travel in the file system's encoding; the rest is plain ASCII in practice.
    parameters.database = QFile::encodeName(target.database);
    parameters.user = target.user.value_or(kUser).toUtf8();
    parameters.password = target.password.value_or(kPassword).toUtf8();
    parameters.charset = target.charset.toLatin1();
    attachment_ = std::make_unique<firebird::Attachment>(firebird::Attachment::attach(parameters));
}

bool Database::isConnected() const {
    return attachment_ != nullptr;
}

void Database::disconnect() {
    closeQueries();
    attachment_.reset();
}

firebird::Attachment& Database::attachment() {
    connect();
    return *attachment_;
}

void Database::connectionLost() {
    disconnect();
}

void Database::registerQuery(Query* query) {
    queries_.push_back(query);
}

void Database::unregisterQuery(Query* query) {
    queries_.erase(std::remove(queries_.begin(), queries_.end(), query), queries_.end());
}

void Database::closeQueries() {
    const std::vector<Query*> queries = queries_;
    for (Query* query : queries)
        query->close();
}

} // namespace veska::catalogue
