#include "dialoganswerer.h"

#include <QAbstractButton>
#include <QApplication>
#include <QFileDialog>

DialogAnswerer::DialogAnswerer()
{
    timer.setInterval(5);
    connect(&timer, &QTimer::timeout, this, &DialogAnswerer::poll);
    timer.start();
}

DialogAnswerer &DialogAnswerer::messageBox(QMessageBox::StandardButton button)
{
    answers.append({false, button, {}});
    return *this;
}

DialogAnswerer &DialogAnswerer::fileDialog(const QString &fileName)
{
    answers.append({true, QMessageBox::NoButton, fileName});
    return *this;
}

void DialogAnswerer::poll()
{
    QWidget *modal = QApplication::activeModalWidget();
    if (!modal || !modal->isVisible() || answers.isEmpty() || modal == accepted)
        return;
    if (auto *box = qobject_cast<QMessageBox *>(modal)) {
        seen.append({QStringLiteral("QMessageBox"), box->windowTitle(), box->text(), QString()});
        const Answer answer = answers.takeFirst();
        if (answer.isFileDialog) {
            qWarning("DialogAnswerer: a message box opened where a file dialog was expected");
            box->reject();
        } else if (QAbstractButton *button = box->button(answer.button)) {
            button->click();
        } else {
            box->done(answer.button);
        }
    } else if (auto *dialog = qobject_cast<QFileDialog *>(modal)) {
        seen.append({QStringLiteral("QFileDialog"), dialog->windowTitle(), dialog->directory().absolutePath(),
                     dialog->selectedFiles().value(0)});
        const Answer answer = answers.takeFirst();
        if (!answer.isFileDialog || answer.fileName.isEmpty()) {
            dialog->reject();
        } else {
            dialog->selectFile(answer.fileName);
            // Queued: the poll must return for this timer to answer a
            // question the dialog asks while it accepts.
            accepted = dialog;
            QMetaObject::invokeMethod(dialog, "accept", Qt::QueuedConnection);
        }
    }
}
