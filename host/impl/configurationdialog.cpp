#include "configurationdialog.h"

#include "application.h"

#include "host/api/propertypage.h"
#include "platform/eventstatus.h"
#include "platform/runtimeerror.h"

#include <QDialogButtonBox>
#include <QLabel>
#include <QPushButton>
#include <QSignalBlocker>
#include <QTabWidget>
#include <QVBoxLayout>

namespace Corvane::Host {

namespace Internal {

// The page collection handed to BeforeConfigure.
class PageCollection final : public IPages
{
public:
    explicit PageCollection(ConfigurationDialog &dialog)
        : m_dialog(dialog)
    {
    }
    void Add(QObject *page) override
    {
        m_dialog.addPage(page);
        ++m_count;
    }
    int Count() const override { return m_count; }

private:
    ConfigurationDialog &m_dialog;
    int m_count = 0;
};

} // namespace Internal

namespace {

IPropertyPage *propertyPage(QWidget *page)
{
    return qobject_cast<IPropertyPage *>(page);
}

} // namespace

ConfigurationDialog::ConfigurationDialog(Application &application, QWidget *parent)
    : QDialog(parent)
    , m_application(application)
    , m_tabs(new QTabWidget(this))
    , m_noPages(new QLabel(tr("No add-in offers a configuration page."), this))
    , m_buttons(new QDialogButtonBox(
          QDialogButtonBox::Ok | QDialogButtonBox::Cancel | QDialogButtonBox::Apply, this))
{
    setObjectName(QStringLiteral("ConfigurationDialog"));
    setWindowTitle(tr("Configuration - %1").arg(application.ApplicationTitle()));
    m_tabs->setObjectName(QStringLiteral("pageTabs"));
    m_noPages->setObjectName(QStringLiteral("noPagesLabel"));
    m_noPages->setAlignment(Qt::AlignCenter);
    m_buttons->setObjectName(QStringLiteral("buttonBox"));
    m_buttons->button(QDialogButtonBox::Ok)->setObjectName(QStringLiteral("okButton"));
    m_buttons->button(QDialogButtonBox::Cancel)->setObjectName(QStringLiteral("cancelButton"));
    m_buttons->button(QDialogButtonBox::Apply)->setObjectName(QStringLiteral("applyButton"));
    m_buttons->button(QDialogButtonBox::Ok)->setDefault(true);
    m_tabs->hide();

    auto *layout = new QVBoxLayout(this);
    layout->addWidget(m_tabs, 1);
    layout->addWidget(m_noPages, 1);
    layout->addWidget(m_buttons);
    resize(720, 540);

    connect(m_buttons, &QDialogButtonBox::accepted, this, &ConfigurationDialog::accept);
    connect(m_buttons, &QDialogButtonBox::rejected, this, &ConfigurationDialog::reject);
    connect(m_buttons->button(QDialogButtonBox::Apply), &QPushButton::clicked, this,
            &ConfigurationDialog::applyAll);
    connect(m_tabs, &QTabWidget::currentChanged, this, &ConfigurationDialog::currentChanged);
}

ConfigurationDialog::~ConfigurationDialog() = default;

bool ConfigurationDialog::loadPages()
{
    Internal::PageCollection collection(*this);
    bool cancel = false;
    Platform::EventStatus status;
    emit m_application.BeforeConfigure(&collection, &cancel, &status);
    if (status.failed()) {
        const Platform::RuntimeError &error = status.error();
        m_application.MessageBox(
            tr("A configuration page could not be prepared: %1").arg(error.description()),
            MessageBoxCode::OkOnly | MessageBoxCode::Exclamation, error.source());
    }
    if (!m_current && m_tabs->count() > 0)
        currentChanged(m_tabs->currentIndex());
    return !cancel;
}

void ConfigurationDialog::addPage(QObject *object)
{
    auto *page = qobject_cast<QWidget *>(object);
    IPropertyPage *contract = page ? propertyPage(page) : nullptr;
    if (!contract)
        Platform::raiseError(
            Platform::ErrorNumber::TypeMismatch, QStringLiteral("Pages"),
            QStringLiteral("the object of class %1 is no configuration page (a widget that "
                           "implements IPropertyPage)")
                .arg(object ? QString::fromLatin1(object->metaObject()->className())
                            : QStringLiteral("(null)")));
    QString caption;
    QIcon icon;
    guarded(tr("reading the page's caption"), [&] {
        caption = contract->Caption();
        icon = contract->Icon();
    });
    if (caption.isEmpty())
        caption = page->objectName().isEmpty() ? tr("Page %1").arg(m_tabs->count() + 1)
                                               : page->objectName();
    if (page->objectName().isEmpty())
        page->setObjectName(QString::fromLatin1(page->metaObject()->className()));
    {
        // A page is activated when the dialog is ready, not while it is being added.
        const QSignalBlocker blocker(m_tabs);
        m_tabs->addTab(page, icon, caption);
    }
    m_tabs->show();
    m_noPages->hide();
}

QList<QWidget *> ConfigurationDialog::pages() const
{
    QList<QWidget *> list;
    for (int i = 0; i < m_tabs->count(); ++i)
        list.append(m_tabs->widget(i));
    return list;
}

QWidget *ConfigurationDialog::findPage(const QString &name) const
{
    for (QWidget *page : pages()) {
        const QString className = QString::fromLatin1(page->metaObject()->className());
        if (page->objectName() == name || className == name ||
            className.endsWith(QStringLiteral("::") + name))
            return page;
    }
    return nullptr;
}

void ConfigurationDialog::setCurrentPage(QWidget *page)
{
    const int index = m_tabs->indexOf(page);
    if (index < 0)
        return;
    if (index == m_tabs->currentIndex() && m_current != page)
        currentChanged(index);
    else
        m_tabs->setCurrentIndex(index);
}

void ConfigurationDialog::currentChanged(int index)
{
    QWidget *page = m_tabs->widget(index);
    if (page == m_current)
        return;
    if (QWidget *left = m_current) {
        guarded(tr("leaving the page %1").arg(left->objectName()),
                [left] { propertyPage(left)->Deactivate(); });
    }
    m_current = page;
    if (page)
        guarded(tr("opening the page %1").arg(page->objectName()),
                [page] { propertyPage(page)->Activate(); });
}

void ConfigurationDialog::applyAll()
{
    for (QWidget *page : pages())
        guarded(tr("applying the page %1").arg(page->objectName()),
                [page] { propertyPage(page)->Apply(); });
}

void ConfigurationDialog::cancelAll()
{
    for (QWidget *page : pages())
        guarded(tr("cancelling the page %1").arg(page->objectName()),
                [page] { propertyPage(page)->Cancel(); });
}

void ConfigurationDialog::accept()
{
    bool ok = true;
    for (QWidget *page : pages())
        ok = guarded(tr("applying the page %1").arg(page->objectName()),
                     [page] { propertyPage(page)->Apply(); }) &&
             ok;
    if (ok)
        QDialog::accept();
}

void ConfigurationDialog::showEvent(QShowEvent *event)
{
    // Pages may set their localised captions only once they are shown.
    for (int i = 0; i < m_tabs->count(); ++i) {
        QString caption;
        IPropertyPage *contract = propertyPage(m_tabs->widget(i));
        guarded(tr("reading the page's caption"), [&] { caption = contract->Caption(); });
        if (!caption.isEmpty())
            m_tabs->setTabText(i, caption);
    }
    QDialog::showEvent(event);
}

void ConfigurationDialog::reject()
{
    cancelAll();
    QDialog::reject();
}

bool ConfigurationDialog::guarded(const QString &what, const std::function<void()> &call)
{
    try {
        call();
        return true;
    } catch (const Platform::RuntimeError &error) {
        m_application.MessageBox(
            tr("The configuration failed while %1: %2").arg(what, error.description()),
            MessageBoxCode::OkOnly | MessageBoxCode::Exclamation, error.source());
    } catch (const std::exception &error) {
        m_application.MessageBox(tr("The configuration failed while %1: %2")
                                     .arg(what, QString::fromLocal8Bit(error.what())),
                                 MessageBoxCode::OkOnly | MessageBoxCode::Exclamation);
    }
    return false;
}

} // namespace Corvane::Host
