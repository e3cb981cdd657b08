// The ringing window in its three layouts, with and without the sound controls,
// over the three kinds of background picture, with a battery gauge, and
// snoozing. Pictures and a fake sysfs battery are made in the gallery's
// temporary home; a silent player stands in for the real one.
#include "Gallery.h"

#include "Alarm.h"
#include "CAlarmDialog.h"
#include "FakeMediaPlayer.h"
#include "MediaPlayerFactory.h"

#include <QDir>
#include <QFile>
#include <QImage>
#include <QLinearGradient>
#include <QPainter>
#include <QRadialGradient>

namespace dawnbell {
namespace {

QString Home() { return qEnvironmentVariable("DAWNBELL_HOME"); }

// Makes the pictures and the sound file once per process; returns the picture folder.
QString ImagesDir()
{
    static QString dir;
    if (!dir.isEmpty())
        return dir;
    dir = Home() + QStringLiteral("/images");
    QDir().mkpath(dir);

    // A landscape at dawn, larger than any display: stretched, or centred and cropped.
    QImage dawn(600, 400, QImage::Format_RGB32);
    {
        QPainter p(&dawn);
        QLinearGradient sky(0, 0, 0, 400);
        sky.setColorAt(0, QColor(0x1c, 0x2a, 0x5a));
        sky.setColorAt(0.6, QColor(0xf0, 0x9a, 0x5a));
        sky.setColorAt(1, QColor(0xf8, 0xd8, 0x90));
        p.fillRect(dawn.rect(), sky);
        QRadialGradient sun(300, 300, 60);
        sun.setColorAt(0, QColor(0xff, 0xf4, 0xc0));
        sun.setColorAt(1, QColor(0xff, 0xc0, 0x60, 0));
        p.setBrush(sun);
        p.setPen(Qt::NoPen);
        p.drawEllipse(QPoint(300, 300), 60, 60);
        p.setBrush(QColor(0x30, 0x40, 0x30));
        p.drawPolygon(QPolygon({{0, 400}, {0, 320}, {120, 260}, {260, 330}, {420, 250}, {600, 320}, {600, 400}}));
    }
    dawn.save(dir + QStringLiteral("/dawn.png"));

    // A small tile.
    QImage tile(48, 48, QImage::Format_RGB32);
    {
        QPainter p(&tile);
        p.fillRect(tile.rect(), QColor(0xd8, 0xe8, 0xf0));
        p.setRenderHint(QPainter::Antialiasing);
        p.setBrush(QColor(0xa0, 0xc0, 0xe0));
        p.setPen(QColor(0x70, 0x90, 0xc0));
        p.drawEllipse(QRect(8, 8, 32, 32));
    }
    tile.save(dir + QStringLiteral("/tile.png"));

    // A battery at 40 % on a fake sysfs tree (read by the "battery" state).
    const QString ps = Home() + QStringLiteral("/sys/class/power_supply");
    for (const auto& f : {std::pair<const char*, const char*>{"AC/type", "Mains\n"}, {"AC/online", "0\n"},
                          {"BAT0/type", "Battery\n"}, {"BAT0/capacity", "40\n"}}) {
        const QString path = ps + QLatin1Char('/') + QLatin1String(f.first);
        QDir().mkpath(path.section(QLatin1Char('/'), 0, -2));
        QFile file(path);
        if (file.open(QIODevice::WriteOnly))
            file.write(f.second);
    }
    QFile sound(Home() + QStringLiteral("/alarm.wav"));
    if (sound.open(QIODevice::WriteOnly))
        sound.write("RIFF....WAVE");
    return dir;
}

QWidget* BuildRinging(const QString& state)
{
    const QString images = ImagesDir();
    SetMediaPlayerFactoryForTesting([] { return std::unique_ptr<MediaPlayer>(new FakeMediaPlayer); });

    auto* alarm = new Alarm;
    alarm->title = QStringLiteral("Good morning");
    alarm->message = QStringLiteral("Take the 7:52 train - the umbrella is by the door");
    alarm->SetPlaylist({Home() + QStringLiteral("/alarm.wav")});
    alarm->vibrate = 0;
    alarm->random = 0;
    alarm->useFade = 0;
    alarm->snooze = 9; // short enough that no wake-up notification is registered
    alarm->useBackColor = 1;
    alarm->backColor = 0x00F0E6DC;
    alarm->useTextColor = 1;
    alarm->textColor = 0x00402010;

    const bool snoozing = state.startsWith(QLatin1String("snoozing"));
    if (state.contains(QLatin1String("layout1")))
        alarm->layoutStyle = 1;
    else if (state.contains(QLatin1String("layout2")))
        alarm->layoutStyle = 2;
    if (state.contains(QLatin1String("sound")))
        alarm->showSoundControls = 1;
    if (state.contains(QLatin1String("dark"))) {
        alarm->backColor = 0x00301810;
        alarm->textColor = 0x00E0F0FF;
    }
    struct Picture {
        const char* state;
        int style;
        const char* file;
    };
    for (const Picture& pic : {Picture{"stretch", 1, "dawn.png"}, Picture{"centre", 2, "dawn.png"},
                               Picture{"tile", 3, "tile.png"}}) {
        if (state.contains(QLatin1String(pic.state))) {
            alarm->backImageStyle = pic.style;
            alarm->SetBackImage(BackImageVGA, QString::fromLatin1(pic.file));
        }
    }

    const QByteArray oldSysfs = qgetenv("DAWNBELL_SYSFS");
    if (state.contains(QLatin1String("battery")))
        qputenv("DAWNBELL_SYSFS", (Home() + QStringLiteral("/sys")).toLocal8Bit());
    else
        qputenv("DAWNBELL_SYSFS", (Home() + QStringLiteral("/no-sys")).toLocal8Bit());

    RingingServices services;
    services.imagesDir = images;
    auto* dialog = new CAlarmDialog(alarm, nullptr, services);
    QObject::connect(dialog, &QObject::destroyed, [alarm] { delete alarm; });
    if (snoozing) {
        dialog->Tap();
        for (int i = 0; i < 3; ++i)
            dialog->HandleTimer(CAlarmDialog::TimerCountdown);
    }
    if (oldSysfs.isNull())
        qunsetenv("DAWNBELL_SYSFS");
    else
        qputenv("DAWNBELL_SYSFS", oldSysfs);
    SetMediaPlayerFactoryForTesting({});
    return dialog;
}

const bool registered = gallery::Register(
    {QStringLiteral("ringing"),
     {QStringLiteral("layout0"), QStringLiteral("layout1"), QStringLiteral("layout2"),
      QStringLiteral("layout0-sound"), QStringLiteral("layout1-sound-dark"), QStringLiteral("layout2-sound"),
      QStringLiteral("layout0-stretch"), QStringLiteral("layout1-centre-sound"), QStringLiteral("layout0-tile"),
      QStringLiteral("layout1-battery"), QStringLiteral("layout0-battery-sound"), QStringLiteral("snoozing-layout0"),
      QStringLiteral("snoozing-layout1-dark"), QStringLiteral("snoozing-layout2-stretch")},
     BuildRinging});

} // namespace
} // namespace dawnbell
