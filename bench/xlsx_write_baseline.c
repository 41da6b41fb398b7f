/* The floor for writing the result workbook: libxlsxwriter alone in
 * constant-memory mode writes the cells of a dump of result_export_tool
 * with the same formats (宋体 9 centred, black borders from row 2, silver
 * header rows on the result sheets, "@" on all but the overview, the title
 * merged over the first row). The dump is loaded first; only the writing is
 * timed. Prints the median wall time of the repeats in seconds.
 *   xlsx_write_baseline DUMP OUT.xlsx [REPEATS]                              */
#include <xlsxwriter.h>

#include <stdio.h>
#include <stdlib.h>
#include <string.h>
#include <time.h>

typedef struct {
    int Kind, Cols, Rows;
    char* Name;
    char* Title;
    char** Cells; /* Rows * Cols */
} TSheet;

static double Now(void)
{
    struct timespec ts;
    clock_gettime(CLOCK_MONOTONIC, &ts);
    return (double)ts.tv_sec + (double)ts.tv_nsec * 1e-9;
}

static int Compare(const void* a, const void* b)
{
    const double x = *(const double*)a, y = *(const double*)b;
    return x < y ? -1 : x > y;
}

/* Splits the dump in place: it stays loaded for the whole run. */
static TSheet* Load(const char* path, int* count)
{
    FILE* f = fopen(path, "rb");
    if (!f)
        return NULL;
    fseek(f, 0, SEEK_END);
    const long size = ftell(f);
    fseek(f, 0, SEEK_SET);
    char* text = malloc((size_t)size + 1);
    if (fread(text, 1, (size_t)size, f) != (size_t)size) {
        fclose(f);
        return NULL;
    }
    fclose(f);
    text[size] = 0;
    int capacity = 16, n = 0;
    TSheet* sheets = malloc(sizeof(TSheet) * (size_t)capacity);
    char* p = text;
    while (*p == '#') {
        if (n == capacity)
            sheets = realloc(sheets, sizeof(TSheet) * (size_t)(capacity *= 2));
        TSheet* s = &sheets[n++];
        char* tab = strchr(p, '\t');
        sscanf(p, "#S %d %d %d", &s->Kind, &s->Cols, &s->Rows);
        s->Name = tab + 1;
        tab = strchr(s->Name, '\t');
        *tab = 0;
        s->Title = tab + 1;
        p = strchr(s->Title, '\n');
        *p++ = 0;
        s->Cells = malloc(sizeof(char*) * (size_t)s->Rows * (size_t)(s->Cols ? s->Cols : 1));
        for (int r = 0; r < s->Rows; ++r)
            for (int c = 0; c < s->Cols; ++c) {
                s->Cells[(size_t)r * (size_t)s->Cols + (size_t)c] = p;
                p += strcspn(p, c + 1 < s->Cols ? "\t" : "\n");
                *p++ = 0;
            }
    }
    *count = n;
    return sheets;
}

static int LooksNumeric(const char* text, double* value)
{
    const char* p = text;
    int digits = 0;
    if (*p == '+' || *p == '-')
        ++p;
    for (; *p >= '0' && *p <= '9'; ++p)
        ++digits;
    if (*p == '.')
        for (++p; *p >= '0' && *p <= '9'; ++p)
            ++digits;
    if (digits == 0 || *p || digits > 15)
        return 0;
    *value = strtod(text, NULL);
    return 1;
}

static lxw_format* Make(lxw_workbook* wb, int text, int border, int fill)
{
    lxw_format* f = workbook_add_format(wb);
    format_set_font_name(f, "宋体");
    format_set_font_size(f, 9);
    format_set_align(f, LXW_ALIGN_CENTER);
    if (text)
        format_set_num_format(f, "@");
    if (border) {
        format_set_border(f, LXW_BORDER_THIN);
        format_set_border_color(f, 0x000000);
    }
    if (fill)
        format_set_bg_color(f, 0xC0C0C0);
    return f;
}

static int Write(const char* out, const TSheet* sheets, int count)
{
    lxw_workbook_options options = {.constant_memory = LXW_TRUE, .tmpdir = NULL};
    lxw_workbook* wb = workbook_new_opt(out, &options);
    if (!wb)
        return 1;
    lxw_format* titleText = Make(wb, 1, 0, 0);
    lxw_format* title = Make(wb, 0, 0, 0);
    lxw_format* bodyText = Make(wb, 1, 1, 0);
    lxw_format* body = Make(wb, 0, 1, 0);
    lxw_format* headerText = Make(wb, 1, 1, 1);
    lxw_format* header = Make(wb, 0, 1, 1);
    for (int i = 0; i < count; ++i) {
        const TSheet* s = &sheets[i];
        lxw_worksheet* ws = workbook_add_worksheet(wb, s->Name);
        if (!ws)
            return 1;
        const int source = s->Kind == 0, text = s->Kind != 3;
        lxw_format* t = source ? titleText : title;
        if (s->Cols > 1)
            worksheet_merge_range(ws, 0, 0, 0, (lxw_col_t)(s->Cols - 1), s->Title, t);
        else
            worksheet_write_string(ws, 0, 0, s->Title, t);
        for (int r = 0; r < s->Rows; ++r) {
            lxw_format* f = (r == 0 && !source) ? (text ? headerText : header) : (text ? bodyText : body);
            for (int c = 0; c < s->Cols; ++c) {
                const char* v = s->Cells[(size_t)r * (size_t)s->Cols + (size_t)c];
                double number;
                lxw_error e = (!text && LooksNumeric(v, &number))
                                  ? worksheet_write_number(ws, (lxw_row_t)(r + 1), (lxw_col_t)c, number, f)
                                  : worksheet_write_string(ws, (lxw_row_t)(r + 1), (lxw_col_t)c, v, f);
                if (e != LXW_NO_ERROR)
                    return 1;
            }
        }
        if (source)
            worksheet_activate(ws);
    }
    return workbook_close(wb) != LXW_NO_ERROR;
}

int main(int argc, char** argv)
{
    if (argc < 3) {
        fprintf(stderr, "usage: %s DUMP OUT.xlsx [REPEATS]\n", argv[0]);
        return 2;
    }
    int repeats = argc > 3 ? atoi(argv[3]) : 3;
    if (repeats < 1 || repeats > 1000)
        repeats = 3;
    int count = 0;
    TSheet* sheets = Load(argv[1], &count);
    if (!sheets) {
        fprintf(stderr, "cannot read %s\n", argv[1]);
        return 1;
    }
    double* times = malloc(sizeof(double) * (size_t)repeats);
    for (int i = 0; i < repeats; ++i) {
        const double start = Now();
        if (Write(argv[2], sheets, count)) {
            fprintf(stderr, "writing %s failed\n", argv[2]);
            return 1;
        }
        times[i] = Now() - start;
    }
    qsort(times, (size_t)repeats, sizeof(double), Compare);
    printf("%.4f\n", times[repeats / 2]);
    return 0;
}
