#include "library/globals.h"
#include "app/quitonsignal.h"
#include "app/tagdesk.h"
#include "folders/openrequest.h"
#include "sync/broadcastserver.h"

#include <QApplication>
#include <QSettings>
#include <memory>

int main(int argc, char *argv[])
{
    QApplication app(argc, argv);
    QCoreApplication::setOrganizationName(QStringLiteral("Harrowfen"));
    QCoreApplication::setOrganizationDomain(QStringLiteral("harrowfen.example"));
    QCoreApplication::setApplicationName(QStringLiteral("VelmoraSync"));

    auto window = std::make_unique<Tagdesk>();
    window->setWindowTitle(QStringLiteral("VelmoraSync"));
    window->statusbar->showMessage(QStringLiteral("v1.0.0"), 0);
    window->convertLabel->hide();
    window->convertCancelButton->hide();

    // A library file on the command line is opened instead of the last one;
    // music folders and audio files there are imported.
    const OpenRequest request = classifyPaths(QCoreApplication::arguments().mid(1));
    auto settings = std::make_unique<QSettings>();
    const QVariant lastFile = settings->value(QStringLiteral("lastFile"));
    if (request.libraryFile.isEmpty()) {
        if (lastFile.isNull())
            syncEnabled = true;
        else
            window->loadFile(lastFile.toString());
    }
    window->openPaths(request);
    window->show();

    auto server = std::make_unique<BroadcastServer>();
    quitOnTerminationSignals();
    const int result = app.exec();

    // The session thread is joined before the library goes, and the library's
    // records leave the table (in the window's destructor) while Qt is alive.
    server.reset();
    settings.reset();
    window.reset();
    return result;
}
