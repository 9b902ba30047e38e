/* Reference programs for the benchmarks: a minimal reading of the 87-character transfer
 * text file, written for this purpose only and sharing no code with the application.
 *
 * It reads the file in 4 MB chunks, cuts lines at LF with memchr (a CR before it is
 * dropped), skips blank lines, finds the field boundaries by counting UTF-8 characters
 * (a lead byte starts one; the bytes are not validated), and reads the account, key,
 * amounts and insurance number as integers. The name and the caption stay as bytes in
 * one arena; each record is one fixed-size struct in one growing array. */
#ifndef REF_RECORDS_H
#define REF_RECORDS_H

#include <fcntl.h>
#include <stdint.h>
#include <stdio.h>
#include <stdlib.h>
#include <string.h>
#include <unistd.h>

enum { REF_WIDTH = 87, REF_FIELDS = 8 };
/* Start of each field in characters, and the record's end. */
static const int ref_start[REF_FIELDS + 1] = {0, 9, 19, 21, 34, 47, 59, 86, 87};

typedef struct {
    uint64_t account;   /* digits of the account */
    int64_t net;        /* centimes */
    int64_t yield;      /* centimes */
    uint64_t insurance; /* digits of the insurance number */
    uint64_t text;      /* offset of caption then name in the arena */
    uint8_t accountLen; /* digits in the account */
    uint8_t key;        /* 0..99, 255 when not two digits */
    uint8_t captionLen; /* bytes */
    uint8_t nameLen;    /* bytes, trailing blanks removed */
    char type;
    uint8_t status; /* 1 RIP key, 2 CCP key, 3 neither, 0 not checked */
} RefRecord;

typedef struct {
    RefRecord *rec;
    size_t count, cap;
    char *arena;
    size_t used, arenaCap;
} RefList;

static void *ref_grow(void *p, size_t *cap, size_t need, size_t unit)
{
    if (need <= *cap) return p;
    size_t c = *cap ? *cap : 4096;
    while (c < need)
        c *= 2;
    p = realloc(p, c * unit);
    if (!p) {
        fputs("out of memory\n", stderr);
        exit(2);
    }
    *cap = c;
    return p;
}

static uint64_t ref_digits(const unsigned char *p, const unsigned char *e, int *n)
{
    uint64_t v = 0;
    int k = 0;
    for (; p < e; ++p)
        if (*p >= '0' && *p <= '9') {
            if (k < 19) v = v * 10 + (uint64_t)(*p - '0');
            ++k;
        }
    if (n) *n = k;
    return v;
}

/* CCP key: weights from 4 on the last digit upwards, modulo 100. RIP key: 97 minus
 * (100 * A + 85) modulo 97. Both on the 10-digit accounts of the file. */
static int ref_ccp(uint64_t a, int len)
{
    int sum = 0;
    for (int w = 4; w < len + 4; ++w) {
        sum += (int)(a % 10) * w;
        a /= 10;
    }
    return sum % 100;
}
static int ref_rip(uint64_t a, int len)
{
    if (len == 0) return 0;
    return 97 - (int)(((a % 97) * 100 + 85) % 97);
}

/* Cuts one line (without its line break) into a record; the fields of a short line are
 * blank. */
static void ref_cut(RefList *l, const unsigned char *p, const unsigned char *end, int keys)
{
    const unsigned char *at[REF_FIELDS + 1];
    int field = 0, chars = 0;
    const unsigned char *q = p;
    for (; q < end && field <= REF_FIELDS; ++q) {
        if ((*q & 0xC0) == 0x80) continue;
        while (field <= REF_FIELDS && chars == ref_start[field])
            at[field++] = q;
        ++chars;
    }
    while (field <= REF_FIELDS)
        at[field++] = q;
    l->rec = ref_grow(l->rec, &l->cap, l->count + 1, sizeof(RefRecord));
    RefRecord *r = &l->rec[l->count++];
    int n = 0;
    r->account = ref_digits(at[1], at[2], &n);
    r->accountLen = (uint8_t)n;
    r->key = (at[3] - at[2] == 2 && at[2][0] >= '0' && at[2][0] <= '9' && at[2][1] >= '0' &&
              at[2][1] <= '9')
                 ? (uint8_t)((at[2][0] - '0') * 10 + at[2][1] - '0')
                 : 255;
    r->net = (int64_t)ref_digits(at[3], at[4], NULL);
    r->yield = (int64_t)ref_digits(at[4], at[5], NULL);
    r->insurance = ref_digits(at[5], at[6], NULL);
    const unsigned char *ne = at[7];
    while (ne > at[6] && ne[-1] == ' ')
        --ne;
    r->captionLen = (uint8_t)(at[1] - at[0]);
    r->nameLen = (uint8_t)(ne - at[6]);
    r->type = at[7] < at[8] ? (char)*at[7] : ' ';
    l->arena = ref_grow(l->arena, &l->arenaCap, l->used + r->captionLen + r->nameLen, 1);
    r->text = l->used;
    memcpy(l->arena + l->used, at[0], r->captionLen);
    memcpy(l->arena + l->used + r->captionLen, at[6], r->nameLen);
    l->used += r->captionLen + r->nameLen;
    r->status = 0;
    if (keys) {
        if (r->key == ref_rip(r->account, r->accountLen))
            r->status = 1;
        else if (r->key == ref_ccp(r->account, r->accountLen))
            r->status = 2;
        else
            r->status = 3;
    }
}

/* Reads the whole file into the list; returns 0, or 1 when it cannot be read. */
static int ref_read(const char *path, RefList *l, int keys)
{
    const int fd = open(path, O_RDONLY);
    if (fd < 0) {
        perror(path);
        return 1;
    }
    enum { CHUNK = 4 << 20 };
    unsigned char *buf = malloc(CHUNK + 4096);
    size_t have = 0;
    for (;;) {
        const ssize_t got = read(fd, buf + have, CHUNK + 4096 - have);
        if (got < 0) {
            perror(path);
            close(fd);
            free(buf);
            return 1;
        }
        have += (size_t)got;
        unsigned char *p = buf, *end = buf + have;
        for (;;) {
            unsigned char *nl = memchr(p, '\n', (size_t)(end - p));
            if (!nl) break;
            unsigned char *e = nl;
            if (e > p && e[-1] == '\r') --e;
            const unsigned char *s = p;
            while (s < e && *s <= ' ')
                ++s;
            if (s < e) ref_cut(l, p, e, keys);
            p = nl + 1;
        }
        if (got == 0) {
            if (p < end) {
                unsigned char *e = end;
                if (e[-1] == '\r') --e;
                ref_cut(l, p, e, keys);
            }
            break;
        }
        have = (size_t)(end - p);
        memmove(buf, p, have);
    }
    close(fd);
    free(buf);
    return 0;
}

/* The peak memory of this process (VmHWM), in kB. */
static long ref_peak_kb(void)
{
    FILE *f = fopen("/proc/self/status", "r");
    char line[256];
    long kb = -1;
    while (f && fgets(line, sizeof line, f))
        if (strncmp(line, "VmHWM:", 6) == 0) kb = strtol(line + 6, NULL, 10);
    if (f) fclose(f);
    return kb;
}

#endif
