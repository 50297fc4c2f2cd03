#pragma once

#include "sync/broadcastthread.h"

#include <QHostAddress>
#include <QList>
#include <QTcpServer>

class QTimer;
class QUdpSocket;

// Announces the desktop to phones on the LAN once a second while the library
// is ready, and serves one phone connection at a time on TCP port 4950.
class BroadcastServer : public QTcpServer
{
    Q_OBJECT

public:
    explicit BroadcastServer(QObject *parent = nullptr);
    // Ends a running session and joins its thread before the server goes.
    ~BroadcastServer() override;

protected:
    void incomingConnection(qintptr socketDescriptor) override;

private slots:
    void broadcastDatagram();
    void tcpDone();

private:
    BroadcastThread sessionThread;
    QList<QHostAddress> broadcastAddresses;
    QUdpSocket *udpSocket;
    QTimer *broadcastTimer;
    // A session has begun whose end has not been handled yet.
    bool sessionOpen = false;
};
