#include "app/tagdesk.h"
#include "library/globals.h"
#include "table/paintbreaks.h"
#include "table/tablesorting.h"
#include "table/timedbatches.h"
#include "library/dbelement.h"
#include "table/columns.h"

#include <QFileInfo>
#include <QSettings>
#include <QTimer>
#include <iostream>

namespace {

// Batches run on in one event-loop turn while this budget lasts.
constexpr qint64 turnBudgetMs = 40;

} // namespace

void Tagdesk::loadFile(const QString &fileName)
{
    if (fileRead.loadingFile)
        return;
    modified = false;
    clearLibrary(tableWidget);
    fileRead.reset();
    LibraryFileReader &fileReader = fileRead.fileReader;
    // The whole file is checked before anything is applied, so that a broken
    // file changes nothing; the window keeps painting meanwhile (user input
    // waits, so no command starts in the middle).
    PaintBreaks breaks;
    const auto pause = [&breaks] { breaks.take(); };
    QString refusal;
    if (!fileReader.open(fileName, &refusal, pause)) {
        if (!refusal.isEmpty()) {
            std::cout << "Library file \"" << fileName.toLocal8Bit().constData()
                      << "\" not read: " << refusal.toLocal8Bit().constData() << "\n";
            std::cout.flush();
        }
        return;
    }
    LibraryFileReader::ParseError error;
    if (!fileReader.parse(&error, pause)) {
        std::cout << "DOMHandler problem: " << error.message.toLocal8Bit().constData() << " Line,Col:" << error.line
                  << "," << error.column << "\n";
        std::cout.flush();
        fileRead.reset();
        return;
    }
    tableWidget->setSortingEnabled(false);
    syncEnabled = false;
    fileRead.loadingFile = true;
    actionOpen_File->setEnabled(false);
    actionSave_File->setEnabled(false);
    actionNew_File->setEnabled(false);
    fileRead.inFirstBatch = true;
    loadDOM();
    fileRead.inFirstBatch = false;
    rememberLibraryFile(fileName);
}

void Tagdesk::rememberLibraryFile(const QString &fileName)
{
    QSettings().setValue(QStringLiteral("lastFile"), fileName);
    currentFileName = QFileInfo(fileName).absoluteFilePath();
    setWindowTitle(QStringLiteral("VelmoraSync  (") + QFileInfo(fileName).fileName() + QStringLiteral(")"));
}

void Tagdesk::loadDOM()
{
    if (fileRead.fileElementIndex >= fileRead.fileReader.nodeCount()) {
        finishLoadingFile();
        return;
    }
    auto hasNext = [this] { return fileRead.fileElementIndex < fileRead.fileReader.nodeCount(); };
    auto applyNext = [this] {
        LibraryNode node;
        fileRead.fileReader.next(&node);
        ++fileRead.fileElementIndex;
        if (!node.isElement) {
            std::cout << "QVX bug null element\n";
        } else if (node.tagName != QLatin1String("Element_Data")) {
            std::cout << "Unknown element: " << node.tagName.toLocal8Bit().constData() << "\n";
        } else {
            const std::string key = libraryKey(node.attributes.value(QLatin1String("persistentID")).toString());
            tableMap[key].loadDom(node.attributes);
            tableMap[key].setupRow(tableWidget, -1);
        }
    };
    TimedBatches::run(fileRead.inFirstBatch ? 0 : turnBudgetMs, hasNext, applyNext);
    std::cout.flush();
    QTimer::singleShot(0, this, &Tagdesk::loadDOM);
}

void Tagdesk::finishLoadingFile()
{
    syncEnabled = true;
    fileRead.reset();
    actionOpen_File->setEnabled(true);
    actionSave_File->setEnabled(true);
    actionNew_File->setEnabled(true);
    switchSortingOn(tableWidget);
    if (QTableWidgetItem *first = tableWidget->rowCount() > 0 ? tableWidget->item(0, ColumnTitle) : nullptr)
        tableWidget->scrollToItem(first, QAbstractItemView::PositionAtTop);
    emit loadFileDone();
}
