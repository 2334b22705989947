#include "editor/ucactionpadeditor.h"

#include "addin/applicationmanager.h"
#include "addin/resourcemanager.h"
#include "addin/vbdebug.h"
#include "editor/actionpadpublisher.h"
#include "editor/formsupport.h"
#include "host/api/utility.h"
#include "platform/componentregistry.h"

#include <QBoxLayout>
#include <QGroupBox>
#include <QLabel>
#include <QPushButton>
#include <QShowEvent>

namespace Brimble {

namespace {

using FormSupport::errorDescription;
using ResourceManager::GetText;

const QString kSection = QStringLiteral("ActionPadEditor");

} // namespace

ucActionPadEditor::ucActionPadEditor(QWidget *parent)
    : QWidget(parent)
{
    using FormSupport::setDesignMargins;
    using FormSupport::setDesignMinimum;
    setObjectName(QStringLiteral("ucActionPadEditor"));
    setFont(FormSupport::designFont());
    FormSupport::resizeClient(this, 6750, 4605);

    // The frame fills the page, whatever size the host gives it; the design
    // geometry (page 6750 x 4605 twips) is the smallest the page becomes.
    frmPublish = new QGroupBox(QStringLiteral("frmPublish"), this);
    frmPublish->setObjectName(QStringLiteral("frmPublish"));

    Picture2 = new QWidget(frmPublish);
    Picture2->setObjectName(QStringLiteral("Picture2"));

    // The help text left of the publish button; both grow with their texts.
    lblPublishHelp = new QLabel(QStringLiteral("lblPublishHelp"), Picture2);
    lblPublishHelp->setObjectName(QStringLiteral("lblPublishHelp"));
    lblPublishHelp->setTextFormat(Qt::PlainText);
    lblPublishHelp->setWordWrap(true);
    lblPublishHelp->setAlignment(Qt::AlignLeft | Qt::AlignTop);
    setDesignMinimum(lblPublishHelp, 4815, 855);

    cmdPublishActionPads = new QPushButton(QStringLiteral("cmdPublishActionPads"), Picture2);
    cmdPublishActionPads->setObjectName(QStringLiteral("cmdPublishActionPads"));
    setDesignMinimum(cmdPublishActionPads, 1095, 345);

    lblStatus = new QLabel(QStringLiteral("lblStatus"), frmPublish);
    lblStatus->setObjectName(QStringLiteral("lblStatus"));
    lblStatus->setTextFormat(Qt::PlainText);
    lblStatus->setWordWrap(true);
    lblStatus->setAlignment(Qt::AlignLeft | Qt::AlignTop);
    setDesignMinimum(lblStatus, 6255, 2820);

    auto *pageLayout = new QVBoxLayout(this);
    pageLayout->setContentsMargins(0, 0, 0, 0);
    pageLayout->addWidget(frmPublish);

    auto *helpRow = new QHBoxLayout(Picture2);
    setDesignMargins(helpRow, this, 120, 120, 240, 120, 225);
    helpRow->addWidget(lblPublishHelp, 1);
    helpRow->addWidget(cmdPublishActionPads, 0, Qt::AlignTop);

    auto *frameLayout = new QVBoxLayout(frmPublish);
    setDesignMargins(frameLayout, this, 120, 0, 120, 120, 225);
    frameLayout->addWidget(Picture2);
    auto *statusRow = new QHBoxLayout;
    setDesignMargins(statusRow, this, 120, 0, 120, 0, 0);
    statusRow->addWidget(lblStatus);
    frameLayout->addLayout(statusRow, 1);

    m_Publisher = new ActionPadPublisher(this);
    connect(cmdPublishActionPads, &QPushButton::clicked, m_Publisher, &ActionPadPublisher::Publish);
    connect(m_Publisher, &ActionPadPublisher::PublishingChanged, cmdPublishActionPads,
            [this](bool publishing) { cmdPublishActionPads->setEnabled(!publishing); });
    connect(m_Publisher, &ActionPadPublisher::StatusChanged, this, [this](const QString &text) {
        lblStatus->setText(text);
        emit StatusChanged(text);
    });
    connect(m_Publisher, &ActionPadPublisher::OutcomeChanged, this,
            &ucActionPadEditor::PublishOutcomeChanged);
}

ucActionPadEditor::~ucActionPadEditor() = default;

QString ucActionPadEditor::Caption() const
{
    return GetText(QStringLiteral("Caption"), kSection);
}

QString ucActionPadEditor::Description() const
{
    return GetText(QStringLiteral("Description"), kSection);
}

QIcon ucActionPadEditor::Icon() const
{
    const QString module = Corvane::Platform::modulePath(&staticMetaObject);
    try {
        return ApplicationManager::Utility().LoadIconResource(module, QStringLiteral("ACTIONPAD"),
                                                              32, 32);
    } catch (const std::exception &error) {
        // The page's contract cannot fail: without the host's utility object
        // the icon comes straight from this library's resources.
        VBDebug::DebugPrint(
            QStringLiteral("icon ACTIONPAD of %1: %2").arg(module, errorDescription(error)));
        return QIcon(QStringLiteral(":/modules/corvane-brimble/icons/ACTIONPAD.xpm"));
    }
}

QVariantMap ucActionPadEditor::AnalyzePublish()
{
    return m_Publisher->Analyze();
}

QString ucActionPadEditor::PublishOutcome() const
{
    return m_Publisher->Outcome();
}

void ucActionPadEditor::showEvent(QShowEvent *event)
{
    QWidget::showEvent(event);
    // Shown by the dialog (a page selected, the dialog opened); a window that
    // the window system merely restores keeps its captions and its status.
    if (!event->spontaneous())
        LocalizeControls(); // UserControl_Show
}

void ucActionPadEditor::LocalizeControls()
{
    frmPublish->setTitle(GetText(QStringLiteral("frmPublish"), kSection));
    lblPublishHelp->setText(GetText(QStringLiteral("lblPublishHelp"), kSection));
    m_Publisher->ResetStatus();
    lblStatus->setText(m_Publisher->Status());
    cmdPublishActionPads->setText(GetText(QStringLiteral("cmdPublishActionPads"), kSection));
    FormSupport::setDesignMinimum(cmdPublishActionPads, 1095, 345);
}

} // namespace Brimble
