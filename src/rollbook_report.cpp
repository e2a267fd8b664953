// RptFile: the one writer of report files. Lines end in CR LF whatever the
// host, and no zero byte reaches a report: "%c" of an unset field writes
// nothing.
//
// A report is written under a temporary name beside its own and takes its
// name only once it is whole: until then the name keeps the old report. The
// temporary files of the run are listed, so that a stopping signal or a
// failure can remove them.
#include "rollbook.h"

#include <algorithm>
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

// newFileMode: the permission bits of a newly created file. The umask can
// only be read by setting it, so it is set back at once.
mode_t newFileMode() {
    const mode_t mask = umask(022);
    umask(mask);
    return static_cast<mode_t>(0666 & ~mask);
}

// formatNumber: v as printf's "%<width>.<precision>d" (precision -1 when
// not given; both below 100) writes it, into out, which has room for 128
// bytes: at least precision digits (one when not given; none for a zero of
// precision 0), zeros in front, the sign before them, blanks in front up to
// width. Returns the end of the text.
char* formatNumber(char* out, int v, int width, int precision) {
    char digits[12];
    int n = 0;
    unsigned int mag = v < 0 ? 0u - static_cast<unsigned int>(v) : static_cast<unsigned int>(v);
    while (mag > 0 || (n == 0 && precision != 0)) {
        digits[n++] = static_cast<char>('0' + mag % 10);
        mag /= 10;
    }
    const int zeros = precision > n ? precision - n : 0;
    const int length = n + zeros + (v < 0 ? 1 : 0);
    for (int i = length; i < width; ++i) *out++ = ' ';
    if (v < 0) *out++ = '-';
    for (int i = 0; i < zeros; ++i) *out++ = '0';
    while (n > 0) *out++ = digits[--n];
    return out;
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
    // The names are kept before the file exists, so that nothing after it
    // can fail for want of memory and leave it unknown.
    name_ = name;
    temp_ = tempPathFor(name);
    const int fd = createTemp(temp_);
    if (fd < 0) {
        anyReportFailed = true;
        return false;
    }
    // The new report keeps the permission bits of the old one.
    fchmod(fd, old ? (st.st_mode & 07777) : newFileMode());
    fp_ = fdopen(fd, "wb");
    if (fp_ == nullptr) {
        ::close(fd);
        unlink(temp_.c_str());
        unlistTemp(temp_);
        anyReportFailed = true;
        return false;
    }
    uncaught_ = std::uncaught_exceptions();
    return true;
}

void RptFile::openStdout() {
    close();
    fp_ = stdout;
    console_ = true;
}

void RptFile::flush() {
    if (used_ > 0 && std::fwrite(buf_.data(), 1, used_, fp_) != used_) failed_ = true;
    used_ = 0;
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
    used_ = 0;
    capture_ = NoCapture;
}

char* RptFile::room(std::size_t n) {
    if (buf_.size() - used_ < n) buf_.resize(std::max(2 * buf_.size(), used_ + n + FlushAt));
    return &buf_[used_];
}

void RptFile::put(const char* data, std::size_t n) {
    char* out = room(2 * n);  // every byte a line feed that becomes CR LF
    if (!console_) {
        while (const char* lf = static_cast<const char*>(std::memchr(data, '\n', n))) {
            const std::size_t run = static_cast<std::size_t>(lf - data);
            std::memcpy(out, data, run);
            out += run;
            *out++ = '\r';
            *out++ = '\n';
            data = lf + 1;
            n -= run + 1;
        }
    }
    std::memcpy(out, data, n);
    used_ = static_cast<std::size_t>(out + n - buf_.data());
}

bool RptFile::formatDirect(const char* fmt, va_list ap) {
    // A cursor into buf_ that always has room for a CR LF pair ahead of it.
    constexpr std::size_t Ahead = 64;
    const bool crlf = !console_;
    char* out = room(Ahead);
    char* limit = &buf_[0] + buf_.size() - 2;
    auto more = [&](std::size_t n) {
        used_ = static_cast<std::size_t>(out - buf_.data());
        out = room(n + Ahead);
        limit = &buf_[0] + buf_.size() - 2;
    };
    // copy: the bytes of s up to its end or to stop; reads nothing past it.
    auto copy = [&](const char* s, char stop) {
        for (char c; (c = *s) != '\0' && c != stop; ++s) {
            if (out >= limit) more(0);
            if (c == '\n' && crlf) *out++ = '\r';
            *out++ = c;
        }
        return s;
    };
    for (const char* p = fmt;;) {
        p = copy(p, '%');
        if (*p == '\0') break;
        ++p;
        // A width and a precision are taken for numbers only, up to 99.
        int width = 0, precision = -1;
        for (int digits = 0; *p >= '0' && *p <= '9'; ++p)
            if (++digits > 2 || (digits == 1 && *p == '0')) return false;
            else width = 10 * width + (*p - '0');
        if (*p == '.') {
            precision = 0;
            ++p;
            for (int digits = 0; *p >= '0' && *p <= '9'; ++p)
                if (++digits > 2) return false;
                else precision = 10 * precision + (*p - '0');
        }
        const char conv = *p++;
        if (conv == 'd') {
            if (limit - out < 128) more(128);
            out = formatNumber(out, va_arg(ap, int), width, precision);
            continue;
        }
        if (width != 0 || precision >= 0) return false;
        if (conv == 's') {
            const char* arg = va_arg(ap, const char*);
            copy(arg != nullptr ? arg : "(null)", '\0');
        } else if (conv == 'c') {
            // An unset one-character field (0) is written as nothing.
            const char c = static_cast<char>(va_arg(ap, int));
            if (out >= limit) more(0);
            if (c == '\n' && crlf) *out++ = '\r';
            if (c != '\0') *out++ = c;
        } else if (conv == '%') {
            if (out >= limit) more(0);
            *out++ = '%';
        } else {
            return false;
        }
    }
    used_ = static_cast<std::size_t>(out - buf_.data());
    return true;
}

void RptFile::printf(const char* fmt, ...) {
    if (fp_ == nullptr) return;
    va_list ap, again;
    va_start(ap, fmt);
    va_copy(again, ap);
    // The reports' own conversions are formatted here; any other format is
    // formatted again from the start by vsnprintf.
    const std::size_t mark = used_;
    if (!formatDirect(fmt, ap)) {
        used_ = mark;
        std::string text = vstrprintf(fmt, again);
        text.erase(std::remove(text.begin(), text.end(), '\0'), text.end());
        put(text.data(), text.size());
    }
    va_end(again);
    va_end(ap);
    written();
}

void RptFile::write(const char* data, std::size_t n) {
    if (fp_ == nullptr) return;
    put(data, n);
    written();
}

void RptFile::written() {
    if (capture_ == NoCapture && (console_ || used_ >= FlushAt)) flush();
}

void RptFile::startCapture() { capture_ = used_; }

void RptFile::endCapture(std::string& keep) {
    if (capture_ != NoCapture) keep.append(buf_, capture_, used_ - capture_);
    capture_ = NoCapture;
    if (fp_ != nullptr) written();
}

void RptFile::writeRaw(const char* data, std::size_t n) {
    if (fp_ == nullptr) return;
    std::memcpy(room(n), data, n);
    used_ += n;
    written();
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
