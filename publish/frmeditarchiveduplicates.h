#pragma once

#include "publish/archivefile.h"

#include <QDialog>
#include <QIcon>
#include <QList>

#include <memory>

class QLabel;
class QPushButton;
class QTreeWidget;

namespace Brimble {

// The modal dialog in which the user settles clashing archive names: one row
// per clashing file, grouped by archive name; a checked file goes into the
// archive. Continue writes the choice into the records' IsExcluded flags;
// Cancel and the close box leave every record as it was. Double-clicking a row
// opens the folder of its file. Size and column widths are kept in the add-in
// settings of section "frmEditArchiveDuplicates".
//
// Geometry is kept in twips. The window's outer size is its client size plus
// the frame of the original window (kFrameWidth x kFrameHeight), the same on
// every platform, so that a stored size gives the same client area whatever
// the window manager draws around it. The window cannot be made smaller than
// its design size, or than its texts need: the buttons widen and the
// description grows downwards (pushing the list down) for a longer text.
class frmEditArchiveDuplicates final : public QDialog
{
    Q_OBJECT
public:
    static constexpr float kFrameWidth = 120.0f;
    static constexpr float kFrameHeight = 450.0f;

    explicit frmEditArchiveDuplicates(QWidget *parent = nullptr);
    ~frmEditArchiveDuplicates() override;

    // The records to work on; the list is built when the dialog loads.
    void setArchiveFiles(std::shared_ptr<ArchiveFileCollection> files);
    // Loads and shows the dialog modally; 1 continue, 2 cancel, 0 closed otherwise.
    qint16 DoModal();
    // What Continue gives with the files the dialog checks by default, without
    // showing the window and without reading or saving its stored sizes: the
    // records' IsExcluded flags are set, and the result is 1.
    qint16 DefaultChoice();
    qint16 ResultCode() const { return m_ResultCode; }

    // Outer size of the window in twips.
    float OuterWidth() const;
    float OuterHeight() const;

public slots:
    // The close box and every other way of closing: the result stays as it is.
    void reject() override;

protected:
    void resizeEvent(QResizeEvent *event) override;
    void showEvent(QShowEvent *event) override;
    void keyPressEvent(QKeyEvent *event) override;
    bool eventFilter(QObject *watched, QEvent *event) override;

private slots:
    void cmdContinuePublishing_Click();
    void cmdCancelPublishing_Click();
    void lvArchiveFiles_DblClick();

private:
    void Form_Load();
    void LocalizeControls();
    void LoadIcons();
    void FillList();
    void SelectDefaultFiles();
    void RestoreSize();
    void Form_Resize();
    // A button's width in twips: what its text needs, at least the design's.
    float ButtonWidth(const QPushButton *button) const;
    // The height in twips of the description's text at that width.
    float TextHeight(float width) const;
    void UpdateMinimumSize();
    void ResizeAfterEvent();
    void place(QWidget *control, float left, float top, float width, float height);

    QLabel *lblDescription = nullptr;
    QTreeWidget *lvArchiveFiles = nullptr;
    QPushButton *cmdContinuePublishing = nullptr;
    QPushButton *cmdCancelPublishing = nullptr;
    QList<QIcon> ilActionPadIcons;

    std::shared_ptr<ArchiveFileCollection> m_ArchiveFiles;
    qint16 m_ResultCode = 0;
    // Width of the list in twips, as the last layout left it.
    float m_lvWidth = 0.0f;
    float m_lvHeight = 0.0f;
    bool m_Loaded = false;
    bool m_Displayed = false;
};

} // namespace Brimble
