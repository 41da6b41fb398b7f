#include "xlgrid/cell.h"

#include "xlgrid/displayformat.h"
#include "xlgrid/manager.h"
#include "xlgrid/sheet.h"

#include <algorithm>

namespace xlgrid {

int ClassIdentifier(std::string_view className)
{
    int sum = 0;
    for (unsigned char c : className)
        sum += c;
    return sum;
}

bool TXLCellClass::InheritsFrom(const TXLCellClass& other) const
{
    for (const TXLCellClass* c = this; c; c = c->Parent)
        if (c == &other)
            return true;
    return false;
}

// ---- text measurement ------------------------------------------------------

TXLSize TFixedTextMeasure::MeasureText(const std::string& text, const TXLFont& font) const
{
    // Font points to pixels at 96 dpi.
    int px = std::max(1, font.Size * 96 / 72);
    int lineWidth = 0, width = 0, lines = 1;
    for (size_t i = 0; i < text.size();) {
        unsigned char c = static_cast<unsigned char>(text[i]);
        if (c == '\n') {
            width = std::max(width, lineWidth);
            lineWidth = 0;
            ++lines;
            ++i;
            continue;
        }
        int len = c < 0x80 ? 1 : (c & 0xE0) == 0xC0 ? 2 : (c & 0xF0) == 0xE0 ? 3 : 4;
        if (c != '\r')
            lineWidth += c < 0x80 ? (px + 1) / 2 : px;
        i += len;
    }
    width = std::max(width, lineWidth);
    return {width, lines * (px + px / 4)};
}

// ---- property holders ------------------------------------------------------

void TXLPersistent::Changed(TXLProp group, uint32_t)
{
    MarkOwn(group);
}

void TXLPersistent::SetLayout(const TXLLayout& l, uint32_t flags)
{
    TXLLayout cur = Layout();
    TXLLayout next = cur;
    if (flags == 0 || (flags & kLayHorz)) next.HorzAlign = l.HorzAlign;
    if (flags == 0 || (flags & kLayVert)) next.VertAlign = l.VertAlign;
    if (flags == 0 || (flags & kLayIndent)) next.Indent = l.Indent;
    if (flags == 0 || (flags & kLayWrap)) next.WrapMode = l.WrapMode;
    if (next == cur && !(m_flags & kIsStyle))
        return;
    // Tells a style's SetProperty that the group change follows with its flags.
    m_flags |= kLayoutWrite;
    SetProperty(pnLayout, next.Encode());
    m_flags &= static_cast<uint8_t>(~kLayoutWrite);
    Changed(prLayout, flags);
}

void TXLPersistent::SetHorzAlign(TXLHorzAlign a)
{
    TXLLayout l;
    l.HorzAlign = a;
    SetLayout(l, kLayHorz);
}

void TXLPersistent::SetVertAlign(TXLVertAlign a)
{
    TXLLayout l;
    l.VertAlign = a;
    SetLayout(l, kLayVert);
}

void TXLPersistent::SetIndent(int indent)
{
    TXLLayout l;
    l.Indent = static_cast<uint16_t>(std::clamp(indent, 0, 0xFFFF));
    SetLayout(l, kLayIndent);
}

void TXLPersistent::SetWrapMode(TXLWrapMode w)
{
    TXLLayout l;
    l.WrapMode = w;
    SetLayout(l, kLayWrap);
}

void TXLPersistent::SetSides(TXLSides sides, const TXLLine& line)
{
    for (int s = 0; s < 8; ++s)
        if (sides & (1u << s))
            SetSide(static_cast<TXLSide>(s), line);
}

TXLSides TXLPersistent::Sides() const
{
    TXLSides set = 0;
    for (int s = 0; s < 8; ++s)
        if (GetProperty(s) != 0)
            set |= static_cast<TXLSides>(1u << s);
    return set;
}

void TXLPersistent::SetSidesSet(TXLSides sides)
{
    TXLSides cur = Sides();
    for (int s = 0; s < 8; ++s) {
        uint8_t bit = static_cast<uint8_t>(1u << s);
        if ((sides & bit) && !(cur & bit))
            SetSide(static_cast<TXLSide>(s), TXLLine{1, clBlack});
        else if (!(sides & bit) && (cur & bit))
            SetSide(static_cast<TXLSide>(s), TXLLine{});
    }
}

void TXLPersistent::SetFontColor(TColor c)
{
    TXLFont f = Font();
    if (f.Color == c && !(m_flags & kIsStyle))
        return;
    f.Color = c;
    SetFont(f);
}

void TXLPersistent::CopyGroup(const TXLPersistent& src, TXLProp group, uint32_t flags)
{
    switch (group) {
    case prControl:
        if (flags == 0 || (flags & kCtlEditor))
            SetEditor(src.Editor());
        if ((flags == 0 || (flags & kCtlFormat)) && &ValueClass() == &src.ValueClass())
            SetFormat(src.Format());
        break;
    case prLayout:
        SetLayout(src.Layout(), flags);
        break;
    case prColor:
        SetColor(src.Color());
        break;
    case prFont: {
        TXLFont f = Font();
        f.ApplyFrom(src.Font(), flags);
        SetFont(f);
        break;
    }
    case prBorder:
        // Lines come only from styles, and only the sides they have.
        if (src.Flags() & kIsStyle)
            for (int s = 0; s < 6; ++s)
                if (src.GetProperty(s) != 0)
                    SetProperty(s, src.GetProperty(s));
        break;
    case prFrame:
        SetFrame(src.Frame());
        break;
    case prStyles:
        SetStyles(src.Styles());
        break;
    default:
        break;
    }
}

void TXLPersistent::Assign(const TXLPersistent& src)
{
    m_props = 0;
    for (int g = prBasedOn; g <= prHint; ++g)
        CopyGroup(src, static_cast<TXLProp>(g), 0);
}

// ---- cells -----------------------------------------------------------------

TXLCell::~TXLCell() = default;

TXLSection* TXLCell::Section() const { return m_row ? m_row->Section() : nullptr; }

int TXLCell::SectionIndex() const
{
    TXLSection* s = Section();
    return s ? s->Number() : -1;
}

TXLSheet* TXLCell::Sheet() const
{
    TXLSection* s = Section();
    return s ? s->Sheet() : nullptr;
}

int TXLCell::LocalRow() const { return m_row ? m_row->Index() : -1; }

int TXLCell::SheetCol() const
{
    TXLSection* s = Section();
    return s ? s->SheetCol(m_col) : m_col;
}

int TXLCell::SheetRow() const
{
    TXLSection* s = Section();
    return s ? s->SheetRow(LocalRow()) : LocalRow();
}

detail::CellExtra& TXLCell::Extra()
{
    if (!m_extra)
        m_extra = std::make_unique<detail::CellExtra>();
    return *m_extra;
}

void TXLCell::Repaint(TXLRepaint what)
{
    TXLSection* s = Section();
    if (!s)
        return;
    // Counted also when the request is coalesced: the change is real.
    ++s->Sheet()->m_changes;
    if (what == rpCells && (m_flags & kRepaintAsked))
        return;
    if (s->Sheet()->NotifyRange(s->Number(), RepaintArea(Range(), what), what))
        m_flags |= kRepaintAsked;
}

void TXLCell::SetValue(const Variant& v)
{
    if (StoreValue(v) || AlwaysWrite())
        ValueChanged();
}

bool TXLCell::AlwaysWrite() const
{
    TXLSection* s = Section();
    if (!s)
        return false;
    return (static_cast<TXLCellStyles>(s->GetProperty(m_col, LocalRow(), pnStyles)) & StyleBit(csWriteNotify)) != 0;
}

void TXLCell::ValueChanged()
{
    m_props |= PropBit(prValue);
    m_flags |= kTextStale;
    Repaint();
    if (TXLSheet* sheet = Sheet())
        sheet->CellValueChanged(*this);
}

void TXLCell::FormatChanged()
{
    m_flags |= kTextStale;
    Repaint();
    if ((m_flags & kInEditor))
        if (TXLSheet* sheet = Sheet())
            sheet->NotifyCellChanged(this);
}

TXLSize TXLCell::GetBestSize(const ITextMeasure& measure) const
{
    std::string text = Text();
    TXLSize size = measure.MeasureText(text, Font());
    return {size.Width + 2 * Indent() + 2, size.Height + 2};
}

bool TXLCell::HandleKey(int) { return false; }

int32_t TXLCell::GetProperty(int number) const
{
    TXLSection* s = Section();
    if (!s)
        return 0;
    TXLRect r = Range();
    switch (number) {
    case pnLeft: return s->Matrix(0).Get(r.Left, r.Top);
    case pnRight: return s->Matrix(0).Get(r.Right, r.Top);
    case pnTop: return s->Matrix(1).Get(r.Left, r.Top);
    case pnBottom: return s->Matrix(1).Get(r.Left, r.Bottom);
    case pnHInside:
    case pnVInside: return 0;
    default: return s->GetProperty(r.Left, r.Top, number);
    }
}

void TXLCell::SetProperty(int number, int32_t value)
{
    TXLSection* s = Section();
    if (!s || number < 0 || number >= kPropNumberCount)
        return;
    if (GetProperty(number) == value)
        return;
    TXLRect r = Range();
    TXLProp group;
    switch (number) {
    case pnLeft:
    case pnRight:
        for (int row = r.Top; row < r.Bottom; ++row)
            s->Matrix(0).Set(number == pnLeft ? r.Left : r.Right, row, value);
        group = prBorder;
        break;
    case pnTop:
    case pnBottom:
        for (int col = r.Left; col < r.Right; ++col)
            s->Matrix(1).Set(col, number == pnTop ? r.Top : r.Bottom, value);
        group = prBorder;
        break;
    case pnHInside:
    case pnVInside:
        return;
    default:
        for (int row = r.Top; row < r.Bottom; ++row)
            for (int col = r.Left; col < r.Right; ++col)
                s->SetProperty(col, row, number, value);
        group = number <= pnBias2 ? prBorder : number == pnColor ? prColor : number == pnFrame ? prFrame
              : number == pnStyles ? prStyles : prLayout;
        break;
    }
    MarkOwn(group);
    TXLSheet* sheet = s->Sheet();
    sheet->SetModified(true);
    Repaint(group == prBorder ? rpSides : rpCells);
    if (group == prLayout && (m_flags & kInEditor))
        sheet->NotifyCellChanged(this);
}

TXLFont TXLCell::Font() const
{
    if (m_extra && m_extra->Font)
        return *m_extra->Font;
    return Provider(prFont).Font();
}

void TXLCell::SetFont(const TXLFont& font)
{
    if (m_extra && m_extra->Font && *m_extra->Font == font && HasProp(prFont))
        return;
    if (m_flags & kApplying) {
        // An inherited font is read from its provider; keep no copy.
        if (m_extra)
            m_extra->Font.reset();
    } else {
        Extra().Font = std::make_unique<TXLFont>(font);
        m_props |= PropBit(prFont);
    }
    if (TXLSheet* sheet = Sheet())
        sheet->SetModified(true);
    FormatChanged();
}

void TXLCell::SetFormat(const std::string& format)
{
    if (Format() == format)
        return;
    if (format.empty() && !m_extra)
        return;
    Extra().Format = format;
    MarkOwn(prControl);
    if (TXLSheet* sheet = Sheet())
        sheet->SetModified(true);
    FormatChanged();
}

void TXLCell::SetEditor(int editor)
{
    int n = static_cast<int>(CellClass().Editors.size());
    if (editor < 0 || editor >= n)
        editor = 0;
    if (editor == m_editor)
        return;
    m_editor = static_cast<uint8_t>(editor);
    MarkOwn(prControl);
    FormatChanged();
}

void TXLCell::Changed(TXLProp group, uint32_t)
{
    MarkOwn(group);
}

const TXLPersistent& TXLCell::Provider(TXLProp group) const
{
    if (TXLStyle* style = BasedOn())
        if (style->HasProp(group))
            return *style;
    return *Section()->BaseStyle();
}

const TXLCellClass* TXLCell::InheritedClass(const TXLStyle* former) const
{
    if (HasProp(prControl) || !Section())
        return nullptr;
    const TXLPersistent& provider = Provider(prControl);
    const TXLCellClass* cls = nullptr;
    if (&provider != Section()->BaseStyle())
        cls = &provider.ValueClass();
    else if (former && former->HasProp(prControl) && &former->ValueClass() == &CellClass())
        cls = &provider.ValueClass();
    // Base styles give their class to new cells only; an existing cell keeps
    // the class it was given unless a named style gave it.
    return cls == &CellClass() ? nullptr : cls;
}

TXLCell* TXLCell::ApplyGroup(TXLProp group, uint32_t flags)
{
    if (HasProp(group) || !Section())
        return this;
    if (group == prControl && (flags == 0 || (flags & kCtlClass)))
        if (const TXLCellClass* cls = InheritedClass(nullptr))
            return Sheet()->ReplaceCellClass(*Section(), *this, *cls)->ApplyGroup(group, flags);
    const TXLPersistent& provider = Provider(group);
    m_flags |= kApplying;
    try {
        if (group == prFont) {
            if (m_extra)
                m_extra->Font.reset();
            FormatChanged();
        } else if (group == prBorder) {
            if (provider.Flags() & kIsStyle)
                for (int s = 0; s < 6; ++s)
                    SetProperty(s, provider.GetProperty(s));
        } else {
            CopyGroup(provider, group, flags);
        }
    } catch (...) {
        m_flags &= static_cast<uint8_t>(~kApplying);
        throw;
    }
    m_flags &= static_cast<uint8_t>(~kApplying);
    return this;
}

void TXLCell::CopyGroup(const TXLPersistent& src, TXLProp group, uint32_t flags)
{
    const TXLCell* srcCell = (src.Flags() & kIsStyle) ? nullptr : static_cast<const TXLCell*>(&src);
    switch (group) {
    case prBasedOn:
        // Only the link: the groups that follow are copied from the source
        // (re-reading them from the style here could replace this cell).
        if (srcCell) {
            TXLStyle* style = srcCell->BasedOn();
            TXLSheet* sheet = Sheet();
            if (!style || (sheet && sheet->Styler() == style->Styler())) {
                if (style || m_extra)
                    Extra().BasedOn = style;
                MarkOwn(prBasedOn);
            }
        }
        break;
    case prValue:
        if (srcCell)
            CopyValueFrom(*srcCell);
        break;
    case prHint:
        if (srcCell)
            SetHint(srcCell->Hint());
        break;
    default:
        TXLPersistent::CopyGroup(src, group, flags);
        break;
    }
}

void TXLCell::Assign(const TXLPersistent& src)
{
    if (&src == this)
        return;
    TXLPersistent::Assign(src);
}

void TXLCell::CopyValueFrom(const TXLCell& src)
{
    SetValue(src.Value());
    if (&src.CellClass() == &CellClass() && src.AsPicture())
        SetAsPicture(src.AsPicture());
}

void TXLCell::ResetFont()
{
    m_props &= static_cast<TXLProps>(~PropBit(prFont));
    if (!m_extra || !m_extra->Font)
        return;
    m_extra->Font.reset();
    if (TXLSheet* sheet = Sheet())
        sheet->SetModified(true);
    FormatChanged();
}

TXLCell* TXLCell::SetBasedOn(TXLStyle* style)
{
    TXLSheet* sheet = Sheet();
    if (style && sheet && style->Styler() != sheet->Styler())
        throw EXLGridError("Cannot use Style from disconnected Styler!");
    TXLStyle* former = BasedOn();
    if (style != former || !style) {
        if (style || m_extra)
            Extra().BasedOn = style;
        MarkOwn(prBasedOn);
    }
    if (!style)
        m_props &= PropBit(prValue) | PropBit(prHint) | (m_props & PropBit(prBasedOn));
    TXLCell* cell = this;
    if (const TXLCellClass* cls = InheritedClass(former))
        cell = sheet->ReplaceCellClass(*Section(), *this, *cls);  // frees this
    for (int g = prControl; g <= prStyles; ++g)
        cell = cell->ApplyGroup(static_cast<TXLProp>(g));
    return cell;
}

std::string TXLCell::Hint() const
{
    TXLSection* s = Section();
    return s ? s->HintAt(m_col, LocalRow()) : std::string();
}

void TXLCell::SetHint(const std::string& hint)
{
    TXLSection* s = Section();
    if (!s)
        return;
    TXLSheet* sheet = s->Sheet();
    std::string text = hint;
    if (sheet->OnSetCellHint) {
        TXLRect r;
        GetSheetRect(r);
        sheet->OnSetCellHint(*sheet, r.Left, r.Top, text);
    }
    if (HasStyle(csExtHint))
        return;
    if (s->HintAt(m_col, LocalRow()) == text) {
        if (text.empty())
            m_props &= static_cast<TXLProps>(~PropBit(prHint));
        return;
    }
    s->SetHintAt(m_col, LocalRow(), text);
    if (!text.empty())
        MarkOwn(prHint);
    else
        m_props &= static_cast<TXLProps>(~PropBit(prHint));
    sheet->SetModified(true);
    Repaint();  // the hint mark
}

TXLRect TXLCell::Range() const
{
    int row = LocalRow();
    if (m_flags & kAnchor)
        if (TXLSection* s = Section())
            if (TXLUnion* u = s->UnionOf(this))
                return u->Rect;
    return {m_col, row, m_col + 1, row + 1};
}

void TXLCell::SetWidth(int w)
{
    TXLRect r = Range();
    r.Right = r.Left + std::max(1, w);
    SetRange(r);
}

void TXLCell::SetHeight(int h)
{
    TXLRect r = Range();
    r.Bottom = r.Top + std::max(1, h);
    SetRange(r);
}

void TXLCell::GetSheetRect(TXLRect& rect) const
{
    TXLRect r = Range();
    TXLSection* s = Section();
    if (!s) {
        rect = r;
        return;
    }
    rect = {s->SheetCol(r.Left), s->SheetRow(r.Top), s->SheetCol(r.Left) + r.Width(), s->SheetRow(r.Top) + r.Height()};
}

void TXLCell::SetInEditor(bool on)
{
    if (on)
        m_flags |= kInEditor;
    else
        m_flags &= static_cast<uint8_t>(~kInEditor);
}

// ---- value classes ---------------------------------------------------------

namespace {

template <class T>
TXLCellClass MakeClass(const char* name, std::vector<std::string> editors, std::vector<std::string> formats,
                       const TXLCellClass* parent)
{
    TXLCellClass c;
    c.Name = name;
    c.Id = ClassIdentifier(name);
    c.Editors = std::move(editors);
    c.Formats = std::move(formats);
    c.Create = [] { return static_cast<TXLCell*>(new T); };
    c.Parent = parent;
    return c;
}

std::string DisplayPart(const std::string& format)
{
    return std::string(SplitFormat(format).first);
}

}  // namespace

const TXLCellClass& TXLCString::Class()
{
    static const TXLCellClass c = MakeClass<TXLCString>("TXLCString", {"TXLPickEdit", "TXLMemo", "TXLMaskEdit"}, {""}, nullptr);
    return c;
}

bool TXLCString::StoreText(const std::string& s)
{
    if (s == m_text)
        return false;
    m_text = s;
    return true;
}

bool TXLCString::StoreValue(const Variant& v)
{
    return StoreText(VarToStr(v));
}

void TXLCString::SetAsString(const std::string& s)
{
    if (StoreText(s) || AlwaysWrite())
        ValueChanged();
}

std::string TXLCString::GetDisplayText() const
{
    if (!m_extra || m_extra->Format.empty())
        return m_text;
    std::string d = DisplayPart(m_extra->Format);
    return d.empty() ? m_text : FormatMaskText(d, m_text);
}

const TXLCellClass& TXLCStrings::Class()
{
    static const TXLCellClass c =
        MakeClass<TXLCStrings>("TXLCStrings", {"TXLMemo", "TXLPickEdit", "TXLComboBox"}, {}, &TXLCString::Class());
    return c;
}

std::string TXLCStrings::ListText() const
{
    std::string text;
    for (const std::string& item : m_items) {
        text += item;
        text += "\r\n";
    }
    return text;
}

std::string TXLCStrings::AsString() const { return ListText(); }

bool TXLCStrings::StoreValue(const Variant& v)
{
    std::string text = VarToStr(v);
    std::vector<std::string> items;
    size_t start = 0;
    while (start < text.size()) {
        size_t end = text.find_first_of("\r\n", start);
        if (end == std::string::npos) {
            items.push_back(text.substr(start));
            break;
        }
        items.push_back(text.substr(start, end - start));
        start = end + ((text[end] == '\r' && end + 1 < text.size() && text[end + 1] == '\n') ? 2 : 1);
    }
    if (items == m_items)
        return false;
    m_items = std::move(items);
    return true;
}

void TXLCStrings::SetAsInteger(int32_t v)
{
    if (v == m_index && !AlwaysWrite())
        return;
    m_index = v;
    ValueChanged();
}

void TXLCStrings::CopyValueFrom(const TXLCell& src)
{
    if (&src.CellClass() != &CellClass()) {
        TXLCString::CopyValueFrom(src);
        return;
    }
    const auto& other = static_cast<const TXLCStrings&>(src);
    if (other.m_items == m_items && other.m_index == m_index && !AlwaysWrite())
        return;
    m_items = other.m_items;
    m_index = other.m_index;
    ValueChanged();
}

void TXLCStrings::SetAsPicture(const void* p)
{
    if (!p)
        return;
    const auto& items = *static_cast<const std::vector<std::string>*>(p);
    if (&items == &m_items || (items == m_items && !AlwaysWrite()))
        return;
    m_items = items;
    ValueChanged();
}

std::string TXLCStrings::GetDisplayText() const
{
    std::string text;
    if (m_index >= 0 && m_index < static_cast<int>(m_items.size()))
        text = m_items[m_index];
    std::string d = m_extra ? DisplayPart(m_extra->Format) : std::string();
    return d.empty() ? text : FormatMaskText(d, text);
}

std::string TXLCNumber::GetDisplayText() const
{
    double x = AsFloat();
    return FormatNumberDisplay(SplitFormat(Format()).first, x);
}

const TXLCellClass& TXLCInteger::Class()
{
    static const TXLCellClass c = MakeClass<TXLCInteger>("TXLCInteger", {"TXLNumEdit"}, {"0", "0|s"}, nullptr);
    return c;
}

bool TXLCInteger::StoreValue(const Variant& v)
{
    int32_t n = VarToInt(v);
    if (n == m_value)
        return false;
    m_value = n;
    return true;
}

const TXLCellClass& TXLCDouble::Class()
{
    static const TXLCellClass c = MakeClass<TXLCDouble>(
        "TXLCDouble", {"TXLNumEdit"},
        {"0", "0|s", "0.00", "0.00|s", "#,##0", "#,##0|s", "#,##0.00", "#,##0.00|s", "0.##%", "0.##%|s", "0.00%", "0.00%|s"},
        nullptr);
    return c;
}

bool TXLCDouble::StoreValue(const Variant& v)
{
    double x = VarToFloat(v);
    if (x == m_value)
        return false;
    m_value = x;
    return true;
}

const TXLCellClass& TXLCCurrency::Class()
{
    static const TXLCellClass c = MakeClass<TXLCCurrency>(
        "TXLCCurrency", {"TXLNumEdit"}, {"$# ##0", "$# ##0|s", "$# ##0.00", "$# ##0.00|s"}, nullptr);
    return c;
}

bool TXLCCurrency::StoreValue(const Variant& v)
{
    int64_t c = VarToCurrency(v);
    if (c == m_value)
        return false;
    m_value = c;
    return true;
}

const TXLCellClass& TXLCDateTime::Class()
{
    static const TXLCellClass c = MakeClass<TXLCDateTime>(
        "TXLCDateTime", {"TXLDateTimeEdit"},
        {"DD/MM/YYYY|c", "DD/MM/YY|c", "DD/MM|c", "MM/YYYY|c", "HH:MM:SS", "h:nn am/pm", "h:nn:ss am/pm", "h:nn",
         "h:nn:ss", "DD/MM/YYYY h:nn"},
        nullptr);
    return c;
}

bool TXLCDateTime::StoreValue(const Variant& v)
{
    double dt = 0;
    if (v.Type() == VarType::String) {
        if (!TryStrToDateTime(v.Str(), dt) && !TryStrToDate(v.Str(), dt) && !TryStrToTime(v.Str(), dt))
            dt = VarToFloat(v);
    } else {
        dt = VarToFloat(v);
    }
    if (dt == m_value)
        return false;
    m_value = dt;
    return true;
}

std::string TXLCDateTime::GetDisplayText() const
{
    return FormatDateTimeDisplay(SplitFormat(Format()).first, m_value);
}

const TXLCellClass& TXLCBoolean::Class()
{
    static const TXLCellClass c = MakeClass<TXLCBoolean>("TXLCBoolean", {}, {"True;False", "Yes;No"}, nullptr);
    return c;
}

bool TXLCBoolean::StoreValue(const Variant& v)
{
    bool b = VarToBool(v);
    if (b == m_value)
        return false;
    m_value = b;
    return true;
}

std::string TXLCBoolean::GetDisplayText() const
{
    return FormatBooleanDisplay(SplitFormat(Format()).first, m_value);
}

bool TXLCBoolean::HandleKey(int key)
{
    if (key != ' ')
        return false;
    Activate();
    return true;
}

const TXLCellClass& TXLCPicture::Class()
{
    static const TXLCellClass c = MakeClass<TXLCPicture>("TXLCPicture", {}, {}, nullptr);
    return c;
}

void TXLCPicture::SetAsPicture(const void* p)
{
    const TXLPicture& pic = p ? *static_cast<const TXLPicture*>(p) : TXLPicture{};
    if (&pic == &m_picture || (pic == m_picture && !AlwaysWrite()))
        return;
    m_picture = pic;
    ValueChanged();
}

TXLSize TXLCPicture::GetBestSize(const ITextMeasure&) const
{
    if (m_picture.IsEmpty() || WrapMode() != wmClip)
        return {0, 0};
    return {m_picture.Width + Indent(), m_picture.Height};
}

const TXLCellClass& TXLCUrl::Class()
{
    static const TXLCellClass c = MakeClass<TXLCUrl>("TXLCUrl", {}, {""}, &TXLCString::Class());
    return c;
}

std::string TXLCUrl::Target() const
{
    std::string target(SplitFormat(Format()).second);
    std::transform(target.begin(), target.end(), target.begin(),
                   [](unsigned char c) { return static_cast<char>(std::tolower(c)); });
    return target.empty() ? Text() : target;
}

void TXLCUrl::Activate()
{
    const auto& open = TXLManager::Instance().OpenUrl;
    if (open)
        open(Target());
}

const TXLCellClass& TXLCGroup::Class()
{
    static const TXLCellClass c = MakeClass<TXLCGroup>("TXLCGroup", {}, {"0"}, nullptr);
    return c;
}

TXLSize TXLCGroup::GetBestSize(const ITextMeasure&) const
{
    TXLSheet* sheet = Sheet();
    int h = sheet ? sheet->RowDefHeight() : 15;
    return {h, h};
}

void TXLCGroup::Activate()
{
    SetValue(Variant(!m_value));
    ApplyState();
}

void TXLCGroup::ApplyState()
{
    TXLSheet* sheet = Sheet();
    if (!sheet)
        return;
    TXLRect g;
    GetSheetRect(g);
    bool columns = g.Width() >= g.Height();
    TXLUpdateGuard update(*sheet);
    if (columns) {
        // The cell below the group's first column says where the hidden columns start.
        int start = g.Left + 1;
        if (TXLCell* below = sheet->FindCell(g.Left, g.Bottom)) {
            TXLRect b;
            below->GetSheetRect(b);
            start = b.Right;
        }
        for (int c = start; c < g.Right; ++c)
            sheet->SetVisible(c, sCols, !m_value);
    } else {
        int start = g.Top + 1;
        if (TXLCell* right = sheet->FindCell(g.Right, g.Top)) {
            TXLRect b;
            right->GetSheetRect(b);
            start = b.Bottom;
        }
        for (int r = start; r < g.Bottom; ++r)
            sheet->SetVisible(r, sRows, !m_value);
    }
    if (!m_value) {
        // Nested groups in the revealed area re-apply their own state.
        for (int r = g.Top; r < g.Bottom; ++r)
            for (int c = g.Left; c < g.Right; ++c)
                if (TXLCell* cell = sheet->FindCell(c, r))
                    if (cell != this && &cell->CellClass() == &TXLCGroup::Class() && cell->SheetCol() == c &&
                        cell->SheetRow() == r)
                        static_cast<TXLCGroup*>(cell)->ApplyState();
    }
}

// ---- formulas --------------------------------------------------------------

const TXLCellClass& TXLCFormula::Class()
{
    static const TXLCellClass c = MakeClass<TXLCFormula>(
        "TXLCFormula", {"TXLNumEdit"},
        {"0", "0|c", "0.00", "0.00|c", "#,##0", "#,##0|c", "#,##0.00", "#,##0.00|c", "0.##%", "0.##%|c", "0.00%", "0.00%|c"},
        &TXLCDouble::Class());
    return c;
}

const char* TXLCFormula::ErrorText(ErrorState e)
{
    switch (e) {
    case feValue: return "#VALUE!";
    case feName: return "#NAME!";
    case feDivZero: return "#DIV/0!";
    case feCircular: return "#CIRCULAR!";
    default: return "";
    }
}

std::string TXLCFormula::AsString() const
{
    if (HasFormula())
        return "=" + m_formula;
    return VarToStr(Variant(m_value));
}

void TXLCFormula::SetAsFloat(double v)
{
    bool changed = HasFormula() || v != m_value;
    m_formula.clear();
    m_error = feNone;
    m_value = v;
    if (changed || AlwaysWrite())
        ValueChanged();
}

bool TXLCFormula::StoreValue(const Variant& v)
{
    if (v.Type() == VarType::String) {
        std::string text = v.Str();
        size_t skip = text.find_first_not_of('=');
        text = skip == std::string::npos ? std::string() : text.substr(skip);
        if (text.empty()) {
            bool changed = HasFormula();
            m_formula.clear();
            m_error = feNone;
            return changed;
        }
        if (HasFormula() && text == m_formula)
            return false;
        m_formula = text;
        Calculate();
        return true;
    }
    double x = VarToFloat(v);
    bool changed = HasFormula() || x != m_value;
    m_formula.clear();
    m_error = feNone;
    m_value = x;
    return changed;
}

void TXLCFormula::CopyValueFrom(const TXLCell& src)
{
    if (&src.CellClass() != &CellClass()) {
        TXLCDouble::CopyValueFrom(src);
        return;
    }
    // The formula travels with its last result; no recalculation here.
    const auto& other = static_cast<const TXLCFormula&>(src);
    m_formula = other.m_formula;
    m_value = other.m_value;
    m_error = other.m_error;
    m_flags = static_cast<uint8_t>((m_flags & ~kNeedsCalc) | (other.m_flags & kNeedsCalc));
    ValueChanged();
}

void TXLCFormula::Calculate()
{
    m_error = feNone;
    if (!HasFormula())
        return;
    if (TXLSheet* sheet = Sheet())
        sheet->CalcHost().CalculateFormula(*this);
    else
        m_flags |= kNeedsCalc;  // evaluated once the cell is in a sheet
    m_flags |= kTextStale;
}

void TXLCFormula::SetResult(double value, ErrorState error)
{
    m_error = error;
    if (error == feNone)
        m_value = value;
    m_flags |= kTextStale;
}

std::string TXLCFormula::GetDisplayText() const
{
    if (HasFormula() && m_error != feNone)
        return ErrorText(m_error);
    return TXLCNumber::GetDisplayText();
}

}  // namespace xlgrid
