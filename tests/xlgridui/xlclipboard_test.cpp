// Copy and paste: the sheet stream between our grids, tab-separated text and
// HTML tables to and from other programs.

#include "xlgridui/xlclipboard.h"

#include "xlgrid/range.h"
#include "xlgrid/sheetstream.h"

#include <QApplication>
#include <QClipboard>
#include <QMimeData>
#include <QTest>

using namespace xlgrid;
using namespace xlgridui;

Q_DECLARE_METATYPE(xlio::Table)

namespace {

std::string Text(const TXLSheet& s, int c, int r)
{
    const TXLCell* cell = s.FindCell(c, r);
    return cell ? cell->AsString() : std::string();
}

void Fill(TXLSheet& s, const xlio::Table& rows)
{
    s.SetRowCount(int(rows.size()));
    size_t w = 0;
    for (const auto& r : rows)
        w = std::max(w, r.size());
    s.SetColCount(int(w));
    for (size_t r = 0; r < rows.size(); ++r)
        for (size_t c = 0; c < rows[r].size(); ++c)
            s.SetText(int(c), int(r), rows[r][c]);
}

}  // namespace

class ClipboardTest : public QObject {
    Q_OBJECT
private Q_SLOTS:
    void ParseTsv_data()
    {
        QTest::addColumn<QString>("text");
        QTest::addColumn<xlio::Table>("expected");
        QTest::newRow("two rows, trailing line feed") << "a\tb\nc\td\n" << xlio::Table{{"a", "b"}, {"c", "d"}};
        QTest::newRow("CR LF and no final break") << "a\tb\r\nc\td" << xlio::Table{{"a", "b"}, {"c", "d"}};
        QTest::newRow("empty fields keep their place") << "\tb\t\n" << xlio::Table{{"", "b", ""}};
        QTest::newRow("quoted tab and line break") << "\"x\ty\"\t\"1\n2\"\n" << xlio::Table{{"x\ty", "1\n2"}};
        QTest::newRow("doubled quote") << "\"say \"\"hi\"\"\"\tz\n" << xlio::Table{{"say \"hi\"", "z"}};
        QTest::newRow("quote inside a field is ordinary") << "5\"\t6\n" << xlio::Table{{"5\"", "6"}};
        QTest::newRow("unclosed quote is kept") << "\"abc\tdef\n" << xlio::Table{{"\"abc", "def"}};
        QTest::newRow("blank line in the middle") << "a\n\nb\n" << xlio::Table{{"a"}, {""}, {"b"}};
        QTest::newRow("Chinese") << "姓名\t性别\n张三\t男\n" << xlio::Table{{"姓名", "性别"}, {"张三", "男"}};
        QTest::newRow("empty text") << "" << xlio::Table{};
    }
    void ParseTsv()
    {
        QFETCH(QString, text);
        QFETCH(xlio::Table, expected);
        QCOMPARE(xlgridui::ParseTsv(text.toStdString()), expected);
    }

    void ParseTsvBounded()
    {
        TXLTableLimits limits;
        limits.MaxCells = 5;
        QVERIFY_THROWS_EXCEPTION(EXLClipboardError, xlgridui::ParseTsv("a\tb\tc\nd\te\tf\n", limits));
        limits = {};
        limits.MaxCols = 2;
        QVERIFY_THROWS_EXCEPTION(EXLClipboardError, xlgridui::ParseTsv("a\tb\tc\n", limits));
    }

    void ParseHtml_data()
    {
        QTest::addColumn<QString>("html");
        QTest::addColumn<xlio::Table>("expected");
        QTest::newRow("plain table") << "<table><tr><td>a</td><td>b</td></tr><tr><td>c</td><td>d</td></tr></table>"
                                     << xlio::Table{{"a", "b"}, {"c", "d"}};
        QTest::newRow("upper case, th, attributes")
            << "<TABLE border=1><TR><TH class=x>姓名</TH><TD style='a'>张三</TD></TR></TABLE>"
            << xlio::Table{{"姓名", "张三"}};
        QTest::newRow("entities and spaces")
            << "<table><tr><td> A&amp;B &lt;1&gt;&nbsp;&#x5F20;&#19977; </td></tr></table>"
            << xlio::Table{{"A&B <1> 张三"}};
        QTest::newRow("br and paragraphs")
            << "<table><tr><td>one<br>two</td><td><p>x</p><p>y</p></td></tr></table>"
            << xlio::Table{{"one\ntwo", "x\ny"}};
        QTest::newRow("colspan leaves empty fields")
            << "<table><tr><td colspan=\"3\">title</td></tr><tr><td>a</td><td>b</td><td>c</td></tr></table>"
            << xlio::Table{{"title", "", ""}, {"a", "b", "c"}};
        QTest::newRow("rowspan shifts the row below")
            << "<table><tr><td rowspan=2>a</td><td>b</td></tr><tr><td>c</td></tr></table>"
            << xlio::Table{{"a", "b"}, {"", "c"}};
        QTest::newRow("style, comments and text outside cells")
            << "<html><head><style>td{color:red}</style></head><body>x<table><!-- <tr><td>no</td></tr> -->"
               "<tr><td>yes</td></tr></table>tail</body></html>"
            << xlio::Table{{"yes"}};
        QTest::newRow("nested table stays text of its cell")
            << "<table><tr><td>out<table><tr><td>in</td></tr></table></td><td>z</td></tr></table>"
            << xlio::Table{{"outin", "z"}};
        QTest::newRow("no end tags")
            << "<table><tr><td>a<td>b<tr><td>c" << xlio::Table{{"a", "b"}, {"c"}};
        QTest::newRow("no table") << "<p>just text</p>" << xlio::Table{};
    }
    void ParseHtml()
    {
        QFETCH(QString, html);
        QFETCH(xlio::Table, expected);
        QCOMPARE(xlgridui::ParseHtmlTable(html.toStdString()), expected);
    }

