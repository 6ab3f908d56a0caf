/* make_data.c - the benchmarks' data: 200 directories of 100 files of 1 to 16 KiB and one
   1 GiB file, random bytes from a fixed seed. */
#include <stdint.h>
#include <stdio.h>
#include <stdlib.h>
#include <sys/stat.h>

static uint64_t state = 0x9E3779B97F4A7C15ull;
static uint64_t next(void) {
    state ^= state << 13; state ^= state >> 7; state ^= state << 17;
    return state;
}
static int fill(const char *path, size_t size) {
    static uint64_t block[8192];
    FILE *f = fopen(path, "wb");
    if (!f) return 1;
    while (size > 0) {
        size_t n = size < sizeof block ? size : sizeof block;
        for (size_t i = 0; i < (n + 7) / 8; ++i) block[i] = next();
        if (fwrite(block, 1, n, f) != n) { fclose(f); return 1; }
        size -= n;
    }
    return fclose(f) != 0;
}
int main(int argc, char **argv) {
    char path[4096];
    if (argc != 3 || mkdir(argv[1], 0755) != 0) return 1;
    for (int d = 0; d < 200; ++d) {
        snprintf(path, sizeof path, "%s/dir%03d", argv[1], d);
        if (mkdir(path, 0755) != 0) return 1;
        for (int f = 0; f < 100; ++f) {
            snprintf(path, sizeof path, "%s/dir%03d/file%03d.dat", argv[1], d, f);
            if (fill(path, 1024 + next() % (15 * 1024 + 1))) return 1;
        }
    }
    return fill(argv[2], (size_t)1 << 30);
}
