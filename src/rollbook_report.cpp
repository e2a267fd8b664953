// RptFile: the one writer of report files. Lines end in CR LF whatever the
// host, and every formatted byte is kept, a zero byte from "%c" included.
//
// A report is written under a temporary name beside its own and takes its
// name only once it is whole: until then the name keeps the old report. The
// temporary files of the run are listed, so that a stopping signal or a
// failure can remove them.
#include "rollbook.h"

#include <csignal>
#include <cstdarg>
#include <cstdio>
#include <cstring>
#include <exception>
#include <string>

#include <fcntl.h>
#include <sys/stat.h>
#include <unistd.h>

namespace {

bool anyReportFailed = false;

// Formatted bytes are handed to the file once this many are pending.
constexpr std::size_t FlushAt = 64 * 1024;

// ---- The run's temporary files ----

// The list is changed only while the stopping signals are blocked, so that
// the signal handler always finds it whole.
struct TempName {
    TempName* next;
    std::string path;
};
TempName* temps = nullptr;

const int StopSignals[] = {SIGINT, SIGTERM, SIGHUP};

// SignalBlock: the stopping signals wait while it lives.
class SignalBlock {
public:
    SignalBlock() {
        sigset_t set;
        sigemptyset(&set);
        for (int sig : StopSignals) sigaddset(&set, sig);
        sigprocmask(SIG_BLOCK, &set, &old_);
    }
    ~SignalBlock() { sigprocmask(SIG_SETMASK, &old_, nullptr); }
    SignalBlock(const SignalBlock&) = delete;
    SignalBlock& operator=(const SignalBlock&) = delete;

private:
    sigset_t old_;
};

// createTemp: create a new file from the pattern path (its XXXXXX made
// unique) and list it; the descriptor, or -1 with path unchanged.
int createTemp(std::string& path) {
    TempName* t = new TempName{nullptr, path};  // before the file exists: may throw
    int fd;
    {
        SignalBlock block;
        fd = mkstemp(&t->path[0]);
        if (fd >= 0) {
            t->next = temps;
            temps = t;
        }
    }
    if (fd < 0) delete t;
    else path = t->path;
    return fd;
}

void unlistTemp(const std::string& path) {
    TempName* gone = nullptr;
    {
        SignalBlock block;
        for (TempName** at = &temps; *at != nullptr; at = &(*at)->next) {
            if ((*at)->path == path) {
                gone = *at;
                *at = gone->next;
                break;
            }
        }
    }
    delete gone;
}

// onStop: remove the temporary files, then end as the signal would have.
extern "C" void onStop(int sig) {
    for (TempName* t = temps; t != nullptr; t = t->next) unlink(t->path.c_str());
    struct sigaction dfl {};
    dfl.sa_handler = SIG_DFL;
    sigemptyset(&dfl.sa_mask);
    sigaction(sig, &dfl, nullptr);
    sigset_t set;
    sigemptyset(&set);
    sigaddset(&set, sig);
    sigprocmask(SIG_UNBLOCK, &set, nullptr);
    raise(sig);
}

// The permission bits of a newly created file: read once, as the process
// umask can only be read by setting it.
mode_t newFileMode() {
    static const mode_t mode = [] {
        const mode_t mask = umask(022);
        umask(mask);
        return static_cast<mode_t>(0666 & ~mask);
    }();
    return mode;
}

// tempPathFor: the pattern of a temporary name in the folder of name.
std::string tempPathFor(const std::string& name) {
    const std::size_t slash = name.rfind('/');
    const std::string dir = slash == std::string::npos ? "" : name.substr(0, slash + 1);
    const std::string base = slash == std::string::npos ? name : name.substr(slash + 1);
    return dir + ".rollbook-" + base + "-XXXXXX";
}

}  // namespace

void installStopHandlers() {
    for (int sig : StopSignals) {
        struct sigaction old {};
        // A signal the caller chose to ignore (nohup, a background job)
        // stays ignored.
        if (sigaction(sig, nullptr, &old) == 0 && old.sa_handler == SIG_IGN) continue;
        struct sigaction act {};
        act.sa_handler = onStop;
        sigemptyset(&act.sa_mask);
        for (int other : StopSignals) sigaddset(&act.sa_mask, other);
        sigaction(sig, &act, nullptr);
    }
}

void removeTempFiles() {
    SignalBlock block;
    while (temps != nullptr) {
        TempName* t = temps;
        temps = t->next;
        unlink(t->path.c_str());
        delete t;
    }
}

bool reportFailed() { return anyReportFailed; }

RptFile::~RptFile() {
    // Unwinding from a failure (memory running out) leaves the old report.
    if (std::uncaught_exceptions() > uncaught_) discard();
    else close();
}

