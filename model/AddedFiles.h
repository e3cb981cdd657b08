#pragma once
// Where the files a user adds (sounds and pictures imported with a template,
// pictures copied in by the editors) live beside the program's built-in ones.
//
// The built-in files stay in the program folder's sounds/ and images/. Added
// files go there too while this process can write there; a program folder it
// cannot write (a package install, owned by root) sends them to a folder of
// the same name in the device directory instead. Readers look in both: the
// user's folder first, so a user's file stands in for a built-in file of the
// same name, as if it had replaced it.
#include <QString>
#include <QStringList>

namespace dawnbell {

class AddedFiles {
public:
    // The kinds of files, named like their folders.
    static const QString kSounds; // "sounds"
    static const QString kImages; // "images"

    // The user's own folder for `kind` in the device directory (not created
    // here); empty when there is no device directory.
    static QString UserFolder(const QString& kind);

    // The folder a new file of `kind` goes into: `builtIn` (the program
    // folder's folder of that kind) when this process can write there (or make
    // it), else UserFolder(kind).
    static QString TargetFolder(const QString& builtIn, const QString& kind);

    // Where the file `name` of `kind` is: UserFolder(kind)/name when that entry
    // exists, else builtIn/name (also when neither has it).
    static QString Find(const QString& builtIn, const QString& kind, const QString& name);

    // The names of the files in `builtIn` and in UserFolder(kind), each once,
    // sorted without regard to case.
    static QStringList Names(const QString& builtIn, const QString& kind);
};

} // namespace dawnbell
