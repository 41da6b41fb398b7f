#include "painttest.h"

#include "xlgrid/range.h"

#include <gtest/gtest.h>

#include "../xlgrid/sheetcontract.h"

#include <QBuffer>
#include <QGuiApplication>
#include <QPalette>

#include <cstdlib>
#include <set>

namespace {

using namespace xlgrid;
using namespace xlpaint;
using namespace xlpaint::test;

// Default body geometry painted at (1, 1): 60 x 15 pixel cells.
constexpr int kW = 60, kH = 15;
int CellX(int c) { return 1 + kW * c; }
int CellY(int r) { return 1 + kH * r; }
// The pixel column of the grid line after column c (its last pixel).
int LineX(int c) { return CellX(c + 1) - 1; }
int LineY(int r) { return CellY(r + 1) - 1; }

TEST(PaintSection, ColouredCellFillsItsAreaAndTheGridPixelsAboveAndLeft)
{
    TXLSheet sheet;
    sheet.Cells(1, 1)->SetColor(RGBColor(255, 0, 0));
    QImage img = RenderBody(sheet);
    EXPECT_EQ(img.pixel(CellX(1) + 30, CellY(1) + 7), qRgb(255, 0, 0));
    EXPECT_EQ(img.pixel(CellX(1) - 1, CellY(1) - 1), qRgb(255, 0, 0));  // over the grid lines
    EXPECT_EQ(img.pixel(CellX(1) + 30, CellY(2) + 7), ToQColor(clWindow).rgb());
    EXPECT_NE(img.pixel(CellX(1) + 30, CellY(2) + 7), qRgb(255, 0, 0));
}

TEST(PaintSection, BackgroundHookPaintsWhatColouredCellsLeave)
{
    TXLSheet sheet;
    sheet.Cells(0, 0)->SetColor(RGBColor(0, 0, 255));
    int calls = 0;
    QImage img = RenderBody(sheet, 100, [&](TXLPaintInfo& info) {
        info.BackgroundHook = [&](QPainter& p, const QRect& block) {
            ++calls;
            p.fillRect(block, QColor(0, 255, 0));
        };
    });
    EXPECT_EQ(calls, 1);
    EXPECT_EQ(img.pixel(CellX(0) + 20, CellY(0) + 7), qRgb(0, 0, 255));
    EXPECT_EQ(img.pixel(CellX(2) + 20, CellY(2) + 7), qRgb(0, 255, 0));
}

struct GridCase {
    const char* Name;
    TColor Base;
    TColor Lines;
    int Zoom;
    bool Vert, Horz;
    bool ExpectVert, ExpectHorz;
};

class GridLines : public ::testing::TestWithParam<GridCase> {};

TEST_P(GridLines, DrawnOnlyWhenBaseColourDiffersAndZoomAbove25)
{
    const GridCase& c = GetParam();
    TXLSheet sheet;
    sheet.BaseClientStyle().SetColor(c.Base);
    sheet.BaseClientStyle().SetLinesColor(c.Lines);
    QImage img = RenderBody(sheet, c.Zoom, [&](TXLPaintInfo& info) {
        info.VertLines = c.Vert;
        info.HorzLines = c.Horz;
        // A background unlike either colour shows where no line was drawn.
        info.BackgroundHook = [](QPainter& p, const QRect& r) { p.fillRect(r, QColor(0, 255, 0)); };
    });
    int w = kW * c.Zoom / 100, h = kH * c.Zoom / 100;
    QRgb lines = ToQColor(c.Lines).rgb();
    // Inside the block, between two cells.
    EXPECT_EQ(img.pixel(1 + w - 1, 1 + h / 2) == lines, c.ExpectVert) << c.Name;
    EXPECT_EQ(img.pixel(1 + w / 2, 1 + h - 1) == lines, c.ExpectHorz) << c.Name;
}

INSTANTIATE_TEST_SUITE_P(
    Rule, GridLines,
    ::testing::Values(GridCase{"default", clWindow, clBtnFace, 100, true, true, true, true},
                      GridCase{"base_equals_lines", RGBColor(0, 0, 255), RGBColor(0, 0, 255), 100, true, true, false,
                               false},
                      GridCase{"zoom_25", clWindow, RGBColor(255, 0, 0), 25, true, true, false, false},
                      GridCase{"zoom_26", clWindow, RGBColor(255, 0, 0), 26, true, true, true, true},
                      GridCase{"zoom_400", clWindow, RGBColor(255, 0, 0), 400, true, true, true, true},
                      GridCase{"vertical_only", clWindow, RGBColor(255, 0, 0), 100, true, false, true, false},
                      GridCase{"horizontal_only", clWindow, RGBColor(255, 0, 0), 100, false, true, false, true}),
    [](const auto& info) { return std::string(info.param.Name); });

TEST(PaintSection, HiddenColumnDrawsOneBoundary)
{
    TXLSheet sheet;
    sheet.BaseClientStyle().SetLinesColor(RGBColor(255, 0, 0));
    sheet.SetVisible(1, sCols, false);
    QImage img = RenderBody(sheet);
    // Column 2 now starts where column 1 did: one red line, then white.
    EXPECT_EQ(img.pixel(LineX(0), 5), qRgb(255, 0, 0));
    EXPECT_NE(img.pixel(LineX(0) + 1, 5), qRgb(255, 0, 0));
    EXPECT_NE(img.pixel(LineX(0) - 1, 5), qRgb(255, 0, 0));
}

TEST(PaintSection, MergedBlockDrawnOnceWithoutGridLinesThroughIt)
{
    TXLSheet sheet;
    sheet.BaseClientStyle().SetLinesColor(RGBColor(255, 0, 0));
    TXLSelection range(sheet, skClient, TXLRect{0, 0, 3, 2});
    ASSERT_TRUE(range.Merge());
    TXLCell* anchor = sheet.Cells(0, 0);
    anchor->SetAsString("MM");
    anchor->SetHorzAlign(haCenter);
    anchor->SetVertAlign(vaCenter);
    QImage img = RenderBody(sheet);
    // No grid line inside the merged block; the one below it is there.
    for (int y = CellY(0) + 1; y < LineY(1); ++y) {
        ASSERT_NE(img.pixel(LineX(0), y), qRgb(255, 0, 0)) << y;
        ASSERT_NE(img.pixel(LineX(1), y), qRgb(255, 0, 0)) << y;
    }
    ASSERT_NE(img.pixel(CellX(1) + 10, LineY(0)), qRgb(255, 0, 0));
    EXPECT_EQ(img.pixel(CellX(1) + 10, LineY(1)), qRgb(255, 0, 0));
    EXPECT_EQ(img.pixel(LineX(2), CellY(0) + 5), qRgb(255, 0, 0));
    // The text is centred on the block (middle column), not in the anchor's own cell.
    EXPECT_GT(DarkPixels(img, QRect(CellX(1), CellY(0), kW, 2 * kH)), 0);
    EXPECT_EQ(DarkPixels(img, QRect(CellX(0), CellY(0), kW - 5, 2 * kH)), 0);
    EXPECT_EQ(DarkPixels(img, QRect(CellX(2) + 5, CellY(0), kW - 5, 2 * kH)), 0);
}

TEST(PaintSection, MergedBlockReachingIntoTheBlockIsDrawnFromItsAnchor)
{
    TXLSheet sheet;
    sheet.SetColCount(6);
    TXLSelection range(sheet, skClient, TXLRect{0, 0, 4, 1});
    ASSERT_TRUE(range.Merge());
    sheet.Cells(0, 0)->SetAsString("WWWWWWWWWWWWWWWWWWWWWWWWWWWW");
    // Paint only columns 2..5: the anchor lies left of the block.
    QImage img = RenderBody(sheet, 100, [](TXLPaintInfo& info) {
        info.FirstCol = 2;
        info.Left = 1;
    });
    EXPECT_GT(DarkPixels(img, QRect(1, 1, 2 * kW - 2, kH - 1)), 0);
    EXPECT_EQ(DarkPixels(img, QRect(1 + 2 * kW, 1, 2 * kW - 2, kH - 1)), 0);
}

TEST(PaintSection, WeightThreeBorderIsDrawnOverTheNeighboursText)
{
    TXLSheet sheet;
    TXLCell* a = sheet.Cells(0, 0);
    a->SetAsString("████████████");
    a->SetHorzAlign(haRight);
    a->SetVertAlign(vaCenter);
    a->SetWrapMode(wmClip);
    sheet.SetSizes(0, sRows, 30);
    int x = LineX(0) - 1;  // the last pixel column of the text area of cell A
    QImage before = RenderBody(sheet);
    if (const char* dir = std::getenv("FENBAN_PAINT_PNG_DIR"))
        before.save(QString::fromUtf8(dir) + "/weight3-before.png");
    int y = -1;
    for (int yy = CellY(0); yy < CellY(0) + 29; ++yy)
        if (qGray(before.pixel(x, yy)) < 160) {
            y = yy;
            break;
        }
    ASSERT_GE(y, 0) << "the text does not reach the right edge of its cell";
    sheet.Cells(1, 0)->SetSide(sLeft, TXLLine{3, RGBColor(255, 0, 0)});
    QImage after = RenderBody(sheet);
    EXPECT_EQ(after.pixel(x, y), qRgb(255, 0, 0));
    EXPECT_EQ(after.pixel(x + 2, y), qRgb(255, 0, 0));
    EXPECT_NE(after.pixel(x - 1, y), qRgb(255, 0, 0));
    EXPECT_EQ(after.pixel(x - 1, y), before.pixel(x - 1, y));
}

TEST(PaintSection, TitleSectionsDrawNoExplicitBorders)
{
    TXLSheet sheet;
    sheet.Cells(0, -1)->SetSide(sBottom, TXLLine{3, RGBColor(255, 0, 0)});
    EnsureGuiApplication();
    QImage img(200, 40, QImage::Format_RGB32);
    img.fill(Qt::white);
    QPainter p(&img);
    TXLPaintInfo info;
    info.ColSizes = &sheet.SizeList(sCols, true);
    info.RowSizes = &sheet.SizeList(sRows, false);
    info.LastCol = 1;
    info.LastRow = 0;
    info.Canvas = &p;
    PaintSection(sheet.Section(skTitleRows), info);
    p.end();
    for (int x = 0; x < 120; ++x)
        ASSERT_NE(img.pixel(x, 14), qRgb(255, 0, 0)) << x;
}

struct HiddenCase {
    const char* Name;
    bool ShowHidden, MarkMode, ExpectText;
};

class HiddenCells : public ::testing::TestWithParam<HiddenCase> {};

TEST_P(HiddenCells, ShownOnlyWhenAsked)
{
    const HiddenCase& c = GetParam();
    TXLSheet sheet;
    TXLCell* cell = sheet.Cells(1, 1);
    cell->SetAsString("HIDDEN");
    cell->SetStyles(StyleBit(csHidden));
    QImage img = RenderBody(sheet, 100, [&](TXLPaintInfo& info) {
        info.ShowHidden = c.ShowHidden;
        info.MarkMode = c.MarkMode;
    });
    EXPECT_EQ(DarkPixels(img, QRect(CellX(1), CellY(1), kW - 1, kH - 1)) > 0, c.ExpectText) << c.Name;
}

INSTANTIATE_TEST_SUITE_P(Request, HiddenCells,
                         ::testing::Values(HiddenCase{"plain", false, false, false},
                                           HiddenCase{"show_hidden", true, false, true},
                                           HiddenCase{"mark_mode", false, true, true}),
                         [](const auto& info) { return std::string(info.param.Name); });

TEST(PaintSection, SevenFramesLookDifferent)
{
    TXLSheet sheet;
    sheet.SetColCount(7);
    sheet.SetRowCount(1);
    sheet.SetSizes(0, sRows, 20);
    for (int f = 0; f < 7; ++f)
        sheet.Cells(f, 0)->SetFrame(static_cast<TXLFrame>(f));
    QImage img = RenderBody(sheet);
    std::set<std::vector<QRgb>> looks;
    for (int f = 0; f < 7; ++f) {
        std::vector<QRgb> pixels;
        // Two pixels deep along the top-left and bottom-right corners of the cell.
        for (int d = 0; d < 3; ++d) {
            pixels.push_back(img.pixel(CellX(f) + 10, CellY(0) + d));
            pixels.push_back(img.pixel(CellX(f) + d, CellY(0) + 10));
            pixels.push_back(img.pixel(CellX(f) + 10, CellY(0) + 19 - d));
            pixels.push_back(img.pixel(CellX(f) + kW - 1 - d, CellY(0) + 10));
        }
        looks.insert(pixels);
    }
    EXPECT_EQ(looks.size(), 7u);
}

TEST(PaintSection, FrameShrinksTheTextArea)
{
    TXLSheet sheet;
    TXLCell* cell = sheet.Cells(0, 0);
    cell->SetAsString("WWWWWWWWWWWWWWWWWWWWWWW");
    cell->SetWrapMode(wmClip);
    cell->SetFrame(frDeepDown);
    QImage img = RenderBody(sheet);
    // The two frame pixels on the left stay frame coloured, not text.
    for (int y = CellY(0) + 2; y < CellY(0) + 12; ++y)
        EXPECT_EQ(img.pixel(CellX(0) + 1, y), ToQColor(clBtnShadow).rgb()) << y;
}

TEST(PaintSection, MarksInvertOnlyInMarkMode)
{
    TXLSheet sheet;
    auto state = [](int col, int row) { return col == 1 && row == 1 ? mfCorner : 0; };
    QImage plain = RenderBody(sheet, 100, [&](TXLPaintInfo& info) { info.CellState = state; });
    QImage marked = RenderBody(sheet, 100, [&](TXLPaintInfo& info) {
        info.CellState = state;
        info.MarkMode = true;
    });
    EXPECT_EQ(plain.pixel(CellX(1) + 1, CellY(1) + 1), ToQColor(clWindow).rgb());
    EXPECT_EQ(marked.pixel(CellX(1) + 1, CellY(1) + 1), qRgb(0, 0, 0));
    EXPECT_EQ(marked.pixel(CellX(1) + 5, CellY(1) + 5), ToQColor(clWindow).rgb());
}

TEST(PaintSection, HintMarkInTheTopRightCorner)
{
    TXLSheet sheet;
    sheet.Cells(1, 1)->SetHint("note");
    auto render = [&](bool hints) {
        return RenderBody(sheet, 100, [&](TXLPaintInfo& info) { info.HintMarks = hints; });
    };
    QImage with = render(true), without = render(false);
    QPoint corner(CellX(2) - 2, CellY(1) + 1);
    EXPECT_EQ(with.pixel(corner), qRgb(255, 0, 0));
    EXPECT_NE(without.pixel(corner), qRgb(255, 0, 0));
}

TEST(PaintSection, CheckBoxOfABooleanCell)
{
    TXLSheet sheet;
    TXLCell* off = sheet.SetCellClass(0, 0, TXLCBoolean::Class());
    TXLCell* on = sheet.SetCellClass(1, 0, TXLCBoolean::Class());
    on->SetAsBoolean(true);
    off->SetFormat("");
    on->SetFormat("");
    sheet.SetSizes(0, sRows, 20);
    QImage img = RenderBody(sheet);
    int offDark = DarkPixels(img, QRect(CellX(0), CellY(0), kW - 1, 19));
    int onDark = DarkPixels(img, QRect(CellX(1), CellY(0), kW - 1, 19));
    EXPECT_GT(offDark, 20);  // the box
    EXPECT_GT(onDark, offDark + 5);  // and the tick
}

TEST(PaintSection, PictureCellIsStretchedByItsWrapMode)
{
    QImage red(4, 4, QImage::Format_RGB32);
    red.fill(Qt::red);
    QByteArray png;
    {
        QBuffer buffer(&png);
        buffer.open(QIODevice::WriteOnly);
        red.save(&buffer, "PNG");
    }
    TXLSheet sheet;
    TXLCell* cell = sheet.SetCellClass(0, 0, TXLCPicture::Class());
    TXLPicture picture{"PNG", std::string(png.constData(), static_cast<size_t>(png.size())), 4, 4};
    cell->SetAsPicture(&picture);
    cell->SetWrapMode(wmWrapWords);
    QImage img = RenderBody(sheet);
    EXPECT_EQ(img.pixel(CellX(0) + 50, CellY(0) + 10), qRgb(255, 0, 0));
    cell->SetWrapMode(wmClip);
    cell->SetHorzAlign(haLeft);
    cell->SetVertAlign(vaTop);
    img = RenderBody(sheet);
    EXPECT_EQ(img.pixel(CellX(0) + 2, CellY(0) + 2), qRgb(255, 0, 0));
    EXPECT_NE(img.pixel(CellX(0) + 50, CellY(0) + 10), qRgb(255, 0, 0));
}

TEST(PaintSection, EllipsisEndsAnOverlongLine)
{
    TXLSheet sheet;
    TXLCell* clip = sheet.Cells(0, 0);
    TXLCell* dots = sheet.Cells(0, 1);
    for (TXLCell* c : {clip, dots}) {
        c->SetAsString("ABCDEFGHIJKLMNOPQRSTUVWXYZ");
        c->SetVertAlign(vaTop);
    }
    clip->SetWrapMode(wmClip);
    dots->SetWrapMode(wmEllipsis);
    QImage img = RenderBody(sheet);
    QImage a = img.copy(QRect(CellX(0), CellY(0), kW - 1, kH - 1));
    QImage b = img.copy(QRect(CellX(0), CellY(1), kW - 1, kH - 1));
    EXPECT_NE(a, b);
}

TEST(PaintSection, WordWrapUsesTheNextLine)
{
    TXLSheet sheet;
    sheet.SetSizes(0, sRows, 45);
    TXLCell* cell = sheet.Cells(0, 0);
    cell->SetAsString("aa bb cc dd ee ff");
    cell->SetVertAlign(vaTop);
    cell->SetWrapMode(wmWrapWords);
    QImage img = RenderBody(sheet);
    EXPECT_GT(DarkPixels(img, QRect(CellX(0), CellY(0) + 16, kW - 1, 14)), 0);
    cell->SetWrapMode(wmClip);
    img = RenderBody(sheet);
    EXPECT_EQ(DarkPixels(img, QRect(CellX(0), CellY(0) + 16, kW - 1, 14)), 0);
}

TEST(PaintSection, ChineseTextRendersWithTheSheetFont)
{
    TXLSheet sheet;
    TXLCell* cell = sheet.Cells(0, 0);
    cell->SetAsString("张三");
    cell->SetVertAlign(vaTop);
    QFont font = ToQFont(cell->Font());
    EXPECT_TRUE(QFontMetrics(font).inFont(QChar(0x5F20)));  // 张
    QImage img = RenderBody(sheet);
    EXPECT_GT(DarkPixels(img, QRect(CellX(0), CellY(0), kW - 1, kH - 1)), 10);
}

TEST(PaintSection, NothingOutsideTheCallersClip)
{
    TXLSheet sheet;
    sheet.Cells(0, 0)->SetColor(RGBColor(255, 0, 0));
    EnsureGuiApplication();
    QImage img(200, 100, QImage::Format_RGB32);
    img.fill(Qt::black);
    QPainter p(&img);
    p.setClipRect(QRect(0, 0, 30, 100));
    TXLPaintInfo info;
    info.ColSizes = &sheet.SizeList(sCols, true);
    info.RowSizes = &sheet.SizeList(sRows, true);
    info.LastCol = 4;
    info.LastRow = 4;
    info.Canvas = &p;
    PaintSection(sheet.Section(skClient), info);
    p.end();
    EXPECT_EQ(img.pixel(100, 30), qRgb(0, 0, 0));
    EXPECT_EQ(img.pixel(10, 5), qRgb(255, 0, 0));
}

TEST(TextMeasure, RealFontsMeasureChineseWiderThanLatin)
{
    EnsureGuiApplication();
    TQtTextMeasure measure;
    TXLFont font;
    TXLSize latin = measure.MeasureText("ab", font);
    TXLSize chinese = measure.MeasureText("张三", font);
    EXPECT_GT(chinese.Width, latin.Width);
    EXPECT_GT(measure.MeasureText("a\nb", font).Height, latin.Height);
    TXLSheet sheet;
    sheet.SetText(0, 0, "一二三四五六七八九十一二三四五六七八九十");
    EXPECT_GT(sheet.BestWidth(0), 200);
}

TEST(Colors, ExplicitAndSystemColours)
{
    EXPECT_EQ(ToQColor(0xFFE4DD), QColor(221, 228, 255));
    EXPECT_EQ(ToQColor(clRed), QColor(255, 0, 0));
    EXPECT_FALSE(ToQColor(clNone).isValid());
    EXPECT_EQ(ToQColor(clWindow), QGuiApplication::palette().color(QPalette::Base));
    EXPECT_EQ(ToQColor(clWindowText), QGuiApplication::palette().color(QPalette::Text));
    EXPECT_NE(ToQColor(clBtnFace), ToQColor(clBtnShadow));
}

}  // namespace

