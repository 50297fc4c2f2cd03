#include "library/libraryfilereader.h"
#include "library/regularfile.h"
#include "library/xmlmarkupguard.h"

#include <QFile>

namespace {

// A library of 100,000 songs takes about 30 MB; this leaves room for some
// millions.
constexpr qint64 maxFileBytes = qint64(1) << 30;
// Ten attributes per song today; later ones are added after them.
constexpr int maxAttributes = 64;
// Phone and iTunes fields are held to 1 MiB each; written out, escapes such as
// &quot; may make one up to six times as long, and the file must read back.
constexpr qint64 maxValueBytes = qint64(16) << 20;
constexpr qint64 readChunkBytes = qint64(1) << 20;

// Text that is only white space is not a node, as in a DOM tree.
bool isNode(const QXmlStreamReader &reader)
{
    switch (reader.tokenType()) {
    case QXmlStreamReader::StartElement:
    case QXmlStreamReader::Comment:
    case QXmlStreamReader::ProcessingInstruction:
    case QXmlStreamReader::EntityReference:
        return true;
    case QXmlStreamReader::Characters:
        return !reader.isWhitespace();
    default:
        return false;
    }
}

QString sizeRefusal() { return QStringLiteral("it is larger than %1").arg(byteLimitText(maxFileBytes)); }

} // namespace

QString libraryDocumentRefusal(const QByteArray &document)
{
    if (document.size() > maxFileBytes)
        return sizeRefusal();
    XmlMarkupGuard guard(maxAttributes, maxValueBytes);
    return guard.feed(document.constData(), document.size()) ? QString() : guard.problem();
}

bool LibraryFileReader::open(const QString &path, QString *refusal, const std::function<void()> &pause)
{
    clear();
    QFile file;
    if (!openRegularFile(file, path, maxFileBytes, refusal))
        return false;
    // Read to the limit only, in case the file grows while it is read.
    XmlMarkupGuard guard(maxAttributes, maxValueBytes);
    bytes.reserve(file.size() + readChunkBytes);
    for (;;) {
        const qint64 before = bytes.size();
        bytes.resize(before + readChunkBytes);
        const qint64 got = file.read(bytes.data() + before, readChunkBytes);
        bytes.resize(before + qMax<qint64>(got, 0));
        if (got <= 0)
            break;
        if (bytes.size() > maxFileBytes) {
            *refusal = sizeRefusal();
            clear();
            return false;
        }
        if (!guard.feed(bytes.constData() + before, got)) {
            *refusal = guard.problem();
            clear();
            return false;
        }
        if (pause)
            pause();
    }
    return true;
}

void LibraryFileReader::startAtRootChildren()
{
    reader.clear();
    reader.setNamespaceProcessing(false);
    device.close();
    device.setBuffer(&bytes);
    device.open(QIODevice::ReadOnly);
    reader.setDevice(&device);
    while (!reader.atEnd() && reader.readNext() != QXmlStreamReader::StartElement) {
    }
}

bool LibraryFileReader::parse(ParseError *error, const std::function<void()> &pause)
{
    startAtRootChildren();
    count = 0;
    bool rootClosed = false;
    for (int token = 1; !reader.atEnd(); ++token) {
        if (pause && token % 1024 == 0)
            pause();
        reader.readNext();
        if (reader.tokenType() == QXmlStreamReader::EndElement)
            rootClosed = true;
        else if (!rootClosed && isNode(reader)) {
            ++count;
            if (reader.tokenType() == QXmlStreamReader::StartElement)
                reader.skipCurrentElement();
        }
    }
    if (reader.hasError()) {
        error->message = reader.errorString();
        error->line = reader.lineNumber();
        error->column = reader.columnNumber();
        clear();
        return false;
    }
    startAtRootChildren();
    return true;
}

bool LibraryFileReader::next(LibraryNode *node)
{
    while (!reader.atEnd()) {
        reader.readNext();
        if (reader.tokenType() == QXmlStreamReader::EndElement)
            return false; // the root has closed
        if (!isNode(reader))
            continue;
        node->isElement = reader.tokenType() == QXmlStreamReader::StartElement;
        if (node->isElement) {
            node->tagName = reader.name().toString();
            node->attributes = reader.attributes();
            reader.skipCurrentElement();
        } else {
            node->tagName.clear();
            node->attributes.clear();
        }
        return true;
    }
    return false;
}

void LibraryFileReader::clear()
{
    reader.clear();
    device.close();
    bytes.clear();
    count = 0;
}
