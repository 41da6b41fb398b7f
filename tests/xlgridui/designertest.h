#pragma once
// Small helpers of the designer tests: a cell's text, a file written into a
// temporary folder, and a workbook read back by the openpyxl dump script.

#include "xlgrid/sheet.h"

#include <QFile>
#include <QProcess>
#include <QString>
#include <QTemporaryDir>

#include <string>

namespace xlgridui::testing {

inline std::string CellText(const xlgrid::TXLSheet& sheet, int col, int row)
{
    const xlgrid::TXLCell* cell = sheet.FindCell(col, row);
    return cell ? cell->AsString() : std::string();
}

inline QString WriteFile(const QTemporaryDir& dir, const QString& name, const QByteArray& bytes)
{
    const QString path = dir.filePath(name);
    QFile f(path);
    if (f.open(QIODevice::WriteOnly))
        f.write(bytes);
    return path;
}

// One fact a line (see tests/data/dump-workbook.py).
inline QString DumpWorkbook(const QString& path)
{
    QProcess p;
    p.start("/usr/bin/python3", {QStringLiteral(FENBAN_TEST_DATA "/dump-workbook.py"), path});
    p.waitForFinished(60000);
    return QString::fromUtf8(p.readAllStandardOutput());
}

}  // namespace xlgridui::testing
