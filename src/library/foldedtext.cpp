#include "library/foldedtext.h"

#include <algorithm>

namespace {

bool isAscii(QStringView text)
{
    return std::all_of(text.begin(), text.end(), [](QChar c) { return c.unicode() < 0x80; });
}

} // namespace

void foldCaseAndAccents(QStringView text, QString &out)
{
    if (isAscii(text)) {
        out.resize(text.size());
        QChar *folded = out.data();
        for (const QChar c : text)
            *folded++ = c.unicode() >= 'A' && c.unicode() <= 'Z' ? QChar(c.unicode() + ('a' - 'A')) : c;
        return;
    }
    // Compatibility decomposition splits accents (and ligatures, full-width
    // forms) from their letters, so both can be dropped or compared.
    out = text.toString().normalized(QString::NormalizationForm_KD);
    out.removeIf([](QChar c) { return c.isMark(); });
    out = out.toCaseFolded();
    // Qt folds case one character for one; "ß" written as "ss" is the common
    // case that needs two.
    out.replace(QChar(0x00DF), QLatin1String("ss"));
}

QString foldedCaseAndAccents(QStringView text)
{
    QString folded;
    foldCaseAndAccents(text, folded);
    return folded;
}
