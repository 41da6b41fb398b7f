// Cell values through real cells: display formats of every value class,
// write conversions and their errors, change reporting, class changes,
// copying between sheets and the class registry.

#include "xlgrid/manager.h"
#include "xlgrid/sheet.h"

#include <gtest/gtest.h>

#include "sheetcontract.h"

#include <cstdlib>

using namespace xlgrid;
using xlgrid::testing::CheckedSheet;
using xlgrid::testing::SheetContract;

namespace {

// ---- display text of every class -----------------------------------------------

struct DisplayCase {
    const char* name;
    const TXLCellClass& (*cls)();
    const char* format;
    Variant value;
    const char* text;
};

double Date(int y, int m, int d)
{
    double dt = 0;
    TryEncodeDate(y, m, d, dt);
    return dt;
}

const DisplayCase kDisplayCases[] = {
    {"StringPlain", &TXLCString::Class, "", Variant("张三"), "张三"},
    {"StringMask", &TXLCString::Class, "000-0000;1;_", Variant("1234567"), "123-4567"},
    {"UrlShowsText", &TXLCUrl::Class, "|HTTP://X", Variant("site"), "site"},
    {"IntegerGeneral", &TXLCInteger::Class, "", Variant(int32_t{-42}), "-42"},
    {"IntegerPicture", &TXLCInteger::Class, "0|s", Variant(int32_t{7}), "7"},
    {"IntegerThousands", &TXLCInteger::Class, "#,##0", Variant(int32_t{1234567}), "1,234,567"},
    {"DoubleHalfPercent", &TXLCDouble::Class, "0.##%", Variant(0.5), "50%"},
    {"DoubleHalfPercentFixed", &TXLCDouble::Class, "0.00%", Variant(0.5), "50.00%"},
    {"DoublePercentFraction", &TXLCDouble::Class, "0.##%|s", Variant(0.256), "25.6%"},
    {"DoubleGrouped", &TXLCDouble::Class, "#,##0.00", Variant(1234.5), "1,234.50"},
    {"DoubleGeneral", &TXLCDouble::Class, "", Variant(0.1 + 0.2), "0.3"},
    {"DoubleSections", &TXLCDouble::Class, "0.0;(0.0);zero", Variant(-2.25), "(2.3)"},
    {"DoubleZeroSection", &TXLCDouble::Class, "0.0;(0.0);\"zero\"", Variant(0.0), "zero"},
    {"CurrencyDollar", &TXLCCurrency::Class, "$# ##0", Variant(1234.5), "$1 235"},
    {"CurrencyNegative", &TXLCCurrency::Class, "$# ##0.00|s", Variant(-12.5), "-$12.50"},
    {"DateZeroIsEmpty", &TXLCDateTime::Class, "DD/MM/YYYY|c", Variant::FromDate(0), ""},
    {"DateZeroSecondPart", &TXLCDateTime::Class, "dd/mm/yyyy;\"none\"", Variant::FromDate(0), "none"},
    {"DateDayMonthYear", &TXLCDateTime::Class, "DD/MM/YYYY|c", Variant::FromDate(Date(2024, 3, 9)), "09-03-2024"},
    {"DateTwelveHour", &TXLCDateTime::Class, "h:nn am/pm", Variant::FromDate(Date(2024, 3, 9) + 0.75), "6:00 pm"},
    {"DateMinutesAfterHours", &TXLCDateTime::Class, "HH:MM:SS", Variant::FromDate(Date(2024, 3, 9) + 0.5 + 1.0 / 1440),
     "12:01:00"},
    {"BooleanTrue", &TXLCBoolean::Class, "True;False", Variant(true), "True"},
    {"BooleanYes", &TXLCBoolean::Class, "Yes;No", Variant(true), "Yes"},
    {"BooleanNo", &TXLCBoolean::Class, "Yes;No", Variant(false), "No"},
    {"BooleanNoFormatNoText", &TXLCBoolean::Class, "", Variant(true), ""},
    {"BooleanOnlyTruePart", &TXLCBoolean::Class, "on", Variant(false), ""},
    {"GroupHasNoText", &TXLCGroup::Class, "0", Variant(true), ""},
    {"PictureHasNoText", &TXLCPicture::Class, "", Variant("ignored"), ""},
    {"FormulaNumber", &TXLCFormula::Class, "0.00|c", Variant(2.5), "2.50"},
    {"StringsFirstItem", &TXLCStrings::Class, "", Variant("one\r\ntwo\r\n"), "one"},
};

class CellDisplay : public ::testing::TestWithParam<DisplayCase> {};

TEST_P(CellDisplay, ShowsTheValueThroughItsFormat)
{
    const DisplayCase& c = GetParam();
    CheckedSheet sheet;
    TXLCell* cell = sheet.SetCellClass(1, 1, c.cls());
    ASSERT_NE(cell, nullptr);
    EXPECT_EQ(&cell->CellClass(), &c.cls());
    cell->SetFormat(c.format);
    cell->SetValue(c.value);
    EXPECT_EQ(sheet.FindCell(1, 1)->Text(), c.text);
    // The format can change after the value; the text follows.
    cell->SetFormat("");
    cell->SetFormat(c.format);
    EXPECT_EQ(cell->Text(), c.text);
}

INSTANTIATE_TEST_SUITE_P(Cells, CellDisplay, ::testing::ValuesIn(kDisplayCases),
                         [](const auto& info) { return std::string(info.param.name); });

TEST(CellDisplay, StringListShowsTheItemAtItsIndex)
{
    CheckedSheet sheet;
    TXLCell* cell = sheet.SetCellClass(0, 0, TXLCStrings::Class());
    cell->SetAsString("男\n女\n");
    EXPECT_EQ(cell->AsString(), "男\r\n女\r\n");
    cell->SetAsInteger(1);
    EXPECT_EQ(cell->Text(), "女");
    cell->SetAsInteger(5);
    EXPECT_EQ(cell->Text(), "");
    cell->SetAsInteger(-1);
    EXPECT_EQ(cell->Text(), "");
}

// ---- formulas ------------------------------------------------------------------------

struct FormulaCase {
    const char* name;
    const char* written;
    const char* formula;
    const char* asString;
};

const FormulaCase kFormulaCases[] = {
    {"OneEquals", "=A1+1", "A1+1", "=A1+1"},
    {"TwoEquals", "==5", "5", "=5"},
    {"NoEquals", "B2*2", "B2*2", "=B2*2"},
    {"OnlyEquals", "===", "", "0"},
};

class FormulaText : public ::testing::TestWithParam<FormulaCase> {};

TEST_P(FormulaText, IsStoredWithoutItsLeadingEquals)
{
    const FormulaCase& c = GetParam();
    CheckedSheet sheet;
    auto* cell = static_cast<TXLCFormula*>(sheet.SetCellClass(0, 0, TXLCFormula::Class()));
    cell->SetAsString(c.written);
    EXPECT_EQ(cell->Formula(), c.formula);
    EXPECT_EQ(cell->AsString(), c.asString);
}

INSTANTIATE_TEST_SUITE_P(Cells, FormulaText, ::testing::ValuesIn(kFormulaCases),
                         [](const auto& info) { return std::string(info.param.name); });

TEST(FormulaCell, NumberWritesDropTheFormula)
{
    CheckedSheet sheet;
    auto* cell = static_cast<TXLCFormula*>(sheet.SetCellClass(0, 0, TXLCFormula::Class()));
    cell->SetAsString("=A1+1");
    cell->SetAsFloat(3.5);
    EXPECT_FALSE(cell->HasFormula());
    EXPECT_EQ(cell->AsString(), "3.5");
    EXPECT_EQ(cell->AsFloat(), 3.5);
    cell->SetAsString("=1/0");
    cell->SetValue(Variant(int32_t{4}));
    EXPECT_FALSE(cell->HasFormula());
    EXPECT_EQ(cell->AsFloat(), 4.0);
}

TEST(FormulaCell, WritingAFormulaEvaluatesIt)
{
    CheckedSheet sheet;
    auto* cell = static_cast<TXLCFormula*>(sheet.SetCellClass(0, 0, TXLCFormula::Class()));
    cell->SetAsString("=6*7");
    EXPECT_EQ(cell->AsFloat(), 42);
    EXPECT_EQ(cell->AsString(), "=6*7");
    cell->SetAsString("=1/0");
    EXPECT_EQ(cell->Text(), "#DIV/0!");
    cell->SetAsString("=A1+1");  // reads itself
    EXPECT_EQ(cell->Text(), "#CIRCULAR!");
}

// ---- write conversions and change reporting ----------------------------------------------

struct BadWriteCase {
    const char* name;
    const TXLCellClass& (*cls)();
    Variant good;
    Variant bad;
};

const BadWriteCase kBadWrites[] = {
    {"TextIntoInteger", &TXLCInteger::Class, Variant(int32_t{7}), Variant("abc")},
    {"HugeIntoInteger", &TXLCInteger::Class, Variant(int32_t{7}), Variant(1e12)},
    {"TextIntoDouble", &TXLCDouble::Class, Variant(1.5), Variant("1,5x")},
    {"NullIntoDouble", &TXLCDouble::Class, Variant(1.5), Variant::Null()},
    {"TextIntoCurrency", &TXLCCurrency::Class, Variant(2.25), Variant("many")},
    {"TextIntoDate", &TXLCDateTime::Class, Variant::FromDate(45000), Variant("not a date")},
    {"TextIntoBoolean", &TXLCBoolean::Class, Variant(true), Variant("perhaps")},
};

class BadWrite : public ::testing::TestWithParam<BadWriteCase> {};

TEST_P(BadWrite, RaisesAndKeepsTheOldValue)
{
    const BadWriteCase& c = GetParam();
    CheckedSheet sheet;
    TXLCell* cell = sheet.SetCellClass(0, 0, c.cls());
    cell->SetValue(c.good);
    Variant before = cell->Value();
    std::string text = cell->Text();
    sheet.SetModified(false);
    EXPECT_THROW(cell->SetValue(c.bad), EVariantError);
    if (c.bad.Type() == VarType::String) {
        EXPECT_THROW(cell->SetAsString(c.bad.Str()), EVariantError);
    }
    EXPECT_EQ(cell->Value(), before);
    EXPECT_EQ(cell->Text(), text);
    EXPECT_FALSE(sheet.Modified());
}

INSTANTIATE_TEST_SUITE_P(Cells, BadWrite, ::testing::ValuesIn(kBadWrites),
                         [](const auto& info) { return std::string(info.param.name); });

TEST(CellWrites, DateTextIsParsedInTheProcessFormats)
{
    CheckedSheet sheet;
    TXLCell* cell = sheet.SetCellClass(0, 0, TXLCDateTime::Class());
    cell->SetAsString("2024-03-09");
    EXPECT_EQ(cell->AsDateTime(), Date(2024, 3, 9));
    cell->SetAsString("2024-03-09 18:00");
    EXPECT_EQ(cell->AsDateTime(), Date(2024, 3, 9) + 0.75);
    cell->SetAsString("12:00");
    EXPECT_EQ(cell->AsDateTime(), 0.5);
    cell->SetAsString("45000.25");
    EXPECT_EQ(cell->AsDateTime(), 45000.25);
}

struct NotifyCase {
    const char* name;
    TXLCellStyles styles;
    int expectedChanges;
};

const NotifyCase kNotifyCases[] = {
    {"NotifyOnlyOnce", StyleBit(csNotify), 1},
    {"WriteNotifyEveryTime", StyleBit(csNotify) | StyleBit(csWriteNotify), 3},
    {"NoNotifyNothing", 0, 0},
};

class CellNotify : public ::testing::TestWithParam<NotifyCase> {};

TEST_P(CellNotify, SameTextWrittenThriceCountsByTheStyles)
{
    const NotifyCase& c = GetParam();
    CheckedSheet sheet;
    int changes = 0;
    sheet.OnCellChanged = [&](TXLSheet& s, int col, int row) {
        EXPECT_EQ(col, 2);
        EXPECT_EQ(row, 1);
        ++changes;
        s.SetText(col, row, "reentered");  // not reported again while running
        s.SetText(col, row, "same");
    };
    TXLCell* cell = sheet.Cells(2, 1);
    cell->SetStyles(c.styles);
    for (int i = 0; i < 3; ++i)
        cell->SetAsString("same");
    EXPECT_EQ(changes, c.expectedChanges);
}

INSTANTIATE_TEST_SUITE_P(Cells, CellNotify, ::testing::ValuesIn(kNotifyCases),
                         [](const auto& info) { return std::string(info.param.name); });

// ---- class changes -----------------------------------------------------------------------

TEST(CellClass, ChangingTheClassKeepsFontLayoutValueAndHint)
{
    CheckedSheet sheet;
    TXLCell* cell = sheet.Cells(0, 0);
    cell->SetAsString("12");
    cell->SetFontColor(clRed);
    cell->SetHorzAlign(haRight);
    cell->SetHint("tip");
    cell->SetColor(clBlue);
    TXLCell* number = sheet.SetCellClass(0, 0, TXLCInteger::Class());
    EXPECT_EQ(&number->CellClass(), &TXLCInteger::Class());
    EXPECT_EQ(sheet.FindCell(0, 0), number);
    EXPECT_EQ(number->AsInteger(), 12);
    EXPECT_EQ(number->Font().Color, clRed);
    EXPECT_EQ(number->HorzAlign(), haRight);
    EXPECT_EQ(number->Color(), clBlue);
    EXPECT_EQ(number->Hint(), "tip");
    EXPECT_EQ(sheet.SetCellClass(0, 0, TXLCInteger::Class()), number);
}

TEST(CellClass, AValueTheNewClassCannotTakeIsDropped)
{
    CheckedSheet sheet;
    sheet.SetText(0, 0, "王五");
    TXLCell* number = sheet.SetCellClass(0, 0, TXLCDouble::Class());
    EXPECT_EQ(number->AsFloat(), 0.0);
    EXPECT_EQ(number->Text(), "0");
}

TEST(CellClass, AMergedAnchorStaysTheAnchor)
{
    CheckedSheet sheet;
    sheet.SetText(0, 0, "5");
    sheet.Cells(0, 0)->SetWidth(3);
    TXLCell* cell = sheet.SetCellClass(2, 0, TXLCInteger::Class());
    EXPECT_EQ(sheet.FindCell(0, 0), cell);
    EXPECT_TRUE(cell->IsAnchor());
    EXPECT_EQ(cell->Width(), 3);
    EXPECT_EQ(cell->AsInteger(), 5);
}

// ---- copying between sheets ------------------------------------------------------------------

TEST(CellCopy, CarriesClassValueFontColourLinesAndHint)
{
    CheckedSheet from, to;
    TXLCell* src = from.SetCellClass(1, 2, TXLCDouble::Class());
    src->SetFormat("0.00");
    src->SetAsFloat(3.25);
    TXLFont font;
    font.Name = "黑体";
    font.Size = 12;
    font.Style = fsBold;
    src->SetFont(font);
    src->SetColor(RGBColor(221, 228, 255));
    src->SetSides(kOuterSides, TXLLine{2, clRed});
    src->SetHorzAlign(haCenter);
    src->SetHint("source");
    to.SetText(3, 0, "old text");
    TXLSheet::CopyCell(from, 1, 2, to, 3, 0);
    const TXLCell* dst = to.FindCell(3, 0);
    ASSERT_NE(dst, nullptr);
    EXPECT_EQ(&dst->CellClass(), &TXLCDouble::Class());
    EXPECT_EQ(dst->AsFloat(), 3.25);
    EXPECT_EQ(dst->Text(), "3.25");
    EXPECT_EQ(dst->Font(), font);
    EXPECT_EQ(dst->Color(), RGBColor(221, 228, 255));
    EXPECT_EQ(dst->HorzAlign(), haCenter);
    for (TXLSide side : {sLeft, sTop, sRight, sBottom})
        EXPECT_EQ(dst->GetSide(side), (TXLLine{2, clRed})) << int(side);
    EXPECT_EQ(dst->Hint(), "source");
    // The source is untouched.
    EXPECT_EQ(from.FindCell(1, 2)->Hint(), "source");
    EXPECT_EQ(from.FindCell(1, 2)->AsFloat(), 3.25);
}

TEST(CellCopy, KeepsFormulasListsAndPictures)
{
    CheckedSheet from, to;
    auto* f = static_cast<TXLCFormula*>(from.SetCellClass(0, 0, TXLCFormula::Class()));
    f->SetAsString("=A2*2");
    TXLCell* list = from.SetCellClass(1, 0, TXLCStrings::Class());
    list->SetAsString("a\nb\nc");
    list->SetAsInteger(2);
    TXLCell* pic = from.SetCellClass(2, 0, TXLCPicture::Class());
    TXLPicture picture{"BMP", "BM....", 4, 3};
    pic->SetAsPicture(&picture);
    for (int c = 0; c < 3; ++c)
        TXLSheet::CopyCell(from, c, 0, to, c, 1);
    EXPECT_EQ(to.FindCell(0, 1)->AsString(), "=A2*2");
    EXPECT_EQ(to.FindCell(1, 1)->Text(), "c");
    EXPECT_EQ(*static_cast<TXLPicture*>(to.Pictures(2, 1)), picture);
}

TEST(CellCopy, ALineLessSourceClearsTheTargetsLines)
{
    CheckedSheet from, to;
    from.SetText(0, 0, "plain");
    to.SetText(0, 0, "boxed");
    to.Cells(0, 0)->SetSides(kOuterSides, TXLLine{1, clBlack});
    TXLSheet::CopyCell(from, 0, 0, to, 0, 0);
    EXPECT_EQ(to.FindCell(0, 0)->Sides(), 0);
    EXPECT_EQ(to.FindCell(0, 0)->AsString(), "plain");
}

TEST(CellCopy, FromAnEmptyPositionFreesTheTarget)
{
    CheckedSheet from, to;
    to.SetText(0, 0, "x");
    to.Cells(0, 0)->SetHint("tip");
    TXLSheet::CopyCell(from, 4, 4, to, 0, 0);
    EXPECT_EQ(to.FindCell(0, 0), nullptr);
    EXPECT_EQ(to.GetCellHint(0, 0), "");
}

TEST(CellCopy, OntoItselfChangesNothing)
{
    CheckedSheet sheet;
    sheet.SetText(0, 0, "self");
    sheet.Cells(0, 0)->SetHint("tip");
    TXLSheet::CopyCell(sheet, 0, 0, sheet, 0, 0);
    EXPECT_EQ(sheet.FindCell(0, 0)->AsString(), "self");
    EXPECT_EQ(sheet.FindCell(0, 0)->Hint(), "tip");
}

// ---- hints --------------------------------------------------------------------------------------

TEST(CellHints, EventsAndExternalHints)
{
    CheckedSheet sheet;
    sheet.OnSetCellHint = [](TXLSheet&, int col, int row, std::string& text) {
        text += "@" + std::to_string(col) + "," + std::to_string(row);
    };
    sheet.Cells(1, 1)->SetWidth(2);
    sheet.SetText(2, 1, "merged");
    sheet.FindCell(2, 1)->SetHint("tip");
    EXPECT_EQ(sheet.GetCellHint(2, 1), "tip@1,1");
    sheet.FindCell(1, 1)->SetHint("");
    EXPECT_EQ(sheet.GetCellHint(1, 1), "@1,1");
    sheet.OnSetCellHint = nullptr;
    sheet.FindCell(1, 1)->SetHint("");
    EXPECT_EQ(sheet.GetCellHint(1, 1), "");
    sheet.SetProperty(3, 3, pnStyles, static_cast<int32_t>(StyleBit(csExtHint)));
    sheet.OnGetCellHint = [](TXLSheet&, int col, int row, std::string& text) {
        text = "external " + std::to_string(col) + "," + std::to_string(row);
    };
    EXPECT_EQ(sheet.GetCellHint(3, 3), "external 3,3");
    EXPECT_EQ(sheet.GetCellHint(4, 3), "");
}

// ---- the class registry --------------------------------------------------------------------------

struct ClassIdCase {
    const char* name;
    int id;
};

const ClassIdCase kClassIds[] = {
    {"TXLCString", 946}, {"TXLCStrings", 1061}, {"TXLCInteger", 1033}, {"TXLCDouble", 918},
    {"TXLCCurrency", 1158}, {"TXLCDateTime", 1096}, {"TXLCBoolean", 1019}, {"TXLCPicture", 1047},
    {"TXLCUrl", 622}, {"TXLCGroup", 840}, {"TXLCFormula", 1041},
};

class ClassRegistry : public ::testing::TestWithParam<ClassIdCase> {};

TEST_P(ClassRegistry, FindsTheClassByItsIdentifier)
{
    const ClassIdCase& c = GetParam();
    const TXLCellClass* cls = TXLManager::Instance().FindClass(c.id);
    ASSERT_NE(cls, nullptr);
    EXPECT_EQ(cls->Name, c.name);
    EXPECT_EQ(ClassIdentifier(c.name), c.id);
    // A cell made by the class reports the class.
    CheckedSheet sheet;
    TXLCell* cell = sheet.SetCellClass(0, 0, *cls);
    EXPECT_EQ(cell->CellClass().Id, c.id);
}

INSTANTIATE_TEST_SUITE_P(Cells, ClassRegistry, ::testing::ValuesIn(kClassIds),
                         [](const auto& info) { return std::string(info.param.name); });

TEST(ClassRegistryOrder, HasElevenDistinctClassesAndNoneForTheCellBase)
{
    const auto& classes = TXLManager::Instance().Classes();
    ASSERT_EQ(classes.size(), 11u);
    for (size_t i = 0; i < classes.size(); ++i) {
        EXPECT_EQ(classes[i]->Name, kClassIds[i].name);
        for (size_t k = i + 1; k < classes.size(); ++k)
            EXPECT_NE(classes[i]->Id, classes[k]->Id);
    }
    EXPECT_EQ(ClassIdentifier("TXLCell"), 632);
    EXPECT_EQ(TXLManager::Instance().FindClass(632), nullptr);
    EXPECT_EQ(TXLManager::Instance().FindClass(0), nullptr);
    EXPECT_EQ(TXLManager::Instance().FindFormat(TXLCDouble::Class(), "0.##%|S"), 9);
    EXPECT_EQ(TXLManager::Instance().FindFormat(TXLCBoolean::Class(), "yes;no"), 1);
    EXPECT_EQ(TXLManager::Instance().FindFormat(TXLCBoolean::Class(), "Ja;Nein"), -1);
    EXPECT_EQ(TXLManager::Instance().Printer().PageWidth, 4676);
    EXPECT_EQ(TXLManager::Instance().Printer().DpiY, 600);
}

TEST(CellEditor, OutOfRangeEditorsBecomeZero)
{
    CheckedSheet sheet;
    TXLCell* cell = sheet.Cells(0, 0);
    cell->SetEditor(2);
    EXPECT_EQ(cell->Editor(), 2);
    cell->SetEditor(3);
    EXPECT_EQ(cell->Editor(), 0);
    TXLCell* flag = sheet.SetCellClass(1, 0, TXLCBoolean::Class());
    flag->SetEditor(1);
    EXPECT_EQ(flag->Editor(), 0);
}

// The registry refuses service once it was freed at shutdown. Run in a fresh
// process so that the exit handler is registered before the registry exists.
void UseRegistryAfterShutdown()
{
    try {
        TXLManager::Instance();
    } catch (const EXLGridError& e) {
        std::_Exit(std::string(e.what()) == "XLManager has been already destroyed!" ? 3 : 4);
    }
    std::_Exit(5);
}

TEST(ClassRegistryDeathTest, UseAfterShutdownRaises)
{
    GTEST_FLAG_SET(death_test_style, "threadsafe");
    EXPECT_EXIT(
        {
            std::atexit(UseRegistryAfterShutdown);
            {
                CheckedSheet sheet;
                sheet.SetText(0, 0, "x");
            }
            std::exit(0);
        },
        ::testing::ExitedWithCode(3), "");
}

}  // namespace

