#pragma once
// Qt's connection to the X server, for the few requests Qt has no API for; nullptr when the
// program does not run on X.

#include <xcb/xcb.h>

namespace veska::platform {

xcb_connection_t* XConnection();

// The atom of a name on the connection; XCB_ATOM_NONE when the server gives none.
xcb_atom_t InternAtom(xcb_connection_t* connection, const char* name);

} // namespace veska::platform
