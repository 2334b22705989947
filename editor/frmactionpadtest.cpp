#include "editor/frmactionpadtest.h"

#include "editor/formsupport.h"
#include "editor/ucactionpadeditor.h"
#include "platform/componentregistry.h"
#include "platform/latebinding.h"
#include "platform/programsettings.h"
#include "platform/runtimeerror.h"

#include <QIcon>
#include <QLabel>
#include <QMessageBox>
#include <QPushButton>

namespace Brimble {

namespace {

using FormSupport::place;

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

QPushButton *makeButton(QWidget *parent, const char *name, const char *caption, float top)
{
    auto *button = new QPushButton(QLatin1String(caption), parent);
    button->setObjectName(QLatin1String(name));
    place(button, 7440, top, 1215, 375);
    return button;
}

QLabel *makeLabel(QWidget *parent, const char *name, const QString &caption, float left, float top,
                  float width)
{
    auto *label = new QLabel(caption, parent);
    label->setObjectName(QLatin1String(name));
    label->setTextFormat(Qt::PlainText);
    place(label, left, top, width, 255);
    return label;
}

} // namespace

frmActionPadTest::frmActionPadTest(QWidget *parent)
    : QWidget(parent)
{
    setObjectName(QStringLiteral("frmActionPadTest"));
    setWindowTitle(QStringLiteral("actionpad test"));
    setFont(FormSupport::designFont());
    FormSupport::resizeClient(this, 8880, 5895);

    m_Page = createPage(this);
    m_Page->setObjectName(QStringLiteral("ucActionPadEditor"));
    place(m_Page, 120, 240, 7095, 4455);
    m_Page->show();

    cmdActivate = makeButton(this, "cmdActivate", "activate", 240);
    cmdApply = makeButton(this, "cmdApply", "apply", 720);
    cmdCancel = makeButton(this, "cmdCancel", "cancel", 1200);
    cmdDeactivate = makeButton(this, "cmdDeactivate", "deactivate", 1680);
    cmdIsDirty = makeButton(this, "cmdIsDirty", "is dirty?", 2160);
    pcIcon = new QLabel(this);
    pcIcon->setObjectName(QStringLiteral("pcIcon"));
    pcIcon->setAlignment(Qt::AlignLeft | Qt::AlignTop);
    place(pcIcon, 7440, 2880, 1215, 975);
    cmdQuit = makeButton(this, "cmdQuit", "quit", 3960);

    Label1 = makeLabel(this, "Label1", QStringLiteral("caption:"), 120, 4680, 855);
    lblCaption = makeLabel(this, "lblCaption", QString(), 1080, 4680, 7575);
    Label2 = makeLabel(this, "Label2", QStringLiteral("description:"), 120, 5040, 975);
    lblDescription = makeLabel(this, "lblDescription", QString(), 1080, 5040, 7575);
    Label3 = makeLabel(this, "Label3", QStringLiteral("is dirty:"), 120, 5400, 855);
    lblIsDrity = makeLabel(this, "lblIsDrity", QString(), 1080, 5400, 7575);

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
    CallPage("PropertyPage_Activate");
    CallPage("Test");
    lblCaption->setText(CallPage("PropertyPage_Caption").toString());
    lblDescription->setText(CallPage("PropertyPage_Description").toString());
    lblIsDrity->setText(Corvane::Platform::booleanText(CallPage("PropertyPage_Dirty").toBool()));
    const QIcon icon = qvariant_cast<QIcon>(CallPage("PropertyPage_Icon"));
    pcIcon->setPixmap(icon.pixmap(32, 32));
}

QVariant frmActionPadTest::CallPage(const char *member)
{
    try {
        return Corvane::Platform::LateBinding::call(m_Page, member);
    } catch (const Corvane::Platform::RuntimeError &error) {
        QMessageBox::critical(this, windowTitle(), error.toString());
    } catch (const std::exception &error) {
        QMessageBox::critical(this, windowTitle(), QString::fromLocal8Bit(error.what()));
    }
    return {};
}

void frmActionPadTest::cmdActivate_Click()
{
    CallPage("PropertyPage_Activate");
}

void frmActionPadTest::cmdApply_Click()
{
    CallPage("PropertyPage_Apply");
}

void frmActionPadTest::cmdCancel_Click()
{
    CallPage("PropertyPage_Cancel");
}

void frmActionPadTest::cmdDeactivate_Click()
{
    CallPage("PropertyPage_Deactivate");
}

void frmActionPadTest::cmdIsDirty_Click()
{
    lblIsDrity->setText(Corvane::Platform::booleanText(CallPage("PropertyPage_Dirty").toBool()));
}

void frmActionPadTest::cmdQuit_Click()
{
    close();
}

} // namespace Brimble
