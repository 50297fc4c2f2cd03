#pragma once

#include <QBuffer>
#include <QByteArray>
#include <QString>
#include <QXmlStreamAttributes>
#include <QXmlStreamReader>
#include <functional>

// Why a library reader would refuse a document of these bytes (too large, or
// markup beyond its limits); empty when it would read it.
QString libraryDocumentRefusal(const QByteArray &document);

// One child node of a library file's root element, as the loader sees it:
// an element with its tag and attributes, or anything else (comment,
// processing instruction, text that is not only white space).
struct LibraryNode
{
    bool isElement = false;
    QString tagName;
    QXmlStreamAttributes attributes;
};

// Reads a library file as a stream: the whole file is checked for
// well-formedness first (so a broken file changes nothing), then its root's
// child nodes are handed out one at a time without building a document tree.
class LibraryFileReader
{
public:
    struct ParseError
    {
        QString message;
        qint64 line = 0;
        qint64 column = 0;
    };

    // Reads the file into memory; false when it cannot be opened (refusal
    // empty) or is refused, with refusal saying why: not a regular file, too
    // large, or markup that no library this program writes holds and that
    // would cost the parser far more than the file's size. pause as for
    // parse.
    bool open(const QString &path, QString *refusal, const std::function<void()> &pause = {});
    // Checks the whole document and counts the root's child nodes; on a
    // malformed document fills error and returns false. pause, when given,
    // is called now and then, so a caller can keep its window painted.
    bool parse(ParseError *error, const std::function<void()> &pause = {});
    int nodeCount() const { return count; }
    // The next child node of the root; false when there is none left.
    bool next(LibraryNode *node);
    void clear();

private:
    void startAtRootChildren();

    QByteArray bytes;
    // The reader takes the bytes through a device, a block at a time: handed
    // over at once, a large file would be decoded in one go.
    QBuffer device;
    QXmlStreamReader reader;
    int count = 0;
};
