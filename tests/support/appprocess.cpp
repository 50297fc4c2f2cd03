#include "appprocess.h"

#include <QDir>
#include <QTest>

void startApp(QProcess &app, const QString &home, const QStringList &args, const QProcessEnvironment &extra)
{
    QProcessEnvironment env = QProcessEnvironment::systemEnvironment();
    env.insert(extra);
    env.insert("HOME", home);
    env.insert("XDG_CONFIG_HOME", QDir(home).filePath(".config"));
    env.insert("XDG_STATE_HOME", QDir(home).filePath(".local/state"));
    env.insert("QT_QPA_PLATFORM", "offscreen");
    app.setProcessEnvironment(env);
    app.start(qEnvironmentVariable("VELMORA_BIN") + QStringLiteral("/VelmoraSync"), args);
    QVERIFY(app.waitForStarted(5000));
}

void stopApp(QProcess &app)
{
    app.terminate();
    if (!app.waitForFinished(10000))
        app.kill();
    QCOMPARE(app.exitStatus(), QProcess::NormalExit);
    QCOMPARE(app.exitCode(), 0);
}
