#include "platform/twips.h"

#include <QTest>
#include <QWidget>

using namespace Corvane::Platform;

class tst_Twips : public QObject
{
    Q_OBJECT
private slots:
    // The offscreen platform reports 96 logical dots per inch: 15 twips a pixel.
    void convertsAt96Dpi()
    {
        QWidget widget;
        QCOMPARE(Twips::perPixel(), 15.0f); // the primary screen
        QCOMPARE(Twips::toPixels(Twips::kPerInch, &widget), 96);
        QCOMPARE(Twips::fromPixels(-200, &widget), -3000.0f);
        // To the nearest pixel, halves away from zero.
        QCOMPARE(Twips::toPixels(7.4f, &widget), 0);
        QCOMPARE(Twips::toPixels(7.5f, &widget), 1);
        QCOMPARE(Twips::toPixels(-7.5f, &widget), -1);
    }
};

QTEST_MAIN(tst_Twips)
#include "tst_twips.moc"
