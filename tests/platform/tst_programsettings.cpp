#include "platform/programsettings.h"
#include "tests/datarows.h"
#include "tests/platform/platformtest.h"

#include <QSettings>

using namespace Corvane::Platform;
using namespace DataRows;

class tst_ProgramSettings : public QObject
{
    Q_OBJECT
private slots:
    void strictBoolean_data()
    {
        // expected: 1 true, 0 false, 13 type mismatch
        columns<QString, int>({"text", "expected"});
        row("mixed case, blanks", "  True ", 1);
        row("FALSE", "FALSE", 0);
        row("-1", "-1", 1);
        row("fraction", "1.5", 1);
        row("yes", "yes", 13);
        row("number with text", "1 x", 13);
    }

    void strictBoolean()
    {
        QFETCH(QString, text);
        int result = 0;
        QString description;
        const int error = errorOf([&] { result = toBooleanStrict(text); }, &description);
        QTEST(error ? error : result, "expected");
        QVERIFY2(!error || description.contains(u'"' + text + u'"'), qPrintable(description));
    }

    // Per user (the sandbox's config folder), where a later process reads them.
    void savesReadsAndDeletes()
    {
        using namespace ProgramSettings;
        const QString app = QStringLiteral("CorvaneAdministration");
        saveSetting(app, "General", "Debug", "0");
        saveSetting(app, "Other", "Debug", "1");
        QCOMPARE(getSetting(app, "General", "Debug", "True"), QStringLiteral("0"));
        const QSettings store(QSettings::NativeFormat, QSettings::UserScope, "Corvane", app);
        QCOMPARE(store.value("General/Debug").toString(), QStringLiteral("0"));
        deleteSetting(app, "General", "Debug");
        QCOMPARE(getSetting(app, "General", "Debug", "True"), QStringLiteral("True"));
        QCOMPARE(getSetting(app, "Other", "Debug", QString()), QStringLiteral("1"));
        deleteSetting(app, "Other", "Debug");
    }
};

QTEST_GUILESS_MAIN(tst_ProgramSettings)
#include "tst_programsettings.moc"
