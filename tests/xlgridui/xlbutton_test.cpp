// The host's button: its repeat schedule, presses and clicks per style, and
// that every style draws a glyph.

#include "xlgridui/xlbutton.h"

#include <QImage>
#include <QtTest>

using namespace xlgridui;

namespace {

int DarkPixels(const QImage& image)
{
    int n = 0;
    for (int y = 0; y < image.height(); ++y)
        for (int x = 0; x < image.width(); ++x)
            if (qGray(image.pixel(x, y)) < 80)
                ++n;
    return n;
}

}  // namespace

class TestXLButton : public QObject {
    Q_OBJECT
private Q_SLOTS:
    // Steps taken by the first n ticks of the repeat timer.
    void repeatSchedule_data()
    {
        QTest::addColumn<int>("ticks");
        QTest::addColumn<int>("steps");
        QTest::newRow("4 ticks") << 4 << 0;
        QTest::newRow("5 ticks") << 5 << 1;
        QTest::newRow("19 ticks: every fifth") << 19 << 3;
        QTest::newRow("20 ticks") << 20 << 4;
        QTest::newRow("21 ticks") << 21 << 4;
        QTest::newRow("49 ticks: every even from 20") << 49 << 18;
        QTest::newRow("50 ticks") << 50 << 19;
        QTest::newRow("60 ticks: every tick from 50") << 60 << 29;
    }
    void repeatSchedule()
    {
        QFETCH(int, ticks);
        QFETCH(int, steps);
        int counted = 0;
        for (int t = 1; t <= ticks; ++t)
            counted += TXLButton::StepsOnTick(t);
        QCOMPARE(counted, steps);

        // The same through a pressed spinner, driving its tick by hand.
        TXLButton button;
        button.resize(16, 20);
        button.SetStyle(esSpinner);
        std::vector<bool> clicks;
        button.OnClick = [&](bool lower) { clicks.push_back(lower); };
        QTest::mousePress(&button, Qt::LeftButton, {}, QPoint(8, 15));
        QCOMPARE(clicks.size(), size_t(1));  // one step at once
        QVERIFY(button.Repeating());
        for (int t = 0; t < ticks; ++t)
            button.RepeatTick();
        QCOMPARE(static_cast<int>(clicks.size()), 1 + steps);
        QVERIFY(std::all_of(clicks.begin(), clicks.end(), [](bool lower) { return lower; }));
        QTest::mouseRelease(&button, Qt::LeftButton, {}, QPoint(8, 15));
        QVERIFY(!button.Repeating());
        for (int t = 0; t < 60; ++t)
            button.RepeatTick();
        QCOMPARE(static_cast<int>(clicks.size()), 1 + steps);
    }

    // The real timer runs at 50 ms and counts its ticks from 1 again on each press.
    void repeatTimer()
    {
        TXLButton button;
        button.resize(16, 20);
        button.SetStyle(esSpinner);
        int clicks = 0;
        button.OnClick = [&](bool lower) { clicks += lower ? -1 : 1; };
        QTest::mousePress(&button, Qt::LeftButton, {}, QPoint(8, 2));
        QTRY_VERIFY_WITH_TIMEOUT(button.Ticks() >= 5, 5000);
        QVERIFY(clicks >= 2);
        QTest::mouseRelease(&button, Qt::LeftButton, {}, QPoint(8, 2));
        QCOMPARE(button.Ticks(), 0);
        QCOMPARE(TXLButton::kRepeatInterval, 50);
    }

    void clicksPerStyle_data()
    {
        QTest::addColumn<int>("style");
        QTest::addColumn<QPoint>("press");
        QTest::addColumn<QPoint>("release");
        QTest::addColumn<int>("onPress");
        QTest::addColumn<int>("onRelease");
        QTest::newRow("spinner up") << int(esSpinner) << QPoint(8, 3) << QPoint(8, 3) << 1 << 0;
        QTest::newRow("drop-down opens on the press") << int(esDropDown) << QPoint(8, 10) << QPoint(8, 10) << 1 << 0;
        QTest::newRow("button clicks on the release") << int(esButton) << QPoint(8, 10) << QPoint(8, 10) << 0 << 1;
        QTest::newRow("button released outside") << int(esButton) << QPoint(8, 10) << QPoint(40, 10) << 0 << 0;
        QTest::newRow("no button") << int(esNormal) << QPoint(8, 10) << QPoint(8, 10) << 0 << 0;
    }
    void clicksPerStyle()
    {
        QFETCH(int, style);
        QFETCH(QPoint, press);
        QFETCH(QPoint, release);
        QFETCH(int, onPress);
        QFETCH(int, onRelease);
        TXLButton button;
        button.resize(16, 20);
        button.SetStyle(static_cast<TXLEditStyle>(style));
        QCOMPARE(button.isHidden(), style == esNormal);
        int clicks = 0;
        button.OnClick = [&](bool) { ++clicks; };
        QTest::mousePress(&button, Qt::LeftButton, {}, press);
        QCOMPARE(clicks, onPress);
        QTest::mouseRelease(&button, Qt::LeftButton, {}, release);
        QCOMPARE(clicks, onPress + onRelease);
        QCOMPARE(button.focusPolicy(), Qt::NoFocus);
    }

    void drawsGlyphs_data()
    {
        QTest::addColumn<int>("style");
        QTest::addColumn<bool>("flat");
        for (bool flat : {false, true}) {
            QByteArray f = flat ? " flat" : "";
            QTest::newRow("spinner" + f) << int(esSpinner) << flat;
            QTest::newRow("button" + f) << int(esButton) << flat;
            QTest::newRow("drop-down" + f) << int(esDropDown) << flat;
        }
    }
    void drawsGlyphs()
    {
        QFETCH(int, style);
        QFETCH(bool, flat);
        TXLButton button;
        button.SetStyle(static_cast<TXLEditStyle>(style));
        button.SetFlat(flat);
        for (QSize size : {QSize(16, 18), QSize(17, 40), QSize(12, 12)}) {
            button.resize(size);
            QImage image = button.grab().toImage();
            if (style == esSpinner) {
                // A glyph in each half.
                QVERIFY(DarkPixels(image.copy(0, 0, size.width(), size.height() / 2)) > 0);
                QVERIFY(DarkPixels(image.copy(0, size.height() / 2, size.width(), size.height() / 2)) > 0);
            } else {
                QVERIFY(DarkPixels(image) > 0);
            }
        }
    }
};

QTEST_MAIN(TestXLButton)
#include "xlbutton_test.moc"
