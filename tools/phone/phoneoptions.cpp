#include "phoneoptions.h"

const char phoneUsage[] =
    "usage: velmora-phone listen [--timeout S]\n"
    "       velmora-phone sync HOST [--version N] [--songs FILE] [--folder DIR] [--raw HEX] [--pause MS] [--want]\n"
    "                         [--timeout S]\n"
    "  listen  waits for one discovery datagram on UDP 4950, prints the sender and its bytes\n"
    "  sync    connects to HOST:4950 and sends, in the order given, CMD_VERSION N, one MUSICPASS per\n"
    "          song of FILE (tab-separated, a header naming the fields), one per audio file under DIR\n"
    "          (its tags, under an ID of the phone's own), raw bytes, pauses; then with\n"
    "          --want CMD_WANTBPMS, printing each BPM record received as persistentID<TAB>bpm\n";

namespace {

constexpr int maxPauseMs = 60000;
constexpr double maxTimeoutSeconds = 600;

bool takeValue(const QStringList &arguments, qsizetype *i, QString *value, QString *error)
{
    if (*i + 1 >= arguments.size()) {
        *error = QStringLiteral("%1 needs a value").arg(arguments[*i]);
        return false;
    }
    *value = arguments[++*i];
    return true;
}

} // namespace

bool parseHex(const QString &text, QByteArray *bytes)
{
    QByteArray digits = text.toLatin1();
    digits.replace(' ', "");
    bytes->clear();
    if (digits.size() % 2 != 0)
        return false;
    for (qsizetype i = 0; i < digits.size(); i += 2) {
        bool ok = false;
        const uint value = digits.mid(i, 2).toUInt(&ok, 16);
        if (!ok || digits[i] == '+' || digits[i] == '-')
            return false;
        bytes->append(static_cast<char>(value));
    }
    return true;
}

bool parsePhoneOptions(const QStringList &arguments, PhoneOptions *options, QString *error)
{
    if (arguments.isEmpty() || (arguments[0] != QLatin1String("listen") && arguments[0] != QLatin1String("sync"))) {
        *error = QStringLiteral("a command is needed: listen or sync");
        return false;
    }
    qsizetype i = 1;
    options->command = arguments[0] == QLatin1String("listen") ? PhoneOptions::Listen : PhoneOptions::Sync;
    if (options->command == PhoneOptions::Sync) {
        if (arguments.size() < 2 || arguments[1].startsWith(QLatin1String("--"))) {
            *error = QStringLiteral("sync needs a HOST");
            return false;
        }
        options->host = arguments[1];
        options->timeoutMs = 30000;
        i = 2;
    }
    for (; i < arguments.size(); ++i) {
        const QString &option = arguments[i];
        QString value;
        bool ok = true;
        if (option == QLatin1String("--want") && options->command == PhoneOptions::Sync) {
            options->wantBpms = true;
            continue;
        }
        if (!takeValue(arguments, &i, &value, error))
            return false;
        if (option == QLatin1String("--timeout")) {
            const double seconds = value.toDouble(&ok);
            ok = ok && seconds > 0 && seconds <= maxTimeoutSeconds;
            options->timeoutMs = static_cast<int>(seconds * 1000);
        } else if (options->command == PhoneOptions::Listen) {
            ok = false;
        } else if (option == QLatin1String("--version")) {
            options->steps.push_back({PhoneStep::Version, value.toInt(&ok), {}, {}});
        } else if (option == QLatin1String("--songs")) {
            options->steps.push_back({PhoneStep::Songs, 0, value, {}});
        } else if (option == QLatin1String("--folder")) {
            options->steps.push_back({PhoneStep::Folder, 0, value, {}});
        } else if (option == QLatin1String("--raw")) {
            PhoneStep step{PhoneStep::Raw, 0, {}, {}};
            ok = parseHex(value, &step.bytes);
            options->steps.push_back(step);
        } else if (option == QLatin1String("--pause")) {
            const int ms = value.toInt(&ok);
            ok = ok && ms >= 0 && ms <= maxPauseMs;
            options->steps.push_back({PhoneStep::Pause, ms, {}, {}});
        } else {
            ok = false;
        }
        if (!ok) {
            *error = QStringLiteral("bad option or value: %1 %2").arg(option, value);
            return false;
        }
    }
    return true;
}
