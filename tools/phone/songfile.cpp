#include "songfile.h"

#include <QFile>
#include <QList>

namespace {

// A bound on the lines a file may hold, far above any phone's library.
constexpr int maxSongs = 1000000;

int fieldIndex(const QByteArray &name)
{
    for (int i = 0; i < wire::musicPassFieldCount; ++i) {
        if (name == wire::musicPassFieldNames[i])
            return i;
    }
    return -1;
}

QByteArray withoutLineEnd(QByteArray line)
{
    while (line.endsWith('\n') || line.endsWith('\r'))
        line.chop(1);
    return line;
}

} // namespace

bool readSongFile(const QString &path, std::vector<wire::MusicPassFields> *songs, QString *error)
{
    QFile file(path);
    if (!file.open(QIODevice::ReadOnly)) {
        *error = QStringLiteral("cannot open %1: %2").arg(path, file.errorString());
        return false;
    }
    QList<int> columns;
    for (const QByteArray &name : withoutLineEnd(file.readLine()).split('\t')) {
        const int index = fieldIndex(name);
        if (index < 0 || columns.contains(index)) {
            *error = QStringLiteral("%1: unknown or repeated column \"%2\"").arg(path, QString::fromUtf8(name));
            return false;
        }
        columns.append(index);
    }
    songs->clear();
    for (int lineNumber = 2; !file.atEnd(); ++lineNumber) {
        const QByteArray line = withoutLineEnd(file.readLine());
        if (line.isEmpty())
            continue;
        const QList<QByteArray> values = line.split('\t');
        if (values.size() > columns.size() || songs->size() >= maxSongs) {
            *error = QStringLiteral("%1:%2: too many columns or songs").arg(path).arg(lineNumber);
            return false;
        }
        wire::MusicPassFields song;
        for (qsizetype i = 0; i < values.size(); ++i)
            song[columns[i]] = values[i].toStdString();
        songs->push_back(std::move(song));
    }
    return true;
}
