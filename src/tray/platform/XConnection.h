#pragma once
// Qt's connection to the X server, for the few requests Qt has no API for; nullptr when the
// program does not run on X.

#include <xcb/xcb.h>

namespace veska::platform {

xcb_connection_t* XConnection();

} // namespace veska::platform
