#pragma once
// Where an article stands in the whole product list ("... order by codigo"), estimated, so
// that a scroll bar can span the list and not only the rows held in memory. The codes of
// the list are read once in the background, on an attachment of its own: one code in every
// step rows is kept (at most maxSamples of them), and the number of articles. Nothing of it
// runs on the caller's thread; a reading in progress is broken off when the object goes.

#include "catalogue/connection/firebird/FbAttachment.h"

#include <QElapsedTimer>
#include <QObject>
#include <QString>
#include <atomic>
#include <chrono>
#include <cstdint>
#include <functional>
#include <memory>
#include <mutex>
#include <thread>
#include <vector>

namespace veska::catalogue {

class ListPositions : public QObject {
    Q_OBJECT

public:
    static constexpr std::size_t maxSamples = 2048;

    // Where a new attachment comes from: the connection's parameters, read when a reading
    // starts (a failure there is no estimate, as any other).
    using Parameters = std::function<firebird::AttachParameters()>;

    explicit ListPositions(Parameters parameters, QObject* parent = nullptr);
    ~ListPositions() override;
    ListPositions(const ListPositions&) = delete;
    ListPositions& operator=(const ListPositions&) = delete;

    // Starts reading the codes of the table produtos in the order of codigo, unless a
    // reading is in progress or the last one started less than maxAge ago.
    void read(std::chrono::milliseconds maxAge = std::chrono::minutes(10));
    bool reading() const { return reading_; }

    // What the last finished reading found; 0 articles before the first.
    std::int64_t count() const { return count_; }
    // The code kept for the position (0 to count - 1): the one at it or shortly before it.
    QString codeAt(std::int64_t position) const;
    // The position of the last kept code that does not come after this one.
    std::int64_t positionOf(const QString& code) const;

Q_SIGNALS:
    // A reading finished: the count and the codes are new.
    void updated();

private:
    struct Samples {
        std::vector<QString> codes; // codes[i] stands at position i * step
        std::int64_t step = 1;
        std::int64_t count = 0;
    };
    void readAll(firebird::AttachParameters parameters);
    void finish(Samples samples);

    Parameters parameters_;
    QElapsedTimer lastRead_;
    std::thread worker_;
    std::atomic<bool> stop_{false};
    bool reading_ = false;
    // The worker's attachment, so that the destructor can break a call that waits.
    std::mutex attachmentMutex_;
    firebird::Attachment* attachment_ = nullptr;
    std::vector<QString> codes_;
    std::int64_t step_ = 1;
    std::int64_t count_ = 0;
};

} // namespace veska::catalogue
