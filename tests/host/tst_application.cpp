// The host's application without a database: message boxes and modal dialogs in
// unattended mode and the mouse pointer.
#include "../datarows.h"
#include "../platform/platformtest.h"
#include "unattendedcapture.h"

#include <QApplication>
#include <QDialog>
#include <QHBoxLayout>
#include <QPushButton>

using namespace Corvane;
using namespace DataRows;
namespace Code = Host::MessageBoxCode;

class tst_Application : public QObject
{
    Q_OBJECT

private slots:
    void cleanup() { QVERIFY(!Host::UnattendedMode::of(qApp)); }

    void unattendedMessageBox_data()
    {
        // answer -1: fails; the line goes to the error stream or the output.
        columns<int, int, bool, QString>({"style", "answer", "toErrors", "line"});
        const QString text = "Three files are missing: a.htm b.htm";
        row("OK warning goes to the error stream", Code::OkOnly | Code::Exclamation,
            int(Code::AnswerOk), true, text);
        row("Yes/No warning, second button default", Code::YesNo | Code::Exclamation | 256,
            int(Code::AnswerNo), true, text);
        row("default button that is not there", Code::OkOnly | 512, int(Code::AnswerOk), false,
            text + " [OK]");
        row("unknown button code", 7, -1, false, QString());
    }

    void unattendedMessageBox()
    {
        QFETCH(int, style);
        QFETCH(int, answer);
        QFETCH(bool, toErrors);
        QFETCH(QString, line);
        Host::Application application;
        HostTest::UnattendedCapture capture(application);
        int answered = -1;
        QCOMPARE(errorOf([&] {
                     answered = application.MessageBox("Three files are missing:\r\na.htm\r\nb.htm",
                                                       style | Code::SetForeground);
                 }),
                 answer < 0 ? int(Platform::ErrorNumber::InvalidProcedureCall) : 0);
        QCOMPARE(answered, answer);
        QCOMPARE(QString::fromUtf8(toErrors ? capture.errors : capture.output),
                 line.isNull() ? "" : line + '\n');
        QVERIFY((toErrors ? capture.output : capture.errors).isEmpty());
    }

    void unattendedModalDialog_data()
    {
        columns<bool, bool, int>({"secondIsDefault", "defaultCloses", "result"});
        row("second button default", true, true, 2);
        row("default button that does not close", true, false, 0);
    }

    void unattendedModalDialog()
    {
        QFETCH(bool, secondIsDefault);
        QFETCH(bool, defaultCloses);
        Host::Application application;
        HostTest::UnattendedCapture capture(application);
        QDialog dialog;
        dialog.setWindowTitle("Duplicates");
        auto *first = new QPushButton("&Continue", &dialog);
        auto *second = new QPushButton("&Keep", &dialog);
        auto *layout = new QHBoxLayout(&dialog);
        layout->addWidget(first);
        layout->addWidget(second);
        (secondIsDefault ? second : first)->setDefault(true);
        connect(first, &QPushButton::clicked, &dialog, [&] { dialog.done(1); });
        if (defaultCloses)
            connect(second, &QPushButton::clicked, &dialog, [&] { dialog.done(2); });
        QTEST(dialog.exec(), "result");
        QVERIFY(capture.output.startsWith(secondIsDefault ? "Duplicates [Keep]\n"
                                                          : "Duplicates [Continue]\n"));
        QCOMPARE(capture.errors.isEmpty(), defaultCloses);
    }

    void mousePointerIsBalanced()
    {
        {
            Host::Application application;
            application.setMousePointer(Host::MousePointerCode::Default); // nothing to restore
            QVERIFY(!QGuiApplication::overrideCursor());
            application.setMousePointer(Host::MousePointerCode::Hourglass);
            application.setMousePointer(Host::MousePointerCode::Hourglass);
            QCOMPARE(QGuiApplication::overrideCursor()->shape(), Qt::WaitCursor);
            application.setMousePointer(Host::MousePointerCode::Default);
            QVERIFY(!QGuiApplication::overrideCursor());
            application.setMousePointer(Host::MousePointerCode::Hourglass);
        }
        // An application that goes with the hourglass on takes it along.
        QVERIFY(!QGuiApplication::overrideCursor());
    }
};

QTEST_MAIN(tst_Application)
#include "tst_application.moc"
