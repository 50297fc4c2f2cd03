#include "table/paintbreaks.h"

#include <QCoreApplication>

void PaintBreaks::take()
{
    if (clock.elapsed() >= sliceMs)
        takeNow();
}

void PaintBreaks::takeNow()
{
    QCoreApplication::processEvents(flags);
    clock.restart();
}
