#include "layout/controladapter.h"
#include "layout/controlresizer.h"

#include "platform/latebinding.h"
#include "tests/datarows.h"
#include "tests/platform/platformtest.h"

#include <QGroupBox>
#include <QWidget>

using namespace Corvane::Platform;
using Brimble::ControlAdapter;
using Brimble::ControlResizer;
using namespace DataRows;

namespace {

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
    Shape(const QString &name, QObject *container, float width = 6000)
        : m_width(width)
        , m_container(container)
    {
        setObjectName(name);
    }
    float m_left = 150, m_top = 300, m_width, m_height = 450;
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
    void init()
    {
        m_form = new QWidget;
        m_form->resize(400, 300);
        m_button = new QWidget(m_form);
        m_button->setGeometry(10, 20, 100, 30);
    }

    void cleanup() { delete m_form; }

    void anchorsOnForm_data()
    {
        // expected: after the form grew by 200 x 100 pixels
        columns<QString, QRect>({"align", "expected"});
        const QRect recorded(10, 20, 100, 30);
        row("LRTB stretches both ways, in any order and case", "bTrL", QRect(10, 20, 300, 130));
        row("R moves right only", "R", QRect(210, 20, 100, 30));
        row("B moves down only", "B", QRect(10, 120, 100, 30));
        row("L and T pin", "LT", recorded);
        row("empty restores", "", recorded);
        row("no anchor letter restores", "xyz 42", recorded);
    }

    void anchorsOnForm()
    {
        QFETCH(QString, align);
        ControlResizer resizer; // called by name, as forms do
        LateBinding::call(&resizer, "Add",
                          {QVariant::fromValue<QObject *>(ControlAdapter::of(m_button)), align});
        m_form->resize(600, 400);
        m_button->setGeometry(0, 0, 5, 5); // moved meanwhile by other code
        LateBinding::call(&resizer, "Resize");
        QTEST(m_button->geometry(), "expected");
        // Back to the size at registration: back to the recorded place.
        m_form->resize(400, 300);
        resizer.Resize();
        QCOMPARE(m_button->geometry(), QRect(10, 20, 100, 30));
    }

    void formNotLaidOutBelowItsSizeAtLastAdd()
    {
        auto *label = new QWidget(m_form);
        label->setGeometry(300, 250, 80, 20);
        ControlResizer resizer;
        resizer.Add(ControlAdapter::of(m_button), "LRTB");
        resizer.Add(ControlAdapter::of(label), "RB");
        m_form->resize(200, 500); // narrower than at registration, but taller
        resizer.Resize();
        QCOMPARE(QList<QRect>({m_button->geometry(), label->geometry()}),
                 QList<QRect>({QRect(10, 20, 100, 230), QRect(300, 450, 80, 20)}));
    }

    void frameUsesOuterSizeWithoutMinimum()
    {
        auto *frame = new QGroupBox(m_form);
        frame->setGeometry(50, 50, 200, 100);
        auto *inFrame = new QWidget(frame);
        inFrame->setGeometry(120, 60, 50, 20);
        ControlResizer resizer;
        resizer.Add(ControlAdapter::of(inFrame), "RB");
        frame->resize(300, 150);
        resizer.Resize();
        QCOMPARE(inFrame->geometry(), QRect(220, 110, 50, 20));
        // Smaller than at registration: the control follows, past the frame's edge.
        frame->resize(60, 40);
        resizer.Resize();
        QCOMPARE(inFrame->geometry(), QRect(-20, 0, 50, 20));
    }

    void rejectedMoveStopsAtThatControl()
    {
        auto *frame = new QGroupBox(m_form);
        frame->setGeometry(0, 0, 200, 100);
        ControlResizer resizer;
        QList<QWidget *> controls;
        for (const char *align : {"L", "LR", "L"}) {
            controls << new QWidget(frame);
            controls.last()->setGeometry(20, 20, 150, 20);
            resizer.Add(ControlAdapter::of(controls.last()), align);
            controls.last()->setGeometry(1, 1, 1, 1);
        }
        frame->resize(40, 100); // the stretched control would be 10 pixels less than nothing wide
        QCOMPARE(errorOf([&] { resizer.Resize(); }), ErrorNumber::InvalidPropertyValue);
        const QRect moved(20, 20, 150, 20), untouched(1, 1, 1, 1);
        QCOMPARE(QList<QRect>(
                     {controls[0]->geometry(), controls[1]->geometry(), controls[2]->geometry()}),
                 QList<QRect>({moved, untouched, untouched}));
    }

    void movesInOrderOfRegistrationSinceTheFormLastHadNoWidth()
    {
        QStringList moves;
        Shape form("form", nullptr);
        MovableShape a("a", &form, &moves), b("b", &form, &moves), c("c", &form, &moves),
            d("d", &form, &moves);
        ControlResizer resizer;
        resizer.Add(&a, "L");
        form.m_width = 0; // the form has no inner width at this Add: the list starts anew
        resizer.Add(&b, "L");
        form.m_width = 6000;
        resizer.Add(&d, "R");
        resizer.Add(&c, "B");
        resizer.Resize();
        QCOMPARE(moves, QStringList({"d", "c"}));
    }

    void errors()
    {
        Shape form("form", nullptr);
        Shape orphan("orphan", nullptr); // no container
        ControlResizer resizer;
        QCOMPARE(errorOf([&] { resizer.Resize(); }), ErrorNumber::SubscriptOutOfRange);
        QCOMPARE(errorOf([&] { resizer.Add(&orphan, "L"); }), ErrorNumber::ObjectRequired);
        QCOMPARE(errorOf([&] { resizer.Resize(); }), ErrorNumber::SubscriptOutOfRange);
        QObject bare;
        QCOMPARE(errorOf([&] { resizer.Add(&bare, "LR"); }), ErrorNumber::MemberNotFound);
        Shape noMove("noMove", &form);
        resizer.Add(&noMove, "LR");
        QCOMPARE(errorOf([&] { resizer.Resize(); }), ErrorNumber::MemberNotFound);
    }

    void moreThan32767ControlsIsError6()
    {
        QStringList moves;
        Shape form("form", nullptr);
        MovableShape control("c", &form, &moves);
        ControlResizer resizer;
        for (int i = 0; i < 32767; ++i)
            resizer.Add(&control, "LR");
        resizer.Resize();
        QCOMPARE(moves.size(), 32767);
        resizer.Add(&control, "LR");
        QCOMPARE(errorOf([&] { resizer.Resize(); }), ErrorNumber::Overflow);
    }

private:
    QWidget *m_form = nullptr;
    QWidget *m_button = nullptr;
};

QTEST_MAIN(tst_ControlResizer)
#include "tst_controlresizer.moc"
