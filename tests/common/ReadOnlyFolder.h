#pragma once
// A program folder as a package installs it: one this process cannot write.
// As root (which write permissions do not stop) the folder becomes a read-only
// bind mount in a private mount namespace of the test process; otherwise its
// folders lose their write permissions. Both are undone when the object goes.
#include <QDirIterator>
#include <QFile>
#include <QString>
#include <QStringList>

#include <sched.h>
#include <sys/mount.h>
#include <sys/stat.h>
#include <unistd.h>

namespace dawnbell::test {

class ReadOnlyFolder {
public:
    // Makes `dir` (and everything below it) unwritable; isValid() says whether it worked.
    explicit ReadOnlyFolder(const QString& dir) : path_(QFile::encodeName(dir))
    {
        if (::geteuid() == 0) {
            static const bool privateNamespace = ::unshare(CLONE_NEWNS) == 0
                && ::mount(nullptr, "/", nullptr, MS_REC | MS_PRIVATE, nullptr) == 0;
            mounted_ = privateNamespace && ::mount(path_.constData(), path_.constData(), nullptr, MS_BIND, nullptr) == 0;
            valid_ = mounted_
                && ::mount(nullptr, path_.constData(), nullptr, MS_REMOUNT | MS_BIND | MS_RDONLY, nullptr) == 0;
        } else {
            folders_ << dir;
            QDirIterator it(dir, QDir::Dirs | QDir::NoDotAndDotDot | QDir::Hidden, QDirIterator::Subdirectories);
            while (it.hasNext())
                folders_ << it.next();
            valid_ = true;
            for (const QString& f : folders_)
                valid_ = ::chmod(QFile::encodeName(f).constData(), 0555) == 0 && valid_;
        }
    }
    ~ReadOnlyFolder()
    {
        if (mounted_)
            ::umount2(path_.constData(), MNT_DETACH);
        for (const QString& f : folders_)
            ::chmod(QFile::encodeName(f).constData(), 0755);
    }
    ReadOnlyFolder(const ReadOnlyFolder&) = delete;
    ReadOnlyFolder& operator=(const ReadOnlyFolder&) = delete;

    bool isValid() const { return valid_; }

private:
    QByteArray path_;     // the folder
    bool mounted_ = false; // a bind mount to undo
    bool valid_ = false;  // the folder cannot be written now
    QStringList folders_; // folders whose permissions to give back
};

} // namespace dawnbell::test
