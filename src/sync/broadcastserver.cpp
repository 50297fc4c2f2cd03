#include "sync/broadcastserver.h"
#include "library/globals.h"
#include "library/songstore.h"
#include "sync/discoverydestinations.h"
#include "sync/wirecodec.h"

#include <QNetworkInterface>
#include <QNetworkProxy>
#include <QTimer>
#include <QUdpSocket>
#include <cstdio>
#include <unistd.h>

BroadcastServer::BroadcastServer(QObject *parent)
    : QTcpServer(parent), broadcastAddresses(discoveryDestinations(QNetworkInterface::allAddresses()))
{
    broadcastTimer = new QTimer(this);
    udpSocket = new QUdpSocket(this);
    // Phones are on the LAN: no proxy, whatever the system configures.
    setProxy(QNetworkProxy::NoProxy);
    udpSocket->setProxy(QNetworkProxy::NoProxy);
    // Left unbound, Qt 6 opens an IPv6 socket that sends 0.0.0.0 as "::",
    // which no IPv4 receiver gets; port 0 still lets the system pick one.
    udpSocket->bind(QHostAddress::AnyIPv4, 0);
    connect(broadcastTimer, &QTimer::timeout, this, &BroadcastServer::broadcastDatagram);
    broadcastTimer->start(1000);
    listen(QHostAddress::Any, wire::syncPort);
    connect(&sessionThread, &QThread::finished, this, &BroadcastServer::tcpDone);
}

BroadcastServer::~BroadcastServer()
{
    sessionThread.stop();
    if (sessionOpen) {
        SongStore::library().endBulkChange();
        SongStore::library().endStep();
    }
}

void BroadcastServer::broadcastDatagram()
{
    if (!syncEnabled)
        return;
    for (const QHostAddress &destination : broadcastAddresses)
        udpSocket->writeDatagram(wire::discoveryDatagram, wire::discoveryDatagramBytes, destination, wire::syncPort);
}

void BroadcastServer::incomingConnection(qintptr socketDescriptor)
{
    std::puts("incomingConnection");
    std::fflush(stdout);
    if (sessionThread.isRunning()) {
        // Not served while a session runs: closed at once rather than left
        // hanging until the phone gives up.
        ::close(static_cast<int>(socketDescriptor));
        return;
    }
    // The table is put in order once, when the session ends.
    if (!sessionOpen) {
        SongStore::library().beginStep(QStringLiteral("Phone Sync"));
        SongStore::library().beginBulkChange();
        sessionOpen = true;
    }
    sessionThread.serve(socketDescriptor);
}

void BroadcastServer::tcpDone()
{
    // A session that began before this late notice is still under way.
    if (sessionOpen && !sessionThread.isRunning()) {
        sessionOpen = false;
        SongStore::library().endBulkChange();
        SongStore::library().endStep();
    }
}
