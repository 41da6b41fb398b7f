// The colour palette, its box and the colour tool button; the zoom and font
// boxes of the tool bars.

#include "xlgridui/palette.h"
#include "xlgridui/xldesignerboxes.h"

#include "xlpaint/qtconvert.h"

#include <QLineEdit>
#include <QMenu>
#include <QSignalSpy>
#include <QTest>

using namespace xlgrid;
using namespace xlgridui;

class PaletteTest : public QObject {
    Q_OBJECT
private Q_SLOTS:
    void Entries_data()
    {
        QTest::addColumn<int>("index");
        QTest::addColumn<int>("r");
        QTest::addColumn<int>("g");
        QTest::addColumn<int>("b");
        QTest::newRow("0 black") << 0 << 0 << 0 << 0;
        QTest::newRow("1") << 1 << 146 << 48 << 0;
        QTest::newRow("13 blue") << 13 << 0 << 0 << 255;
        QTest::newRow("31") << 31 << 191 << 191 << 191;
        QTest::newRow("39 white") << 39 << 255 << 255 << 255;
        QTest::newRow("46") << 46 << 0 << 100 << 200;
        QTest::newRow("55 last") << 55 << 0 << 0 << 255;
    }
    void Entries()
    {
        QFETCH(int, index);
        QFETCH(int, r);
        QFETCH(int, g);
        QFETCH(int, b);
        TGSColors colors;
        QCOMPARE(colors.Entry(index), RGBColor(r, g, b));
        QCOMPARE(colors.Entry(56), clNone);
        QCOMPARE(colors.Entry(-1), clNone);
    }

    void BoxGeometry()
    {
        TGSColors colors;
        TXLPaletteBox plain(colors);
        QCOMPARE(plain.sizeHint(), QSize(144, 136));
        QCOMPARE(plain.CellRect(0), QRect(0, 0, 18, 18));
        QCOMPARE(plain.CellRect(39), QRect(126, 72, 18, 18));
        QCOMPARE(plain.CellRect(40), QRect(0, 100, 18, 18));  // after the 10-pixel gap
        QCOMPARE(plain.CellRect(55), QRect(126, 118, 18, 18));
        TXLPaletteBox withAuto(colors, "默认");
        const int autoHeight = withAuto.fontMetrics().height() + 16;
        QCOMPARE(withAuto.sizeHint(), QSize(144, 136 + autoHeight));
        QCOMPARE(withAuto.HitTest(QPoint(70, 2)), int(TXLPaletteBox::kAuto));
        QCOMPARE(withAuto.HitTest(QPoint(20, autoHeight + 1)), 1);
        QCOMPARE(withAuto.HitTest(QPoint(5, autoHeight + 93)), int(TXLPaletteBox::kNone));  // the gap
    }

    void PressAndDragChooseReleaseFinishes()
    {
        TGSColors colors;
        TXLPaletteBox box(colors, "默认");
        box.show();
        QSignalSpy picked(&box, &TXLPaletteBox::Picked);
        QSignalSpy finished(&box, &TXLPaletteBox::Finished);
        const QPoint a = box.CellRect(8).center(), b = box.CellRect(10).center();
        QTest::mousePress(&box, Qt::LeftButton, {}, a);
        QCOMPARE(box.Chosen(), 8);
        QMouseEvent move(QEvent::MouseMove, QPointF(b), box.mapToGlobal(QPointF(b)), Qt::NoButton, Qt::LeftButton,
                         Qt::NoModifier);
        QApplication::sendEvent(&box, &move);
        QCOMPARE(box.Chosen(), 10);
        QCOMPARE(picked.count(), 2);
        QCOMPARE(finished.count(), 0);
        QTest::mouseRelease(&box, Qt::LeftButton, {}, b);
        QCOMPARE(finished.count(), 1);
        QCOMPARE(box.ChosenColor(), RGBColor(127, 127, 0));
        QTest::mouseClick(&box, Qt::LeftButton, {}, box.AutoRect().center());
        QCOMPARE(box.Chosen(), int(TXLPaletteBox::kAuto));
        QCOMPARE(box.ChosenColor(), clNone);
    }

