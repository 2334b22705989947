// The dialog that edits one action pad name: loading, validation, browsing
// and the ways it closes. Every modal run is answered from a timer.
#include "editor/frmactionpadproperties.h"

#include "editortestsupport.h"

#include <QDir>
#include <QLabel>
#include <QLineEdit>
#include <QPlainTextEdit>
#include <QPushButton>
#include <QTest>
#include <QTextBlock>
#include <QTimer>

#include <functional>
#include <optional>

using Brimble::frmActionPadProperties;
using Translations = QHash<QString, QString>;

namespace {

constexpr int kErrorStyle = 0 + 48 + 0x10000;

const Translations kTexts = {
    {"frmActionPadProperties.Error_InvalidActionPad", "The action pad \"%1\" cannot be found."},
    {"frmActionPadProperties.lblDescription",
     "A relative name is looked up in{vbNewLine}%1{vbNewLine}and may also be a web address."},
    {"frmActionPadProperties.Caption", "Action pad"},
    {"OK", "Accept"},
};

} // namespace

class tst_frmActionPadProperties : public QObject
{
    Q_OBJECT

private:
    std::optional<EditorTest::ConnectedHost> m_connected;
    std::optional<EditorTest::PadFolder> m_web;
    std::optional<EditorTest::PadFolder> m_external;
    std::optional<EditorTest::PadFolder> m_elsewhere;

    FakeHost::Host &host() { return m_connected->host; }

    template <typename Control> static Control *child(QDialog &dialog, const char *name)
    {
        return dialog.findChild<Control *>(QLatin1String(name));
    }

    // Runs DoModal; `whileShown` acts on the shown dialog and must close it.
    static qint16 runModal(frmActionPadProperties &dialog, const std::function<void()> &whileShown)
    {
        QTimer::singleShot(0, &dialog, whileShown);
        return dialog.DoModal();
    }

    QString placeholders(QString text)
    {
        text.replace(QStringLiteral("{web}"), m_web->path());
        text.replace(QStringLiteral("{external}"), m_external->path());
        text.replace(QStringLiteral("{elsewhere}"), m_elsewhere->path());
        return text;
    }

private slots:
    void init()
    {
        m_connected.emplace();
        m_web.emplace();
        m_external.emplace();
        m_elsewhere.emplace();
        host().translations = kTexts;
        host().application.webFolder = m_web->path();
        m_web->write(QStringLiteral("web.htm"), "<html/>");
        m_external->write(QStringLiteral("external.htm"), "<html/>");
        m_elsewhere->write(QStringLiteral("elsewhere.htm"), "<html/>");
    }

    void cleanup()
    {
        m_elsewhere.reset();
        m_external.reset();
        m_web.reset();
        m_connected.reset();
    }

    void okAcceptsOnlyNamesThatCanBeFound_data()
    {
        QTest::addColumn<QString>("name");
        QTest::addColumn<QString>("externalLocation");
        QTest::addColumn<QString>("webFolder"); // empty: the pad folder
        QTest::addColumn<bool>("accepted");

        QTest::newRow("empty name") << ""
                                    << "{external}"
                                    << "" << true;
        QTest::newRow("web address") << "HTTPS://example.com/pad.htm"
                                     << "{external}"
                                     << "" << true;
        QTest::newRow("existing file as given") << "{elsewhere}elsewhere.htm"
                                                << ""
                                                << "" << true;
        QTest::newRow("in the action pad folder") << "web.htm"
                                                  << "{external}"
                                                  << "" << true;
        QTest::newRow("under the external location") << "external.htm"
                                                     << "{external}"
                                                     << "" << true;
        QTest::newRow("missing everywhere") << "missing.htm"
                                            << "{external}"
                                            << "" << false;
        QTest::newRow("missing, no external location") << "missing.htm"
                                                       << ""
                                                       << "" << false;
        QTest::newRow("external location is a web address") << "missing.htm"
                                                            << "http://server/pads"
                                                            << "" << true;
        QTest::newRow("action pad folder is a web address") << "missing.htm"
                                                            << "{external}"
                                                            << "http://server/web/" << true;
        QTest::newRow("elsewhere, not under the external location") << "elsewhere.htm"
                                                                    << "{external}"
                                                                    << "" << false;
    }

