#include "xlgrid/sheetstream.h"

#include "xlgrid/range.h"
#include "xlgrid/style.h"

#include <gtest/gtest.h>

#include "sheetcontract.h"

#include <csignal>
#include <cstdio>
#include <filesystem>
#include <functional>
#include <fstream>
#include <sys/resource.h>
#include <sys/wait.h>
#include <unistd.h>

using namespace xlgrid;
using xlgrid::testing::CheckedSheet;
using xlgrid::testing::SheetContract;

namespace {

std::string Hex(std::string_view bytes)
{
    static const char* digits = "0123456789ABCDEF";
    std::string out;
    for (unsigned char c : bytes) {
        if (!out.empty())
            out += ' ';
        out += digits[c >> 4];
        out += digits[c & 15];
    }
    return out;
}

std::string Unhex(std::string_view text)
{
    std::string out;
    int nibble = -1;
    for (char c : text) {
        int v = (c >= '0' && c <= '9') ? c - '0' : (c >= 'A' && c <= 'F') ? c - 'A' + 10 : -1;
        if (v < 0)
            continue;
        if (nibble < 0) {
            nibble = v;
        } else {
            out += static_cast<char>(nibble << 4 | v);
            nibble = -1;
        }
    }
    return out;
}

// The value bytes of a property record (type byte first), up to `n` bytes.
std::string PropertyBytes(const std::string& stream, std::string_view name, size_t n)
{
    std::string key;
    key += static_cast<char>(name.size());
    key += name;
    size_t at = stream.find(key);
    if (at == std::string::npos)
        return {};
    return stream.substr(at + key.size(), n);
}

std::string XLDataOf(const std::string& stream)
{
    std::string head = PropertyBytes(stream, "XLData", 5);
    EXPECT_EQ(head.size(), 5u);
    EXPECT_EQ(head[0], 10);
    uint32_t len;
    std::memcpy(&len, head.data() + 1, 4);
    size_t at = stream.find("\x06XLData") + 7 + 5;
    return stream.substr(at, len);
}

// A 2x1 BMP image, complete with headers.
std::string SmallBitmap()
{
    std::string bmp = Unhex("42 4D 46 00 00 00 00 00 00 00 36 00 00 00 28 00 00 00 02 00 00 00 01 00 00 00"
                            "01 00 18 00 00 00 00 00 10 00 00 00 13 0B 00 00 13 0B 00 00 00 00 00 00 00 00 00 00");
    bmp += Unhex("FF 00 00 00 FF 00 00 00");
    return bmp;
}

// A sheet that uses every cell class, merged ranges, hidden rows, sizes,
// hints, fonts, formats, lines, colours, a background and a styler.
void BuildRichSheet(TXLSheet& sheet, TXLStyler& styler)
{
    styler.SetName("Styler1");
    TXLStyle* head = styler.AddStyle("表头");
    head->SetColor(RGBColor(221, 228, 255));
    TXLFont bold;
    bold.Style = fsBold;
    bold.Size = 12;
    head->SetFont(bold);
    TXLStyle* money = styler.AddStyle("Money");
    money->SetValueClass(TXLCCurrency::Class());
    money->SetFormat("$# ##0.00");
    sheet.SetStyler(&styler);

    sheet.SetTag(7);
    sheet.SetAuthor("教务处 𠀀");
    sheet.SetTitle("高一(3)班");
    sheet.SetPrintMargins({10, 20, 300, 40000});
    sheet.SetPrintMode(pmCustom);
    sheet.SetPrintScale(150);
    sheet.SetPrintHidden(true);
    sheet.SetPrintTitles(AxisBit(sRows));
    sheet.SetPrintGridLines(true);
    sheet.SetColCount(12);
    sheet.SetRowCount(40);
    sheet.SetTitleCols(1);
    sheet.SetTitleRows(2);
    sheet.SetReadOnly(true);
    sheet.SetDesignPosition(8, -3);
    sheet.SetBackground({"BMP", SmallBitmap(), 2, 1});
    sheet.BaseClientStyle().SetErrorColor(clBlue);
    sheet.BaseTitleStyle().SetLinesColor(clBlack);

    sheet.SetSizes(0, sCols, 90);
    sheet.SetSizes(3, sCols, 1);
    sheet.SetSizes(-1, sCols, 35);
    sheet.SetSizes(-2, sRows, 30);
    sheet.SetSizes(33, sRows, 44);
    sheet.SetVisible(5, sRows, false);
    sheet.SetVisible(6, sRows, false);
    sheet.SetVisible(9, sCols, false);

    sheet.FillTitles();
    sheet.SetText(0, -2, "学生名单");
    MergeSectionRect(sheet.Section(skTitleRows), {0, 0, 6, 1});
    sheet.SetText(0, 0, "张三 𠀁");
    sheet.FindCell(0, 0)->SetHint("班长");
    sheet.SetCellClass(1, 0, TXLCStrings::Class())->SetValue(Variant(std::string("男\r\n女\r\n")));
    sheet.FindCell(1, 0)->SetAsInteger(1);
    sheet.SetCellClass(2, 0, TXLCInteger::Class())->SetValue(Variant(-123456));
    sheet.SetCellClass(3, 0, TXLCDouble::Class())->SetValue(Variant(98.25));
    sheet.FindCell(3, 0)->SetFormat("0.00");
    sheet.SetCellClass(4, 0, TXLCCurrency::Class())->SetValue(Variant::FromCurrency(123456789));
    sheet.FindCell(4, 0)->SetBasedOn(money);
    sheet.SetCellClass(5, 0, TXLCDateTime::Class())->SetValue(Variant::FromDate(45000.5));
    sheet.FindCell(5, 0)->SetFormat("yyyy-mm-dd custom");
    sheet.SetCellClass(6, 0, TXLCBoolean::Class())->SetValue(Variant(true));
    TXLPicture picture{"BMP", SmallBitmap(), 2, 1};
    sheet.SetCellClass(7, 0, TXLCPicture::Class())->SetAsPicture(&picture);
    sheet.SetCellClass(7, 1, TXLCPicture::Class());
    sheet.SetCellClass(8, 0, TXLCUrl::Class())->SetAsString("https://example.org/");
    sheet.SetCellClass(9, 0, TXLCFormula::Class())->SetValue(Variant(std::string("=C1*2")));
    sheet.SetCellClass(10, 0, TXLCGroup::Class());
    sheet.SetText(1, 2, "merged");
    MergeSectionRect(sheet.Section(skClient), {1, 2, 4, 4});
    sheet.FindCell(1, 2)->SetBasedOn(head);
    sheet.SetText(0, 39, "last");
    TXLFont font;
    font.Name = "微软雅黑";
    font.Size = 11;
    font.Color = clRed;
    font.Style = fsItalic | fsUnderline;
    sheet.FindCell(0, 39)->SetFont(font);
    sheet.FindCell(0, 39)->SetSide(sBottom, TXLLine{2, clBlue});
    sheet.FindCell(0, 39)->SetColor(clGreen);
    sheet.FindCell(0, 39)->SetHorzAlign(haRight);
    sheet.SetProperty(11, 20, pnFrame, frDeepDown);
    sheet.SetText(-1, 3, "4");
    sheet.SetText(-1, -1, "#");
}

void ExpectLoadFails(TXLSheet& sheet, const std::string& data, const std::string& fragment)
{
    try {
        LoadSheetFromStream(sheet, data);
        ADD_FAILURE() << "no error for " << fragment;
    } catch (const EXLStreamError& e) {
        EXPECT_NE(std::string(e.what()).find(fragment), std::string::npos) << e.what();
    }
}

// A hand-made stream of a sheet with `cols` x `rows` client cells and no
// headings, around the given "XLData" bytes (ColCount written as a 4-byte integer).
std::string HandStream(int cols, int rows, const std::string& xldata)
{
    std::string out;
    TXLBinWriter w(out);
    w.Bytes("TPF0");
    w.ShortString("TXLSheet");
    w.ShortString("");
    w.ShortString("ColCount");
    w.U8(4);
    w.I32(cols);
    w.ShortString("RowCount");
    w.U8(3);
    w.I16(static_cast<int16_t>(rows));
    w.ShortString("TitleCols");
    w.U8(2);
    w.U8(0);
    w.ShortString("TitleRows");
    w.U8(2);
    w.U8(0);
    w.ShortString("XLData");
    w.U8(10);
    w.U32(static_cast<uint32_t>(xldata.size()));
    w.Bytes(xldata);
    w.U8(0);
    w.U8(0);
    return out;
}

// "XLData" signature and the two base style blocks a new sheet writes
// (SheetStreamGolden.HandStreamsStartAsANewSheet keeps them true). Bytes, not
// a saved sheet: the parameter tables are built before main, when the
// registry must not exist yet.
std::string HandXLStyles()
{
    return Unhex(
        "58 4C 47 16 62 00 00 00 FF 03 04 00 00 00 CB CE CC E5 01 00 00 00 00 00 00 00 F4 FF FF FF 08 00"
        "00 FF B2 03 00 00 00 00 00 00 00 00 00 00 00 00 00 00 00 00 00 00 00 00 00 00 00 00 00 00 00 00"
        "00 00 00 00 00 00 00 00 00 00 00 00 00 00 05 00 00 FF 00 00 00 00 00 00 00 00 00 00 10 02 FF 00"
        "00 00 0F 00 00 FF 62 00 00 00 FF 03 04 00 00 00 CB CE CC E5 01 00 00 00 00 00 00 00 F4 FF FF FF"
        "08 00 00 FF B2 03 00 00 00 00 00 00 00 00 00 00 00 00 00 00 00 00 00 00 00 00 00 00 00 00 00 00"
        "00 00 00 00 00 00 00 00 00 00 00 00 00 00 00 00 0F 00 00 FF 01 00 00 00 00 00 00 00 00 00 22 00"
        "FF 00 00 00 FF FF FF 00");
}

// The same, then no sizes.
std::string HandXLHead() { return HandXLStyles() + std::string(1, '\0'); }

std::string TempDir()
{
    std::string dir = ::testing::TempDir() + "sheetstream_XXXXXX";
    if (!::mkdtemp(dir.data()))
        throw std::runtime_error("mkdtemp");
    return dir;
}

}  // namespace

