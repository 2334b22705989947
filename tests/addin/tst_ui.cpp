#include "addin/ui.h"

#include "addintestsupport.h"

#include "../datarows.h"

#include "platform/runtimeerror.h"

#include <QHeaderView>
#include <QLineEdit>
#include <QTest>
#include <QTreeWidget>

#include <optional>

using Corvane::Platform::RuntimeError;
using namespace DataRows;
using Translations = QHash<QString, QString>;

class tst_UI : public QObject
{
    Q_OBJECT

private:
    std::optional<AddinTest::Fixture> m_fixture;
    FakeHost::Host &host() { return m_fixture->host; }

private slots:
    void init() { m_fixture.emplace(false); }
    void cleanup() { m_fixture.reset(); }

    void raiseAddinError_data()
    {
        columns<bool, Translations, QString, QString, int>(
            {"connected", "translations", "description", "helpFile", "helpContext"});
        const QString key = "BrimbleError.513-", text = "No database is open.";
        row("description only", true, Translations{{key + "description", text}}, text, "0", 0);
        row("help file and context", true,
            Translations{{key + "description", text},
                         {key + "helpfile", "brimble.chm"},
                         {key + "helpcontext", "4711"}},
            text, "brimble.chm", 4711);
        row("no host: the bare key, the source is the title's key", false,
            Translations{{key + "description", text}}, "513-description", "0", 0);
    }

    void raiseAddinError()
    {
        QFETCH(bool, connected);
        QFETCH(Translations, translations);
        QFETCH(QString, description);
        QFETCH(QString, helpFile);
        QFETCH(int, helpContext);
        host().translations = translations;
        if (connected)
            m_fixture->connect();
        try {
            Brimble::UI::RaiseAddinError(513);
            QFAIL("RaiseAddinError returned");
        } catch (const RuntimeError &error) {
            QCOMPARE(static_cast<quint32>(error.number()), 0x80040201u);
            QCOMPARE(error.source(), connected ? host().application.ApplicationTitle() : "Title");
            QCOMPARE(error.description(), description);
            QCOMPARE(error.helpFile(), helpFile);
            QCOMPARE(error.helpContext(), helpContext);
        }
    }

    void setColumnWidth_data()
    {
        // The list is 301 pixels (4515 twips) wide, its columns 37 and 41; status -1: throws.
        using Widths = QList<int>;
        columns<int, float, bool, int, Widths>(
            {"column", "width", "inPercent", "status", "widths"});
        row("100 percent", 1, 100.0f, true, 0, Widths{301, 41});
        row("50 percent, rounded down to whole twips", 2, 50.0f, true, 0, Widths{37, 150});
        row("100.5 percent", 1, 100.5f, true, 1, Widths{37, 41});
        row("negative percent", 1, -0.5f, true, 1, Widths{37, 41});
        row("absolute: the list's width", 1, 4515.0f, false, 0, Widths{301, 41});
        row("absolute: one unit more", 1, 4516.0f, false, 1, Widths{37, 41});
        row("column Count + 1", 3, 10.0f, true, 2, Widths{37, 41});
        row("a bad width is reported before the column", 3, 101.0f, true, 1, Widths{37, 41});
        row("column 0 fails", 0, 10.0f, true, -1, Widths{37, 41});
    }

    void setColumnWidth()
    {
        QFETCH(int, column);
        QFETCH(float, width);
        QFETCH(bool, inPercent);
        QFETCH(int, status);
        QTreeWidget list;
        list.setColumnCount(2);
        list.resize(301, 200);
        list.header()->setStretchLastSection(false); // keep the other column's width still
        list.setColumnWidth(0, 37);
        list.setColumnWidth(1, 41);
        if (status < 0)
            QVERIFY_THROWS_EXCEPTION(RuntimeError,
                                     Brimble::UI::SetColumnWidth(&list, column, width, inPercent));
        else
            QCOMPARE(Brimble::UI::SetColumnWidth(&list, column, width, inPercent), status);
        QTEST(QList<int>({list.columnWidth(0), list.columnWidth(1)}), "widths");
    }
};

QTEST_MAIN(tst_UI)
#include "tst_ui.moc"
