#pragma once

namespace cli {

inline constexpr const char* GeneralHelp =
    "用法 / Usage: fenban <命令 command> [参数 options]\n"
    "\n"
    "  divide ROSTER   分班并输出分班情况 / divide a roster into classes, print the overview\n"
    "  check ROSTER    只检查名单 / only check the roster\n"
    "  convert IN OUT  表格格式转换 / convert one sheet between file formats\n"
    "\n"
    "读 / reads .csv .xlsx .xls .xlf; 写 / writes .csv .xlsx .pdf .xlf.\n"
    "fenban <命令> --help 查看命令说明 / shows the help of a command.\n"
    "退出码 / exit codes: 0 成功 success, 1 名单检查未通过 roster check failed,\n"
    "2 用法或文件错误 usage error, unreadable input or unwritable output.\n";

inline constexpr const char* DivideHelp =
    "用法 / Usage: fenban divide ROSTER [options]\n"
    "分班：检查名单、分班、生成结果表，在标准输出打印分班情况（制表符分隔）。\n"
    "Checks the roster, divides it and prints the overview as tab-separated lines.\n"
    "ROSTER: .csv (UTF-8、GB18030 或带 BOM 的 UTF-16；逗号、制表符或分号分隔), .xlsx, .xls (第一个可见工作表 / first visible worksheet), .xlf (表格文件 / sheet file).\n"
    "选项只在本次运行中替换 Config.ini 的一项，从不写配置文件 /\n"
    "options override one Config.ini key for this run only; no settings file is written:\n"
    "  --config FILE            起始配置文件 / settings file to start from; 默认 / default:\n"
    "                           $FENBAN_CONFIG，否则程序旁或 $XDG_CONFIG_HOME/fenban 的 Config.ini /\n"
    "                           else Config.ini beside fenban or in $XDG_CONFIG_HOME/fenban\n"
    "  --classes N              班级数 / number of classes (ClassCount)\n"
    "  --prefix TEXT            班级前缀 / class prefix (ClassPrefix)\n"
    "  --sort-field NAME        排序字段 / sort field header (SortFieldName)\n"
    "  --sort-kind numeric|grade|none  数值型 / 等级型 / 无 (SortFieldType)\n"
    "  --student-id, --no-student-id   生成学号 / generate student numbers\n"
    "  --id-prefix TEXT         学号前缀 / student number prefix\n"
    "  --sex-digit, --no-sex-digit     学号以性别位开头 / sex digit first\n"
    "  --csv DIR                把 CSV 文件写入 DIR / write the CSV files into DIR\n"
    "  --csv-encoding gb18030|utf-8    CSV 编码（默认 gb18030）/ CSV encoding\n"
    "  --xlsx FILE              把结果写成 Excel 工作簿 / write the result workbook\n"
    "  --pdf FILE               把全年级、各班和分班情况打印成 PDF /\n"
    "                           print the grade, every class and the overview into a PDF\n"
    "  --balanced, --no-balanced  均衡分班 / the balanced division (Balanced): 各科均分、班内分布、\n"
    "                           学校和地区分布都均衡，遵守调整列 / all subjects, spreads, schools and\n"
    "                           regions balanced, the 调整 column's constraints kept\n"
    "  --seed N                 均衡分班的随机种子（默认 1）/ seed of the balanced division (default 1)\n"
    "  --time-limit SECONDS     均衡分班最长用时（默认 2）/ time cap of the balanced division (default 2)\n"
    "  --report                 在分班情况后打印均衡情况 / print the balance report after the overview\n";

inline constexpr const char* CheckHelp =
    "用法 / Usage: fenban check ROSTER [options]\n"
    "只检查名单；通过时无输出，退出码 0，否则在标准错误输出问题，退出码 1。\n"
    "Only checks the roster: silent exit 0, or the problems on stderr and exit 1.\n"
    "选项同 divide / options as for divide (--config, --classes, --prefix, --sort-field,\n"
    "--sort-kind, --student-id, --id-prefix, --sex-digit, ...);\n"
    "--balanced 时也检查调整列 / with --balanced the 调整 column is checked too.\n";

inline constexpr const char* ConvertHelp =
    "用法 / Usage: fenban convert IN OUT\n"
    "把一个表格从 IN 读入并按扩展名写成 OUT / reads IN as one sheet, writes OUT by extension.\n"
    "IN: .csv, .xlsx, .xls (第一个可见工作表 / first visible worksheet), .xlf (表格文件 / sheet file).\n"
    "OUT: .csv (RFC 4180, CR LF, GB18030), .xlsx (带格式 / formatted), .pdf (A4), .xlf.\n";

}  // namespace cli