// ---- golden bytes ----------------------------------------------------------

TEST(SheetStreamGolden, HandStreamsStartAsANewSheet)
{
    EXPECT_EQ(Hex(XLDataOf(SaveSheetToString(TXLSheet())).substr(0, HandXLStyles().size())), Hex(HandXLStyles()));
}

TEST(SheetStreamGolden, DataSheetWritesTheDocumented205Bytes)
{
    CheckedSheet sheet;
    sheet.SetColCount(0);
    sheet.SetRowCount(0);
    sheet.SetTitleCols(1);
    sheet.SetTitleRows(1);
    TXLBaseStyle& client = sheet.BaseClientStyle();
    client.SetColor(clWindow);
    client.SetFrame(frNone);
    client.SetLayout({0, haCenter, vaCenter, wmWrapWords});
    client.SetErrorColor(clRed);
    client.SetLinesColor(clBtnFace);
    TXLBaseStyle& title = sheet.BaseTitleStyle();
    title.SetColor(clBtnFace);
    title.SetFrame(frFlatUp);
    title.SetLayout({0, haCenter, vaCenter, wmClip});
    title.SetErrorColor(clRed);
    title.SetLinesColor(0);

    const std::string styleHead = "62 00 00 00 FF 03 04 00 00 00 CB CE CC E5 01 00 00 00 00 00 00 00 F4 FF FF FF"
                                  "08 00 00 FF B2 03 00 00 00 00 00 00 00 00 00 00" +
                                  std::string(32 * 2, '0');
    const std::string expected = Unhex("58 4C 47 16" + styleHead + "05 00 00 FF 00 00 00 00 00 00 00 00 00 00 22 02" +
                                       "FF 00 00 00 0F 00 00 FF" + styleHead +
                                       "0F 00 00 FF 01 00 00 00 00 00 00 00 00 00 22 00 FF 00 00 00 00 00 00 00" +
                                       "00 00 00 00 00");
    ASSERT_EQ(expected.size(), 205u);
    std::string stream = SaveSheetToString(sheet);
    EXPECT_EQ(Hex(XLDataOf(stream)), Hex(expected));

    // The file level around it: signature, class, empty name, the properties in order.
    EXPECT_EQ(stream.substr(0, 14), std::string("TPF0\x08TXLSheet\x00", 14));
    EXPECT_EQ(Hex(stream.substr(stream.size() - 2)), "00 00");
    const char* order[] = {"PrintMarginLeft", "PrintMarginTop", "PrintMarginRight", "PrintMarginBottom",
                           "PrintMode", "PrintScale", "PrintHidden", "PrintTitles", "PrintGridLines",
                           "ColCount", "ColDefWidth", "ColMaxWidth", "RowCount", "RowDefHeight",
                           "RowMaxHeight", "TitleCols", "TitleRows", "ReadOnly", "XLData"};
    size_t last = 0;
    for (const char* name : order) {
        size_t at = stream.find(std::string(1, static_cast<char>(std::strlen(name))) + name);
        ASSERT_NE(at, std::string::npos) << name;
        EXPECT_GT(at, last) << name;
        last = at;
    }
    EXPECT_EQ(stream.find("\x03Tag"), std::string::npos);
    EXPECT_EQ(Hex(PropertyBytes(stream, "PrintMode", 10)), Hex("\x07\x08pmNormal"));
    EXPECT_EQ(Hex(PropertyBytes(stream, "PrintTitles", 2)), "0B 00");
    EXPECT_EQ(Hex(PropertyBytes(stream, "PrintScale", 2)), "02 64");
}

