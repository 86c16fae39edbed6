#include "catalogue/products/ListPositions.h"

#include "catalogue/connection/firebird/FbPreparedStatement.h"
#include "catalogue/connection/firebird/FbTransaction.h"
#include "core/Errors.h"

#include <QMetaObject>
#include <algorithm>

namespace veska::catalogue {

ListPositions::ListPositions(Parameters parameters, QObject* parent)
    : QObject(parent), parameters_(std::move(parameters)) {}

ListPositions::~ListPositions() {
    stop_ = true;
    {
        std::lock_guard lock(attachmentMutex_);
        if (attachment_ != nullptr)
            attachment_->abort();
    }
    if (worker_.joinable())
        worker_.join();
}

void ListPositions::read(std::chrono::milliseconds maxAge) {
    if (reading_ || (lastRead_.isValid() && !lastRead_.hasExpired(maxAge.count())))
        return;
    lastRead_.start();
    firebird::AttachParameters parameters;
    try {
        parameters = parameters_();
    } catch (const Error&) {
        return; // no connection profile: nothing to estimate with
    }
    if (worker_.joinable())
        worker_.join(); // the last reading has finished: its result was delivered
    reading_ = true;
    worker_ = std::thread([this, parameters] { readAll(parameters); });
}

void ListPositions::readAll(firebird::AttachParameters parameters) {
    Samples samples;
    try {
        firebird::Attachment attachment = firebird::Attachment::attach(parameters);
        {
            std::lock_guard lock(attachmentMutex_);
            attachment_ = &attachment;
        }
        struct Forget {
            ListPositions& owner;
            ~Forget() {
                std::lock_guard lock(owner.attachmentMutex_);
                owner.attachment_ = nullptr;
            }
        } forget{*this};
        if (stop_)
            return;
        firebird::Transaction transaction(attachment,
                                          firebird::Transaction::Kind::ReadCommittedReadOnly);
        firebird::PreparedStatement codes(attachment, transaction,
                                          "select codigo from produtos order by codigo");
        codes.execute(transaction);
        while (!stop_ && codes.fetch()) {
            if (samples.count % samples.step == 0) {
                samples.codes.push_back(codes.value(0).toString());
                if (samples.codes.size() > maxSamples) {
                    // Every other one: the kept codes stand twice as far apart.
                    std::size_t kept = 0;
                    for (std::size_t i = 0; i < samples.codes.size(); i += 2)
                        samples.codes[kept++] = std::move(samples.codes[i]);
                    samples.codes.resize(kept);
                    samples.step *= 2;
                }
            }
            ++samples.count;
        }
    } catch (const Error&) {
        // No estimate this time: the scroll bar keeps spanning the rows held.
        samples = Samples{};
    }
    if (stop_)
        return;
    QMetaObject::invokeMethod(
        this, [this, samples = std::move(samples)]() mutable { finish(std::move(samples)); },
        Qt::QueuedConnection);
}

void ListPositions::finish(Samples samples) {
    reading_ = false;
    codes_ = std::move(samples.codes);
    step_ = samples.step;
    count_ = samples.count;
    Q_EMIT updated();
}

QString ListPositions::codeAt(std::int64_t position) const {
    if (codes_.empty())
        return {};
    const auto index =
        std::clamp<std::int64_t>(position / step_, 0, static_cast<std::int64_t>(codes_.size()) - 1);
    return codes_[static_cast<std::size_t>(index)];
}

std::int64_t ListPositions::positionOf(const QString& code) const {
    // The kept codes are in the list's order; compared by their characters, which is that
    // order for the usual codes (digits and capitals), and near it for the rest.
    const auto after = std::upper_bound(codes_.begin(), codes_.end(), code,
                                        [](const QString& a, const QString& b) { return a < b; });
    if (after == codes_.begin())
        return 0;
    return static_cast<std::int64_t>(after - codes_.begin() - 1) * step_;
}

} // namespace veska::catalogue
