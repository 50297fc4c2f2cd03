#pragma once

#include <QProcess>
#include <QProcessEnvironment>
#include <QString>
#include <QStringList>

// The real VelmoraSync, as the tests that start it run it: offscreen, with a
// home folder of its own so its settings and state stay inside the test.
// Call from inside the test's private network namespace: the program
// announces itself on the network.
void startApp(QProcess &app, const QString &home, const QStringList &args = {}, const QProcessEnvironment &extra = {});

// SIGTERM ends the program as a normal quit does: exit code 0.
void stopApp(QProcess &app);
