#include "sync/phonemerge.h"
#include "library/phonelink.h"
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

// The phone's ID up to its first zero byte, as the library's key holds it.
QString phoneID(const PhoneMessage &message)
{
    QString id = fieldText(message, wire::PersistentID);
    const qsizetype zero = id.indexOf(QChar(0));
    if (zero >= 0)
        id.truncate(zero);
    return id;
}

// Whether a MUSICPASS names a song the library holds under another key, or
// may: its ID is no key of the library.
bool mayNeedLink(const PhoneMessage &message)
{
    return message.kind == PhoneMessage::MusicPass && message.fieldsArrived > 0
        && !SongStore::library().find(libraryKey(phoneID(message)));
}

void printField(const PhoneMessage &message, int field)
{
    // %s stops at a zero byte, as the line does for such a text.
    std::printf("Got MPMediaItemProperty%s:%s\n", wire::musicPassFieldNames[field], message.fields[field].c_str());
}

} // namespace

PhoneMerge::PhoneMerge() : links(SongStore::library()) {}

bool PhoneMerge::prepare(const PhoneMessage &message, const QDeadlineTimer &deadline)
{
    if (!mayNeedLink(message))
        return true;
    if (!links.indexLinks(deadline))
        return false;
    // Free songs are looked for only by a phone song that names its title,
    // artist and album, and is not linked yet.
    if (message.fieldsArrived <= wire::Artist || !links.linkedTo(phoneID(message)).empty())
        return true;
    return links.indexFreeSongs(deadline);
}

PhoneMerge::Target PhoneMerge::target(const PhoneMessage &message)
{
    SongStore &store = SongStore::library();
    const QString id = phoneID(message);
    const std::string key = libraryKey(id);
    if (const DBelement *record = store.find(key)) {
        // The phone knows the song by its own ID now, and by that alone.
        if (!record->storedText(SongField::PhoneID).isEmpty())
            store.change(key, [](DBelement &song) { song.setPhoneID(QString()); });
        links.noteClaimed(key);
        return {key, false};
    }
    if (!id.isEmpty()) {
        std::string linked = links.linkedTo(id);
        if (linked.empty() && message.fieldsArrived > wire::Artist) {
            linked = links.findFree(SongIdentity::of(fieldText(message, wire::Title), fieldText(message, wire::Artist),
                                                     fieldText(message, wire::AlbumTitle)));
            if (!linked.empty()) {
                store.change(linked, [&id](DBelement &song) { song.setPhoneID(id); });
                links.noteLinked(id, linked);
            }
        }
        if (!linked.empty())
            return {linked, true};
    }
    links.noteClaimed(key);
    return {key, false};
}

void PhoneMerge::applyMusicPass(const PhoneMessage &message)
{
    std::fputs("qvx GOT MUSICPASS\n", stdout);
    if (message.fieldsArrived == 0)
        return;
    const Target song = target(message);
    const std::string &key = song.key;
    SongStore &store = SongStore::library();
    for (int field = 0; field < wire::BPM && field < message.fieldsArrived; ++field) {
        printField(message, field);
        // A linked record's texts are its files' tags; the phone's are not taken.
        if (song.linked && field != wire::UserChanged)
            continue;
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

void PhoneMerge::apply(const PhoneMessage &message)
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
        const qint64 id = phoneSongID(record).toLongLong(&decimal, 10);
        list.push_back({decimal ? id : 0, static_cast<int16_t>(static_cast<uint16_t>(bpm & 0xFFFF))});
    }
    return list;
}
