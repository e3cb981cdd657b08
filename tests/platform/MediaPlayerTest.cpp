#include "FakeMediaPlayer.h"
#include "MediaPlayerFactory.h"
#include "QtMediaPlayer.h"
#include "WaveResources.h"

#include <QFile>
#include <QSignalSpy>
#include <QTemporaryDir>
#include <QtEndian>
#include <QtTest>

#include <cmath>

using namespace dawnbell;

namespace {

// Writes a mono 16-bit PCM WAVE file of `seconds` length (a quiet 440 Hz tone).
bool WriteTone(const QString& path, double seconds)
{
    const int rate = 8000;
    const int frames = static_cast<int>(rate * seconds);
    QByteArray pcm(frames * 2, '\0');
    for (int i = 0; i < frames; ++i) {
        const qint16 s = static_cast<qint16>(3000 * std::sin(2 * M_PI * 440 * i / rate));
        qToLittleEndian(s, pcm.data() + 2 * i);
    }
    QByteArray wav;
    auto u32 = [&wav](quint32 v) { char b[4]; qToLittleEndian(v, b); wav.append(b, 4); };
    auto u16 = [&wav](quint16 v) { char b[2]; qToLittleEndian(v, b); wav.append(b, 2); };
    wav.append("RIFF");
    u32(36 + pcm.size());
    wav.append("WAVEfmt ");
    u32(16); u16(1); u16(1); u32(rate); u32(rate * 2); u16(2); u16(16);
    wav.append("data");
    u32(pcm.size());
    wav.append(pcm);
    QFile f(path);
    return f.open(QIODevice::WriteOnly) && f.write(wav) == wav.size();
}

} // namespace

class MediaPlayerTest : public QObject {
    Q_OBJECT
private slots:
    void initTestCase()
    {
        QVERIFY(m_dir.isValid());
        m_tone = m_dir.filePath("tone.wav");
        QVERIFY(WriteTone(m_tone, 0.3));
    }
    void cleanup() { SetMediaPlayerFactoryForTesting(nullptr); }

    void realPlayerReachesEnded()
    {
        auto player = CreateMediaPlayer();
        QVERIFY(player);
        QSignalSpy ended(player.get(), &MediaPlayer::ended);
        QSignalSpy failed(player.get(), &MediaPlayer::error);
        QVERIFY(player->SetMedia(m_tone));
        QCOMPARE(player->Media(), m_tone);
        player->Play();
        QCOMPARE(player->state(), MediaPlayer::Playing);
        QVERIFY(ended.wait(5000));
        QCOMPARE(failed.count(), 0);
        QCOMPARE(player->state(), MediaPlayer::Stopped);
        // Played again after the end, the same file ends again.
        player->Play();
        QVERIFY(ended.wait(5000));
        QCOMPARE(ended.count(), 2);
    }

    void realPlayerMissingFileGivesErrorAndStops()
    {
        auto player = CreateMediaPlayer();
        QVERIFY(player);
        QSignalSpy ended(player.get(), &MediaPlayer::ended);
        QSignalSpy failed(player.get(), &MediaPlayer::error);
        player->SetMedia(m_dir.filePath("no-such-file.mp3"));
        player->Play();
        QVERIFY(failed.wait(5000));
        QCOMPARE(player->state(), MediaPlayer::Stopped);
        // One event per failed media, and never an "ended".
        QTest::qWait(300);
        QCOMPARE(failed.count(), 1);
        QCOMPARE(ended.count(), 0);
        // Each further attempt to play it fails once more.
        player->Play();
        QVERIFY(failed.wait(5000));
        QTest::qWait(300);
        QCOMPARE(failed.count(), 2);
        QCOMPARE(player->state(), MediaPlayer::Stopped);
    }

