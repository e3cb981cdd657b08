#include "FileDialog.h"

#include "AccessibleOwnerDrawn.h"
#include "AccessibleParts.h"
#include "AddedFiles.h"
#include "ColorHelpers.h"

#include "DialogLayout.h"
#include "KitPainter.h"
#include "KitStyle.h"
#include "Locale.h"
#include "MessageBox.h"
#include "Profile.h"
#include "Scaling.h"
#include "TextFormat.h"
#include "Texts.h"
#include "WindowGeometry.h"

#include <QComboBox>
#include <QDateTime>
#include <QDir>
#include <QFile>
#include <QFileIconProvider>
#include <QFileInfo>
#include <QHeaderView>
#include <QLineEdit>
#include <QListWidget>
#include <QPainter>
#include <QPushButton>
#include <QResizeEvent>
#include <QScrollBar>
#include <QSet>
#include <QStandardPaths>
#include <QTreeWidget>

#include <algorithm>

// The layout data is compiled into this library; a static library needs the
// initialiser called explicitly or the linker drops it.
static void InitFileDialogResources()
{
    Q_INIT_RESOURCE(FileDialog);
}

namespace dawnbell {

namespace {

// Texts of the dialog.
enum TextId {
    kTextName = 50,
    kTextSize = 51,
    kTextDate = 52,
    kTextOpenTitle = 53,
    kTextOk = 24,
    kTextCancel = 25,
    kTextSaveTitle = 112,
    kTextWarning = 126,
    kTextOverwrite = 127,
    kTextSoundFiles = 240,
    kTextAllFiles = 241,
    kTextPictures = 242,
    kTextTemplates = 243,
    kTextPrograms = 244,
    kTextPlaceSounds = 245,
    kTextPlaceMusic = 246,
    kTextPlaceHome = 247,
    kTextPlaceAddedSounds = 252,
    // Names for screen readers.
    kTextFolders = 350,
    kTextFiles = 351,
    kTextPlaces = 352,
    kTextFileName = 353,
    kTextFileType = 354,
};

// Layout ids of the three orientations. 205 is the portrait layout; the
// landscape and square variants are numbered 205 * 100 + variant.
constexpr int kLayoutLandscape = FileDialog::kLayoutId * 100 + DialogLayout::Landscape;
constexpr int kLayoutSquare = FileDialog::kLayoutId * 100 + DialogLayout::Square;

// Colours when there is neither a parent nor a colour setting (0x00BBGGRR).
// Shade of the background's top row against its base colour.
constexpr int kBackgroundShade = 40;

const char kLayoutResource[] = ":/filedialog/FileDialog.json";

// Item data roles of the folder tree.
constexpr int kRolePath = Qt::UserRole;         // the folder's full path
constexpr int kRoleListed = Qt::UserRole + 1;   // subfolders listed already
// Item data role of the file list: the row's index into m_rows.
constexpr int kRoleRow = Qt::UserRole;

// The file dialog's layouts, from its own resource.
DialogLayout LoadLayout(int id)
{
    static const bool initialised = (InitFileDialogResources(), true);
    Q_UNUSED(initialised);
    return DialogLayout::LoadFrom(QString::fromLatin1(kLayoutResource), id);
}

// Maps a design coordinate to the window: stretch bands [first, second) of the
// design grow evenly (in proportion to their length) so that the design length
// `designLength` becomes `actualLength`; everything else keeps its size. Both
// coordinates are in the same (already density-scaled) pixels.
class Stretch {
public:
    Stretch(QVector<QPair<int, int>> bands, int designLength, int actualLength)
    {
        std::sort(bands.begin(), bands.end());
        // Merge overlapping bands so no length is counted twice.
        for (const auto& b : bands) {
            if (b.second <= b.first)
                continue;
            if (!m_bands.isEmpty() && b.first <= m_bands.last().second)
                m_bands.last().second = std::max(m_bands.last().second, b.second);
            else
                m_bands.append(b);
        }
        int total = 0;
        for (const auto& b : m_bands)
            total += b.second - b.first;
        m_total = total;
        m_extra = actualLength - designLength;
    }

    int Map(int v) const
    {
        if (m_total <= 0)
            return v;
        // Length of stretch bands below v.
        qint64 below = 0;
        for (const auto& b : m_bands) {
            if (v <= b.first)
                break;
            below += std::min(v, b.second) - b.first;
        }
        return v + int(below * m_extra / m_total);
    }

private:
    QVector<QPair<int, int>> m_bands; // merged stretch bands, ascending
    int m_total = 0;                  // summed length of the bands
    int m_extra = 0;                  // pixels to add (negative: to take away)
};

QFileIconProvider& IconProvider()
{
    static QFileIconProvider provider;
    return provider;
}

// The rectangle of an item of `view` (viewport coordinates) in the view's own
// coordinates, and whether it lies outside the part of the view that shows.
void PlaceItemPart(const QAbstractScrollArea* view, const QRect& inViewport, AccessiblePart* part)
{
    part->rect = inViewport.translated(view->viewport()->pos());
    part->state.offscreen = !view->viewport()->geometry().intersects(part->rect);
}

// The folder tree as screen readers find it: every folder shown (its parents
// all expanded) is a tree item named by its folder name, its full path as the
// description. Press and SetFocus make it the folder shown, as a tap does;
// Toggle expands or collapses it, as a tap on its arrow does.
class FolderTree : public QTreeWidget, public AccessibleParts {
public:
    explicit FolderTree(QWidget* parent) : QTreeWidget(parent)
    {
        const auto changed = [this] {
            m_stale = true;
            AccessibleOwnerDrawn::AnnounceReorder(this);
        };
        // Items about to go are dropped from the cache before they are deleted.
        connect(model(), &QAbstractItemModel::rowsAboutToBeRemoved, this, changed);
        connect(model(), &QAbstractItemModel::modelAboutToBeReset, this, changed);
        connect(model(), &QAbstractItemModel::rowsRemoved, this, changed);
        connect(model(), &QAbstractItemModel::rowsInserted, this, changed);
        connect(model(), &QAbstractItemModel::modelReset, this, changed);
        connect(model(), &QAbstractItemModel::layoutChanged, this, changed);
        connect(this, &QTreeWidget::itemExpanded, this, changed);
        connect(this, &QTreeWidget::itemCollapsed, this, changed);
        connect(this, &QTreeWidget::currentItemChanged, this, [this] {
            if (!QAccessible::isActive())
                return; // nobody listens: spare the walk over the tree
            const int part = AccessibleFocusPart();
            if (part < 0)
                return;
            AccessibleOwnerDrawn::AnnouncePart(this, part, QAccessible::Selection);
            if (hasFocus())
                AccessibleOwnerDrawn::AnnouncePart(this, part, QAccessible::Focus);
        });
    }

