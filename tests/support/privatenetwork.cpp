#include "privatenetwork.h"

#include <cerrno>
#include <cstdio>
#include <cstdlib>
#include <cstring>
#include <net/if.h>
#include <sched.h>
#include <sys/ioctl.h>
#include <sys/socket.h>
#include <unistd.h>

void enterPrivateNetworkNamespace()
{
    if (unshare(CLONE_NEWNET) != 0) {
        std::fprintf(stderr, "cannot create a private network namespace (run as root): %s\n", std::strerror(errno));
        std::exit(2);
    }
    const int sock = socket(AF_INET, SOCK_DGRAM, 0);
    ifreq request{};
    std::strncpy(request.ifr_name, "lo", IFNAMSIZ - 1);
    if (sock < 0 || ioctl(sock, SIOCGIFFLAGS, &request) != 0) {
        std::fprintf(stderr, "cannot read the loopback interface: %s\n", std::strerror(errno));
        std::exit(2);
    }
    request.ifr_flags |= IFF_UP | IFF_RUNNING;
    if (ioctl(sock, SIOCSIFFLAGS, &request) != 0) {
        std::fprintf(stderr, "cannot bring the loopback interface up: %s\n", std::strerror(errno));
        std::exit(2);
    }
    close(sock);
}
