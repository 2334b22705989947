#include "platform/twips.h"

#include <QTest>
#include <QWidget>

using namespace Corvane::Platform;

class tst_Twips : public QObject
{
    Q_OBJECT
private slots:
    void initTestCase();
    void fifteenTwipsPerPixelAt96Dpi();
    void roundTripsEveryPixel();
    void roundsToNearestPixel_data();
    void roundsToNearestPixel();

private:
    QWidget m_widget;
};

void tst_Twips::initTestCase()
{
    // The offscreen platform reports 96 logical dots per inch.
    QCOMPARE(m_widget.logicalDpiX(), 96);
}

void tst_Twips::fifteenTwipsPerPixelAt96Dpi()
{
    QCOMPARE(Twips::perPixel(&m_widget), 15.0f);
    QCOMPARE(Twips::perPixel(), 15.0f); // the primary screen
    QCOMPARE(Twips::toPixels(Twips::kPerInch, &m_widget), 96);
    QCOMPARE(Twips::fromPixels(96, &m_widget), 1440.0f);
}

void tst_Twips::roundTripsEveryPixel()
{
    for (int pixels = -200; pixels <= 4000; ++pixels) {
        const float twips = Twips::fromPixels(pixels, &m_widget);
        QCOMPARE(twips, pixels * 15.0f);
        if (Twips::toPixels(twips, &m_widget) != pixels)
            QFAIL(qPrintable(QStringLiteral("%1 px came back as %2 px")
                                 .arg(pixels)
                                 .arg(Twips::toPixels(twips, &m_widget))));
    }
}

void tst_Twips::roundsToNearestPixel_data()
{
    QTest::addColumn<float>("twips");
    QTest::addColumn<int>("pixels");
    QTest::newRow("just below half a pixel") << 7.4f << 0;
    QTest::newRow("half a pixel rounds up") << 7.5f << 1;
    QTest::newRow("one and a bit") << 22.0f << 1;
    QTest::newRow("negative half rounds away from zero") << -7.5f << -1;
    QTest::newRow("a form's width") << 4815.0f << 321;
}

void tst_Twips::roundsToNearestPixel()
{
    QFETCH(float, twips);
    QFETCH(int, pixels);
    QCOMPARE(Twips::toPixels(twips, &m_widget), pixels);
}

QTEST_MAIN(tst_Twips)
#include "tst_twips.moc"
