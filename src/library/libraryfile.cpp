#include "library/libraryfile.h"
#include "library/dbelement.h"

#include <QSaveFile>
#include <QXmlStreamReader>
#include <QXmlStreamWriter>

namespace {

// The ten stored fields, in the order they are written.
const char *const storedFields[10] = {
    "persistentID", "title", "bpm", "artist", "albumTitle",
    "genre", "albumArtist", "composer", "iTunes", "iPhone",
};

} // namespace

void DBelement::saveDom(QXmlStreamWriter &writer)
{
    writer.writeEmptyElement(QStringLiteral("Element_Data"));
    for (const char *name : storedFields)
        writer.writeAttribute(QLatin1String(name), text(name));
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

bool saveLibraryFile(const QString &fileName)
{
    QSaveFile file(fileName);
    if (!file.open(QIODevice::WriteOnly | QIODevice::Text))
        return false;
    writeLibraryDocument(&file);
    return file.commit();
}
