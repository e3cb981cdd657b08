#pragma once
// Shared set-up of the ringing tests: a temporary device directory, a fake sysfs
// tree (one LED vibrator, one backlight, a battery) and the virtual device
// volume, all before anything reads them.
#include "Registry.h"
#include "Notify.h"
#include "Scaling.h"

#include <QByteArray>
#include <QDir>
#include <QFile>
#include <QString>
#include <QTemporaryDir>

#include <memory>

#include <csignal>
#include <sys/types.h>

namespace dawnbell::test {

inline bool WriteFile(const QString& path, const QByteArray& text)
{
    QDir().mkpath(path.section(QLatin1Char('/'), 0, -2));
    QFile f(path);
    return f.open(QIODevice::WriteOnly | QIODevice::Truncate) && f.write(text) == text.size();
}

inline QByteArray ReadFile(const QString& path)
{
    QFile f(path);
    return f.open(QIODevice::ReadOnly) ? f.readAll().trimmed() : QByteArray("<missing>");
}

class RingingEnv {
public:
    RingingEnv()
    {
        home_ = std::make_unique<QTemporaryDir>();
        RegCloseStore();
        notify::NotifyCloseStore();
        qputenv("DAWNBELL_HOME", home_->filePath("home").toUtf8());
        qputenv("DAWNBELL_SYSFS", Sysfs().toUtf8());
        qputenv("DAWNBELL_DEVINPUT", home_->filePath("input").toUtf8());
        qputenv("DAWNBELL_AUDIO_VIRTUAL", "1");
        // The real notification service of the build is started by the first
        // notification and stopped again at the end; the tests' notifications lie
        // years ahead and start only /bin/true.
        qunsetenv("DAWNBELL_NOTIFYD");
        WriteFile(LedDir() + "/brightness", "0\n");
        WriteFile(LedDir() + "/max_brightness", "255\n");
        WriteFile(BacklightDir() + "/bl_power", "0\n");
        WriteFile(BacklightDir() + "/brightness", "40\n");
        WriteFile(BacklightDir() + "/max_brightness", "100\n");
        SetBattery(true, 50);
    }
    ~RingingEnv()
    {
        const pid_t daemon = notify::NotifyDaemonPid();
        if (daemon > 0)
            ::kill(daemon, SIGTERM);
        RegCloseStore();
        notify::NotifyCloseStore();
    }

    QString Sysfs() const { return home_->filePath("sys"); }
    QString LedDir() const { return Sysfs() + "/class/leds/test::vibrator"; }
    QString BacklightDir() const { return Sysfs() + "/class/backlight/panel"; }
    QString Path(const QString& name) const { return home_->filePath(name); }

    // Mains power on or off, and a battery with `percent`.
    void SetBattery(bool mains, int percent)
    {
        const QString ps = Sysfs() + "/class/power_supply";
        WriteFile(ps + "/AC/type", "Mains\n");
        WriteFile(ps + "/AC/online", mains ? "1\n" : "0\n");
        WriteFile(ps + "/BAT0/type", "Battery\n");
        WriteFile(ps + "/BAT0/capacity", QByteArray::number(percent) + "\n");
    }

    // Makes a file with some bytes and returns its path.
    QString MakeFile(const QString& name)
    {
        const QString path = Path(name);
        WriteFile(path, "RIFF....WAVE");
        return path;
    }

private:
    std::unique_ptr<QTemporaryDir> home_;
};

} // namespace dawnbell::test
