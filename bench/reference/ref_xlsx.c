/* Reference: the floor of the workbook export. Reads and cuts the records as ref_parse
 * does, then writes the same seven columns with bare libxlsxwriter in its constant-memory
 * mode (texts inline, amounts as numbers of dinars) into OUT.tmp, renamed to OUT.
 * Usage: ref_xlsx FILE OUT */
#include "ref_records.h"

#include <xlsxwriter.h>

static void digits_text(char *buf, uint64_t v, int width)
{
    for (int i = width - 1; i >= 0; --i) {
        buf[i] = (char)('0' + v % 10);
        v /= 10;
    }
    buf[width] = 0;
}

int main(int argc, char **argv)
{
    if (argc < 3) {
        fputs("usage: ref_xlsx FILE OUT\n", stderr);
        return 2;
    }
    RefList l = {0};
    if (ref_read(argv[1], &l, 1)) return 2;
    char tmp[4096];
    snprintf(tmp, sizeof tmp, "%s.tmp", argv[2]);
    lxw_workbook_options options = {.constant_memory = LXW_TRUE, .tmpdir = NULL};
    lxw_workbook *book = workbook_new_opt(tmp, &options);
    if (!book) {
        fprintf(stderr, "cannot create %s\n", tmp);
        return 2;
    }
    lxw_worksheet *sheet = workbook_add_worksheet(book, NULL);
    const char *headers[] = {"Compte",        "Clé",           "Net à Payer", "Rendement",
                             "Num Assurance", "Nom et Prénom", "Type Contrat"};
    for (int c = 0; c < 7; ++c)
        worksheet_write_string(sheet, 0, (lxw_col_t)c, headers[c], NULL);
    char buf[64], name[128];
    for (size_t i = 0; i < l.count; ++i) {
        const RefRecord *r = &l.rec[i];
        const lxw_row_t row = (lxw_row_t)(i + 1);
        digits_text(buf, r->account, 10);
        worksheet_write_string(sheet, row, 0, buf, NULL);
        digits_text(buf, r->key == 255 ? 0 : r->key, 2);
        worksheet_write_string(sheet, row, 1, buf, NULL);
        worksheet_write_number(sheet, row, 2, (double)r->net / 100.0, NULL);
        worksheet_write_number(sheet, row, 3, (double)r->yield / 100.0, NULL);
        digits_text(buf, r->insurance, 12);
        worksheet_write_string(sheet, row, 4, buf, NULL);
        memcpy(name, l.arena + r->text + r->captionLen, r->nameLen);
        name[r->nameLen] = 0;
        worksheet_write_string(sheet, row, 5, name, NULL);
        buf[0] = r->type;
        buf[1] = 0;
        worksheet_write_string(sheet, row, 6, buf, NULL);
    }
    if (workbook_close(book) != LXW_NO_ERROR || rename(tmp, argv[2]) != 0) {
        fprintf(stderr, "cannot write %s\n", argv[2]);
        return 2;
    }
    printf("records %zu peak_kb %ld\n", l.count, ref_peak_kb());
    return 0;
}
