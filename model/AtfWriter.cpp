#include "AtfWriter.h"

#include "AddedFiles.h"
#include "Alarm.h"
#include "AtfFormat.h"
#include "Clock.h"

#include <QFile>
#include <QSaveFile>
#include <QScopeGuard>
#include <QSet>
#include <QtEndian>

#include <cerrno>
#include <cstring>
#include <algorithm>
#include <filesystem>
#include <limits>
#include <vector>

namespace dawnbell {

AtfWriter::AtfWriter(const QString& programDir) : programDir_(programDir) {}

bool AtfWriter::Fail(const QString& path, const QString& reason)
{
    error_ = path + QStringLiteral(": ") + reason;
    return false;
}

bool AtfWriter::Raw(const char* data, qint64 size)
{
    if (out_->write(data, size) != size)
        return Fail(outName_.isEmpty() ? QStringLiteral("template file") : outName_, out_->errorString());
    return true;
}

bool AtfWriter::Units(const QString& text)
{
    std::vector<char16_t> piece;
    for (qsizetype from = 0; from < text.size(); from += AtfFormat::kPieceUnits) {
        const qsizetype n = std::min<qsizetype>(AtfFormat::kPieceUnits, text.size() - from);
        piece.resize(static_cast<size_t>(n));
        for (qsizetype i = 0; i < n; ++i)
            piece[static_cast<size_t>(i)] = qToLittleEndian(static_cast<char16_t>(text[from + i].unicode()));
        if (!Raw(reinterpret_cast<const char*>(piece.data()), n * 2))
            return false;
    }
    return true;
}

bool AtfWriter::Bar(const QString& text)
{
    return Units(text) && Units(QString(QChar(AtfFormat::kBar)));
}

bool AtfWriter::Counted(const QString& text)
{
    return Number(text.size()) && Units(text);
}

bool AtfWriter::Number(qint64 value)
{
    return Bar(QString::number(value));
}

bool AtfWriter::Embed(const QString& sourcePath, const QString& name)
{
    // A FIFO or a device is refused, never read: it is no file to carry.
    QFile in;
    QString why;
    if (!AtfFormat::OpenRegularFile(sourcePath, &in, &why))
        return Fail(sourcePath, why);
    const qint64 size = in.size();
    // The reader takes sizes as 32-bit numbers, and all files together within its limit.
    if (size > std::numeric_limits<int32_t>::max() || size > AtfFormat::kMaxEmbeddedBytes - embeddedBytes_)
        return Fail(sourcePath, QString::fromLocal8Bit(std::strerror(EFBIG)));
    embeddedBytes_ += size;
    if (!Bar(name) || !Number(size))
        return false;
    std::vector<char> block(static_cast<size_t>(std::min<qint64>(size, AtfFormat::kPieceBytes)));
    for (qint64 left = size; left > 0;) {
        const qint64 want = std::min<qint64>(left, AtfFormat::kPieceBytes);
        const qint64 got = in.read(block.data(), want);
        if (got <= 0) // an error, or the file shrank while it was being written out
            return Fail(sourcePath, got < 0 ? in.errorString() : QString::fromLocal8Bit(std::strerror(EIO)));
        if (!Raw(block.data(), got))
            return false;
        left -= got;
    }
    return true;
}

bool AtfWriter::Write(const AlarmTemplate& t, QIODevice* out)
{
    out_ = out;
    error_.clear();
    embeddedBytes_ = 0;
    const QString bar = QString(QChar(AtfFormat::kBar));

    // Sound files: each distinct full path once, in playlist order; pictures:
    // each distinct non-empty name once, in the file's picture order.
    QStringList sounds, pictures;
    QSet<QString> seen;
    for (const QString& path : t.playlist) {
        if (!seen.contains(path))
            sounds << path;
        seen.insert(path);
    }
    seen.clear();
    for (int i = 0; i < AtfFormat::kPictureCount; ++i) {
        const QString& name = t.BackImage(AtfFormat::PictureField(i));
        if (!name.isEmpty() && !seen.contains(name))
            pictures << name;
        seen.insert(name);
    }
    if (sounds.size() + pictures.size() > AtfFormat::kMaxEmbeddedFiles)
        return Fail(t.name, QStringLiteral("more than %1 sound and picture files to carry").arg(AtfFormat::kMaxEmbeddedFiles));

    if (!Bar(AtfFormat::Header(AtfFormat::kVersion)) || !Counted(t.name))
        return false;
    for (const QString& path : sounds) {
        if (!Embed(path, AtfFormat::EmbeddedName(path)))
            return false;
    }
    if (!Units(bar))
        return false;
    for (const QString& name : pictures) {
        const QString picture = AddedFiles::Find(programDir_ + QStringLiteral("/images"), AddedFiles::kImages, name);
        if (!Embed(picture, AtfFormat::EmbeddedName(name)))
            return false;
    }
    if (!Units(bar))
        return false;

    for (const QString& path : t.playlist) {
        if (!Bar(AtfFormat::EmbeddedName(path)))
            return false;
    }
    if (!Units(bar))
        return false;

    if (!Raw(reinterpret_cast<const char*>(t.fade.data()), kFadePoints) || !Number(t.fadeDuration)
        || !Counted(t.title) || !Counted(t.message) || !Counted(t.command))
        return false;
    for (int i = 0; i < AtfFormat::kPictureCount; ++i) {
        const QString& name = t.BackImage(AtfFormat::PictureField(i));
        if (!Counted(name.isEmpty() ? name : AtfFormat::EmbeddedName(name)))
            return false;
    }

    const clock::LocalTime time = clock::ToLocal(t.alarmTime);
    const char days[6] = {
        static_cast<char>(time.hour),        static_cast<char>(time.minute),    static_cast<char>(time.second),
        static_cast<char>(t.repeatDays & 0x7F), static_cast<char>(t.dateDay), static_cast<char>(t.dateMonth),
    };
    if (!Raw(days, sizeof days))
        return false;
    for (int i = 0; i < AtfFormat::kNumberCount; ++i) {
        if (!Number(AtfFormat::GetNumber(t, i)))
            return false;
    }
    return true;
}

bool AtfWriter::WriteFile(const AlarmTemplate& t, const QString& path)
{
    // An existing target must be a regular file (a link to one is written
    // through, as the user named it): a FIFO or device is not turned into one.
    std::error_code ec;
    const auto type = std::filesystem::status(QFile::encodeName(path).toStdString(), ec).type();
    if (type != std::filesystem::file_type::not_found && type != std::filesystem::file_type::none
        && type != std::filesystem::file_type::regular && type != std::filesystem::file_type::directory)
        return Fail(path, QStringLiteral("not a regular file (%1)").arg(AtfFormat::KindName(type)));
    QSaveFile file(path);
    outName_ = path;
    const auto forget = qScopeGuard([this] { outName_.clear(); });
    if (!file.open(QIODevice::WriteOnly))
        return Fail(path, file.errorString());
    if (!Write(t, &file)) {
        file.cancelWriting();
        return false;
    }
    if (!file.commit())
        return Fail(path, file.errorString());
    return true;
}

} // namespace dawnbell
