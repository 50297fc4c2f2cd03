#pragma once

#include <QString>
#include <QStringView>

// A text as a search compares it: without case or accents, and in one
// Unicode normalisation (so "Café" typed as one character or as "e" and an
// accent compare equal, and "Straße" equals "STRASSE"). Written into out, in
// the room it already has: folding many texts allocates nothing per text
// while they are ASCII.
void foldCaseAndAccents(QStringView text, QString &out);
QString foldedCaseAndAccents(QStringView text);
