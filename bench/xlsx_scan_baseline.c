/* The floor for reading a worksheet: inflate one part of an xlsx archive with
 * libzip and run expat over it with empty handlers, nothing kept. Prints the
 * median wall time of the repeats in seconds.
 *   xlsx_scan_baseline FILE.xlsx [PART] [REPEATS]                            */
#include <expat.h>
#include <zip.h>

#include <stdio.h>
#include <stdlib.h>
#include <string.h>
#include <time.h>

static void XMLCALL OnStart(void* user, const XML_Char* name, const XML_Char** attrs)
{
    (void)user; (void)name; (void)attrs;
}

static void XMLCALL OnEnd(void* user, const XML_Char* name)
{
    (void)user; (void)name;
}

static void XMLCALL OnText(void* user, const XML_Char* text, int len)
{
    (void)user; (void)text; (void)len;
}

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

/* Returns the inflated size, or -1 on failure. */
static long long Scan(const char* path, const char* part)
{
    int error = 0;
    zip_t* zip = zip_open(path, ZIP_RDONLY, &error);
    if (!zip) {
        fprintf(stderr, "cannot open %s (libzip error %d)\n", path, error);
        return -1;
    }
    zip_file_t* file = zip_fopen(zip, part, 0);
    if (!file) {
        fprintf(stderr, "%s: no part %s\n", path, part);
        zip_discard(zip);
        return -1;
    }
    XML_Parser parser = XML_ParserCreate(NULL);
    XML_SetElementHandler(parser, OnStart, OnEnd);
    XML_SetCharacterDataHandler(parser, OnText);
    enum { Size = 1 << 16 };
    static char buffer[Size];
    long long total = 0;
    zip_int64_t n;
    while ((n = zip_fread(file, buffer, Size)) > 0) {
        total += n;
        if (XML_Parse(parser, buffer, (int)n, 0) != XML_STATUS_OK) {
            fprintf(stderr, "%s: %s\n", part, XML_ErrorString(XML_GetErrorCode(parser)));
            total = -1;
            break;
        }
    }
    if (total >= 0 && (n < 0 || XML_Parse(parser, buffer, 0, 1) != XML_STATUS_OK))
        total = -1;
    XML_ParserFree(parser);
    zip_fclose(file);
    zip_discard(zip);
    return total;
}

int main(int argc, char** argv)
{
    if (argc < 2) {
        fprintf(stderr, "usage: %s FILE.xlsx [PART] [REPEATS]\n", argv[0]);
        return 2;
    }
    const char* part = argc > 2 ? argv[2] : "xl/worksheets/sheet1.xml";
    int repeats = argc > 3 ? atoi(argv[3]) : 5;
    if (repeats < 1 || repeats > 1000)
        repeats = 5;
    double* times = malloc(sizeof(double) * (size_t)repeats);
    long long bytes = 0;
    for (int i = 0; i < repeats; ++i) {
        const double start = Now();
        bytes = Scan(argv[1], part);
        times[i] = Now() - start;
        if (bytes < 0)
            return 1;
    }
    qsort(times, (size_t)repeats, sizeof(double), Compare);
    printf("%.4f %lld\n", times[repeats / 2], bytes);
    free(times);
    return 0;
}
