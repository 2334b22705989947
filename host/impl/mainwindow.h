#pragma once

#include "host_global.h"

#include <QMainWindow>

class QTreeWidget;

namespace Corvane::Host {

class Application;
class WebBar;
struct WebBarSubject;

// The administration window: the database's tables, the web bar with the
// published action pad of the selected table (or of the database, or of the
// overview), and Tools > Configure..., which opens the configuration dialog
// with the pages that the add-ins contribute.
class CORVANE_HOST_EXPORT MainWindow final : public QMainWindow
{
    Q_OBJECT
public:
    explicit MainWindow(Application &application, QWidget *parent = nullptr);
    ~MainWindow() override;
    Q_DISABLE_COPY_MOVE(MainWindow)

    // Reads the table list anew from the database.
    void reloadTables();

public slots:
    // Opens the configuration dialog (modal); the web bar then shows what
    // it published.
    void configure();

private:
    void selectionChanged();
    void subjectChosen(const WebBarSubject &subject);

    Application &m_application;
    QTreeWidget *m_tables;
    WebBar *m_webBar;
};

} // namespace Corvane::Host
