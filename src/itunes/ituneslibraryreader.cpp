#include "itunes/ituneslibraryreader.h"

#include <QElapsedTimer>
#include <QHash>

namespace {

const QString persistentIDKey = QStringLiteral("Persistent ID");

std::optional<ItunesKey> actedOnKey(const QString &text)
{
    static const QHash<QString, ItunesKey> keys = {
        {QStringLiteral("Kind"), ItunesKey::Kind},
        {QStringLiteral("BPM"), ItunesKey::BPM},
        {QStringLiteral("Name"), ItunesKey::Name},
        {QStringLiteral("Artist"), ItunesKey::Artist},
        {QStringLiteral("Album"), ItunesKey::Album},
        {QStringLiteral("Genre"), ItunesKey::Genre},
        {QStringLiteral("Album Artist"), ItunesKey::AlbumArtist},
        {QStringLiteral("Composer"), ItunesKey::Composer},
        {QStringLiteral("Location"), ItunesKey::Location},
    };
    const auto found = keys.constFind(text);
    if (found == keys.constEnd())
        return std::nullopt;
    return *found;
}

constexpr int tokensBetweenClockReads = 512;
// Track dictionaries hold a few dozen keys, each element at most one attribute;
// values are names, paths and numbers.
constexpr int maxAttributes = 64;
constexpr qint64 maxValueBytes = qint64(1) << 20;
constexpr qint64 chunkBytes = 64 * 1024;

} // namespace

ItunesLibraryReader::ItunesLibraryReader(QIODevice *device) : device(device), guard(maxAttributes, maxValueBytes)
{
    reader.setNamespaceProcessing(false);
}

// The parser gets the file a piece at a time, each piece only once the guard
// has passed it. False when there is nothing more to give.
bool ItunesLibraryReader::feedParser()
{
    if (!guard.problem().isEmpty())
        return false;
    const QByteArray chunk = device->read(chunkBytes);
    if (chunk.isEmpty())
        return false;
    if (!guard.feed(chunk.constData(), chunk.size())) {
        reader.raiseError(guard.problem());
        return false;
    }
    reader.addData(chunk);
    return true;
}

bool ItunesLibraryReader::readFor(qint64 milliseconds)
{
    QElapsedTimer clock;
    clock.start();
    for (;;) {
        for (int i = 0; i < tokensBetweenClockReads; ++i) {
            if (reader.atEnd() && !(reader.error() == QXmlStreamReader::PrematureEndOfDocumentError && feedParser()))
                return false;
            if (reader.hasError() && reader.error() != QXmlStreamReader::PrematureEndOfDocumentError)
                return false;
            reader.readNext();
            handleToken();
        }
        if (clock.elapsed() >= milliseconds)
            return !reader.atEnd() && !reader.hasError();
    }
}

ItunesLibraryReader::ParseError ItunesLibraryReader::error() const
{
    return {reader.errorString(), reader.lineNumber(), reader.columnNumber()};
}

QList<ItunesTrack> ItunesLibraryReader::takeTracks() { return std::move(tracks); }

// Tokens map to nodes as in a document tree: text that is only spacing (in
// QChar::isSpace's sense, so also a character reference such as &#32;) is no
// node, CDATA always is one, and every text token is a node of its own.
void ItunesLibraryReader::handleToken()
{
    switch (reader.tokenType()) {
    case QXmlStreamReader::StartElement:
        startElement();
        break;
    case QXmlStreamReader::EndElement:
        endElement();
        break;
    case QXmlStreamReader::Characters:
        if (reader.isCDATA() || !reader.text().trimmed().isEmpty())
            childNode(reader.text().toString());
        break;
    case QXmlStreamReader::Comment:
    case QXmlStreamReader::ProcessingInstruction:
    case QXmlStreamReader::EntityReference:
        childNode(std::nullopt);
        break;
    default:
        break;
    }
}

// A node other than an element inside the open element: it may be that
// element's first child, and it is the value of a key just before it (a node
// without children, so the key has no value text).
void ItunesLibraryReader::childNode(std::optional<QString> text)
{
    if (open.empty())
        return;
    Element &parent = open.back();
    if (parent.firstChildPending)
        settleFirstChild(parent, std::move(text));
    parent.pendingValue = -1;
}

void ItunesLibraryReader::startElement()
{
    Element element;
    if (!open.empty()) {
        Element &parent = open.back();
        if (parent.firstChildPending)
            settleFirstChild(parent, std::nullopt);
        element.valueOf = parent.pendingValue;
        parent.pendingValue = -1;
        element.isKey = reader.name() == QLatin1String("key");
        if (element.isKey)
            ++keyCount;
    }
    open.push_back(std::move(element));
}

void ItunesLibraryReader::settleFirstChild(Element &element, std::optional<QString> text)
{
    element.firstChildPending = false;
    if (!text)
        return;
    if (element.valueOf >= 0) {
        ChildKey &key = open[open.size() - 2].childKeys[element.valueOf];
        key.hasValue = true;
        key.value = *text;
    }
    if (element.isKey) {
        // The track's place is taken here, in the document order of its key.
        if (*text == persistentIDKey) {
            element.trackSlot = tracks.size();
            tracks.append(ItunesTrack());
        }
        element.firstText = std::move(text);
    }
}

void ItunesLibraryReader::endElement()
{
    if (open.empty())
        return;
    Element &element = open.back();
    if (element.firstChildPending)
        settleFirstChild(element, std::nullopt);
    completeTracks(element);
    const bool isKey = element.isKey;
    const int trackSlot = element.trackSlot;
    const std::optional<QString> keyText = std::move(element.firstText);
    open.pop_back();
    if (open.empty())
        return;
    Element &parent = open.back();
    parent.pendingValue = -1;
    if (!isKey || !keyText)
        return;
    ChildKey child;
    if (trackSlot < 0) {
        child.key = actedOnKey(*keyText);
        if (!child.key)
            return;
    }
    child.trackSlot = trackSlot;
    parent.pendingValue = int(parent.childKeys.size());
    parent.childKeys.push_back(std::move(child));
}

// Once an element has ended, the tracks anchored among its children know all
// their keys. Another "Persistent ID" key among them starts a track of its
// own and is not read as part of this one.
void ItunesLibraryReader::completeTracks(const Element &parent)
{
    const std::vector<ChildKey> &keys = parent.childKeys;
    std::shared_ptr<std::vector<ItunesKeyValue>> siblings;
    int actedOn = 0;
    for (const ChildKey &child : keys) {
        if (child.key) {
            ++actedOn;
            continue;
        }
        if (!siblings) {
            siblings = std::make_shared<std::vector<ItunesKeyValue>>();
            for (const ChildKey &key : keys) {
                if (key.key)
                    siblings->push_back({*key.key, key.value});
            }
        }
        ItunesTrack &track = tracks[child.trackSlot];
        track.hasPersistentID = child.hasValue;
        track.persistentIDText = child.value;
        track.siblings = siblings;
        track.anchor = actedOn;
    }
}
