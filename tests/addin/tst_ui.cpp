#include "addin/applicationmanager.h"
#include "addin/resourcemanager.h"
#include "addin/ui.h"

#include "tests/fakehost/fakehost.h"

#include "platform/runtimeerror.h"
#include "platform/twips.h"

#include <QApplication>
#include <QHeaderView>
#include <QLineEdit>
#include <QPlainTextEdit>
#include <QTest>
#include <QTreeWidget>

#include <cmath>
#include <optional>

namespace AM = Brimble::ApplicationManager;
using Corvane::Platform::RuntimeError;
using Translations = QHash<QString, QString>;

class tst_UI : public QObject
{
    Q_OBJECT

private:
    std::optional<FakeHost::Host> m_host;
    FakeHost::Host &host() { return *m_host; }

private slots:
    void init()
    {
        m_host.emplace();
        Brimble::ResourceManager::ResetTranslatorForTests();
    }

    void cleanup()
    {
        AM::SetApplication(nullptr);
        Brimble::ResourceManager::ResetTranslatorForTests();
        while (QGuiApplication::overrideCursor())
            QGuiApplication::restoreOverrideCursor();
        m_host.reset();
    }

    void raiseAddinError_data()
    {
        QTest::addColumn<Translations>("translations");
        QTest::addColumn<QString>("description");
        QTest::addColumn<QString>("helpFile");
        QTest::addColumn<int>("helpContext");
        const QString text = QStringLiteral("No database is open.");
        QTest::newRow("description only")
            << Translations{{"BrimbleError.513-description", text}} << text << "0" << 0;
        QTest::newRow("with a help file")
            << Translations{{"BrimbleError.513-description", text},
                            {"BrimbleError.513-helpfile", "brimble.chm"}}
            << text << "brimble.chm" << 0;
        QTest::newRow("with a help context")
            << Translations{{"BrimbleError.513-description", text},
                            {"BrimbleError.513-helpcontext", "4711"}}
            << text << "0" << 4711;
        QTest::newRow("no translation: the bare key") << Translations{} << "513-description"
                                                      << "0" << 0;
        QTest::newRow("entries of another number do not count")
            << Translations{{"BrimbleError.514-description", "other"},
                            {"BrimbleError.514-helpfile", "other.chm"}}
            << "513-description"
            << "0" << 0;
    }

    void raiseAddinError()
    {
        QFETCH(Translations, translations);
        QFETCH(QString, description);
        QFETCH(QString, helpFile);
        QFETCH(int, helpContext);
        host().translations = translations;
        AM::SetApplication(&host().application);
        try {
            Brimble::UI::RaiseAddinError(513);
        } catch (const RuntimeError &error) {
            QCOMPARE(static_cast<quint32>(error.number()), 0x80040201u);
            QCOMPARE(error.source(), host().application.title);
            QCOMPARE(error.description(), description);
            QCOMPARE(error.helpFile(), helpFile);
            QCOMPARE(error.helpContext(), helpContext);
            return;
        }
        QFAIL("RaiseAddinError returned");
    }

    void raiseAddinErrorWithoutHostTakesTheTitleText()
    {
        try {
            Brimble::UI::RaiseAddinError(513);
        } catch (const RuntimeError &error) {
            // A translator made without a host has no dictionary: the bare key.
            QCOMPARE(error.source(), QStringLiteral("Title"));
            return;
        }
        QFAIL("RaiseAddinError returned");
    }

    void showMessage_data()
    {
        QTest::addColumn<int>("buttons");
        QTest::addColumn<int>("icon");
        QTest::addColumn<int>("defaultButton");
        QTest::addColumn<int>("expectedStyle");
        QTest::addColumn<int>("expectedAnswer");
        QTest::newRow("yes/no question") << 4 << 32 << 0 << 0x10024 << 6;
        QTest::newRow("ok exclamation") << 0 << 48 << 0 << 0x10030 << 1;
        QTest::newRow("second button by default") << 4 << 48 << 256 << 0x10134 << 7;
    }

    void showMessage()
    {
        QFETCH(int, buttons);
        QFETCH(int, icon);
        QFETCH(int, defaultButton);
        QFETCH(int, expectedStyle);
        QFETCH(int, expectedAnswer);
        AM::SetApplication(&host().application);
        QCOMPARE(Brimble::UI::ShowMessage("Publish?", buttons, icon, defaultButton),
                 expectedAnswer);
        QCOMPARE(host().application.messages.size(), 1);
        QCOMPARE(host().application.messages.first().prompt, QStringLiteral("Publish?"));
        QCOMPARE(host().application.messages.first().style, expectedStyle);
    }

