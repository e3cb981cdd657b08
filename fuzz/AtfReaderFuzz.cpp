// Feeds arbitrary bytes to the template file reader and, for what it accepts,
// to the extraction into a temporary program folder, and checks what they must
// never do: write outside the folder's sounds/ and images/, leave a temporary
// folder behind, leave a file after a rollback, or give a template whose
// playlist or pictures point elsewhere. The overwrite question is answered yes
// and no in turn; installed extractions are kept or rolled back in turn.
#include "Alarm.h"
#include "AtfExtraction.h"
#include "AtfFormat.h"
#include "AtfReader.h"

#include <QBuffer>
#include <QByteArray>
#include <QDir>
#include <QFile>
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

// Every entry below `dir` (relative, sorted), hidden ones included.
QStringList Entries(const QString& dir)
{
    QStringList out;
    for (const QString& folder : {QStringLiteral("sounds"), QStringLiteral("images")}) {
        for (const QString& e : QDir(dir + QLatin1Char('/') + folder)
                                    .entryList(QDir::AllEntries | QDir::NoDotAndDotDot | QDir::Hidden | QDir::System))
            out << folder + QLatin1Char('/') + e;
    }
    out.sort();
    return out;
}

} // namespace

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size)
{
    // In memory where possible: every extracted file is synced to its disk.
    static QTemporaryDir root(QFileInfo(QStringLiteral("/dev/shm")).isWritable()
                                  ? QStringLiteral("/dev/shm/dawnbell-fuzz-XXXXXX")
                                  : QDir::tempPath() + QStringLiteral("/dawnbell-fuzz-XXXXXX"));
    static const QString program = root.filePath(QStringLiteral("program"));
    // The user's own sounds and pictures folders (where a read-only program
    // folder sends extracted files) are looked at too: never the real ones.
    static QTemporaryDir home(QFileInfo(root.path()).absolutePath() + QStringLiteral("/dawnbell-fuzz-home-XXXXXX"));
    static const bool homeSet = (qputenv("DAWNBELL_HOME", QFile::encodeName(home.path())), true);
    (void)homeSet;
    static int answers = 0;
    static int outcomes = 0;

    QByteArray bytes(reinterpret_cast<const char*>(data), static_cast<qsizetype>(size));
    QBuffer in(&bytes);
    in.open(QIODevice::ReadOnly);
    dawnbell::AtfReader reader(program);
    dawnbell::AlarmTemplate t;
    const QStringList before = Entries(program);
    const bool ok = reader.Read(&in, &t);
    Require(Entries(program) == before); // reading writes nothing

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
        Require(reader.Embedded().size() <= size_t(dawnbell::AtfFormat::kMaxEmbeddedFiles));

        dawnbell::AtfExtraction extraction(program);
        const bool keep = (++outcomes & 1) != 0;
        if (extraction.Stage(&in, reader.Embedded(), [](const QString&) { return (++answers & 1) != 0; })
            && extraction.Install()) {
            for (const QString& path : extraction.Installed()) {
                const QString folder = QFileInfo(path).absolutePath();
                Require(folder == program + QStringLiteral("/sounds") || folder == program + QStringLiteral("/images"));
            }
            if (keep)
                extraction.Finish();
            else
                extraction.Rollback();
        } else {
            extraction.Rollback();
        }
        const QStringList after = Entries(program);
        if (!keep)
            Require(after == before);
        for (const QString& e : after)
            Require(!QFileInfo(e).fileName().startsWith(QLatin1String(".atf-import-")));
    }
    // The program folder can be written: nothing goes to the user's folders.
    Require(!QFileInfo::exists(home.filePath(QStringLiteral("sounds")))
            && !QFileInfo::exists(home.filePath(QStringLiteral("images"))));
    // Only the two folders ever appear, and nothing beside the program folder.
    Require(QDir(root.path()).entryList(QDir::AllEntries | QDir::NoDotAndDotDot | QDir::Hidden).size() <= 1);
    for (const QString& entry : QDir(program).entryList(QDir::AllEntries | QDir::NoDotAndDotDot | QDir::Hidden))
        Require(entry == QLatin1String("sounds") || entry == QLatin1String("images"));
    // Start every input from an empty folder, half the time: the other half
    // exercises the overwrite question.
    if (size % 2 == 0)
        QDir(program).removeRecursively();
    return 0;
}