struct PropertyCase {
    const char* name;
    std::function<void(TXLSheet&)> set;
    const char* property;
    std::string expected;  // the value bytes, type first
};

class SheetStreamProperty : public ::testing::TestWithParam<PropertyCase> {};

TEST_P(SheetStreamProperty, WritesTheSmallestKind)
{
    const PropertyCase& c = GetParam();
    CheckedSheet sheet;
    c.set(sheet);
    std::string stream = SaveSheetToString(sheet);
    EXPECT_EQ(Hex(PropertyBytes(stream, c.property, c.expected.size())), Hex(c.expected));
    // And every kind reads back to the same sheet.
    CheckedSheet loaded;
    LoadSheetFromStream(loaded, stream);
    EXPECT_EQ(Hex(SaveSheetToString(loaded)), Hex(stream));
}

INSTANTIATE_TEST_SUITE_P(
    Kinds, SheetStreamProperty,
    ::testing::Values(
        PropertyCase{"ChineseTitle", [](TXLSheet& s) { s.SetTitle("高一"); }, "Title",
                     Unhex("14 06 00 00 00 E9 AB 98 E4 B8 80")},
        PropertyCase{"AsciiTitle", [](TXLSheet& s) { s.SetTitle("Roster"); }, "Title", "\x06\x06Roster"},
        PropertyCase{"LongAsciiTitle", [](TXLSheet& s) { s.SetTitle(std::string(300, 'x')); }, "Title",
                     Unhex("0C 2C 01 00 00") + std::string(300, 'x')},
        PropertyCase{"TitleOutsideGbk", [](TXLSheet& s) { s.SetTitle("𠀀"); }, "Title",
                     Unhex("14 04 00 00 00 F0 A0 80 80")},
        PropertyCase{"Tag100", [](TXLSheet& s) { s.SetTag(100); }, "Tag", Unhex("02 64")},
        PropertyCase{"Tag200", [](TXLSheet& s) { s.SetTag(200); }, "Tag", Unhex("03 C8 00")},
        PropertyCase{"TagMinus129", [](TXLSheet& s) { s.SetTag(-129); }, "Tag", Unhex("03 7F FF")},
        PropertyCase{"Tag40000", [](TXLSheet& s) { s.SetTag(40000); }, "Tag", Unhex("04 40 9C 00 00")},
        PropertyCase{"PrintTitlesBoth", [](TXLSheet& s) { s.SetPrintTitles(3); }, "PrintTitles",
                     "\x0B\x05sCols\x05sRows" + std::string(1, '\0')},
        PropertyCase{"ReadOnly", [](TXLSheet& s) { s.SetReadOnly(true); }, "ReadOnly", "\x09"}),
    [](const ::testing::TestParamInfo<PropertyCase>& info) { return info.param.name; });

TEST(SheetStreamGolden, PlainTextCellWritesOnlyValueProps)
{
    CheckedSheet sheet;
    sheet.SetText(0, 0, "abc");
    std::string xl = XLDataOf(SaveSheetToString(sheet));
    // row 0, column 0, class 946, block of 13 bytes: props 00 01, String32 "abc".
    std::string cell = Unhex("00 00 00 00 00 00 00 00 B2 03 00 00 0D 00 00 00 00 01 03 00 00 00") + "abc";
    EXPECT_NE(xl.find(cell), std::string::npos) << Hex(xl);
}

TEST(SheetStreamGolden, CellTextIsGb18030)
{
    CheckedSheet sheet;
    sheet.SetText(0, 0, "宋𠀀");
    std::string xl = XLDataOf(SaveSheetToString(sheet));
    EXPECT_NE(xl.find(Unhex("06 00 00 00 CB CE 95 32 82 36")), std::string::npos) << Hex(xl);
}

// ---- round trips -----------------------------------------------------------

