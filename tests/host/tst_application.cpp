// The host's application object without a database: message boxes and
// modal dialogs in unattended mode, the mouse pointer, the language and
// component creation.

#include "unattendedcapture.h"

#include "host/impl/application.h"
#include "host/impl/unattendedmode.h"
#include "platform/runtimeerror.h"

#include <QApplication>
#include <QDialog>
#include <QHBoxLayout>
#include <QPushButton>
#include <QTest>

using namespace Corvane;
namespace Code = Host::MessageBoxCode;

class tst_Application : public QObject
{
    Q_OBJECT

private slots:
    void cleanup() { QVERIFY(!Host::UnattendedMode::of(qApp)); }

    void unattendedMessageBox_data()
    {
        QTest::addColumn<int>("style");
        QTest::addColumn<int>("answer");
        QTest::addColumn<bool>("toErrors");
        QTest::addColumn<QString>("line");
        QTest::newRow("OK warning goes to the error stream")
            << (Code::OkOnly | Code::Exclamation) << Code::AnswerOk << true
            << "Three files are missing: a.htm b.htm";
        QTest::newRow("Yes/No question, first button default")
            << (Code::YesNo | Code::Question | Code::SetForeground) << Code::AnswerYes << false
            << "Three files are missing: a.htm b.htm [Yes]";
        QTest::newRow("Yes/No question, second button default")
            << (Code::YesNo | Code::Question | 256) << Code::AnswerNo << false
            << "Three files are missing: a.htm b.htm [No]";
        QTest::newRow("Yes/No warning, second button default")
            << (Code::YesNo | Code::Exclamation | 256 | Code::SetForeground) << Code::AnswerNo
            << true << "Three files are missing: a.htm b.htm";
        QTest::newRow("OK/Cancel, Cancel default")
            << (1 | 256) << Code::AnswerCancel << false
            << "Three files are missing: a.htm b.htm [Cancel]";
        QTest::newRow("default button that is not there")
            << (Code::OkOnly | 512) << Code::AnswerOk << false
            << "Three files are missing: a.htm b.htm [OK]";
    }

    void unattendedMessageBox()
    {
        QFETCH(int, style);
        QFETCH(int, answer);
        QFETCH(bool, toErrors);
        QFETCH(QString, line);
        Host::Application application;
        HostTest::UnattendedCapture capture(application);
        QCOMPARE(application.MessageBox(
                     QStringLiteral("Three files are missing:\r\na.htm\r\nb.htm"), style),
                 answer);
        QCOMPARE(QString::fromUtf8(toErrors ? capture.errors : capture.output),
                 line + QLatin1Char('\n'));
        QVERIFY((toErrors ? capture.output : capture.errors).isEmpty());
    }

    void unknownButtonCodeFails()
    {
        Host::Application application;
        HostTest::UnattendedCapture capture(application);
        try {
            application.MessageBox(QStringLiteral("?"), 7);
            QFAIL("no error for the button code 7");
        } catch (const Platform::RuntimeError &error) {
            QCOMPARE(error.number(), Platform::ErrorNumber::InvalidProcedureCall);
        }
    }

    void unattendedModalDialog_data()
    {
        QTest::addColumn<bool>("secondIsDefault");
        QTest::addColumn<bool>("defaultCloses");
        QTest::addColumn<int>("result");
        QTest::newRow("first button default") << false << true << 1;
        QTest::newRow("second button default") << true << true << 2;
        QTest::newRow("default button that does not close") << true << false << 0;
    }

    void unattendedModalDialog()
    {
        QFETCH(bool, secondIsDefault);
        QFETCH(bool, defaultCloses);
        QFETCH(int, result);
        Host::Application application;
        HostTest::UnattendedCapture capture(application);

        QDialog dialog;
        dialog.setWindowTitle(QStringLiteral("Duplicates"));
        auto *first = new QPushButton(QStringLiteral("&Continue"), &dialog);
        auto *second = new QPushButton(QStringLiteral("&Keep"), &dialog);
        auto *layout = new QHBoxLayout(&dialog);
        layout->addWidget(first);
        layout->addWidget(second);
        (secondIsDefault ? second : first)->setDefault(true);
        connect(first, &QPushButton::clicked, &dialog, [&] { dialog.done(1); });
        if (defaultCloses)
            connect(second, &QPushButton::clicked, &dialog, [&] { dialog.done(2); });
        QCOMPARE(dialog.exec(), result);
        QVERIFY(capture.output.startsWith(secondIsDefault ? "Duplicates [Keep]\n"
                                                          : "Duplicates [Continue]\n"));
        QCOMPARE(capture.errors.isEmpty(), defaultCloses);
    }

    void mousePointerIsBalanced()
    {
        QVERIFY(!QGuiApplication::overrideCursor());
        {
            Host::Application application;
            application.setMousePointer(Host::MousePointerCode::Default); // nothing to restore
            QVERIFY(!QGuiApplication::overrideCursor());
            application.setMousePointer(Host::MousePointerCode::Hourglass);
            application.setMousePointer(Host::MousePointerCode::Hourglass);
            QCOMPARE(application.MousePointer(), Host::MousePointerCode::Hourglass);
            QVERIFY(QGuiApplication::overrideCursor());
            QCOMPARE(QGuiApplication::overrideCursor()->shape(), Qt::WaitCursor);
            application.setMousePointer(Host::MousePointerCode::Default);
            QVERIFY(!QGuiApplication::overrideCursor());
            application.setMousePointer(Host::MousePointerCode::Hourglass);
        }
        // An application that goes with the hourglass on takes it along.
        QVERIFY(!QGuiApplication::overrideCursor());
    }

    void language_data()
    {
        QTest::addColumn<QByteArray>("environment");
        QTest::addColumn<QString>("chosen");
        QTest::addColumn<QString>("language");
        QTest::newRow("from the environment") << QByteArray("de") << QString() << "de";
        QTest::newRow("chosen beats the environment") << QByteArray("de") << "fr"
                                                      << "fr";
    }

    void language()
    {
        QFETCH(QByteArray, environment);
        QFETCH(QString, chosen);
        QFETCH(QString, language);
        qputenv("CORVANE_LANGUAGE", environment);
        Host::Application application;
        application.setLanguage(chosen);
        QCOMPARE(application.Language(), language);
        qunsetenv("CORVANE_LANGUAGE");
        QCOMPARE(Host::Application().Language().size(), 2);
    }
};

QTEST_MAIN(tst_Application)
#include "tst_application.moc"
