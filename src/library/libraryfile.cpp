#include "library/libraryfile.h"
#include "library/filereplacement.h"
#include "library/songstore.h"
#include "library/bpmtext.h"

#include "library/libraryfilereader.h"

#include <QBuffer>
#include <QFile>
#include <QFileInfo>
#include <QLocale>
#include <QXmlStreamReader>
#include <QXmlStreamWriter>
#include <algorithm>
#include <cerrno>
#include <fcntl.h>
#include <sys/stat.h>
#include <unistd.h>

namespace {

// The ten stored fields, in the order they are written.
const SongField storedFields[10] = {
    SongField::PersistentID, SongField::Title,       SongField::Bpm,      SongField::Artist, SongField::AlbumTitle,
    SongField::Genre,        SongField::AlbumArtist, SongField::Composer, SongField::Itunes, SongField::Iphone,
};

QString attributeName(SongField field) { return QLatin1String(fieldName(field)); }

} // namespace

void DBelement::saveDom(QXmlStreamWriter &writer) const
{
    writer.writeEmptyElement(QStringLiteral("Element_Data"));
    for (SongField field : storedFields)
        writer.writeAttribute(attributeName(field), text(field));
    // Only songs the analyser was unsure of carry one, so the files of a
    // library without any stay as they were.
    if (bpmAlternative())
        writer.writeAttribute(QStringLiteral("bpmAlternative"), QString::number(bpmAlternative()));
    // Where the song's file lies, so that a reopened library can be analysed
    // without a new import; readers that predate it ignore it.
    const QString location = text(SongField::Location);
    if (!location.isEmpty())
        writer.writeAttribute(attributeName(SongField::Location), location);
    // The phone's own ID of a song linked to it by title, artist and album.
    const QString phoneID = text(SongField::PhoneID);
    if (!phoneID.isEmpty())
        writer.writeAttribute(attributeName(SongField::PhoneID), phoneID);
    if (bpmLocked())
        writer.writeAttribute(QStringLiteral("bpmLocked"), QStringLiteral("true"));
    // The tempo BeatFind found or a level command worked out, when it is no
    // whole number, so that a later level command starts from it.
    if (bpmExact() != bpm())
        writer.writeAttribute(QStringLiteral("bpmExact"),
                              QString::number(bpmExact(), 'g', QLocale::FloatingPointShortest));
}

bool DBelement::loadDom(const QXmlStreamAttributes &attributes)
{
    auto value = [&](SongField field) { return attributes.value(attributeName(field)).toString(); };
    for (SongField field : storedFields) {
        if (field != SongField::Bpm)
            setText(field, value(field));
    }
    const int bpm = bpmFromText(value(SongField::Bpm));
    const bool bpmInRange = bpm == 0 || (bpm >= 50 && bpm <= 200);
    setBPM(bpmInRange ? value(SongField::Bpm) : QString());
    setBpmAlternative(bpmFromText(attributes.value(QLatin1String("bpmAlternative")).toString()));
    if (attributes.hasAttribute(attributeName(SongField::Location)))
        setLocation(value(SongField::Location));
    if (attributes.hasAttribute(attributeName(SongField::PhoneID)))
        setPhoneID(value(SongField::PhoneID));
    setBpmLocked(flagFromText(attributes.value(QLatin1String("bpmLocked")).toString()));
    // An exact tempo that does not come to the stored BPM was not written
    // with it: the BPM counts.
    bool isNumber = false;
    const double exact = attributes.value(QLatin1String("bpmExact")).toDouble(&isNumber);
    if (isNumber && bpm != 0 && bpmInRange && wholeBpm(exact) == bpm)
        setBpmExact(exact);
    return bpmInRange;
}

void writeLibraryDocument(QIODevice *device)
{
    // Indented by hand: the writer's own formatting starts the file with a blank line.
    QXmlStreamWriter writer(device);
    writer.writeStartElement(QStringLiteral("TAGDESK"));
    writer.writeAttribute(QStringLiteral("version"), QStringLiteral("100"));
    const TableMap &songs = SongStore::library().tableMap();
    for (const Song &song : songs) {
        writer.writeCharacters(QStringLiteral("\n "));
        song.second.saveDom(writer);
    }
    if (!songs.empty())
        writer.writeCharacters(QStringLiteral("\n"));
    writer.writeEndElement();
    writer.writeCharacters(QStringLiteral("\n"));
}

namespace {

// Where no replacement is possible the file is overwritten, but only once its
// room is reserved: a full disk then refuses before a byte of the old
// library is touched.
QString writeInPlace(const QByteArray &path, const QByteArray &document)
{
    const int fd = ::open(path.constData(), O_WRONLY | O_CLOEXEC);
    if (fd < 0)
        return fileErrorText(errno) + QStringLiteral("; the file is as it was");
    auto fail = [fd](const QString &why) {
        ::close(fd);
        return why;
    };
    const int reserved = ::posix_fallocate(fd, 0, std::max<off_t>(off_t(document.size()), 1));
    if (reserved != 0 && reserved != EOPNOTSUPP && reserved != EINVAL)
        return fail(fileErrorText(reserved) + QStringLiteral("; the file is as it was"));
    for (qsizetype done = 0; done < document.size();) {
        const ssize_t put = ::pwrite(fd, document.constData() + done, size_t(document.size() - done), off_t(done));
        if (put < 0 && errno == EINTR)
            continue;
        if (put <= 0)
            return fail(fileErrorText(put < 0 ? errno : EIO) + QStringLiteral("; the file may be cut short"));
        done += put;
    }
    if (::ftruncate(fd, off_t(document.size())) != 0 || ::fdatasync(fd) != 0)
        return fail(fileErrorText(errno) + QStringLiteral("; the file may be cut short"));
    if (::close(fd) != 0)
        return fileErrorText(errno) + QStringLiteral("; the file may be cut short");
    return {};
}

} // namespace

bool saveLibraryFile(const QString &fileName, QString *error)
{
    auto failed = [error](const QString &why) {
        if (error)
            *error = why;
        return false;
    };
    QByteArray document;
    {
        QBuffer buffer(&document);
        buffer.open(QIODevice::WriteOnly);
        writeLibraryDocument(&buffer);
    }
    // A file the next start would refuse would lock every song of it out.
    const QString refusal = libraryDocumentRefusal(document);
    if (!refusal.isEmpty())
        return failed(QStringLiteral("it would not read back (%1); nothing was written").arg(refusal));

    const QByteArray path = QFile::encodeName(fileName);
    struct stat old;
    const bool exists = ::stat(path.constData(), &old) == 0 && S_ISREG(old.st_mode);
    if (exists && old.st_nlink > 1) {
        const QString why = writeInPlace(path, document);
        return why.isEmpty() || failed(why);
    }
    QString why = writeReplacement(fileName, document);
    if (why.isEmpty())
        return true;
    // A folder that takes no new file, holding a file that may be written.
    const QByteArray folder = QFile::encodeName(QFileInfo(fileName).absolutePath());
    if (exists && ::access(folder.constData(), W_OK) != 0 && ::access(path.constData(), W_OK) == 0) {
        why = writeInPlace(path, document);
        return why.isEmpty() || failed(why);
    }
    return failed(why + (exists ? QStringLiteral("; the file is as it was") : QStringLiteral("; nothing was written")));
}