namespace {

struct BoxCase {
    const char* name;
    TColor border, color, font;
    TColor expectedColor, expectedFont;
};

const BoxCase kBoxes[] = {
    {"AllColours", clRed, clGreen, clBlue, clGreen, clBlue},
    {"WindowTextKeepsTheFont", clBlack, clWhite, clWindowText, clWhite, clWindowText},
    {"NoColourIsWritten", clBlue, clNone, clRed, clNone, clRed},
};

class CellBox : public ::testing::TestWithParam<BoxCase> {};

TEST_P(CellBox, WritesValueColourFontColourAndFourLines)
{
    const BoxCase& c = GetParam();
    CheckedSheet sheet;
    sheet.SetCellBox(1, 1, c.border, c.color, c.font, Variant(int32_t{12}));
    const TXLCell* cell = sheet.FindCell(1, 1);
    ASSERT_NE(cell, nullptr);
    EXPECT_EQ(cell->AsString(), "12");
    EXPECT_EQ(cell->Color(), c.expectedColor);
    EXPECT_EQ(cell->Font().Color, c.expectedFont);
    EXPECT_EQ(cell->HasOwnFont(), c.font != clWindowText);
    for (TXLSide side : {sLeft, sTop, sRight, sBottom})
        EXPECT_EQ(cell->GetSide(side), (TXLLine{1, c.border})) << int(side);
    // The border variant leaves the colour alone when given none.
    sheet.SetCellBorder(2, 2, c.border, clNone);
    EXPECT_EQ(sheet.FindCell(2, 2)->Color(), clWindow);
    EXPECT_EQ(sheet.FindCell(2, 2)->GetSide(sTop), (TXLLine{1, c.border}));
    // The line between (1,1) and (2,1)... is shared with the neighbour.
    EXPECT_EQ(TXLLine::Decode(sheet.GetProperty(2, 1, pnLeft)), (TXLLine{1, c.border}));
}

INSTANTIATE_TEST_SUITE_P(Cells, CellBox, ::testing::ValuesIn(kBoxes),
                         [](const auto& info) { return std::string(info.param.name); });

TEST(Registry, KnowsTheLiveSheets)
{
    size_t before = TXLManager::Instance().Sheets().size();
    {
        CheckedSheet a, b;
        EXPECT_EQ(TXLManager::Instance().Sheets().size(), before + 2);
    }
    EXPECT_EQ(TXLManager::Instance().Sheets().size(), before);
}

}  // namespace
