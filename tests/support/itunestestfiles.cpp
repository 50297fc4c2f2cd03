#include "itunestestfiles.h"
#include "app/tagdesk.h"

#include <QDir>
#include <QFile>
#include <QFileInfo>
#include <QSignalSpy>

QString itunesLibraryPath() { return QDir::homePath() + QStringLiteral("/Music/iTunes/iTunes Music Library.xml"); }

void writeItunesLibrary(const QByteArray &xml)
{
    QDir().mkpath(QFileInfo(itunesLibraryPath()).path());
    QFile file(itunesLibraryPath());
    if (file.open(QIODevice::WriteOnly | QIODevice::Truncate))
        file.write(xml);
}

QString testDataPath(const QString &name)
{
    return qEnvironmentVariable("VELMORA_SOURCE") + QStringLiteral("/tests/data/itunes/") + name;
}

void installItunesLibrary(const QString &testDataFile)
{
    QFile file(testDataPath(testDataFile));
    if (file.open(QIODevice::ReadOnly))
        writeItunesLibrary(file.readAll());
}

QByteArray itunesTrackDict(const ItunesKeys &keys)
{
    QByteArray dict = "\t\t<dict>\n";
    for (const auto &[key, value] : keys)
        dict += "\t\t\t<key>" + key + "</key>" + value + "\n";
    return dict + "\t\t</dict>\n";
}

QByteArray itunesLibraryFile(const QList<QByteArray> &trackDicts)
{
    QByteArray xml = "<?xml version=\"1.0\" encoding=\"UTF-8\"?>\n"
                     "<!DOCTYPE plist PUBLIC \"-//Apple Computer//DTD PLIST 1.0//EN\" "
                     "\"http://www.apple.com/DTDs/PropertyList-1.0.dtd\">\n"
                     "<plist version=\"1.0\">\n<dict>\n"
                     "\t<key>Major Version</key><integer>1</integer>\n"
                     "\t<key>Library Persistent ID</key><string>0C6442958291FA80</string>\n"
                     "\t<key>Tracks</key>\n\t<dict>\n";
    int trackID = 100;
    for (const QByteArray &dict : trackDicts)
        xml += "\t\t<key>" + QByteArray::number(++trackID) + "</key>\n" + dict;
    return xml
        + "\t</dict>\n\t<key>Playlists</key>\n\t<array>\n\t</array>\n"
          "\t<key>Music Folder</key><string>file:///Music/</string>\n</dict>\n</plist>\n";
}

void writeSongAndOtherInItunes()
{
    writeItunesLibrary(itunesLibraryFile({itunesTrackDict({{"Persistent ID", "<string>0A</string>"},
                                                           {"Name", "<string>Song</string>"},
                                                           {"Artist", "<string>Band</string>"},
                                                           {"Kind", "<string>AAC audio file</string>"}}),
                                          itunesTrackDict({{"Persistent ID", "<string>0B</string>"},
                                                           {"Name", "<string>Other</string>"},
                                                           {"Artist", "<string>Band</string>"},
                                                           {"Kind", "<string>AAC audio file</string>"}})}));
}

bool importFromItunes(Tagdesk &window)
{
    QSignalSpy done(&window, &Tagdesk::loadItunesDone);
    window.from_iTunesSync();
    return done.count() == 1 || done.wait(30000);
}
