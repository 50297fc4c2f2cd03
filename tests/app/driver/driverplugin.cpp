// Drives the real executable from inside, for tests that start it: loaded as
// a Qt generic plugin (QT_QPA_GENERIC_PLUGINS=velmoradriver), it invokes the
// window's command slots named in VELMORA_DRIVE (comma-separated, once the
// window shows) and answers message boxes with VELMORA_DRIVE_ANSWER ("Yes" or
// "No"; unanswered when unset). It prints every message box it sees to
// standard error as "driver saw: <text>".
#include <QAbstractButton>
#include <QApplication>
#include <QGenericPlugin>
#include <QMainWindow>
#include <QMessageBox>
#include <QTimer>
#include <cstdio>

namespace {

class Driver : public QObject
{
public:
    Driver()
    {
        commands = qEnvironmentVariable("VELMORA_DRIVE").split(QLatin1Char(','), Qt::SkipEmptyParts);
        answer = qEnvironmentVariable("VELMORA_DRIVE_ANSWER");
        connect(&timer, &QTimer::timeout, this, &Driver::poll);
        timer.start(50);
    }

private:
    void poll()
    {
        if (auto *box = qobject_cast<QMessageBox *>(QApplication::activeModalWidget())) {
            if (box != seen) {
                seen = box;
                std::fprintf(stderr, "driver saw: %s\n", qPrintable(box->text()));
                std::fflush(stderr);
            }
            if (!answer.isEmpty()) {
                const auto button = answer == QLatin1String("Yes") ? QMessageBox::Yes : QMessageBox::No;
                if (QAbstractButton *b = box->button(button))
                    b->click();
            }
            return;
        }
        if (commands.isEmpty())
            return;
        for (QWidget *widget : QApplication::topLevelWidgets()) {
            if (qobject_cast<QMainWindow *>(widget) && widget->isVisible()) {
                for (const QString &command : std::as_const(commands))
                    QMetaObject::invokeMethod(widget, command.toLatin1().constData(), Qt::QueuedConnection);
                commands.clear();
            }
        }
    }

    QTimer timer;
    QStringList commands;
    QString answer;
    QMessageBox *seen = nullptr;
};

} // namespace

class DriverPlugin : public QGenericPlugin
{
    Q_OBJECT
    Q_PLUGIN_METADATA(IID QGenericPluginFactoryInterface_iid FILE "driverplugin.json")

public:
    QObject *create(const QString &, const QString &) override { return new Driver; }
};

#include "driverplugin.moc"
