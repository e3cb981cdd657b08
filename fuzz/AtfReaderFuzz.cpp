// Feeds arbitrary bytes to the template file reader, extracting into a
// temporary program folder, and checks what it must never do: write outside the
// folder's sounds/ and images/, or give a template whose playlist or pictures
// point elsewhere. The overwrite question is answered yes and no in turn.
#include "Alarm.h"
#include "AtfReader.h"

#include <QBuffer>
#include <QByteArray>
#include <QDir>
#include <QFileInfo>
#include <QTemporaryDir>

#include <cstddef>
#include <cstdint>
#include <cstdlib>

namespace {

void Require(bool condition)
{
    if (!condition)
        std::abort();
}

} // namespace

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size)
{
    // In memory where possible: every extracted file is synced to its disk.
    static QTemporaryDir root(QFileInfo(QStringLiteral("/dev/shm")).isWritable()
                                  ? QStringLiteral("/dev/shm/dawnbell-fuzz-XXXXXX")
                                  : QDir::tempPath() + QStringLiteral("/dawnbell-fuzz-XXXXXX"));
    static const QString program = root.filePath(QStringLiteral("program"));
    static int answers = 0;

    QByteArray bytes(reinterpret_cast<const char*>(data), static_cast<qsizetype>(size));
    QBuffer in(&bytes);
    in.open(QIODevice::ReadOnly);
    dawnbell::AtfReader reader(program, [](const QString&) { return (++answers & 1) != 0; });
    dawnbell::AlarmTemplate t;
    const bool ok = reader.Read(&in, &t);

    for (const QString& path : reader.Extracted()) {
        const QString folder = QFileInfo(path).absolutePath();
        Require(folder == program + QStringLiteral("/sounds") || folder == program + QStringLiteral("/images"));
    }
    // Only the two folders ever appear, and nothing beside the program folder.
    Require(QDir(root.path()).entryList(QDir::AllEntries | QDir::NoDotAndDotDot | QDir::Hidden).size() <= 1);
    for (const QString& entry : QDir(program).entryList(QDir::AllEntries | QDir::NoDotAndDotDot | QDir::Hidden))
        Require(entry == QLatin1String("sounds") || entry == QLatin1String("images"));
    if (ok) {
        for (const QString& entry : t.playlist) {
            Require(entry.startsWith(program + QStringLiteral("/sounds/")));
            const QString name = entry.mid(program.size() + 8);
            Require(!name.contains(QLatin1Char('/')) && !name.contains(QLatin1Char('\\')) && name != QLatin1String("..")
                    && name != QLatin1String("."));
        }
        for (int i = 0; i < dawnbell::BackImageFieldCount; ++i) {
            const QString& name = t.BackImage(i);
            Require(!name.contains(QLatin1Char('/')) && !name.contains(QLatin1Char('\\')) && name != QLatin1String(".."));
        }
    }
    // Start every input from an empty folder, half the time: the other half
    // exercises the overwrite question.
    if (size % 2 == 0)
        QDir(program).removeRecursively();
    return 0;
}
