// The gallery process: renders every registered window in every state on one
// emulated display and checks that nothing falls off the screen.
//
//   dawnbell_gallery --screen 480x800@192 --out DIR [--entry NAME]
//
// Pictures go to DIR/<screen>/<name>-<state>.png. Exit status 0 when every
// window was built and fits; problems are printed one per line.
#include "Gallery.h"
#include "KitStyle.h"
#include "OffscreenConfig.h"
#include "Scaling.h"

#include <QAbstractButton>
#include <QAbstractItemView>
#include <QAbstractScrollArea>
#include <QAbstractSlider>
#include <QAbstractSpinBox>
#include <QApplication>
#include <QComboBox>
#include <QDir>
#include <QElapsedTimer>
#include <QLineEdit>
#include <QPixmap>
#include <QScreen>
#include <QTemporaryDir>
#include <QWidget>

#include <cstdio>
#include <cstring>
#include <functional>
#include <memory>

using namespace dawnbell;

namespace {

// Controls a finger taps: two of them must never cover each other.
bool IsInteractive(const QWidget* w)
{
    return qobject_cast<const QAbstractButton*>(w) || qobject_cast<const QAbstractSlider*>(w)
        || qobject_cast<const QAbstractSpinBox*>(w) || qobject_cast<const QComboBox*>(w)
        || qobject_cast<const QLineEdit*>(w) || qobject_cast<const QAbstractItemView*>(w);
}

// Parts of a composite control (scroll area viewports and bars, spin box
// editors, combo box pieces) are placed by Qt; a scroll area's content may
// lie outside its viewport on purpose. Only the window's own controls are checked.
bool IsInternal(const QWidget* w, const QWidget* window)
{
    if (w->objectName().startsWith(QLatin1String("qt_")))
        return true;
    for (const QWidget* p = w->parentWidget(); p && p != window; p = p->parentWidget()) {
        if (qobject_cast<const QAbstractScrollArea*>(p) || qobject_cast<const QAbstractSpinBox*>(p)
            || qobject_cast<const QComboBox*>(p))
            return true;
    }
    return false;
}

QString Describe(const QWidget* w)
{
    return QStringLiteral("%1 \"%2\"").arg(QString::fromLatin1(w->metaObject()->className()), w->objectName());
}

// Checks the shown window `window` on a screen of `screen` logical pixels;
// prints each problem with `tag` and returns the number of failures.
int CheckWindow(const QWidget* window, const QRect& screen, const QString& tag)
{
    int failures = 0;
    auto fail = [&](const QString& what) {
        std::printf("FAIL %s: %s\n", qPrintable(tag), qPrintable(what));
        ++failures;
    };
    const QRect frame = window->frameGeometry();
    if (!screen.contains(frame))
        fail(QStringLiteral("window %1,%2 %3x%4 falls off the %5x%6 screen")
                 .arg(frame.x()).arg(frame.y()).arg(frame.width()).arg(frame.height())
                 .arg(screen.width()).arg(screen.height()));
    const auto children = window->findChildren<QWidget*>();
    for (const QWidget* child : children) {
        if (child->isWindow() || !child->isVisibleTo(window) || IsInternal(child, window))
            continue;
        const QWidget* parent = child->parentWidget();
        if (!QRect(QPoint(0, 0), parent->size()).contains(child->geometry()))
            fail(QStringLiteral("%1 at %2,%3 %4x%5 lies outside its parent (%6x%7)")
                     .arg(Describe(child)).arg(child->x()).arg(child->y()).arg(child->width())
                     .arg(child->height()).arg(parent->width()).arg(parent->height()));
        if (!IsInteractive(child))
            continue;
        for (const QObject* o : parent->children()) {
            const auto* sibling = qobject_cast<const QWidget*>(o);
            if (!sibling || !std::less<const QWidget*>()(child, sibling) || sibling->isWindow() || !sibling->isVisibleTo(window)
                || !IsInteractive(sibling) || IsInternal(sibling, window))
                continue;
            if (child->geometry().intersects(sibling->geometry()))
                fail(QStringLiteral("%1 overlaps %2").arg(Describe(child), Describe(sibling)));
        }
        if (const auto* button = qobject_cast<const QAbstractButton*>(child)) {
            if (!button->text().isEmpty() && button->sizeHint().width() > button->width() + 2)
                std::printf("WARN %s: text of %s needs %d pixels, has %d\n", qPrintable(tag),
                            qPrintable(Describe(button)), button->sizeHint().width(), button->width());
        }
    }
    return failures;
}

void Usage()
{
    std::fprintf(stderr, "usage: dawnbell_gallery --screen WxH[@dpi] --out DIR [--entry NAME]\n");
}

} // namespace