TEST(SheetStreamRoundTrip, RichSheetIsByteIdentical)
{
    TXLStyler styler;
    CheckedSheet sheet;
    BuildRichSheet(sheet, styler);
    std::string first = SaveSheetToString(sheet);

    CheckedSheet loaded;
    TXLLoadOptions options;
    options.FindStyler = [&](const std::string& name) { return name == "Styler1" ? &styler : nullptr; };
    LoadSheetFromStream(loaded, first, options);
    std::string second = SaveSheetToString(loaded);
    ASSERT_EQ(first.size(), second.size());
    EXPECT_EQ(Hex(first), Hex(second));

    EXPECT_EQ(loaded.Title(), "高一(3)班");
    EXPECT_EQ(loaded.Author(), "教务处 𠀀");
    EXPECT_EQ(loaded.Values(0, 0).Str(), "张三 𠀁");
    EXPECT_EQ(loaded.FindCell(0, 0)->Hint(), "班长");
    EXPECT_EQ(loaded.FindCell(0, -2)->Width(), 6);
    EXPECT_EQ(loaded.FindCell(2, -2), loaded.FindCell(0, -2));
    EXPECT_EQ(loaded.FindCell(3, 3), loaded.FindCell(1, 2));
    EXPECT_EQ(loaded.FindCell(1, 2)->BasedOn(), styler.FindStyle("表头"));
    EXPECT_EQ(loaded.FindCell(4, 0)->BasedOn(), styler.FindStyle("Money"));
    EXPECT_EQ(loaded.FindCell(1, 0)->GetDisplayText(), "女");
    EXPECT_EQ(loaded.Values(2, 0).Int(), -123456);
    EXPECT_EQ(loaded.FindCell(3, 0)->GetDisplayText(), "98.25");
    EXPECT_EQ(loaded.FindCell(4, 0)->AsCurrency(), 123456789);
    EXPECT_EQ(static_cast<TXLCFormula*>(loaded.FindCell(9, 0))->Formula(), "C1*2");
    EXPECT_EQ(&loaded.FindCell(10, 0)->CellClass(), &TXLCGroup::Class());
    EXPECT_FALSE(loaded.Visible(5, sRows));
    EXPECT_TRUE(loaded.Visible(7, sRows));
    EXPECT_EQ(loaded.Sizes(0, sCols), 90);
    EXPECT_EQ(loaded.Sizes(-2, sRows), 30);
    EXPECT_EQ(loaded.FindCell(0, 39)->Font().Name, "微软雅黑");
    EXPECT_EQ(loaded.FindCell(0, 39)->Font().Size, 11);
    EXPECT_EQ(loaded.FindCell(0, 39)->GetSide(sBottom), (TXLLine{2, clBlue}));
    EXPECT_EQ(loaded.GetProperty(11, 20, pnFrame), frDeepDown);
    EXPECT_EQ(loaded.Background().Data, SmallBitmap());
    EXPECT_EQ(static_cast<TXLPicture*>(loaded.Pictures(7, 0))->Data, SmallBitmap());
    EXPECT_EQ(loaded.DesignLeft(), 8);
    EXPECT_EQ(loaded.DesignTop(), -3);
    EXPECT_FALSE(loaded.Modified());
}

TEST(SheetStreamRoundTrip, AssignCopiesThroughTheStream)
{
    TXLStyler styler;
    CheckedSheet src;
    BuildRichSheet(src, styler);
    CheckedSheet dst;
    dst.SetText(3, 3, "old");
    AssignSheet(dst, src);
    EXPECT_EQ(dst.Styler(), &styler);
    EXPECT_EQ(Hex(SaveSheetToString(dst)), Hex(SaveSheetToString(src)));
    EXPECT_EQ(dst.FindCell(3, 3), dst.FindCell(1, 2));
}

TEST(SheetStreamRoundTrip, CollapsedGroupHidesItsRowsAgain)
{
    CheckedSheet sheet;
    sheet.SetRowCount(10);
    TXLCell* group = sheet.SetCellClass(0, 2, TXLCGroup::Class());
    MergeSectionRect(sheet.Section(skClient), {0, 2, 1, 6});
    group->Activate();
    ASSERT_FALSE(sheet.Visible(4, sRows));
    std::string first = SaveSheetToString(sheet);
    CheckedSheet loaded;
    LoadSheetFromStream(loaded, first);
    EXPECT_FALSE(loaded.Visible(4, sRows));
    EXPECT_EQ(Hex(SaveSheetToString(loaded)), Hex(first));
}

TEST(SheetStreamRoundTrip, StylerStream)
{
    TXLStyler styler;
    CheckedSheet sheet;
    BuildRichSheet(sheet, styler);
    std::string first;
    SaveStylerToStream(styler, first);
    TXLStyler copy;
    copy.SetName("Styler1");  // the name is the owner's, as with sheets
    LoadStylerFromStream(copy, first);
    ASSERT_EQ(copy.Count(), 2);
    EXPECT_EQ(copy.Styles(0)->Alias(), "表头");
    EXPECT_EQ(copy.Styles(0)->Font().Size, 12);
    EXPECT_EQ(&copy.Styles(1)->ValueClass(), &TXLCCurrency::Class());
    std::string second;
    SaveStylerToStream(copy, second);
    EXPECT_EQ(Hex(first), Hex(second));

    for (size_t cut = 0; cut < first.size(); ++cut)
        EXPECT_THROW(LoadStylerFromStream(copy, std::string_view(first).substr(0, cut)), EXLStreamError) << cut;
    EXPECT_EQ(copy.Count(), 2);
}

// ---- damaged input -----------------------------------------------------------

TEST(SheetStreamDamage, EveryTruncationFailsCleanlyAndKeepsTheSheet)
{
    TXLStyler styler;
    CheckedSheet source;
    BuildRichSheet(source, styler);
    std::string stream = SaveSheetToString(source);

    CheckedSheet target;
    target.SetText(0, 0, "keep me");
    target.SetTitle("old");
    std::string before = SaveSheetToString(target);
    for (size_t cut = 0; cut < stream.size(); ++cut) {
        try {
            LoadSheetFromStream(target, std::string_view(stream).substr(0, cut));
            ADD_FAILURE() << "a stream cut at " << cut << " loaded";
        } catch (const EXLStreamError& e) {
            EXPECT_GT(std::strlen(e.what()), 10u);
        }
    }
    EXPECT_EQ(Hex(SaveSheetToString(target)), Hex(before));
}

TEST(SheetStreamDamage, XLDataWithoutSignature)
{
    CheckedSheet sheet;
    std::string stream = SaveSheetToString(sheet);
    size_t at = stream.find("XLG\x16");
    stream[at + 1] = 'Q';
    try {
        LoadSheetFromStream(sheet, stream);
        FAIL();
    } catch (const EXLGridError& e) {
        EXPECT_STREQ(e.what(), "Unknown XLGrid stream format!");
    }
}

