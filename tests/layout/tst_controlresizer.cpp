#include "layout/controladapter.h"
#include "layout/controlresizer.h"

#include "platform/latebinding.h"
#include "platform/runtimeerror.h"

#include <QGroupBox>
#include <QPushButton>
#include <QTest>
#include <QWidget>

#include <functional>

using namespace Corvane::Platform;
using Brimble::ControlAdapter;
using Brimble::ControlResizer;

namespace {

int errorOf(const std::function<void()> &body)
{
    try {
        body();
    } catch (const RuntimeError &error) {
        return error.number();
    }
    return 0;
}

// A control known only by its members, for what real widgets cannot show:
// the order of the Move calls, a form of inner width 0, a missing member.
class Shape : public QObject
{
    Q_OBJECT
    Q_PROPERTY(float Left MEMBER m_left)
    Q_PROPERTY(float Top MEMBER m_top)
    Q_PROPERTY(float Width MEMBER m_width)
    Q_PROPERTY(float Height MEMBER m_height)
    Q_PROPERTY(float ScaleWidth MEMBER m_width)
    Q_PROPERTY(float ScaleHeight MEMBER m_height)
    Q_PROPERTY(QObject *Container MEMBER m_container)
    Q_PROPERTY(QObject *Parent MEMBER m_container)
public:
    Shape(const QString &name, QObject *container, float width = 1500, float height = 450)
        : m_width(width)
        , m_height(height)
        , m_container(container)
    {
        setObjectName(name);
    }
    float m_left = 150;
    float m_top = 300;
    float m_width;
    float m_height;
    QObject *m_container;
};

class MovableShape final : public Shape
{
    Q_OBJECT
public:
    MovableShape(const QString &name, QObject *container, QStringList *moves)
        : Shape(name, container)
        , m_moves(moves)
    {
    }
    Q_INVOKABLE void Move(float, float, float, float) { m_moves->append(objectName()); }

private:
    QStringList *m_moves;
};

} // namespace

class tst_ControlResizer : public QObject
{
    Q_OBJECT
private slots:
    void init();
    void cleanup();
    void adapterSpeaksTwips();
    void anchorsOnForm_data();
    void anchorsOnForm();
    void formNotLaidOutBelowItsSizeAtLastAdd();
    void frameUsesOuterSizeWithoutMinimum();
    void rejectedMoveStopsAtThatControl();
    void movesInOrderOfRegistration();
    void addWhileFormHasNoWidthRestartsList();
    void resizeBeforeAddIsError9();
    void moreThan32767ControlsIsError6();
    void missingMemberIsError438();
    void callableByName();

private:
    QWidget *m_form = nullptr;
    QPushButton *m_button = nullptr;
};

void tst_ControlResizer::init()
{
    m_form = new QWidget;
    m_form->setObjectName(QStringLiteral("frmTest"));
    m_form->resize(400, 300);
    m_button = new QPushButton(m_form);
    m_button->setObjectName(QStringLiteral("cmdPublish"));
    m_button->setGeometry(10, 20, 100, 30);
}

void tst_ControlResizer::cleanup()
{
    delete m_form;
}

void tst_ControlResizer::adapterSpeaksTwips()
{
    // 15 twips a pixel at the offscreen platform's 96 logical dots per inch.
    QCOMPARE(m_button->logicalDpiX(), 96);
    auto *button = ControlAdapter::of(m_button);
    QCOMPARE(ControlAdapter::of(m_button), button);
    QCOMPARE(LateBinding::getProperty(button, "Left").toFloat(), 150.0f);
    QCOMPARE(LateBinding::getProperty(button, "Height").toFloat(), 450.0f);
    QCOMPARE(LateBinding::getProperty(button, "Container").value<QObject *>(),
             ControlAdapter::of(m_form));
    QCOMPARE(LateBinding::getProperty(button, "Parent").value<QObject *>(),
             ControlAdapter::of(m_form));
    QVERIFY(ControlAdapter::of(m_form)->isForm());
    QVERIFY(!button->isForm());
    QCOMPARE(ControlAdapter::of(m_form)->ScaleWidth(), 6000.0f);

    LateBinding::call(button, "Move", {300, 150, 750, 1440});
    QCOMPARE(m_button->geometry(), QRect(20, 10, 50, 96));
}

