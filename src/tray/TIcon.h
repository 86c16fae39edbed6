#pragma once
// An icon picture with a platform handle (the 4-byte hIcon of the notification record) and
// a change notice that runs whenever the picture changes.

#include <QIcon>
#include <cstdint>
#include <functional>

namespace veska {

class TIcon {
public:
    TIcon() = default;
    ~TIcon();
    TIcon(const TIcon&) = delete;
    TIcon& operator=(const TIcon&) = delete;

    // Copies the picture (not the change notice) and announces the change.
    void Assign(const QIcon& picture);
    void Assign(const TIcon& source) { Assign(source.FPicture); }
    const QIcon& Picture() const { return FPicture; }
    bool Empty() const { return FPicture.isNull(); }

    // The platform handle of the picture; 0 while it is empty.
    uint32_t Handle();

    std::function<void()> OnChange;
    // While false, changes are not announced.
    bool NotifyChanges = true;

private:
    void releaseHandle();

    QIcon FPicture;
    uint32_t FHandle = 0;
};

} // namespace veska