TEST(SheetStreamDamage, FourthSignatureByteIsNotChecked)
{
    CheckedSheet sheet;
    sheet.SetText(1, 1, "x");
    std::string stream = SaveSheetToString(sheet);
    stream[stream.find("XLG\x16") + 3] = 0x17;
    CheckedSheet loaded;
    LoadSheetFromStream(loaded, stream);
    EXPECT_EQ(loaded.Values(1, 1).Str(), "x");
}

struct DamageCase {
    const char* name;
    std::string stream;
    const char* message;
};

class SheetStreamDamaged : public ::testing::TestWithParam<DamageCase> {};

TEST_P(SheetStreamDamaged, FailsWithAClearMessage)
{
    CheckedSheet sheet;
    sheet.SetText(0, 0, "keep");
    std::string before = SaveSheetToString(sheet);
    ExpectLoadFails(sheet, GetParam().stream, GetParam().message);
    EXPECT_EQ(Hex(SaveSheetToString(sheet)), Hex(before));
}

std::string CellsXL(const std::string& cells)
{
    std::string out = HandXLHead();
    out += Unhex("02 00 00 00");  // section 3: a cell list
    out += cells;
    return out;
}

std::string I32(int32_t v)
{
    return std::string(reinterpret_cast<const char*>(&v), 4);
}

INSTANTIATE_TEST_SUITE_P(
    Inputs, SheetStreamDamaged,
    ::testing::Values(
        DamageCase{"Empty", "", "TPF0"},
        DamageCase{"OtherClass", std::string("TPF0\x07TButton\x00\x00\x00", 13), "TButton"},
        DamageCase{"UnknownProperty", std::string("TPF0\x08TXLSheet\x00\x05" "Color\x02\x01\x00\x00", 23), "unknown property"},
        DamageCase{"StringForInteger", std::string("TPF0\x08TXLSheet\x00\x08" "ColCount\x06\x01x\x00\x00", 26),
                   "an integer was expected"},
        DamageCase{"NoXLData", std::string("TPF0\x08TXLSheet\x00\x00\x00", 16), "XLData"},
        DamageCase{"UnknownCellClass",
                   HandStream(2, 1, CellsXL(I32(0) + I32(0) + I32(4242) + I32(4) + I32(-1) + I32(-1))),
                   "unknown cell class identifier 4242"},
        DamageCase{"CellOutsideSection",
                   HandStream(2, 1, CellsXL(I32(0) + I32(5) + I32(946) + I32(4) + I32(-1) + I32(-1))),
                   "column 5 lies outside"},
        DamageCase{"RowOutsideSection", HandStream(2, 1, CellsXL(I32(1) + I32(-1) + I32(-1))), "row 1 lies outside"},
        DamageCase{"BlockLongerThanData",
                   HandStream(2, 1, CellsXL(I32(0) + I32(0) + I32(946) + I32(1000) + I32(-1) + I32(-1))),
                   "cell block needs 996 bytes"},
        DamageCase{"BlockShorterThanItsHead",
                   HandStream(2, 1, CellsXL(I32(0) + I32(0) + I32(946) + I32(2) + I32(-1) + I32(-1))),
                   "impossible length 2"},
        DamageCase{"HugeBlockCount", HandStream(2, 1, HandXLStyles() + "\x04" + std::string(1, '\0') + I32(2) + I32(0x7FFFFFFF)),
                   "sparse list block count needs"},
        DamageCase{"NegativeMergeCount", HandStream(2, 1, HandXLHead() + I32(1) + I32(-5)), "merged range count is negative"},
        DamageCase{"MergeOutside", HandStream(2, 1, HandXLHead() + I32(1) + I32(1) + I32(0) + I32(0) + I32(3) + I32(1)),
                   "lies outside the section"},
        DamageCase{"MergesOverlap",
                   HandStream(4, 4, HandXLHead() + I32(1) + I32(2) + I32(0) + I32(0) + I32(2) + I32(2) + I32(1) +
                                        I32(1) + I32(3) + I32(3)),
                   "overlap"},
        DamageCase{"HugeText",
                   HandStream(2, 1, CellsXL(I32(0) + I32(0) + I32(946) + I32(10) + Unhex("00 01") + I32(0x7FFFFFF0) +
                                            I32(-1) + I32(-1))),
                   ""},
        DamageCase{"UnknownSectionFlags", HandStream(2, 1, HandXLHead() + I32(0x10000)), "unknown bits"},
        DamageCase{"NegativeSize", HandStream(2, 1, HandXLStyles() + "\x04" + std::string(1, '\0') + I32(2) + I32(1) + I32(0) +
                                                        I32(-100) + std::string(60, '\0') + I32(0)),
                   "size -40 is out of range"},
        DamageCase{"BadUtf8Title", std::string("TPF0\x08TXLSheet\x00\x05Title\x14\x02\x00\x00\x00\xC3\x28\x00\x00", 29),
                   "not valid UTF-8"}),
    [](const ::testing::TestParamInfo<DamageCase>& info) { return info.param.name; });

// A block whose parse ends before or after its length is damaged: asked for
// a report, the load goes on after it as the format allows and says so;
// otherwise the load fails naming the first damaged block.
TEST(SheetStreamTolerance, DamagedBlocksAreSkippedAndReportedOrFail)
{
    // A text cell whose block carries 5 bytes more than its parse, then an
    // integer cell whose block ends before its value.
    std::string longer = I32(4 + 2 + 4 + 2 + 5) + Unhex("00 01") + I32(2) + "hi" + "12345";
    std::string shorter = I32(4 + 2) + Unhex("00 01");
    std::string stream = HandStream(3, 1, CellsXL(I32(0) + I32(0) + I32(946) + longer + I32(1) + I32(1033) + shorter +
                                                  I32(2) + I32(946) + I32(4 + 2 + 4 + 2) + Unhex("00 01") + I32(2) +
                                                  "ok" + I32(-1) + I32(-1)));
    const std::string first = "cell block at byte " + std::to_string(stream.find(longer)) +
                              " (client row 0, column 0): its content ends after 8 of its 13 bytes";
    const std::string second = "cell block at byte " + std::to_string(stream.find(shorter)) +
                               " (client row 0, column 1): it ends inside its content (integer needs 4 bytes, 0 left)";
    CheckedSheet sheet;
    TXLLoadReport report;
    report.DamagedBlocks = 9;  // cleared by the load
    TXLLoadOptions options;
    options.Report = &report;
    LoadSheetFromStream(sheet, stream, options);
    EXPECT_EQ(sheet.ColCount(), 3);
    EXPECT_EQ(sheet.Values(0, 0).Str(), "hi");
    ASSERT_NE(sheet.FindCell(1, 0), nullptr);
    EXPECT_EQ(sheet.Values(1, 0).Int(), 0);
    EXPECT_EQ(sheet.Values(2, 0).Str(), "ok");
    EXPECT_EQ(report.DamagedBlocks, 2u);
    EXPECT_EQ(report.Described, (std::vector<std::string>{first, second}));

    CheckedSheet strict;
    strict.SetText(0, 0, "keep");
    try {
        LoadSheetFromStream(strict, stream);
        FAIL();
    } catch (const EXLStreamError& e) {
        EXPECT_EQ(std::string(e.what()), "Damaged sheet stream: " + first);
    }
    EXPECT_EQ(strict.Values(0, 0).Str(), "keep");
}

