// The dialog that edits one action pad name; every modal run is answered from a timer.
#include "editor/frmactionpadproperties.h"

#include "../datarows.h"
#include "editortestsupport.h"

#include <QLineEdit>
#include <QPushButton>
#include <QTimer>

#include <functional>
#include <optional>

using Brimble::frmActionPadProperties;
using namespace DataRows;

class tst_frmActionPadProperties : public QObject
{
    Q_OBJECT

private:
    std::optional<AddinTest::Fixture> m_fixture;
    std::optional<EditorTest::PadFolder> m_web, m_external, m_elsewhere;

    FakeHost::Host &host() { return m_fixture->host; }

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
        text.replace("{web}", m_web->path());
        text.replace("{external}", m_external->path());
        return text.replace("{elsewhere}", m_elsewhere->path());
    }

private slots:
    void init()
    {
        m_fixture.emplace();
        m_web.emplace();
        m_external.emplace();
        m_elsewhere.emplace();
        host().translations = {
            {"frmActionPadProperties.Error_InvalidActionPad", "The action pad \"%1\" is missing."},
            {"frmActionPadProperties.lblDescription",
             "Relative names are looked up in{vbNewLine}%1{vbNewLine}or are web addresses."}};
        host().database.setWebFolder(m_web->path());
        m_web->write("web.htm");
        m_external->write("external.htm");
        m_elsewhere->write("elsewhere.htm");
    }

    void cleanup()
    {
        m_elsewhere.reset();
        m_external.reset();
        m_web.reset();
        m_fixture.reset();
    }

    void okAcceptsOnlyNamesThatCanBeFound_data()
    {
        // webFolder empty: the pad folder.
        columns<QString, QString, QString, bool>(
            {"name", "externalLocation", "webFolder", "accepted"});
        row("empty name", "", "{external}", "", true);
        row("web address", "HTTPS://example.com/pad.htm", "{external}", "", true);
        row("existing file as given", "{elsewhere}elsewhere.htm", "", "", true);
        row("in the action pad folder", "web.htm", "{external}", "", true);
        row("under the external location", "external.htm", "{external}", "", true);
        row("missing everywhere", "missing.htm", "{external}", "", false);
        row("missing, no external location", "missing.htm", "", "", false);
        row("external location is a web address", "missing.htm", "http://server/pads", "", true);
        row("action pad folder is a web address", "missing.htm", "{external}", "http://server/web/",
            true);
        row("elsewhere, not under the external location", "elsewhere.htm", "{external}", "", false);
    }

    void okAcceptsOnlyNamesThatCanBeFound()
    {
        QFETCH(QString, name);
        QFETCH(QString, externalLocation);
        QFETCH(QString, webFolder);
        QFETCH(bool, accepted);
        name = placeholders(name);
        if (!webFolder.isEmpty())
            host().database.setWebFolder(webFolder);
        frmActionPadProperties dialog;
        dialog.setActionPad("previous.htm");
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
        QCOMPARE(openAfterOk, !accepted);
        QCOMPARE(result, qint16(accepted ? 1 : 2));
        QCOMPARE(dialog.actionPad(), accepted ? name : "previous.htm");
        QCOMPARE(messages.size(), accepted ? 0 : 1);
        if (!accepted) {
            QCOMPARE(messages.first().prompt, "The action pad \"" + name + "\" is missing.");
            QCOMPARE(messages.first().style, 48 + 0x10000);
        }
    }
};

QTEST_MAIN(tst_frmActionPadProperties)
#include "tst_frmactionpadproperties.moc"
