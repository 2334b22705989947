#include "demodata.h"

#include "dravo/engine.h"
#include "dravo/tablecatalog.h"
#include "host/api/settingsnode.h"
#include "host/impl/database.h"
#include "platform/runtimeerror.h"

#include <QBuffer>
#include <QColor>
#include <QDir>
#include <QFileInfo>
#include <QImage>
#include <QList>
#include <QSaveFile>

namespace Corvane::Admin::DemoData {

namespace {

struct DemoTable
{
    qint32 id;
    qint32 idTable;
    const char *name;
    const char *localName; // UTF-8
    const char *actionPad; // UTF-8, relative to the web folder; null: none
};

// Archive has no action pad, and idtable 0: the editor shows it in brackets.
const QList<DemoTable> &tables()
{
    static const QList<DemoTable> list = {
        {1, 1, "Customers", "Kunden", "customers/index.htm?tab=2"},
        {2, 2, "Orders", "Aufträge", "https://example.com/pads/orders?view=1"},
        {3, 3, "Products", "Produkte", "products/index.htm"},
        {4, 0, "Archive", "Archiv", nullptr},
    };
    return list;
}

const char kDatabaseActionPad[] = "start.htm";
// In lower case: the editor lower-cases locations and finds its pages among the
// files of the archive by exact name.
const char kOverviewActionPad[] = "übersicht.htm";

QByteArray page(const QString &title, const QString &body, const QString &root)
{
    return QStringLiteral("<!DOCTYPE html>\n<html>\n<head>\n<meta charset=\"utf-8\">\n"
                          "<title>%1</title>\n"
                          "<link rel=\"stylesheet\" href=\"%3css/pads.css\">\n"
                          "<script src=\"%3js/pads.js\"></script>\n"
                          "</head>\n<body>\n<h1>%1</h1>\n%2\n</body>\n</html>\n")
        .arg(title, body, root)
        .toUtf8();
}

QByteArray png(const QColor &colour)
{
    QImage image(16, 16, QImage::Format_ARGB32);
    image.fill(colour);
    for (int i = 0; i < 16; ++i)
        image.setPixelColor(i, i, Qt::white);
    QByteArray bytes;
    QBuffer buffer(&bytes);
    buffer.open(QIODevice::WriteOnly);
    if (!image.save(&buffer, "PNG"))
        Platform::raiseError(Platform::ErrorNumber::InvalidProcedureCall,
                             QStringLiteral("corvane-admin"),
                             QStringLiteral("the demo's PNG image could not be made"));
    return bytes;
}

// A 1 x 1 GIF89a: a global colour table of two entries and one pixel.
QByteArray gif()
{
    static const unsigned char bytes[] = {'G',  'I',  'F',  '8',  '9',  'a',  0x01, 0x00, 0x01,
                                          0x00, 0x80, 0x00, 0x00, 0x2a, 0x6e, 0xb4, 0xff, 0xff,
                                          0xff, 0x2c, 0x00, 0x00, 0x00, 0x00, 0x01, 0x00, 0x01,
                                          0x00, 0x00, 0x02, 0x02, 0x44, 0x01, 0x00, 0x3b};
    return QByteArray(reinterpret_cast<const char *>(bytes), sizeof bytes);
}

struct DemoFile
{
    QString name;
    QByteArray content;
};

QList<DemoFile> files()
{
    const QString overview = QString::fromUtf8(kOverviewActionPad);
    return {
        {QStringLiteral("start.htm"),
         page(QStringLiteral("Corvane"),
              QStringLiteral("<img src=\"images/logo.png\" alt=\"\">\n<p><a href=\"%1\">%1</a></p>")
                  .arg(overview),
              QString())},
        {overview,
         page(QStringLiteral("Übersicht"),
              QStringLiteral("<p><img src=\"images/arrow.gif\" alt=\"\"> Kunden, Aufträge, "
                             "Produkte</p>"),
              QString())},
        {QStringLiteral("css/pads.css"),
         "body { font-family: sans-serif; margin: 1em; }\nh1 { color: #2a6eb4; }\n"},
        {QStringLiteral("js/pads.js"),
         "function openRecord(id) {\n    window.location.search = '?id=' + id;\n}\n"},
        {QStringLiteral("images/logo.png"), png(QColor(0x2a, 0x6e, 0xb4))},
        {QStringLiteral("images/arrow.gif"), gif()},
        {QStringLiteral("customers/index.htm"),
         page(QStringLiteral("Customers"),
              QStringLiteral("<img src=\"images/portrait.png\" alt=\"\">\n"
                             "<p><a href=\"orders.htm\">Orders of the customer</a></p>"),
              QStringLiteral("../"))},
        {QStringLiteral("customers/orders.htm"),
         page(QStringLiteral("Orders of the customer"), QStringLiteral("<p>No orders yet.</p>"),
              QStringLiteral("../"))},
        {QStringLiteral("customers/images/portrait.png"), png(QColor(0xe0, 0x90, 0x30))},
        {QStringLiteral("products/index.htm"),
         page(QStringLiteral("Products"),
              QStringLiteral("<img src=\"images/box.gif\" alt=\"\">\n"
                             "<p><a href=\"catalogue.htm\">Catalogue</a></p>"),
              QStringLiteral("../"))},
        {QStringLiteral("products/catalogue.htm"),
         page(QStringLiteral("Catalogue"), QStringLiteral("<p>Bolts, nuts, washers.</p>"),
              QStringLiteral("../"))},
        {QStringLiteral("products/images/box.gif"), gif()},
    };
}

// A web address as it is; a file as its full path in the web folder, with the
// platform's separators, keeping a query part. Full paths name the folders the
// publish collects, so the two index.htm meet under the same archive name.
QString location(const QString &webFolder, const char *actionPad)
{
    const QString text = QString::fromUtf8(actionPad);
    if (text.contains(QLatin1String("://")))
        return text;
    const qsizetype query = text.indexOf(QLatin1Char('?'));
    const QString file = QDir(webFolder).filePath(text.left(query < 0 ? text.size() : query));
    return QDir::toNativeSeparators(file) + (query < 0 ? QString() : text.mid(query));
}

void writeFile(const QString &path, const QByteArray &content)
{
    const QFileInfo info(path);
    QSaveFile file(path);
    if (!QDir().mkpath(info.absolutePath()) || !file.open(QIODevice::WriteOnly) ||
        file.write(content) != content.size() || !file.commit())
        throw Platform::RuntimeError(Platform::ErrorNumber::PathFileAccessError,
                                     QStringLiteral("corvane-admin"),
                                     QStringLiteral("the demo file %1 could not be written (%2); "
                                                    "check that the web folder is writable")
                                         .arg(QDir::toNativeSeparators(path), file.errorString()));
}

} // namespace

QStringList fileNames()
{
    QStringList names;
    for (const DemoFile &file : files())
        names.append(file.name);
    return names;
}

void writeFiles(const QString &webFolder)
{
    const QDir folder(webFolder);
    for (const DemoFile &file : files())
        writeFile(folder.filePath(file.name), file.content);
}

void fill(Host::Database &database, const QString &webFolder)
{
    Dravo::TableCatalog catalog(database.engine());
    const std::shared_ptr<Host::ISettingsNode> settings = database.Settings();
    const QString url = QStringLiteral("URL");
    for (const DemoTable &table : tables()) {
        Dravo::TableRecord record;
        record.id = table.id;
        record.idTable = table.idTable;
        record.name = QString::fromLatin1(table.name);
        record.localName = QString::fromUtf8(table.localName);
        record.inspectorName = record.name;
        catalog.add(record);
        if (table.actionPad)
            settings->Node(QStringLiteral("Inspectors\\%1\\WebBar").arg(record.inspectorName))
                ->SetValue(url, location(webFolder, table.actionPad));
    }
    settings->Node(QStringLiteral("WebBar"))
        ->SetValue(url, location(webFolder, kDatabaseActionPad));
    settings->Node(QStringLiteral("Overview"))
        ->SetValue(url, location(webFolder, kOverviewActionPad));
    database.reloadTables();
}

QStringList tableNames()
{
    QStringList names;
    for (const DemoTable &table : tables())
        names.append(QString::fromLatin1(table.name));
    return names;
}

} // namespace Corvane::Admin::DemoData