TEST(SheetStreamTolerance, FormatIndexOutsideTheListSkipsTheRestOfTheBlock)
{
    // props: prControl and prValue; editor 0; format index 99; then a text that is skipped.
    std::string block = Unhex("02 01") + I32(0) + I32(99) + I32(2) + "no";
    std::string stream = HandStream(2, 1, CellsXL(I32(0) + I32(0) + I32(946) + I32(4 + static_cast<int32_t>(block.size())) +
                                                  block + I32(-1) + I32(-1)));
    CheckedSheet sheet;
    TXLLoadReport report;
    TXLLoadOptions options;
    options.Report = &report;
    LoadSheetFromStream(sheet, stream, options);
    ASSERT_NE(sheet.FindCell(0, 0), nullptr);
    EXPECT_EQ(sheet.Values(0, 0).Str(), "");
    ASSERT_EQ(report.Described.size(), 1u);
    EXPECT_NE(report.Described[0].find("(client row 0, column 0): its format index 99 is not in the list of TXLCString"),
              std::string::npos)
        << report.Described[0];
    ExpectLoadFails(sheet, stream, "its format index 99");
}

// Damage that no block rule covers fails the load: what was lost would go
// unseen (a score left empty, every cell of a section dropped).
TEST(SheetStreamDamage, NothingIsLeftUnread)
{
    CheckedSheet source;
    source.SetColCount(3);
    source.SetRowCount(2);
    const char* texts[] = {"姓名", "性别", "总分", "王一", "男", "270"};
    for (int i = 0; i < 6; ++i)
        source.SetText(i % 3, i / 3, texts[i]);
    const std::string stream = SaveSheetToString(source);
    const std::string score = I32(3) + "270";
    const size_t scoreAt = stream.find(score);
    ASSERT_NE(scoreAt, std::string::npos);
    const size_t scoreBlock = scoreAt - 4 - 2;  // its block length and props come first
    // The client section: flags 2, then row 0 and the first column 0.
    const size_t firstRow = stream.find(I32(2) + I32(0) + I32(0) + I32(946)) + 4;
    struct Case {
        const char* name;
        std::function<void(std::string&)> damage;
        std::string message;
    };
    const std::string at = "Damaged sheet stream";
    const Case cases[] = {
        {"text length one too long", [&](std::string& s) { s.replace(scoreAt, 4, I32(4)); },
         at + ": cell block at byte " + std::to_string(scoreBlock) +
             " (client row 1, column 2): it ends inside its content (text needs 4 bytes, 3 left)"},
        {"text length one too short", [&](std::string& s) { s.replace(scoreAt, 4, I32(2)); },
         at + ": cell block at byte " + std::to_string(scoreBlock) +
             " (client row 1, column 2): its content ends after 8 of its 9 bytes"},
        {"early row-end marker", [&](std::string& s) { s.replace(firstRow, 4, I32(-1)); }, "of the sheet data (XLData) are not read"},
        {"bytes after the end", [](std::string& s) { s += std::string(2, '\0'); },
         at + " at byte " + std::to_string(stream.size()) + ": 2 bytes follow the end of the sheet"},
    };
    for (const Case& c : cases) {
        std::string damaged = stream;
        c.damage(damaged);
        CheckedSheet sheet;
        sheet.SetText(0, 0, "keep");
        try {
            LoadSheetFromStream(sheet, damaged);
            ADD_FAILURE() << c.name;
        } catch (const EXLStreamError& e) {
            if (c.message.rfind(at, 0) == 0)
                EXPECT_EQ(std::string(e.what()), c.message) << c.name;
            else
                EXPECT_NE(std::string(e.what()).find(c.message), std::string::npos) << c.name << ": " << e.what();
        }
        EXPECT_EQ(sheet.Values(0, 0).Str(), "keep") << c.name;
    }
    CheckedSheet again;
    LoadSheetFromStream(again, stream);
    EXPECT_EQ(SaveSheetToString(again), stream);
}

// Inputs kept as regression cases (tests/data, named after what they broke):
// xlf-roundtrip-*.xlf load, and what they save loads and saves to the same
// bytes; every other xlf-*.xlf is damaged and fails cleanly.
TEST(SheetStreamDamage, RegressionFiles)
{
    namespace fs = std::filesystem;
    int files = 0;
    for (const auto& entry : fs::directory_iterator(FENBAN_TEST_DATA)) {
        std::string name = entry.path().filename().string();
        if (name.rfind("xlf-", 0) != 0)
            continue;
        ++files;
        // Links to a styler of two styles, as the fuzz target offers.
        TXLStyler styler;
        styler.AddStyle("A");
        styler.AddStyle("B");
        TXLLoadOptions options;
        options.FindStyler = [&styler](const std::string&) { return &styler; };
        CheckedSheet sheet;
        sheet.SetText(0, 0, "keep");
        if (name.rfind("xlf-roundtrip-", 0) == 0) {
            // Their damaged blocks are skipped as the format allows, and said.
            TXLLoadReport report;
            options.Report = &report;
            LoadSheetFromFile(sheet, entry.path().string(), options);
            options.Report = nullptr;
            std::string first = SaveSheetToString(sheet);
            CheckedSheet again;
            LoadSheetFromStream(again, first, options);
            EXPECT_EQ(Hex(SaveSheetToString(again)), Hex(first)) << name;
            continue;
        }
        try {
            LoadSheetFromFile(sheet, entry.path().string(), options);
            ADD_FAILURE() << name << " loaded";
        } catch (const EXLStreamError& e) {
            EXPECT_NE(std::string(e.what()).find(name), std::string::npos) << e.what();
        }
        EXPECT_EQ(sheet.Values(0, 0).Str(), "keep") << name;
    }
    EXPECT_GE(files, 3);
}

