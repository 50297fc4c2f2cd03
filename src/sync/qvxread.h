#pragma once

#include <QtGlobal>
#include <string>

class QTcpSocket;

// Reads up to count bytes from the socket into buffer. While fewer are
// buffered it waits for more data, at most three times for up to a second
// each, writing a "blocked" line after every wait. The buffer grows only to
// the bytes that arrived, so a length the peer merely announces allocates
// nothing. Returns the bytes read (fewer than count when they did not arrive
// in time) or -1 on a read error.
qint64 qvxread(QTcpSocket *socket, std::string &buffer, qint64 count);