    QAccessible::Role AccessibleRole() const override { return QAccessible::Tree; }
    QString AccessibleName() const override { return Text(kTextFolders); }
    int AccessiblePartCount() const override { return int(Shown().size()); }

    AccessiblePart AccessiblePartAt(int index) const override
    {
        AccessiblePart part;
        QTreeWidgetItem* item = Shown().value(index, nullptr);
        if (!item) {
            part.state.invisible = true;
            return part;
        }
        part.name = item->text(0);
        part.description = item->data(0, kRolePath).toString();
        part.role = QAccessible::TreeItem;
        part.state.selectable = true;
        part.state.focusable = true;
        part.state.selected = item->isSelected();
        part.state.focused = hasFocus() && item == currentItem();
        // A folder not listed yet may hold subfolders; a listed one without
        // any has no arrow.
        const bool expandable
            = item->childIndicatorPolicy() == QTreeWidgetItem::ShowIndicator || item->childCount() > 0;
        part.state.expandable = expandable;
        part.state.expanded = expandable && item->isExpanded();
        part.state.collapsed = expandable && !item->isExpanded();
        PlaceItemPart(this, visualItemRect(item), &part);
        part.actions = {QAccessibleActionInterface::pressAction(), QAccessibleActionInterface::setFocusAction()};
        if (expandable)
            part.actions << QAccessibleActionInterface::toggleAction();
        return part;
    }

    void AccessiblePartAction(int index, const QString& action) override
    {
        QTreeWidgetItem* item = Shown().value(index, nullptr);
        if (!item)
            return;
        if (action == QAccessibleActionInterface::toggleAction()) {
            item->setExpanded(!item->isExpanded()); // expanding lists its subfolders
        } else if (action == QAccessibleActionInterface::pressAction()
                   || action == QAccessibleActionInterface::setFocusAction()) {
            setFocus(Qt::OtherFocusReason);
            setCurrentItem(item); // the dialog lists its files
            scrollToItem(item);
        }
    }

    int AccessibleFocusPart() const override
    {
        QTreeWidgetItem* current = currentItem();
        return current ? int(Shown().indexOf(current)) : -1;
    }

private:
    // The folders shown, in reading order; rebuilt after the tree changed.
    const QVector<QTreeWidgetItem*>& Shown() const
    {
        if (m_stale) {
            m_shown.clear();
            for (int i = 0; i < topLevelItemCount(); ++i)
                AddShown(topLevelItem(i));
            m_stale = false;
        }
        return m_shown;
    }
    // Appends `item` unless hidden, then the shown folders below it.
    void AddShown(QTreeWidgetItem* item) const
    {
        if (item->isHidden())
            return;
        m_shown.append(item);
        if (item->isExpanded()) {
            for (int i = 0; i < item->childCount(); ++i)
                AddShown(item->child(i));
        }
    }

    mutable QVector<QTreeWidgetItem*> m_shown; // folders shown, depth first
    mutable bool m_stale = true;               // m_shown needs rebuilding
};

// The file list as screen readers find it: each file a list item named by its
// file name, its size and date as the description. Press does what a tap does:
// it selects the file when one file is chosen, and checks or unchecks it when
// several are (also Toggle); SetFocus makes it the current row.
class FileList : public QTreeWidget, public AccessibleParts {
public:
    explicit FileList(QWidget* parent) : QTreeWidget(parent)
    {
        const auto reorder = [this] { AccessibleOwnerDrawn::AnnounceReorder(this); };
        connect(model(), &QAbstractItemModel::rowsInserted, this, reorder);
        connect(model(), &QAbstractItemModel::rowsRemoved, this, reorder);
        connect(model(), &QAbstractItemModel::modelReset, this, reorder);
        connect(model(), &QAbstractItemModel::layoutChanged, this, reorder);
        connect(this, &QTreeWidget::currentItemChanged, this, [this] {
            if (hasFocus() && currentItem())
                AccessibleOwnerDrawn::AnnouncePart(this, indexOfTopLevelItem(currentItem()), QAccessible::Focus);
        });
        connect(this, &QTreeWidget::itemSelectionChanged, this, [this] {
            if (currentItem())
                AccessibleOwnerDrawn::AnnouncePart(this, indexOfTopLevelItem(currentItem()), QAccessible::Selection);
        });
        connect(this, &QTreeWidget::itemChanged, this, [this](QTreeWidgetItem* item) {
            AccessibleOwnerDrawn::AnnouncePart(this, indexOfTopLevelItem(item), QAccessible::StateChanged);
        });
    }

    QAccessible::Role AccessibleRole() const override { return QAccessible::List; }
    QString AccessibleName() const override { return Text(kTextFiles); }
    int AccessiblePartCount() const override { return topLevelItemCount(); }

