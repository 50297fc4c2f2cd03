#include "bpmoptions.h"

#include <QCommandLineParser>
#include <QRegularExpression>
#include <QThread>

BpmOptions parseBpmOptions(const QStringList &arguments, QString *error)
{
    QCommandLineParser parser;
    parser.setApplicationDescription(
        QStringLiteral("Finds the tempo of audio files and prints one line per file: BPM, alternative tempo "
                       "(\"-\" when none) and path, in the order given."));
    const QCommandLineOption jobsOption({QStringLiteral("j"), QStringLiteral("jobs")},
                                        QStringLiteral("Analyse up to <n> files at once (default: the number of "
                                                       "cores, %1).")
                                            .arg(QThread::idealThreadCount()),
                                        QStringLiteral("n"));
    const QCommandLineOption writeTagsOption(QStringLiteral("write-tags"),
                                             QStringLiteral("Write each tempo found into its file's BPM tag."));
    const QCommandLineOption rangeOption(QStringLiteral("range"),
                                         QStringLiteral("Move tempos outside MIN-MAX (within 50-200) into it by an "
                                                        "octave, e.g. 70-140."),
                                         QStringLiteral("MIN-MAX"));
    const QCommandLineOption csvOption(QStringLiteral("csv"),
                                       QStringLiteral("Print CSV lines \"bpm,alternative,path\" after a header."));
    const QCommandLineOption skipTaggedOption(
        QStringLiteral("skip-tagged"),
        QStringLiteral("Report a file whose tags hold a BPM (50-200) with that value, marked \"tagged\" at the end "
                       "of its line, instead of analysing it."));
    parser.addOptions({jobsOption, writeTagsOption, rangeOption, csvOption, skipTaggedOption});
    const QCommandLineOption helpOption = parser.addHelpOption();
    const QCommandLineOption versionOption = parser.addVersionOption();
    parser.addPositionalArgument(QStringLiteral("PATH"), QStringLiteral("Audio files, or folders to search."),
                                 QStringLiteral("PATH..."));
    BpmOptions options;
    // A malformed command line is an error like any other value that makes
    // no sense, with the same exit status.
    if (!parser.parse(arguments)) {
        *error = parser.errorText();
        return options;
    }
    if (parser.isSet(helpOption))
        parser.showHelp(0);
    if (parser.isSet(versionOption))
        parser.showVersion();

    options.jobs = QThread::idealThreadCount();
    options.writeTags = parser.isSet(writeTagsOption);
    options.csv = parser.isSet(csvOption);
    options.skipTagged = parser.isSet(skipTaggedOption);
    options.paths = parser.positionalArguments();
    if (parser.isSet(jobsOption)) {
        bool isNumber = false;
        options.jobs = parser.value(jobsOption).toInt(&isNumber);
        if (!isNumber || options.jobs < 1 || options.jobs > maxBpmJobs) {
            *error = QStringLiteral("-j wants a number of jobs from 1 to %1, not \"%2\"")
                         .arg(maxBpmJobs)
                         .arg(parser.value(jobsOption));
            return options;
        }
    }
    if (parser.isSet(rangeOption)) {
        const QString text = parser.value(rangeOption);
        const QRegularExpressionMatch match =
            QRegularExpression(QStringLiteral("^\\s*(\\d{1,3})\\s*-\\s*(\\d{1,3})\\s*$")).match(text);
        options.rangeLow = match.hasMatch() ? match.captured(1).toInt() : 0;
        options.rangeHigh = match.hasMatch() ? match.captured(2).toInt() : 0;
        if (!match.hasMatch() || options.rangeLow < 50 || options.rangeHigh > 200
            || options.rangeLow >= options.rangeHigh) {
            *error = QStringLiteral("--range wants MIN-MAX, whole tempos with 50 <= MIN < MAX <= 200 "
                                    "(e.g. 70-140), not \"%1\"")
                         .arg(text);
            return options;
        }
    }
    if (options.paths.isEmpty())
        *error = QStringLiteral("no file or folder given (see --help)");
    return options;
}
