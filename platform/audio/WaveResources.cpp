#include "WaveResources.h"

#include "MediaPlayerFactory.h"

#include <QCoreApplication>
#include <QFile>
#include <QHash>
#include <QAudioDevice>
#include <QMediaDevices>
#include <QPointer>
#include <QSoundEffect>
#include <QUrl>

static void InitSoundResources()
{
    Q_INIT_RESOURCE(dawnbell_sounds);
}

namespace dawnbell {

namespace {
struct WaveState {
    QHash<int, QPointer<QSoundEffect>> effects; // one per id, owned by the application object
    QHash<int, int> playCounts;
};

WaveState& State()
{
    static WaveState state;
    return state;
}
} // namespace

QString WaveResourcePath(int id)
{
    if (id != kWaveAlarmFallback && id != kWaveEndSound)
        return QString();
    return QStringLiteral(":/sounds/%1.wav").arg(id);
}

bool PlayWaveResource(int id)
{
    const QString path = WaveResourcePath(id);
    QCoreApplication* app = QCoreApplication::instance();
    if (path.isEmpty() || !app)
        return false;
    InitSoundResources();
    if (!QFile::exists(path))
        return false;

    WaveState& state = State();
    ++state.playCounts[id];
    SelectMediaBackend();
    // Without an output device there is nothing to hear; do not make the effect
    // complain about it. The device is looked up on every call, so a sound
    // server that starts later is used from then on.
    if (QMediaDevices::defaultAudioOutput().isNull())
        return true;
    QPointer<QSoundEffect>& effect = state.effects[id];
    if (!effect) {
        // Owned by the application object, so the effect goes before the
        // multimedia backend does at shutdown.
        effect = new QSoundEffect(app);
        effect->setSource(QUrl(QStringLiteral("qrc") + path));
    }
    effect->stop();
    effect->play();
    return true;
}

int WaveResourcePlayCount(int id)
{
    return State().playCounts.value(id, 0);
}

} // namespace dawnbell