    AccessiblePart AccessiblePartAt(int index) const override
    {
        AccessiblePart part;
        QTreeWidgetItem* item = topLevelItem(index);
        if (!item) {
            part.state.invisible = true;
            return part;
        }
        const QTreeWidgetItem* header = headerItem();
        part.name = item->text(FileDialog::kColumnName);
        part.description = header->text(FileDialog::kColumnSize) + QLatin1Char(' ')
            + item->text(FileDialog::kColumnSize) + QStringLiteral(", ") + header->text(FileDialog::kColumnDate)
            + QLatin1Char(' ') + item->text(FileDialog::kColumnDate);
        part.role = QAccessible::ListItem;
        part.state.focusable = true;
        part.state.focused = hasFocus() && item == currentItem();
        part.actions = {QAccessibleActionInterface::pressAction()};
        if (Checkable(item)) {
            part.state.checkable = true;
            part.state.checked = item->checkState(FileDialog::kColumnName) == Qt::Checked;
            part.actions << QAccessibleActionInterface::toggleAction();
        } else {
            part.state.selectable = true;
            part.state.selected = item->isSelected();
        }
        part.actions << QAccessibleActionInterface::setFocusAction();
        PlaceItemPart(this, visualItemRect(item), &part);
        return part;
    }

    void AccessiblePartAction(int index, const QString& action) override
    {
        QTreeWidgetItem* item = topLevelItem(index);
        if (!item)
            return;
        const bool press = action == QAccessibleActionInterface::pressAction();
        if (press || action == QAccessibleActionInterface::setFocusAction()) {
            setFocus(Qt::OtherFocusReason);
            setCurrentItem(item);
            scrollToItem(item);
        }
        if (Checkable(item) && (press || action == QAccessibleActionInterface::toggleAction())) {
            // The dialog takes the choice from the changed check box.
            item->setCheckState(FileDialog::kColumnName,
                                item->checkState(FileDialog::kColumnName) == Qt::Checked ? Qt::Unchecked
                                                                                         : Qt::Checked);
        } else if (press && (item->flags() & Qt::ItemIsSelectable)) {
            item->setSelected(true); // the dialog takes the choice from the selection
        }
    }

    int AccessibleFocusPart() const override
    {
        return currentItem() ? indexOfTopLevelItem(currentItem()) : -1;
    }

private:
    // True for a row with a check box (several files chosen).
    static bool Checkable(const QTreeWidgetItem* item) { return item->flags() & Qt::ItemIsUserCheckable; }
};

// The places row as screen readers find it: a tool bar whose places are
// buttons named by their labels, their folders as the description. Press opens
// the place's folder, as a tap does.
class PlaceRow : public QListWidget, public AccessibleParts {
public:
    explicit PlaceRow(QWidget* parent) : QListWidget(parent)
    {
        const auto reorder = [this] { AccessibleOwnerDrawn::AnnounceReorder(this); };
        connect(model(), &QAbstractItemModel::rowsInserted, this, reorder);
        connect(model(), &QAbstractItemModel::rowsRemoved, this, reorder);
        connect(model(), &QAbstractItemModel::modelReset, this, reorder);
    }

    QAccessible::Role AccessibleRole() const override { return QAccessible::ToolBar; }
    QString AccessibleName() const override { return Text(kTextPlaces); }
    int AccessiblePartCount() const override { return count(); }

    AccessiblePart AccessiblePartAt(int index) const override
    {
        AccessiblePart part;
        QListWidgetItem* place = item(index);
        if (!place) {
            part.state.invisible = true;
            return part;
        }
        part.name = place->text();
        part.description = place->data(kRolePath).toString();
        part.role = QAccessible::Button;
        PlaceItemPart(this, visualItemRect(place), &part);
        part.actions = {QAccessibleActionInterface::pressAction()};
        return part;
    }

