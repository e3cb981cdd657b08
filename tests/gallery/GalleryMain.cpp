// The gallery process: renders every registered window in every state on one
// emulated display, in each shipped language, and checks each picture
// (WindowCheck: nothing off the screen, no overlaps, no text overflowing its
// control).
//
//   dawnbell_gallery --screen 480x800@192 --out DIR [--entry NAME] [--lang NAME]...
//
// Pictures go to DIR/<lang>/<screen>/<name>-<state>.png; <lang> is "english"
// (the built-in texts) or the base name of a language file in the program
// folder's languages/ (all of them unless --lang names some). Exit status 0
// when every window was built and passed; findings are printed one per line.
// Text overflow fails only on the eleven screen classes at their real density.
#include "Gallery.h"
#include "KitStyle.h"
#include "KitTextFit.h"
#include "LanguageTable.h"
#include "OffscreenConfig.h"
#include "Profile.h"
#include "Scaling.h"
#include "WindowCheck.h"

#include <QApplication>
#include <QDir>
#include <QElapsedTimer>
#include <QPixmap>
#include <QScreen>
#include <QTemporaryDir>
#include <QWidget>

#include <cstdio>
#include <algorithm>
#include <cstring>
#include <memory>

using namespace dawnbell;

namespace {

// The density a display of `width` x `height` device pixels has on a real
// handheld: 96 dpi for the 240-pixel classes, 192 for the 480-pixel ones; 0
// for displays of no screen class.
int RealDensity(int width, int height)
{
    static const QSize kClasses[] = {{240, 320}, {320, 240}, {320, 320}, {480, 640}, {640, 480}, {480, 480},
                                     {240, 400}, {400, 240}, {480, 800}, {800, 480}, {240, 240}};
    for (const QSize& c : kClasses) {
        if (c == QSize(width, height))
            return std::min(width, height) >= 480 ? 192 : 96;
    }
    return 0;
}

void Usage()
{
    std::fprintf(stderr, "usage: dawnbell_gallery --screen WxH[@dpi] --out DIR [--entry NAME] [--lang NAME]...\n");
}

} // namespace

int main(int argc, char** argv)
{
    QString screenText, outDir, only;
    QStringList languages;
    for (int i = 1; i < argc; ++i) {
        const bool hasValue = i + 1 < argc;
        if (!std::strcmp(argv[i], "--screen") && hasValue)
            screenText = QString::fromLocal8Bit(argv[++i]);
        else if (!std::strcmp(argv[i], "--out") && hasValue)
            outDir = QString::fromLocal8Bit(argv[++i]);
        else if (!std::strcmp(argv[i], "--entry") && hasValue)
            only = QString::fromLocal8Bit(argv[++i]);
        else if (!std::strcmp(argv[i], "--lang") && hasValue)
            languages << QString::fromLocal8Bit(argv[++i]);
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
    const int dpi = qRound(g.devicePixelRatio * 96);
    const QString screenName = QStringLiteral("%1x%2@%3").arg(g.deviceWidth).arg(g.deviceHeight).arg(dpi);
    const bool strictTexts = RealDensity(g.deviceWidth, g.deviceHeight) == dpi;

    // English first, then every shipped language file.
    const QString programFolder = QStringLiteral(DAWNBELL_PROGRAM_DIR);
    if (languages.isEmpty()) {
        languages << QStringLiteral("english");
        for (const QString& name : LanguageTable::AvailableLanguages(programFolder)) {
            if (name != QLatin1String("english"))
                languages << name;
        }
    }
    LanguageTable texts;
    texts.InstallAsTextProvider();

    const QRect screenRect(0, 0, g.logicalWidth, g.logicalHeight);
    int failures = 0;
    for (const QString& language : languages) {
        const QString folderName = language + QLatin1Char('/') + screenName;
        const LanguageTable::LoadResult loaded = texts.Load(programFolder, language);
        if (loaded != LanguageTable::LoadResult::Loaded && language != QLatin1String("english")) {
            std::printf("FAIL %s: the language file could not be loaded\n", qPrintable(folderName));
            ++failures;
            continue;
        }
        Profile::WriteText(QStringLiteral("settings"), QStringLiteral("languageFile"), language);
        QDir folder(QDir(outDir).filePath(folderName));
        if (!folder.mkpath(QStringLiteral("."))) {
            std::printf("FAIL %s: cannot create %s\n", qPrintable(folderName), qPrintable(folder.path()));
            ++failures;
            continue;
        }
        int pictures = 0, overflows = 0, smaller = 0, elided = 0, languageFailures = 0;
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
                    ++languageFailures;
                    continue;
                }
                window->show();
                for (int i = 0; i < 3; ++i)
                    QApplication::processEvents();
                KitTextFit::ForgetDrawn(); // the checks look at this drawing only
                const QPixmap picture = window->grab();
                const QString file = folder.filePath(QStringLiteral("%1-%2.png").arg(entry.name, state));
                if (!picture.save(file, "PNG")) {
                    std::printf("FAIL %s: cannot write %s\n", qPrintable(tag), qPrintable(file));
                    ++languageFailures;
                } else {
                    ++pictures;
                }
                gallery::WindowCheck check(tag, strictTexts);
                check.Geometry(window.get(), screenRect);
                check.Texts(window.get());
                languageFailures += check.failures();
                overflows += check.overflows();
                smaller += check.smaller();
                elided += check.elided();
                window->close();
            }
        }
        std::printf("%s: %d pictures in %lld ms; texts: %d overflowing, %d smaller, %d elided; %d failures\n",
                    qPrintable(folderName), pictures, static_cast<long long>(timer.elapsed()), overflows, smaller,
                    elided, languageFailures);
        failures += languageFailures;
    }
    return failures ? 1 : 0;
}
