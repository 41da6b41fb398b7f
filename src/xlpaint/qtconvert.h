#pragma once
// The bridge between the sheet's plain values and Qt: colours, fonts, text
// measurement and the application object that fonts need.

#include "xlgrid/cell.h"
#include "xlgrid/xltypes.h"

#include <QColor>
#include <QFont>

class QGuiApplication;

namespace xlpaint {

// $00BBGGRR gives that colour; $FF0000nn a colour of the application palette
// that plays the part of system colour nn (a fixed neutral one without an
// application); clNone gives an invalid QColor.
QColor ToQColor(xlgrid::TColor color);

// The sheet font at a zoom in percent. The size is set in pixels (points at
// 96 pixels per inch), so a painter scaled to printer dots keeps the
// proportions of the screen. Installs the font substitutions on first use.
QFont ToQFont(const xlgrid::TXLFont& font, int zoom = 100);

// Maps the font names that sheets carry from their home platform (宋体 and
// its relatives) to an installed CJK font. Idempotent.
void InstallFontSubstitutions();

// Text measurement with real fonts, for best-fit row heights and column widths.
class TQtTextMeasure : public xlgrid::ITextMeasure {
public:
    xlgrid::TXLSize MeasureText(const std::string& text, const xlgrid::TXLFont& font) const override;
};

// Makes the sheets measure their text with TQtTextMeasure (needs fonts, so a
// QGuiApplication must exist).
void InstallTextMeasure();

// Fonts, painting into images and PDF output need a QGuiApplication. Returns
// the running one, or creates one (kept until the process ends) when none
// exists; without a display it runs on the offscreen platform. Also installs
// the font substitutions and the text measure.
QGuiApplication* EnsureGuiApplication();

}  // namespace xlpaint
