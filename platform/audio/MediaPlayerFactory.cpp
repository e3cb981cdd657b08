#include "MediaPlayerFactory.h"

#include "QtMediaPlayer.h"

namespace dawnbell {

namespace {
MediaPlayerFactory& TestFactory()
{
    static MediaPlayerFactory factory;
    return factory;
}
} // namespace

void SelectMediaBackend()
{
    if (qEnvironmentVariableIsEmpty("QT_MEDIA_BACKEND"))
        qputenv("QT_MEDIA_BACKEND", "gstreamer");
}

std::unique_ptr<MediaPlayer> CreateMediaPlayer()
{
    if (TestFactory())
        return TestFactory()();
    SelectMediaBackend();
    auto player = std::make_unique<QtMediaPlayer>();
    if (!player->IsAvailable())
        return nullptr;
    return player;
}

void SetMediaPlayerFactoryForTesting(MediaPlayerFactory factory)
{
    TestFactory() = std::move(factory);
}

} // namespace dawnbell
