#pragma once

#include <QString>
#include <QTemporaryDir>

// Moves this process into a mount namespace of its own, so that what a test
// mounts is seen by it and its children only and goes when they end. Must be
// called before any thread starts; where it cannot be done (not root, no
// namespaces) the tests that need it skip, saying why.
void enterPrivateMountNamespace();

// A tmpfs of a given size, mounted for one test: the way to a full disk.
class SmallFilesystem
{
public:
    explicit SmallFilesystem(qint64 bytes);
    ~SmallFilesystem();
    SmallFilesystem(const SmallFilesystem &) = delete;
    SmallFilesystem &operator=(const SmallFilesystem &) = delete;

    // Empty when mounted; why not otherwise (a test skips with it).
    QString problem() const { return trouble; }
    QString path() const { return folder.path(); }
    // Takes up the room until at most freeBytes are left; false on failure.
    bool fillLeaving(qint64 freeBytes);
    qint64 freeBytes() const;

private:
    QTemporaryDir folder;
    QString trouble;
    bool mounted = false;
};
