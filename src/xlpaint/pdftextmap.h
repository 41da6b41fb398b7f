#pragma once
// Complete text maps for the PDF. Qt's PDF engine writes each font's text
// map (ToUnicode) from the lowest character of the basic plane that shows a
// glyph: a character beyond that plane (𠮷, 𪚥) gets no entry and cannot be
// searched or copied, and a glyph a font shares between an ideograph and its
// radical (一 and ⼀) is copied as the radical. The log keeps, per font, the
// glyphs in the order the engine first meets them (the order of its
// character ids) and the character each was drawn for; TextMapUpdate turns
// that into an incremental update of the PDF whose text maps list every glyph.

#include <QFont>
#include <QRawFont>
#include <QString>

#include <cstdint>
#include <functional>
#include <map>
#include <string>
#include <string_view>
#include <unordered_map>
#include <vector>

namespace xlpaint {

class TXLPdfTextLog {
public:
    // Text drawn with `font`, in drawing order.
    void Note(const QFont& font, const QString& text);
    // The bytes to append to a PDF as Qt wrote it so that every font the log
    // matches gets a complete text map; empty when no map needs it. A font
    // whose map does not agree with the log is left as it is. `tail` is the
    // end of the file (of `fileSize` bytes) from before its fonts on (see
    // FontsTail).
    std::string TextMapUpdate(std::string_view tail, std::uint64_t fileSize) const;

private:
    struct Face {
        QRawFont Raw;
        std::vector<quint32> Glyphs{0};  // character id -> glyph; 0 is the missing glyph
        std::unordered_map<quint32, char32_t> Chars;  // glyph -> character drawn
    };
    struct Chain {
        std::vector<QRawFont> Fonts;  // primary, then the substitutes
        std::unordered_map<char32_t, std::pair<Face*, quint32>> Seen;  // character -> its face and glyph
    };
    Chain& ChainOf(const QFont& font);
    Face* FaceOf(const QRawFont& raw);

    std::map<std::string, Chain> m_chains;  // font key -> its chain
    std::map<std::string, Face> m_faces;                    // PostScript name -> face
};

// How much of a PDF's end TextMapUpdate needs: from the last page object on
// (Qt writes the fonts after the pages). Grows `tail` backwards from the end
// of `size` bytes read by `read(offset, length, into)`.
bool FontsTail(std::uint64_t size, const std::function<bool(std::uint64_t, std::size_t, char*)>& read,
               std::string& tail);

// Appends the log's update to a PDF file that a printer wrote; false with
// the system's reason in `error` when the file cannot be read or extended.
bool CompleteTextMaps(const std::string& path, const TXLPdfTextLog& log, std::string& error);

// While a scope lives, NoteDrawnText in this thread goes to its log.
class TXLTextLogScope {
public:
    explicit TXLTextLogScope(TXLPdfTextLog& log);
    ~TXLTextLogScope();
    TXLTextLogScope(const TXLTextLogScope&) = delete;
    TXLTextLogScope& operator=(const TXLTextLogScope&) = delete;

private:
    TXLPdfTextLog* m_previous;
};

// Every place that draws text calls this with the painter's font.
void NoteDrawnText(const QFont& font, const QString& text);

// The PostScript name of a font (its name table's id 6), as the PDF names it.
std::string PostScriptName(const QRawFont& raw);

}  // namespace xlpaint
