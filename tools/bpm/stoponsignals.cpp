#include "stoponsignals.h"

#include <QCoreApplication>
#include <QSocketNotifier>
#include <atomic>
#include <cerrno>
#include <chrono>
#include <csignal>
#include <cstdio>
#include <cstdlib>
#include <cstring>
#include <dirent.h>
#include <fcntl.h>
#include <string>
#include <thread>
#include <unistd.h>
#include <vector>

namespace {

// One pipe wakes the event loop, the other the watchdog thread.
int loopPipe[2] = {-1, -1};
int watchdogPipe[2] = {-1, -1};
const char *stopMessage = "";
std::atomic_bool told{false};
// Set while the event loop runs stop(): the main thread is not stuck then,
// only slow (a loaded machine), and its own stop removes what the children
// leave, which the watchdog's cannot.
std::atomic_bool stopping{false};
// How long a stop under way may take beyond the grace time.
constexpr int stopUnderWayGraceFactor = 3;

// Only async-signal-safe work here.
void onStopSignal(int signalNumber)
{
    const char byte = char(signalNumber);
    [[maybe_unused]] ssize_t written = ::write(loopPipe[1], &byte, 1);
    written = ::write(watchdogPipe[1], &byte, 1);
}

void tellOnce()
{
    if (!told.exchange(true)) {
        [[maybe_unused]] const ssize_t written = ::write(STDERR_FILENO, stopMessage, std::strlen(stopMessage));
    }
}

// The processes whose parent is this one, from their /proc entries: the
// watchdog cannot ask the stuck main thread which children it started.
std::vector<pid_t> childProcesses()
{
    std::vector<pid_t> children;
    DIR *processes = ::opendir("/proc");
    if (!processes)
        return children;
    const pid_t self = ::getpid();
    while (const dirent *entry = ::readdir(processes)) {
        const pid_t pid = pid_t(std::atoi(entry->d_name));
        if (pid <= 0)
            continue;
        const int fd = ::open(("/proc/" + std::string(entry->d_name) + "/stat").c_str(), O_RDONLY | O_CLOEXEC);
        if (fd < 0)
            continue;
        char stat[512];
        const ssize_t size = ::read(fd, stat, sizeof stat - 1);
        ::close(fd);
        if (size <= 0)
            continue;
        stat[size] = '\0';
        // "pid (name) state ppid ...": the name may hold spaces and parentheses.
        const char *nameEnd = std::strrchr(stat, ')');
        int parent = 0;
        if (nameEnd && std::sscanf(nameEnd + 1, " %*c %d", &parent) == 1 && parent == self)
            children.push_back(pid);
    }
    ::closedir(processes);
    return children;
}

void stopChildren()
{
    const std::vector<pid_t> children = childProcesses();
    // A converter asked to stop removes its half-written file first.
    for (const pid_t child : children)
        ::kill(child, SIGTERM);
    std::this_thread::sleep_for(std::chrono::milliseconds(300));
    for (const pid_t child : children)
        ::kill(child, SIGKILL);
}

void watch(int graceMs)
{
    sigset_t all;
    sigfillset(&all);
    pthread_sigmask(SIG_BLOCK, &all, nullptr);
    char signalNumber = 0;
    while (::read(watchdogPipe[0], &signalNumber, 1) < 0 && errno == EINTR) {
    }
    std::this_thread::sleep_for(std::chrono::milliseconds(graceMs));
    for (int waited = 0; stopping && waited < stopUnderWayGraceFactor * graceMs; waited += 50)
        std::this_thread::sleep_for(std::chrono::milliseconds(50));
    stopChildren();
    tellOnce();
    ::_exit(128 + signalNumber);
}

} // namespace

void stopOnSignals(const std::function<void()> &stop, const char *message, int graceMs)
{
    if (::pipe2(loopPipe, O_CLOEXEC) != 0 || ::pipe2(watchdogPipe, O_CLOEXEC) != 0)
        return;
    stopMessage = message;
    auto *notifier = new QSocketNotifier(loopPipe[0], QSocketNotifier::Read, QCoreApplication::instance());
    QObject::connect(notifier, &QSocketNotifier::activated, notifier, [notifier, stop] {
        char signalNumber = 0;
        [[maybe_unused]] const ssize_t got = ::read(loopPipe[0], &signalNumber, 1);
        notifier->setEnabled(false);
        stopping = true;
        stop();
        stopping = false;
        tellOnce();
        QCoreApplication::exit(128 + signalNumber);
    });
    std::thread(watch, graceMs).detach();
    struct sigaction action = {};
    action.sa_handler = onStopSignal;
    sigemptyset(&action.sa_mask);
    action.sa_flags = SA_RESTART;
    for (const int signalNumber : {SIGINT, SIGTERM, SIGHUP})
        ::sigaction(signalNumber, &action, nullptr);
}
