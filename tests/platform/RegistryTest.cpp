#include "Registry.h"

#include <QTemporaryDir>
#include <QtTest>

using namespace dawnbell;

class RegistryTest : public QObject {
    Q_OBJECT
private slots:
    void init()
    {
        RegCloseStore();
        m_home.reset(new QTemporaryDir);
        qputenv("DAWNBELL_HOME", m_home->path().toUtf8());
    }
    void cleanup() { RegCloseStore(); }

    void createAndReadBack()
    {
        RegKey key;
        QCOMPARE(RegKey::Create(Hive::CurrentUser, "Software\\Torvane\\Dawnbell\\settings", &key), RegOk);
        QCOMPARE(key.WriteDword("autoExit", 1), RegOk);
        uint32_t v = 0;
        QVERIFY(key.ReadDword("AUTOEXIT", &v));
        QCOMPARE(v, 1u);
    }

private:
    std::unique_ptr<QTemporaryDir> m_home;
};

QTEST_GUILESS_MAIN(RegistryTest)
#include "RegistryTest.moc"