void tst_ControlResizer::anchorsOnForm_data()
{
    QTest::addColumn<QString>("align");
    QTest::addColumn<QRect>("expected"); // after the form grew by 200 x 100 pixels
    const QRect recorded(10, 20, 100, 30);
    QTest::newRow("LRTB stretches both ways") << "LRTB" << QRect(10, 20, 300, 130);
    QTest::newRow("order and case do not matter") << "bTrL" << QRect(10, 20, 300, 130);
    QTest::newRow("rb follows the bottom-right corner") << "rb" << QRect(210, 120, 100, 30);
    QTest::newRow("R moves right only") << "R" << QRect(210, 20, 100, 30);
    QTest::newRow("LR stretches horizontally") << "LR" << QRect(10, 20, 300, 30);
    QTest::newRow("TB stretches vertically") << "TB" << QRect(10, 20, 100, 130);
    QTest::newRow("B moves down only") << "B" << QRect(10, 120, 100, 30);
    QTest::newRow("L and T pin") << "LT" << recorded;
    QTest::newRow("empty restores") << "" << recorded;
    QTest::newRow("no anchor letter restores") << "xyz 42" << recorded;
}

void tst_ControlResizer::anchorsOnForm()
{
    QFETCH(QString, align);
    QFETCH(QRect, expected);
    ControlResizer resizer;
    const QString alignBefore = align;
    resizer.Add(ControlAdapter::of(m_button), align);
    QCOMPARE(align, alignBefore);

    m_form->resize(600, 400);
    m_button->setGeometry(0, 0, 5, 5); // moved meanwhile by other code
    resizer.Resize();
    QCOMPARE(m_button->geometry(), expected);

    // Back to the size at registration: back to the recorded place.
    m_form->resize(400, 300);
    resizer.Resize();
    QCOMPARE(m_button->geometry(), QRect(10, 20, 100, 30));
}

void tst_ControlResizer::formNotLaidOutBelowItsSizeAtLastAdd()
{
    auto *label = new QWidget(m_form);
    label->setGeometry(300, 250, 80, 20);
    ControlResizer resizer;
    resizer.Add(ControlAdapter::of(m_button), QStringLiteral("LRTB"));
    resizer.Add(ControlAdapter::of(label), QStringLiteral("RB"));

    m_form->resize(200, 500); // narrower than at registration, but taller
    resizer.Resize();
    QCOMPARE(m_button->geometry(), QRect(10, 20, 100, 230));
    QCOMPARE(label->geometry(), QRect(300, 450, 80, 20));
}

void tst_ControlResizer::frameUsesOuterSizeWithoutMinimum()
{
    auto *frame = new QGroupBox(m_form);
    frame->setGeometry(50, 50, 200, 100);
    auto *inFrame = new QWidget(frame);
    inFrame->setGeometry(120, 60, 50, 20);
    ControlResizer resizer;
    resizer.Add(ControlAdapter::of(inFrame), QStringLiteral("RB"));

    frame->resize(300, 150);
    resizer.Resize();
    QCOMPARE(inFrame->geometry(), QRect(220, 110, 50, 20));

    // Smaller than at registration: the control follows, past the frame's edge.
    frame->resize(60, 40);
    resizer.Resize();
    QCOMPARE(inFrame->geometry(), QRect(-20, 0, 50, 20));
}

void tst_ControlResizer::rejectedMoveStopsAtThatControl()
{
    auto *frame = new QGroupBox(m_form);
    frame->setGeometry(0, 0, 200, 100);
    QWidget *controls[3];
    for (QWidget *&control : controls) {
        control = new QWidget(frame);
        control->setGeometry(20, 20, 150, 20);
    }
    ControlResizer resizer;
    resizer.Add(ControlAdapter::of(controls[0]), QStringLiteral("L"));
    resizer.Add(ControlAdapter::of(controls[1]), QStringLiteral("LR"));
    resizer.Add(ControlAdapter::of(controls[2]), QStringLiteral("L"));

    for (QWidget *control : controls)
        control->setGeometry(1, 1, 1, 1);
    frame->resize(40, 100); // the stretched control would be 10 pixels less than nothing wide
    QCOMPARE(errorOf([&] { resizer.Resize(); }), ErrorNumber::InvalidPropertyValue);
    QCOMPARE(controls[0]->geometry(), QRect(20, 20, 150, 20));
    QCOMPARE(controls[1]->geometry(), QRect(1, 1, 1, 1));
    QCOMPARE(controls[2]->geometry(), QRect(1, 1, 1, 1));
}

