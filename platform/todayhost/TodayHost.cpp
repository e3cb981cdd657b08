#include "TodayHost.h"

#include "Clock.h"
#include "Registry.h"
#include "ScreenLockWatch.h"

#include <QApplication>
#include <QDate>
#include <QDialog>
#include <QKeyEvent>
#include <QLinearGradient>
#include <QLocale>
#include <QPainter>
#include <QPushButton>
#include <QSocketNotifier>
#include <QTimer>
#include <QWindow>

#include <algorithm>
#include <cstring>

#include <dlfcn.h>

namespace dawnbell::today {

namespace {

// The background: a calm dawn sky, dark at the top.
const QColor kSkyTop(28, 40, 78);
const QColor kSkyBottom(92, 82, 128);
const QColor kText(255, 255, 255);
const QColor kHighlight(54, 110, 190);

uint32_t ToColorRef(const QColor& c)
{
    return uint32_t(c.red()) | uint32_t(c.green()) << 8 | uint32_t(c.blue()) << 16;
}

void CopyText(char* to, size_t size, const std::string& from)
{
    const size_t n = std::min(size - 1, from.size());
    std::memcpy(to, from.data(), n);
    to[n] = '\0';
}

// One registered item's values.
struct Registration {
    std::string name;
    std::string library;
    uint32_t enabled = 0;
    uint32_t options = 0;
    uint32_t order = 0;
    uint32_t type = 0;
    uint32_t selectability = 0;
};

std::vector<Registration> ReadRegistrations()
{
    std::vector<Registration> out;
    RegKey items;
    if (RegKey::Open(Hive::LocalMachine, kItemsKey, &items) != RegOk)
        return out;
    std::string name;
    for (uint32_t i = 0; items.EnumKey(i, &name) == RegOk; ++i) {
        RegKey key;
        if (RegKey::Open(Hive::LocalMachine, items.path() + "\\" + name, &key) != RegOk)
            continue;
        Registration r;
        r.name = name;
        std::u16string dll;
        if (key.ReadString("DLL", &dll))
            r.library = Utf16ToUtf8(dll);
        key.ReadDword("Enabled", &r.enabled);
        key.ReadDword("Options", &r.options);
        key.ReadDword("Order", &r.order);
        key.ReadDword("Type", &r.type);
        key.ReadDword("Selectability", &r.selectability);
        out.push_back(std::move(r));
    }
    std::stable_sort(out.begin(), out.end(),
                     [](const Registration& a, const Registration& b) { return a.order < b.order; });
    return out;
}

} // namespace

TodayHost::TodayHost(QWidget* parent) : QWidget(parent)
{
    setWindowTitle(QStringLiteral("Today"));
    setObjectName(QStringLiteral("TodayHost"));
    setFocusPolicy(Qt::StrongFocus);

    optionsButton_ = new QPushButton(QStringLiteral("Options"), this);
    optionsButton_->setObjectName(QStringLiteral("options"));
    // Tab reaches it after the items (it sits below them), Enter and Space
    // press it; a tap leaves the keys with the items.
    optionsButton_->setFocusPolicy(Qt::TabFocus);
    optionsButton_->setAutoDefault(true);
    connect(optionsButton_, &QPushButton::clicked, this, [this] { OpenOptions(OptionsTarget()); });

    // Ready to serve items: they answer refresh queries only while this is set.
    if (NamedEvent::Create(kShellReadyEvent, true, false, &ready_) == EventOk)
        ready_.Set();
    else
        problems_ << QStringLiteral("The ready event %1 could not be set.").arg(QLatin1String(kShellReadyEvent));

    if (broadcast_.Open()) {
        broadcastNotifier_ = new QSocketNotifier(broadcast_.fd(), QSocketNotifier::Read, this);
        connect(broadcastNotifier_, &QSocketNotifier::activated, this, [this] { OnBroadcast(); });
    }

    // Nobody reads a locked screen: it rests until unlocked, then asks its items at once.
    screenLock_ = new ScreenLockWatch(this);
    connect(screenLock_, &ScreenLockWatch::lockedChanged, this, [this] { UpdateRest(); });

    LoadItems(); // the refresh timer starts when the screen is shown
}

TodayHost::~TodayHost()
{
    refresh_.stop();
    UnloadItems();
    if (ready_.IsOpen())
        ready_.Reset();
}

void TodayHost::LoadItems()
{
    UnloadItems();
    problems_.clear();
    for (const Registration& r : ReadRegistrations()) {
        if (r.enabled == 0 || r.type != kTodayItemCustom)
            continue;
        const QString name = QString::fromStdString(r.name);
        void* library = r.library.empty() ? nullptr : ::dlopen(r.library.c_str(), RTLD_NOW | RTLD_LOCAL);
        if (!library) {
            const char* why = r.library.empty() ? "no library registered" : ::dlerror();
            problems_ << QStringLiteral("%1: cannot load the item (%2)").arg(name, QString::fromLocal8Bit(why));
            continue;
        }
        auto init = reinterpret_cast<InitializeCustomItemFn>(::dlsym(library, kInitializeCustomItemName));
        if (!init) {
            problems_ << QStringLiteral("%1: the library has no %2").arg(name, QLatin1String(kInitializeCustomItemName));
            ::dlclose(library);
            continue;
        }
        LoadedItem item;
        item.record = std::make_unique<TodayListItem>();
        CopyText(item.record->name, sizeof item.record->name, r.name);
        CopyText(item.record->libraryPath, sizeof item.record->libraryPath, r.library);
        item.record->type = r.type;
        item.record->enabled = r.enabled;
        item.record->options = r.options;
        item.record->selectability = r.selectability;
        item.record->library = library;
        item.options = reinterpret_cast<CustomItemOptionsDlgProcFn>(::dlsym(library, kOptionsDlgProcName));
        QWidget* window = init(item.record.get(), this);
        if (!window) {
            problems_ << QStringLiteral("%1: the item did not start").arg(name);
            ::dlclose(library);
            continue;
        }
        item.record->window = window;
        window->installEventFilter(this);
        items_.push_back(std::move(item));
    }
    for (const QString& p : problems_)
        qWarning("dawnbell-today: %s", qPrintable(p));
    RefreshItems();
    Layout();
    update();
}

void TodayHost::UnloadItems()
{
    selected_ = -1;
    for (LoadedItem& item : items_) {
        // The window's code lives in the library: delete it before unloading.
        delete item.record->window;
        item.record->window = nullptr;
        ::dlclose(item.record->library);
    }
    items_.clear();
}

void TodayHost::RefreshItems()
{
    bool relayout = false;
    for (LoadedItem& item : items_) {
        if (!item.record->window)
            continue;
        TodayEvent query(WM_TODAYCUSTOM_QUERYREFRESHCACHE, reinterpret_cast<uintptr_t>(item.record.get()));
        QApplication::sendEvent(item.record->window, &query);
        if (query.result) {
            relayout = relayout || item.record->window->height() != int(item.record->height);
            item.record->window->update();
            ++refreshRepaints_;
        }
    }
    if (relayout)
        Layout();
    // The date line, once the day it shows is over (never painted: a paint comes anyway).
    if (const int today = Today(); shownDay_ != 0 && shownDay_ != today) {
        shownDay_ = today;
        update(0, 0, width(), HeaderHeight());
        ++refreshRepaints_;
    }
}

int TodayHost::Today()
{
    const clock::LocalTime t = clock::ToLocal(clock::Now());
    return t.year * 10000 + t.month * 100 + t.day;
}

void TodayHost::UpdateRest()
{
    if (!isVisible() || isMinimized() || offDisplay_ || (screenLock_ && screenLock_->locked())) {
        refresh_.stop();
        return;
    }
    if (refresh_.isActive())
        return;
    RefreshItems(); // what changed while the screen rested shows at once
    refresh_.start(kRefreshMs, this);
}

bool TodayHost::OpenOptions(int index)
{
    if (index < 0 || index >= ItemCount())
        return false;
    LoadedItem& item = items_[size_t(index)];
    if (!item.options || item.record->options == 0)
        return false;
    {
        QDialog dialog(this);
        dialog.setObjectName(QStringLiteral("options-") + QString::fromLatin1(item.record->name));
        item.options(&dialog, WM_INITDIALOG, 0, reinterpret_cast<intptr_t>(item.record.get()));
        dialog.exec();
    }
    LoadItems(); // new settings (rows, button size) take effect with a new record
    return true;
}

void TodayHost::Select(int index)
{
    if (index == selected_)
        return;
    if (selected_ >= 0 && selected_ < ItemCount() && Item(selected_)->window) {
        TodayEvent lost(WM_TODAYCUSTOM_LOSTSELECTION);
        QApplication::sendEvent(Item(selected_)->window, &lost);
    }
    selected_ = -1;
    if (index >= 0 && index < ItemCount() && Item(index)->window) {
        TodayEvent received(WM_TODAYCUSTOM_RECEIVEDSELECTION, VK_DOWN);
        QApplication::sendEvent(Item(index)->window, &received);
        selected_ = index;
    }
    optionsButton_->setEnabled(OptionsTarget() >= 0);
}

uint32_t TodayHost::Color(uint32_t index)
{
    switch (index) {
    case TODAYCOLOR_HIGHLIGHT: return ToColorRef(kHighlight);
    case TODAYCOLOR_TEXT:
    case TODAYCOLOR_HIGHLIGHTEDTEXT:
    default: return ToColorRef(kText);
    }
}

int TodayHost::OptionsTarget() const
{
    if (selected_ >= 0 && items_[size_t(selected_)].options && items_[size_t(selected_)].record->options)
        return selected_;
    for (int i = 0; i < ItemCount(); ++i) {
        if (items_[size_t(i)].options && items_[size_t(i)].record->options)
            return i;
    }
    return -1;
}

int TodayHost::HeaderHeight() const { return fontMetrics().height() * 2; }

void TodayHost::Layout()
{
    int y = HeaderHeight();
    for (LoadedItem& item : items_) {
        if (!item.record->window)
            continue;
        item.record->window->setGeometry(0, y, width(), int(item.record->height));
        y += int(item.record->height);
    }
    const QSize button = optionsButton_->sizeHint();
    optionsButton_->setGeometry(width() - button.width() - 4, height() - button.height() - 4, button.width(),
                                button.height());
    optionsButton_->setEnabled(OptionsTarget() >= 0);
}

void TodayHost::OnBroadcast()
{
    BroadcastMessage m;
    bool reload = false;
    while (broadcast_.Read(&m))
        reload = reload || (m.message == kMsgSettingChange && m.wparam == kSettingChangeToday);
    if (reload)
        ScheduleReload();
}

void TodayHost::ScheduleReload()
{
    // Reloading deletes the items' windows: never from inside the notifier, nor
    // while a dialog (an item's question, its options) runs on top of them.
    QTimer::singleShot(QApplication::activeModalWidget() ? 500 : 0, this, [this] {
        if (QApplication::activeModalWidget())
            ScheduleReload();
        else
            LoadItems();
    });
}

void TodayHost::PaintBackground(QPainter& painter, const QRect& area, const QPoint& origin) const
{
    QLinearGradient sky(0, 0, 0, std::max(1, height()));
    sky.setColorAt(0, kSkyTop);
    sky.setColorAt(1, kSkyBottom);
    painter.save();
    painter.translate(-origin);
    painter.fillRect(area.translated(origin), sky);
    painter.restore();
}

bool TodayHost::event(QEvent* e)
{
    if (e->type() != TodayEvent::kType)
        return QWidget::event(e);
    auto* m = static_cast<TodayEvent*>(e);
    switch (m->message) {
    case TODAYM_GETCOLOR:
        m->result = intptr_t(Color(uint32_t(m->wparam)));
        break;
    case TODAYM_DRAWWATERMARK:
        if (const auto* info = reinterpret_cast<const TodayDrawWatermarkInfo*>(m->lparam);
            info && info->painter && info->window) {
            PaintBackground(*info->painter, info->rect, info->window->mapTo(this, QPoint(0, 0)));
            m->result = 1;
        }
        break;
    default:
        break;
    }
    return true;
}

void TodayHost::paintEvent(QPaintEvent*)
{
    QPainter p(this);
    PaintBackground(p, rect(), QPoint(0, 0));
    p.setPen(kText);
    const QRect header(6, 0, width() - 12, HeaderHeight());
    shownDay_ = Today();
    const QString dateLine =
        QLocale().toString(QDate(shownDay_ / 10000, shownDay_ / 100 % 100, shownDay_ % 100), QLocale::LongFormat);
    p.drawText(header, Qt::AlignLeft | Qt::AlignVCenter, dateLine);
    // A screen reader says the painted date line with the window.
    if (accessibleDescription() != dateLine)
        setAccessibleDescription(dateLine);
    int y = HeaderHeight();
    for (const LoadedItem& item : items_)
        y += int(item.record->height);
    if (!problems_.isEmpty()) {
        p.setPen(QColor(255, 200, 160));
        p.drawText(QRect(6, y + 4, width() - 12, height() - y - 8), Qt::TextWordWrap, problems_.join(QLatin1Char('\n')));
    } else if (items_.empty()) {
        p.drawText(QRect(6, y + 4, width() - 12, height() - y - 8), Qt::TextWordWrap,
                   QStringLiteral("No today items are enabled."));
    }
}

void TodayHost::resizeEvent(QResizeEvent* e)
{
    Layout();
    QWidget::resizeEvent(e);
}

void TodayHost::showEvent(QShowEvent* e)
{
    QWidget::showEvent(e);
    // Its window tells when the window system takes it off the display (Expose).
    if (QWindow* window = windowHandle())
        window->installEventFilter(this);
    offDisplay_ = false;
    UpdateRest();
}

void TodayHost::hideEvent(QHideEvent* e)
{
    // A hide the window system made (minimized, unmapped) leaves the widget
    // visible to Qt: it counts as off the display until shown again.
    if (e->spontaneous())
        offDisplay_ = true;
    refresh_.stop();
    QWidget::hideEvent(e);
}

void TodayHost::changeEvent(QEvent* e)
{
    QWidget::changeEvent(e);
    if (e->type() == QEvent::WindowStateChange)
        UpdateRest();
}

void TodayHost::keyPressEvent(QKeyEvent* e)
{
    uint32_t vk = 0;
    switch (e->key()) {
    case Qt::Key_Up: vk = VK_UP; break;
    case Qt::Key_Down: vk = VK_DOWN; break;
    case Qt::Key_Left: vk = VK_LEFT; break;
    case Qt::Key_Right: vk = VK_RIGHT; break;
    case Qt::Key_Return:
    case Qt::Key_Enter: vk = VK_RETURN; break;
    default: QWidget::keyPressEvent(e); return;
    }
    if (selected_ < 0) {
        if (vk == VK_DOWN || vk == VK_UP)
            Select(vk == VK_DOWN ? 0 : ItemCount() - 1);
        return;
    }
    QWidget* window = Item(selected_)->window;
    if (vk == VK_RETURN) {
        TodayEvent action(WM_TODAYCUSTOM_ACTION);
        QApplication::sendEvent(window, &action);
    } else {
        TodayEvent navigation(WM_TODAYCUSTOM_USERNAVIGATION, vk);
        QApplication::sendEvent(window, &navigation);
        // A key the item does not use moves the selection to the next item.
        if (!navigation.result && (vk == VK_UP || vk == VK_DOWN)) {
            const int next = selected_ + (vk == VK_DOWN ? 1 : -1);
            if (next >= 0 && next < ItemCount())
                Select(next);
        }
    }
    QTimer::singleShot(0, this, [this] { RefreshItems(); });
}

void TodayHost::timerEvent(QTimerEvent* e)
{
    if (e->timerId() == refresh_.timerId())
        RefreshItems();
    else
        QWidget::timerEvent(e);
}

bool TodayHost::eventFilter(QObject* watched, QEvent* e)
{
    if (e->type() == QEvent::Expose && watched == windowHandle()) {
        offDisplay_ = !windowHandle()->isExposed();
        UpdateRest();
        return false;
    }
    // After a tap on an item, ask it again soon, so a switched alarm shows at once.
    if (e->type() == QEvent::MouseButtonRelease || e->type() == QEvent::MouseButtonDblClick)
        QTimer::singleShot(0, this, [this] { RefreshItems(); });
    return QWidget::eventFilter(watched, e);
}

} // namespace dawnbell::today