    void okAcceptsOnlyNamesThatCanBeFound()
    {
        QFETCH(QString, name);
        QFETCH(QString, externalLocation);
        QFETCH(QString, webFolder);
        QFETCH(bool, accepted);
        name = placeholders(name);
        if (!webFolder.isEmpty())
            host().application.webFolder = webFolder;
        frmActionPadProperties dialog;
        dialog.setActionPad(QStringLiteral("previous.htm"));
        dialog.setExternalLocation(placeholders(externalLocation));

        bool openAfterOk = false;
        const qint16 result = runModal(dialog, [&] {
            child<QLineEdit>(dialog, "tbActionPad")->setText(name);
            child<QPushButton>(dialog, "cmdOK")->click();
            openAfterOk = dialog.isVisible();
            if (openAfterOk)
                child<QPushButton>(dialog, "cmdCancel")->click();
        });

        const auto &messages = host().application.messages;
        if (accepted) {
            QCOMPARE(result, qint16(1));
            QCOMPARE(dialog.actionPad(), name);
            QVERIFY(messages.isEmpty());
        } else {
            QVERIFY(openAfterOk);
            QCOMPARE(result, qint16(2));
            QCOMPARE(dialog.actionPad(), QStringLiteral("previous.htm"));
            QCOMPARE(messages.size(), 1);
            QCOMPARE(messages.first().prompt,
                     QStringLiteral("The action pad \"%1\" cannot be found.").arg(name));
            QCOMPARE(messages.first().style, kErrorStyle);
        }
    }

    void externalLocationIsKeptWithATrailingSeparator_data()
    {
        const QString sep = QDir::separator();
        QTest::addColumn<QString>("given");
        QTest::addColumn<QString>("stored");
        QTest::newRow("empty stays empty") << ""
                                           << "";
        QTest::newRow("folder without separator") << "/srv/pads"
                                                  << "/srv/pads" + sep;
        QTest::newRow("folder with separator") << "/srv/pads" + sep << "/srv/pads" + sep;
        QTest::newRow("web address without slash") << "http://server/pads"
                                                   << "http://server/pads/";
        QTest::newRow("web address with slash") << "http://server/pads/"
                                                << "http://server/pads/";
    }

    void externalLocationIsKeptWithATrailingSeparator()
    {
        QFETCH(QString, given);
        QFETCH(QString, stored);
        frmActionPadProperties dialog;
        dialog.setExternalLocation(given);
        QCOMPARE(dialog.ExternalLocation(), stored);
        QCOMPARE(dialog.property("ExternalLocation").toString(), stored);
    }

    void loadingShowsTheNameAndTheResolvingFolder_data()
    {
        QTest::addColumn<QString>("externalLocation");
        QTest::addColumn<QString>("folder");
        QTest::newRow("no external location: the action pad folder") << ""
                                                                     << "{web}";
        QTest::newRow("the external location") << "{external}"
                                               << "{external}";
    }

    void loadingShowsTheNameAndTheResolvingFolder()
    {
        QFETCH(QString, externalLocation);
        QFETCH(QString, folder);
        folder = placeholders(folder);
        frmActionPadProperties dialog;
        dialog.setActionPad(QStringLiteral("pads/customers.htm"));
        dialog.setExternalLocation(placeholders(externalLocation));

        QString selected, relativeTo, captions;
        QStringList lines;
        bool readOnly = false;
        runModal(dialog, [&] {
            selected = child<QLineEdit>(dialog, "tbActionPad")->selectedText();
            // Captions of the dialog's section; OK and Cancel from the empty section.
            captions = dialog.windowTitle() + '|' + child<QPushButton>(dialog, "cmdOK")->text() +
                       '|' + child<QPushButton>(dialog, "cmdCancel")->text();
            auto *relative = child<QLineEdit>(dialog, "tbRelativeTo");
            auto *description = child<QPlainTextEdit>(dialog, "tbDescription");
            relativeTo = relative->text();
            readOnly = relative->isReadOnly() && description->isReadOnly();
            for (QTextBlock block = description->document()->begin(); block.isValid();
                 block = block.next())
                lines << block.text();
            dialog.close();
        });

        QCOMPARE(selected, QStringLiteral("pads/customers.htm"));
        QCOMPARE(captions, QStringLiteral("Action pad|Accept|Cancel"));
        QCOMPARE(relativeTo, folder);
        QVERIFY(readOnly);
        // "{vbNewLine}" twice: three lines, the folder in the middle.
        QCOMPARE(lines, (QStringList{"A relative name is looked up in", folder,
                                     "and may also be a web address."}));
    }

