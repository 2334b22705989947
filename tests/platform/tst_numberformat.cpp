#include "platform/numberformat.h"
#include "tests/datarows.h"

using namespace Corvane::Platform;
using namespace DataRows;

class tst_NumberFormat : public QObject
{
    Q_OBJECT
private slots:
    void formatsFixed_data()
    {
        columns<QLocale, double, int, QString>({"locale", "value", "decimals", "expected"});
        const QLocale us(QLocale::English, QLocale::UnitedStates);
        const QLocale de(QLocale::German, QLocale::Germany);
        QLocale usWithoutGroups = us;
        usWithoutGroups.setNumberOptions(QLocale::OmitGroupSeparator);
        row("en_US grouping", us, 1234567.89, 1, "1,234,567.9");
        row("grouped even when the locale omits it", usWithoutGroups, 10240.0, 1, "10,240.0");
        row("de_DE rounds up into next digit", de, 9.96, 1, "10,0");
        row("no decimals", us, 1536.4, 0, "1,536");
    }

    void formatsFixed()
    {
        QFETCH(QLocale, locale);
        QFETCH(double, value);
        QFETCH(int, decimals);
        QTEST(formatFixed(value, decimals, locale), "expected");
    }

    void usesUserLocaleByDefault()
    {
        const QLocale previous;
        QLocale::setDefault(QLocale(QLocale::German, QLocale::Germany));
        const QString text = formatFixed(2048.25, 1);
        QLocale::setDefault(previous);
        QCOMPARE(text, QStringLiteral("2.048,3"));
    }
};

QTEST_GUILESS_MAIN(tst_NumberFormat)
#include "tst_numberformat.moc"
