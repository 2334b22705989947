#include "publish/frmeditarchiveduplicates.h"

#include "addin/applicationmanager.h"
#include "addin/resourcemanager.h"
#include "addin/ui.h"
#include "addin/vbdebug.h"
#include "host/api/utility.h"
#include "platform/componentregistry.h"
#include "platform/runtimeerror.h"
#include "platform/shell.h"
#include "platform/twips.h"

#include <QEvent>
#include <QHeaderView>
#include <QKeyEvent>
#include <QLabel>
#include <QMetaProperty>
#include <QPushButton>
#include <QTimer>
#include <QTreeWidget>

#include <algorithm>
#include <cmath>

namespace Brimble {

namespace Twips = Corvane::Platform::Twips;

namespace {

const QString kSection = QStringLiteral("frmEditArchiveDuplicates");

// Design geometry in twips: client area 8085 x 5055.
constexpr float kDesignClientWidth = 8085.0f;
constexpr float kDesignClientHeight = 5055.0f;
constexpr float kMargin = 120.0f;
constexpr float kLabelLeft = 120.0f, kLabelTop = 120.0f, kLabelWidth = 7935.0f,
                kLabelHeight = 495.0f;
constexpr float kListLeft = 120.0f, kListTop = 600.0f, kListWidth = 7815.0f, kListHeight = 3855.0f;
constexpr float kButtonTop = 4560.0f, kButtonWidth = 1215.0f, kButtonHeight = 375.0f;
constexpr float kContinueLeft = 5400.0f, kCancelLeft = 6720.0f;

constexpr float kDefaultColumn1 = 2300.0f;
constexpr float kDefaultColumn2 = 5050.0f;

constexpr int kKeyRole = Qt::UserRole;

// Anchor for the path of this library, whose icon resources the host loads.
const char kModuleAnchor = 0;

// One row: keyed by the record's SourceFilename, tagged with the record.
// Rows sort by archive name without regard to case and, among names that
// differ only in case, exactly: equal names always stand together.
class DuplicateItem final : public QTreeWidgetItem
{
public:
    explicit DuplicateItem(ArchiveRecord *record)
        : tag(record)
    {
    }

    bool operator<(const QTreeWidgetItem &other) const override
    {
        const int column = treeWidget() ? treeWidget()->sortColumn() : 0;
        const QString a = text(column);
        const QString b = other.text(column);
        const int folded = a.compare(b, Qt::CaseInsensitive);
        return folded != 0 ? folded < 0 : a.compare(b, Qt::CaseSensitive) < 0;
    }

