#include "sync/phonemerge.h"
#include "library/globals.h"
#include "library/dbelement.h"

#include <QString>
#include <cstdio>

bool phoneBpmAccepted(bool userChanged, bool shown, int currentBpm) { return userChanged || !shown || currentBpm <= 0; }

namespace {

using Setter = void (DBelement::*)(const QString &);

// The setters of fields 0 to 7, in wire order.
const Setter leadingFieldSetters[wire::BPM] = {
    &DBelement::setPersistentID, &DBelement::setUserChanged, &DBelement::setTitle, &DBelement::setAlbumTitle,
    &DBelement::setArtist,       &DBelement::setAlbumArtist, &DBelement::setGenre, &DBelement::setComposer,
};

QString fieldText(const PhoneMessage &message, int field)
{
    const std::string &bytes = message.fields[field];
    return QString::fromUtf8(bytes.data(), static_cast<qsizetype>(bytes.size()));
}

// The key is the ID up to its first zero byte, in the library's key form.
std::string keyOf(const PhoneMessage &message)
{
    QString id = fieldText(message, wire::PersistentID);
    const qsizetype zero = id.indexOf(QChar(0));
    if (zero >= 0)
        id.truncate(zero);
    return libraryKey(id);
}

void printField(const PhoneMessage &message, int field)
{
    // %s stops at a zero byte, as the line does for such a text.
    std::printf("Got MPMediaItemProperty%s:%s\n", wire::musicPassFieldNames[field], message.fields[field].c_str());
}

void applyMusicPass(const PhoneMessage &message)
{
    std::fputs("qvx GOT MUSICPASS\n", stdout);
    if (message.fieldsArrived == 0)
        return;
    const std::string key = keyOf(message);
    // Each field looks its record up afresh: a setter's itemChanged handling
    // may open a modal warning whose event loop changes the library.
    for (int field = 0; field < wire::BPM && field < message.fieldsArrived; ++field) {
        printField(message, field);
        (tableMap[key].*leadingFieldSetters[field])(fieldText(message, field));
    }
    if (message.fieldsArrived < wire::BPM)
        return;

    DBelement &record = tableMap[key];
    record.deviceBPM = record.bpm();
    const bool accepted =
        phoneBpmAccepted(record.field("userChanged").data(Qt::DisplayRole).toBool(), record.isShown(), record.bpm());
    if (message.fieldsArrived <= wire::BPM)
        return;
    printField(message, wire::BPM);
    const QString bpmText = fieldText(message, wire::BPM);
    if (accepted)
        tableMap[key].setBPM(bpmText);
    if (message.fieldsArrived <= wire::OnDevice)
        return;
    printField(message, wire::OnDevice);
    tableMap[key].setOnDevice(fieldText(message, wire::OnDevice));
    tableMap[key].deviceBPM = bpmText.toInt(nullptr, 10);
    if (tableWidget)
        tableMap[key].setupRow(tableWidget, -1);
}

} // namespace

void applyPhoneMessage(const PhoneMessage &message)
{
    switch (message.kind) {
    case PhoneMessage::Version:
        std::printf("CMD_VERSION: %d\n", message.number);
        break;
    case PhoneMessage::Unknown:
        std::printf("unknown cmd: %d\n", message.number);
        break;
    case PhoneMessage::MusicPass:
        applyMusicPass(message);
        break;
    case PhoneMessage::WantBpms:
        break;
    }
}

std::vector<wire::BpmRecord> bpmListForPhone()
{
    std::vector<wire::BpmRecord> list;
    for (auto &[key, record] : tableMap) {
        if (!record.field("iPhone").data(Qt::DisplayRole).toBool())
            continue;
        const int bpm = record.bpm();
        if (bpm == record.deviceBPM)
            continue;
        bool decimal = false;
        const qint64 id = record.text("persistentID").toLongLong(&decimal, 10);
        list.push_back({decimal ? id : 0, static_cast<int16_t>(static_cast<uint16_t>(bpm & 0xFFFF))});
    }
    return list;
}
