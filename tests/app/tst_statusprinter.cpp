// The publish command's status lines: one line per status, and on a terminal
// the zip step's dots drawn as one redrawn progress bar.

#include "app/statusprinter.h"
#include "tests/datarows.h"

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
        DataRows::columns<QStringList, bool, QString>({"statuses", "terminal", "expected"});
        const QStringList publish{"Zipping", "Zipping.", "Zipping..", "Storing", "Published"};
        DataRows::row("pipe: every status a line", publish, false,
                      "Zipping\nZipping.\nZipping..\nStoring\nPublished\n");
        DataRows::row("terminal: dots redraw one bar", publish, true,
                      "Zipping\n\r  [#-------------------]   5%"
                      "\r  [##------------------]  10%\nStoring\nPublished\n");
        DataRows::row("terminal: text after dots is a new status",
                      QStringList{"Zipping", "Zipping.", "Zipping. failed"}, true,
                      "Zipping\n\r  [#-------------------]   5%\nZipping. failed\n");
    }
    void print()
    {
        QFETCH(QStringList, statuses);
        QFETCH(bool, terminal);
        QTEST(printed(statuses, terminal), "expected");
    }

    void barIsClampedAndNineteenDotsReachNinetyFive()
    {
        // Cells are cut, not rounded; a percent out of 0..100 is taken as its nearest end.
        const QStringList bars{StatusPrinter::bar(99), StatusPrinter::bar(140),
                               StatusPrinter::bar(-3)};
        QCOMPARE(bars, (QStringList{"[###################-]  99%", "[####################] 100%",
                                    "[--------------------]   0%"}));
    }
};

QTEST_GUILESS_MAIN(tst_StatusPrinter)
#include "tst_statusprinter.moc"
