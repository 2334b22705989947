#include "mainwindow.h"

#include "application.h"
#include "configurationdialog.h"
#include "database.h"
#include "webbar.h"

#include "host/api/table.h"

#include <QHeaderView>
#include <QMenuBar>
#include <QScrollBar>
#include <QSplitter>
#include <QStatusBar>
#include <QTreeWidget>

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
    , m_webBar(new WebBar(application))
{
    setObjectName(QStringLiteral("MainWindow"));
    setWindowTitle(application.ApplicationTitle());

    m_tables->setObjectName(QStringLiteral("tableTree"));
    m_tables->setRootIsDecorated(false);
    m_tables->setSortingEnabled(true);
    m_tables->setHeaderLabels({tr("Id"), tr("Name"), tr("Local name"), tr("Inspector")});
    m_tables->sortByColumn(IdColumn, Qt::AscendingOrder);

    m_webBar->setMinimumWidth(240);

    auto *splitter = new QSplitter;
    splitter->setObjectName(QStringLiteral("mainSplitter"));
    splitter->addWidget(m_tables);
    splitter->addWidget(m_webBar);
    splitter->setStretchFactor(0, 1);
    splitter->setStretchFactor(1, 1);
    // Room for a few tables and a note of the web bar, however small the window.
    splitter->setMinimumHeight(fontMetrics().lineSpacing() * 16);
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
    connect(m_webBar, &WebBar::subjectChosen, this, &MainWindow::subjectChosen);
    connect(m_webBar, &WebBar::problemFound, statusBar(),
            [this](const QString &message) { statusBar()->showMessage(message); });

    resize(900, 600);
    reloadTables();
}

MainWindow::~MainWindow() = default;

void MainWindow::reloadTables()
{
    m_tables->clear();
    Database *database = m_application.database();
    if (!database) {
        m_webBar->setTables({});
        statusBar()->showMessage(tr("No database is open."));
        return;
    }
    database->reloadTables();
    ITables *tables = database->Tables();
    QList<WebBarSubject> subjects;
    for (int i = 0; i < tables->Count(); ++i) {
        const std::shared_ptr<ITable> table = tables->At(i);
        const QString name = table->Name().isEmpty() ? table->FallbackName() : table->Name();
        auto *item = new QTreeWidgetItem(m_tables);
        item->setData(IdColumn, Qt::DisplayRole, table->Id());
        item->setText(NameColumn, name);
        item->setText(LocalNameColumn,
                      table->Attributes()->Item(QStringLiteral("localname"))->Value().toString());
        item->setText(InspectorColumn, table->InspectorName());
        subjects.append({WebBarSubject::Kind::Table, table->Id(), name, table->InspectorName()});
    }
    for (int column = 0; column < m_tables->columnCount(); ++column)
        m_tables->resizeColumnToContents(column);
    // However small the window, the table list shows its columns whole.
    m_tables->setMinimumWidth(m_tables->header()->length() + 2 * m_tables->frameWidth() +
                              m_tables->verticalScrollBar()->sizeHint().width());
    statusBar()->showMessage(
        tr("%n table(s) in %1", nullptr, tables->Count()).arg(database->DatabaseName()));
    m_webBar->setTables(subjects);
}

void MainWindow::selectionChanged()
{
    const QList<QTreeWidgetItem *> selected = m_tables->selectedItems();
    if (selected.isEmpty())
        return; // the web bar keeps what it shows
    const QTreeWidgetItem *item = selected.constFirst();
    const WebBarSubject subject{WebBarSubject::Kind::Table,
                                item->data(IdColumn, Qt::DisplayRole).toInt(),
                                item->text(NameColumn), item->text(InspectorColumn)};
    if (subject != m_webBar->subject())
        m_webBar->setSubject(subject);
}

void MainWindow::subjectChosen(const WebBarSubject &subject)
{
    if (subject.kind != WebBarSubject::Kind::Table) {
        m_tables->clearSelection();
        return;
    }
    for (int i = 0; i < m_tables->topLevelItemCount(); ++i) {
        QTreeWidgetItem *item = m_tables->topLevelItem(i);
        if (item->data(IdColumn, Qt::DisplayRole).toInt() == subject.tableId)
            m_tables->setCurrentItem(item);
    }
}

void MainWindow::configure()
{
    // The dialog may publish: the web bar waits, then shows the outcome.
    m_webBar->setPolling(false);
    {
        ConfigurationDialog dialog(m_application, this);
        if (dialog.loadPages())
            dialog.exec();
    }
    m_webBar->setPolling(true);
    m_webBar->setSubject(m_webBar->subject());
}

} // namespace Corvane::Host
