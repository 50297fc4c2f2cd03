#include "table/paintbreaks.h"

#include <QCoreApplication>

void PaintBreaks::take()
{
    if (clock.elapsed() < sliceMs)
        return;
    QCoreApplication::processEvents(QEventLoop::ExcludeUserInputEvents);
    clock.restart();
}