    // The record, in the collection the dialog was given.
    ArchiveRecord *tag;
};

float storedTwips(const QString &key, float defaultValue)
{
    const QVariant value =
        ApplicationManager::GetAddinSetting(kSection, key, QVariant(defaultValue));
    bool ok = false;
    const float result = value.toFloat(&ok);
    if (!ok)
        Corvane::Platform::raiseError(
            Corvane::Platform::ErrorNumber::TypeMismatch, kSection,
            QStringLiteral("the stored window setting \"%1\" is \"%2\", not a number of twips; "
                           "delete the setting to get the default back")
                .arg(key, value.toString()));
    return result;
}

// Rounded to the nearest integer, halves to even.
qint32 roundTwips(float value)
{
    return static_cast<qint32>(std::nearbyint(value));
}

int pixelsAtLeast(float twips, const QWidget *widget)
{
    return static_cast<int>(std::ceil(twips / Twips::perPixel(widget)));
}

} // namespace

frmEditArchiveDuplicates::frmEditArchiveDuplicates(QWidget *parent)
    : QDialog(parent)
{
    setObjectName(QStringLiteral("frmEditArchiveDuplicates"));
    setWindowFlag(Qt::WindowContextHelpButtonHint, false);
    QFont font(QStringLiteral("Microsoft Sans Serif"));
    font.setPointSizeF(8.25);
    setFont(font);

    lblDescription = new QLabel(this);
    lblDescription->setObjectName(QStringLiteral("lblDescription"));
    lblDescription->setWordWrap(true);
    lblDescription->setAlignment(Qt::AlignLeft | Qt::AlignTop);

    lvArchiveFiles = new QTreeWidget(this);
    lvArchiveFiles->setObjectName(QStringLiteral("lvArchiveFiles"));
    lvArchiveFiles->header()->setStretchLastSection(false);
    lvArchiveFiles->viewport()->installEventFilter(this);

    cmdContinuePublishing = new QPushButton(this);
    cmdContinuePublishing->setObjectName(QStringLiteral("cmdContinuePublishing"));
    cmdContinuePublishing->setDefault(true);
    connect(cmdContinuePublishing, &QPushButton::clicked, this,
            &frmEditArchiveDuplicates::cmdContinuePublishing_Click);

    cmdCancelPublishing = new QPushButton(this);
    cmdCancelPublishing->setObjectName(QStringLiteral("cmdCancelPublishing"));
    connect(cmdCancelPublishing, &QPushButton::clicked, this,
            &frmEditArchiveDuplicates::cmdCancelPublishing_Click);

    place(lblDescription, kLabelLeft, kLabelTop, kLabelWidth, kLabelHeight);
    place(lvArchiveFiles, kListLeft, kListTop, kListWidth, kListHeight);
    place(cmdContinuePublishing, kContinueLeft, kButtonTop, kButtonWidth, kButtonHeight);
    place(cmdCancelPublishing, kCancelLeft, kButtonTop, kButtonWidth, kButtonHeight);
    m_lvWidth = kListWidth;
    m_lvHeight = kListHeight;

    UpdateMinimumSize();
    resize(Twips::toPixels(kDesignClientWidth, this), Twips::toPixels(kDesignClientHeight, this));
}

frmEditArchiveDuplicates::~frmEditArchiveDuplicates() = default;

void frmEditArchiveDuplicates::setArchiveFiles(std::shared_ptr<ArchiveFileCollection> files)
{
    m_ArchiveFiles = std::move(files);
}

qint16 frmEditArchiveDuplicates::DoModal()
{
    Form_Load();
    exec();
    return m_ResultCode;
}

qint16 frmEditArchiveDuplicates::DefaultChoice()
{
    FillList();
    SelectDefaultFiles();
    cmdContinuePublishing_Click();
    return m_ResultCode;
}

float frmEditArchiveDuplicates::OuterWidth() const
{
    return Twips::fromPixels(width(), this) + kFrameWidth;
}

float frmEditArchiveDuplicates::OuterHeight() const
{
    return Twips::fromPixels(height(), this) + kFrameHeight;
}

void frmEditArchiveDuplicates::Form_Load()
{
    LocalizeControls();
    LoadIcons();

    lvArchiveFiles->setRootIsDecorated(false);
    lvArchiveFiles->setEditTriggers(QAbstractItemView::NoEditTriggers);
    lvArchiveFiles->setSelectionMode(QAbstractItemView::SingleSelection);
    lvArchiveFiles->setSortingEnabled(true);
    lvArchiveFiles->sortByColumn(0, Qt::AscendingOrder);
    // The order stays the one the default choice was made in.
    lvArchiveFiles->header()->setSectionsClickable(false);
    // The two further display options: full-row selection and alternating row colours.
    lvArchiveFiles->setSelectionBehavior(QAbstractItemView::SelectRows);
    lvArchiveFiles->setAllColumnsShowFocus(true);
    lvArchiveFiles->setAlternatingRowColors(true);
    lvArchiveFiles->setUniformRowHeights(true);

    VBDebug::DebugPrint(
        QStringLiteral("*** TODO: frmEditArchiveDuplicates.Form_Load set icons for files"));

    lvArchiveFiles->setColumnCount(2);
    QTreeWidgetItem *header = lvArchiveFiles->headerItem();
    header->setText(0, ResourceManager::GetText(QStringLiteral("chArchiveName"), kSection));
    header->setData(0, kKeyRole, QStringLiteral("archivename"));
    header->setText(1, ResourceManager::GetText(QStringLiteral("chSourceFilename"), kSection));
    header->setData(1, kKeyRole, QStringLiteral("sourcefilename"));

    UI::SetColumnWidth(lvArchiveFiles, 1, storedTwips(QStringLiteral("lva-1"), kDefaultColumn1),
                       false);
    UI::SetColumnWidth(lvArchiveFiles, 2, storedTwips(QStringLiteral("lva-2"), kDefaultColumn2),
                       false);

    FillList();
    SelectDefaultFiles();
    RestoreSize();
    m_Loaded = true;
}

void frmEditArchiveDuplicates::LocalizeControls()
{
    setWindowTitle(ResourceManager::GetText(QStringLiteral("Caption"), kSection));
    lblDescription->setText(ResourceManager::GetText(QStringLiteral("lblDescription"), kSection));
    cmdCancelPublishing->setText(
        ResourceManager::GetText(QStringLiteral("cmdCancelPublishing"), kSection));
    cmdContinuePublishing->setText(
        ResourceManager::GetText(QStringLiteral("cmdContinuePublishing"), kSection));
    UpdateMinimumSize();
}

float frmEditArchiveDuplicates::ButtonWidth(const QPushButton *button) const
{
    return std::max(kButtonWidth, Twips::fromPixels(button->sizeHint().width(), this));
}

float frmEditArchiveDuplicates::TextHeight(float width) const
{
    return Twips::fromPixels(lblDescription->heightForWidth(Twips::toPixels(width, this)), this);
}

void frmEditArchiveDuplicates::UpdateMinimumSize()
{
    // The design size, or more when the texts need it: both buttons side by
    // side, the whole description, and the list at its design height.
    const float width =
        std::max(kDesignClientWidth, ButtonWidth(cmdContinuePublishing) +
                                         ButtonWidth(cmdCancelPublishing) + 3.0f * kMargin);
    const float outerWidth = width + kFrameWidth;
    const float height =
        kDesignClientHeight + std::max(0.0f, TextHeight(outerWidth - 390.0f) - kLabelHeight);
    setMinimumSize(pixelsAtLeast(width, this), pixelsAtLeast(height, this));
}

void frmEditArchiveDuplicates::LoadIcons()
{
    // A missing icon leaves the dialog without one; nothing else depends on it.
    try {
        const Corvane::Host::IUtility &utility = ApplicationManager::Utility();
        const QString module = Corvane::Platform::modulePath(&kModuleAnchor);
        const QString name = QStringLiteral("ACTIONPAD");
        ilActionPadIcons.append(utility.LoadIconResource(module, name, 16, 16));
        setWindowIcon(utility.LoadIconResource(module, name, 16, 16));
    } catch (const std::exception &) {
    }
}

void frmEditArchiveDuplicates::FillList()
{
    QList<QTreeWidgetItem *> rows;
    if (m_ArchiveFiles) {
        for (ArchiveRecord &record : *m_ArchiveFiles) {
            if (!record.DuplicateArchiveFileExists())
                continue;
            auto *row = new DuplicateItem(&record);
            row->setData(0, kKeyRole, record.SourceFilename());
            row->setText(0, record.ArchiveFilename());
            row->setText(1, record.SourceFilename());
            row->setFlags((row->flags() | Qt::ItemIsUserCheckable) & ~Qt::ItemIsEditable);
            row->setCheckState(0, Qt::Unchecked);
            rows.append(row);
        }
    }
    // Added in one go with sorting off, then sorted once.
    lvArchiveFiles->setSortingEnabled(false);
    lvArchiveFiles->addTopLevelItems(rows);
    lvArchiveFiles->setSortingEnabled(true);
    lvArchiveFiles->sortByColumn(0, Qt::AscendingOrder);
    lvArchiveFiles->header()->setSectionsClickable(false);
}

void frmEditArchiveDuplicates::SelectDefaultFiles()
{
    // The first row of each group of names equal without regard to case is
    // included: names that differ only in case clash as equal ones do.
    QString previous;
    for (int i = 0; i < lvArchiveFiles->topLevelItemCount(); ++i) {
        QTreeWidgetItem *row = lvArchiveFiles->topLevelItem(i);
        const QString name = row->text(0);
        if (i == 0 || name.compare(previous, Qt::CaseInsensitive) != 0)
            row->setCheckState(0, Qt::Checked);
        previous = name;
    }
}

void frmEditArchiveDuplicates::RestoreSize()
{
    const float outerWidth = storedTwips(QStringLiteral("Width"), OuterWidth());
    const float outerHeight = storedTwips(QStringLiteral("Height"), OuterHeight());
    const QSize before = size();
    resize(Twips::toPixels(outerWidth - kFrameWidth, this),
           Twips::toPixels(outerHeight - kFrameHeight, this));
    // A hidden window gets its resize event only when shown: lay out now.
    if (size() != before)
        Form_Resize();
}

void frmEditArchiveDuplicates::Form_Resize()
{
    const float W = OuterWidth();
    const float H = OuterHeight();
    const float c1 = Twips::fromPixels(lvArchiveFiles->columnWidth(0), this);
    const float c2 = m_lvWidth - (c1 + 300.0f);

    // The label is as tall as its text needs, at least its design height;
    // the list starts below the text where the text reaches past its top.
    const float textHeight = TextHeight(W - 390.0f);
    const float labelHeight = std::max(kLabelHeight, textHeight);
    const float listTop = std::max(kListTop, kLabelTop + textHeight);
    const float continueWidth = ButtonWidth(cmdContinuePublishing);
    const float cancelWidth = ButtonWidth(cmdCancelPublishing);

    m_lvWidth = W - 390.0f;
    m_lvHeight = H - (kButtonHeight + labelHeight + 4.0f * kMargin + 300.0f);
    place(lblDescription, kLabelLeft, kLabelTop, W - 390.0f, labelHeight);
    place(lvArchiveFiles, kListLeft, listTop, m_lvWidth, m_lvHeight);

    UI::SetColumnWidth(lvArchiveFiles, 1, c1, false);
    UI::SetColumnWidth(lvArchiveFiles, 2, c2, false);

    const float buttonTop = H - (kButtonHeight + kMargin + 400.0f);
    place(cmdContinuePublishing, W - (cancelWidth + continueWidth + 3.0f * kMargin), buttonTop,
          continueWidth, kButtonHeight);
    place(cmdCancelPublishing, W - (cancelWidth + 2.0f * kMargin), buttonTop, cancelWidth,
          kButtonHeight);

    ApplicationManager::SaveAddinSetting(kSection, QStringLiteral("Width"), roundTwips(W));
    ApplicationManager::SaveAddinSetting(kSection, QStringLiteral("Height"), roundTwips(H));
    ApplicationManager::SaveAddinSetting(kSection, QStringLiteral("lva-1"), roundTwips(c1));
    ApplicationManager::SaveAddinSetting(kSection, QStringLiteral("lva-2"), roundTwips(c2));
}

void frmEditArchiveDuplicates::ResizeAfterEvent()
{
    // From the event loop no error may escape: a layout that cannot store its
    // sizes still leaves the window usable.
    try {
        Form_Resize();
    } catch (const Corvane::Platform::RuntimeError &error) {
        VBDebug::DebugPrint(QStringLiteral("frmEditArchiveDuplicates: ") + error.toString());
    } catch (const std::exception &error) {
        VBDebug::DebugPrint(QStringLiteral("frmEditArchiveDuplicates: ") +
                            QString::fromLocal8Bit(error.what()));
    }
}

void frmEditArchiveDuplicates::place(QWidget *control, float left, float top, float width,
                                     float height)
{
    control->setGeometry(Twips::toPixels(left, this), Twips::toPixels(top, this),
                         Twips::toPixels(width, this), Twips::toPixels(height, this));
}

void frmEditArchiveDuplicates::resizeEvent(QResizeEvent *event)
{
    QDialog::resizeEvent(event);
    // Before the first display the load lays out itself (and the display does it again).
    if (m_Loaded && isVisible()) {
        ResizeAfterEvent();
        // Column 2 follows the list's width of the pass before: one more pass
        // right after this one lets it fill the list as the window grew.
        QTimer::singleShot(0, this, [this] {
            if (isVisible())
                ResizeAfterEvent();
        });
    }
}

void frmEditArchiveDuplicates::showEvent(QShowEvent *event)
{
    QDialog::showEvent(event);
    if (m_Loaded && !m_Displayed) {
        m_Displayed = true;
        ResizeAfterEvent();
    }
}

void frmEditArchiveDuplicates::keyPressEvent(QKeyEvent *event)
{
    if (event->key() == Qt::Key_Escape && event->modifiers() == Qt::NoModifier) {
        cmdCancelPublishing->click();
        return;
    }
    QDialog::keyPressEvent(event);
}

bool frmEditArchiveDuplicates::eventFilter(QObject *watched, QEvent *event)
{
    if (watched == lvArchiveFiles->viewport() && event->type() == QEvent::MouseButtonDblClick)
        lvArchiveFiles_DblClick();
    return QDialog::eventFilter(watched, event);
}

void frmEditArchiveDuplicates::reject()
{
    done(QDialog::Rejected);
}

void frmEditArchiveDuplicates::cmdContinuePublishing_Click()
{
    for (int i = 0; i < lvArchiveFiles->topLevelItemCount(); ++i) {
        auto *row = static_cast<DuplicateItem *>(lvArchiveFiles->topLevelItem(i));
        row->tag->setIsExcluded(row->checkState(0) != Qt::Checked);
    }
    m_ResultCode = 1;
    done(QDialog::Accepted);
}

void frmEditArchiveDuplicates::cmdCancelPublishing_Click()
{
    m_ResultCode = 2;
    done(QDialog::Rejected);
}

void frmEditArchiveDuplicates::lvArchiveFiles_DblClick()
{
    const QList<QTreeWidgetItem *> selected = lvArchiveFiles->selectedItems();
    if (selected.isEmpty())
        return;
    const auto *row = static_cast<const DuplicateItem *>(selected.constFirst());
    // SourcePath is asked for by name, as any caller of the record may.
    const QMetaObject &record = ArchiveRecord::staticMetaObject;
    const QString folder =
        record.property(record.indexOfProperty("SourcePath")).readOnGadget(row->tag).toString();
    Corvane::Platform::Shell::openFolder(folder);
}

} // namespace Brimble
