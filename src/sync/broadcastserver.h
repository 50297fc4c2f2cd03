#pragma once

#include <QTcpServer>

// Placeholder until phone sync lands.
class BroadcastServer : public QTcpServer
{
    Q_OBJECT
public:
    explicit BroadcastServer(QObject *parent = nullptr) : QTcpServer(parent) {}
};
