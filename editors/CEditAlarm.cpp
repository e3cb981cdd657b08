#include "CEditAlarm.h"

#include "Alarm.h"
#include "Clock.h"
#include "ColorHelpers.h"
#include "DayCheckBox.h"
#include "DialogLayout.h"
#include "DevicePaths.h"
#include "FileDialog.h"
#include "KitFont.h"
#include "KitPainter.h"
#include "KitRow.h"
#include "KitTextFit.h"
#include "Locale.h"
#include "MediaPlayerFactory.h"
#include "MessageBox.h"
#include "Profile.h"
#include "Scaling.h"
#include "Texts.h"
#include "WaveVolume.h"
#include "WindowGeometry.h"

#include <QCheckBox>
#include <QFile>
#include <QLabel>
#include <QLineEdit>
#include <QListWidget>
#include <QMap>
#include <QMouseEvent>
#include <QMutex>
#include <QPainter>
#include <QPushButton>
#include <QSlider>
#include <QSpinBox>
#include <QStyle>
#include <QStyleOptionSpinBox>
#include <QTime>
#include <QTimeEdit>

#include <algorithm>

// The layout data is compiled into this static library; the initialiser must be
// called explicitly or the linker drops it.
static void InitEditorResources()
{
    Q_INIT_RESOURCE(CEditAlarm);
}