    void ButtonShowsItsColourAndClicks()
    {
        TGSColorToolButton button;
        button.SetAutoText("默认");
        button.SetAutoColor(RGBColor(1, 2, 3));
        button.resize(40, 24);
        button.show();
        QCOMPARE(button.Color(), clNone);
        QCOMPARE(button.ShownColor(), RGBColor(1, 2, 3));
        QSignalSpy chosen(&button, &TGSColorToolButton::ColorChosen);
        TXLPaletteBox* box = button.Box();
        QTest::mouseClick(box, Qt::LeftButton, {}, box->CellRect(16).center());
        QCOMPARE(chosen.count(), 1);
        QCOMPARE(button.Color(), RGBColor(255, 0, 0));
        QImage image = button.grab().toImage();
        QCOMPARE(image.pixelColor(10, button.height() - 5), QColor(255, 0, 0));
        button.setEnabled(false);
        QCOMPARE(button.ShownColor(), clBtnShadow);
        // One palette for every button: a change reaches all of them.
        TGSColorToolButton other;
        other.SetChosen(16);
        TGSColors::Global().SetEntry(16, RGBColor(9, 9, 9));
        QCOMPARE(other.Color(), RGBColor(9, 9, 9));
        TGSColors::Global().SetEntry(16, RGBColor(255, 0, 0));
    }

    void ZoomParsing_data()
    {
        QTest::addColumn<QString>("text");
        QTest::addColumn<double>("value");
        QTest::newRow("percent") << "75%" << 75.0;
        QTest::newRow("decimal comma") << "62,5" << 62.5;
        QTest::newRow("decimal point") << "33.33%" << 33.33;
        QTest::newRow("below the range") << "5" << 10.0;
        QTest::newRow("above the range") << "900%" << 500.0;
        QTest::newRow("no number keeps the value") << "%" << 100.0;
    }
    void ZoomParsing()
    {
        QFETCH(QString, text);
        QFETCH(double, value);
        QCOMPARE(TXLZoomBox::Parse(text, 100), value);
    }

    void ZoomBoxTyping()
    {
        TXLZoomBox zoom;
        zoom.show();
        QCOMPARE(zoom.currentText(), QString("100%"));
        QCOMPARE(zoom.count(), 7);
        QCOMPARE(zoom.itemText(6), QString("10%"));
        QSignalSpy chosen(&zoom, &TXLZoomBox::ValueChosen);
        zoom.lineEdit()->selectAll();
        QTest::keyClicks(zoom.lineEdit(), "6x2,5");  // the letter is refused
        QCOMPARE(zoom.lineEdit()->text(), QString("62,5"));
        QTest::keyClick(zoom.lineEdit(), Qt::Key_Return);
        QApplication::processEvents();
        QCOMPARE(chosen.count(), 1);
        QCOMPARE(zoom.Value(), 62.5);
        QCOMPARE(zoom.currentText(), QString("62.5%"));
        zoom.SetValue(80);
        QCOMPARE(chosen.count(), 1);  // set from code: no report
    }

    void SizeAndFontBoxes()
    {
        TXLFontSizeBox sizes;
        sizes.show();
        QCOMPARE(sizes.Value(), 9);
        QCOMPARE(sizes.count(), 13);
        sizes.lineEdit()->selectAll();
        QTest::keyClicks(sizes.lineEdit(), "1a4");
        QCOMPARE(sizes.Value(), 14);
        sizes.setEditText("");
        QCOMPARE(sizes.Value(), 9);
        TXLFontNameBox names;
        QCOMPARE(names.FontName(), QString("宋体"));
        QVERIFY(names.findText("宋体") >= 0);
        QSignalSpy chosen(&names, &TXLFontNameBox::FontChosen);
        names.show();
        names.lineEdit()->setText("黑体");
        QTest::keyClick(names.lineEdit(), Qt::Key_Return);
        QApplication::processEvents();
        QCOMPARE(chosen.count(), 1);
        QCOMPARE(names.FontName(), QString("黑体"));
    }
};

QTEST_MAIN(PaletteTest)
#include "palette_test.moc"
