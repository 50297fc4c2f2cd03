#pragma once

#include <QByteArray>
#include <QString>
#include <QStringList>
#include <vector>

// One thing the phone sends, in the order given on the command line.
struct PhoneStep
{
    enum Kind { Version, Songs, Folder, Raw, Pause } kind;
    int number = 0; // Version: the version; Pause: milliseconds
    QString path; // Songs: the song file; Folder: the music folder
    QByteArray bytes; // Raw
};

// velmora-phone listen [--timeout S]
// velmora-phone sync HOST [--version N] [--songs FILE] [--folder DIR] [--raw HEX] [--pause MS]... [--want]
//                   [--timeout S]
struct PhoneOptions
{
    enum Command { Listen, Sync } command = Listen;
    QString host;
    int timeoutMs = 10000; // listen: for the datagram; sync: for each step
    std::vector<PhoneStep> steps;
    bool wantBpms = false; // always sent last: the desktop closes after its reply
};

bool parsePhoneOptions(const QStringList &arguments, PhoneOptions *options, QString *error);

// Hex digits, blanks allowed between bytes ("02 00 00 00" or "02000000").
bool parseHex(const QString &text, QByteArray *bytes);

extern const char phoneUsage[];