namespace {

using namespace xlgrid;
using namespace xlpaint;
using namespace xlpaint::test;

// The four sections side by side, as the grid shows a sheet.
TEST(PaintSection, WholeSheetViewWithHeaders)
{
    TXLSheet sheet;
    sheet.SetColCount(4);
    sheet.SetRowCount(4);
    sheet.SetColDefWidth(80);
    sheet.SetRowDefHeight(20);
    sheet.SetSizes(-1, sCols, 28);
    sheet.BaseTitleStyle().SetColor(0xFFE4DD);
    sheet.FillTitles();
    sheet.SetText(0, 0, "高一新生名单");
    TXLSelection(sheet, skClient, TXLRect{0, 0, 4, 1}).Merge();
    sheet.Cells(0, 0)->SetHorzAlign(haCenter);
    const char* names[] = {"张伟", "王芳", "李娜"};
    for (int r = 1; r < 4; ++r) {
        sheet.SetCellBox(0, r, clBlack, clNone, clWindowText, Variant(std::string(names[r - 1])));
        sheet.SetCellBox(1, r, clBlack, RGBColor(255, 255, 200), clWindowText, Variant(r % 2 ? "男" : "女"));
    }
    EnsureGuiApplication();
    QImage img(400, 120, QImage::Format_RGB32);
    img.fill(Qt::white);
    QPainter p(&img);
    for (TXLSectionKind s : kSectionKinds) {
        bool clientCols = s == 0 || s == 3, clientRows = s == 1 || s == 3;
        TXLPaintInfo info;
        info.ColSizes = &sheet.SizeList(sCols, clientCols);
        info.RowSizes = &sheet.SizeList(sRows, clientRows);
        info.LastCol = sheet.Section(s).ColCount() - 1;
        info.LastRow = sheet.Section(s).RowCount() - 1;
        info.Left = clientCols ? 28 : 0;
        info.Top = clientRows ? 20 : 0;
        info.Canvas = &p;
        CollectMergedBlocks(sheet.Section(s), info);
        PaintSection(sheet.Section(s), info);
    }
    p.end();
    if (const char* dir = std::getenv("FENBAN_PAINT_PNG_DIR"))
        img.save(QString::fromUtf8(dir) + "/whole-sheet.png");
    EXPECT_GT(DarkPixels(img, QRect(28, 0, 80, 19)), 5);   // "A"
    EXPECT_GT(DarkPixels(img, QRect(0, 40, 27, 19)), 5);   // "2"
    EXPECT_EQ(img.pixel(30 + 80, 2), ToQColor(0xFFE4DD).rgb());
    EXPECT_GT(DarkPixels(img, QRect(28 + 80, 20, 160, 19)), 20);  // the centred caption
}

}  // namespace

