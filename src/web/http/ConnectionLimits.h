#pragma once
// What the console allows each connection, and each address.

#include <chrono>
#include <cstddef>

namespace veska::web {

struct ConnectionLimits {
    std::size_t perAddress = 16;         // a browser opens six to a server, a tab more
    std::size_t workers = 48;            // connections served at once, all addresses together
    std::chrono::seconds requestTime{5}; // for a request to come whole, and for each write
    std::chrono::seconds keepAlive{5};   // for the next request on an open connection
    std::size_t requestsPerConnection = 100;
};

} // namespace veska::web
