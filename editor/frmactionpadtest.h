#pragma once

#include <QWidget>

#include <functional>

namespace Corvane::Host {
class IPropertyPage;
}

class QLabel;
class QPushButton;

namespace Brimble {

// A developer's form that hosts the action pad page outside the host's
// configuration dialog and drives its property-page contract by hand, through
// the interface the dialog uses (found at run time), and its Test by name. It has no logic
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
    // Runs a call on the page's property-page contract (the one the host's
    // dialog uses); a failure is shown in a message box.
    void CallPage(const std::function<void(Corvane::Host::IPropertyPage &)> &call);

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
