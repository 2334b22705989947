// The publish command's status lines: one line per status, and on a terminal
// the zip step's dots drawn as one redrawn progress bar.

#include "app/statusprinter.h"

#include <QTest>

#include <cstdio>

using Corvane::Admin::StatusPrinter;

class tst_StatusPrinter : public QObject
{
    Q_OBJECT

    static QString printed(const QStringList &statuses, bool terminal)
    {
        std::FILE *file = std::tmpfile();
        {
            StatusPrinter printer(file, terminal);
            for (const QString &status : statuses)
                printer.print(status);
        }
        std::rewind(file);
        QByteArray bytes;
        char buffer[256];
        while (const size_t n = std::fread(buffer, 1, sizeof buffer, file))
            bytes.append(buffer, qsizetype(n));
        std::fclose(file);
        return QString::fromLocal8Bit(bytes);
    }

private slots:
    void print_data()
    {
        QTest::addColumn<QStringList>("statuses");
        QTest::addColumn<bool>("terminal");
        QTest::addColumn<QString>("expected");

        const QStringList publish{"Zipping", "Zipping.", "Zipping..", "Storing", "Published"};
        QTest::newRow("pipe: every status a line")
            << publish << false << "Zipping\nZipping.\nZipping..\nStoring\nPublished\n";
        QTest::newRow("terminal: dots redraw one bar")
            << publish << true
            << "Zipping\n\r  [#-------------------]   5%"
               "\r  [##------------------]  10%\nStoring\nPublished\n";
        QTest::newRow("terminal: text after dots is a new status")
            << QStringList{"Zipping", "Zipping.", "Zipping. failed"} << true
            << "Zipping\n\r  [#-------------------]   5%\nZipping. failed\n";
        QTest::newRow("terminal: the same status again is a line")
            << QStringList{"Ready", "Ready"} << true << "Ready\nReady\n";
        QTest::newRow("terminal: a bar open at the end is closed")
            << QStringList{"Zipping", "Zipping."} << true
            << "Zipping\n\r  [#-------------------]   5%\n";
    }
    void print()
    {
        QFETCH(QStringList, statuses);
        QFETCH(bool, terminal);
        QFETCH(QString, expected);
        QCOMPARE(printed(statuses, terminal), expected);
    }

    void barIsClampedAndNineteenDotsReachNinetyFive()
    {
        QCOMPARE(StatusPrinter::bar(99),
                 QStringLiteral("[###################-]  99%")); // cells cut, not rounded
        QCOMPARE(StatusPrinter::bar(140), QStringLiteral("[####################] 100%"));
        QCOMPARE(StatusPrinter::bar(-3), QStringLiteral("[--------------------]   0%"));
    }
};

QTEST_GUILESS_MAIN(tst_StatusPrinter)
#include "tst_statusprinter.moc"
