#include "mainwindow.h"

#include "application.h"
#include "configurationdialog.h"
#include "database.h"

#include "host/api/settingsnode.h"
#include "host/api/table.h"
#include "platform/runtimeerror.h"

#include <QHeaderView>
#include <QLabel>
#include <QMenuBar>
#include <QSplitter>
#include <QStatusBar>
#include <QTreeWidget>
#include <QVBoxLayout>

namespace Corvane::Host {

namespace {

enum Column
{
    IdColumn,
    NameColumn,
    LocalNameColumn,
    InspectorColumn
};

} // namespace

MainWindow::MainWindow(Application &application, QWidget *parent)
    : QMainWindow(parent)
    , m_application(application)
    , m_tables(new QTreeWidget)
    , m_webBar(new QWidget)
    , m_webBarLocation(new QLabel)
{
    setObjectName(QStringLiteral("MainWindow"));
    setWindowTitle(application.ApplicationTitle());

    m_tables->setObjectName(QStringLiteral("tableTree"));
    m_tables->setRootIsDecorated(false);
    m_tables->setSortingEnabled(true);
    m_tables->setHeaderLabels({tr("Id"), tr("Name"), tr("Local name"), tr("Inspector")});
    m_tables->sortByColumn(IdColumn, Qt::AscendingOrder);

    m_webBar->setObjectName(QStringLiteral("webBar"));
    m_webBar->setMinimumWidth(240);
    m_webBarLocation->setObjectName(QStringLiteral("webBarLocation"));
    m_webBarLocation->setWordWrap(true);
    m_webBarLocation->setAlignment(Qt::AlignTop | Qt::AlignLeft);
    auto *webBarLayout = new QVBoxLayout(m_webBar);
    webBarLayout->addWidget(m_webBarLocation);

    auto *splitter = new QSplitter;
    splitter->setObjectName(QStringLiteral("mainSplitter"));
    splitter->addWidget(m_tables);
    splitter->addWidget(m_webBar);
    splitter->setStretchFactor(0, 2);
    splitter->setStretchFactor(1, 1);
    setCentralWidget(splitter);

    QMenu *fileMenu = menuBar()->addMenu(tr("&File"));
    QAction *quit = fileMenu->addAction(tr("&Quit"), this, &QWidget::close);
    quit->setObjectName(QStringLiteral("actionQuit"));
    quit->setShortcut(QKeySequence::Quit);
    QMenu *toolsMenu = menuBar()->addMenu(tr("&Tools"));
    QAction *configureAction =
        toolsMenu->addAction(tr("&Configure..."), this, &MainWindow::configure);
    configureAction->setObjectName(QStringLiteral("actionConfigure"));

    statusBar()->setObjectName(QStringLiteral("statusBar"));
    connect(&application, &Application::splashMessageShown, statusBar(),
            [this](const QString &message) { statusBar()->showMessage(message, 5000); });
    connect(m_tables, &QTreeWidget::itemSelectionChanged, this, &MainWindow::selectionChanged);

    resize(900, 600);
    reloadTables();
}

MainWindow::~MainWindow() = default;

void MainWindow::reloadTables()
{
    m_tables->clear();
    Database *database = m_application.database();
    if (!database) {
        statusBar()->showMessage(tr("No database is open."));
        return;
    }
    database->reloadTables();
    ITables *tables = database->Tables();
    for (int i = 0; i < tables->Count(); ++i) {
        const std::shared_ptr<ITable> table = tables->At(i);
        auto *item = new QTreeWidgetItem(m_tables);
        item->setData(IdColumn, Qt::DisplayRole, table->Id());
        item->setText(NameColumn, table->Name().isEmpty() ? table->FallbackName() : table->Name());
        item->setText(LocalNameColumn,
                      table->Attributes()->Item(QStringLiteral("localname"))->Value().toString());
        item->setText(InspectorColumn, table->InspectorName());
    }
    for (int column = 0; column < m_tables->columnCount(); ++column)
        m_tables->resizeColumnToContents(column);
    statusBar()->showMessage(
        tr("%n table(s) in %1", nullptr, tables->Count()).arg(database->DatabaseName()));
}

void MainWindow::selectionChanged()
{
    const QList<QTreeWidgetItem *> selected = m_tables->selectedItems();
    Database *database = m_application.database();
    if (selected.isEmpty() || !database) {
        m_webBarLocation->clear();
        return;
    }
    const QString inspector = selected.constFirst()->text(InspectorColumn);
    try {
        const QString location = database->Settings()
                                     ->Node(QStringLiteral("Inspectors"))
                                     ->Node(inspector)
                                     ->Node(QStringLiteral("WebBar"))
                                     ->Value(QStringLiteral("URL"))
                                     .toString();
        m_webBarLocation->setText(location.isEmpty()
                                      ? tr("No action pad is assigned to this table.")
                                      : tr("Action pad: %1").arg(location));
    } catch (const Platform::RuntimeError &error) {
        m_webBarLocation->setText(error.description());
    }
}

void MainWindow::configure()
{
    ConfigurationDialog dialog(m_application, this);
    if (dialog.loadPages())
        dialog.exec();
}

} // namespace Corvane::Host
