#include "server/Refusal.h"

#include <sys/socket.h>

namespace termserver {

void sendRefusal(int fd, protocol::Refusal reason) {
    // A new connection's send buffer is empty, so the short frame goes in whole at once.
    const std::string frame = protocol::refusedFrame(reason);
    static_cast<void>(::send(fd, frame.data(), frame.size(), MSG_NOSIGNAL | MSG_DONTWAIT));
    // Closing over unread bytes would reset the connection, and a reset may discard the
    // frame before the terminal reads it; so what arrived already is read and dropped (a
    // few kilobytes at most: a terminal has no reason to say more before the greeting).
    char sink[1024];
    for (int round = 0; round < 4; ++round) {
        if (::recv(fd, sink, sizeof sink, MSG_DONTWAIT) <= 0)
            break;
    }
    ::shutdown(fd, SHUT_RDWR);
}

} // namespace termserver
