/* read_all.c - the least any checksum tool must do: open and read every file of a tree. */
#define _XOPEN_SOURCE 700
#include <fcntl.h>
#include <ftw.h>
#include <stdio.h>
#include <unistd.h>

static char buffer[1 << 16];
static unsigned long long total;
static int visit(const char *path, const struct stat *st, int type, struct FTW *ftw) {
    (void)st; (void)ftw;
    if (type != FTW_F) return 0;
    int fd = open(path, O_RDONLY);
    if (fd < 0) return 0;
    ssize_t n;
    while ((n = read(fd, buffer, sizeof buffer)) > 0) total += (unsigned long long)n;
    close(fd);
    return 0;
}
int main(int argc, char **argv) {
    if (argc != 2 || nftw(argv[1], visit, 64, FTW_PHYS) != 0) return 1;
    printf("%llu\n", total);
    return 0;
}
