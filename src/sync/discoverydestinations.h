#pragma once

#include <QHostAddress>
#include <QList>

// Where the discovery datagram goes: 255.255.255.255 and 0.0.0.0 first (Qt 6
// spells the IPv4 any address AnyIPv4; its Any is the IPv6 one), then
// for every IPv4 address but 127.0.0.1 the address with its last octet set to
// 255, whatever the real netmask. Writes an "Interface" line for each of
// those, numbered by its index in localAddresses.
QList<QHostAddress> discoveryDestinations(const QList<QHostAddress> &localAddresses);
