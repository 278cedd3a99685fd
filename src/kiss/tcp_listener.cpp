#include "kiss/tcp_listener.h"

#include <netdb.h>
#include <sys/socket.h>
#include <unistd.h>

#include <array>

namespace korvale {

std::string PeerText(const sockaddr_storage& address, socklen_t length) {
    std::array<char, NI_MAXHOST> host{};
    std::array<char, NI_MAXSERV> port{};
    if (::getnameinfo(reinterpret_cast<const sockaddr*>(&address), length, host.data(), host.size(),
                      port.data(), port.size(), NI_NUMERICHOST | NI_NUMERICSERV) != 0) {
        return "?";
    }
    std::string name = host.data();
    constexpr std::string_view kMappedIpv4 = "::ffff:";
    if (name.starts_with(kMappedIpv4) && name.find('.') != std::string::npos) {
        name.erase(0, kMappedIpv4.size());  // an IPv4 client of a listener on [::]
    } else if (name.find(':') != std::string::npos) {
        name = "[" + name + "]";
    }
    return name + ":" + port.data();
}

int OpenTcpListener(const TncAddress& address, int backlog) {
    addrinfo hints{};
    hints.ai_family = AF_UNSPEC;
    hints.ai_socktype = SOCK_STREAM;
    hints.ai_flags = AI_PASSIVE | AI_NUMERICSERV;
    addrinfo* found = nullptr;
    const std::string port = std::to_string(address.port);
    if (::getaddrinfo(address.host.c_str(), port.c_str(), &hints, &found) != 0) {
        return -1;
    }
    int listener = -1;
    for (const addrinfo* at = found; at != nullptr && listener < 0; at = at->ai_next) {
        const int fd = ::socket(at->ai_family, at->ai_socktype | SOCK_NONBLOCK | SOCK_CLOEXEC,
                                at->ai_protocol);
        if (fd < 0) {
            continue;
        }
        const int on = 1;
        ::setsockopt(fd, SOL_SOCKET, SO_REUSEADDR, &on, sizeof on);
        if (::bind(fd, at->ai_addr, at->ai_addrlen) == 0 && ::listen(fd, backlog) == 0) {
            listener = fd;
        } else {
            ::close(fd);
        }
    }
    ::freeaddrinfo(found);
    return listener;
}

}  // namespace korvale
