#include "xlpaint/pdftextmap.h"

#include <QByteArray>

#include <algorithm>
#include <cerrno>
#include <cstring>
#include <cstdio>
#include <optional>

namespace xlpaint {

namespace {

thread_local TXLPdfTextLog* t_log = nullptr;

quint16 Be16(const QByteArray& b, qsizetype at)
{
    return static_cast<quint16>((static_cast<unsigned char>(b[at]) << 8) | static_cast<unsigned char>(b[at + 1]));
}

// The glyph a font shows a character with (0 when it has none).
quint32 GlyphOf(const QRawFont& raw, char32_t c)
{
    if (!raw.supportsCharacter(static_cast<uint>(c)))
        return 0;
    const char32_t one[] = {c};
    const QList<quint32> glyphs = raw.glyphIndexesForString(QString::fromUcs4(one, 1));
    return glyphs.size() == 1 ? glyphs.front() : 0;
}

// ---- reading what Qt wrote ----------------------------------------------------

// The value after `key` in a dictionary's text: a name or an object number.
std::string_view After(std::string_view dict, std::string_view key)
{
    const std::size_t at = dict.find(key);
    if (at == std::string_view::npos)
        return {};
    std::size_t from = at + key.size();
    while (from < dict.size() && dict[from] == ' ')
        ++from;
    std::size_t end = from;
    while (end < dict.size() && dict[end] != ' ' && dict[end] != '\n' && dict[end] != '>' && dict[end] != '/')
        ++end;
    return dict.substr(from, end - from);
}

struct PdfFont {
    std::string Name;    // BaseFont
    long long MapObject = -1;  // its ToUnicode stream
};

// The Type0 fonts of the file, with their text map objects.
std::vector<PdfFont> Type0Fonts(std::string_view pdf)
{
    std::vector<PdfFont> fonts;
    constexpr std::string_view kType0 = "/Subtype /Type0";
    for (std::size_t at = pdf.find(kType0); at != std::string_view::npos; at = pdf.find(kType0, at + 1)) {
        const std::size_t end = pdf.find(">>", at);
        if (end == std::string_view::npos)
            break;
        const std::string_view dict = pdf.substr(at, end - at);
        PdfFont f;
        f.Name = std::string(After(dict, "/BaseFont /"));
        const std::string number(After(dict, "/ToUnicode"));
        if (f.Name.empty() || number.empty())
            continue;
        f.MapObject = std::atoll(number.c_str());
        fonts.push_back(std::move(f));
    }
    return fonts;
}

// The text of an uncompressed stream object ("N 0 obj << /Length L >> stream").
std::optional<std::string_view> StreamOf(std::string_view pdf, long long object)
{
    const std::string head = "\n" + std::to_string(object) + " 0 obj\n";
    const std::size_t at = pdf.rfind(head);
    if (at == std::string_view::npos)
        return std::nullopt;
    const std::size_t begin = pdf.find("stream\n", at);
    const std::size_t end = pdf.find("endstream", at);
    if (begin == std::string_view::npos || end == std::string_view::npos || end < begin)
        return std::nullopt;
    return pdf.substr(begin + 7, end - begin - 7);
}

// The hex numbers <...> of a line, in order; a pair of UTF-16 surrogates is one character.
std::vector<unsigned> HexTokens(std::string_view line)
{
    std::vector<unsigned> out;
    for (std::size_t open = line.find('<'); open != std::string_view::npos; open = line.find('<', open + 1)) {
        const std::size_t close = line.find('>', open);
        if (close == std::string_view::npos)
            break;
        const std::string digits(line.substr(open + 1, close - open - 1));
        const unsigned long v = std::strtoul(digits.c_str(), nullptr, 16);
        if (digits.size() == 8 && (v >> 16) >= 0xD800 && (v >> 16) < 0xDC00)
            out.push_back(0x10000 + ((((v >> 16) - 0xD800) << 10) | ((v & 0xFFFF) - 0xDC00)));
        else
            out.push_back(static_cast<unsigned>(v));
        open = close;
    }
    return out;
}

// Character id -> character of a text map as Qt writes it (bfrange lines
// "<a> <b> [<u> ...]" or "<a> <b> <u>", bfchar lines "<a> <u>").
std::map<unsigned, char32_t> ReadTextMap(std::string_view cmap)
{
    std::map<unsigned, char32_t> map;
    for (const bool range : {true, false}) {
        const std::string_view begin = range ? "beginbfrange" : "beginbfchar";
        const std::string_view end = range ? "endbfrange" : "endbfchar";
        for (std::size_t at = cmap.find(begin); at != std::string_view::npos; at = cmap.find(begin, at + 1)) {
            const std::size_t stop = cmap.find(end, at);
            if (stop == std::string_view::npos)
                break;
            std::size_t p = cmap.find('\n', at);
            while (p != std::string_view::npos && p < stop) {
                const std::size_t next = std::min(cmap.find('\n', p + 1), stop);
                const std::string_view line = cmap.substr(p, next - p);
                const std::vector<unsigned> t = HexTokens(line);
                if (range && t.size() >= 3 && t[1] >= t[0] && t[1] - t[0] < 0x10000) {
                    const bool list = line.find('[') != std::string_view::npos;
                    for (unsigned cid = t[0]; cid <= t[1]; ++cid) {
                        const std::size_t k = 2 + (cid - t[0]);
                        if (list && k >= t.size())
                            break;
                        map[cid] = list ? t[k] : t[2] + (cid - t[0]);
                    }
                } else if (!range && t.size() >= 2) {
                    map[t[0]] = t[1];
                }
                p = next;
            }
        }
    }
    return map;
}

// ---- writing the update --------------------------------------------------------

std::string Utf16Hex(char32_t c)
{
    char buf[16];
    if (c < 0x10000) {
        std::snprintf(buf, sizeof buf, "%04X", static_cast<unsigned>(c));
    } else {
        const unsigned v = static_cast<unsigned>(c) - 0x10000;
        std::snprintf(buf, sizeof buf, "%04X%04X", 0xD800 + (v >> 10), 0xDC00 + (v & 0x3FF));
    }
    return buf;
}

std::string TextMap(const std::vector<char32_t>& chars)
{
    std::string body;
    std::vector<std::string> entries;
    for (std::size_t cid = 1; cid < chars.size(); ++cid) {
        if (!chars[cid])
            continue;
        char id[8];
        std::snprintf(id, sizeof id, "%04X", static_cast<unsigned>(cid));
        entries.push_back("<" + std::string(id) + "> <" + Utf16Hex(chars[cid]) + ">\n");
    }
    for (std::size_t i = 0; i < entries.size(); i += 100) {
        const std::size_t n = std::min<std::size_t>(100, entries.size() - i);
        body += std::to_string(n) + " beginbfchar\n";
        for (std::size_t k = i; k < i + n; ++k)
            body += entries[k];
        body += "endbfchar\n";
    }
    return "/CIDInit /ProcSet findresource begin\n12 dict begin\nbegincmap\n"
           "/CIDSystemInfo << /Registry (Adobe) /Ordering (UCS) /Supplement 0 >> def\n"
           "/CMapName /Adobe-Identity-UCS def\n/CMapType 2 def\n"
           "1 begincodespacerange\n<0000> <FFFF>\nendcodespacerange\n"
           + body + "endcmap\nCMapName currentdict /CMap defineresource pop\nend\nend\n";
}

}  // namespace

std::string PostScriptName(const QRawFont& raw)
{
    const QByteArray name = raw.fontTable("name");
    if (name.size() < 6)
        return {};
    const int count = Be16(name, 2), strings = Be16(name, 4);
    for (int i = 0; i < count && 6 + 12 * (i + 1) <= name.size(); ++i) {
        const qsizetype r = 6 + 12 * i;
        const int platform = Be16(name, r), id = Be16(name, r + 6), length = Be16(name, r + 8),
                  offset = Be16(name, r + 10);
        if (id != 6 || strings + offset + length > name.size())
            continue;
        std::string text;
        if (platform == 3 || platform == 0) {
            for (int k = 0; k + 1 < length; k += 2)
                text += static_cast<char>(Be16(name, strings + offset + k) & 0x7F);
        } else {
            text.assign(name.constData() + strings + offset, static_cast<std::size_t>(length));
        }
        std::replace(text.begin(), text.end(), ' ', '_');
        return text;
    }
    return {};
}

TXLPdfTextLog::Chain& TXLPdfTextLog::ChainOf(const QFont& font)
{
    const std::string key = font.family().toStdString() + (font.bold() ? "|b" : "|") + (font.italic() ? "i" : "");
    auto found = m_chains.find(key);
    if (found != m_chains.end())
        return found->second;
    Chain chain;
    QFont base = font;
    base.setPixelSize(16);
    chain.Fonts.push_back(QRawFont::fromFont(base));
    for (const QString& family : QFont::substitutes(font.family())) {
        QFont f = base;
        f.setFamilies({family});
        QRawFont raw = QRawFont::fromFont(f);
        if (raw.isValid() && raw.familyName() == family)
            chain.Fonts.push_back(raw);
    }
    return m_chains.emplace(key, std::move(chain)).first->second;
}

TXLPdfTextLog::Face* TXLPdfTextLog::FaceOf(const QRawFont& raw)
{
    const std::string name = PostScriptName(raw);
    if (name.empty())
        return nullptr;
    Face& face = m_faces[name];
    if (!face.Raw.isValid())
        face.Raw = raw;
    return &face;
}

void TXLPdfTextLog::Note(const QFont& font, const QString& text)
{
    Chain& chain = ChainOf(font);
    for (char32_t c : text.toUcs4()) {
        if (c == '\n' || c == '\r')
            continue;
        auto [seen, fresh] = chain.Seen.try_emplace(c, nullptr, 0);
        if (fresh) {
            // The first font of the chain that has the character draws it.
            for (const QRawFont& raw : chain.Fonts) {
                const quint32 glyph = raw.isValid() ? GlyphOf(raw, c) : 0;
                if (glyph) {
                    seen->second = {FaceOf(raw), glyph};
                    break;
                }
            }
        }
        auto [face, glyph] = seen->second;
        if (face && face->Chars.emplace(glyph, c).second)
            face->Glyphs.push_back(glyph);
    }
}

std::string TXLPdfTextLog::TextMapUpdate(std::string_view pdf, std::uint64_t fileSize) const
{
    // The objects to replace and their new text.
    std::vector<std::pair<long long, std::string>> objects;
    for (const PdfFont& font : Type0Fonts(pdf)) {
        auto found = m_faces.find(font.Name);
        if (found == m_faces.end())
            continue;
        const Face& face = found->second;
        const std::optional<std::string_view> stream = StreamOf(pdf, font.MapObject);
        if (!stream)
            continue;
        const std::map<unsigned, char32_t> written = ReadTextMap(*stream);
        // The log must name the same glyph for every id Qt could map, else
        // the order of ids is not the one logged and the map stays.
        bool agrees = !written.empty() && written.rbegin()->first < face.Glyphs.size();
        bool differs = false;
        std::vector<char32_t> chars(face.Glyphs.size(), 0);
        for (std::size_t cid = 1; agrees && cid < face.Glyphs.size(); ++cid) {
            const quint32 glyph = face.Glyphs[cid];
            chars[cid] = face.Chars.at(glyph);
            auto w = written.find(static_cast<unsigned>(cid));
            const char32_t qt = w == written.end() ? 0 : w->second;
            if (qt && GlyphOf(face.Raw, qt) != glyph)
                agrees = false;
            differs = differs || qt != chars[cid];
        }
        if (agrees && differs)
            objects.emplace_back(font.MapObject, TextMap(chars));
    }
    if (objects.empty())
        return {};

    // An incremental update: the new objects, their cross-reference section
    // and a trailer that points back at the old one.
    const std::size_t start = pdf.rfind("startxref");
    const std::size_t trailer = pdf.rfind("trailer");
    if (start == std::string_view::npos || trailer == std::string_view::npos || trailer > start)
        return {};
    const std::string_view tail = pdf.substr(trailer, start - trailer);
    const std::string size(After(tail, "/Size")), root(After(tail, "/Root")), info(After(tail, "/Info"));
    const long long previous = std::atoll(std::string(After(pdf.substr(start), "startxref\n")).c_str());
    if (size.empty() || root.empty() || previous <= 0)
        return {};
    std::string update = pdf.empty() || pdf.back() == '\n' ? "" : "\n";
    std::string xref = "xref\n";
    std::sort(objects.begin(), objects.end());
    for (const auto& [number, text] : objects) {
        char entry[32];
        std::snprintf(entry, sizeof entry, "%010llu 00000 n \n", static_cast<unsigned long long>(fileSize + update.size()));
        xref += std::to_string(number) + " 1\n" + entry;
        update += std::to_string(number) + " 0 obj\n<< /Length " + std::to_string(text.size()) + " >>\nstream\n" + text
                  + "endstream\nendobj\n";
    }
    const std::uint64_t xrefAt = fileSize + update.size();
    update += xref + "trailer\n<< /Size " + size + " /Root " + root + " 0 R" + (info.empty() ? "" : " /Info " + info + " 0 R")
              + " /Prev " + std::to_string(previous) + " >>\nstartxref\n" + std::to_string(xrefAt) + "\n%%EOF\n";
    return update;
}

bool FontsTail(std::uint64_t size, const std::function<bool(std::uint64_t, std::size_t, char*)>& read,
               std::string& tail)
{
    tail.clear();
    std::uint64_t from = size;
    std::size_t chunk = 1 << 20;
    while (from > 0) {
        const std::size_t n = static_cast<std::size_t>(std::min<std::uint64_t>(chunk, from));
        from -= n;
        std::string piece(n, '\0');
        if (!read(from, n, piece.data()))
            return false;
        tail.insert(0, piece);
        if (tail.find("/Type /Page\n") != std::string::npos)
            break;
        chunk = std::min<std::size_t>(chunk * 2, 1 << 26);
    }
    return true;
}

bool CompleteTextMaps(const std::string& path, const TXLPdfTextLog& log, std::string& error)
{
    std::FILE* f = std::fopen(path.c_str(), "rb");
    if (!f) {
        error = std::strerror(errno);
        return false;
    }
    std::string tail;
    std::fseek(f, 0, SEEK_END);
    const long size = std::ftell(f);
    const bool readOk = size >= 0 && FontsTail(static_cast<std::uint64_t>(size), [f](std::uint64_t at, std::size_t n, char* into) {
        return std::fseek(f, static_cast<long>(at), SEEK_SET) == 0 && std::fread(into, 1, n, f) == n;
    }, tail);
    std::fclose(f);
    if (!readOk) {
        error = "the file could not be read back";
        return false;
    }
    const std::string update = log.TextMapUpdate(tail, static_cast<std::uint64_t>(size));
    if (update.empty())
        return true;
    f = std::fopen(path.c_str(), "ab");
    if (!f || std::fwrite(update.data(), 1, update.size(), f) != update.size() || std::fflush(f) != 0) {
        error = std::strerror(errno ? errno : EIO);
        if (f)
            std::fclose(f);
        return false;
    }
    return std::fclose(f) == 0 || (error = std::strerror(errno), false);
}

TXLTextLogScope::TXLTextLogScope(TXLPdfTextLog& log) : m_previous(t_log) { t_log = &log; }
TXLTextLogScope::~TXLTextLogScope() { t_log = m_previous; }

void NoteDrawnText(const QFont& font, const QString& text)
{
    if (t_log && !text.isEmpty())
        t_log->Note(font, text);
}

}  // namespace xlpaint
