#include "app/tagdesk.h"
#include "app/tablesorting.h"
#include "app/globals.h"
#include "app/paintbreaks.h"
#include "library/dbelement.h"

#include <QElapsedTimer>
#include <QFileInfo>
#include <QSettings>
#include <QTimer>
#include <iostream>

namespace {

constexpr int nodesPerBatch = 20;
// Batches that run on in one event-loop turn while this budget lasts, so a
// large file is not read at the pace of one repaint per 20 nodes.
constexpr qint64 turnBudgetMs = 40;

} // namespace

void Tagdesk::loadFile(const QString &fileName)
{
    if (loadingFile)
        return;
    modified = false;
    clearLibrary(tableWidget);
    if (!fileReader.open(fileName))
        return;
    // The whole file is checked before anything is applied, so that a broken
    // file changes nothing; the window keeps painting meanwhile (user input
    // waits, so no command starts in the middle).
    LibraryFileReader::ParseError error;
    PaintBreaks breaks;
    if (!fileReader.parse(&error, [&breaks] { breaks.take(); })) {
        std::cout << "DOMHandler problem: " << error.message.toLocal8Bit().constData() << " Line,Col:" << error.line
                  << "," << error.column << "\n";
        std::cout.flush();
        return;
    }
    tableWidget->setSortingEnabled(false);
    syncEnabled = false;
    loadingFile = true;
    actionOpen_File->setEnabled(false);
    actionSave_File->setEnabled(false);
    actionNew_File->setEnabled(false);
    fileElementIndex = 0;
    inFirstBatch = true;
    loadDOM();
    inFirstBatch = false;
    QSettings().setValue(QStringLiteral("lastFile"), fileName);
    currentFileName = QFileInfo(fileName).absoluteFilePath();
    setFileTitle(fileName);
}

void Tagdesk::loadDOM()
{
    if (fileElementIndex >= fileReader.nodeCount()) {
        finishLoadingFile();
        return;
    }
    QElapsedTimer turn;
    turn.start();
    do {
        for (int budget = nodesPerBatch; budget > 0 && fileElementIndex < fileReader.nodeCount(); --budget) {
            LibraryNode node;
            fileReader.next(&node);
            ++fileElementIndex;
            if (!node.isElement) {
                std::cout << "QVX bug null element\n";
            } else if (node.tagName != QLatin1String("Element_Data")) {
                std::cout << "Unknown element: " << node.tagName.toLocal8Bit().constData() << "\n";
            } else {
                const std::string key = libraryKey(node.attributes.value(QLatin1String("persistentID")).toString());
                tableMap[key].loadDom(node.attributes);
                tableMap[key].setupRow(tableWidget, -1);
            }
        }
    } while (!inFirstBatch && fileElementIndex < fileReader.nodeCount() && turn.elapsed() < turnBudgetMs);
    std::cout.flush();
    QTimer::singleShot(0, this, &Tagdesk::loadDOM);
}

void Tagdesk::finishLoadingFile()
{
    syncEnabled = true;
    loadingFile = false;
    actionOpen_File->setEnabled(true);
    actionSave_File->setEnabled(true);
    actionNew_File->setEnabled(true);
    fileReader.clear();
    switchSortingOn(tableWidget);
    if (QTableWidgetItem *first = tableWidget->rowCount() > 0 ? tableWidget->item(0, 0) : nullptr)
        tableWidget->scrollToItem(first, QAbstractItemView::PositionAtTop);
    emit loadFileDone();
}
