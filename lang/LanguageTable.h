#pragma once
// The program's texts in the chosen language: a map from text number to text,
// filled from an XML language file in the program folder's "languages" folder,
// falling back to the built-in English table for numbers the file lacks.
#include <QByteArray>
#include <QMap>
#include <QString>
#include <QStringList>

namespace dawnbell {

class LanguageTable {
public:
    // Outcome of a load.
    enum class LoadResult {
        Loaded,        // the file was read; its string table (if any) is in force
        NoFile,        // no such file (or no name): the built-in texts are in force
        BinaryData,    // unreadable, too large or containing zero bytes: message shown
        NotWellFormed, // not well-formed XML: message shown
    };

    // Files larger than this (bytes) are refused as unreadable.
    static constexpr qint64 kMaxFileSize = 4 * 1024 * 1024;

    LanguageTable() = default;
    ~LanguageTable();
    LanguageTable(const LanguageTable&) = delete;
    LanguageTable& operator=(const LanguageTable&) = delete;

    // Text number `id`: the loaded entry if present, else the built-in one
    // (empty when neither exists).
    QString Text(int id) const;
    // The loaded entries (number -> text); empty when the built-in texts are in force.
    const QMap<int, QString>& Entries() const { return m_texts; }

    // Makes this table the program-wide text lookup (dawnbell::Text) until it is
    // destroyed.
    void InstallAsTextProvider();

    // Loads "<ProgramDir>/languages/<languageFile>.xml"; see the folder overload.
    LoadResult Load(const QString& languageFile);
    // Empties the table and loads "<programFolder>/languages/<languageFile>.xml".
    // A missing file leaves the built-in texts; an unreadable or malformed one also
    // shows an error box (caption text 113). After Loaded and NoFile the texts the
    // today item shows or tells a screen reader (the todayString* settings: labels,
    // the question's buttons, row words) are written to the settings in the new
    // language, since the item loads no language file.
    LoadResult Load(const QString& programFolder, const QString& languageFile);

    // Empties the table and fills it from a language file's bytes, without messages
    // or settings writes. Returns Loaded, BinaryData or NotWellFormed.
    LoadResult LoadFromBytes(const QByteArray& bytes);

    // Base names of the files "<programFolder>/languages/*.xml" (sorted), then
    // "english" (the built-in texts).
    static QStringList AvailableLanguages(const QString& programFolder);
    static QStringList AvailableLanguages();

    // The language file chosen on first start for a platform language id (only
    // its primary language, the low 10 bits, counts); empty for built-in English.
    static QString FileForLanguageId(int languageId);

    // The language file the program shows: the setting `languageFile`, or, while
    // it has never been set (missing, or "|"), the file for the platform's
    // language (FileForLanguageId of PlatformLanguageId). With `store` that
    // choice is written to `languageFile` ("" for the built-in English), as the
    // program's start does; without, nothing is written.
    static QString ChosenFile(bool store);

    // Decodes 8-bit text in the Windows-1252 code page, up to the first zero byte.
    static QString DecodeCp1252(const char* bytes, qsizetype size);

    // The decimal number after the first character of a tag name: optional blanks
    // and sign, then digits up to the first non-digit; 0 when there are none.
    // Saturates at the int range.
    static int EntryNumber(const QString& tagName);

private:
    void WriteTodayTexts() const;

    QMap<int, QString> m_texts; // loaded texts by number
    bool m_installed = false;   // whether this table is the program's text provider
};

} // namespace dawnbell
