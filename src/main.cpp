// The entry point: standard streams made safe, the console's buffering
// chosen, then the program.
#include <fcntl.h>
#include <sys/stat.h>
#include <unistd.h>

#include <cstdio>

#include "rollbook.h"

namespace {

// oneLog: whether standard output and the error stream go to the same file
// or pipe, as with "> log 2>&1".
bool oneLog() {
    struct stat out, err;
    if (fstat(1, &out) != 0 || fstat(2, &err) != 0) return false;
    if (out.st_dev != err.st_dev || out.st_ino != err.st_ino) return false;
    return S_ISREG(out.st_mode) || S_ISFIFO(out.st_mode) || S_ISSOCK(out.st_mode);
}

// openClosedStreams: put /dev/null in the place of each standard stream that
// is closed, so that no file the run opens takes its number: an export
// opened as standard input would answer the corrupt-record prompt.
void openClosedStreams() {
    for (int fd = 0; fd <= 2; ++fd) {
        if (fcntl(fd, F_GETFD) != -1) continue;
        const int got = open("/dev/null", fd == 0 ? O_RDONLY : O_WRONLY);
        if (got >= 0 && got != fd) {
            dup2(got, fd);
            close(got);
        }
    }
}

}  // namespace

int main(int argc, char** argv) {
    openClosedStreams();
    // In one log each console line goes out when it ends, so that the log
    // keeps both streams in the order written. Elsewhere standard output
    // keeps its usual buffering: a terminal gets each line at once, and a
    // file of its own is written in large blocks, which matters when a large
    // correction file announces thousands of new members.
    if (oneLog()) std::setvbuf(stdout, nullptr, _IOLBF, BUFSIZ);
    return rollbookMain(argc, argv);
}
