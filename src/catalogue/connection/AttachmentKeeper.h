#pragma once
// Something that keeps an attachment of the connection from one use to the next (prepared
// statements, a transaction, an open cursor), listed with its Database for its lifetime.

#include <algorithm>
#include <memory>
#include <vector>

namespace veska::catalogue {

class AttachmentKeeper {
public:
    // The database file was replaced on disk: let go of everything of the old attachment.
    // The engine gives a new attachment of a file it still has open to the old file, so the
    // new file is attached only once nothing keeps the old one.
    virtual void dropAttachment() noexcept = 0;

protected:
    AttachmentKeeper() = default;
    AttachmentKeeper(const AttachmentKeeper&) = default;
    AttachmentKeeper& operator=(const AttachmentKeeper&) = default;
    ~AttachmentKeeper() = default;
};

// A keeper's entry in its Database's list, taken out when the entry ends: safe whichever of
// the keeper and the Database goes first (the window's datasets outlive its Database).
class KeeperEntry {
public:
    using List = std::vector<AttachmentKeeper*>;

    KeeperEntry(std::shared_ptr<List> list, AttachmentKeeper& keeper)
        : list_(std::move(list)), keeper_(&keeper) {
        list_->push_back(keeper_);
    }
    ~KeeperEntry() { std::erase(*list_, keeper_); }
    KeeperEntry(const KeeperEntry&) = delete;
    KeeperEntry& operator=(const KeeperEntry&) = delete;

private:
    std::shared_ptr<List> list_;
    AttachmentKeeper* keeper_;
};

} // namespace veska::catalogue
