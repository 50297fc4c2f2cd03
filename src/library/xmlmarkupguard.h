#pragma once

#include <QString>

// Looks over XML text ahead of the parser, in pieces as they are read, for the
// shapes that cost the parser time or memory out of all proportion to the
// file: an element with a great many attributes (the parser's duplicate check
// takes the square of their number) and a single value, of an attribute or
// between tags, beyond a sane size. It follows the markup only as far as
// needed to tell attributes, values and text apart; the parser still judges
// well-formedness.
class XmlMarkupGuard
{
public:
    XmlMarkupGuard(int maxAttributes, qint64 maxValueBytes);

    // False once a limit has been passed; problem() then says which, and at
    // which byte of the text.
    bool feed(const char *data, qint64 size);
    const QString &problem() const { return trouble; }

private:
    enum State { Text, Open, Bang, Comment, CData, Instruction, Declaration, EndTag, StartTag };

    // A value grows by the bytes from offset from on.
    bool valueGrows(qint64 bytes, qint64 from);
    bool refuse(const QString &what, qint64 at);

    int maxAttributes;
    qint64 maxValueBytes;
    State state = Text;
    char quote = 0;
    int marks = 0; // closing '-', ']' or '?' seen in a row
    int depth = 0; // '[' nesting of a declaration
    int attributes = 0; // of the open start tag
    qint64 valueBytes = 0;
    qint64 offset = 0; // of the current piece in the whole text
    QString trouble;
};
