#include "folders/musicfolderscan.h"
#include "folders/openfolder.h"
#include "folders/songfile.h"

#include <QFile>
#include <cerrno>
#include <climits>
#include <cstdlib>
#include <dirent.h>
#include <fcntl.h>
#include <set>
#include <sys/stat.h>
#include <utility>
#include <vector>

namespace {

using FileIdentity = std::pair<dev_t, ino_t>;

QByteArray canonical(const QByteArray &path)
{
    char resolved[PATH_MAX];
    return realpath(path.constData(), resolved) ? QByteArray(resolved) : QByteArray();
}

// A path goes into the library, the library file and the converter's
// arguments as text; one whose bytes do not come back from that text would
// name another file or none, and control characters other than tab and line
// breaks cannot be written into an XML library file.
bool isKeepable(const QByteArray &path)
{
    for (const char byte : path) {
        if (byte > 0 && byte < 0x20 && byte != '\t' && byte != '\n' && byte != '\r')
            return false;
    }
    return QFile::encodeName(QFile::decodeName(path)) == path;
}

class Walk
{
public:
    Walk(const std::function<void(FoundSong &&)> &take, const std::atomic_bool &cancel, std::atomic<qint64> &filesSeen)
        : take(take), cancel(cancel), filesSeen(filesSeen)
    {}

    void start(const QByteArray &path)
    {
        struct stat info;
        if (stat(path.constData(), &info) != 0) {
            countFailedStat(AT_FDCWD, path);
            return;
        }
        const QByteArray real = canonical(path);
        if (real.isEmpty())
            passOver(info.st_mode, path);
        else if (S_ISDIR(info.st_mode))
            enterFolder(real, info);
        else if (S_ISREG(info.st_mode))
            lookAtFile(real, info.st_dev, info.st_ino);
        else
            passOver(info.st_mode, real);
        drain();
    }

    ScanCounts counts;

private:
    // Folders wait on a stack rather than in recursion, so no depth of
    // nesting can exhaust the thread's stack.
    void drain()
    {
        while (!pending.empty() && !cancel) {
            const QByteArray folder = std::move(pending.back());
            pending.pop_back();
            list(folder);
        }
    }

    void enterFolder(const QByteArray &real, const struct stat &info)
    {
        if (!seenFolders.insert({info.st_dev, info.st_ino}).second) {
            ++counts.loops;
            return;
        }
        if (!isKeepable(real)) {
            ++counts.unkeepableNames;
            return;
        }
        pending.push_back(real);
    }

    void list(const QByteArray &folder)
    {
        DIR *dir = openFolder(folder);
        if (!dir) {
            ++counts.unreadableFolders;
            return;
        }
        // Entries are looked at relative to the open folder, which works
        // whatever the length of their full paths.
        const int folderFd = dirfd(dir);
        struct stat folderInfo;
        const dev_t device = fstat(folderFd, &folderInfo) == 0 ? folderInfo.st_dev : 0;
        const QByteArray prefix = folder.endsWith('/') ? folder : folder + '/';
        bool listingFailed = false;
        while (!cancel) {
            errno = 0;
            const dirent *entry = readdir(dir);
            if (!entry) {
                listingFailed = errno != 0;
                break;
            }
            const QByteArray name(entry->d_name);
            if (name == "." || name == "..")
                continue;
            const QByteArray path = prefix + name;
            if (entry->d_type == DT_REG) {
                lookAtFile(path, device, entry->d_ino);
                continue;
            }
            if (entry->d_type != DT_DIR && entry->d_type != DT_LNK && entry->d_type != DT_UNKNOWN) {
                passOver(DTTOIF(entry->d_type), name);
                continue;
            }
            struct stat info;
            if (fstatat(folderFd, name.constData(), &info, 0) != 0) {
                countFailedStat(folderFd, name);
                continue;
            }
            if (!S_ISDIR(info.st_mode) && !S_ISREG(info.st_mode)) {
                passOver(info.st_mode, name);
                continue;
            }
            // A link's target has a canonical path of its own; a folder's
            // entries under a canonical folder are canonical already.
            const bool isLink = entry->d_type != DT_DIR && entry->d_type != DT_REG;
            const QByteArray real = isLink ? canonical(path) : path;
            if (real.isEmpty())
                passOver(info.st_mode, name);
            else if (S_ISDIR(info.st_mode))
                enterFolder(real, info);
            else
                lookAtFile(real, info.st_dev, info.st_ino);
        }
        if (listingFailed)
            ++counts.unreadableFolders;
        closedir(dir);
    }

    void countFailedStat(int folderFd, const QByteArray &name)
    {
        if (errno == ELOOP) {
            ++counts.loops;
            return;
        }
        // A dangling link names nothing to import; anything else is a file
        // or folder that exists but could not be looked at.
        struct stat linkInfo;
        if (fstatat(folderFd, name.constData(), &linkInfo, AT_SYMLINK_NOFOLLOW) == 0 && !S_ISLNK(linkInfo.st_mode))
            ++counts.unreadableFiles;
    }

    // Something that exists but cannot be taken: a link whose target's path
    // cannot be worked out, or no regular file at all (a FIFO or a device,
    // perhaps one a song was replaced by). A folder counts as unreadable; so
    // does anything named as audio, as it would if it had become unreadable a
    // moment later, when the tag reader opened it. Other FIFOs, devices and
    // sockets hold no songs and are not counted.
    void passOver(mode_t mode, const QByteArray &name)
    {
        if (S_ISDIR(mode)) {
            ++counts.unreadableFolders;
            return;
        }
        const bool songName = isSongFileName(name.mid(name.lastIndexOf('/') + 1));
        if (!S_ISREG(mode) && !songName)
            return;
        ++counts.files;
        ++filesSeen;
        if (songName)
            ++counts.unreadableFiles;
    }

    void lookAtFile(const QByteArray &path, dev_t device, ino_t inode)
    {
        ++counts.files;
        ++filesSeen;
        const qsizetype slash = path.lastIndexOf('/');
        if (!isSongFileName(path.mid(slash + 1)))
            return;
        if (!seenFiles.insert({device, inode}).second)
            return;
        if (!isKeepable(path)) {
            ++counts.unkeepableNames;
            return;
        }
        // Neither the tag reader, the converter nor the tag writer can open
        // so long a path by name.
        if (path.size() >= PATH_MAX) {
            ++counts.unreadableFiles;
            return;
        }
        std::optional<SongTags> tags = readSongTags(path);
        if (!tags) {
            ++counts.unreadableFiles;
            return;
        }
        ++counts.songs;
        take(FoundSong{QFile::decodeName(path), folderPersistentIDHex(path), std::move(*tags)});
    }

    const std::function<void(FoundSong &&)> &take;
    const std::atomic_bool &cancel;
    std::atomic<qint64> &filesSeen;
    std::vector<QByteArray> pending;
    std::set<FileIdentity> seenFolders;
    std::set<FileIdentity> seenFiles;
};

} // namespace

ScanCounts scanMusicPaths(const QStringList &paths, const std::function<void(FoundSong &&)> &take,
                          const std::atomic_bool &cancel, std::atomic<qint64> &filesSeen)
{
    Walk walk(take, cancel, filesSeen);
    for (const QString &path : paths) {
        if (cancel)
            break;
        walk.start(QFile::encodeName(path));
    }
    return walk.counts;
}
