#include "Registry.h"
#include "TempHome.h"
#include "SoundSetting.h"
#include "WaveVolume.h"

#include <QtTest>

using namespace dawnbell;

Q_DECLARE_METATYPE(dawnbell::SoundType)

class WaveVolumeTest : public QObject {
    Q_OBJECT
private slots:
    void initTestCase() { qputenv("DAWNBELL_AUDIO_VIRTUAL", "1"); }
    void init()
    {
        m_home.Renew();
    }
    void cleanup() { m_home.Close(); }

    void waveValueForPercent_data()
    {
        QTest::addColumn<int>("percent");
        QTest::addColumn<uint>("wave");
        QTest::newRow("full") << 100 << 65535u;
        QTest::newRow("half truncates") << 50 << 32767u;
        QTest::newRow("zero") << 0 << 0u;
        QTest::newRow("one") << 1 << 655u;
        QTest::newRow("ninety-nine") << 99 << 64879u;
        QTest::newRow("above 100 is full, not wrapped") << 200 << 65535u;
        QTest::newRow("negative is silent") << -20 << 0u;
    }
    void waveValueForPercent()
    {
        QFETCH(int, percent);
        QFETCH(uint, wave);
        QCOMPARE(WaveValueForPercent(percent), wave);
    }

    void virtualDeviceIsUsed() { QVERIFY(WaveOutIsVirtual()); }

    void virtualVolumeDefault()
    {
        uint32_t v = 0;
        QVERIFY(GetWaveOutVolume(&v));
        QCOMPARE(v, kVirtualWaveVolumeDefault);
    }

    void virtualVolumeSetGet_data()
    {
        QTest::addColumn<uint>("set");
        QTest::addColumn<uint>("get");
        QTest::newRow("full") << 0xFFFFu << 0xFFFFu;
        QTest::newRow("silent") << 0u << 0u;
        QTest::newRow("half") << 32767u << 32767u;
        QTest::newRow("high word ignored") << 0xFFFF1234u << 0x1234u;
    }
    void virtualVolumeSetGet()
    {
        QFETCH(uint, set);
        QFETCH(uint, get);
        QVERIFY(SetWaveOutVolume(set));
        uint32_t v = 1;
        QVERIFY(GetWaveOutVolume(&v));
        QCOMPARE(v, get);
        // Kept in the registry, where another process sees it.
        RegKey key;
        QCOMPARE(RegKey::Open(Hive::CurrentUser, kVirtualVolumeKey, &key), RegOk);
        uint32_t stored = 7;
        QVERIFY(key.ReadDword(kVirtualVolumeValue, &stored));
        QCOMPARE(stored, get);
    }

    // Force a volume for a while and put the old one back, as a ringing alarm does.
    void forceAndRestore()
    {
        QVERIFY(SetWaveOutVolume(0x4000));
        uint32_t saved = 0;
        QVERIFY(GetWaveOutVolume(&saved));
        QVERIFY(SetWaveOutVolume(WaveValueForPercent(100)));
        uint32_t now = 0;
        QVERIFY(GetWaveOutVolume(&now));
        QCOMPARE(now, 65535u);
        QVERIFY(SetWaveOutVolume(saved));
        QVERIFY(GetWaveOutVolume(&now));
        QCOMPARE(now, 0x4000u);
    }

    void virtualVolumeBadStoredValue_data()
    {
        QTest::addColumn<int>("type");
        QTest::addColumn<QByteArray>("data");
        QTest::addColumn<uint>("expected");
        QTest::newRow("text instead of number") << int(RegType::Sz) << QByteArray("1\0\0\0", 4) << 0xCCCCu;
        QTest::newRow("short dword") << int(RegType::Dword) << QByteArray("\x01\x02", 2) << 0xCCCCu;
        QTest::newRow("long binary") << int(RegType::Binary) << QByteArray(64, '\xff') << 0xCCCCu;
        QTest::newRow("both channels full") << int(RegType::Dword) << QByteArray("\xff\xff\xff\xff", 4) << 0xFFFFu;
    }
    void virtualVolumeBadStoredValue()
    {
        QFETCH(int, type);
        QFETCH(QByteArray, data);
        QFETCH(uint, expected);
        RegKey key;
        QCOMPARE(RegKey::Create(Hive::CurrentUser, kVirtualVolumeKey, &key), RegOk);
        QCOMPARE(key.SetValue(kVirtualVolumeValue, RegType(type), data.constData(), size_t(data.size())), RegOk);
        uint32_t v = 0;
        QVERIFY(GetWaveOutVolume(&v));
        QCOMPARE(v, expected);
    }

    void soundSettingRoundTrip_data()
    {
        QTest::addColumn<SoundType>("type");
        QTest::addColumn<QString>("file");
        QTest::addColumn<QString>("readFile");
        QTest::newRow("on") << SoundType::On << QString() << QString();
        QTest::newRow("file") << SoundType::File << "/home/me/sounds/Ding.wav" << "/home/me/sounds/Ding.wav";
        QTest::newRow("vibrate drops a file") << SoundType::Vibrate << "/x.wav" << QString();
        QTest::newRow("none") << SoundType::None << QString() << QString();
    }
    void soundSettingRoundTrip()
    {
        QFETCH(SoundType, type);
        QFETCH(QString, file);
        QFETCH(QString, readFile);
        // Start from a different setting so a write that does nothing is caught.
        QVERIFY(SetAllEventsSound({SoundType::File, u"/old.wav"}));
        SoundSetting s;
        s.type = type;
        s.file = file.toStdU16String();
        QVERIFY(SetAllEventsSound(s));
        const SoundSetting back = GetAllEventsSound();
        QCOMPARE(back.type, type);
        QCOMPARE(QString::fromStdU16String(back.file), readFile);
    }

    void soundSettingDefaultAndBadValues_data()
    {
        QTest::addColumn<bool>("write");
        QTest::addColumn<int>("regType");
        QTest::addColumn<QByteArray>("data");
        QTest::newRow("missing") << false << 0 << QByteArray();
        QTest::newRow("type out of range") << true << int(RegType::Dword) << QByteArray("\x09\0\0\0", 4);
        QTest::newRow("wrong type") << true << int(RegType::Binary) << QByteArray("\x02\0\0\0", 4);
        QTest::newRow("wrong size") << true << int(RegType::Dword) << QByteArray("\x02\0", 2);
    }
    void soundSettingDefaultAndBadValues()
    {
        QFETCH(bool, write);
        QFETCH(int, regType);
        QFETCH(QByteArray, data);
        if (write) {
            RegKey key;
            QCOMPARE(RegKey::Create(Hive::CurrentUser, kSoundsKey, &key), RegOk);
            QCOMPARE(key.SetValue(kAllEventsValue, RegType(regType), data.constData(), size_t(data.size())), RegOk);
        }
        QVERIFY(GetAllEventsSound() == SoundSetting());
    }

    void soundSettingOverlongFileIsDropped()
    {
        RegKey key;
        QCOMPARE(RegKey::Create(Hive::CurrentUser, kSoundsKey, &key), RegOk);
        QCOMPARE(key.WriteDword(kAllEventsValue, uint32_t(SoundType::File)), RegOk);
        QCOMPARE(key.WriteString(kAllEventsFileValue, std::u16string(5000, u'a')), RegOk);
        const SoundSetting s = GetAllEventsSound();
        QCOMPARE(s.type, SoundType::File);
        QVERIFY(s.file.empty());
    }

private:
    test::TempHome m_home;
};

QTEST_GUILESS_MAIN(WaveVolumeTest)
#include "WaveVolumeTest.moc"
