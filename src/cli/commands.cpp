#include "cli/commands.h"

#include "cli/helptext.h"
#include "cli/pdfoutput.h"
#include "engine/balanceddeal.h"
#include "engine/balancereport.h"
#include "engine/compute.h"
#include "engine/configstore.h"
#include "engine/divideclasses.h"
#include "engine/rostercheck.h"
#include "results/csvexport.h"
#include "results/resultsheet.h"
#include "results/resultview.h"
#include "xlgrid/range.h"
#include "xlgrid/sheet.h"
#include "xlio/csvreader.h"
#include "xlio/resultworkbook.h"
#include "xlio/sheetfiles.h"

#include <cerrno>
#include <charconv>
#include <cstring>
#include <filesystem>
#include <functional>
#include <memory>
#include <new>
#include <optional>
#include <ostream>

namespace cli {
namespace {

namespace fs = std::filesystem;

// What the settings reader accepts as an integer.
bool IsWholeNumber(const std::string& text)
{
    return engine::ParseIntSetting(text, 0) == engine::ParseIntSetting(text, 1);
}

struct TDivideOptions {
    std::string Roster;
    std::optional<std::string> ConfigFile;
    std::vector<std::pair<std::string, std::string>> Overrides;  // key, text, in order
    std::optional<std::string> CsvFolder;
    xlio::TCsvEncoding CsvEncoding = xlio::TCsvEncoding::Gb18030;
    std::optional<std::string> XlsxFile;
    std::optional<std::string> PdfFile;
    engine::TBalancedOptions Balanced;
    bool Report = false;
    bool Help = false;
};

TDivideOptions ParseDivideOptions(const std::vector<std::string>& args, const char* command)
{
    TDivideOptions o;
    std::vector<std::string> positional;
    bool optionsEnded = false;
    for (std::size_t i = 0; i < args.size(); ++i) {
        std::string arg = args[i];
        if (optionsEnded) {
            positional.push_back(arg);
            continue;
        }
        if (arg == "--") {
            optionsEnded = true;
            continue;
        }
        std::optional<std::string> inlineValue;
        if (arg.rfind("--", 0) == 0) {
            std::size_t eq = arg.find('=');
            if (eq != std::string::npos) {
                inlineValue = arg.substr(eq + 1);
                arg.resize(eq);
            }
        }
        auto value = [&]() -> std::string {
            if (inlineValue)
                return *inlineValue;
            if (i + 1 >= args.size())
                throw EUsage("option " + arg + " needs a value");
            return args[++i];
        };
        auto flag = [&]() {
            if (inlineValue)
                throw EUsage("option " + arg + " takes no value");
        };
        if (arg == "--help" || arg == "-h") {
            o.Help = true;
        } else if (arg == "--config") {
            o.ConfigFile = value();
        } else if (arg == "--classes") {
            std::string v = value();
            if (!IsWholeNumber(v))
                throw EUsage("--classes needs a whole number, not '" + v + "'");
            o.Overrides.emplace_back("ClassCount", v);
        } else if (arg == "--prefix") {
            o.Overrides.emplace_back("ClassPrefix", value());
        } else if (arg == "--sort-field") {
            o.Overrides.emplace_back("SortFieldName", value());
        } else if (arg == "--sort-kind") {
            std::string v = value();
            engine::TSortKind kind = engine::skNone;
            if (v == "numeric")
                kind = engine::skNumeric;
            else if (v == "grade")
                kind = engine::skGrade;
            else if (v != "none")
                throw EUsage("--sort-kind is numeric, grade or none, not '" + v + "'");
            o.Overrides.emplace_back("SortFieldType", engine::SortFieldTypeText(kind));
        } else if (arg == "--student-id" || arg == "--no-student-id") {
            flag();
            o.Overrides.emplace_back("CreateStudentID", arg == "--student-id" ? "True" : "False");
        } else if (arg == "--id-prefix") {
            o.Overrides.emplace_back("StudentIDPrefix", value());
        } else if (arg == "--sex-digit" || arg == "--no-sex-digit") {
            flag();
            o.Overrides.emplace_back("SexPrefix", arg == "--sex-digit" ? "True" : "False");
        } else if (arg == "--balanced" || arg == "--no-balanced") {
            flag();
            o.Overrides.emplace_back("Balanced", arg == "--balanced" ? "True" : "False");
        } else if (arg == "--seed") {
            std::string v = value();
            std::uint64_t seed = 0;
            auto [end, ec] = std::from_chars(v.data(), v.data() + v.size(), seed);
            if (v.empty() || ec != std::errc() || end != v.data() + v.size())
                throw EUsage("--seed needs a whole number from 0 to 18446744073709551615, not '" + v + "'");
            o.Balanced.Seed = seed;
        } else if (arg == "--time-limit") {
            std::string v = value();
            const double seconds = engine::IsNumber(v) ? engine::NumberValue(v) : 0;
            if (!(seconds > 0))
                throw EUsage("--time-limit needs a number of seconds above 0, not '" + v + "'");
            o.Balanced.TimeLimit = seconds;
        } else if (arg == "--report") {
            flag();
            o.Report = true;
        } else if (arg == "--csv") {
            o.CsvFolder = value();
            if (o.CsvFolder->empty())
                throw EUsage("--csv needs a folder");
        } else if (arg == "--csv-encoding") {
            std::string v = value();
            if (v == "gb18030" || v == "GB18030")
                o.CsvEncoding = xlio::TCsvEncoding::Gb18030;
            else if (v == "utf-8" || v == "UTF-8" || v == "utf8")
                o.CsvEncoding = xlio::TCsvEncoding::Utf8;
            else
                throw EUsage("--csv-encoding is gb18030 or utf-8, not '" + v + "'");
        } else if (arg == "--xlsx") {
            o.XlsxFile = value();
            if (o.XlsxFile->empty())
                throw EUsage("--xlsx needs a file name");
        } else if (arg == "--pdf") {
            o.PdfFile = value();
            if (o.PdfFile->empty())
                throw EUsage("--pdf needs a file name");
        } else if (arg.size() > 1 && arg[0] == '-' && arg != "-") {
            throw EUsage(std::string("unknown option ") + arg + " (fenban " + command + " --help)");
        } else {
            positional.push_back(arg);
        }
    }
    if (o.Help)
        return o;
    if (positional.size() != 1)
        throw EUsage(std::string("expected one roster file (fenban ") + command + " --help)");
    o.Roster = positional.front();
    return o;
}

engine::TConfigStore OpenSettings(const TDivideOptions& o)
{
    fs::path file = o.ConfigFile ? fs::path(*o.ConfigFile) : engine::DefaultConfigFile();
    if (o.ConfigFile) {
        std::error_code ec;
        if (!fs::exists(file, ec) || fs::is_directory(file, ec))
            throw EUsage("cannot open the settings file " + file.string());
    }
    engine::TConfigStore config = engine::TConfigStore::InMemory(file);
    for (const auto& [key, text] : o.Overrides)
        config.WriteSetting(key, text);
    config.LoadSettings();
    return config;
}

// CR-separated message lines as terminal lines.
std::string AsLines(const std::string& message)
{
    std::string out;
    for (std::size_t i = 0; i < message.size(); ++i) {
        if (message[i] == '\r') {
            out += '\n';
            if (i + 1 < message.size() && message[i + 1] == '\n')
                ++i;
        } else {
            out += message[i];
        }
    }
    return out + "\n";
}

int Guarded(std::ostream& err, const char* command, const std::function<int()>& body)
{
    try {
        return body();
    } catch (const EUsage& e) {
        err << "fenban " << command << ": " << e.what() << "\n";
    } catch (const std::bad_alloc&) {
        err << "fenban " << command << ": not enough memory\n";
    } catch (const std::exception& e) {
        err << "fenban " << command << ": " << e.what() << "\n";
    }
    return 2;
}

// Flushes the stream; a failed write ends the command (exit code 2).
void CheckWritten(std::ostream& stream, const char* what)
{
    errno = 0;
    stream.flush();
    if (!stream) {
        const int err = errno;
        throw EUsage(std::string("cannot write ") + what + (err ? std::string(": ") + std::strerror(err) : ""));
    }
}

struct TCheckedRoster {
    xlio::TLoadedRoster Sheet;
    engine::TRosterColumns Columns;
    engine::TSortField SortField;
};

// Reads the roster and runs the check; nullopt (with the messages written)
// when the check fails.
std::optional<TCheckedRoster> LoadAndCheck(const TDivideOptions& o, engine::TConfigStore& config,
                                           std::ostream& err)
{
    TCheckedRoster r{xlio::LoadRoster(o.Roster), {}, {}};
    engine::TTableRoster roster(r.Sheet.Rows, r.Sheet.ColCount);
    engine::TRosterCheck check = engine::CheckRoster(roster, config, r.Columns, r.SortField);
    if (!check.Passed) {
        // A workbook may hold several sheets: say which one was checked.
        if (!r.Sheet.WorksheetName.empty())
            err << "工作表“" << r.Sheet.WorksheetName << "”未通过检查：\n";
        err << AsLines(check.Message);
        return std::nullopt;
    }
    return r;
}

// A roster printed from the command line: its heading is its caption (row
// 0, alone in its row), not the file's name, and the caption spans the row,
// so that a caption wider than its column is not wrapped out of sight.
void PrepareRosterPrint(xlgrid::TXLSheet& sheet)
{
    const xlgrid::TXLCell* caption = sheet.FindCell(0, 0);
    if (!caption || caption->AsString().empty())
        return;
    for (int c = caption->Width(); c < sheet.ColCount(); ++c)
        if (const xlgrid::TXLCell* cell = sheet.FindCell(c, 0); cell && !cell->AsString().empty())
            return;
    sheet.SetTitle(caption->AsString());
    if (sheet.ColCount() > 1 && caption->Width() <= 1 && caption->Height() <= 1)
        xlgrid::TXLSelection(sheet, xlgrid::skClient, xlgrid::TXLRect{0, 0, sheet.ColCount(), 1}).Merge();
}

}  // namespace

int RunDivide(const std::vector<std::string>& args, std::ostream& out, std::ostream& err)
{
    return Guarded(err, "divide", [&]() {
        TDivideOptions o = ParseDivideOptions(args, "divide");
        if (o.Help) {
            out << DivideHelp;
            return 0;
        }
        engine::TConfigStore config = OpenSettings(o);
        std::optional<TCheckedRoster> r = LoadAndCheck(o, config, err);
        if (!r)
            return 1;

        engine::TTableRoster roster(r->Sheet.Rows, r->Sheet.ColCount);
        engine::TDivideClasses division;
        engine::FillDivision(division, roster, config, r->Columns, r->SortField);
        engine::TSearchOutcome search;
        if (division.Balanced)
            division.SetDealStrategy(std::make_unique<engine::TBalancedDeal>(o.Balanced, &search));
        try {
            division.Divide();
        } catch (const engine::EBalancedRefusal& e) {
            err << AsLines(e.what());  // roster problems, like the roster check's
            return 1;
        }

        std::vector<std::string> header;
        for (int j = 0; j < r->Sheet.ColCount; ++j)
            header.push_back(roster.CellText(j, 1));
        results::TResultViews views = results::MakeResultViews(division, header, r->SortField, r->Columns);
        std::vector<const results::IResultTable*> csvSheets;
        for (const auto& v : views.Students)
            csvSheets.push_back(&v);
        csvSheets.push_back(&views.Overview);
        // A CSV file name the folder cannot hold stops the run before any file is written.
        auto checkCsvNames = [&]() {
            if (!o.CsvFolder)
                return;
            const std::string problem = results::CsvFileNamesProblem(csvSheets);
            if (!problem.empty())
                throw EUsage(problem);
        };

        if (o.XlsxFile || o.PdfFile) {
            // The result sheets as the window builds them, from the roster sheet.
            const std::shared_ptr<xlgrid::TXLSheet> source = xlio::RosterSheet(r->Sheet);
            const results::TResultContext context{*source, division, r->SortField, r->Columns};
            const std::vector<results::TBuiltSheet> built = results::BuildResultSheets(context);
            // A worksheet name Excel refuses stops the run before any file is written.
            std::vector<xlio::TResultSheet> workbook;
            if (o.XlsxFile) {
                workbook = results::WorkbookSheets(*source, built);
                std::string problem = xlio::ResultSheetNamesProblem(workbook);
                if (!problem.empty())
                    throw EUsage("cannot write the Excel export " + *o.XlsxFile + ": " + problem
                                 + "; choose another class prefix (--prefix) or use --csv");
            }
            checkCsvNames();
            if (o.XlsxFile)
                xlio::WriteResultWorkbook(*o.XlsxFile, workbook);
            if (o.PdfFile) {
                std::vector<const xlgrid::TXLSheet*> pages;
                for (const results::TBuiltSheet& entry : built)
                    pages.push_back(entry.Sheet.get());
                WritePdf(pages, *o.PdfFile, true);
            }
        }

        if (o.CsvFolder) {
            results::TRosterView source(r->Sheet.Rows, r->Sheet.ColCount);
            results::TCsvExportOptions options;
            options.Encoding = o.CsvEncoding;
            results::ExportCsv(*o.CsvFolder, csvSheets, source, options, nullptr);
        }

        std::string text, scratch;
        const results::TOverviewView& ov = views.Overview;
        for (int row = -1; row < ov.RowCount(); ++row) {
            for (int c = 0; c < ov.ColCount(); ++c) {
                if (c > 0)
                    text += '\t';
                text += ov.Text(c, row, scratch);
            }
            text += '\n';
        }
        if (o.Report)
            text += "\n" + engine::DivisionReport(division, division.Balanced ? &search : nullptr);
        out << text;
        CheckWritten(out, "the overview to standard output");
        return 0;
    });
}

int RunCheck(const std::vector<std::string>& args, std::ostream& out, std::ostream& err)
{
    return Guarded(err, "check", [&]() {
        TDivideOptions o = ParseDivideOptions(args, "check");
        if (o.Help) {
            out << CheckHelp;
            return 0;
        }
        engine::TConfigStore config = OpenSettings(o);
        std::optional<TCheckedRoster> r = LoadAndCheck(o, config, err);
        if (!r)
            return 1;
        // In balanced mode the 调整 column is checked too, as the division would.
        engine::TTableRoster roster(r->Sheet.Rows, r->Sheet.ColCount);
        engine::TDivideClasses division;
        engine::FillDivision(division, roster, config, r->Columns, r->SortField);
        if (!division.Balanced)
            return 0;
        division.SetDealStrategy(std::make_unique<engine::TBalancedCheck>());
        try {
            division.Divide();
        } catch (const engine::EBalancedRefusal& e) {
            err << AsLines(e.what());
            return 1;
        }
        return 0;
    });
}

int RunConvert(const std::vector<std::string>& args, std::ostream& out, std::ostream& err)
{
    return Guarded(err, "convert", [&]() {
        std::vector<std::string> files;
        for (const std::string& a : args) {
            if (a == "--help" || a == "-h") {
                out << ConvertHelp;
                return 0;
            }
            if (a.size() > 1 && a[0] == '-')
                throw EUsage("unknown option " + a + " (fenban convert --help)");
            files.push_back(a);
        }
        if (files.size() != 2)
            throw EUsage("expected an input and an output file (fenban convert --help)");
        // The output's type is checked before the input is read.
        const std::string outExt = xlio::LowerExtension(files[1]);
        if (outExt != ".csv" && outExt != ".xlsx" && outExt != ".pdf" && outExt != ".xlf")
            throw EUsage("unknown file type of " + files[1] + " (expected .csv, .xlsx, .pdf or .xlf)");
        xlgrid::TXLSheet sheet;
        xlio::LoadSheet(files[0], sheet);
        if (outExt == ".pdf") {
            PrepareRosterPrint(sheet);
            WritePdf({&sheet}, files[1], false);
        }
        else
            xlio::SaveSheet(sheet, files[1]);
        return 0;
    });
}

namespace {

int RunNamedCommand(int argc, char** argv, std::ostream& out, std::ostream& err)
{
    std::vector<std::string> args(argv + (argc > 1 ? 2 : argc), argv + argc);
    const std::string command = argc > 1 ? argv[1] : "";
    int code = 2;
    if (command == "divide") {
        code = RunDivide(args, out, err);
    } else if (command == "check") {
        code = RunCheck(args, out, err);
    } else if (command == "convert") {
        code = RunConvert(args, out, err);
    } else if (command == "--help" || command == "-h" || command == "help") {
        out << GeneralHelp;
        code = 0;
    } else {
        if (command.empty())
            err << "fenban: no command given\n";
        else
            err << "fenban: unknown command " << command << "\n";
        err << GeneralHelp;
    }
    // What went to a full disk or a closed pipe is lost: never report success.
    const bool named = command == "divide" || command == "check" || command == "convert";
    const std::string name = named ? "fenban " + command : "fenban";
    if (code != 2) {
        try {
            CheckWritten(out, "to standard output");
        } catch (const EUsage& e) {
            err << name << ": " << e.what() << "\n";
            code = 2;
        }
    }
    err.flush();
    return err ? code : 2;
}

}  // namespace

int RunCommandLine(int argc, char** argv, std::ostream& out, std::ostream& err)
{
    try {
        return RunNamedCommand(argc, argv, out, err);
    } catch (const std::bad_alloc&) {
        // Each command reports its own; this is what is left around them.
        err << "fenban: not enough memory\n";
        err.flush();
        return 2;
    }
}

}  // namespace cli