    void TextAndHtmlCarryTheRange()
    {
        TXLSheet sheet;
        Fill(sheet, {{"姓名", "备注", "x"}, {"张三", "a\tb", "say \"1\""}, {"李四", "two\nlines", "<&>"}});
        TXLSelection(sheet, skClient, {0, 0, 2, 1}).Merge();
        const TXLRect all{0, 0, 3, 3};
        const std::string tsv = RangeToTsv(sheet, skClient, all);
        QCOMPARE(tsv, std::string("姓名\t\tx\n张三\t\"a\tb\"\t\"say \"\"1\"\"\"\n李四\t\"two\nlines\"\t<&>\n"));
        const xlio::Table expected{{"姓名", "", "x"}, {"张三", "a\tb", "say \"1\""}, {"李四", "two\nlines", "<&>"}};
        QCOMPARE(xlgridui::ParseTsv(tsv), expected);
        const std::string html = RangeToHtml(sheet, skClient, all);
        QVERIFY(html.find("colspan=\"2\"") != std::string::npos);
        xlio::Table fromHtml = expected;
        fromHtml[1][1] = "a b";  // HTML folds a tab into a space, as browsers show it
        QCOMPARE(xlgridui::ParseHtmlTable(html), fromHtml);
    }

    void PasteTableFillsTextCellsAndGrows()
    {
        TXLSheet sheet;
        Fill(sheet, {{"1", "2"}, {"3", "4"}});
        sheet.SetValues(0, 0, Variant(7));
        const TXLRect r = PasteTable(sheet, skClient, 1, 1, {{"a", "", "c"}, {"d"}});
        QCOMPARE(r, (TXLRect{1, 1, 4, 3}));
        QCOMPARE(sheet.ColCount(), 4);
        QCOMPARE(sheet.RowCount(), 3);
        QCOMPARE(Text(sheet, 1, 1), std::string("a"));
        QCOMPARE(Text(sheet, 2, 1), std::string(""));
        QVERIFY(!sheet.FindCell(2, 1));  // an empty field creates no cell
        QCOMPARE(Text(sheet, 3, 1), std::string("c"));
        QCOMPARE(Text(sheet, 1, 2), std::string("d"));
        QVERIFY(&sheet.FindCell(1, 1)->CellClass() == &TXLCString::Class());
        QCOMPARE(Text(sheet, 0, 0), std::string("7"));
    }

    void PasteTableEmptiesAndRespectsReadOnly()
    {
        TXLSheet sheet;
        Fill(sheet, {{"1", "2"}});
        sheet.SetProperty(1, 0, pnStyles, static_cast<int32_t>(StyleBit(csReadOnly)));
        PasteTable(sheet, skClient, 0, 0, {{"", "x"}});
        QCOMPARE(Text(sheet, 0, 0), std::string(""));
        QCOMPARE(Text(sheet, 1, 0), std::string("2"));
        PasteTable(sheet, skClient, 0, 0, {{"", "x"}}, piReadOnly);
        QCOMPARE(Text(sheet, 1, 0), std::string("x"));
    }

    void SheetStreamPasteSelectsTheBlock()
    {
        TXLSheet src;
        Fill(src, {{"a", "b", "c"}, {"d", "e", "f"}, {"g", "h", "i"}});
        TXLSelection(src, skClient, {1, 1, 3, 2}).Merge();
        TXLSelection bold(src, skClient, {0, 0, 1, 1});
        TXLFont f = bold.Font();
        f.Style = fsBold;
        bold.SetFont(f, fsBold);
        const std::string stream = CopyRangeToStream(src, skClient, {0, 0, 3, 2});

        TXLSheet dst;
        Fill(dst, {{"1", "2"}, {"3", "4"}});
        TXLSelection(dst, skClient, {0, 1, 2, 2}).Merge();
        const TXLRect pasted = PasteSheetStream(dst, skClient, {1, 1, 2, 2}, stream);
        QCOMPARE(pasted, (TXLRect{1, 1, 4, 3}));
        QCOMPARE(dst.ColCount(), 4);
        QCOMPARE(dst.RowCount(), 3);
        QCOMPARE(Text(dst, 1, 1), std::string("a"));
        QCOMPARE(Text(dst, 3, 2), std::string("e"));  // inside the merged block: its anchor
        QVERIFY(!dst.Section(skClient).Find(3, 2));    // and no copy of its own
        QCOMPARE(Text(dst, 2, 2), std::string("e"));
        QVERIFY(dst.FindCell(1, 1)->Font().Style & fsBold);
        // The old block under the target went; the source's block came along.
        const auto& unions = dst.Section(skClient).Unions();
        QCOMPARE(unions.size(), size_t(1));
        QCOMPARE(unions[0].Rect, (TXLRect{2, 2, 4, 3}));
    }