namespace dawnbell {

namespace {

// Texts of the dialog (string-table numbers).
enum TextId {
    kTextNoPlayer = 1,
    kTextClash = 2,
    kTextTime = 4,
    kTextRemainingTime = 11,
    kTextTitle = 17,
    kTextMessage = 18,
    kTextSnooze = 19,
    kTextAdd = 20,
    kTextRemove = 21,
    kTextRandom = 22,
    kTextVibrate = 23,
    kTextOk = 24,
    kTextCancel = 25,
    kTextForceVolume = 30,
    kTextPlaylist = 62,
    kTextMoveUp = 335,   // for screen readers
    kTextMoveDown = 336, // for screen readers
    kTextVolume = 337,   // for screen readers
    kTextMonday = 42, // ... 48 Sunday
    kTextNoSound = 56,
    kTextError = 113,
    kTextWarning = 126,
};

const QString kSettings = QStringLiteral("settings");
const char kLayoutResource[] = ":/editors/CEditAlarm.json";
constexpr int kRolePath = Qt::UserRole;          // list row data: the entry's full path
const QString kCountdownFormat = QStringLiteral("HH:mm:ss");
constexpr int kSecondsPerDay = 86400;
constexpr int kLabelFontTenths = 90;    // label font, tenths of a point

CEditAlarm::FileDialogRunner& FileDialogRunnerSlot()
{
    static CEditAlarm::FileDialogRunner runner;
    return runner;
}

// The editor's three layouts, from its own resource.
DialogLayout LoadLayout(int id)
{
    static const bool initialised = (InitEditorResources(), true);
    Q_UNUSED(initialised);
    return DialogLayout::LoadFrom(QString::fromLatin1(kLayoutResource), id);
}

// A run-time control's edges at 96 dpi in each orientation.
struct Edges {
    int left, top, right, bottom;
};
struct RuntimePlace {
    int id;
    Edges portrait, landscape, square;
};
const RuntimePlace kRuntimePlaces[] = {
    {CEditAlarm::IdTitle, {88, 10, 222, 30}, {90, 6, 195, 26}, {90, 4, 235, 24}},
    {CEditAlarm::IdMessage, {88, 36, 222, 56}, {90, 32, 195, 52}, {90, 28, 235, 48}},
    {CEditAlarm::IdTime, {88, 61, 195, 86}, {90, 59, 195, 84}, {90, 50, 171, 75}},
    {CEditAlarm::IdSnooze, {88, 91, 131, 113}, {90, 91, 131, 113}, {90, 96, 131, 118}},
    {CEditAlarm::IdQuiz, {157, 91, 195, 113}, {160, 91, 195, 113}, {195, 52, 235, 74}},
    {CEditAlarm::IdList, {10, 121, 131, 193}, {49, 115, 184, 160}, {33, 121, 166, 162}},
};

constexpr int kMaxPickerFontSteps = 2; // smaller-font steps the time picker may take (9 pt to 5.5 pt)

// Edges scaled edge by edge (x with the horizontal, y with the vertical density).
QRect ScaleEdges(const Edges& e, int dpiX, int dpiY)
{
    return DialogLayout::ScaleEdges(QRect(e.left, e.top, e.right - e.left, e.bottom - e.top), dpiX, dpiY);
}

int SecondOfDay(const QTime& t)
{
    return t.hour() * 3600 + t.minute() * 60 + t.second();
}

QTime TimeOfMoment(int64_t moment)
{
    const clock::LocalTime t = clock::ToLocal(moment);
    return QTime(t.hour, t.minute, t.second);
}

} // namespace

CEditAlarm::CEditAlarm(Alarm* alarm, QWidget* parent, ClashCheck clash)
    : KitDialog(parent), m_alarm(alarm), m_clash(std::move(clash))
{
    setWindowTitle(QStringLiteral("Dawnbell"));
    setFont(KitFont(9));
    SetEdgeFrame(false);
    const uint32_t bg = AppBackColor();
    const uint32_t text = AppTextColor();
    CreateControls();
    SetKitColors(bg, text);
    FillFromAlarm();

    // A handheld's editor fills the screen; on a desktop it is as large as its
    // portrait layout.
    const QSize design = LoadLayout(kPortraitLayout).ScaledSize(dpi_x(), dpi_y());
    PlaceWindow(this, design);
    if (AvailableArea(this).isEmpty()) // no screen at all
        resize(design);
    LayOutFor(size());
}

CEditAlarm::~CEditAlarm()
{
    ReleasePlayer();
    RestoreWaveVolume();
}

void CEditAlarm::SetFileDialogRunnerForTesting(FileDialogRunner runner)
{
    FileDialogRunnerSlot() = std::move(runner);
}

// --- construction ---------------------------------------------------------

void CEditAlarm::CreateControls()
{
    auto label = [this](int id) {
        auto* l = new QLabel(this);
        l->setObjectName(QString::number(id));
        l->setAlignment(Qt::AlignLeft | Qt::AlignVCenter);
        l->setFont(KitFontTenths(kLabelFontTenths));
        l->setWordWrap(true); // a long text takes a second line before the kit's fit rule shrinks it
        l->hide();            // a holder of text and place; the dialog paints the text
        return l;
    };
    m_titleLabel = label(IdTitleLabel);
    m_messageLabel = label(IdMessageLabel);
    m_timeLabel = label(IdTimeLabel);
    m_snoozeLabel = label(IdSnoozeLabel);
    m_quizLabel = label(IdQuizLabel);
    m_quizLabel->setText(QStringLiteral("Quiz:"));

    auto checkBox = [this](int id) {
        auto* c = new QCheckBox(this);
        c->setObjectName(QString::number(id));
        return c;
    };
    for (int i = 0; i < 7; ++i) {
        m_days[i] = new DayCheckBox(this);
        m_days[i]->setObjectName(QString::number(kDayIds[i]));
    }
    m_vibrate = checkBox(IdVibrate);
    m_random = checkBox(IdRandom);
    m_forceVolume = checkBox(IdForceVolume);

    auto button = [this](int id) {
        auto* b = new QPushButton(this);
        b->setObjectName(QString::number(id));
        b->setAutoDefault(false);
        return b;
    };
    m_add = button(IdAdd);
    m_remove = button(IdRemove);
    m_up = button(IdUp);
    m_down = button(IdDown);
    m_up->setText(QStringLiteral("^"));
    m_down->setText(QStringLiteral("v"));
    m_ok = button(IdOk);
    m_cancel = button(IdCancel);
    m_ok->setDefault(true); // Enter is OK wherever the focus is; Escape is Cancel

    m_volume = new QSlider(Qt::Horizontal, this);
    m_volume->setObjectName(QString::number(IdVolume));
    m_volume->setRange(0, 100);

    // The run-time controls.
    m_title = new QLineEdit(this);
    m_title->setObjectName(QString::number(IdTitle));
    m_title->setMaxLength(kMaxTextLength);
    m_message = new QLineEdit(this);
    m_message->setObjectName(QString::number(IdMessage));
    m_message->setMaxLength(kMaxTextLength);
    m_time = new QTimeEdit(this);
    m_time->setObjectName(QString::number(IdTime));
    m_snooze = new QSpinBox(this);
    m_snooze->setObjectName(QString::number(IdSnooze));
    m_snooze->setRange(0, kMaxSnoozeMinutes);
    m_quiz = new QSpinBox(this);
    m_quiz->setObjectName(QString::number(IdQuiz));
    m_quiz->setRange(0, kMaxQuiz);
    m_list = new QListWidget(this);
    m_list->setObjectName(QString::number(IdList));
    m_list->setSelectionMode(QAbstractItemView::SingleSelection);
    m_list->setHorizontalScrollBarPolicy(Qt::ScrollBarAlwaysOn);
    m_list->setVerticalScrollBarPolicy(Qt::ScrollBarAlwaysOn);
    m_list->setHorizontalScrollMode(QAbstractItemView::ScrollPerPixel);

    setTabOrder(m_title, m_message);
    setTabOrder(m_message, m_time);
    setTabOrder(m_time, m_snooze);
    setTabOrder(m_snooze, m_quiz);

    connect(m_up, &QPushButton::clicked, this, [this] { MoveRow(-1); });
    connect(m_down, &QPushButton::clicked, this, [this] { MoveRow(+1); });
    connect(m_add, &QPushButton::clicked, this, [this] { AddFiles(); });
    connect(m_remove, &QPushButton::clicked, this, [this] { RemoveRow(); });
    connect(m_ok, &QPushButton::clicked, this, &CEditAlarm::accept);
    connect(m_cancel, &QPushButton::clicked, this, &CEditAlarm::reject);
    connect(m_forceVolume, &QCheckBox::clicked, this, [this] { ForceVolumeToggled(); });
    connect(m_list, &QListWidget::itemSelectionChanged, this, [this] { UpdateButtons(); });
    connect(m_list, &QListWidget::itemDoubleClicked, this,
            [this](QListWidgetItem* item) { TestPlay(m_list->row(item)); });
}

void CEditAlarm::FillFromAlarm()
{
    const Alarm& a = *m_alarm;
    m_title->setText(a.title);
    m_message->setText(a.message);
    m_title->setCursorPosition(0);
    m_message->setCursorPosition(0);
    m_vibrate->setChecked(a.vibrate != 0);
    m_random->setChecked(a.random != 0);
    m_forceVolume->setChecked(a.forceVolume != 0);
    m_volume->setValue(std::clamp(a.volume, 0, 100));
    // Connected only now: filling the slider is not the user moving it.
    connect(m_volume, &QSlider::valueChanged, this, [this](int v) { SliderMoved(v); });

    m_pickerDate = a.alarmTime;
    SetPickerFormat();
    m_time->setTime(TimeOfMoment(a.alarmTime));

    // A longer snooze made in the wizard is shown (and kept) as it is; the
    // arrows still stop at 99 on the way down.
    const int minutes = a.SnoozeMinutes();
    m_snooze->setMaximum(std::max(kMaxSnoozeMinutes, minutes));
    m_snooze->setValue(minutes);
    m_quiz->setValue(std::clamp(a.quiz, 0, kMaxQuiz));
    for (int i = 0; i < 7; ++i)
        m_days[i]->setChecked((a.repeatDays & (1 << i)) != 0);

    for (const QString& path : a.playlist)
        AddRow(path);
    ApplyCaptions();
    UpdateButtons();
}

// --- helpers --------------------------------------------------------------

int CEditAlarm::CountdownSeconds(int pickedSecondOfDay, int nowSecondOfDay)
{
    int d = pickedSecondOfDay - nowSecondOfDay;
    if (d < 0)
        d += kSecondsPerDay;
    return std::clamp(d, 0, kSecondsPerDay - 1);
}

QString CEditAlarm::RowTextFor(const QString& path, bool fullPath)
{
    if (fullPath)
        return path;
    const int cut = std::max(path.lastIndexOf(QLatin1Char('/')), path.lastIndexOf(QLatin1Char('\\')));
    return path.mid(cut + 1);
}

QStringList CEditAlarm::playlist() const
{
    QStringList paths;
    for (int i = 0; i < m_list->count(); ++i)
        paths.append(m_list->item(i)->data(kRolePath).toString());
    return paths;
}

QStringList CEditAlarm::rowTexts() const
{
    QStringList texts;
    for (int i = 0; i < m_list->count(); ++i)
        texts.append(m_list->item(i)->text());
    return texts;
}

int CEditAlarm::selectedRow() const
{
    const QList<QListWidgetItem*> items = m_list->selectedItems();
    return items.isEmpty() ? -1 : m_list->row(items.first());
}

QString CEditAlarm::snoozeText() const
{
    return m_snooze->text();
}

QString CEditAlarm::quizText() const
{
    return m_quiz->text();
}

QString CEditAlarm::pickerText() const
{
    return m_time->text();
}

int CEditAlarm::PickedSeconds() const
{
    return SecondOfDay(m_time->time());
}

int64_t CEditAlarm::PickedMoment() const
{
    const clock::LocalTime d = clock::ToLocal(m_pickerDate);
    const QTime t = m_time->time();
    return clock::MakeLocal(d.year, d.month, d.day, t.hour(), t.minute(), t.second());
}

void CEditAlarm::SetPickerFormat()
{
    if (m_countdown) {
        m_time->setDisplayFormat(kCountdownFormat);
    } else {
        const QString format = PictureToQtFormat(LocaleTimeFormat());
        m_time->setDisplayFormat(format.isEmpty() ? kCountdownFormat : format);
    }
    FitPickerFont();
}

void CEditAlarm::FitPickerFont()
{
    m_time->setFont(font());
    QStyleOptionSpinBox option;
    option.initFrom(m_time);
    option.rect = m_time->rect();
    option.frame = m_time->hasFrame();
    option.buttonSymbols = m_time->buttonSymbols();
    option.subControls = QStyle::SC_SpinBoxFrame | QStyle::SC_SpinBoxEditField | QStyle::SC_SpinBoxUp
                         | QStyle::SC_SpinBoxDown;
    const QRect field = m_time->style()->subControlRect(QStyle::CC_SpinBox, &option, QStyle::SC_SpinBoxEditField, m_time);
    // The editor keeps 2 pixels on either side of the field; a wider text is
    // scrolled and loses a digit. A time cannot be shortened, so the font steps
    // down further than for captions.
    const int room = field.width() - 4;
    QFont fitted = m_time->font();
    for (int step = 0; step < kMaxPickerFontSteps && QFontMetrics(fitted).horizontalAdvance(m_time->text()) > room;
         ++step)
        fitted = KitTextFit::SmallerFont(fitted);
    m_time->setFont(fitted);
}

void CEditAlarm::ApplyCaptions()
{
    m_titleLabel->setText(Text(kTextTitle));
    m_messageLabel->setText(Text(kTextMessage));
    m_timeLabel->setText(Text(m_countdown ? kTextRemainingTime : kTextTime));
    m_snoozeLabel->setText(Text(kTextSnooze));
    for (int i = 0; i < 7; ++i)
        m_days[i]->setText(Text(kTextMonday + i));
    m_vibrate->setText(Text(kTextVibrate));
    m_random->setText(Text(kTextRandom));
    m_forceVolume->setText(Text(kTextForceVolume));
    m_add->setText(Text(kTextAdd));
    m_remove->setText(Text(kTextRemove));
    m_ok->setText(Text(kTextOk));
    m_cancel->setText(Text(kTextCancel));
    ApplyAccessibleNames();
    update();
}

void CEditAlarm::ApplyAccessibleNames()
{
    // "Title:" is read as "Title" ("Titre :" as "Titre").
    auto spoken = [](const QLabel* label) {
        QString text = label->text().trimmed();
        if (text.endsWith(QLatin1Char(':')))
            text.chop(1);
        return text.trimmed();
    };
    m_title->setAccessibleName(spoken(m_titleLabel));
    m_message->setAccessibleName(spoken(m_messageLabel));
    m_time->setAccessibleName(spoken(m_timeLabel));
    m_snooze->setAccessibleName(spoken(m_snoozeLabel));
    m_quiz->setAccessibleName(spoken(m_quizLabel));
    m_up->setAccessibleName(Text(kTextMoveUp));
    m_down->setAccessibleName(Text(kTextMoveDown));
    m_volume->setAccessibleName(Text(kTextVolume));
    m_list->setAccessibleName(Text(kTextPlaylist));
}

// --- layout and painting ----------------------------------------------------

void CEditAlarm::LayOutFor(const QSize& size)
{
    LayoutPass pass;
    if (!m_list || !BeginLayoutPass(size, {kPortraitLayout, kLandscapeLayout, kSquareLayout, &LoadLayout}, &pass))
        return;
    const DialogLayout::Variant variant = pass.variant;
    const int dpiX = pass.dpiX;
    const int dpiY = pass.dpiY;
    // Edge by edge, like the run-time controls, so neighbours that touch at
    // 96 dpi never overlap after rounding.
    for (int controlId : pass.layout.ControlIds()) {
        QRect r;
        QWidget* w = DialogLayout::FindControl(this, controlId);
        if (w && pass.layout.ControlRect(controlId, &r))
            w->setGeometry(DialogLayout::ScaleEdges(r, dpiX, dpiY));
    }
    for (const RuntimePlace& p : kRuntimePlaces) {
        const Edges& e = variant == DialogLayout::Portrait    ? p.portrait
                         : variant == DialogLayout::Landscape ? p.landscape
                                                              : p.square;
        if (QWidget* w = DialogLayout::FindControl(this, p.id))
            w->setGeometry(ScaleEdges(e, dpiX, dpiY));
    }
    FitPickerFont();

    if (variant == DialogLayout::Square) {
        if (!m_countdown)
            SetPickerFormat();
        QWidget* order[] = {m_title, m_message, m_time, m_quiz, m_days[0], m_days[1], m_days[2],
                            m_days[3], m_days[4], m_days[5], m_days[6], m_vibrate, m_snooze, m_random};
        for (size_t i = 0; i + 1 < std::size(order); ++i)
            setTabOrder(order[i], order[i + 1]);
    } else {
        // Tab walks the controls as they read, starting at the title.
        DialogLayout::ApplyReadingTabOrder(this);
    }
    ApplyCaptions();
    // A check box or button text longer than its place (a translation) takes
    // the room its row can spare; English texts leave the layout as it is.
    if (variant == DialogLayout::Landscape) {
        KitRow::Share({{m_add}, {m_remove}});
    } else {
        KitRow::Share({{m_vibrate}, {m_random}});
        if (variant == DialogLayout::Portrait)
            KitRow::Share({{m_forceVolume}, {m_volume}});
    }
    m_volume->setVisible(m_forceVolume->isChecked());

    // Centre the design on screens larger than it was made for.
    const QPoint shift = CentringShift(pass, size, m_ok->geometry());
    if (!shift.isNull()) {
        for (QWidget* w : findChildren<QWidget*>(QString(), Qt::FindDirectChildrenOnly))
            w->move(w->pos() + shift);
    }
    m_title->setMaxLength(kMaxTextLength);
    m_message->setMaxLength(kMaxTextLength);
    update();
}

void CEditAlarm::PaintLabels(QPainter& painter)
{
    const HiddenLabelStyle style = LabelStyle();
    for (QLabel* label : findChildren<QLabel*>(QString(), Qt::FindDirectChildrenOnly)) {
        if (label->isHidden())
            PaintHiddenLabel(painter, this, label, style, /*skipDisabled=*/true);
    }
}

void CEditAlarm::mousePressEvent(QMouseEvent* event)
{
    if (event->button() == Qt::LeftButton && m_timeLabel->geometry().contains(event->position().toPoint())) {
        TapTimeLabel();
        event->accept();
        return;
    }
    KitDialog::mousePressEvent(event);
}

// --- countdown mode ------------------------------------------------------------

void CEditAlarm::TapTimeLabel()
{
    const int64_t now = clock::Now();
    if (!m_countdown) {
        for (QCheckBox* day : m_days) {
            day->setChecked(false);
            day->setEnabled(false);
        }
        const int d = CountdownSeconds(PickedSeconds(), SecondOfDay(TimeOfMoment(now)));
        m_countdown = true;
        SetPickerFormat();
        m_time->setTime(QTime(0, 0).addSecs(d));
    } else {
        for (QCheckBox* day : m_days)
            day->setEnabled(true);
        const int64_t moment = now + PickedSeconds();
        m_countdown = false;
        SetPickerFormat();
        m_pickerDate = moment;
        m_time->setTime(TimeOfMoment(moment));
    }
    m_timeLabel->setText(Text(m_countdown ? kTextRemainingTime : kTextTime));
    ApplyAccessibleNames();
    update();
}

void CEditAlarm::SetPickedTime(int hour, int minute, int second)
{
    m_time->setTime(QTime(hour, minute, second));
}

// --- playlist ------------------------------------------------------------------

void CEditAlarm::AddRow(const QString& path)
{
    const bool fullPath = Profile::ReadInt(kSettings, QStringLiteral("fullPath"), 0) != 0;
    auto* item = new QListWidgetItem(RowTextFor(path, fullPath));
    item->setData(kRolePath, path);
    item->setToolTip(path);
    m_list->addItem(item);
}

void CEditAlarm::UpdateButtons()
{
    const int sel = selectedRow();
    const int count = m_list->count();
    m_remove->setEnabled(sel >= 0 && count >= 1);
    m_up->setEnabled(sel > 0);
    m_down->setEnabled(sel >= 0 && sel < count - 1);
    if (m_player)
        m_player->Stop();
}

void CEditAlarm::SelectRow(int row)
{
    if (row < 0 || row >= m_list->count()) {
        m_list->clearSelection();
        m_list->setCurrentRow(-1);
    } else {
        m_list->setCurrentRow(row);
    }
    UpdateButtons();
}

void CEditAlarm::MoveRow(int delta)
{
    const int sel = selectedRow();
    const int to = sel + delta;
    if (sel < 0 || to < 0 || to >= m_list->count())
        return;
    QListWidgetItem* item = m_list->takeItem(sel);
    m_list->insertItem(to, item);
    m_list->setCurrentRow(to);
    UpdateButtons();
}

void CEditAlarm::RemoveRow()
{
    const int sel = selectedRow();
    if (sel < 0)
        return;
    delete m_list->takeItem(sel);
    SelectRow(sel < m_list->count() ? sel : -1);
}

void CEditAlarm::AddFiles()
{
    const QString folder = FileDialog::StartFolder(
        FileDialog::Purpose::Sounds, Profile::ReadText(kSettings, QStringLiteral("lastSelectedSoundFolder"), QString()));
    FileDialog chooser(FileDialog::Mode::Open, folder, this);
    chooser.SetFilter(FileDialog::SoundFilter());
    chooser.AddSoundPlaces(QString::fromStdString(ProgramDir()) + QStringLiteral("/sounds"));
    const FileDialogRunner& runner = FileDialogRunnerSlot();
    const int result = runner ? runner(chooser) : chooser.exec();
    if (result == QDialog::Accepted) {
        for (const QString& path : chooser.ChosenFiles())
            AddRow(path);
    }
    Profile::WriteText(kSettings, QStringLiteral("lastSelectedSoundFolder"), chooser.CurrentFolder());
    Profile::Flush();
    UpdateButtons();
}

// --- volume and test playback ------------------------------------------------------

void CEditAlarm::SaveWaveVolume() { m_savedDevice.Save(); }

// Heard as the alarm will be: at the slider's volume, unmuted.
void CEditAlarm::ApplySliderVolume() { ForcedDeviceVolume::Force(WaveValueForPercent(m_volume->value())); }

void CEditAlarm::RestoreWaveVolume() { m_savedDevice.GiveBack(); }

void CEditAlarm::ForceVolumeToggled()
{
    if (m_forceVolume->isChecked()) {
        m_volume->show();
        SaveWaveVolume();
        ApplySliderVolume();
    } else {
        m_volume->hide();
        RestoreWaveVolume();
    }
}

void CEditAlarm::SliderMoved(int)
{
    if (m_closing)
        return;
    SaveWaveVolume();
    ApplySliderVolume();
}

void CEditAlarm::MoveVolumeSlider(int percent)
{
    m_volume->setValue(percent);
}

void CEditAlarm::TestPlay(int row)
{
    if (row < 0 || row >= m_list->count())
        return;
    if (!m_player) {
        m_player = CreateMediaPlayer();
        if (!m_player) {
            ShowMessageBox(Text(kTextNoPlayer), Text(kTextError), MsgButtons::Ok, MsgIcon::Error, this);
            return;
        }
    }
    m_player->Stop();
    m_player->SetMedia(m_list->item(row)->data(kRolePath).toString());
    m_player->SetVolume(100);
    m_player->Play();
    if (m_forceVolume->isChecked()) {
        SaveWaveVolume();
        ApplySliderVolume();
    }
}

void CEditAlarm::DoubleTapRow(int row)
{
    if (row < 0 || row >= m_list->count())
        return;
    SelectRow(row);
    TestPlay(row);
}

void CEditAlarm::ReleasePlayer()
{
    if (!m_player)
        return;
    m_player->Stop();
    m_player.reset();
}

// --- OK and Cancel ---------------------------------------------------------------

bool CEditAlarm::TryAccept()
{
    if (m_list->count() == 0
        && ShowMessageBox(Text(kTextNoSound), Text(kTextWarning), MsgButtons::YesNo, MsgIcon::Warning, this)
               != MsgAnswer::Yes)
        return false;

    int64_t moment = 0;
    int days = 0;
    if (m_countdown) {
        moment = clock::Now() + PickedSeconds();
    } else {
        moment = PickedMoment();
        for (int i = 0; i < 7; ++i) {
            if (m_days[i]->isChecked())
                days |= 1 << i;
        }
    }

    Alarm candidate;
    candidate.alarmTime = moment;
    candidate.repeatDays = days;
    candidate.type = AlarmCompact;
    if (m_clash && m_clash(candidate)) {
        ShowMessageBox(Text(kTextClash), Text(kTextError), MsgButtons::Ok, MsgIcon::Error, this);
        return false;
    }

    Alarm& a = *m_alarm;
    a.alarmTime = moment;
    a.repeatDays = days;
    a.title = m_title->text();
    a.message = m_message->text();
    a.SetSnoozeMinutes(m_snooze->value());
    a.quiz = m_quiz->value();
    a.vibrate = m_vibrate->isChecked() ? 1 : 0;
    a.volume = m_volume->value();
    a.forceVolume = m_forceVolume->isChecked() ? 1 : 0;
    a.random = m_random->isChecked() ? 1 : 0;
    a.SetPlaylist(playlist());
    return true;
}

void CEditAlarm::accept()
{
    if (m_closing || !TryAccept())
        return;
    m_closing = true;
    ReleasePlayer();
    RestoreWaveVolume();
    KitDialog::accept();
}

void CEditAlarm::reject()
{
    if (!m_closing) {
        m_closing = true;
        ReleasePlayer();
        RestoreWaveVolume();
    }
    KitDialog::reject();
}

void CEditAlarm::Press(int id)
{
    switch (id) {
    case IdOk: accept(); return;
    case IdCancel: reject(); return;
    case IdAdd: AddFiles(); return;
    case IdRemove:
        if (m_remove->isEnabled())
            RemoveRow();
        return;
    case IdUp:
        if (m_up->isEnabled())
            MoveRow(-1);
        return;
    case IdDown:
        if (m_down->isEnabled())
            MoveRow(+1);
        return;
    case IdForceVolume:
        m_forceVolume->setChecked(!m_forceVolume->isChecked());
        ForceVolumeToggled();
        return;
    default:
        if (auto* box = qobject_cast<QCheckBox*>(DialogLayout::FindControl(this, id))) {
            if (box->isEnabled())
                box->setChecked(!box->isChecked());
        }
        return;
    }
}

} // namespace dawnbell
