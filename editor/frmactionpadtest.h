#pragma once

#include <QWidget>

class QLabel;
class QPushButton;

namespace Brimble {

// A developer's form that hosts the action pad page outside the host's
// configuration dialog and drives its property-page contract by hand, late
// bound, by the names of the page's own automation interface. It has no logic
// of its own: one button per operation, and labels and a picture that show
// what the page answers.
class frmActionPadTest final : public QWidget
{
    Q_OBJECT
public:
    // The page's class identifier; the form creates it through the component
    // registry when that class is registered, else it constructs it directly.
    static constexpr char PageClassId[] = "CorvaneBrimble.ucActionPadEditor";

    explicit frmActionPadTest(QWidget *parent = nullptr);
    ~frmActionPadTest() override;
    Q_DISABLE_COPY_MOVE(frmActionPadTest)

    // The hosted page, the control "ucActionPadEditor".
    QWidget *page() const { return m_Page; }

private slots:
    void cmdActivate_Click();
    void cmdApply_Click();
    void cmdCancel_Click();
    void cmdDeactivate_Click();
    void cmdIsDirty_Click();
    void cmdQuit_Click();

private:
    void Form_Load();
    // Calls the page's member by name; a failure is shown and gives an invalid value.
    QVariant CallPage(const char *member);

    QWidget *m_Page = nullptr;
    QPushButton *cmdActivate = nullptr;
    QPushButton *cmdApply = nullptr;
    QPushButton *cmdCancel = nullptr;
    QPushButton *cmdDeactivate = nullptr;
    QPushButton *cmdIsDirty = nullptr;
    QLabel *pcIcon = nullptr;
    QPushButton *cmdQuit = nullptr;
    QLabel *Label1 = nullptr;
    QLabel *lblCaption = nullptr;
    QLabel *Label2 = nullptr;
    QLabel *lblDescription = nullptr;
    QLabel *Label3 = nullptr;
    QLabel *lblIsDrity = nullptr;
};

} // namespace Brimble
