/* plain-limits MODE FOLDER: the least a program must do for what dyskel-cli
 * does, written in plain C, as the whole-process yardsticks of
 * bench/cli-vs-oracles.sh.
 *   scan     list the ".d64" files of the folder with one stat each, sort them
 *            by name, read each one's header block (track 18 sector 0) and
 *            print a row: name, size, disk name and ID
 *   track18  read track 18 (19 blocks) of each ".d64" file of the folder:
 *            what a first search must read; prints the count of bytes read
 */
#define _GNU_SOURCE
#include <dirent.h>
#include <fcntl.h>
#include <stdio.h>
#include <stdlib.h>
#include <string.h>
#include <strings.h>
#include <sys/stat.h>
#include <unistd.h>

#define TRACK18 0x16500L /* 357 blocks of 256 bytes before track 18 */

struct image {
    char* name;
    long long size;
};

static int is_d64(const char* name) {
    size_t n = strlen(name);
    return n >= 4 && strcasecmp(name + n - 4, ".d64") == 0;
}

static int by_name(const void* a, const void* b) {
    return strcmp(((const struct image*)a)->name, ((const struct image*)b)->name);
}

static int scan(const char* folder) {
    DIR* dir = opendir(folder);
    if (!dir) return 1;
    size_t count = 0, room = 256;
    struct image* images = malloc(room * sizeof *images);
    struct dirent* d;
    while ((d = readdir(dir))) {
        struct stat st;
        if (!is_d64(d->d_name) || fstatat(dirfd(dir), d->d_name, &st, 0) != 0) continue;
        if (count == room) images = realloc(images, (room *= 2) * sizeof *images);
        images[count].name = strdup(d->d_name);
        images[count].size = S_ISREG(st.st_mode) ? (long long)st.st_size : 0;
        ++count;
    }
    qsort(images, count, sizeof *images, by_name);
    for (size_t i = 0; i < count; ++i) {
        unsigned char header[256];
        int fd = openat(dirfd(dir), images[i].name, O_RDONLY | O_CLOEXEC);
        int got = fd >= 0 && images[i].size >= TRACK18 + 256 && pread(fd, header, 256, TRACK18) == 256;
        if (fd >= 0) close(fd);
        if (got)
            printf("%s\t%lld\t%.16s %.5s\n", images[i].name, images[i].size, (const char*)header + 0x90,
                   (const char*)header + 0xA2);
        else
            printf("%s\t%lld\n", images[i].name, images[i].size);
        free(images[i].name);
    }
    free(images);
    closedir(dir);
    return 0;
}

static int track18(const char* folder) {
    DIR* dir = opendir(folder);
    if (!dir) return 1;
    unsigned char track[19 * 256];
    long long bytes = 0;
    struct dirent* d;
    while ((d = readdir(dir))) {
        if (!is_d64(d->d_name)) continue;
        int fd = openat(dirfd(dir), d->d_name, O_RDONLY | O_CLOEXEC);
        if (fd < 0) continue;
        ssize_t got = pread(fd, track, sizeof track, TRACK18);
        if (got > 0) bytes += got;
        close(fd);
    }
    closedir(dir);
    printf("%lld\n", bytes);
    return 0;
}

int main(int argc, char** argv) {
    if (argc == 3 && strcmp(argv[1], "scan") == 0) return scan(argv[2]);
    if (argc == 3 && strcmp(argv[1], "track18") == 0) return track18(argv[2]);
    fprintf(stderr, "usage: plain-limits scan|track18 FOLDER\n");
    return 2;
}
