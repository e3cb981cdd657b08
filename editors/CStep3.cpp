#include "CStep3.h"

#include "Alarm.h"
#include "CEditAlarm.h"
#include "DevicePaths.h"
#include "FileDialog.h"
#include "KitArrowButton.h"
#include "MediaPlayer.h"
#include "MediaPlayerFactory.h"
#include "MessageBox.h"
#include "Profile.h"
#include "Texts.h"
#include "WizardServices.h"

#include <QCheckBox>
#include <QFontMetrics>
#include <QListWidget>
#include <QPushButton>

#include <algorithm>

namespace dawnbell {

namespace {

enum TextId {
    kTextNoPlayer = 1,
    kTextAdd = 20,
    kTextRemove = 21,
    kTextRandom = 22,
    kTextTitle = 62, // "Playlist"
    kTextError = 113,
};

const QString kSettings = QStringLiteral("settings");
const QString kSoundFolder = QStringLiteral("lastSelectedSoundFolder");
constexpr int kRolePath = Qt::UserRole; // list row data: the entry's full path

} // namespace

CStep3::CStep3(Alarm* work, const WizardServices* services)
    : CEditWizardPage(work, services, kLayout, kTextTitle)
{
}

CStep3::~CStep3()
{
    if (m_player)
        m_player->Stop();
}

void CStep3::CreateControls()
{
    m_list = new QListWidget(this);
    m_list->setObjectName(QString::number(IdList));
    m_list->setSelectionMode(QAbstractItemView::ExtendedSelection);
    m_list->setHorizontalScrollBarPolicy(Qt::ScrollBarAlwaysOn);
    m_list->setVerticalScrollBarPolicy(Qt::ScrollBarAlwaysOn);
    m_list->setHorizontalScrollMode(QAbstractItemView::ScrollPerPixel);
    m_random = AddCheck(IdRandom);
    QPushButton* add = AddButton(IdAdd);
    m_remove = AddButton(IdRemove);
    m_up = AddArrow(IdUp, Qt::UpArrow);
    m_down = AddArrow(IdDown, Qt::DownArrow);

    connect(add, &QPushButton::clicked, this, [this] { AddFiles(); });
    connect(m_remove, &QPushButton::clicked, this, [this] { RemoveSelected(); });
    connect(m_up, &QAbstractButton::clicked, this, [this] { MoveCurrent(-1); });
    connect(m_down, &QAbstractButton::clicked, this, [this] { MoveCurrent(+1); });
    connect(m_list, &QListWidget::itemSelectionChanged, this, [this] { UpdateButtons(); });
    connect(m_list, &QListWidget::currentRowChanged, this, [this] { UpdateButtons(); });
    connect(m_list, &QListWidget::itemDoubleClicked, this,
            [this](QListWidgetItem* item) { TestPlay(m_list->row(item)); });
}

void CStep3::ApplyCaptions()
{
    m_random->setText(Text(kTextRandom));
    Ctl<QPushButton>(IdAdd)->setText(Text(kTextAdd));
    m_remove->setText(Text(kTextRemove));
}

void CStep3::FillFromAlarm()
{
    m_random->setChecked(m_work->random != 0);
    for (const QString& path : m_work->playlist)
        AddRow(path);
    m_list->setCurrentRow(-1);
    UpdateButtons();
}

QStringList CStep3::Playlist() const
{
    QStringList paths;
    for (int i = 0; i < m_list->count(); ++i)
        paths.append(m_list->item(i)->data(kRolePath).toString());
    return paths;
}

void CStep3::AddRow(const QString& path)
{
    const bool fullPath = Profile::ReadInt(kSettings, QStringLiteral("fullPath"), 0) != 0;
    auto* item = new QListWidgetItem(CEditAlarm::RowTextFor(path, fullPath));
    item->setData(kRolePath, path);
    item->setToolTip(path);
    m_list->addItem(item);
}

void CStep3::UpdateButtons()
{
    const int current = m_list->currentRow();
    const bool usable = current >= 0 && !m_list->selectedItems().isEmpty();
    m_remove->setEnabled(usable);
    m_up->setEnabled(usable && current > 0);
    m_down->setEnabled(usable && current < m_list->count() - 1);
    if (m_player)
        m_player->Stop();
}

void CStep3::MoveCurrent(int delta)
{
    const int from = m_list->currentRow();
    const int to = from + delta;
    if (from < 0 || to < 0 || to >= m_list->count())
        return;
    QListWidgetItem* item = m_list->takeItem(from);
    m_list->insertItem(to, item);
    // The moved row is not selected again: the buttons wait for a new choice.
    m_list->clearSelection();
    m_list->setCurrentRow(-1, QItemSelectionModel::NoUpdate);
    UpdateButtons();
}

void CStep3::RemoveSelected()
{
    QList<int> rows;
    for (QListWidgetItem* item : m_list->selectedItems())
        rows.append(m_list->row(item));
    std::sort(rows.begin(), rows.end(), std::greater<int>());
    for (int row : rows)
        delete m_list->takeItem(row);
    UpdateButtons();
}

void CStep3::AddFiles()
{
    const QString folder = FileDialog::StartFolder(FileDialog::Purpose::Sounds,
                                                   Profile::ReadText(kSettings, kSoundFolder, QString()));
    FileDialog chooser(FileDialog::Mode::Open, folder, window());
    chooser.SetFilter(FileDialog::SoundFilter());
    chooser.AddSoundPlaces(QString::fromStdString(ProgramDir()) + QStringLiteral("/sounds"));
    if (m_services->RunFileDialog(chooser) == QDialog::Accepted) {
        for (const QString& path : chooser.ChosenFiles())
            AddRow(path);
    }
    Profile::WriteText(kSettings, kSoundFolder, chooser.CurrentFolder());
    Profile::Flush();
    UpdateButtons();
}

void CStep3::TestPlay(int row)
{
    if (row < 0 || row >= m_list->count())
        return;
    if (!m_player) {
        m_player = CreateMediaPlayer();
        if (!m_player) {
            ShowMessageBox(Text(kTextNoPlayer), Text(kTextError), MsgButtons::Ok, MsgIcon::Error, window());
            return;
        }
    }
    m_player->Stop();
    m_player->SetMedia(m_list->item(row)->data(kRolePath).toString());
    m_player->SetVolume(100);
    m_player->Play();
}

bool CStep3::StoreToAlarm()
{
    m_work->random = m_random->isChecked() ? 1 : 0;
    m_work->SetPlaylist(Playlist());
    return true;
}

} // namespace dawnbell