// Damaged copies of the sheet file `fenban convert tests/data/cli/roster-small.csv`
// writes (2026-12-09), each with the whole message its load must give: the
// first score's text length one too long and one too short, the client
// section's first row index turned into the row-end marker, three bytes
// after the end.
TEST(SheetStreamDamage, RegressionFilesGiveTheirExactMessage)
{
    struct Case {
        const char* file;
        const char* message;
    };
    const Case cases[] = {
        {"xlf-text-length-one-too-long.xlf", "Damaged sheet stream: cell block at byte 1622 (client row 2, column 5): "
                                             "it ends inside its content (text needs 4 bytes, 3 left)"},
        {"xlf-text-length-one-too-short.xlf",
         "Damaged sheet stream: cell block at byte 1622 (client row 2, column 5): its content ends after 8 of its 9 bytes"},
        {"xlf-early-row-end-marker.xlf", "Damaged sheet stream at byte 1196: 2512 bytes of the sheet data (XLData) are not read: a count or "
                                         "an end marker before them is damaged"},
        {"xlf-bytes-after-the-end.xlf", "Damaged sheet stream at byte 3710: 3 bytes follow the end of the sheet"},
    };
    for (const Case& c : cases) {
        const std::string path = std::string(FENBAN_TEST_DATA) + "/" + c.file;
        CheckedSheet sheet;
        try {
            LoadSheetFromFile(sheet, path);
            ADD_FAILURE() << c.file;
        } catch (const EXLStreamError& e) {
            EXPECT_EQ(std::string(e.what()), "\"" + path + "\": " + c.message);
        }
    }
}

// ---- files -------------------------------------------------------------------

TEST(SheetFile, SaveAndLoadThroughAFile)
{
    std::string dir = TempDir();
    std::string path = dir + "/名单.xlf";
    TXLStyler styler;
    CheckedSheet sheet;
    BuildRichSheet(sheet, styler);
    sheet.SetName("Sheet1");
    SaveSheetToFile(sheet, path);
    EXPECT_FALSE(sheet.Modified());
    CheckedSheet loaded;
    loaded.SetStyler(&styler);
    loaded.SetName("Mine");
    LoadSheetFromFile(loaded, path);
    EXPECT_EQ(loaded.Styler(), &styler);
    EXPECT_EQ(loaded.Name(), "Mine");
    loaded.SetName("Sheet1");
    EXPECT_EQ(Hex(SaveSheetToString(loaded)), Hex(SaveSheetToString(sheet)));
    // Only the file remains: no temporary beside it.
    EXPECT_EQ(std::distance(std::filesystem::directory_iterator(dir), std::filesystem::directory_iterator()), 1);
    EXPECT_THROW(LoadSheetFromFile(loaded, dir + "/missing.xlf"), EXLStreamError);
    std::filesystem::remove_all(dir);
}

TEST(SheetFile, FullDiskLeavesTheOldFile)
{
    std::string dir = TempDir();
    std::string path = dir + "/a.xlf";
    CheckedSheet small;
    small.SetText(0, 0, "old");
    SaveSheetToFile(small, path);
    std::string old = ReadWholeFile(path, 1 << 20);

    pid_t pid = ::fork();
    ASSERT_GE(pid, 0);
    if (pid == 0) {
        // A file size limit stands in for a full disk: writes fail with EFBIG.
        std::signal(SIGXFSZ, SIG_IGN);
        rlimit limit{1000, 1000};
        ::setrlimit(RLIMIT_FSIZE, &limit);
        CheckedSheet big;
        big.SetRowCount(500);
        for (int r = 0; r < 500; ++r)
            big.SetText(0, r, "a longer text that fills the file");
        try {
            SaveSheetToFile(big, path);
            ::_exit(1);
        } catch (const EXLStreamError& e) {
            ::_exit(std::string(e.what()).find("File too large") != std::string::npos ? 0 : 2);
        }
    }
    int status = 0;
    ::waitpid(pid, &status, 0);
    ASSERT_TRUE(WIFEXITED(status));
    EXPECT_EQ(WEXITSTATUS(status), 0);
    EXPECT_EQ(ReadWholeFile(path, 1 << 20), old);
    EXPECT_EQ(std::distance(std::filesystem::directory_iterator(dir), std::filesystem::directory_iterator()), 1);
    std::filesystem::remove_all(dir);
}

TEST(SheetFile, ProcessKilledDuringASaveLeavesTheOldFile)
{
    std::string dir = TempDir();
    std::string path = dir + "/a.xlf";
    CheckedSheet small;
    small.SetText(0, 0, "old");
    SaveSheetToFile(small, path);
    std::string old = ReadWholeFile(path, 1 << 20);

    pid_t pid = ::fork();
    ASSERT_GE(pid, 0);
    if (pid == 0) {
        CheckedSheet big;
        big.SetRowCount(5000);
        for (int r = 0; r < 5000; ++r)
            big.SetText(0, r, "row text");
        std::string data = SaveSheetToString(big);
        // Killed after the first chunk reached the temporary file.
        WriteFileAtomic(path, data, [](size_t, size_t) { ::kill(::getpid(), SIGKILL); }, 1024);
        ::_exit(3);
    }
    int status = 0;
    ::waitpid(pid, &status, 0);
    ASSERT_TRUE(WIFSIGNALED(status));
    EXPECT_EQ(WTERMSIG(status), SIGKILL);
    EXPECT_EQ(ReadWholeFile(path, 1 << 20), old);
    // No temporary file is left behind either.
    EXPECT_EQ(std::distance(std::filesystem::directory_iterator(dir), std::filesystem::directory_iterator()), 1);
    CheckedSheet loaded;
    LoadSheetFromFile(loaded, path);
    EXPECT_EQ(loaded.Values(0, 0).Str(), "old");
    std::filesystem::remove_all(dir);
}

