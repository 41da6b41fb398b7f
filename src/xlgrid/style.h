#pragma once
// Styles: complete sets of cell properties that cells inherit from.
//
// Every sheet owns two base styles (body and headers); named styles live in
// a styler that several sheets may share. A style stores its twelve property
// values, value class, editor, format and font inside the object.

#include "xlgrid/cell.h"

#include <array>
#include <functional>
#include <memory>
#include <string>
#include <vector>

namespace xlgrid {

class TXLStyler;

class TXLProStyle : public TXLPersistent {
public:
    TXLProStyle();

    int32_t GetProperty(int number) const override;
    void SetProperty(int number, int32_t value) override;
    TXLFont Font() const override { return m_font; }
    void SetFont(const TXLFont& font) override;
    // Changes only the parts of the font named by the partial flags.
    void SetFontParts(const TXLFont& font, uint32_t flags);
    std::string Format() const override { return m_format; }
    void SetFormat(const std::string& format) override;
    int Editor() const override { return m_editor; }
    void SetEditor(int editor) override;
    const TXLCellClass& ValueClass() const override { return *m_class; }
    void SetValueClass(const TXLCellClass& cls) override;
    void CopyGroup(const TXLPersistent& src, TXLProp group, uint32_t flags) override;

protected:
    std::array<int32_t, kPropNumberCount> m_values{};
    const TXLCellClass* m_class;
    std::string m_format;
    TXLFont m_font;
    int m_editor = 0;
};

// The default of a section: every group is set.
class TXLBaseStyle : public TXLProStyle {
public:
    TXLBaseStyle(TXLSheet* sheet, bool client);

    bool IsClient() const { return m_client; }
    TXLSheet* Sheet() const { return m_sheet; }
    TColor LinesColor() const { return m_linesColor; }
    void SetLinesColor(TColor c);
    TColor ErrorColor() const { return m_errorColor; }
    void SetErrorColor(TColor c);
    void Changed(TXLProp group, uint32_t flags = 0) override;
    // Copies all groups (not the lines or error colour).
    void Assign(const TXLPersistent& src) override;

private:
    friend class TXLSheet;  // SwapContents moves base styles between sheets
    TXLSheet* m_sheet;
    bool m_client;
    TColor m_linesColor;
    TColor m_errorColor = clRed;
};

class TXLStyle : public TXLProStyle {
public:
    explicit TXLStyle(TXLStyler* styler);
    ~TXLStyle() override;

    TXLStyler* Styler() const { return m_styler; }
    const std::string& Alias() const { return m_alias; }
    // Raises EXLGridError when another style of the styler has the alias.
    void SetAlias(const std::string& alias);
    void Changed(TXLProp group, uint32_t flags = 0) override;

private:
    friend class TXLStyler;
    TXLStyler* m_styler;
    std::string m_alias;
};

// The list of named styles that sheets share.
class TXLStyler {
public:
    TXLStyler() = default;
    TXLStyler(const TXLStyler&) = delete;
    TXLStyler& operator=(const TXLStyler&) = delete;
    ~TXLStyler();

    // The component name by which sheet streams refer to the styler.
    const std::string& Name() const { return m_name; }
    void SetName(const std::string& name) { m_name = name; }
    int Count() const { return static_cast<int>(m_styles.size()); }
    TXLStyle* Styles(int index) const;
    int IndexOf(const TXLStyle* style) const;
    TXLStyle* FindStyle(const std::string& alias) const;
    TXLStyle* AddStyle(const std::string& alias);
    void DeleteStyle(TXLStyle* style);
    const std::vector<TXLSheet*>& Sheets() const { return m_sheets; }
    bool Modified() const { return m_modified; }
    void SetModified(bool m);

    std::function<void()> OnChange;
    std::function<void()> OnModified;

private:
    friend class TXLStyle;
    friend class TXLSheet;
    void Changed();
    void StyleChanged(TXLStyle* style, TXLProp group, uint32_t flags);
    std::vector<std::unique_ptr<TXLStyle>> m_styles;
    std::vector<TXLSheet*> m_sheets;
    std::string m_name;
    bool m_modified = false;
    bool m_destroying = false;
};

}  // namespace xlgrid
