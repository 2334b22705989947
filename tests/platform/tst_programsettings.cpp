#include "platform/programsettings.h"
#include "platform/runtimeerror.h"

#include <QDir>
#include <QFileInfo>
#include <QSettings>
#include <QTest>

using namespace Corvane::Platform;

class tst_ProgramSettings : public QObject
{
    Q_OBJECT
private slots:
    void strictBoolean_data();
    void strictBoolean();
    void booleanText();
    void savesReadsAndDeletesPerUser();
};

void tst_ProgramSettings::strictBoolean_data()
{
    QTest::addColumn<QString>("text");
    QTest::addColumn<int>("expected"); // 1 true, 0 false, -1 type mismatch
    QTest::newRow("true") << "true" << 1;
    QTest::newRow("FALSE") << "FALSE" << 0;
    QTest::newRow("mixed case, blanks") << "  True " << 1;
    QTest::newRow("zero with blanks") << " 0 " << 0;
    QTest::newRow("-1") << "-1" << 1;
    QTest::newRow("fraction") << "1.5" << 1;
    QTest::newRow("zero fraction") << "0.0" << 0;
    QTest::newRow("exponent") << "1e3" << 1;
    QTest::newRow("yes") << "yes" << -1;
    QTest::newRow("empty") << "" << -1;
    QTest::newRow("blanks only") << "   " << -1;
    QTest::newRow("t") << "t" << -1;
    QTest::newRow("number with text") << "1 x" << -1;
    QTest::newRow("not a number") << "nan" << -1;
}

void tst_ProgramSettings::strictBoolean()
{
    QFETCH(QString, text);
    QFETCH(int, expected);
    try {
        const bool value = toBooleanStrict(text);
        QCOMPARE(int(value), expected);
    } catch (const RuntimeError &error) {
        QCOMPARE(-1, expected);
        QCOMPARE(error.number(), ErrorNumber::TypeMismatch);
        QVERIFY(error.description().contains(u'"' + text + u'"'));
    }
}

void tst_ProgramSettings::booleanText()
{
    QCOMPARE(Corvane::Platform::booleanText(true), QStringLiteral("True"));
    QCOMPARE(Corvane::Platform::booleanText(false), QStringLiteral("False"));
    QCOMPARE(toBooleanStrict(Corvane::Platform::booleanText(false)), false);
}

void tst_ProgramSettings::savesReadsAndDeletesPerUser()
{
    using namespace ProgramSettings;
    const QString app = QStringLiteral("CorvaneAdministration");
    const QString section = QStringLiteral("General");
    QCOMPARE(getSetting(app, section, QStringLiteral("Debug"), QStringLiteral("True")),
             QStringLiteral("True"));

    saveSetting(app, section, QStringLiteral("Debug"), QStringLiteral("0"));
    saveSetting(app, QStringLiteral("Other"), QStringLiteral("Debug"), QStringLiteral("1"));
    QCOMPARE(getSetting(app, section, QStringLiteral("Debug"), QStringLiteral("True")),
             QStringLiteral("0"));

    // Another reader of the store sees the value, in the user's config folder.
    const QSettings store(QSettings::NativeFormat, QSettings::UserScope, QStringLiteral("Corvane"),
                          app);
    QCOMPARE(store.value(QStringLiteral("General/Debug")).toString(), QStringLiteral("0"));
    const QString configHome = QDir(qEnvironmentVariable("XDG_CONFIG_HOME")).canonicalPath();
    QVERIFY2(QFileInfo(store.fileName()).canonicalFilePath().startsWith(configHome + u'/'),
             qPrintable(store.fileName()));

    deleteSetting(app, section, QStringLiteral("Debug"));
    QCOMPARE(getSetting(app, section, QStringLiteral("Debug"), QStringLiteral("True")),
             QStringLiteral("True"));
    QCOMPARE(getSetting(app, QStringLiteral("Other"), QStringLiteral("Debug"), QString()),
             QStringLiteral("1"));
    deleteSetting(app, QStringLiteral("Other"), QStringLiteral("Debug"));
}

QTEST_GUILESS_MAIN(tst_ProgramSettings)
#include "tst_programsettings.moc"
