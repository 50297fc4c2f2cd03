#include "app/tagdesk.h"
#include "library/globals.h"
#include "library/songhistory.h"
#include "library/songstore.h"
#include "table/paintbreaks.h"
#include "table/timedbatches.h"

#include <QFileInfo>
#include <QMessageBox>
#include <QSettings>
#include <QTimer>
#include <iostream>

namespace {

// Batches run on in one event-loop turn while this budget lasts.
constexpr qint64 turnBudgetMs = 40;
// Songs named in the message about BPMs cleared during a read.
constexpr int clearedTitlesShown = 5;

} // namespace

void Tagdesk::loadFile(const QString &fileName)
{
    if (fileRead.loadingFile)
        return;
    modified = false;
    SongStore::library().clear();
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
    SongStore::library().beginBulkChange();
    syncEnabled = false;
    fileRead.loadingFile = true;
    actionOpen_File->setEnabled(false);
    actionSave_File->setEnabled(false);
    actionNew_File->setEnabled(false);
    fileRead.inFirstBatch = true;
    fileRead.fileName = fileName;
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
    SongStore &store = SongStore::library();
    SongStore::Batch batch(store);
    auto applyNext = [this, &store] {
        LibraryNode node;
        fileRead.fileReader.next(&node);
        ++fileRead.fileElementIndex;
        if (!node.isElement) {
            std::cout << "QVX bug null element\n";
        } else if (node.tagName != QLatin1String("Element_Data")) {
            std::cout << "Unknown element: " << node.tagName.toLocal8Bit().constData() << "\n";
        } else {
            const std::string key = libraryKey(node.attributes.value(QLatin1String("persistentID")).toString());
            bool bpmKept = true;
            store.update(key, [&](DBelement &record) { bpmKept = record.loadDom(node.attributes); });
            if (!bpmKept && fileRead.bpmsCleared++ < clearedTitlesShown)
                fileRead.bpmClearedTitles << store.find(key)->text(SongField::Title);
            store.setupRow(key);
        }
    };
    TimedBatches::run(fileRead.inFirstBatch ? 0 : turnBudgetMs, hasNext, applyNext);
    std::cout.flush();
    QTimer::singleShot(0, this, &Tagdesk::loadDOM);
}

void Tagdesk::finishLoadingFile()
{
    syncEnabled = true;
    reportClearedBpms(fileRead.fileName, fileRead.bpmsCleared, fileRead.bpmClearedTitles);
    fileRead.reset();
    actionOpen_File->setEnabled(true);
    actionSave_File->setEnabled(true);
    actionNew_File->setEnabled(true);
    SongStore::library().endBulkChange();
    // The library is its file now; changes from here on can be undone.
    history->markSaved();
    tableWidget->scrollToTop();
    emit loadFileDone();
}

void Tagdesk::reportClearedBpms(const QString &fileName, int count, const QStringList &titles)
{
    if (count == 0)
        return;
    QString named = titles.join(QStringLiteral(", "));
    if (count > titles.size())
        named += tr(" and %1 more").arg(count - titles.size());
    const QString songs = count == 1 ? tr("1 song") : tr("%1 songs").arg(count);
    const QString message =
        tr("%1 in \"%2\" had a BPM outside 50-200, now none: %3").arg(songs, QFileInfo(fileName).fileName(), named);
    std::cout << message.toLocal8Bit().constData() << "\n";
    std::cout.flush();
    // Not modal to the read: whatever waits for the read's end goes on.
    auto *box = new QMessageBox(QMessageBox::Warning, tr("Out of range"), message, QMessageBox::Ok, this);
    box->setAttribute(Qt::WA_DeleteOnClose);
    box->open();
}
