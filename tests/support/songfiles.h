#pragma once

#include <QByteArray>
#include <QList>
#include <QPair>
#include <QString>
#include <QStringList>

// Audio files made for a test by ffmpeg: a fifth of a second of a sine tone
// in the format the extension names, tagged with "key=value" metadata.
// extraArgs go to the output (for example "-id3v2_version", "3").
bool makeSongFile(const QString &path, const QStringList &metadata = {}, const QStringList &extraArgs = {});

// A fifth of a second of silence as a WAV file (8 kHz, mono, 16 bits),
// written without ffmpeg: for tests that must not start a process.
bool makeSilentWav(const QString &path);

// ffmpeg writes no ID3 chunk into WAV files; this appends one, an ID3v2.3 tag
// with the given text frames, and fixes the RIFF size.
bool addWavId3Chunk(const QString &path, const QList<QPair<QByteArray, QByteArray>> &frames);

// Whether ffmpeg can be run; tests that need it are skipped without it.
bool haveFfmpeg();
