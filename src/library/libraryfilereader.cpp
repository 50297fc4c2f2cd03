#include "library/libraryfilereader.h"

#include <QFile>

namespace {

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

} // namespace

bool LibraryFileReader::open(const QString &path)
{
    clear();
    QFile file(path);
    if (!file.open(QIODevice::ReadOnly))
        return false;
    bytes = file.readAll();
    return true;
}

void LibraryFileReader::startAtRootChildren()
{
    reader.clear();
    reader.setNamespaceProcessing(false);
    reader.addData(bytes);
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
    bytes.clear();
    count = 0;
}
