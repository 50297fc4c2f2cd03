#include "scriptedphone.h"

#include <arpa/inet.h>
#include <chrono>
#include <netinet/in.h>
#include <poll.h>
#include <sys/socket.h>
#include <unistd.h>

namespace {

constexpr int readLimitMs = 15000;

} // namespace

ScriptedPhone::~ScriptedPhone() { join(); }

ScriptedPhone &ScriptedPhone::send(const QByteArray &bytes)
{
    steps.append({bytes, 0});
    return *this;
}

ScriptedPhone &ScriptedPhone::pause(int ms)
{
    steps.append({{}, ms});
    return *this;
}

ScriptedPhone &ScriptedPhone::hangUp()
{
    closeAfterScript = true;
    return *this;
}

void ScriptedPhone::start()
{
    thread = std::thread([this] { play(); });
}

void ScriptedPhone::join()
{
    if (thread.joinable())
        thread.join();
}

void ScriptedPhone::play()
{
    const int fd = socket(AF_INET, SOCK_STREAM, 0);
    sockaddr_in desktop{};
    desktop.sin_family = AF_INET;
    desktop.sin_port = htons(4950);
    desktop.sin_addr.s_addr = htonl(INADDR_LOOPBACK);
    connected = fd >= 0 && ::connect(fd, reinterpret_cast<sockaddr *>(&desktop), sizeof desktop) == 0;
    if (connected) {
        for (const Step &step : steps) {
            if (step.pauseMs > 0)
                std::this_thread::sleep_for(std::chrono::milliseconds(step.pauseMs));
            // A desktop that already closed makes the rest of the script moot.
            if (!step.bytes.isEmpty() && ::send(fd, step.bytes.constData(), step.bytes.size(), MSG_NOSIGNAL) < 0)
                break;
        }
        if (closeAfterScript)
            ::shutdown(fd, SHUT_WR);
        const auto deadline = std::chrono::steady_clock::now() + std::chrono::milliseconds(readLimitMs);
        char buffer[4096];
        while (std::chrono::steady_clock::now() < deadline) {
            pollfd readable{fd, POLLIN, 0};
            if (poll(&readable, 1, 100) <= 0)
                continue;
            const ssize_t got = ::recv(fd, buffer, sizeof buffer, 0);
            if (got <= 0) {
                closedByDesktop = true;
                break;
            }
            received.append(buffer, got);
        }
    }
    if (fd >= 0)
        ::close(fd);
    done = true;
}
