// The add-in library as the host meets it: registered through its own
// DllRegisterServer and serving its public classes by class identifier.
#include "platform/componentregistry.h"
#include "tests/datarows.h"

#include <QFileInfo>
#include <QTest>

#include <memory>

using Corvane::Platform::ComponentRegistry;

namespace {
const QString kLibrary = CORVANE_BINARY_DIR "/lib/libcorvane-brimble.so";
}

class tst_Library : public QObject
{
    Q_OBJECT

private slots:
    void initTestCase()
    {
        QVERIFY(QFile::exists(kLibrary));
        ComponentRegistry::instance().registerLibrary(kLibrary);
    }

    void cleanupTestCase() { ComponentRegistry::instance().unregisterLibrary(kLibrary); }

    void servesEveryPublicClass_data()
    {
        DataRows::columns<QString, QString>({"classId", "className"});
        for (const char *name : {"Addin", "ucActionPadEditor", "actionPad", "DravoWrapper",
                                 "ActionPadArchiver", "ArchiveFile", "ControlResizer"})
            DataRows::row(name, "CorvaneBrimble." + QString(name), "Brimble::" + QString(name));
        DataRows::row("identifiers ignore letter case", "corvanebrimble.ADDIN", "Brimble::Addin");
    }

    void servesEveryPublicClass()
    {
        QFETCH(QString, classId);
        QFETCH(QString, className);
        QCOMPARE(QFileInfo(ComponentRegistry::instance().serverPath(classId)).canonicalFilePath(),
                 QFileInfo(kLibrary).canonicalFilePath());
        const std::unique_ptr<QObject> object = ComponentRegistry::instance().create(classId);
        QVERIFY(object);
        QCOMPARE(QString::fromLatin1(object->metaObject()->className()), className);
    }
};

QTEST_MAIN(tst_Library)
#include "tst_library.moc"