namespace {

using namespace xlgrid;
using namespace xlpaint;
using namespace xlpaint::test;

TEST(PaintSection, GroupBoxShowsItsState)
{
    TXLSheet sheet;
    TXLCell* group = sheet.SetCellClass(0, 0, TXLCGroup::Class());
    ASSERT_TRUE(TXLSelection(sheet, skClient, TXLRect{0, 0, 3, 1}).Merge());
    group = sheet.Cells(0, 0);
    ASSERT_EQ(&group->CellClass(), &TXLCGroup::Class());
    group->SetVertAlign(vaTop);
    QImage expanded = RenderBody(sheet);
    group->SetAsBoolean(true);
    QImage collapsed = RenderBody(sheet);
    QRect box(CellX(0), CellY(0), 14, kH - 1);
    EXPECT_GT(DarkPixels(expanded, box), 0);
    EXPECT_NE(expanded.copy(box), collapsed.copy(box));  // "-" against "+"
    // The guide line runs along the expanded group only.
    EXPECT_GT(DarkPixels(expanded, QRect(CellX(1), CellY(0), kW, kH - 1)), 0);
    EXPECT_EQ(DarkPixels(collapsed, QRect(CellX(1), CellY(0), kW, kH - 1)), 0);
}

// Painting a cell answers its repaint request: written many times between
// two paints it asks once, and once more after it was painted.
TEST(PaintSection, PaintingACellAnswersItsRepaintRequest)
{
    TXLSheet sheet;
    xlgrid::testing::SheetContract user(sheet);
    for (int i = 0; i < 20; ++i)
        sheet.SetText(1, 1, "before " + std::to_string(i));
    sheet.Cells(2, 2)->SetColor(clRed);
    sheet.SetVisible(3, sCols, false);
    sheet.SetText(3, 0, "in a hidden column");
    EXPECT_EQ(user.Repaints(skClient), (std::vector<TXLRect>{{1, 1, 2, 2}, {2, 2, 3, 3}, {3, 0, 4, 1}}));
    RenderBody(sheet);
    for (int i = 0; i < 20; ++i)
        sheet.SetText(1, 1, "after " + std::to_string(i));
    sheet.Cells(2, 2)->SetColor(clBlue);
    sheet.SetText(3, 0, "still not painted");
    EXPECT_EQ(user.Repaints(skClient),
              (std::vector<TXLRect>{{1, 1, 2, 2}, {2, 2, 3, 3}, {3, 0, 4, 1}, {1, 1, 2, 2}, {2, 2, 3, 3}}));
}

}  // namespace
