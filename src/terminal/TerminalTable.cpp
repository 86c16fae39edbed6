#include "terminal/TerminalTable.h"

#include "terminal/LibraryText.h"

#include <algorithm>

namespace veska::terminal {

TerminalTable::TerminalTable(const TermServerApi& api, TerminalListView& list)
    : api_(api), list_(list) {}

int TerminalTable::examinedSlots() const {
    return std::clamp<int>(tabTerms_.NumSockConec, 0, kTabSockSlots);
}

void TerminalTable::refresh() {
    int positionToSelect = -1;
    // The library fills the whole record; a cleared buffer keeps a short write harmless.
    TTABSOCK fetched{};
    api_.GetTabConectados(&fetched, 1);
    tabTerms_ = fetched;

    list_.clearEntries();
    int entries = 0;
    const int slots = examinedSlots();
    for (int slot = 0; slot < slots; ++slot) {
        if (tabTerms_.TabIP[slot] == 0)
            continue;
        const QString dotted = dottedAddress(api_, tabTerms_.TabIP[slot]);
        const std::uint16_t socket = tabTerms_.TabSock[slot];
        if (socket == selectedSocket_ && positionToSelect == -1)
            positionToSelect = entries;
        list_.appendEntry(terminalName(dotted, socket));
        ++entries;
    }
    list_.selectEntry(positionToSelect);
    if (positionToSelect == -1)
        selectedSocket_ = 0;
}

void TerminalTable::pick() {
    const int wanted = list_.selectedIndex();
    if (wanted < 0)
        return;
    int entry = 0;
    const int slots = examinedSlots();
    for (int slot = 0; slot < slots; ++slot) {
        if (tabTerms_.TabIP[slot] == 0)
            continue;
        if (entry == wanted) {
            selectedSocket_ = tabTerms_.TabSock[slot];
            return;
        }
        ++entry;
    }
}

} // namespace veska::terminal
