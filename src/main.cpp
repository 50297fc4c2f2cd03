#include "library/globals.h"
#include "library/recoverycopy.h"
#include "app/quitonsignal.h"
#include "app/tagdesk.h"
#include "folders/openrequest.h"
#include "sync/broadcastserver.h"

#include <QApplication>
#include <QCommandLineParser>
#include <QIcon>
#include <QSettings>
#include <QTimer>
#include <memory>

namespace {

void nameApplication()
{
    QCoreApplication::setOrganizationName(QStringLiteral("Harrowfen"));
    QCoreApplication::setOrganizationDomain(QStringLiteral("harrowfen.example"));
    QCoreApplication::setApplicationName(QStringLiteral("VelmoraSync"));
    QCoreApplication::setApplicationVersion(QStringLiteral(VELMORA_VERSION));
}

void describeCommandLine(QCommandLineParser &parser)
{
    parser.setApplicationDescription(
        QStringLiteral("Keeps the tempo (BPM) of a music library right and in step with a phone."));
    parser.addHelpOption();
    parser.addVersionOption();
    parser.addPositionalArgument(
        QStringLiteral("files"),
        QStringLiteral("A library file (.tgd) to open, or music folders and audio files to import."),
        QStringLiteral("[files or folders...]"));
}

QStringList argumentList(int argc, char *argv[])
{
    QStringList arguments;
    for (int i = 0; i < argc; ++i)
        arguments << QString::fromLocal8Bit(argv[i]);
    return arguments;
}

} // namespace

int main(int argc, char *argv[])
{
    QCommandLineParser parser;
    describeCommandLine(parser);
    // Help and version are answered without a window, so they work where
    // there is no display (a terminal over ssh, a package build).
    parser.parse(argumentList(argc, argv));
    if (parser.isSet(QStringLiteral("help")) || parser.isSet(QStringLiteral("help-all"))
        || parser.isSet(QStringLiteral("version"))) {
        QCoreApplication textOnly(argc, argv);
        nameApplication();
        parser.process(textOnly);
        return 0;
    }

    QApplication app(argc, argv);
    nameApplication();
    // Lets a desktop match the window to its launcher entry and icon.
    QGuiApplication::setDesktopFileName(QStringLiteral("example.harrowfen.VelmoraSync"));
    QApplication::setWindowIcon(QIcon::fromTheme(QStringLiteral("example.harrowfen.VelmoraSync")));
    parser.process(app);

    auto window = std::make_unique<Tagdesk>();
    window->setWindowTitle(QStringLiteral("VelmoraSync"));
    window->statusbar->showMessage(QStringLiteral("v" VELMORA_VERSION), 0);
    window->convertLabel->hide();
    window->convertCancelButton->hide();

    // A library file on the command line is opened instead of the last one;
    // music folders and audio files there are imported once it is read.
    const OpenRequest request = classifyPaths(QCoreApplication::arguments().mid(1));
    OpenRequest music = request;
    music.libraryFile.clear();
    auto settings = std::make_unique<QSettings>();
    const QVariant lastFile = settings->value(QStringLiteral("lastFile"));
    auto openLastFile = [&window, lastFile, request, music] {
        if (!request.libraryFile.isEmpty())
            window->loadFile(request.libraryFile);
        else if (lastFile.isNull())
            syncEnabled = true;
        else
            window->loadFile(lastFile.toString());
        window->openPaths(music);
    };
    // A recovery copy left by a signal is offered first, in the running event
    // loop (so that another signal ends the question too); otherwise the last
    // file is read as before.
    const bool recoveryPending = !pendingRecoveryCopies().isEmpty();
    if (!recoveryPending)
        openLastFile();
    window->show();

    auto server = std::make_unique<BroadcastServer>();
    quitOnTerminationSignals([&window] { return window->quitOnSignal() ? 0 : 1; });
    if (recoveryPending) {
        QTimer::singleShot(0, window.get(), [&window, openLastFile] {
            if (!window->offerRecoveryCopy())
                openLastFile();
        });
    }
    const int result = app.exec();

    // The session thread is joined before the library goes, and the library's
    // records leave the table (in the window's destructor) while Qt is alive.
    server.reset();
    settings.reset();
    window.reset();
    return result;
}