bool RptFile::open(const std::string& name) {
    close();
    // Only a regular file or a link is replaced. A folder, a pipe or a
    // device in the report's place, or an old report the user may not
    // write, counts as a file that cannot be created.
    struct stat st;
    bool old = false;
    if (lstat(name.c_str(), &st) == 0) {
        if (!S_ISREG(st.st_mode) && !S_ISLNK(st.st_mode)) {
            anyReportFailed = true;
            return false;
        }
        if (S_ISREG(st.st_mode) && access(name.c_str(), W_OK) != 0) {
            anyReportFailed = true;
            return false;
        }
        old = S_ISREG(st.st_mode);
    }
    std::string temp = tempPathFor(name);
    const int fd = createTemp(temp);
    if (fd < 0) {
        anyReportFailed = true;
        return false;
    }
    // The new report keeps the permission bits of the old one.
    fchmod(fd, old ? (st.st_mode & 07777) : newFileMode());
    fp_ = fdopen(fd, "wb");
    if (fp_ == nullptr) {
        ::close(fd);
        unlink(temp.c_str());
        unlistTemp(temp);
        anyReportFailed = true;
        return false;
    }
    name_ = name;
    temp_ = temp;
    uncaught_ = std::uncaught_exceptions();
    return true;
}

void RptFile::openStdout() {
    close();
    fp_ = stdout;
    console_ = true;
}

void RptFile::flush() {
    if (!buf_.empty() && std::fwrite(buf_.data(), 1, buf_.size(), fp_) != buf_.size()) failed_ = true;
    buf_.clear();
}

void RptFile::close() {
    if (fp_ == nullptr) return;
    if (console_) {
        flush();
        std::fflush(fp_);
    } else {
        flush();
        // Buffered bytes reach the file only now: a full disk shows here.
        if (std::fflush(fp_) != 0 || std::ferror(fp_) != 0) failed_ = true;
        if (std::fclose(fp_) != 0) failed_ = true;
        SignalBlock block;
        if (!failed_ && std::rename(temp_.c_str(), name_.c_str()) != 0) failed_ = true;
        if (failed_) {
            unlink(temp_.c_str());
            std::fprintf(stderr, "Error writing report file (%s)\n", name_.c_str());
            anyReportFailed = true;
        }
        unlistTemp(temp_);
    }
    reset();
}

void RptFile::discard() {
    if (fp_ != nullptr && !console_) {
        std::fclose(fp_);
        unlink(temp_.c_str());
        unlistTemp(temp_);
    }
    reset();
}

void RptFile::reset() {
    fp_ = nullptr;
    console_ = false;
    failed_ = false;
    buf_.clear();
    capture_ = std::string::npos;
}

void RptFile::printf(const char* fmt, ...) {
    if (fp_ == nullptr) return;
    va_list ap, again;
    va_start(ap, fmt);
    va_copy(again, ap);
    if (scratch_.empty()) scratch_.resize(512);
    int n = std::vsnprintf(&scratch_[0], scratch_.size(), fmt, ap);
    if (n >= 0 && static_cast<std::size_t>(n) >= scratch_.size()) {
        scratch_.resize(static_cast<std::size_t>(n) + 1);
        n = std::vsnprintf(&scratch_[0], scratch_.size(), fmt, again);
    }
    va_end(again);
    va_end(ap);
    if (n > 0) write(scratch_.data(), static_cast<std::size_t>(n));
}

void RptFile::write(const char* data, std::size_t n) {
    if (fp_ == nullptr) return;
    if (console_) {
        buf_.append(data, n);
    } else {
        for (const char* end = data + n; data < end;) {
            const char* lf = static_cast<const char*>(std::memchr(data, '\n', static_cast<std::size_t>(end - data)));
            if (lf == nullptr) {
                buf_.append(data, static_cast<std::size_t>(end - data));
                break;
            }
            buf_.append(data, static_cast<std::size_t>(lf - data));
            buf_ += "\r\n";
            data = lf + 1;
        }
    }
    if (capture_ == std::string::npos && (console_ || buf_.size() >= FlushAt)) flush();
}

void RptFile::startCapture() { capture_ = buf_.size(); }

void RptFile::endCapture(std::string& keep) {
    if (capture_ != std::string::npos) keep.append(buf_, capture_, std::string::npos);
    capture_ = std::string::npos;
    if (fp_ != nullptr && (console_ || buf_.size() >= FlushAt)) flush();
}

void RptFile::writeRaw(const char* data, std::size_t n) {
    if (fp_ == nullptr) return;
    buf_.append(data, n);
    if (capture_ == std::string::npos && (console_ || buf_.size() >= FlushAt)) flush();
}

std::string vstrprintf(const char* fmt, va_list ap) {
    va_list again;
    va_copy(again, ap);
    char small[512];
    const int n = std::vsnprintf(small, sizeof small, fmt, ap);
    std::string text;
    if (n >= 0 && static_cast<std::size_t>(n) < sizeof small) {
        text.assign(small, static_cast<std::size_t>(n));
    } else if (n >= 0) {
        text.resize(static_cast<std::size_t>(n) + 1);
        std::vsnprintf(&text[0], text.size(), fmt, again);
        text.resize(static_cast<std::size_t>(n));
    }
    va_end(again);
    return text;
}

std::string strprintf(const char* fmt, ...) {
    va_list ap;
    va_start(ap, fmt);
    std::string text = vstrprintf(fmt, ap);
    va_end(ap);
    return text;
}

const char* nullstr(const Text& t) { return t ? t->c_str() : "(null)"; }

const char* textOrNull(const Text& t) { return t ? t->c_str() : nullptr; }
