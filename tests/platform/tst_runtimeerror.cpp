#include "platform/runtimeerror.h"
#include "tests/datarows.h"

using namespace Corvane::Platform;
using namespace DataRows;

class tst_RuntimeError : public QObject
{
    Q_OBJECT
private slots:
    void raisedErrorDescribesItself_data()
    {
        // text: toString(), and what() of the std::exception
        columns<int, QString, QString, QString>({"number", "source", "detail", "text"});
        row("standard text only", 9, "Page", "",
            "Error 9 (0x00000009) in Page: Subscript out of range");
        row("standard text and detail", 438, "Page", "no \"Move\"",
            "Error 438 (0x000001B6) in Page: Object doesn't support this property or method: "
            "no \"Move\"");
        row("component error: negative, detail alone", componentError(513), "Brimble",
            "no database", "Error -2147220991 (0x80040201) in Brimble: no database");
    }

    void raisedErrorDescribesItself()
    {
        QFETCH(int, number);
        QFETCH(QString, source);
        QFETCH(QString, detail);
        try {
            raiseError(number, source, detail);
            QFAIL("raiseError returned");
        } catch (const RuntimeError &error) {
            QCOMPARE(error.number(), number);
            QTEST(error.toString(), "text");
            QTEST(QString::fromUtf8(static_cast<const std::exception &>(error).what()), "text");
        }
    }
};

QTEST_GUILESS_MAIN(tst_RuntimeError)
#include "tst_runtimeerror.moc"
