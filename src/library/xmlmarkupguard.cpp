#include "library/xmlmarkupguard.h"

#include "library/regularfile.h"

#include <cstring>

XmlMarkupGuard::XmlMarkupGuard(int maxAttributes, qint64 maxValueBytes)
    : maxAttributes(maxAttributes), maxValueBytes(maxValueBytes)
{}

bool XmlMarkupGuard::refuse(const QString &what, qint64 at)
{
    trouble = QStringLiteral("it holds %1 (at byte %2)").arg(what).arg(at);
    return false;
}

bool XmlMarkupGuard::valueGrows(qint64 bytes, qint64 from)
{
    if (valueBytes + bytes <= maxValueBytes) {
        valueBytes += bytes;
        return true;
    }
    return refuse(QStringLiteral("a value of more than %1").arg(byteLimitText(maxValueBytes)),
                  from + (maxValueBytes - valueBytes));
}

bool XmlMarkupGuard::feed(const char *data, qint64 size)
{
    if (!trouble.isEmpty())
        return false;
    const char *const end = data + size;
    for (const char *p = data; p < end; ++p) {
        const char c = *p;
        switch (state) {
        case Text:
        case CData: {
            // Runs of text are the bulk of a file: skip to the next character that matters.
            const char stop = state == Text ? '<' : '>';
            const char *found = static_cast<const char *>(std::memchr(p, stop, size_t(end - p)));
            const char *runEnd = found ? found : end;
            if (state == CData) {
                for (const char *q = p; q < runEnd; ++q)
                    marks = *q == ']' ? marks + 1 : 0;
            }
            if (!valueGrows(runEnd - p, offset + (p - data)))
                return false;
            if (!found) {
                p = end - 1;
                break;
            }
            p = found;
            if (state == Text) {
                state = Open;
            } else if (marks >= 2) {
                state = Text;
                valueBytes = 0;
            } else {
                marks = 0;
                if (!valueGrows(1, offset + (p - data)))
                    return false;
            }
            break;
        }
        case Open:
            valueBytes = 0;
            marks = 0;
            if (c == '!')
                state = Bang;
            else if (c == '?')
                state = Instruction;
            else if (c == '/')
                state = EndTag;
            else {
                state = StartTag;
                attributes = 0;
                quote = 0;
            }
            break;
        case Bang:
            if (c == '-')
                state = Comment;
            else if (c == '[')
                state = CData;
            else {
                state = Declaration;
                quote = 0;
                depth = 0;
            }
            break;
        case Comment:
        case Instruction: {
            const char closing = state == Comment ? '-' : '?';
            if (c == '>' && marks >= (state == Comment ? 2 : 1)) {
                state = Text;
                valueBytes = 0;
            }
            marks = c == closing ? marks + 1 : 0;
            break;
        }
        case Declaration:
            if (quote) {
                if (c == quote)
                    quote = 0;
            } else if (c == '"' || c == '\'') {
                quote = c;
            } else if (c == '[') {
                ++depth;
            } else if (c == ']') {
                --depth;
            } else if (c == '>' && depth <= 0) {
                state = Text;
                valueBytes = 0;
            }
            break;
        case EndTag: {
            const char *found = static_cast<const char *>(std::memchr(p, '>', size_t(end - p)));
            if (!found) {
                p = end - 1;
                break;
            }
            p = found;
            state = Text;
            valueBytes = 0;
            break;
        }
        case StartTag:
            if (quote) {
                const char *found = static_cast<const char *>(std::memchr(p, quote, size_t(end - p)));
                const char *valueEnd = found ? found : end;
                if (!valueGrows(valueEnd - p, offset + (p - data)))
                    return false;
                p = found ? found : end - 1;
                if (found)
                    quote = 0;
                break;
            }
            // Names and spacing: on to the next character that matters.
            while (p < end && *p != '"' && *p != '\'' && *p != '=' && *p != '>')
                ++p;
            if (p == end) {
                p = end - 1;
                break;
            }
            if (*p == '"' || *p == '\'') {
                quote = *p;
                valueBytes = 0;
            } else if (*p == '=') {
                if (++attributes > maxAttributes)
                    return refuse(QStringLiteral("an element with more than %1 attributes").arg(maxAttributes),
                                  offset + (p - data));
            } else {
                state = Text;
                valueBytes = 0;
            }
            break;
        }
    }
    offset += size;
    return true;
}
