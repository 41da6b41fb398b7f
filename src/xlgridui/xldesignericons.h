#pragma once
// The images of the designer's commands, drawn in code (no image files):
// cell-grid glyphs for the border, alignment and merge commands, letters for
// the font styles, small pictures for the file, clipboard and preview ones.

#include <QIcon>
#include <QString>

namespace xlgridui {

// The image of a command by its action name; a null icon for names without one.
QIcon DesignerIcon(const QString& name);

}  // namespace xlgridui
