#pragma once

#include <QByteArray>
#include <QtGlobal>

// How many bytes a zlib stream inflates to, finding out without ever holding
// or producing more than `limit` + 1 of them: -1 when it would inflate to
// more than `limit` bytes or is no whole zlib stream. A few hundred bytes of
// zlib can stand for hundreds of megabytes.
qint64 inflatedSize(const QByteArray &compressed, qint64 limit);