    void showMessageNeedsAHost()
    {
        QVERIFY_THROWS_EXCEPTION(RuntimeError, Brimble::UI::ShowMessage("x", 0, 48, 0));
    }

    void messageTitle()
    {
        host().translations.insert("Title", "Brimble");
        QCOMPARE(Brimble::UI::GetMessageTitle(), QStringLiteral("Title"));
        Brimble::ResourceManager::ResetTranslatorForTests();
        AM::SetApplication(&host().application);
        QCOMPARE(Brimble::UI::GetMessageTitle(), host().application.title);
    }

    void mousePointerThroughTheHost()
    {
        AM::SetApplication(&host().application);
        Brimble::UI::SetMousePointer(11);
        Brimble::UI::SetMousePointer(0);
        QCOMPARE(host().log.matching("MousePointer"),
                 QStringList({"MousePointer 11", "MousePointer 0"}));
        QVERIFY(!QGuiApplication::overrideCursor());
    }

    void mousePointerWithoutHost()
    {
        Brimble::UI::SetMousePointer(11);
        QVERIFY(QGuiApplication::overrideCursor());
        QCOMPARE(QGuiApplication::overrideCursor()->shape(), Qt::WaitCursor);
        Brimble::UI::SetMousePointer(11);
        Brimble::UI::SetMousePointer(0);
        QVERIFY(!QGuiApplication::overrideCursor());
    }

    void lockTextBox()
    {
        QLineEdit line;
        QPlainTextEdit text;
        Brimble::UI::LockTextBox(&line);
        Brimble::UI::LockTextBox(&text);
        QVERIFY(line.isReadOnly());
        QVERIFY(text.isReadOnly());
        QCOMPARE(line.palette().color(QPalette::Base), line.palette().color(QPalette::Button));
        QCOMPARE(text.palette().color(QPalette::Base), text.palette().color(QPalette::Button));
    }

    void setColumnWidth_data()
    {
        QTest::addColumn<int>("column");
        QTest::addColumn<float>("width");
        QTest::addColumn<bool>("inPercent");
        QTest::addColumn<bool>("addListWidth"); // width is added to the list's width in twips
        QTest::addColumn<int>("expectedStatus");
        QTest::newRow("100 percent") << 1 << 100.0f << true << false << 0;
        QTest::newRow("50 percent, rounded down") << 2 << 50.0f << true << false << 0;
        QTest::newRow("0 percent") << 1 << 0.0f << true << false << 0;
        QTest::newRow("100.5 percent") << 1 << 100.5f << true << false << 1;
        QTest::newRow("negative percent") << 1 << -0.5f << true << false << 1;
        QTest::newRow("absolute: the list's width") << 1 << 0.0f << false << true << 0;
        QTest::newRow("absolute: one unit more") << 1 << 1.0f << false << true << 1;
        QTest::newRow("absolute: 1500 twips") << 2 << 1500.0f << false << false << 0;
        QTest::newRow("absolute: negative") << 1 << -1.0f << false << false << 1;
        QTest::newRow("column Count + 1") << 3 << 10.0f << true << false << 2;
        QTest::newRow("a bad width is reported before the column")
            << 3 << 101.0f << true << false << 1;
    }

    void setColumnWidth()
    {
        QFETCH(int, column);
        QFETCH(float, width);
        QFETCH(bool, inPercent);
        QFETCH(bool, addListWidth);
        QFETCH(int, expectedStatus);
        QTreeWidget list;
        list.setColumnCount(2);
        list.resize(301, 200);
        list.header()->setStretchLastSection(false); // keep the other column's width still
        list.setColumnWidth(0, 37);
        list.setColumnWidth(1, 41);
        const float listTwips = Corvane::Platform::Twips::fromPixels(list.width(), &list);
        if (addListWidth)
            width += listTwips;
        const QList<int> before{list.columnWidth(0), list.columnWidth(1)};

        QCOMPARE(Brimble::UI::SetColumnWidth(&list, column, width, inPercent), expectedStatus);

        QList<int> expected = before;
        if (expectedStatus == 0) {
            const float twips = inPercent ? std::floor(listTwips * width / 100.0f) : width;
            expected[column - 1] = Corvane::Platform::Twips::toPixels(twips, &list);
        }
        QCOMPARE(QList<int>({list.columnWidth(0), list.columnWidth(1)}), expected);
    }

    void setColumnWidthBelowOneFails()
    {
        QTreeWidget list;
        list.setColumnCount(2);
        QVERIFY_THROWS_EXCEPTION(RuntimeError, Brimble::UI::SetColumnWidth(&list, 0, 10.0f, true));
    }
};

QTEST_MAIN(tst_UI)
#include "tst_ui.moc"
