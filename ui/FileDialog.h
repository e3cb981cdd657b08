#pragma once
// The program's own file chooser: a modal dialog with a folder tree of the whole
// file system, a file list with name, size and date columns, a file-type
// drop-down and, in save mode, a file-name field; callers may add places (a
// row above the tree whose entries open a folder with one tap). Every file
// choice of the program goes through it; callers keep the last folder shown
// themselves.
//
// Paths use "/". The tree starts at the root "/" and lists subfolders lazily,
// when an item is first expanded. Hidden folders and files (names starting with
// ".") are not listed, except the folders on the way to the starting folder, so
// a starting folder below a hidden one still opens.
//
// Screen readers find the folder tree as a tree of the folders shown (Press
// opens one, Toggle expands it), the file list as a list of the files (Press
// chooses one as a tap does) and the places as buttons.
//
// The dialog can be driven without showing it (tests, automation): Prepare(),
// OpenFolder(), CheckRow(), SelectRow(), TypeName(), TapColumn() and PressOk()
// do what the user's taps do. The overwrite question goes through the program's
// message box, which DAWNBELL_AUTO_ANSWER answers.
#include <QDialog>
#include <QString>
#include <QStringList>
#include <QVector>
#include <cstdint>

class QComboBox;
class QLineEdit;
class QListWidget;
class QPushButton;
class QTreeWidget;
class QTreeWidgetItem;

namespace dawnbell {

class FileDialog : public QDialog {
    Q_OBJECT
public:
    enum class Mode { Open, Save };

    // Control ids (kept as the controls' object names) and the dialog layout id.
    enum ControlId {
        kIdOk = 1,
        kIdCancel = 2,
        kIdFolderTree = 1067,
        kIdFileList = 1068,
        kIdFileType = 1071,
        kIdFileName = 1133,
        kIdPlaces = 1069, // not in the layouts: a row taken off the top of the folder tree
    };
    static constexpr int kLayoutId = 205;

    // Column indexes of the file list.
    enum Column { kColumnName = 0, kColumnSize = 1, kColumnDate = 2 };

    // A dialog in `mode` that opens `startFolder` (an absolute path; a trailing
    // "/" is dropped, the root "/" kept; empty or relative means the root).
    // Callers pass StartFolder(...) of their last folder.
    FileDialog(Mode mode, const QString& startFolder, QWidget* parent = nullptr);

    // What a chooser is opened for; it decides where a chooser without a last
    // folder starts.
    enum class Purpose {
        Sounds,    // the user's music folder
        Pictures,  // the user's pictures folder
        Programs,  // the home folder
        Templates, // the home folder
    };
    // The folder a chooser for `purpose` starts in: `lastFolder` when it is
    // set; otherwise the music or pictures folder of the XDG user directories
    // ($XDG_CONFIG_HOME/user-dirs.dirs) when it exists, else the home folder.
    static QString StartFolder(Purpose purpose, const QString& lastFolder);
    ~FileDialog() override;

    // "description|pattern|description|pattern...". A pattern field may hold
    // several patterns separated by "," with blanks around them; a description
    // without a pattern gets "*". Call before the dialog is prepared.
    void SetFilter(const QString& filter);
    // The filters of the program's choosers, with descriptions in the program's
    // language: sounds (MP3, Ogg and Opus, FLAC, M4A, WAV, Windows Media, MIDI),
    // pictures (JPEG, GIF, BMP, PNG), alarm templates (.atf) and programs; each
    // ends with "all files".
    static QString SoundFilter();
    static QString PictureFilter();
    static QString TemplateFilter();
    static QString ProgramFilter();

    // Adds a place in the row above the folder tree: an entry named `label`
    // whose tap opens `folder` in the tree. A folder that does not exist, or is already a place,
    // is left out. Call before the dialog is prepared.
    void AddPlace(const QString& label, const QString& folder);
    // The places of a sound chooser, in this order: the program's sound folder
    // `soundsFolder`, the folder of the sounds the user added (in the device
    // directory, used when the program folder cannot be written), the user's
    // music folder (XDG user directories, else ~/Music) and the home folder.
    void AddSoundPlaces(const QString& soundsFolder);
    // Labels and folders of the places, in order.
    QStringList PlaceLabels() const;
    QStringList PlaceFolders() const;

    // Extension (with its dot, e.g. ".atf") appended to a typed save name that
    // contains no ".".
    void SetDefaultExtension(const QString& extension);
    // Name put into the name field when a save dialog opens.
    void SetDefaultFileName(const QString& name);
    // One chosen file instead of check boxes (open mode; save mode always is).
    // Call before the dialog is prepared.
    void SetSingleSelection(bool single);

    // Prepares the dialog (once) and runs it modally: Accepted or Rejected.
    int exec() override;

    // The chosen files as full paths: in open mode with multiple selection in
    // the order they were checked, otherwise at most one.
    QStringList ChosenFiles() const;
    // The folder shown last (also after Cancel); may be "/" itself.
    QString CurrentFolder() const;

