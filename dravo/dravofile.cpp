#include "dravofile.h"

#include "actionpadstore.h"
#include "engine.h"
#include "engineprovider.h"

#include "host/api/database.h"
#include "platform/paths.h"
#include "platform/runtimeerror.h"

#include <QDir>
#include <QFileInfo>

namespace Corvane::Dravo {

namespace {

using Platform::ErrorNumber::FileNotFound;
using Platform::ErrorNumber::InvalidProcedureCall;
using Platform::ErrorNumber::ObjectRequired;
using Platform::ErrorNumber::TypeMismatch;

QString source()
{
    return QString::fromLatin1(Host::ClassId::DravoFile);
}

[[noreturn]] void fail(std::int32_t number, const QString &detail)
{
    Platform::raiseError(number, source(), detail);
}

} // namespace

DravoFile::DravoFile(QObject *parent)
    : Host::IDravoFile(parent)
{
}

// Pending changes die with the object: nothing reaches the database without Save.
DravoFile::~DravoFile() = default;

void DravoFile::Open(Host::IDatabase *database, qint32 fileKind, qint32 openMode, QObject *reserved)
{
    Q_UNUSED(reserved)
    if (isOpen())
        fail(InvalidProcedureCall,
             QStringLiteral("Open was called on a file that is already open. Close it first."));
    if (!database)
        fail(ObjectRequired, QStringLiteral("Open needs the database whose file to open; it "
                                            "was given none."));
    if (fileKind != ActionPadFile)
        fail(InvalidProcedureCall,
             QStringLiteral("the file kind %1 is not known: only the action pad file (%2) can "
                            "be opened.")
                 .arg(fileKind)
                 .arg(ActionPadFile));
    if (openMode != ForUpdate)
        fail(InvalidProcedureCall,
             QStringLiteral("the open mode %1 is not supported: the action pad file opens for "
                            "update (%2).")
                 .arg(openMode)
                 .arg(ForUpdate));
    auto *provider = dynamic_cast<EngineProvider *>(database);
    if (!provider)
        fail(InvalidProcedureCall,
             QStringLiteral("the database \"%1\" is not served by this data engine, so its "
                            "action pad file cannot be opened.")
                 .arg(database->DatabaseName()));
    m_engine = &provider->engine();
    m_pendingContent.reset();
    m_pendingAttributes.clear();
}

void DravoFile::SetAttribute(const QString &name, const QVariant &value)
{
    requireOpen("SetAttribute");
    if (name.isEmpty())
        fail(InvalidProcedureCall, QStringLiteral("SetAttribute needs an attribute name."));
    QString text;
    if (value.isValid() && !value.isNull()) {
        if (!value.canConvert<QString>())
            fail(TypeMismatch,
                 QStringLiteral("the value of the attribute \"%1\" must be a text, not a %2.")
                     .arg(name, QLatin1String(value.typeName())));
        text = value.toString();
    }
    m_pendingAttributes.insert(name.toCaseFolded(), {name, text});
}

void DravoFile::LoadFromFile(const QString &path)
{
    requireOpen("LoadFromFile");
    if (!Platform::Paths::fileExists(path))
        fail(FileNotFound, QStringLiteral("LoadFromFile: the file %1 does not exist.")
                               .arg(QDir::toNativeSeparators(path)));
    m_pendingContent = QFileInfo(path).absoluteFilePath();
}

void DravoFile::Save()
{
    requireOpen("Save");
    QHash<QString, QString> attributes;
    for (const auto &[name, value] : std::as_const(m_pendingAttributes))
        attributes.insert(name, value);
    // Storing an archive reads and writes all of its bytes: a worker does
    // it, and the caller's windows stay alive meanwhile.
    const auto save = [&] { ActionPadStore(*m_engine).save(m_pendingContent, attributes); };
    if (m_pendingContent)
        m_engine->runOnWorker(save);
    else
        save();
    m_pendingContent.reset();
    m_pendingAttributes.clear();
}

void DravoFile::Close()
{
    requireOpen("Close");
    m_engine = nullptr;
    m_pendingContent.reset();
    m_pendingAttributes.clear();
}

void DravoFile::requireOpen(const char *member) const
{
    if (!isOpen())
        fail(InvalidProcedureCall,
             QStringLiteral("%1 was called before Open: open the action pad file first.")
                 .arg(QLatin1String(member)));
}

} // namespace Corvane::Dravo
