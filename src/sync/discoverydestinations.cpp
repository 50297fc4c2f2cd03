#include "sync/discoverydestinations.h"

#include <cstdio>

QList<QHostAddress> discoveryDestinations(const QList<QHostAddress> &localAddresses)
{
    QList<QHostAddress> destinations{QHostAddress(QHostAddress::Broadcast), QHostAddress(QHostAddress::AnyIPv4)};
    for (qsizetype i = 0; i < localAddresses.size(); ++i) {
        const QHostAddress &address = localAddresses[i];
        if (address.protocol() != QAbstractSocket::IPv4Protocol || address == QHostAddress(QHostAddress::LocalHost))
            continue;
        QHostAddress broadcast(address);
        broadcast.setAddress((address.toIPv4Address() & 0xFFFFFF00u) | 0xFFu);
        std::printf("Interface%lld:%s modified:%s\n", static_cast<long long>(i),
                    address.toString().toLatin1().constData(), broadcast.toString().toLatin1().constData());
        destinations.append(broadcast);
    }
    std::fflush(stdout);
    return destinations;
}
