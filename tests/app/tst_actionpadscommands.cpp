// "actionpads show" and "actionpads extract" over an archive made by Info-ZIP's zip and
// stored directly; "show --json" and a publish through the add-in: tests/endtoend.
#include "admintool.h"

#include "../dravo/dravotest.h"

#include "dravo/actionpadstore.h"
#include "dravo/servercache.h"

using namespace Corvane;

namespace {

QByteArray readAll(const QString &path)
{
    QFile file(path);
    return file.open(QIODevice::ReadOnly) ? file.readAll() : QByteArray();
}

} // namespace

class tst_ActionPadsCommands : public QObject
{
    Q_OBJECT

private:
    std::unique_ptr<DravoTest::ScratchDatabase> m_scratch;
    QString m_archive;

    AdminTool::Result admin(QStringList arguments) const
    {
        return AdminTool::run(arguments << "--database" << m_scratch->location());
    }

private slots:
    void initTestCase()
    {
        DRAVO_REQUIRE_BACKEND();
        m_scratch = std::make_unique<DravoTest::ScratchDatabase>();
        const QString web = m_scratch->folder() + "/web";
        const AdminTool::Result result = admin({"init", "--demo", "--web-folder", web});
        QVERIFY2(result.exitCode == 0, qPrintable(result.errors));
        // An archive of the demo's web folder, stored as a publish would store it.
        m_archive = m_scratch->folder() + "/pads.zip";
        int exitCode = -1;
        AdminTool::runTool("zip", {"-q", "-r", "-X", m_archive, "."}, web, &exitCode);
        QCOMPARE(exitCode, 0);
        const std::unique_ptr<Dravo::Engine> engine = Dravo::Engine::open(m_scratch->location());
        Dravo::ActionPadStore(*engine).save(
            m_archive, {{"defaultactionpad", "start.htm"}, {"overviewactionpad", "übersicht.htm"}});
        Dravo::ServerCache(*engine).refresh();
        Dravo::ServerCache(*engine).refresh();
    }

    void cleanupTestCase() { m_scratch.reset(); }

    void showSummarisesTheArchive()
    {
        const int entries = AdminTool::runTool("zipinfo", {"-1", m_archive}).count('\n');
        QVERIFY(entries >= 12);
        const AdminTool::Result text = admin({"actionpads", "show"});
        QCOMPARE(text.exitCode, 0);
        for (const QString &line : {QStringLiteral("Archive: %1 bytes, %2 entries\n")
                                        .arg(QFileInfo(m_archive).size())
                                        .arg(entries),
                                    QStringLiteral("  overviewactionpad = übersicht.htm\n"),
                                    QStringLiteral("Cache generation: 2\n")})
            QVERIFY2(text.output.contains(line), qPrintable(text.output));
        QVERIFY2(text.output.contains("Published: "), qPrintable(text.output));

        // An archive stored before publishes were recorded: no "Published:" line, and stored.
        Dravo::Engine::open(m_scratch->location())->execute("DELETE FROM actionpad_publish");
        const AdminTool::Result older = admin({"actionpads", "show"});
        QVERIFY2(older.output.contains("bytes, ") && !older.output.contains("none stored") &&
                     !older.output.contains("Published:"),
                 qPrintable(older.output));
    }

    void extractWritesTheStoredBytes()
    {
        const QString target = m_scratch->folder() + "/extracted.zip";
        QFile stale(target);
        QVERIFY(stale.open(QIODevice::WriteOnly));
        stale.write("an older file that the extract replaces");
        stale.close();
        QCOMPARE(admin({"actionpads", "extract", target}).exitCode, 0);
        QCOMPARE(readAll(target), readAll(m_archive));

        const QString missing = m_scratch->folder() + "/no/such/folder/out.zip";
        const AdminTool::Result result = admin({"actionpads", "extract", missing});
        QVERIFY(result.exitCode > 0);
        QCOMPARE(result.errorLines().size(), 1);
        QVERIFY(!QFileInfo::exists(missing));
    }
};

DRAVO_TEST_MAIN(tst_ActionPadsCommands)
#include "tst_actionpadscommands.moc"