    void AccessiblePartAction(int index, const QString& action) override
    {
        QListWidgetItem* place = item(index);
        if (place && action == QAccessibleActionInterface::pressAction()) {
            scrollToItem(place);
            emit itemClicked(place); // the dialog opens its folder
        }
    }
};

} // namespace

FileDialog::FileDialog(Mode mode, const QString& startFolder, QWidget* parent)
    : QDialog(parent), m_mode(mode), m_single(mode == Mode::Save), m_startFolder(NormalizeFolder(startFolder))
{
    m_currentFolder = m_startFolder;
    setObjectName(QStringLiteral("FileDialog"));
    setWindowTitle(Text(mode == Mode::Open ? kTextOpenTitle : kTextSaveTitle));
    setModal(true);

    m_tree = new FolderTree(this);
    m_tree->setObjectName(QString::number(kIdFolderTree));
    m_tree->setHeaderHidden(true);
    m_tree->setColumnCount(1);
    m_tree->setSelectionMode(QAbstractItemView::SingleSelection);
    m_tree->setUniformRowHeights(true);
    m_tree->setIndentation(ScaleX(12));
    // Deep folders scroll sideways instead of being cut short.
    m_tree->header()->setStretchLastSection(false);
    m_tree->header()->setSectionResizeMode(0, QHeaderView::ResizeToContents);
    m_tree->setHorizontalScrollMode(QAbstractItemView::ScrollPerPixel);
    // The dialog scrolls to the current folder itself (the view's own scrolling
    // would move sideways to the start of the row and hide deep folders).
    m_tree->setAutoScroll(false);

    // The places: one row above the folder tree, scrolled sideways when they
    // do not all fit, so the first ones are always in view.
    m_places = new PlaceRow(this);
    m_places->setObjectName(QString::number(kIdPlaces));
    m_places->setFlow(QListView::LeftToRight);
    m_places->setWrapping(false);
    m_places->setHorizontalScrollMode(QAbstractItemView::ScrollPerPixel);
    m_places->setHorizontalScrollBarPolicy(Qt::ScrollBarAlwaysOff);
    m_places->setVerticalScrollBarPolicy(Qt::ScrollBarAlwaysOff);
    m_places->setSelectionMode(QAbstractItemView::NoSelection);
    m_places->setSpacing(ScaleX(2));
    m_places->setVisible(false);

    m_types = new QComboBox(this);
    m_types->setObjectName(QString::number(kIdFileType));
    m_types->setAccessibleName(Text(kTextFileType));

    m_list = new FileList(this);
    m_list->setObjectName(QString::number(kIdFileList));
    m_list->setRootIsDecorated(false);
    m_list->setItemsExpandable(false);
    m_list->setUniformRowHeights(true);
    m_list->setSortingEnabled(false);
    m_list->setColumnCount(3);
    m_list->setHeaderLabels({Text(kTextName), Text(kTextSize), Text(kTextDate)});
    m_list->header()->setSectionsClickable(true);
    m_list->header()->setSectionsMovable(false);
    m_list->header()->setStretchLastSection(false);
    m_list->setHorizontalScrollBarPolicy(Qt::ScrollBarAlwaysOff);
    m_list->headerItem()->setTextAlignment(kColumnSize, Qt::AlignRight | Qt::AlignVCenter);

    m_name = new QLineEdit(this);
    m_name->setObjectName(QString::number(kIdFileName));
    m_name->setVisible(mode == Mode::Save);
    m_name->setAccessibleName(Text(kTextFileName));

    m_ok = new QPushButton(Text(kTextOk), this);
    m_ok->setObjectName(QString::number(kIdOk));
    m_ok->setDefault(true);
    m_cancel = new QPushButton(Text(kTextCancel), this);
    m_cancel->setObjectName(QString::number(kIdCancel));
    m_cancel->setAutoDefault(false);

    connect(m_tree, &QTreeWidget::itemExpanded, this, [this](QTreeWidgetItem* item) { ListSubfolders(item); });
    connect(m_tree, &QTreeWidget::currentItemChanged, this, [this] { OnFolderSelected(); });
    connect(m_places, &QListWidget::itemClicked, this,
            [this](QListWidgetItem* place) { OpenFolder(place->data(kRolePath).toString()); });
    connect(m_types, qOverload<int>(&QComboBox::currentIndexChanged), this, [this](int index) {
        if (index < 0 || index == m_selectedFilter)
            return;
        m_selectedFilter = index;
        if (m_prepared)
            FillFileList();
    });
    connect(m_list, &QTreeWidget::itemChanged, this, &FileDialog::OnRowChanged);
    connect(m_list, &QTreeWidget::itemSelectionChanged, this, &FileDialog::OnRowSelected);
    connect(m_list->header(), &QHeaderView::sectionClicked, this, &FileDialog::TapColumn);
    connect(m_name, &QLineEdit::textChanged, this, &FileDialog::OnNameChanged);
    connect(m_ok, &QPushButton::clicked, this, [this] { PressOk(); });
    connect(m_cancel, &QPushButton::clicked, this, &QDialog::reject);

    // The window's colours: the parent's, else the main window's settings.
    uint32_t back, text;
    if (parent) {
        back = KitBackground(parent);
        text = KitText(parent);
    } else {
        back = AppBackColor();
        text = AppTextColor();
    }
    ApplyKitColors(this, back & 0x00FFFFFF, text & 0x00FFFFFF);

    // On a handheld display the dialog fills the screen, as dialogs do there;
    // on a desktop it opens at twice its design size, within the screen.
    QSize size = LoadLayout(kLayoutId).ScaledSize(dpi_x(), dpi_y());
    if (!size.isValid())
        size = QSize(ScaleX(240), ScaleY(294));
    size *= 2;
    PlaceWindow(this, size);
    if (AvailableArea(this).isEmpty()) // no screen at all
        resize(size);
}

FileDialog::~FileDialog() = default;

void FileDialog::SetFilter(const QString& filter)
{
    m_descriptions.clear();
    m_patterns.clear();
    const QStringList fields = filter.split(QLatin1Char('|'));
    for (int i = 0; i < fields.size(); i += 2) {
        if (i == fields.size() - 1 && fields.at(i).trimmed().isEmpty())
            break; // a trailing "|"
        m_descriptions.append(fields.at(i));
        m_patterns.append(i + 1 < fields.size() && !fields.at(i + 1).trimmed().isEmpty() ? fields.at(i + 1)
                                                                                          : QStringLiteral("*"));
    }
    m_selectedFilter = 0;
    if (m_prepared) {
        const QSignalBlocker block(m_types);
        m_types->clear();
        m_types->addItems(m_descriptions);
        FillFileList();
    }
}

namespace {

// The last entry of every chooser's filter.
QString AllFilesEntry()
{
    return Text(kTextAllFiles) + QStringLiteral(" (*.*)|*.*");
}

} // namespace

QString FileDialog::SoundFilter()
{
    // Ogg (.ogg, .oga) is the format of the desktop's sound themes; Opus, FLAC
    // and M4A are what phones and music collections hold.
    return Text(kTextSoundFiles)
        + QStringLiteral("|*.mp3, *.ogg, *.oga, *.opus, *.flac, *.m4a, *.wav, *.wma, *.wmv, *.mid|"
                         "MP3 (*.mp3)|*.mp3|Ogg, Opus (*.ogg, *.opus)|*.ogg, *.oga, *.opus|FLAC (*.flac)|*.flac|"
                         "M4A (*.m4a)|*.m4a|WAV (*.wav)|*.wav|Windows Media (*.wma)|*.wma, *.wmv|MIDI (*.mid)|*.mid|")
        + AllFilesEntry();
}

QString FileDialog::PictureFilter()
{
    return Text(kTextPictures)
        + QStringLiteral(" (JPEG, GIF, BMP, PNG)|*.jpg, *.jpeg, *.gif, *.bmp, *.png|") + AllFilesEntry();
}

QString FileDialog::TemplateFilter()
{
    return Text(kTextTemplates) + QStringLiteral(" (*.atf)|*.atf|") + AllFilesEntry();
}

QString FileDialog::ProgramFilter()
{
    return Text(kTextPrograms) + QStringLiteral(" (*.exe, *.lnk)|*.exe, *.lnk|") + AllFilesEntry();
}

void FileDialog::AddPlace(const QString& label, const QString& folder)
{
    if (m_prepared || folder.isEmpty() || !QFileInfo(folder).isDir())
        return;
    const QString path = NormalizeFolder(QFileInfo(folder).absoluteFilePath());
    if (m_placeFolders.contains(path))
        return;
    m_placeLabels.append(label);
    m_placeFolders.append(path);
}

void FileDialog::AddSoundPlaces(const QString& soundsFolder)
{
    AddPlace(Text(kTextPlaceSounds), soundsFolder);
    // Where sounds a user imports go when the program folder is not theirs to
    // write (a package install).
    AddPlace(Text(kTextPlaceAddedSounds), AddedFiles::UserFolder(AddedFiles::kSounds));
    const QString home = NormalizeFolder(QDir::homePath());
    // Qt reads user-dirs.dirs, and falls back to ~/Music; a music folder that is
    // the home folder itself is offered once, as Home.
    const QString music = QStandardPaths::writableLocation(QStandardPaths::MusicLocation);
    if (!music.isEmpty() && NormalizeFolder(music) != home)
        AddPlace(Text(kTextPlaceMusic), music);
    AddPlace(Text(kTextPlaceHome), home);
}

QStringList FileDialog::PlaceLabels() const
{
    return m_placeLabels;
}

QStringList FileDialog::PlaceFolders() const
{
    return m_placeFolders;
}

void FileDialog::SetDefaultExtension(const QString& extension)
{
    m_defaultExtension = extension;
    if (m_prepared)
        UpdateSaveTarget();
}

void FileDialog::SetDefaultFileName(const QString& name)
{
    m_defaultFileName = name;
}

void FileDialog::SetSingleSelection(bool single)
{
    if (m_mode == Mode::Open && !m_prepared)
        m_single = single;
}

int FileDialog::exec()
{
    Prepare();
    return QDialog::exec();
}

QStringList FileDialog::ChosenFiles() const
{
    return m_chosen;
}

QString FileDialog::CurrentFolder() const
{
    return m_currentFolder;
}

void FileDialog::Prepare()
{
    if (m_prepared)
        return;
    m_prepared = true;

    {
        const QSignalBlocker block(m_types);
        m_types->clear();
        m_types->addItems(m_descriptions);
        m_types->setCurrentIndex(m_descriptions.isEmpty() ? -1 : 0);
    }
    m_selectedFilter = 0;

    const int iconSize = ScaleX(16);
    m_tree->setIconSize(QSize(iconSize, iconSize));
    m_places->setIconSize(QSize(iconSize, iconSize));
    m_list->setIconSize(QSize(iconSize, iconSize));
    m_list->setSelectionMode(m_single ? QAbstractItemView::SingleSelection : QAbstractItemView::NoSelection);

    m_tree->clear();
    m_places->clear();
    for (int i = 0; i < m_placeLabels.size(); ++i) {
        auto* place = new QListWidgetItem(IconProvider().icon(QFileIconProvider::Folder), m_placeLabels.at(i));
        place->setData(kRolePath, m_placeFolders.at(i));
        place->setToolTip(m_placeFolders.at(i));
        m_places->addItem(place);
    }
    m_places->setVisible(!m_placeLabels.isEmpty());
    QTreeWidgetItem* root = AddFolderItem(nullptr, QStringLiteral("/"), QStringLiteral("/"));
    m_tree->addTopLevelItem(root);
    m_root = root;
    root->setExpanded(true); // lists its subfolders

    OpenFolder(m_startFolder);

    if (m_mode == Mode::Save) {
        m_name->setText(m_defaultFileName);
        OnNameChanged();
        m_name->selectAll();
        m_name->setFocus();
    }
    ApplyLayout();
}

QTreeWidgetItem* FileDialog::AddFolderItem(QTreeWidgetItem* parent, const QString& name, const QString& path)
{
    auto* item = new QTreeWidgetItem;
    item->setText(0, name);
    item->setData(0, kRolePath, path);
    item->setData(0, kRoleListed, false);
    item->setIcon(0, IconProvider().icon(QFileIconProvider::Folder));
    item->setChildIndicatorPolicy(QTreeWidgetItem::ShowIndicator);
    if (parent)
        parent->addChild(item);
    return item;
}

void FileDialog::ListSubfolders(QTreeWidgetItem* item)
{
    if (!item || item->data(0, kRoleListed).toBool())
        return;
    item->setData(0, kRoleListed, true);
    const QString path = item->data(0, kRolePath).toString();
    // Names already present (a hidden folder added on the way to the starting folder).
    QSet<QString> present;
    for (int i = 0; i < item->childCount(); ++i)
        present.insert(item->child(i)->text(0));
    QDir dir(path);
    const QStringList names = dir.entryList(QDir::Dirs | QDir::NoDotAndDotDot);
    for (const QString& name : names) {
        if (!present.contains(name))
            AddFolderItem(item, name, JoinPath(path, name));
    }
    // Sorted by name without regard to case.
    QList<QTreeWidgetItem*> children = item->takeChildren();
    std::stable_sort(children.begin(), children.end(), [](QTreeWidgetItem* a, QTreeWidgetItem* b) {
        return QString::compare(a->text(0), b->text(0), Qt::CaseInsensitive) < 0;
    });
    item->addChildren(children);
    item->setChildIndicatorPolicy(QTreeWidgetItem::DontShowIndicatorWhenChildless);
}

bool FileDialog::OpenFolder(const QString& folder)
{
    Prepare();
    const QString target = NormalizeFolder(folder);
    QTreeWidgetItem* item = m_root;
    if (!item)
        return false;
    ListSubfolders(item);
    QString path = QStringLiteral("/");
    // Folders are matched by whole path components, so "/home/ab" never opens
    // "/home/a".
    const QStringList parts = target.split(QLatin1Char('/'), Qt::SkipEmptyParts);
    bool complete = true;
    for (const QString& part : parts) {
        const QString next = JoinPath(path, part);
        QTreeWidgetItem* child = nullptr;
        for (int i = 0; i < item->childCount() && !child; ++i) {
            if (item->child(i)->data(0, kRolePath).toString() == next)
                child = item->child(i);
        }
        if (!child && QFileInfo(next).isDir()) {
            // Hidden, or made after the parent was listed: add it in name order.
            child = AddFolderItem(nullptr, part, next);
            int at = 0;
            while (at < item->childCount()
                   && QString::compare(item->child(at)->text(0), part, Qt::CaseInsensitive) < 0)
                ++at;
            item->insertChild(at, child);
        }
        if (!child) {
            complete = false;
            break;
        }
        item->setExpanded(true);
        child->setExpanded(true);
        item = child;
        path = next;
    }
    // The deepest existing folder on the way becomes the current one.
    {
        const QSignalBlocker block(m_tree);
        m_tree->setCurrentItem(item);
    }
    RevealCurrentFolder();
    m_currentFolder = path;
    FillFileList();
    UpdateSaveTarget();
    return complete;
}

void FileDialog::RevealCurrentFolder()
{
    QTreeWidgetItem* item = m_tree->currentItem();
    if (!item)
        return;
    m_tree->resizeColumnToContents(0);
    m_tree->scrollToItem(item);
    // Sideways so that the item's expander, icon and name start at the left
    // edge, one step of the parent level still in view.
    int depth = 0;
    for (const QTreeWidgetItem* up = item->parent(); up; up = up->parent())
        ++depth;
    m_tree->horizontalScrollBar()->setValue(std::max(0, depth - 1) * m_tree->indentation());
}

void FileDialog::OnFolderSelected()
{
    QTreeWidgetItem* item = m_tree->currentItem();
    if (!item || !m_prepared)
        return;
    m_currentFolder = item->data(0, kRolePath).toString();
    FillFileList();
    UpdateSaveTarget();
}

bool FileDialog::SelectFileType(int index)
{
    Prepare();
    if (index < 0 || index >= m_types->count())
        return false;
    m_types->setCurrentIndex(index);
    return true;
}

void FileDialog::FillFileList()
{
    m_rows.clear();
    const QString field = m_selectedFilter >= 0 && m_selectedFilter < m_patterns.size() ? m_patterns.at(m_selectedFilter)
                                                                                       : QStringLiteral("*");
    QDir dir(m_currentFolder);
    for (QString piece : SplitPatterns(field)) {
        // "*.*" stands for every file, with or without an extension.
        if (piece == QLatin1String("*.*"))
            piece = QStringLiteral("*");
        // Patterns match without regard to case: "*.mp3" lists "SONG.MP3".
        const QFileInfoList entries
            = dir.entryInfoList({piece}, QDir::Files | QDir::NoDotAndDotDot, QDir::Name | QDir::IgnoreCase);
        for (const QFileInfo& info : entries) {
            FileRow row;
            row.name = info.fileName();
            row.size = info.size();
            row.modified = info.lastModified().toSecsSinceEpoch();
            m_rows.append(row);
        }
    }
    SortRows();
    ShowRows();
}

void FileDialog::SortRows()
{
    const int key = m_sortKey;
    if (key == 0)
        return;
    const bool descending = key < 0;
    const int column = (descending ? -key : key) - 1;
    std::stable_sort(m_rows.begin(), m_rows.end(), [column, descending](const FileRow& a, const FileRow& b) {
        int c = 0;
        switch (column) {
        case kColumnName:
            c = QString::compare(a.name, b.name, Qt::CaseInsensitive);
            break;
        case kColumnSize:
            c = a.size < b.size ? -1 : (a.size > b.size ? 1 : 0);
            break;
        default:
            c = a.modified < b.modified ? -1 : (a.modified > b.modified ? 1 : 0);
            break;
        }
        return descending ? c > 0 : c < 0;
    });
}

void FileDialog::ShowRows()
{
    m_filling = true;
    m_list->setUpdatesEnabled(false);
    m_list->clear();
    const bool checks = m_mode == Mode::Open && !m_single;
    QList<QTreeWidgetItem*> items;
    items.reserve(m_rows.size());
    for (int i = 0; i < m_rows.size(); ++i) {
        const FileRow& row = m_rows.at(i);
        auto* item = new QTreeWidgetItem;
        const QString path = JoinPath(m_currentFolder, row.name);
        item->setText(kColumnName, row.name);
        item->setIcon(kColumnName, IconProvider().icon(QFileInfo(path)));
        item->setText(kColumnSize, SizeText(row.size));
        item->setTextAlignment(kColumnSize, Qt::AlignRight | Qt::AlignVCenter);
        item->setText(kColumnDate, FormatShortDate(row.modified));
        item->setData(kColumnName, kRoleRow, i);
        item->setFlags(Qt::ItemIsEnabled | (checks ? Qt::ItemIsUserCheckable : Qt::ItemIsSelectable));
        if (checks)
            item->setCheckState(kColumnName, m_chosen.contains(path) ? Qt::Checked : Qt::Unchecked);
        items.append(item);
    }
    m_list->addTopLevelItems(items);
    if (m_sortKey != 0) {
        const int column = (m_sortKey < 0 ? -m_sortKey : m_sortKey) - 1;
        m_list->header()->setSortIndicatorShown(true);
        m_list->header()->setSortIndicator(column, m_sortKey < 0 ? Qt::DescendingOrder : Qt::AscendingOrder);
    } else {
        m_list->header()->setSortIndicatorShown(false);
    }
    m_list->setUpdatesEnabled(true);
    m_filling = false;
}

void FileDialog::TapColumn(int column)
{
    if (column < kColumnName || column > kColumnDate)
        return;
    Prepare();
    m_sortKey = m_sortKey == column + 1 ? -(column + 1) : column + 1;
    SortRows();
    ShowRows();
}

int FileDialog::RowCount() const
{
    return m_list->topLevelItemCount();
}

QString FileDialog::RowText(int row, int column) const
{
    const QTreeWidgetItem* item = m_list->topLevelItem(row);
    return item && column >= kColumnName && column <= kColumnDate ? item->text(column) : QString();
}

QString FileDialog::RowPath(int row) const
{
    const QTreeWidgetItem* item = m_list->topLevelItem(row);
    return item ? JoinPath(m_currentFolder, item->text(kColumnName)) : QString();
}

bool FileDialog::IsRowChecked(int row) const
{
    const QTreeWidgetItem* item = m_list->topLevelItem(row);
    return item && (item->flags() & Qt::ItemIsUserCheckable) && item->checkState(kColumnName) == Qt::Checked;
}

bool FileDialog::CheckRow(int row, bool checked)
{
    Prepare();
    QTreeWidgetItem* item = m_list->topLevelItem(row);
    if (!item || !(item->flags() & Qt::ItemIsUserCheckable))
        return false;
    item->setCheckState(kColumnName, checked ? Qt::Checked : Qt::Unchecked); // OnRowChanged does the rest
    return true;
}

void FileDialog::OnRowChanged(QTreeWidgetItem* item, int column)
{
    if (m_filling || column != kColumnName || !item || !(item->flags() & Qt::ItemIsUserCheckable))
        return;
    const QString path = JoinPath(m_currentFolder, item->text(kColumnName));
    const bool checked = item->checkState(kColumnName) == Qt::Checked;
    // A file listed twice (it matches two patterns) is one choice: it is chosen
    // once, and both of its rows show the same state.
    if (checked && !m_chosen.contains(path))
        m_chosen.append(path);
    else if (!checked)
        m_chosen.removeAll(path);
    SetRowsChecked(path, checked);
}

void FileDialog::SetRowsChecked(const QString& path, bool checked)
{
    const bool wasFilling = m_filling;
    m_filling = true;
    for (int i = 0; i < m_list->topLevelItemCount(); ++i) {
        QTreeWidgetItem* other = m_list->topLevelItem(i);
        if (JoinPath(m_currentFolder, other->text(kColumnName)) == path)
            other->setCheckState(kColumnName, checked ? Qt::Checked : Qt::Unchecked);
    }
    m_filling = wasFilling;
}

bool FileDialog::SelectRow(int row)
{
    Prepare();
    QTreeWidgetItem* item = m_list->topLevelItem(row);
    if (!item || !m_single)
        return false;
    m_list->setCurrentItem(item);
    item->setSelected(true);
    return true;
}

void FileDialog::OnRowSelected()
{
    if (m_filling || !m_single)
        return;
    const QList<QTreeWidgetItem*> selected = m_list->selectedItems();
    if (selected.isEmpty())
        return;
    const QString name = selected.first()->text(kColumnName);
    if (m_mode == Mode::Open)
        m_chosen = QStringList{JoinPath(m_currentFolder, name)};
    m_name->setText(name); // in save mode this makes it the chosen file
}

void FileDialog::TypeName(const QString& name)
{
    Prepare();
    m_name->setText(name);
}

QString FileDialog::TypedName() const
{
    return m_name->text();
}

void FileDialog::OnNameChanged()
{
    if (m_mode != Mode::Save)
        return;
    m_ok->setEnabled(!m_name->text().isEmpty());
    UpdateSaveTarget();
}

void FileDialog::UpdateSaveTarget()
{
    if (m_mode != Mode::Save)
        return;
    QString name = m_name->text();
    if (name.isEmpty()) {
        m_chosen.clear();
        return;
    }
    if (!name.contains(QLatin1Char('.')))
        name += m_defaultExtension;
    // Joined with the folder shown now, so changing folders after typing saves
    // where the user is looking.
    m_chosen = QStringList{JoinPath(m_currentFolder, name)};
}

bool FileDialog::IsOkEnabled() const
{
    return m_ok->isEnabled();
}

bool FileDialog::PressOk()
{
    Prepare();
    if (m_mode == Mode::Save) {
        if (m_name->text().isEmpty())
            return false;
        UpdateSaveTarget();
        const QString path = m_chosen.value(0);
        if (QFileInfo(path).isDir()) {
            // A folder's name is no file to save to: open the folder instead.
            OpenFolder(path);
            m_name->clear();
            return false;
        }
        if (QFileInfo::exists(path)) {
            const QString question = FormatText(Text(kTextOverwrite), {path});
            if (ShowMessageBox(question, Text(kTextWarning), MsgButtons::YesNo, MsgIcon::Warning, this)
                != MsgAnswer::Yes)
                return false;
        }
    }
    accept();
    return true;
}

QString FileDialog::SizeText(int64_t size)
{
    if (size > 1048576)
        return QString::number(size >> 20) + QLatin1Char('M');
    if (size > 1024)
        return QString::number(size >> 10) + QLatin1Char('K');
    return QString::number(size);
}

QStringList FileDialog::SplitPatterns(const QString& field)
{
    QStringList pieces;
    for (const QString& piece : field.split(QLatin1Char(','))) {
        const QString trimmed = piece.trimmed();
        if (!trimmed.isEmpty())
            pieces.append(trimmed);
    }
    return pieces;
}

QString FileDialog::JoinPath(const QString& folder, const QString& name)
{
    if (folder.endsWith(QLatin1Char('/')))
        return folder + name;
    return folder + QLatin1Char('/') + name;
}

QString FileDialog::StartFolder(Purpose purpose, const QString& lastFolder)
{
    if (!lastFolder.isEmpty())
        return lastFolder;
    const QString home = QDir::homePath();
    QStandardPaths::StandardLocation location;
    switch (purpose) {
    case Purpose::Sounds: location = QStandardPaths::MusicLocation; break;
    case Purpose::Pictures: location = QStandardPaths::PicturesLocation; break;
    default: return home;
    }
    // Qt reads user-dirs.dirs, and falls back to ~/Music or ~/Pictures.
    const QString folder = QStandardPaths::writableLocation(location);
    return !folder.isEmpty() && QFileInfo(folder).isDir() ? folder : home;
}

QString FileDialog::NormalizeFolder(const QString& folder)
{
    if (!folder.startsWith(QLatin1Char('/')))
        return QStringLiteral("/");
    // cleanPath drops trailing separators (except the root's), doubled
    // separators, "." and resolvable "..".
    return QDir::cleanPath(folder);
}

void FileDialog::resizeEvent(QResizeEvent* event)
{
    QDialog::resizeEvent(event);
    ApplyLayout();
}

void FileDialog::paintEvent(QPaintEvent*)
{
    QPainter painter(this);
    PaintWindowBackground(painter, rect(), KitBackground(this), kBackgroundShade);
}

void FileDialog::showEvent(QShowEvent* event)
{
    Prepare();
    QDialog::showEvent(event);
}

void FileDialog::ApplyLayout()
{
    const QSize client = size();
    if (client.width() == m_layoutWidth && client.height() == m_layoutHeight)
        return;
    const int id = DialogLayout::ChooseId(client, kLayoutId, kLayoutLandscape, kLayoutSquare);
    const DialogLayout layout = LoadLayout(id);
    if (!layout.IsValid())
        return;
    m_layoutWidth = client.width();
    m_layoutHeight = client.height();

    // Design rectangles at the display's density, then stretched to the window:
    // the tree and the list take up whatever the window has beyond the design
    // size, the other controls keep their height. Horizontally every control
    // follows the bands of both; vertically a control follows the bands of those
    // beside or above it (sharing some of its columns), so a tree spanning the
    // full height beside a list with fixed rows below it grows on its own.
    const QSize design = layout.ScaledSize(dpi_x(), dpi_y());
    QVector<QRect> stretchable;
    for (int id : {int(kIdFolderTree), int(kIdFileList)}) {
        QRect r;
        if (layout.ControlRect(id, &r))
            stretchable.append(DialogLayout::Scale(r, dpi_x(), dpi_y()));
    }
    QVector<QPair<int, int>> bandsX;
    for (const QRect& r : stretchable)
        bandsX.append({r.x(), r.x() + r.width()});
    const Stretch sx(bandsX, design.width(), client.width());
    for (int id : layout.ControlIds()) {
        QWidget* control = DialogLayout::FindControl(this, id);
        QRect r;
        if (!control || !layout.ControlRect(id, &r))
            continue;
        // Without the name field (open mode) the list reaches down to its bottom.
        if (id == kIdFileList && m_mode == Mode::Open) {
            QRect nameRect;
            if (layout.ControlRect(kIdFileName, &nameRect) && nameRect.top() >= r.top() + r.height())
                r.setBottom(nameRect.bottom());
        }
        r = DialogLayout::Scale(r, dpi_x(), dpi_y());
        QVector<QPair<int, int>> bandsY;
        for (const QRect& s : stretchable) {
            if (s.x() < r.x() + r.width() && r.x() < s.x() + s.width())
                bandsY.append({s.y(), s.y() + s.height()});
        }
        const Stretch sy(bandsY, design.height(), client.height());
        const int left = sx.Map(r.x());
        const int top = sy.Map(r.y());
        const int right = sx.Map(r.x() + r.width());
        const int bottom = sy.Map(r.y() + r.height());
        control->setGeometry(left, top, std::max(0, right - left), std::max(0, bottom - top));
    }
    if (!m_placeLabels.isEmpty()) {
        // The places take a row off the top of the tree.
        const QRect tree = m_tree->geometry();
        const int row = std::min(ScaleY(22), tree.height() / 3);
        const int gap = ScaleY(2);
        m_places->setGeometry(tree.x(), tree.y(), tree.width(), row);
        m_tree->setGeometry(tree.x(), tree.y() + row + gap, tree.width(), std::max(0, tree.height() - row - gap));
    }
    RevealCurrentFolder();
    SetColumnWidths();
}

void FileDialog::SetColumnWidths()
{
    // The list's client width (inside its frame); the date column leaves room
    // for a vertical scroll bar.
    const int width = m_list->contentsRect().width();
    m_list->setColumnWidth(kColumnName, width * 60 / 100);
    m_list->setColumnWidth(kColumnSize, width * 20 / 100);
    m_list->setColumnWidth(kColumnDate, width * 20 / 100 - ((dpi_x() + 24) * 2) / 96);
}

} // namespace dawnbell
