#pragma once
// How many connections each address may hold open to the console at once. A connection over
// the cap is closed before anything is read from it, so that one address cannot take every
// worker of the console from the others.

#include <cstddef>
#include <mutex>
#include <string>
#include <unordered_map>

namespace veska::web {

class ConnectionCaps {
public:
    explicit ConnectionCaps(std::size_t perAddress) : perAddress_(perAddress) {}

    // Holds one of the address's places while it lives; admitted() is false when the address
    // had none left.
    class Place {
    public:
        Place(ConnectionCaps& caps, std::string address);
        ~Place();
        Place(const Place&) = delete;
        Place& operator=(const Place&) = delete;
        bool admitted() const { return admitted_; }

    private:
        ConnectionCaps& caps_;
        std::string address_;
        bool admitted_ = false;
    };

private:
    std::size_t perAddress_;
    std::mutex mutex_;
    std::unordered_map<std::string, std::size_t> open_;
};

} // namespace veska::web
