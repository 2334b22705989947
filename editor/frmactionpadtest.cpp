#include "editor/frmactionpadtest.h"

#include "editor/formsupport.h"
#include "editor/ucactionpadeditor.h"
#include "host/api/propertypage.h"
#include "platform/componentregistry.h"
#include "platform/latebinding.h"
#include "platform/programsettings.h"
#include "platform/runtimeerror.h"
#include "platform/twips.h"

#include <QBoxLayout>
#include <QGridLayout>
#include <QIcon>
#include <QLabel>
#include <QMessageBox>
#include <QPushButton>

namespace Brimble {

using Corvane::Host::IPropertyPage;

namespace {

// The page as the registry serves it, or constructed here when its class is
// not registered (or its library cannot serve it).
QWidget *createPage(QWidget *parent)
{
    const QString classId = QLatin1String(frmActionPadTest::PageClassId);
    auto &registry = Corvane::Platform::ComponentRegistry::instance();
    if (registry.isRegistered(classId)) {
        try {
            std::unique_ptr<QObject> object = registry.create(classId);
            if (auto *widget = qobject_cast<QWidget *>(object.get())) {
                object.release();
                widget->setParent(parent);
                return widget;
            }
            qCWarning(lcEditor) << classId << "is registered, but is no window control";
        } catch (const std::exception &error) {
            qCWarning(lcEditor).noquote() << FormSupport::errorDescription(error);
        }
    }
    return new ucActionPadEditor(parent);
}

QPushButton *makeButton(QWidget *parent, const char *name, const char *caption)
{
    auto *button = new QPushButton(QLatin1String(caption), parent);
    button->setObjectName(QLatin1String(name));
    FormSupport::setDesignMinimum(button, 1215, 375);
    return button;
}

QLabel *makeLabel(QWidget *parent, const char *name, const QString &caption, float width)
{
    auto *label = new QLabel(caption, parent);
    label->setObjectName(QLatin1String(name));
    label->setTextFormat(Qt::PlainText);
    label->setWordWrap(true);
    label->setAlignment(Qt::AlignLeft | Qt::AlignTop);
    FormSupport::setDesignMinimum(label, width, 255);
    return label;
}

} // namespace

frmActionPadTest::frmActionPadTest(QWidget *parent)
    : QWidget(parent)
{
    using FormSupport::setDesignMargins;
    setObjectName(QStringLiteral("frmActionPadTest"));
    setWindowTitle(QStringLiteral("actionpad test"));
    setFont(FormSupport::designFont());
    FormSupport::resizeClient(this, 8880, 5895);

    m_Page = createPage(this);
    m_Page->setObjectName(QStringLiteral("ucActionPadEditor"));
    m_Page->show();

    cmdActivate = makeButton(this, "cmdActivate", "activate");
    cmdApply = makeButton(this, "cmdApply", "apply");
    cmdCancel = makeButton(this, "cmdCancel", "cancel");
    cmdDeactivate = makeButton(this, "cmdDeactivate", "deactivate");
    cmdIsDirty = makeButton(this, "cmdIsDirty", "is dirty?");
    pcIcon = new QLabel(this);
    pcIcon->setObjectName(QStringLiteral("pcIcon"));
    pcIcon->setAlignment(Qt::AlignLeft | Qt::AlignTop);
    FormSupport::setDesignMinimum(pcIcon, 1215, 975);
    cmdQuit = makeButton(this, "cmdQuit", "quit");

    Label1 = makeLabel(this, "Label1", QStringLiteral("caption:"), 855);
    lblCaption = makeLabel(this, "lblCaption", QString(), 7575);
    Label2 = makeLabel(this, "Label2", QStringLiteral("description:"), 975);
    lblDescription = makeLabel(this, "lblDescription", QString(), 7575);
    Label3 = makeLabel(this, "Label3", QStringLiteral("is dirty:"), 855);
    lblIsDrity = makeLabel(this, "lblIsDrity", QString(), 7575);

    // The page left, the buttons in a column right of it, the answers below;
    // the page takes what the form grows by.
    auto *buttons = new QVBoxLayout;
    setDesignMargins(buttons, this, 0, 0, 0, 0, 105);
    for (QWidget *control :
         {static_cast<QWidget *>(cmdActivate), static_cast<QWidget *>(cmdApply),
          static_cast<QWidget *>(cmdCancel), static_cast<QWidget *>(cmdDeactivate),
          static_cast<QWidget *>(cmdIsDirty)})
        buttons->addWidget(control);
    buttons->addSpacing(Corvane::Platform::Twips::toPixels(240, this));
    buttons->addWidget(pcIcon);
    buttons->addWidget(cmdQuit);
    buttons->addStretch(1);

    // The page gets at least its design size (7095 x 4455 twips), and what
    // its own layout needs for its texts when that is more.
    auto *pageColumn = new QVBoxLayout;
    pageColumn->setContentsMargins(0, 0, 0, 0);
    pageColumn->addStrut(Corvane::Platform::Twips::toPixels(7095, this));
    pageColumn->addWidget(m_Page);
    auto *top = new QHBoxLayout;
    setDesignMargins(top, this, 0, 0, 0, 0, 225);
    top->addStrut(Corvane::Platform::Twips::toPixels(4455, this));
    top->addLayout(pageColumn, 1);
    top->addLayout(buttons);

    auto *answers = new QGridLayout;
    setDesignMargins(answers, this, 0, 0, 0, 0, 105);
    const std::pair<QLabel *, QLabel *> rows[] = {
        {Label1, lblCaption}, {Label2, lblDescription}, {Label3, lblIsDrity}};
    for (int row = 0; row < 3; ++row) {
        answers->addWidget(rows[row].first, row, 0);
        answers->addWidget(rows[row].second, row, 1);
    }
    answers->setColumnStretch(1, 1);

    auto *form = new QVBoxLayout(this);
    setDesignMargins(form, this, 120, 240, 225, 120, 0);
    form->addLayout(top, 1);
    form->addLayout(answers);

    connect(cmdActivate, &QPushButton::clicked, this, &frmActionPadTest::cmdActivate_Click);
    connect(cmdApply, &QPushButton::clicked, this, &frmActionPadTest::cmdApply_Click);
    connect(cmdCancel, &QPushButton::clicked, this, &frmActionPadTest::cmdCancel_Click);
    connect(cmdDeactivate, &QPushButton::clicked, this, &frmActionPadTest::cmdDeactivate_Click);
    connect(cmdIsDirty, &QPushButton::clicked, this, &frmActionPadTest::cmdIsDirty_Click);
    connect(cmdQuit, &QPushButton::clicked, this, &frmActionPadTest::cmdQuit_Click);

    Form_Load();
}

frmActionPadTest::~frmActionPadTest() = default;

void frmActionPadTest::Form_Load()
{
    CallPage([](IPropertyPage &page) { page.Activate(); });
    CallPage([this](IPropertyPage &) { Corvane::Platform::LateBinding::call(m_Page, "Test"); });
    CallPage([this](IPropertyPage &page) {
        lblCaption->setText(page.Caption());
        lblDescription->setText(page.Description());
        pcIcon->setPixmap(page.Icon().pixmap(32, 32));
    });
    cmdIsDirty_Click();
}

void frmActionPadTest::CallPage(const std::function<void(IPropertyPage &)> &call)
{
    try {
        auto *page = qobject_cast<IPropertyPage *>(m_Page);
        if (!page)
            Corvane::Platform::raiseError(
                Corvane::Platform::ErrorNumber::MemberNotFound, QStringLiteral("frmActionPadTest"),
                QStringLiteral("the page %1 is no property page").arg(m_Page->objectName()));
        call(*page);
    } catch (const Corvane::Platform::RuntimeError &error) {
        QMessageBox::critical(this, windowTitle(), error.toString());
    } catch (const std::exception &error) {
        QMessageBox::critical(this, windowTitle(), QString::fromLocal8Bit(error.what()));
    }
}

void frmActionPadTest::cmdActivate_Click()
{
    CallPage([](IPropertyPage &page) { page.Activate(); });
}

void frmActionPadTest::cmdApply_Click()
{
    CallPage([](IPropertyPage &page) { page.Apply(); });
}

void frmActionPadTest::cmdCancel_Click()
{
    CallPage([](IPropertyPage &page) { page.Cancel(); });
}

void frmActionPadTest::cmdDeactivate_Click()
{
    CallPage([](IPropertyPage &page) { page.Deactivate(); });
}

void frmActionPadTest::cmdIsDirty_Click()
{
    CallPage([this](IPropertyPage &page) {
        lblIsDrity->setText(Corvane::Platform::booleanText(page.Dirty()));
    });
}

void frmActionPadTest::cmdQuit_Click()
{
    close();
}

} // namespace Brimble
