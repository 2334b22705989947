#include "platform/numberformat.h"

#include <QTest>

using namespace Corvane::Platform;

class tst_NumberFormat : public QObject
{
    Q_OBJECT
private slots:
    void formatsFixed_data();
    void formatsFixed();
    void groupsEvenWhenLocaleOmitsGrouping();
    void usesUserLocaleByDefault();
};

void tst_NumberFormat::formatsFixed_data()
{
    QTest::addColumn<QString>("locale");
    QTest::addColumn<double>("value");
    QTest::addColumn<int>("decimals");
    QTest::addColumn<QString>("expected");
    QTest::newRow("en_US megabytes") << "en_US" << 12.345678 << 1 << "12.3";
    QTest::newRow("de_DE megabytes") << "de_DE" << 12.345678 << 1 << "12,3";
    QTest::newRow("en_US grouping") << "en_US" << 1234567.89 << 1 << "1,234,567.9";
    QTest::newRow("de_DE grouping") << "de_DE" << 1234567.89 << 1 << "1.234.567,9";
    QTest::newRow("rounds up into next digit") << "en_US" << 9.96 << 1 << "10.0";
    QTest::newRow("keeps trailing zero") << "de_DE" << 10.0 << 1 << "10,0";
    QTest::newRow("en_US negative") << "en_US" << -1234.56 << 1 << "-1,234.6";
    QTest::newRow("de_DE negative") << "de_DE" << -1234.56 << 1 << "-1.234,6";
    QTest::newRow("no decimals") << "en_US" << 1536.4 << 0 << "1,536";
}

void tst_NumberFormat::formatsFixed()
{
    QFETCH(QString, locale);
    QFETCH(double, value);
    QFETCH(int, decimals);
    QFETCH(QString, expected);
    QCOMPARE(formatFixed(value, decimals, QLocale(locale)), expected);
}

void tst_NumberFormat::groupsEvenWhenLocaleOmitsGrouping()
{
    QLocale locale(QLocale::English, QLocale::UnitedStates);
    locale.setNumberOptions(QLocale::OmitGroupSeparator);
    QCOMPARE(formatFixed(10485760.0 / 1024, 1, locale), QStringLiteral("10,240.0"));
}

void tst_NumberFormat::usesUserLocaleByDefault()
{
    const QLocale previous;
    QLocale::setDefault(QLocale(QLocale::German, QLocale::Germany));
    const QString text = formatFixed(2048.25, 1);
    QLocale::setDefault(previous);
    QCOMPARE(text, QStringLiteral("2.048,3"));
}

QTEST_GUILESS_MAIN(tst_NumberFormat)
#include "tst_numberformat.moc"
