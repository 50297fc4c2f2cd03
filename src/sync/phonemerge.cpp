#include "sync/phonemerge.h"
#include "library/songstore.h"

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
    SongStore &store = SongStore::library();
    for (int field = 0; field < wire::BPM && field < message.fieldsArrived; ++field) {
        printField(message, field);
        const QString text = fieldText(message, field);
        store.update(key, [field, &text](DBelement &record) { (record.*leadingFieldSetters[field])(text); });
    }
    if (message.fieldsArrived < wire::BPM)
        return;

    bool accepted = false;
    store.update(key, [&accepted](DBelement &record) {
        record.deviceBPM = record.bpm();
        accepted = phoneBpmAccepted(record.flag(SongField::UserChanged), record.isShown(), record.bpm());
    });
    if (message.fieldsArrived <= wire::BPM)
        return;
    printField(message, wire::BPM);
    const QString bpmText = fieldText(message, wire::BPM);
    if (accepted)
        store.update(key, [&bpmText](DBelement &record) { record.setBPM(bpmText); });
    if (message.fieldsArrived <= wire::OnDevice)
        return;
    printField(message, wire::OnDevice);
    const QString onDevice = fieldText(message, wire::OnDevice);
    store.update(key, [&onDevice, &bpmText](DBelement &record) {
        record.setOnDevice(onDevice);
        record.deviceBPM = bpmText.toInt(nullptr, 10);
    });
    store.setupRow(key);
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
    for (const auto &[key, record] : SongStore::library().tableMap()) {
        if (!record.flag(SongField::Iphone))
            continue;
        const int bpm = record.bpm();
        if (bpm == record.deviceBPM)
            continue;
        bool decimal = false;
        const qint64 id = record.text(SongField::PersistentID).toLongLong(&decimal, 10);
        list.push_back({decimal ? id : 0, static_cast<int16_t>(static_cast<uint16_t>(bpm & 0xFFFF))});
    }
    return list;
}
