#pragma once

#include "sync/wirecodec.h"

#include <QByteArray>
#include <QList>
#include <QPair>

// Messages as a phone sends them and replies as the desktop sends them.
namespace phonebytes {

inline QByteArray bytes(const std::string &data)
{
    return QByteArray(data.data(), static_cast<qsizetype>(data.size()));
}

inline QByteArray command(int32_t code)
{
    std::string out;
    wire::appendInt32(out, code);
    return bytes(out);
}

inline QByteArray song(const char *id, const char *userChanged, const char *bpm, const char *onDevice,
                       const char *title = "Song")
{
    return bytes(wire::encodeMusicPass(
        {id, userChanged, title, "Album", "Artist", "Album Artist", "Genre", "Composer", bpm, onDevice}));
}

inline QByteArray wantBpms() { return command(wire::CMD_WANTBPMS); }

inline QByteArray reply(const QList<QPair<qint64, int>> &records)
{
    QByteArray out;
    for (const auto &record : records)
        out += bytes(wire::encodeBpmRecord(record.first, record.second));
    return out + bytes(wire::encodeDone());
}

} // namespace phonebytes