    void theWayOfClosingGivesTheResult_data()
    {
        QTest::addColumn<QString>("how");
        QTest::addColumn<int>("result");
        QTest::newRow("Cancel button") << "cancel" << 2;
        QTest::newRow("Escape key") << "escape" << 2;
        QTest::newRow("close box") << "close" << 0;
        QTest::newRow("OK with an empty name") << "ok" << 1;
    }

    void theWayOfClosingGivesTheResult()
    {
        QFETCH(QString, how);
        QFETCH(int, result);
        frmActionPadProperties dialog;
        dialog.setActionPad(QStringLiteral("stays.htm"));

        const qint16 code = runModal(dialog, [&] {
            if (how == QLatin1String("cancel")) {
                child<QPushButton>(dialog, "cmdCancel")->click();
            } else if (how == QLatin1String("escape")) {
                QTest::keyClick(&dialog, Qt::Key_Escape);
            } else if (how == QLatin1String("close")) {
                dialog.close();
            } else {
                child<QLineEdit>(dialog, "tbActionPad")->clear();
                child<QPushButton>(dialog, "cmdOK")->click();
            }
        });

        QCOMPARE(int(code), result);
        QCOMPARE(dialog.actionPad(), result == 1 ? QString() : QStringLiteral("stays.htm"));
    }

    void browsingTakesTheChosenFile_data()
    {
        QTest::addColumn<QString>("current");
        QTest::addColumn<int>("dialogResult");
        QTest::addColumn<QString>("choice");
        QTest::addColumn<QString>("proposed"); // the name the file dialog was shown with
        QTest::addColumn<QString>("shown");    // tbActionPad afterwards

        QTest::newRow("a file in the action pad folder: relative") << "" << 1 << "{web}sub/pad.htm"
                                                                   << "{web}Customers.htm"
                                                                   << "sub/pad.htm";
        QTest::newRow("a file elsewhere: the full path") << "" << 1 << "{elsewhere}elsewhere.htm"
                                                         << "{web}Customers.htm"
                                                         << "{elsewhere}elsewhere.htm";
        QTest::newRow("cancelled: unchanged") << "web.htm" << 0 << "{elsewhere}elsewhere.htm"
                                              << "{web}web.htm"
                                              << "web.htm";
    }

    void browsingTakesTheChosenFile()
    {
        QFETCH(QString, current);
        QFETCH(int, dialogResult);
        QFETCH(QString, choice);
        QFETCH(QString, proposed);
        QFETCH(QString, shown);
        host().fileDialogResult = dialogResult;
        host().fileDialogChoice = placeholders(choice);
        frmActionPadProperties dialog;
        dialog.setActionPad(current);
        dialog.setSource(QStringLiteral("Customers"));

        QString text, selected;
        runModal(dialog, [&] {
            child<QPushButton>(dialog, "cmdBrowseForInspector")->click();
            auto *name = child<QLineEdit>(dialog, "tbActionPad");
            text = name->text();
            selected = name->selectedText();
            dialog.close();
        });

        QCOMPARE(QDir::fromNativeSeparators(host().lastDialogFileName),
                 QDir::fromNativeSeparators(placeholders(proposed)));
        QCOMPARE(text, placeholders(shown));
        QCOMPARE(selected, placeholders(shown));
    }
};

QTEST_MAIN(tst_frmActionPadProperties)
#include "tst_frmactionpadproperties.moc"
