#pragma once

#include <QByteArray>
#include <QString>
#include <QStringList>
#include <QTemporaryDir>

// Stand-ins for the conversion step and the analyser, written as shell
// scripts into a temporary folder. Each script logs its call ("convert SONG"
// or "analyse WAV") first. By default the converter copies the song into a
// new WAV file in wavDir() and reports it as 1411 kbit/s at 44100 Hz, and the
// analyser prints its WAV file, so a song file holds what the analyser says
// about it. Bodies that replace the defaults may use $1, $DIR, $WAVDIR,
// `wav_for "$1"` (the default WAV path), `report PATH BITRATE SAMPLERATE`
// and `wait_for NAME` (returns once release(NAME) has been called, or after
// 20 s).
class StandIns
{
public:
    StandIns();

    static const QString copyingConverter;
    static const QString printingAnalyser;

    void setConverter(const QString &body);
    void setAnalyser(const QString &body);
    QString converterPath() const { return dir.filePath(QStringLiteral("converter")); }
    QString analyserPath() const { return dir.filePath(QStringLiteral("analyser")); }

    // A song file holding the given bytes.
    QString addSong(const QString &name, const QByteArray &contents);
    QString wavDir() const { return dir.filePath(QStringLiteral("wav")); }
    QStringList wavFiles() const;

    QStringList calls() const;
    void release(const QString &name);
    bool reached(const QString &name) const;

private:
    void writeScript(const QString &path, const QString &logWord, const QString &body);

    QTemporaryDir dir;
};
