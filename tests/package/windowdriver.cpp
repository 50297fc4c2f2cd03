// Loaded into an unchanged VelmoraSync as a Qt generic plugin
// (QT_QPA_GENERIC_PLUGINS=velmorabeatfinddriver), this drives its window as a
// person would: From iTunes, select every song, BeatFind, answer Yes;
// once the run has completed, print each song's BPM and close the window
// without saving. So a test can run
// an installed program end to end without any hook in the program itself.

#include <QAction>
#include <QApplication>
#include <QElapsedTimer>
#include <QGenericPlugin>
#include <QMainWindow>
#include <QMessageBox>
#include <QPushButton>
#include <QStatusBar>
#include <QTableView>
#include <QTimer>
#include <cstdio>
#include <cstdlib>

namespace {

constexpr int tickMs = 50;
constexpr int giveUpMs = 120000;

QMainWindow *mainWindow()
{
    for (QWidget *widget : QApplication::topLevelWidgets()) {
        if (auto *window = qobject_cast<QMainWindow *>(widget); window && window->isVisible())
            return window;
    }
    return nullptr;
}

int columnNamed(const QAbstractItemModel *model, const QString &header)
{
    for (int column = 0; column < model->columnCount(); ++column) {
        if (model->headerData(column, Qt::Horizontal).toString() == header)
            return column;
    }
    return -1;
}

// A command may open a modal dialog, which must not block the driver's tick.
void triggerLater(QMainWindow *window, const char *actionName)
{
    QMetaObject::invokeMethod(window->findChild<QAction *>(QLatin1String(actionName)), "trigger", Qt::QueuedConnection);
}

class WindowDriver : public QObject
{
    Q_OBJECT

public:
    explicit WindowDriver(QObject *parent) : QObject(parent)
    {
        connect(&timer, &QTimer::timeout, this, &WindowDriver::tick);
        timer.start(tickMs);
        clock.start();
    }

private slots:
    void importDone() { imported = true; }

    void tick()
    {
        if (clock.elapsed() > giveUpMs) {
            // Whatever dialog holds the program, the test hears of it at once.
            std::printf("driver: gave up at step %d\n", int(step));
            std::fflush(stdout);
            std::_Exit(3);
        }
        QMainWindow *window = mainWindow();
        if (!window)
            return;
        switch (step) {
        case Import:
            connect(window, SIGNAL(loadItunesDone()), this, SLOT(importDone()));
            triggerLater(window, "actionFrom_iTunes");
            step = AwaitImport;
            break;
        case AwaitImport:
            if (imported) {
                window->findChild<QTableView *>()->selectAll();
                triggerLater(window, "actionBeatFind");
                step = AnswerWarning;
            }
            break;
        case AnswerWarning:
            if (auto *box = qobject_cast<QMessageBox *>(QApplication::activeModalWidget())) {
                box->button(QMessageBox::Yes)->click();
                step = AwaitRun;
            }
            break;
        case AwaitRun:
            if (window->statusBar()->currentMessage() == QStringLiteral("beatfind has completed")) {
                printBpms(window->findChild<QTableView *>()->model());
                QMetaObject::invokeMethod(window, "close", Qt::QueuedConnection);
                step = DeclineSaving;
            }
            break;
        case DeclineSaving:
            if (auto *box = qobject_cast<QMessageBox *>(QApplication::activeModalWidget()))
                box->button(QMessageBox::No)->click();
            break;
        }
    }

private:
    static void printBpms(const QAbstractItemModel *model)
    {
        const int title = columnNamed(model, QStringLiteral("Title"));
        const int bpm = columnNamed(model, QStringLiteral("BPM"));
        for (int row = 0; row < model->rowCount(); ++row)
            std::printf("driver: %s\t%s\n", qPrintable(model->index(row, title).data().toString()),
                        qPrintable(model->index(row, bpm).data().toString()));
        std::fflush(stdout);
    }

    enum Step { Import, AwaitImport, AnswerWarning, AwaitRun, DeclineSaving } step = Import;
    bool imported = false;
    QTimer timer;
    QElapsedTimer clock;
};

} // namespace

class BeatFindDriverPlugin : public QGenericPlugin
{
    Q_OBJECT
    Q_PLUGIN_METADATA(IID QGenericPluginFactoryInterface_iid FILE "windowdriver.json")

public:
    // Qt owns and deletes what a generic plugin creates.
    QObject *create(const QString &, const QString &) override { return new WindowDriver(nullptr); }
};

#include "windowdriver.moc"
