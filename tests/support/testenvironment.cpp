#include "testenvironment.h"
#include "privatenetwork.h"

#include <QCoreApplication>
#include <QDir>
#include <cstdlib>
#include <stdlib.h>

void prepareTestEnvironment()
{
    if (!qEnvironmentVariableIsSet("QT_QPA_PLATFORM"))
        qputenv("QT_QPA_PLATFORM", "offscreen");
    char home[] = "/tmp/velmora-test-home-XXXXXX";
    if (!mkdtemp(home))
        std::abort();
    qputenv("HOME", home);
    qputenv("XDG_CONFIG_HOME", QByteArray(home) + "/.config");
    qputenv("XDG_STATE_HOME", QByteArray(home) + "/.local/state");
    QCoreApplication::setAttribute(Qt::AA_DontUseNativeDialogs);
    static const QByteArray homePath(home);
    std::atexit([] { QDir(QString::fromLocal8Bit(homePath)).removeRecursively(); });
}

void nameTestApplication()
{
    QCoreApplication::setOrganizationName(QStringLiteral("Harrowfen"));
    QCoreApplication::setApplicationName(QStringLiteral("VelmoraSync"));
}
