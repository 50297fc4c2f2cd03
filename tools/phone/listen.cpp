#include "listen.h"
#include "sync/wirecodec.h"

#include <QDeadlineTimer>
#include <QNetworkDatagram>
#include <QNetworkProxy>
#include <QUdpSocket>
#include <cstdio>

namespace {

QByteArray printable(const QByteArray &bytes)
{
    QByteArray text;
    for (const char c : bytes) {
        if (c >= 0x20 && c < 0x7F && c != '\\')
            text.append(c);
        else
            text.append(QByteArray("\\x") + QByteArray::number(static_cast<uchar>(c), 16).rightJustified(2, '0'));
    }
    return text;
}

} // namespace

int listenForDesktop(int timeoutMs)
{
    QUdpSocket socket;
    socket.setProxy(QNetworkProxy::NoProxy);
    if (!socket.bind(QHostAddress::AnyIPv4, wire::syncPort, QUdpSocket::ShareAddress | QUdpSocket::ReuseAddressHint)) {
        std::fprintf(stderr, "velmora-phone: cannot listen on UDP %d: %s\n", wire::syncPort,
                     socket.errorString().toLocal8Bit().constData());
        return 1;
    }
    const QDeadlineTimer deadline(timeoutMs);
    while (!socket.hasPendingDatagrams()) {
        if (deadline.hasExpired()) {
            std::fprintf(stderr, "velmora-phone: no datagram within %d ms\n", timeoutMs);
            return 1;
        }
        socket.waitForReadyRead(static_cast<int>(deadline.remainingTime()));
    }
    const QNetworkDatagram datagram = socket.receiveDatagram();
    std::printf("%s\t%s\n", datagram.senderAddress().toString().toLatin1().constData(),
                printable(datagram.data()).constData());
    return 0;
}