TEST(SheetFile, ReplacingKeepsThePermissions)
{
    std::string dir = TempDir();
    std::string path = dir + "/a.xlf";
    CheckedSheet sheet;
    SaveSheetToFile(sheet, path);
    std::filesystem::permissions(path, std::filesystem::perms::owner_read | std::filesystem::perms::owner_write |
                                           std::filesystem::perms::group_read);
    SaveSheetToFile(sheet, path);
    EXPECT_EQ(std::filesystem::status(path).permissions(),
              std::filesystem::perms::owner_read | std::filesystem::perms::owner_write | std::filesystem::perms::group_read);
    EXPECT_THROW(SaveSheetToFile(sheet, dir + "/no/such/folder/a.xlf"), EXLStreamError);
    std::filesystem::remove_all(dir);
}

// With FENBAN_WRITE_SEEDS=DIR set, writes the streams of these tests as fuzzing seeds.
TEST(SheetStreamSeeds, WriteWhenAsked)
{
    const char* dir = std::getenv("FENBAN_WRITE_SEEDS");
    if (!dir)
        GTEST_SKIP() << "FENBAN_WRITE_SEEDS not set";
    auto write = [dir](const std::string& name, const std::string& data) {
        std::ofstream(std::string(dir) + "/" + name, std::ios::binary) << data;
    };
    TXLStyler styler;
    CheckedSheet rich;
    BuildRichSheet(rich, styler);
    write("rich.xlf", SaveSheetToString(rich));
    CheckedSheet empty;
    write("empty.xlf", SaveSheetToString(empty));
    CheckedSheet text;
    text.SetText(0, 0, "abc");
    text.SetText(1, 1, "张三");
    write("text.xlf", SaveSheetToString(text));
    CheckedSheet group;
    group.SetRowCount(10);
    group.SetCellClass(0, 2, TXLCGroup::Class());
    MergeSectionRect(group.Section(skClient), {0, 2, 1, 6});
    group.FindCell(0, 2)->Activate();
    write("group.xlf", SaveSheetToString(group));
    std::string stylerStream;
    SaveStylerToStream(styler, stylerStream);
    write("styler.bin", stylerStream);
}

TEST(SheetStreamRoundTrip, PictureKindsKeepTheirBytes)
{
    std::string ico = Unhex("00 00 01 00 01 00 01 01 00 00 01 00 20 00 04 00 00 00 16 00 00 00 AA BB CC DD");
    std::string emf(88, '\0');
    emf[0] = 1;
    emf.replace(40, 4, " EMF");
    emf[48] = 88;
    std::string wmf = Unhex("D7 CD C6 9A") + std::string(18, '\0') + Unhex("01 00 09 00 00 03 09 00 00 00") +
                      std::string(8, '\0');
    ASSERT_EQ(wmf.size(), 40u);
    const TXLPicture pictures[] = {{"BMP", SmallBitmap(), 2, 1}, {"JPEG", Unhex("FF D8 FF E0 00 10 FF D9"), 0, 0},
                                   {"ICO", ico, 0, 0}, {"EMF", emf, 0, 0}, {"WMF", wmf, 0, 0}};
    CheckedSheet sheet;
    for (int i = 0; i < 5; ++i)
        sheet.SetCellClass(i, 0, TXLCPicture::Class())->SetAsPicture(&pictures[i]);
    // A trailing text cell shows that each picture ended where it should.
    sheet.SetText(0, 1, "after");
    std::string first = SaveSheetToString(sheet);
    CheckedSheet loaded;
    LoadSheetFromStream(loaded, first);
    for (int i = 0; i < 5; ++i) {
        const auto* p = static_cast<const TXLPicture*>(loaded.Pictures(i, 0));
        ASSERT_NE(p, nullptr);
        EXPECT_EQ(p->Kind, pictures[i].Kind);
        EXPECT_EQ(Hex(p->Data), Hex(pictures[i].Data));
    }
    EXPECT_EQ(loaded.Values(0, 1).Str(), "after");
    EXPECT_EQ(Hex(SaveSheetToString(loaded)), Hex(first));

    TXLPicture png{"PNG", "\x89PNG", 1, 1};
    sheet.SetBackground(png);
    EXPECT_THROW(SaveSheetToString(sheet), EXLStreamError);
}

TEST(SheetStreamRoundTrip, UsersHearOfTheNewContents)
{
    CheckedSheet source;
    source.SetText(2, 2, "new");
    std::string stream = SaveSheetToString(source);
    CheckedSheet sheet;
    SheetContract user(sheet);
    ExpectLoadFails(sheet, stream.substr(0, stream.size() - 1), "end of child components");
    EXPECT_TRUE(user.Events.empty());
    LoadSheetFromStream(sheet, stream);
    EXPECT_EQ(user.Events, (std::vector<std::string>{"BeginUpdate", "SizesChanged 3 client", "SizesChanged 3 title",
                                                     "UnionsChanged", "EndUpdate", "SheetChanged"}));
    EXPECT_EQ(sheet.Values(2, 2).Str(), "new");
}

TEST(SheetStreamDamage, TextLimitIsABoundary)
{
    TXLLoadOptions options;
    options.Limits.MaxText = 4;  // the base styles' font name takes 4
    for (const std::string text : {"abcd", "abcde"}) {
        CheckedSheet source;
        source.SetText(0, 0, text);
        CheckedSheet sheet;
        if (text.size() <= 4) {
            LoadSheetFromStream(sheet, SaveSheetToString(source), options);
            EXPECT_EQ(sheet.Values(0, 0).Str(), text);
        } else {
            try {
                LoadSheetFromStream(sheet, SaveSheetToString(source), options);
                ADD_FAILURE();
            } catch (const EXLStreamError& e) {
                EXPECT_NE(std::string(e.what()).find("text of 5 bytes exceeds the limit of 4"), std::string::npos)
                    << e.what();
            }
        }
    }
}
