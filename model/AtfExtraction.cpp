#include "AtfExtraction.h"

#include "AddedFiles.h"
#include "AtfFormat.h"

#include <QDir>
#include <QFile>
#include <QFileInfo>
#include <QIODevice>
#include <QSaveFile>
#include <QTemporaryDir>
#include <QtDebug>

#include "DevicePaths.h"

#include <algorithm>
#include <cstring>
#include <filesystem>
#include <system_error>

namespace dawnbell {

namespace fs = std::filesystem;

namespace {

fs::path Native(const QString& path)
{
    return fs::path(QFile::encodeName(path).toStdString());
}

QString Reason(const std::error_code& ec)
{
    return QString::fromLocal8Bit(ec.message().c_str());
}

} // namespace

AtfExtraction::AtfExtraction(const QString& programDir) : programDir_(programDir) {}

AtfExtraction::~AtfExtraction()
{
    if (!finished_)
        Rollback();
}

bool AtfExtraction::Fail(const QString& path, const QString& reason)
{
    error_ = path + QStringLiteral(": ") + reason;
    return false;
}

QTemporaryDir* AtfExtraction::TempFolder(const QString& dir)
{
    auto it = temp_.find(dir);
    if (it != temp_.end())
        return it->second.get();
    if (!QFileInfo(dir).isDir()) {
        if (!QDir().mkpath(dir)) {
            Fail(dir, QStringLiteral("the folder cannot be created"));
            return nullptr;
        }
        created_ << dir;
    }
    // Hidden, beside the targets: on their file system, so the final moves are renames.
    auto temp = std::make_unique<QTemporaryDir>(dir + QStringLiteral("/.atf-import-XXXXXX"));
    if (!temp->isValid()) {
        Fail(dir, temp->errorString());
        return nullptr;
    }
    return temp_.emplace(dir, std::move(temp)).first->second.get();
}

bool AtfExtraction::SameContents(QIODevice* in, const AtfEmbeddedFile& file, const QString& path)
{
    QFile there;
    QString why;
    if (!AtfFormat::OpenRegularFile(path, &there, &why) || there.size() != file.size || !in->seek(file.offset))
        return false;
    std::vector<char> a(static_cast<size_t>(std::min<qint64>(file.size, AtfFormat::kPieceBytes)));
    std::vector<char> b(a.size());
    for (qint64 left = file.size; left > 0;) {
        const qint64 n = std::min<qint64>(left, AtfFormat::kPieceBytes);
        if (in->read(a.data(), n) != n || there.read(b.data(), n) != n || std::memcmp(a.data(), b.data(), size_t(n)) != 0)
            return false;
        left -= n;
    }
    return true;
}

QString AtfExtraction::Where(const QString& kind, const QString& name) const
{
    const QString builtIn = programDir_ + QLatin1Char('/') + kind;
    const QString found = AddedFiles::Find(builtIn, kind, name);
    for (const Staged& s : staged_) {
        if (s.kind == kind && s.name == name)
            return s.target;
    }
    const auto kept = kept_.find(kind + QLatin1Char('/') + name);
    return kept != kept_.end() ? kept->second : found;
}

bool AtfExtraction::Copy(QIODevice* in, const AtfEmbeddedFile& file, const QString& to)
{
    QSaveFile out(to); // synced to its disk before it takes its name
    if (!out.open(QIODevice::WriteOnly))
        return Fail(to, out.errorString());
    if (!in->seek(file.offset))
        return Fail(file.name, QStringLiteral("the template file cannot be read"));
    std::vector<char> block(static_cast<size_t>(std::min<qint64>(file.size, AtfFormat::kPieceBytes)));
    for (qint64 left = file.size; left > 0;) {
        const qint64 n = std::min<qint64>(left, AtfFormat::kPieceBytes);
        if (in->read(block.data(), n) != n)
            return Fail(file.name, QStringLiteral("the template file ended inside its contents"));
        if (out.write(block.data(), n) != n)
            return Fail(to, out.errorString());
        left -= n;
    }
    if (!out.commit())
        return Fail(to, out.errorString());
    return true;
}

bool AtfExtraction::Stage(QIODevice* in, const std::vector<AtfEmbeddedFile>& files,
                          const AtfReader::OverwriteQuestion& ask)
{
    error_.clear();
    for (const AtfEmbeddedFile& file : files) {
        const QString builtIn = programDir_ + QLatin1Char('/') + file.folder;
        auto earlier = std::find_if(staged_.begin(), staged_.end(),
                                    [&](const Staged& s) { return s.kind == file.folder && s.name == file.name; });
        // What the name finds now: the user's file, else the program's. lstat:
        // a dangling symbolic link is an existing entry too.
        const QString existing = AddedFiles::Find(builtIn, file.folder, file.name);
        std::error_code ec;
        const fs::file_type type = fs::symlink_status(Native(existing), ec).type();
        if (type == fs::file_type::none || type == fs::file_type::unknown)
            return Fail(existing, ec ? Reason(ec) : QStringLiteral("an entry of unknown kind is in the way"));
        const bool exists = type != fs::file_type::not_found;
        if (earlier != staged_.end()) {
            if (SameContents(in, file, earlier->copy) || !(ask && ask(earlier->target)))
                continue; // the earlier file stays
        } else if (exists) {
            if (SameContents(in, file, existing)) {
                kept_[file.folder + QLatin1Char('/') + file.name] = existing; // already there, byte for byte
                continue;
            }
            if (!(ask && ask(existing))) {
                kept_[file.folder + QLatin1Char('/') + file.name] = existing;
                continue; // kept as it is
            }
            if (type != fs::file_type::regular && type != fs::file_type::symlink)
                return Fail(existing, AtfFormat::KindName(type) + QStringLiteral(" is in the way"));
        }
        // An existing file is replaced where it is when that folder can be
        // written; otherwise the copy goes to the user's folder and stands in for it.
        const QString existingDir = QFileInfo(existing).path();
        const QString dir = exists && CanWriteIn(QFile::encodeName(existingDir).toStdString())
                                ? existingDir
                                : AddedFiles::TargetFolder(builtIn, file.folder);
        QTemporaryDir* temp = TempFolder(dir);
        if (!temp)
            return false;
        const QString copy = temp->filePath(QStringLiteral("new-%1").arg(++copies_));
        if (!Copy(in, file, copy))
            return false;
        if (earlier != staged_.end()) {
            QFile::remove(earlier->copy); // the later file of the same name wins
            earlier->copy = copy;
        } else {
            staged_.push_back(Staged{dir + QLatin1Char('/') + file.name, copy, QString(), false, file.folder, file.name});
        }
    }
    return true;
}

bool AtfExtraction::Install()
{
    error_.clear();
    for (Staged& s : staged_) {
        std::error_code ec;
        const fs::file_type type = fs::symlink_status(Native(s.target), ec).type();
        if (type != fs::file_type::not_found) {
            // Kept until Finish, so Rollback can put it back as it was.
            s.aside = QFileInfo(s.copy).absolutePath() + QStringLiteral("/old-%1").arg(++copies_);
            fs::rename(Native(s.target), Native(s.aside), ec);
            if (ec) {
                s.aside.clear();
                Fail(s.target, Reason(ec));
                Rollback();
                return false;
            }
        }
        // rename() replaces the entry itself: a link is never followed.
        fs::rename(Native(s.copy), Native(s.target), ec);
        if (ec) {
            Fail(s.target, Reason(ec));
            Rollback();
            return false;
        }
        s.placed = true;
        installed_ << s.target;
    }
    return true;
}

void AtfExtraction::Rollback()
{
    for (auto it = staged_.rbegin(); it != staged_.rend(); ++it) {
        Staged& s = *it;
        std::error_code ec;
        if (!s.aside.isEmpty())
            fs::rename(Native(s.aside), Native(s.target), ec); // over the placed copy, if any
        else if (s.placed)
            fs::remove(Native(s.target), ec);
        if (ec)
            qWarning("Template import: %s could not be put back as it was: %s", qUtf8Printable(s.target),
                     qUtf8Printable(Reason(ec)));
        s.aside.clear();
        s.placed = false;
    }
    staged_.clear();
    kept_.clear();
    installed_.clear();
    temp_.clear(); // removes the temporary folders and what is left in them
    for (auto it = created_.crbegin(); it != created_.crend(); ++it)
        QDir().rmdir(*it); // only when empty
    created_.clear();
    finished_ = true;
}

void AtfExtraction::Finish()
{
    staged_.clear();
    temp_.clear();
    created_.clear();
    finished_ = true;
}

} // namespace dawnbell