    // --- driving the dialog directly (exec() and showing call Prepare too) ---

    // Builds the type list, the tree with the starting folder opened and the
    // file list, and the save name. Runs only once; later calls do nothing.
    void Prepare();
    // Opens `folder` in the tree as the starting folder is opened and makes the
    // deepest existing folder on its way current. Returns true when that is
    // `folder` itself.
    bool OpenFolder(const QString& folder);
    // Chooses entry `index` of the file-type drop-down; false when out of range.
    bool SelectFileType(int index);
    // Number of file rows and their texts (Column), in display order.
    int RowCount() const;
    QString RowText(int row, int column) const;
    // The full path a row stands for; empty when out of range.
    QString RowPath(int row) const;
    // Whether a row's check box is checked (multiple selection only).
    bool IsRowChecked(int row) const;
    // Checks or unchecks a row (open mode, multiple selection); false when
    // there is no such check box.
    bool CheckRow(int row, bool checked);
    // Selects a row (single selection); false when out of range.
    bool SelectRow(int row);
    // Replaces the text of the name field (save mode).
    void TypeName(const QString& name);
    QString TypedName() const;
    // A tap on a column header of the file list.
    void TapColumn(int column);
    // Current sort key: 0 unsorted, +1/+2/+3 ascending by name/size/date,
    // negative for descending.
    int SortKey() const { return m_sortKey; }
    bool IsOkEnabled() const;
    // A tap on OK. True when the dialog ended with Accepted. In save mode a
    // name that is an existing folder opens that folder instead, and an
    // existing file is only overwritten after the user agrees.
    bool PressOk();

    // --- pure helpers ---

    // Size column text: above 1048576 bytes whole MiB with "M", above 1024
    // whole KiB with "K", else the byte count.
    static QString SizeText(int64_t size);
    // Splits a pattern field at "," and trims each piece; empty pieces dropped.
    static QStringList SplitPatterns(const QString& field);
    // Joins a folder and a name with one "/".
    static QString JoinPath(const QString& folder, const QString& name);
    // A starting folder as the tree opens it: trailing "/" dropped, root kept,
    // "." and ".." resolved; empty or relative gives "/".
    static QString NormalizeFolder(const QString& folder);

protected:
    void resizeEvent(QResizeEvent* event) override;
    void showEvent(QShowEvent* event) override;
    void paintEvent(QPaintEvent* event) override;

private:
    struct FileRow {
        QString name;         // file name without folder
        int64_t size = 0;     // bytes
        int64_t modified = 0; // last-write time, seconds since the epoch
    };

    void ListSubfolders(QTreeWidgetItem* item);
    QTreeWidgetItem* AddFolderItem(QTreeWidgetItem* parent, const QString& name, const QString& path);
    void RevealCurrentFolder();
    void OnFolderSelected();
    void FillFileList();
    void SortRows();
    void ShowRows();
    void OnRowChanged(QTreeWidgetItem* item, int column);
    void OnRowSelected();
    void OnNameChanged();
    void UpdateSaveTarget();
    void SetRowsChecked(const QString& path, bool checked);
    void ApplyLayout();
    void SetColumnWidths();

    Mode m_mode;                       // open or save
    bool m_single = false;             // single selection (always in save mode)
    bool m_prepared = false;           // Prepare() has run
    bool m_filling = false;            // list being refilled: ignore its notifications
    QString m_startFolder;             // normalised starting folder
    QString m_currentFolder;           // folder whose files are listed
    QStringList m_descriptions;        // file-type descriptions
    QStringList m_patterns;            // pattern fields, parallel to m_descriptions
    int m_selectedFilter = 0;          // index into m_patterns
    QString m_defaultExtension;        // appended to a save name without "."
    QString m_defaultFileName;         // proposed save name
    QStringList m_chosen;              // chosen full paths, in checking order
    QStringList m_placeLabels;         // places above the tree: their names
    QStringList m_placeFolders;        // and their folders, parallel
    QTreeWidgetItem* m_root = nullptr; // the tree's item for "/"
    QVector<FileRow> m_rows;           // listed files, in display order
    int m_sortKey = 0;                 // 0, +-1 name, +-2 size, +-3 date
    int m_layoutWidth = -1;            // width of the last layout applied, pixels
    int m_layoutHeight = -1;           // height of the last layout applied, pixels

    QListWidget* m_places = nullptr;   // places above the tree, id 1069
    QTreeWidget* m_tree = nullptr;     // folder tree, id 1067
    QComboBox* m_types = nullptr;      // file-type drop-down, id 1071
    QTreeWidget* m_list = nullptr;     // file list, id 1068
    QLineEdit* m_name = nullptr;       // file-name field, id 1133
    QPushButton* m_ok = nullptr;       // OK, id 1
    QPushButton* m_cancel = nullptr;   // Cancel, id 2
};

} // namespace dawnbell
