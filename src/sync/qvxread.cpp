#include "sync/qvxread.h"

#include <QTcpSocket>
#include <algorithm>
#include <cstdio>

qint64 qvxread(QTcpSocket *socket, std::string &buffer, qint64 count)
{
    for (int waitsLeft = 3; socket->bytesAvailable() < count && waitsLeft > 0; --waitsLeft) {
        socket->waitForReadyRead(1000);
        std::fprintf(stderr, "blocked: %lld\n", static_cast<long long>(socket->bytesAvailable()));
    }
    buffer.resize(static_cast<size_t>(std::min(count, socket->bytesAvailable())));
    // Reading nothing from a connection that has gone is the error QIODevice
    // would report, without its warning.
    if (buffer.empty())
        return count == 0 || socket->isReadable() ? 0 : -1;
    const qint64 got = socket->read(buffer.data(), static_cast<qint64>(buffer.size()));
    buffer.resize(got < 0 ? 0 : static_cast<size_t>(got));
    return got;
}
