#pragma once
// The connected-terminal list ListTerms: rebuilt every 3 seconds from the library's
// connection table, one entry "dotted:socket" per occupied slot in slot order. The
// operator's pick is kept as a socket number and selected again after each rebuild.

#include "terminal/TTabSock.h"
#include "terminal/TermServerApi.h"
#include "terminal/TerminalViews.h"

#include <cstdint>

namespace veska::terminal {

class TerminalTable {
public:
    TerminalTable(const TermServerApi& api, TerminalListView& list);

    // Timer3SegTimer: fetch the table, rebuild the list, select the picked terminal again
    // (its first entry in slot order); when it has gone, select none and forget the pick (0).
    void refresh();

    // ListTermsClick: the picked terminal is the socket of the slot behind the selected
    // entry. A click that leaves no entry selected keeps the earlier pick.
    void pick();

    // SelectedSocket: 0 at first; window creation sets -1 (nothing picked yet).
    std::int32_t selectedSocket() const { return selectedSocket_; }
    void setSelectedSocket(std::int32_t socket) { selectedSocket_ = socket; }

    // TabTerms: the table of the last refresh, all zero before the first.
    const TTABSOCK& tabTerms() const { return tabTerms_; }

private:
    // How many slots of the last table are examined: NumSockConec within 0..1024.
    int examinedSlots() const;

    const TermServerApi& api_;
    TerminalListView& list_;
    TTABSOCK tabTerms_{};
    std::int32_t selectedSocket_ = 0;
};

} // namespace veska::terminal
