#pragma once

#include <QList>
#include <QMessageBox>
#include <QObject>
#include <QPointer>
#include <QString>
#include <QTimer>

// Answers the modal dialogs that the code under test opens, in the order they
// open, so tests drive the real slots through their real questions. Each
// answer is queued beforehand; every dialog that was answered is recorded.
class DialogAnswerer : public QObject
{
    Q_OBJECT

public:
    struct Seen
    {
        QString kind; // "QMessageBox" or "QFileDialog"
        QString title;
        QString text;
        // A file dialog's file as it opened: the name it proposed.
        QString fileName;
    };

    DialogAnswerer();

    // The next message box is answered with this button.
    DialogAnswerer &messageBox(QMessageBox::StandardButton button);
    // The next file dialog is accepted with this file, or cancelled when empty.
    DialogAnswerer &fileDialog(const QString &fileName);

    int pending() const { return answers.size(); }
    QList<Seen> seen;

private:
    struct Answer
    {
        bool isFileDialog;
        QMessageBox::StandardButton button;
        QString fileName;
    };
    void poll();

    QList<Answer> answers;
    QTimer timer;
    // A file dialog accepted but not yet closed: it may still ask a question
    // of its own (replace an existing file?), which the next answer is for.
    QPointer<QWidget> accepted;
};