int main(int argc, char** argv)
{
    QString screenText, outDir, only;
    for (int i = 1; i < argc; ++i) {
        const bool hasValue = i + 1 < argc;
        if (!std::strcmp(argv[i], "--screen") && hasValue)
            screenText = QString::fromLocal8Bit(argv[++i]);
        else if (!std::strcmp(argv[i], "--out") && hasValue)
            outDir = QString::fromLocal8Bit(argv[++i]);
        else if (!std::strcmp(argv[i], "--entry") && hasValue)
            only = QString::fromLocal8Bit(argv[++i]);
        else {
            Usage();
            return 2;
        }
    }
    if (screenText.isEmpty() || outDir.isEmpty()) {
        Usage();
        return 2;
    }

    QTemporaryDir temp;
    if (!temp.isValid()) {
        std::fprintf(stderr, "cannot create a temporary folder\n");
        return 2;
    }
    QString error;
    if (!OffscreenConfig::Prepare(screenText, temp.filePath(QStringLiteral("qpa")), &error)) {
        std::fprintf(stderr, "%s\n", qPrintable(error));
        return 2;
    }
    QDir().mkpath(temp.filePath(QStringLiteral("home")));
    QDir().mkpath(temp.filePath(QStringLiteral("run")));
    QFile::setPermissions(temp.filePath(QStringLiteral("run")), QFile::ReadOwner | QFile::WriteOwner | QFile::ExeOwner);
    qputenv("DAWNBELL_HOME", temp.filePath(QStringLiteral("home")).toLocal8Bit());
    qputenv("XDG_RUNTIME_DIR", temp.filePath(QStringLiteral("run")).toLocal8Bit());
    qputenv("DAWNBELL_NOW", gallery::kGalleryNow);
    qputenv("DAWNBELL_AUTO_ANSWER", "ok");

    QApplication app(argc, argv);
    KitStyle::Install();
    ResetDpiCacheForTesting();

    const ScreenGeometry g = CurrentScreen();
    const QScreen* qtScreen = QGuiApplication::primaryScreen();
    if (!qtScreen || qtScreen->size() != QSize(g.logicalWidth, g.logicalHeight)
        || qAbs(qtScreen->devicePixelRatio() - g.devicePixelRatio) > 0.01) {
        std::printf("FAIL %s: the platform did not take the emulated screen (got %dx%d at ratio %.2f)\n",
                    qPrintable(screenText), qtScreen ? qtScreen->size().width() : 0,
                    qtScreen ? qtScreen->size().height() : 0, qtScreen ? qtScreen->devicePixelRatio() : 0.0);
        return 1;
    }
    const QString folderName = QStringLiteral("%1x%2@%3")
                                   .arg(g.deviceWidth).arg(g.deviceHeight).arg(qRound(g.devicePixelRatio * 96));
    QDir folder(QDir(outDir).filePath(folderName));
    if (!folder.mkpath(QStringLiteral("."))) {
        std::printf("FAIL %s: cannot create %s\n", qPrintable(folderName), qPrintable(folder.path()));
        return 1;
    }

    const QRect screenRect(0, 0, g.logicalWidth, g.logicalHeight);
    int failures = 0, pictures = 0;
    QElapsedTimer timer;
    timer.start();
    for (const gallery::Entry& entry : gallery::Entries()) {
        if (!only.isEmpty() && entry.name != only)
            continue;
        for (const QString& state : entry.states) {
            const QString tag = QStringLiteral("%1 %2-%3").arg(folderName, entry.name, state);
            std::unique_ptr<QWidget> window(entry.build ? entry.build(state) : nullptr);
            if (!window) {
                std::printf("FAIL %s: the window could not be built\n", qPrintable(tag));
                ++failures;
                continue;
            }
            window->show();
            for (int i = 0; i < 3; ++i)
                QApplication::processEvents();
            const QPixmap picture = window->grab();
            const QString file = folder.filePath(QStringLiteral("%1-%2.png").arg(entry.name, state));
            if (!picture.save(file, "PNG")) {
                std::printf("FAIL %s: cannot write %s\n", qPrintable(tag), qPrintable(file));
                ++failures;
            } else {
                ++pictures;
            }
            failures += CheckWindow(window.get(), screenRect, tag);
            window->close();
        }
    }
    std::printf("%s: %d pictures in %lld ms, %d failures\n", qPrintable(folderName), pictures,
                static_cast<long long>(timer.elapsed()), failures);
    return failures ? 1 : 0;
}
