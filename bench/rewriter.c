/* rewriter.c - rewrites a file in place for ever, whole-file pwrite of all 'A' then all 'B' (the
   same size), so that a reader racing it sees torn contents unless it notices the writes. */
#include <fcntl.h>
#include <stdio.h>
#include <stdlib.h>
#include <string.h>
#include <unistd.h>

int main(int argc, char **argv) {
    if (argc != 3) {
        fprintf(stderr, "usage: rewriter FILE SIZE\n");
        return 2;
    }
    size_t size = strtoull(argv[2], NULL, 10);
    char *a = malloc(size), *b = malloc(size);
    if (!a || !b) return 1;
    memset(a, 'A', size);
    memset(b, 'B', size);
    int fd = open(argv[1], O_WRONLY);
    if (fd < 0) return 1;
    for (;;) {
        if (pwrite(fd, a, size, 0) != (ssize_t)size) return 1;
        if (pwrite(fd, b, size, 0) != (ssize_t)size) return 1;
    }
}
