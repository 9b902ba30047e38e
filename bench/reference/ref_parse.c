/* Reference: a minimal parse of a transfer text file into memory (see ref_records.h), then
 * the counters and totals. Usage: ref_parse FILE [--no-keys]
 * With the keys (the default) each record's key is compared with its account's RIP key,
 * then its CCP key, as a check of the list does. Prints the records, the counters, the two
 * totals in centimes and this process's peak memory (VmHWM, kB). */
#include "ref_records.h"

int main(int argc, char **argv)
{
    if (argc < 2) {
        fputs("usage: ref_parse FILE [--no-keys]\n", stderr);
        return 2;
    }
    const int keys = !(argc > 2 && strcmp(argv[2], "--no-keys") == 0);
    RefList l = {0};
    if (ref_read(argv[1], &l, keys)) return 2;
    long counts[4] = {0};
    int64_t net = 0, yield = 0;
    for (size_t i = 0; i < l.count; ++i) {
        ++counts[l.rec[i].status];
        net += l.rec[i].net;
        yield += l.rec[i].yield;
    }
    printf("records %zu rip %ld ccp %ld wrong %ld net %lld rend %lld peak_kb %ld\n", l.count,
           counts[1], counts[2], counts[3], (long long)net, (long long)yield, ref_peak_kb());
    return counts[3] ? 1 : 0;
}
