#include "tray/TIcon.h"

#include "tray/platform/IconRegistry.h"

namespace veska {

TIcon::~TIcon() {
    releaseHandle();
}

void TIcon::Assign(const QIcon& picture) {
    releaseHandle();
    FPicture = picture;
    if (NotifyChanges && OnChange)
        OnChange();
}

uint32_t TIcon::Handle() {
    if (FHandle == 0)
        FHandle = platform::RegisterIcon(FPicture);
    return FHandle;
}

void TIcon::releaseHandle() {
    platform::ReleaseIcon(FHandle);
    FHandle = 0;
}

} // namespace veska
