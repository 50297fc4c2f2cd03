#pragma once

#include <QByteArray>
#include <QList>
#include <atomic>
#include <thread>

// A phone on a thread of its own, for sessions against the real server: the
// test's thread must keep running the event loop, which applies what the
// session reads. Plays its script on 127.0.0.1:4950, then reads until the
// desktop closes the connection (bounded in time).
class ScriptedPhone
{
public:
    ScriptedPhone() = default;
    ~ScriptedPhone();
    ScriptedPhone(const ScriptedPhone &) = delete;
    ScriptedPhone &operator=(const ScriptedPhone &) = delete;

    ScriptedPhone &send(const QByteArray &bytes);
    ScriptedPhone &pause(int ms);
    // Closes the phone's sending side after the script, as a phone that only
    // pushes songs does; otherwise it stays silent until the desktop closes.
    ScriptedPhone &hangUp();

    void start();
    // True once the desktop closed the connection or the time ran out.
    bool finished() const { return done.load(); }
    // After finished(): the bytes the desktop sent, and whether it closed.
    void join();
    QByteArray received;
    bool closedByDesktop = false;
    bool connected = false;

private:
    void play();

    struct Step
    {
        QByteArray bytes;
        int pauseMs;
    };
    QList<Step> steps;
    bool closeAfterScript = false;
    std::thread thread;
    std::atomic<bool> done{false};
};
