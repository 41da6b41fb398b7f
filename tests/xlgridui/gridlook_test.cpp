// The grid on the sample roster as a person sees it: a merged title, the
// header row with borders, a selection, a hint with its pointer and an open
// editor, at 100 % and 200 %. The checks look for drawn text and the
// inverted selection; FENBAN_GRID_PNG_DIR=dir also saves the pictures.

#include "gridtest.h"

#include "xlio/csvreader.h"
#include "xlio/sheetimport.h"

#include "xlgrid/range.h"

#include <QInputMethodEvent>
#include <QPainter>
#include <QTest>

using namespace xlgrid;
using namespace xlgridui;
using namespace xlgridui::test;

namespace {

// Pixels much darker than paper inside a rectangle.
int DarkPixels(const QImage& image, const QRect& rect)
{
    int n = 0;
    QRect r = rect & image.rect();
    for (int y = r.top(); y <= r.bottom(); ++y)
        for (int x = r.left(); x <= r.right(); ++x)
            if (qGray(image.pixel(x, y)) < 110)
                ++n;
    return n;
}

// The grid and the top-level hint window in one picture.
QImage Screenshot(TXLGrid& grid)
{
    QPixmap shot = grid.grab();
    if (TXLHintWindow* hint = grid.HintWindow(); hint->isVisible()) {
        QPainter p(&shot);
        p.drawPixmap(hint->pos() - grid.mapToGlobal(QPoint(0, 0)), hint->grab());
    }
    return shot.toImage();
}

}  // namespace

class GridLookTest : public QObject {
    Q_OBJECT
private Q_SLOTS:
    void roster_data();
    void roster();
};

void GridLookTest::roster_data()
{
    QTest::addColumn<int>("scale");
    QTest::newRow("100") << 100;
    QTest::newRow("200") << 200;
}

void GridLookTest::roster()
{
    QFETCH(int, scale);
    TGridFixture f(1, 1, false);  // the real in-cell editor
    xlio::ImportTable(f.Sheet, xlio::ReadCsvFile(FENBAN_TEST_DATA "/../../examples/roster.csv"));
    QVERIFY(f.Sheet.RowCount() > 100);
    TXLSheet& s = f.Sheet;
    int cols = s.ColCount();
    {
        TXLUpdateGuard bracket(s);
        TXLSectionRange title(s, skClient, {0, 0, cols, 1});
        title.Merge();
        TXLFont font = s.Cells(0, 0)->Font();
        font.Size = 14;
        font.Style = fsBold;
        s.Cells(0, 0)->SetFont(font);
        s.Cells(0, 0)->SetHorzAlign(haCenter);
        s.SetSizes(0, sRows, 26);
        TXLSectionRange(s, skClient, {0, 1, cols, 12}).SetSides(kOuterSides | 1 << sHInside | 1 << sVInside, {1, clBlack});
        for (int c = 0; c < cols; ++c)
            s.SetCellBorder(c, 1, clBlack, RGBColor(221, 228, 255));
        s.SetSizes(0, sCols, 80);
        s.SetSizes(3, sCols, 90);
        s.Cells(1, 4)->SetHint("学生姓名须与学籍一致");
    }
    f.Grid->resize(900, 420);
    f.Grid->SetScale(scale);
    f.Click({1, 6});
    QTest::mouseClick(&f.Client(), Qt::LeftButton, Qt::ShiftModifier, f.CellCenter({3, 9}));
    QTest::keyClicks(f.Grid.get(), "9");
    QTest::mouseMove(&f.Client(), f.CellCenter({1, 4}) - QPoint(1, 1));
    QTest::mouseMove(&f.Client(), f.CellCenter({1, 4}));
    QVERIFY(f.Grid->HintWindow()->isVisible());
    f.Settle();
    QImage shot = Screenshot(*f.Grid);
    if (QByteArray dir = qgetenv("FENBAN_GRID_PNG_DIR"); !dir.isEmpty())
    {
        QVERIFY(shot.save(QStringLiteral("%1/grid-roster-%2.png").arg(QString::fromLocal8Bit(dir)).arg(scale)));
        // The hint's pointer and shadow, three times as large.
        QRect around = f.CellRect({1, 4}).translated(f.Client().pos()).adjusted(-10, -40, 200, 20);
        QImage zoom = shot.copy(around).scaled(around.size() * 3, Qt::IgnoreAspectRatio, Qt::FastTransformation);
        QVERIFY(zoom.save(QStringLiteral("%1/grid-hint-%2.png").arg(QString::fromLocal8Bit(dir)).arg(scale)));
    }

    QPoint clientAt = f.Client().pos();
    // The merged title is drawn across its block, in the middle.
    QRect title = f.CellRect({0, 0}).united(f.CellRect({cols - 1, 0})).translated(clientAt);
    QVERIFY(DarkPixels(shot, title.adjusted(title.width() / 3, 2, -title.width() / 3, -2)) > 20 * scale / 100);
    // Header texts and a name are drawn.
    QVERIFY(DarkPixels(shot, f.CellRect({1, 1}).translated(clientAt)) > 10);
    QVERIFY(DarkPixels(shot, f.CellRect({1, 2}).translated(clientAt)) > 10);
    // The selection (less the current cell) is inverted: mostly dark.
    QRect inside = f.CellRect({2, 8}).translated(clientAt).adjusted(2, 2, -2, -2);
    QVERIFY(DarkPixels(shot, inside) > inside.width() * inside.height() / 2);
    // The current cell holds the open editor with the typed text.
    QCOMPARE(f.Grid->EditMode(), emEntering);
    QWidget* input = QApplication::focusWidget();
    QVERIFY(input && input != f.Grid.get());
}

QTEST_MAIN(GridLookTest)
#include "gridlook_test.moc"
