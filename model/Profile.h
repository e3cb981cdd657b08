#pragma once
// The application's settings store: sections below one registry root,
// HKEY_CURRENT_USER\Software\<registry key>\Dawnbell. Every operation opens and
// closes its keys; nothing is cached here. Writers flush afterwards (Flush) so a
// sudden power loss does not lose the change.
#include <QByteArray>
#include <QString>

namespace dawnbell {

class Profile {
public:
    // Sets the maker's registry key ("Torvane"); done once at start-up.
    static void SetRegistryKey(const QString& key);
    // "Software\<registry key>\Dawnbell".
    static QString RootPath();

    // The REG_DWORD value, or `def` when the section or value cannot be read.
    static int ReadInt(const QString& section, const QString& value, int def);
    static bool WriteInt(const QString& section, const QString& value, int v);

    // The REG_SZ value, or `def`.
    static QString ReadText(const QString& section, const QString& value, const QString& def);
    // Writes REG_SZ. A null `text` deletes the value; a null `value` deletes the
    // whole section with everything below it.
    static bool WriteText(const QString& section, const QString& value, const QString& text);

    // The REG_BINARY value; false (and `out` empty) when it cannot be read.
    static bool ReadBinary(const QString& section, const QString& value, QByteArray* out);
    static bool WriteBinary(const QString& section, const QString& value, const QByteArray& bytes);

    static bool DeleteValue(const QString& section, const QString& value);
    static bool DeleteSection(const QString& section);

    // Makes every earlier write of the current-user hive durable.
    static void Flush();
};

} // namespace dawnbell
