#pragma once

#include "itunes/itunestrack.h"
#include "library/xmlmarkupguard.h"

#include <QList>
#include <QString>
#include <QXmlStreamReader>
#include <optional>
#include <vector>

class QIODevice;

// Reads an iTunes library file as a stream, a slice at a time, and collects
// every track it names without building a document tree. The tracks are
// exactly those a document-tree reading finds: every "key" element below the
// root whose first child is the text "Persistent ID" starts one, its value is
// the first child text of the node that follows the key, and its other keys
// are the sibling "key" elements of the same parent. A track is complete only
// once the whole document has been read and found well-formed.
class ItunesLibraryReader
{
public:
    struct ParseError
    {
        QString message;
        qint64 line = 0;
        qint64 column = 0;
    };

    explicit ItunesLibraryReader(QIODevice *device);

    // Reads on for about the given time; false once the document has ended
    // or turned out not to be well-formed.
    bool readFor(qint64 milliseconds);
    bool failed() const { return reader.hasError(); }
    ParseError error() const;
    // Why the file was refused before the parser judged it (too many
    // attributes on an element, a value beyond 1 MiB); empty otherwise.
    const QString &refusal() const { return guard.problem(); }
    // Whether the document holds any "key" element below its root.
    bool hasKeys() const { return keyCount > 0; }
    // The tracks in the document order of their "Persistent ID" keys.
    QList<ItunesTrack> takeTracks();

private:
    // A key element that the import acts on, as a child of its parent.
    struct ChildKey
    {
        std::optional<ItunesKey> key; // empty for a "Persistent ID" key
        int trackSlot = -1; // for a "Persistent ID" key: its track
        bool hasValue = false;
        QString value;
    };
    // An open element.
    struct Element
    {
        bool isKey = false;
        bool firstChildPending = true;
        std::optional<QString> firstText; // the first child, when it is text
        int trackSlot = -1; // when this is a "Persistent ID" key
        int valueOf = -1; // this is the value of the parent's childKeys[valueOf]
        int pendingValue = -1; // childKeys index of the last child, a key awaiting its value
        std::vector<ChildKey> childKeys;
    };

    bool feedParser();
    void handleToken();
    void startElement();
    void endElement();
    void childNode(std::optional<QString> text);
    void settleFirstChild(Element &element, std::optional<QString> text);
    void completeTracks(const Element &parent);

    QIODevice *device;
    XmlMarkupGuard guard;
    QXmlStreamReader reader;
    std::vector<Element> open;
    QList<ItunesTrack> tracks;
    qint64 keyCount = 0;
};
