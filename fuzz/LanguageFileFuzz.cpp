// Feeds arbitrary bytes to the language-file loader (encoding detection, the
// binary-data check, the XML reader, the entry walk) and walks every element of
// the same bytes read as a document. Nothing here shows a box or writes settings.
#include "LanguageTable.h"
#include "TextFormat.h"
#include "XmlDocument.h"

#include <QByteArray>
#include <QString>

#include <cstddef>
#include <cstdint>

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size)
{
    const QByteArray bytes(reinterpret_cast<const char*>(data), static_cast<qsizetype>(size));

    dawnbell::LanguageTable table;
    table.LoadFromBytes(bytes);
    for (auto it = table.Entries().cbegin(); it != table.Entries().cend(); ++it)
        (void)dawnbell::FormatText(it.value(), {QStringLiteral("x"), 1});

    dawnbell::XmlDocument doc;
    doc.SetDocument(QString::fromLatin1(bytes));
    // Depth-first walk: down into each child, up when a level is exhausted.
    for (int steps = 0; steps < 1000000; ++steps) {
        if (doc.FindChildElement()) {
            doc.IntoElement();
            (void)doc.TagName();
            (void)doc.Data();
        } else if (!doc.OutOfElement()) {
            break;
        }
    }
    return 0;
}
