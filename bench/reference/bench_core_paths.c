/* Times talvoro-cli's check, export-txt and export-xlsx beside the reference programs in
 * the same run, each in a fresh process, runs interleaved so that the load of the machine
 * falls on both alike. Prints the median of the runs and the peak memory of each process.
 * Usage: bench_core_paths [LINES] [RUNS] [XLSX_LINES]  (defaults 1000000 5 100000)
 *
 * The peak is the child's ru_maxrss from wait4. Linux keeps ru_maxrss across exec, so it
 * is the larger of the child's own high-water mark and this small driver's (printed below:
 * about 1 MB), which never matters for the sizes measured. */
#include <errno.h>
#include <stdio.h>
#include <stdlib.h>
#include <string.h>
#include <sys/resource.h>
#include <sys/stat.h>
#include <sys/wait.h>
#include <time.h>
#include <unistd.h>

typedef struct {
    double ms;    /* wall clock, start to exit */
    double cpuMs; /* user and system time of the process, all its threads */
    long peakKb;
    int status;
} Run;

static Run run(char *const argv[])
{
    struct timespec a, b;
    Run r = {0, 0, 0, -1};
    fflush(NULL);
    clock_gettime(CLOCK_MONOTONIC, &a);
    const pid_t pid = fork();
    if (pid == 0) {
        /* What the programs print is not wanted: the error lines alone are 50,000 lines, and
         * each export says on stderr that its recording failed (see main). The exit status
         * is checked. */
        if (!freopen("/dev/null", "w", stdout) || !freopen("/dev/null", "w", stderr)) _exit(127);
        execv(argv[0], argv);
        _exit(127);
    }
    int status = 0;
    struct rusage use;
    if (wait4(pid, &status, 0, &use) < 0) return r;
    clock_gettime(CLOCK_MONOTONIC, &b);
    r.ms = (double)(b.tv_sec - a.tv_sec) * 1e3 + (double)(b.tv_nsec - a.tv_nsec) / 1e6;
    r.cpuMs = (double)(use.ru_utime.tv_sec + use.ru_stime.tv_sec) * 1e3 +
              (double)(use.ru_utime.tv_usec + use.ru_stime.tv_usec) / 1e3;
    r.peakKb = use.ru_maxrss;
    r.status = WIFEXITED(status) ? WEXITSTATUS(status) : -1;
    return r;
}

static int cmp(const void *a, const void *b)
{
    const double x = *(const double *)a, y = *(const double *)b;
    return x < y ? -1 : x > y;
}

static double median(double *v, int n)
{
    qsort(v, (size_t)n, sizeof *v, cmp);
    return n % 2 ? v[n / 2] : (v[n / 2 - 1] + v[n / 2]) / 2;
}

enum { MaxRuns = 31 };

/* Runs the path and its reference RUNS times each, alternately, and prints both medians. */
static void compare(const char *what, char *const path[], char *const ref[], int runs,
                    double fileMb, const char *target)
{
    double t[MaxRuns], tr[MaxRuns], c[MaxRuns], cr[MaxRuns], m[MaxRuns], mr[MaxRuns];
    for (int i = 0; i < runs; ++i) {
        const Run r = run(ref);
        const Run p = run(path);
        if (p.status < 0 || p.status > 1 || r.status < 0 || r.status > 1) {
            fprintf(stderr, "%s: exit status %d (reference %d)\n", what, p.status, r.status);
            exit(2);
        }
        t[i] = p.ms;
        tr[i] = r.ms;
        c[i] = p.cpuMs;
        cr[i] = r.cpuMs;
        m[i] = (double)p.peakKb;
        mr[i] = (double)r.peakKb;
    }
    const double tm = median(t, runs), trm = median(tr, runs);
    const double cm = median(c, runs), crm = median(cr, runs);
    const double pm = median(m, runs) / 1024, prm = median(mr, runs) / 1024;
    printf("%-12s wall %6.0f ms (%.0f-%.0f), reference %6.0f ms: ratio %.2f | CPU %6.0f ms, "
           "reference %6.0f ms: ratio %.2f | peak %4.0f MB (%.2f x the file), reference %3.0f MB"
           " | target %s\n",
           what, tm, t[0], t[runs - 1], trm, tm / trm, cm, crm, cm / crm, pm, pm / fileMb, prm,
           target);
    fflush(stdout);
}

static double fileMb(const char *path)
{
    struct stat st;
    return stat(path, &st) == 0 ? (double)st.st_size / 1048576.0 : 0;
}

int main(int argc, char **argv)
{
    const char *lines = argc > 1 ? argv[1] : "1000000";
    const int runs = argc > 2 ? atoi(argv[2]) : 5;
    const char *xlsxLines = argc > 3 ? argv[3] : "100000";
    if (runs < 1 || runs > MaxRuns) return 2;
    char dir[] = "/tmp/bench_core_paths.XXXXXX";
    if (!mkdtemp(dir)) return 2;
    char list[512], small[512], refOut[512], xlsxOut[512], history[512];
    snprintf(list, sizeof list, "%s/liste.txt", dir);
    snprintf(small, sizeof small, "%s/petite.txt", dir);
    snprintf(refOut, sizeof refOut, "%s/ref.txt", dir);
    snprintf(xlsxOut, sizeof xlsxOut, "%s/ref.xlsx", dir);
    /* A file where the payment history's folder would be: the export's recording fails at
     * once (told on stderr), so the figures are those of the export alone. */
    snprintf(history, sizeof history, "%s/Historique", dir);
    FILE *h = fopen(history, "w");
    if (h) fclose(h);

    char *gen[] = {GEN_TRANSFER, "--lines", (char *)lines, "--errors", "5", "--out", list, NULL};
    char *genSmall[] = {GEN_TRANSFER, "--lines", (char *)xlsxLines, "--errors", "5", "--out",
                        small,        NULL};
    if (run(gen).status != 0 || run(genSmall).status != 0) return 2;
    const double mb = fileMb(list), smallMb = fileMb(small);
    struct rusage self;
    getrusage(RUSAGE_SELF, &self);
    printf("file: %s lines, %.1f MB = %.1f MiB (5 %% wrong keys); %d runs of each, medians; "
           "peaks in MiB; this driver's own peak %ld kB\n",
           lines, mb * 1.048576, mb, runs, self.ru_maxrss);

    char *check[] = {TALVORO_CLI, "check", list, NULL};
    char *refParse[] = {REF_PARSE, list, NULL};
    compare("check", check, refParse, runs, mb, "<= 1.3 x; peak <= 2.5 x the file");

    char *exportTxt[] = {TALVORO_CLI, "export-txt", list, "--code", "12345", "--dir", dir, NULL};
    char *refCutWrite[] = {REF_CUTWRITE, list, refOut, NULL};
    compare("export-txt", exportTxt, refCutWrite, runs, mb, "<= 1.5 x");

    printf("file: %s lines, %.1f MB = %.1f MiB\n", xlsxLines, smallMb * 1.048576, smallMb);
    char *exportXlsx[] = {TALVORO_CLI, "export-xlsx", small, "--code", "12345", "--dir", dir, NULL};
    char *refXlsx[] = {REF_XLSX, small, xlsxOut, NULL};
    compare("export-xlsx", exportXlsx, refXlsx, runs, smallMb, "none set (key repair included)");

    char rm[600];
    snprintf(rm, sizeof rm, "rm -rf '%s'", dir);
    return system(rm) == 0 ? 0 : 1;
}
