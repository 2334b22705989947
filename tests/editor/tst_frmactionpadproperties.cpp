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
    std::optional<EditorTest::PadFolder> m_folders; // web/, external/, elsewhere/

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

    // "{web}" and the like: that folder, with a trailing separator.
    QString placeholders(QString text)
    {
        for (const QString name : {"web", "external", "elsewhere"})
            text.replace('{' + name + '}', m_folders->path() + name + QDir::separator());
        return text;
    }

private slots:
    void init()
    {
        m_fixture.emplace();
        m_folders.emplace();
        host().translations = {
            {"frmActionPadProperties.Error_InvalidActionPad", "The action pad \"%1\" is missing."},
            {"frmActionPadProperties.lblDescription",
             "Relative names are looked up in{vbNewLine}%1{vbNewLine}or are web addresses."}};
        host().database.setWebFolder(placeholders("{web}"));
        for (const QString name : {"web", "external", "elsewhere"})
            m_folders->write(name + '/' + name + ".htm");
    }

    void cleanup()
    {
        m_folders.reset();
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

        QCOMPARE(openAfterOk, !accepted);
        QCOMPARE(result, qint16(accepted ? 1 : 2));
        QCOMPARE(dialog.actionPad(), accepted ? name : "previous.htm");
        QCOMPARE(host().log.matching("MessageBox"),
                 accepted ? QStringList()
                          : QStringList{"MessageBox style=65584 prompt=The action pad \"" + name +
                                        "\" is missing. -> 1"});
    }
};

QTEST_MAIN(tst_frmActionPadProperties)
#include "tst_frmactionpadproperties.moc"