    void realPlayerNotAFileOfSoundGivesError()
    {
        const QString junk = m_dir.filePath("junk.wav");
        QFile f(junk);
        QVERIFY(f.open(QIODevice::WriteOnly));
        f.write(QByteArray(4096, 'x'));
        f.close();
        auto player = CreateMediaPlayer();
        QVERIFY(player);
        QSignalSpy failed(player.get(), &MediaPlayer::error);
        player->SetMedia(junk);
        player->Play();
        QVERIFY(failed.wait(5000));
        QCOMPARE(player->state(), MediaPlayer::Stopped);
    }

    // A handler that replaces the media on "error" (the ringing window's fallback)
    // and then plays a good file must see that file end, not a stale error.
    void realPlayerEventsOfReplacedMediaAreDropped()
    {
        auto player = CreateMediaPlayer();
        QVERIFY(player);
        QSignalSpy ended(player.get(), &MediaPlayer::ended);
        QSignalSpy failed(player.get(), &MediaPlayer::error);
        player->SetMedia(m_dir.filePath("missing.wav"));
        player->Play();
        player->SetMedia(m_tone);
        player->Play();
        QVERIFY(ended.wait(5000));
        QCOMPARE(failed.count(), 0);
    }

    void realPlayerPauseHoldsPlayback()
    {
        auto player = CreateMediaPlayer();
        QVERIFY(player);
        QSignalSpy ended(player.get(), &MediaPlayer::ended);
        player->SetMedia(m_tone);
        player->Pause(); // not playing: nothing happens
        QCOMPARE(player->state(), MediaPlayer::Stopped);
        player->Play();
        QTest::qWait(50);
        player->Pause();
        QCOMPARE(player->state(), MediaPlayer::Paused);
        QTest::qWait(600);
        QCOMPARE(ended.count(), 0);
        player->Play();
        QCOMPARE(player->state(), MediaPlayer::Playing);
        QVERIFY(ended.wait(5000));
    }

    void realPlayerStopPreventsEnded()
    {
        auto player = CreateMediaPlayer();
        QVERIFY(player);
        QSignalSpy ended(player.get(), &MediaPlayer::ended);
        player->SetMedia(m_tone);
        player->Play();
        player->Stop();
        QCOMPARE(player->state(), MediaPlayer::Stopped);
        QTest::qWait(700);
        QCOMPARE(ended.count(), 0);
    }

    void realPlayerCanBeDeletedInItsHandler()
    {
        auto player = CreateMediaPlayer();
        QVERIFY(player);
        MediaPlayer* raw = player.release();
        bool gone = false;
        connect(raw, &MediaPlayer::error, this, [&] { delete raw; gone = true; });
        raw->SetMedia(m_dir.filePath("missing.wav"));
        raw->Play();
        QTRY_VERIFY_WITH_TIMEOUT(gone, 5000);
    }

    void realPlayerVolume_data()
    {
        QTest::addColumn<int>("set");
        QTest::addColumn<int>("expected");
        QTest::newRow("full") << 100 << 100;
        QTest::newRow("half") << 50 << 50;
        QTest::newRow("odd value") << 37 << 37;
        QTest::newRow("one") << 1 << 1;
        QTest::newRow("silent") << 0 << 0;
        QTest::newRow("above range") << 250 << 100;
        QTest::newRow("below range") << -5 << 0;
    }
    void realPlayerVolume()
    {
        QFETCH(int, set);
        QFETCH(int, expected);
        auto player = CreateMediaPlayer();
        QVERIFY(player);
        player->SetVolume(set);
        QCOMPARE(player->Volume(), expected);
    }

    void factoryOverride()
    {
        FakeMediaPlayer* made = nullptr;
        SetMediaPlayerFactoryForTesting([&made] {
            auto p = std::make_unique<FakeMediaPlayer>();
            made = p.get();
            return std::unique_ptr<MediaPlayer>(std::move(p));
        });
        auto player = CreateMediaPlayer();
        QVERIFY(player);
        QCOMPARE(player.get(), static_cast<MediaPlayer*>(made));

        SetMediaPlayerFactoryForTesting([] { return std::unique_ptr<MediaPlayer>(); });
        QVERIFY(!CreateMediaPlayer());

        SetMediaPlayerFactoryForTesting(nullptr);
        player = CreateMediaPlayer();
        QVERIFY(qobject_cast<QtMediaPlayer*>(player.get()));
    }

