#pragma once
// Reads the version resource of one of our binaries (executable or library):
// the fixed version record and the twelve standard texts of one translation.
// Our build embeds the resource in the binary's ELF section ".dawnbell_version".
#include "VersionResource.h"

#include <QString>

namespace dawnbell {

class VersionInfo {
public:
    // The twelve texts, in this order.
    enum TextField : int {
        CompanyNameField,
        FileDescriptionField,
        FileVersionField,
        InternalNameField,
        LegalCopyrightField,
        OriginalFileNameField,
        ProductNameField,
        ProductVersionField,
        CommentsField,
        LegalTrademarksField,
        PrivateBuildField,
        SpecialBuildField,
        TextFieldCount
    };

    // Everything empty.
    VersionInfo();
    virtual ~VersionInfo();
    // Zeroes the fixed record and empties the twelve texts.
    virtual void Reset();

    // Loads the resource of the binary at `modulePath` (the running program's
    // own file when empty). Starts from Reset(). False, with everything empty,
    // when the file has no readable resource; true otherwise, even when no
    // translation or text is present.
    bool Load(const QString& modulePath = QString());

    // The fixed record; all zero unless the resource's root value is 52 bytes.
    const FixedFileInfo& FixedInfo() const { return fixed_; }
    // A text by field; "" outside the range.
    QString Text(int field) const;
    // Resource name of a text field, e.g. "FileVersion"; "" outside the range.
    static const char16_t* TextName(int field);

    QString CompanyName() const { return texts_[CompanyNameField]; }
    QString FileDescription() const { return texts_[FileDescriptionField]; }
    QString FileVersion() const { return texts_[FileVersionField]; }
    QString InternalName() const { return texts_[InternalNameField]; }
    QString LegalCopyright() const { return texts_[LegalCopyrightField]; }
    QString OriginalFileName() const { return texts_[OriginalFileNameField]; }
    QString ProductName() const { return texts_[ProductNameField]; }
    QString ProductVersion() const { return texts_[ProductVersionField]; }
    QString Comments() const { return texts_[CommentsField]; }
    QString LegalTrademarks() const { return texts_[LegalTrademarksField]; }
    QString PrivateBuild() const { return texts_[PrivateBuildField]; }
    QString SpecialBuild() const { return texts_[SpecialBuildField]; }

    // Largest version section read from a file, bytes (a resource is at most 64 KiB).
    static constexpr size_t kMaxResourceBytes = 1 << 16;

    // Index of the translation to use among `entries` (language in the low 16
    // bits): the first with the default language, else the first with its low
    // byte; then the same for language 0 and for language 9; else 0. -1 for none.
    static int ChooseTranslation(const uint32_t* entries, size_t count, int defaultLanguage);

private:
    FixedFileInfo fixed_;            // fixed version record
    QString texts_[TextFieldCount];  // texts of the chosen translation
};

} // namespace dawnbell