void tst_ControlResizer::movesInOrderOfRegistration()
{
    QStringList moves;
    Shape container(QStringLiteral("frame"), nullptr, 6000, 4500);
    MovableShape first(QStringLiteral("first"), &container, &moves);
    MovableShape second(QStringLiteral("second"), &container, &moves);
    MovableShape third(QStringLiteral("third"), &container, &moves);
    ControlResizer resizer;
    resizer.Add(&second, QStringLiteral("L"));
    resizer.Add(&first, QStringLiteral("R"));
    resizer.Add(&third, QStringLiteral("B"));
    resizer.Resize();
    QCOMPARE(moves, QStringList({"second", "first", "third"}));
}

void tst_ControlResizer::addWhileFormHasNoWidthRestartsList()
{
    QStringList moves;
    Shape form(QStringLiteral("form"), nullptr, 6000, 4500);
    MovableShape first(QStringLiteral("first"), &form, &moves);
    MovableShape second(QStringLiteral("second"), &form, &moves);
    MovableShape third(QStringLiteral("third"), &form, &moves);
    ControlResizer resizer;
    resizer.Add(&first, QStringLiteral("L"));
    form.m_width = 0; // the form has no inner width at the next Add
    resizer.Add(&second, QStringLiteral("L"));
    form.m_width = 6000;
    resizer.Add(&third, QStringLiteral("L"));
    resizer.Resize();
    QCOMPARE(moves, QStringList({"third"}));
}

void tst_ControlResizer::resizeBeforeAddIsError9()
{
    ControlResizer resizer;
    QCOMPARE(errorOf([&] { resizer.Resize(); }), ErrorNumber::SubscriptOutOfRange);
    // A failed Add registers nothing either.
    Shape noMove(QStringLiteral("noMove"), nullptr);
    QCOMPARE(errorOf([&] { resizer.Add(&noMove, QStringLiteral("L")); }),
             ErrorNumber::ObjectRequired); // the shape has no container
    QCOMPARE(errorOf([&] { resizer.Resize(); }), ErrorNumber::SubscriptOutOfRange);
}

void tst_ControlResizer::moreThan32767ControlsIsError6()
{
    QStringList moves;
    Shape form(QStringLiteral("form"), nullptr, 6000, 4500);
    MovableShape control(QStringLiteral("c"), &form, &moves);
    ControlResizer resizer;
    for (int i = 0; i < 32767; ++i)
        resizer.Add(&control, QStringLiteral("LR"));
    resizer.Resize();
    QCOMPARE(moves.size(), 32767);

    resizer.Add(&control, QStringLiteral("LR"));
    QCOMPARE(errorOf([&] { resizer.Resize(); }), ErrorNumber::Overflow);
}

void tst_ControlResizer::missingMemberIsError438()
{
    Shape form(QStringLiteral("form"), nullptr, 6000, 4500);
    Shape noMove(QStringLiteral("noMove"), &form);
    ControlResizer resizer;
    resizer.Add(&noMove, QStringLiteral("LR"));
    QCOMPARE(errorOf([&] { resizer.Resize(); }), ErrorNumber::MemberNotFound);

    QObject bare;
    QCOMPARE(errorOf([&] { resizer.Add(&bare, QStringLiteral("LR")); }),
             ErrorNumber::MemberNotFound);
}

void tst_ControlResizer::callableByName()
{
    ControlResizer resizer;
    LateBinding::call(&resizer, "Add",
                      {QVariant::fromValue<QObject *>(ControlAdapter::of(m_button)), "RB"});
    m_form->resize(410, 320);
    LateBinding::call(&resizer, "Resize");
    QCOMPARE(m_button->geometry(), QRect(20, 40, 100, 30));
}

QTEST_MAIN(tst_ControlResizer)
#include "tst_controlresizer.moc"
