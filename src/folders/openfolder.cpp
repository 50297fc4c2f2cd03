#include "folders/openfolder.h"

#include <climits>
#include <fcntl.h>
#include <unistd.h>

DIR *openFolder(const QByteArray &path)
{
    int base = AT_FDCWD;
    qsizetype from = 0;
    for (;;) {
        const bool lastStretch = path.size() - from < PATH_MAX;
        // A name is at most NAME_MAX bytes, so a stretch of whole names fits.
        const qsizetype cut = lastStretch ? path.size() : path.lastIndexOf('/', from + PATH_MAX - 1);
        const int next = cut > from
            ? ::openat(base, path.mid(from, cut - from).constData(), O_RDONLY | O_DIRECTORY | O_NONBLOCK | O_CLOEXEC)
            : -1;
        if (base != AT_FDCWD)
            ::close(base);
        if (next < 0)
            return nullptr;
        if (lastStretch) {
            DIR *listing = ::fdopendir(next);
            if (!listing)
                ::close(next);
            return listing;
        }
        base = next;
        from = cut + 1;
    }
}
