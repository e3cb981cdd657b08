#include "WaveResources.h"

#include "MediaPlayerFactory.h"

#include <QCoreApplication>
#include <QFile>
#include <QHash>
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
    QPointer<QSoundEffect>& effect = state.effects[id];
    if (!effect) {
        SelectMediaBackend();
        // Owned by the application object, so the effect goes before the
        // multimedia backend does at shutdown.
        effect = new QSoundEffect(app);
        effect->setSource(QUrl(QStringLiteral("qrc") + path));
    }
    effect->stop();
    effect->play();
    ++state.playCounts[id];
    return true;
}

int WaveResourcePlayCount(int id)
{
    return State().playCounts.value(id, 0);
}

} // namespace dawnbell