    void PasteValuesKeepsFormatsAndReadOnly()
    {
        TXLSheet src;
        Fill(src, {{"x", "y"}});
        TXLSelection s(src, skClient, {0, 0, 2, 1});
        TXLFont f = s.Font();
        f.Style = fsItalic;
        s.SetFont(f, fsItalic);
        const std::string stream = CopyRangeToStream(src, skClient, {0, 0, 2, 1});
        TXLSheet dst;
        Fill(dst, {{"1", "2"}});
        dst.SetProperty(1, 0, pnStyles, static_cast<int32_t>(StyleBit(csReadOnly)));
        PasteSheetStream(dst, skClient, {0, 0, 1, 1}, stream, piFormatting);
        QCOMPARE(Text(dst, 0, 0), std::string("x"));
        QCOMPARE(Text(dst, 1, 0), std::string("2"));
        QVERIFY(!(dst.FindCell(0, 0)->Font().Style & fsItalic));
    }

    void TitleSectionDoesNotGrow()
    {
        TXLSheet src;
        Fill(src, {{"x", "y", "z"}});
        const std::string stream = CopyRangeToStream(src, skClient, {0, 0, 3, 1});
        TXLSheet dst;
        dst.SetColCount(2);
        dst.SetRowCount(2);
        const std::string before = SaveSheetToString(dst);
        QVERIFY(PasteSheetStream(dst, skTitleRows, {0, 0, 1, 1}, stream).IsEmpty());
        QVERIFY(SaveSheetToString(dst) == before);
    }

    void DamagedStreamChangesNothing()
    {
        TXLSheet dst;
        Fill(dst, {{"1"}});
        const std::string before = SaveSheetToString(dst);
        QVERIFY_THROWS_EXCEPTION(std::exception, PasteSheetStream(dst, skClient, {0, 0, 1, 1}, "TPF0\x08TXLSheet"));
        QVERIFY(SaveSheetToString(dst) == before);
    }

    void MimeDataPrefersTheSheetThenHtmlThenText()
    {
        TXLSheet src;
        Fill(src, {{"own"}});
        QMimeData own;
        const std::string stream = CopyRangeToStream(src, skClient, {0, 0, 1, 1});
        own.setData(kSheetMimeType, QByteArray::fromStdString(stream));
        own.setText("text");
        own.setHtml("<table><tr><td>html</td></tr></table>");
        QMimeData html;
        html.setText("text");
        html.setHtml("<table><tr><td>html</td></tr></table>");
        QMimeData text;
        text.setText("text\tmore");
        QMimeData htmlWithoutTable;
        htmlWithoutTable.setHtml("<b>bold</b>");
        htmlWithoutTable.setText("plain");
        for (auto [data, want] : {std::pair<QMimeData*, const char*>{&own, "own"}, {&html, "html"}, {&text, "text"},
                                  {&htmlWithoutTable, "plain"}}) {
            TXLSheet dst;
            dst.SetColCount(1);
            dst.SetRowCount(1);
            QVERIFY(CanPasteMimeData(data));
            PasteMimeData(dst, skClient, {0, 0, 1, 1}, data);
            QCOMPARE(Text(dst, 0, 0), std::string(want));
        }
        QVERIFY(!CanPasteMimeData(nullptr));
        QMimeData empty;
        QVERIFY(!CanPasteMimeData(&empty));
    }

    void ClipboardRoundTrip()
    {
        TXLSheet src;
        Fill(src, {{"姓名", "性别"}, {"张三", "男"}});
        QClipboard* clipboard = QApplication::clipboard();
        QVERIFY(CopyRangeToClipboard(*clipboard, src, skClient, {0, 0, 2, 2}));
        const QMimeData* data = clipboard->mimeData();
        QVERIFY(data->hasFormat(kSheetMimeType));
        QCOMPARE(data->text(), QString("姓名\t性别\n张三\t男\n"));
        QVERIFY(data->html().contains("<td>张三</td>"));
        TXLSheet dst;
        const TXLRect r = PasteMimeData(dst, skClient, {0, 0, 1, 1}, data);
        QCOMPARE(r, (TXLRect{0, 0, 2, 2}));
        QCOMPARE(Text(dst, 1, 1), std::string("男"));
    }
};

QTEST_MAIN(ClipboardTest)
#include "xlclipboard_test.moc"
