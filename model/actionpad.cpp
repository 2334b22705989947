#include "model/actionpad.h"

#include "addin/applicationmanager.h"
#include "addin/resourcemanager.h"
#include "addin/vbdebug.h"
#include "model/dravowrapper.h"

#include "host/api/database.h"
#include "host/api/table.h"
#include "host/api/utility.h"

#include "platform/paths.h"
#include "platform/runtimeerror.h"

using Corvane::Platform::raiseError;
namespace ErrorNumber = Corvane::Platform::ErrorNumber;
namespace AM = Brimble::ApplicationManager;

namespace Brimble {

namespace {

const QString kSource = QStringLiteral("actionPad");
const QString kEditorSection = QStringLiteral("ActionPadEditor");

QVariant tableAttribute(Corvane::Host::ITable &table, const QString &name)
{
    return table.Attributes()->Item(name)->Value();
}

double toNumber(const QVariant &value, const QString &what)
{
    bool ok = false;
    const double number = value.toDouble(&ok);
    if (!ok)
        raiseError(ErrorNumber::TypeMismatch, kSource,
                   QStringLiteral("the attribute %1 (\"%2\") is not a number")
                       .arg(what, value.toString()));
    return number;
}

bool startsWithFolder(const QString &fileName, const QString &folder)
{
    return fileName.left(folder.size()).compare(folder, Qt::CaseInsensitive) == 0;
}

} // namespace

actionPad::actionPad(QObject *parent)
    : QObject(parent)
{
}

actionPad::~actionPad() = default;

bool actionPad::IsCurrentFileAbsolute() const
{
    return AM::IsUrl(CurrentFileName());
}

QString actionPad::CurrentFileName() const
{
    return m_IsDirty ? m_NewFilename : m_Filename;
}

QString actionPad::CurrentDisplayFileName() const
{
    const QString current = CurrentFileName();
    const QString folder = AM::GetActionPadFolder();
    return startsWithFolder(current, folder) ? current.mid(folder.size()) : current;
}

void actionPad::setDatabaseWrapper(Corvane::Host::IDatabase *database)
{
    Q_UNUSED(database) // the record's lookups go through GetDatabase()
    RefreshTable();
}

QString actionPad::DisplayName() const
{
    if (m_Source == DatabaseSource)
        return ResourceManager::GetText(QStringLiteral("ActionPadWebBar"), kEditorSection);
    if (m_Source == OverviewSource)
        return ResourceManager::GetText(QStringLiteral("ActionPadOverview"), kEditorSection);
    if (!m_table)
        return m_Source;
    const double idTable =
        toNumber(tableAttribute(*m_table, QStringLiteral("idtable")), QStringLiteral("idtable"));
    const QString localName = tableAttribute(*m_table, QStringLiteral("localname")).toString();
    if (idTable < 1)
        return QLatin1Char('[') + localName + QLatin1Char(']');
    return localName;
}

QString actionPad::key() const
{
    if (m_Source == DatabaseSource)
        return QStringLiteral("s-database");
    if (m_Source == OverviewSource)
        return QStringLiteral("s-overview");
    if (m_table)
        return QStringLiteral("t-") +
               tableAttribute(*m_table, QStringLiteral("idtable")).toString();
    return QStringLiteral("t-") + m_Source;
}

QString actionPad::Filename() const
{
    return m_Filename;
}

void actionPad::setFilename(const QString &filename)
{
    m_Filename = filename;
}

bool actionPad::IsDirty() const
{
    return m_IsDirty;
}

bool actionPad::IsValidFile() const
{
    const QString current = CurrentFileName();
    if (current.isEmpty() || AM::IsUrl(current))
        return true;
    return Corvane::Platform::Paths::fileExists(current);
}

void actionPad::setNewFilename(const QString &location)
{
    VBDebug::DebugPrint(QStringLiteral("set new ap for ") + m_Source + QStringLiteral(" to: ") +
                        location + QStringLiteral(", current: ") + CurrentFileName());
    if (location == CurrentFileName() || location == CurrentDisplayFileName())
        return;
    if (location.isEmpty())
        m_NewFilename.clear();
    else if (!AM::IsUrl(location) && !AM::Utility().FileExists(location))
        m_NewFilename = AM::GetActionPadFolder() + location; // relative to the action pad folder
    else
        m_NewFilename = location;
    m_IsDirty = true;
}

QString actionPad::NewFilename() const
{
    return m_NewFilename;
}

QString actionPad::PublishedFileName() const
{
    return m_PublishedFileName;
}

void actionPad::setPublishedFileName(const QString &name)
{
    m_PublishedFileName = name;
    m_IsDirty = true;
}

QString actionPad::Source() const
{
    return m_Source;
}

void actionPad::setSource(const QString &source)
{
    m_Source = source;
    RefreshTable();
}

qint32 actionPad::TableId() const
{
    return m_TableId;
}

void actionPad::setTableId(qint32 id)
{
    m_TableId = id;
    RefreshTable();
}

QString actionPad::ToString() const
{
    return QStringLiteral("[actionpad] filename: ") + m_Filename + QStringLiteral(", source: ") +
           m_Source;
}

void actionPad::Update()
{
    if (!m_IsDirty)
        return;
    DravoWrapper wrapper;

    const QString name = UpdatedName();
    VBDebug::DebugPrint(QStringLiteral("set actionpad for ") + m_Source + QStringLiteral(" To ") +
                        name);
    const QString attribute = AttributeName();
    if (!attribute.isEmpty())
        wrapper.SetFileAttribute(attribute, name);

    m_Filename = name;
    m_IsDirty = false;
}

void actionPad::UpdatePublished()
{
    const QString attribute = AttributeName();
    if (attribute.isEmpty()) {
        Update();
        return;
    }
    DravoWrapper wrapper;
    VBDebug::DebugPrint(QStringLiteral("set actionpad for ") + m_Source + QStringLiteral(" To ") +
                        m_PublishedFileName);
    wrapper.SetFileAttribute(attribute, m_PublishedFileName);
    m_Filename = m_PublishedFileName;
    m_IsDirty = false;
}

QString actionPad::UpdatedName() const
{
    if (!m_PublishedFileName.isEmpty())
        return m_PublishedFileName;
    if (m_Filename != m_NewFilename)
        return IsInActionPadFolder() ? CurrentDisplayFileName() : m_NewFilename;
    return CurrentDisplayFileName(); // chosen again as it stood: store it as shown
}

QString actionPad::AttributeName() const
{
    if (m_Source == DatabaseSource)
        return QStringLiteral("defaultactionpad");
    if (m_Source == OverviewSource)
        return QStringLiteral("overviewactionpad");
    return {};
}

void actionPad::RefreshTable()
{
    if (m_Source.isEmpty() && m_TableId == 0)
        return;
    Corvane::Host::IDatabase *database = AM::GetDatabase();
    if (!database)
        raiseError(ErrorNumber::ObjectRequired, kSource,
                   QStringLiteral("the table of the action pad \"%1\" is looked up in the open "
                                  "database, but no database is open")
                       .arg(m_Source));
    m_table = database->Tables()->Item(m_TableId, Corvane::Host::ITables::ById);
}

bool actionPad::IsInActionPadFolder() const
{
    return startsWithFolder(CurrentFileName(), AM::GetActionPadFolder());
}

} // namespace Brimble