    void fakePlayerFollowsTheContract()
    {
        FakeMediaPlayer fake;
        QSignalSpy ended(&fake, &MediaPlayer::ended);
        QSignalSpy failed(&fake, &MediaPlayer::error);
        fake.Play(); // nothing current: stays stopped
        QCOMPARE(fake.state(), MediaPlayer::Stopped);
        QVERIFY(fake.SetMedia("/music/a.mp3"));
        fake.SetVolume(140);
        fake.Play();
        fake.Pause();
        QCOMPARE(fake.state(), MediaPlayer::Paused);
        fake.Play();
        fake.EmitEnded();
        QCOMPARE(fake.state(), MediaPlayer::Stopped);
        QCOMPARE(ended.count(), 1);
        fake.Play();
        fake.EmitError();
        QCOMPARE(failed.count(), 1);
        QCOMPARE(fake.state(), MediaPlayer::Stopped);
        QCOMPARE(fake.Volume(), 100);
        QCOMPARE(fake.playCount(), 3);
        QCOMPARE(fake.calls(), QStringList({"Play", "SetMedia /music/a.mp3", "SetVolume 100", "Play", "Pause",
                                            "Play", "Play"}));
    }

    void waveResources_data()
    {
        QTest::addColumn<int>("id");
        QTest::addColumn<bool>("exists");
        QTest::addColumn<int>("minMs");
        QTest::addColumn<int>("maxMs");
        QTest::newRow("alarm fallback") << 197 << true << 1500 << 2500;
        QTest::newRow("end sound") << 198 << true << 300 << 1500;
        QTest::newRow("unknown") << 199 << false << 0 << 0;
        QTest::newRow("zero") << 0 << false << 0 << 0;
    }
    void waveResources()
    {
        QFETCH(int, id);
        QFETCH(bool, exists);
        QFETCH(int, minMs);
        QFETCH(int, maxMs);
        const int before = WaveResourcePlayCount(id);
        QCOMPARE(PlayWaveResource(id), exists);
        QCOMPARE(WaveResourcePlayCount(id), before + (exists ? 1 : 0));
        if (!exists) {
            QVERIFY(WaveResourcePath(id).isEmpty());
            return;
        }
        // The embedded clip is a mono 16-bit PCM WAVE of the intended length.
        QFile f(WaveResourcePath(id));
        QVERIFY(f.open(QIODevice::ReadOnly));
        const QByteArray wav = f.readAll();
        QVERIFY(wav.size() > 44);
        QCOMPARE(wav.left(4), QByteArray("RIFF"));
        QCOMPARE(wav.mid(8, 8), QByteArray("WAVEfmt "));
        QCOMPARE(qFromLittleEndian<quint16>(wav.constData() + 20), quint16(1));  // PCM
        QCOMPARE(qFromLittleEndian<quint16>(wav.constData() + 34), quint16(16)); // bits
        const quint32 byteRate = qFromLittleEndian<quint32>(wav.constData() + 28);
        const quint32 dataSize = qFromLittleEndian<quint32>(wav.constData() + 40);
        const int ms = static_cast<int>(1000.0 * dataSize / byteRate);
        QVERIFY2(ms >= minMs && ms <= maxMs, qPrintable(QString::number(ms)));
        // Playing again at once (while it sounds) is allowed and does not block.
        QVERIFY(PlayWaveResource(id));
        QTest::qWait(50);
    }

private:
    QTemporaryDir m_dir;
    QString m_tone;
};

QTEST_GUILESS_MAIN(MediaPlayerTest)
#include "MediaPlayerTest.moc"
