/* read_tree_threads.c - the least any checksum tool must do on a tree of small files: every file of
 * a two-level tree (a directory of directories) opened, looked at, read and closed, on N threads,
 * the names listed first on one thread. Its time on 2 threads against 1 is what the cores give. */
#define _GNU_SOURCE
#include <dirent.h>
#include <fcntl.h>
#include <pthread.h>
#include <stdatomic.h>
#include <stdio.h>
#include <stdlib.h>
#include <string.h>
#include <sys/stat.h>
#include <unistd.h>

struct file { int directory; char name[256]; };
static struct file *files;
static size_t count, capacity;
static atomic_size_t next_file;

static void *reader(void *unused) {
    (void)unused;
    static _Thread_local unsigned char buffer[1 << 16];
    for (;;) {
        size_t first = atomic_fetch_add(&next_file, 16);
        if (first >= count) return NULL;
        for (size_t i = first; i < first + 16 && i < count; ++i) {
            int fd = openat(files[i].directory, files[i].name, O_RDONLY | O_NOFOLLOW | O_CLOEXEC);
            if (fd < 0) continue;
            struct stat info;
            while (read(fd, buffer, sizeof buffer) > 0) {}
            fstat(fd, &info);
            close(fd);
        }
    }
}

int main(int argc, char **argv) {
    int threads = argc == 3 ? atoi(argv[2]) : 0;
    int root = argc == 3 ? open(argv[1], O_RDONLY | O_DIRECTORY) : -1;
    if (threads < 1 || threads > 64 || root < 0) {
        fprintf(stderr, "usage: read_tree_threads DIR THREADS\n");
        return 2;
    }
    DIR *top = fdopendir(dup(root));
    for (struct dirent *entry; (entry = readdir(top)) != NULL;) {
        if (entry->d_type != DT_DIR || entry->d_name[0] == '.') continue;
        int directory = openat(root, entry->d_name, O_RDONLY | O_DIRECTORY);
        DIR *inner = fdopendir(dup(directory));
        for (struct dirent *file; (file = readdir(inner)) != NULL;) {
            if (file->d_type != DT_REG) continue;
            if (count == capacity) {
                capacity = capacity ? capacity * 2 : 1024;
                files = realloc(files, capacity * sizeof *files);
            }
            files[count].directory = directory;
            snprintf(files[count].name, sizeof files[count].name, "%s", file->d_name);
            ++count;
        }
        closedir(inner);
    }
    closedir(top);
    pthread_t workers[64];
    for (int i = 0; i < threads; ++i) pthread_create(&workers[i], NULL, reader, NULL);
    for (int i = 0; i < threads; ++i) pthread_join(workers[i], NULL);
    printf("%zu files\n", count);
    return 0;
}
