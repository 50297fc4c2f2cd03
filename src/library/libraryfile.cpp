#include "library/libraryfile.h"
#include "library/dbelement.h"
#include "library/bpmtext.h"

#include <QFile>
#include <QSaveFile>
#include <sys/stat.h>
#include <unistd.h>
#include <QXmlStreamReader>
#include <QXmlStreamWriter>

namespace {

// The ten stored fields, in the order they are written.
const char *const storedFields[10] = {
    "persistentID", "title", "bpm", "artist", "albumTitle", "genre", "albumArtist", "composer", "iTunes", "iPhone",
};

} // namespace

void DBelement::saveDom(QXmlStreamWriter &writer)
{
    writer.writeEmptyElement(QStringLiteral("Element_Data"));
    for (const char *name : storedFields)
        writer.writeAttribute(QLatin1String(name), text(name));
    // Only songs the analyser was unsure of carry one, so the files of a
    // library without any stay as they were.
    if (bpmAlternative())
        writer.writeAttribute(QStringLiteral("bpmAlternative"), QString::number(bpmAlternative()));
    // Where the song's file lies, so that a reopened library can be analysed
    // without a new import; readers that predate it ignore it.
    const QString location = text("location");
    if (!location.isEmpty())
        writer.writeAttribute(QStringLiteral("location"), location);
}

void DBelement::loadDom(const QXmlStreamAttributes &attributes)
{
    auto value = [&](const char *name) { return attributes.value(QLatin1String(name)).toString(); };
    setPersistentID(value("persistentID"));
    setTitle(value("title"));
    setBPM(value("bpm"));
    setArtist(value("artist"));
    setAlbumTitle(value("albumTitle"));
    setGenre(value("genre"));
    setAlbumArtist(value("albumArtist"));
    setComposer(value("composer"));
    setItunes(value("iTunes"));
    setIphone(value("iPhone"));
    setBpmAlternative(bpmFromText(value("bpmAlternative")));
    if (attributes.hasAttribute(QLatin1String("location")))
        setLocation(value("location"));
}

void writeLibraryDocument(QIODevice *device)
{
    // Indented by hand: the writer's own formatting starts the file with a blank line.
    QXmlStreamWriter writer(device);
    writer.writeStartElement(QStringLiteral("TAGDESK"));
    writer.writeAttribute(QStringLiteral("version"), QStringLiteral("100"));
    for (auto &entry : tableMap) {
        writer.writeCharacters(QStringLiteral("\n "));
        entry.second.saveDom(writer);
    }
    if (!tableMap.empty())
        writer.writeCharacters(QStringLiteral("\n"));
    writer.writeEndElement();
    writer.writeCharacters(QStringLiteral("\n"));
}

namespace {

bool failed(const QFileDevice &file, QString *error)
{
    if (error)
        *error = file.errorString();
    return false;
}

bool writeInPlace(const QString &fileName, QString *error)
{
    QFile file(fileName);
    if (!file.open(QIODevice::WriteOnly | QIODevice::Truncate | QIODevice::Text))
        return failed(file, error);
    writeLibraryDocument(&file);
    if (!file.flush() || file.error() != QFileDevice::NoError)
        return failed(file, error);
    file.close();
    return file.error() == QFileDevice::NoError || failed(file, error);
}

} // namespace

bool saveLibraryFile(const QString &fileName, QString *error)
{
    struct stat old;
    const bool exists = ::stat(QFile::encodeName(fileName).constData(), &old) == 0 && S_ISREG(old.st_mode);
    if (exists && old.st_nlink > 1)
        return writeInPlace(fileName, error);
    QSaveFile file(fileName);
    file.setDirectWriteFallback(true);
    if (!file.open(QIODevice::WriteOnly | QIODevice::Text))
        return failed(file, error);
    if (exists && (old.st_uid != ::geteuid() || old.st_gid != ::getegid())) [[maybe_unused]]
        const int kept = ::fchown(file.handle(), old.st_uid, old.st_gid);
    writeLibraryDocument(&file);
    return file.commit() || failed(file, error);
}
