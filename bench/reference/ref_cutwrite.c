/* Reference: the floor of a text export. Reads and cuts the records as ref_parse does
 * (keys checked), then writes them back as a transfer file: 87 characters and CR LF per
 * record, numbers written from integers, through a 4 MB buffer into OUT.tmp, flushed to
 * disk (fsync) and renamed to OUT. Usage: ref_cutwrite FILE OUT */
#include "ref_records.h"

#include <stdio.h>

enum { OUT_BUF = 4 << 20 };
static char *out;
static size_t outUsed;
static int outFd;

static void flush_out(void)
{
    size_t done = 0;
    while (done < outUsed) {
        const ssize_t n = write(outFd, out + done, outUsed - done);
        if (n <= 0) {
            perror("write");
            exit(2);
        }
        done += (size_t)n;
    }
    outUsed = 0;
}

static void put_number(uint64_t v, int width)
{
    for (int i = width - 1; i >= 0; --i) {
        out[outUsed + (size_t)i] = (char)('0' + v % 10);
        v /= 10;
    }
    outUsed += (size_t)width;
}

int main(int argc, char **argv)
{
    if (argc < 3) {
        fputs("usage: ref_cutwrite FILE OUT\n", stderr);
        return 2;
    }
    RefList l = {0};
    if (ref_read(argv[1], &l, 1)) return 2;
    char tmp[4096];
    snprintf(tmp, sizeof tmp, "%s.tmp", argv[2]);
    outFd = open(tmp, O_WRONLY | O_CREAT | O_TRUNC, 0644);
    if (outFd < 0) {
        perror(tmp);
        return 2;
    }
    out = malloc(OUT_BUF);
    for (size_t i = 0; i < l.count; ++i) {
        const RefRecord *r = &l.rec[i];
        if (outUsed + 256 > OUT_BUF) flush_out();
        memcpy(out + outUsed, l.arena + r->text, r->captionLen);
        outUsed += r->captionLen;
        put_number(r->account, 10);
        put_number(r->key == 255 ? 0 : r->key, 2);
        put_number((uint64_t)r->net, 13);
        put_number((uint64_t)r->yield, 13);
        put_number(r->insurance, 12);
        const char *name = l.arena + r->text + r->captionLen;
        memcpy(out + outUsed, name, r->nameLen);
        outUsed += r->nameLen;
        int chars = 0;
        for (int k = 0; k < r->nameLen; ++k)
            chars += (name[k] & 0xC0) != 0x80;
        for (; chars < 27; ++chars)
            out[outUsed++] = ' ';
        out[outUsed++] = r->type;
        out[outUsed++] = '\r';
        out[outUsed++] = '\n';
    }
    flush_out();
    if (fsync(outFd) != 0 || close(outFd) != 0 || rename(tmp, argv[2]) != 0) {
        perror(argv[2]);
        return 2;
    }
    printf("records %zu peak_kb %ld\n", l.count, ref_peak_kb());
    return 0;
}
