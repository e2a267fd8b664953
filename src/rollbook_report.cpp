// RptFile: the one writer of report files. Lines end in CR LF whatever the
// host, and every formatted byte is kept, a zero byte from "%c" included.
//
// The reports are large and made of many short formatted pieces, so the
// conversions they use ("%s", "%c", "%d", "%<width>.<precision>d", "%%") are
// formatted here straight into the file's pending bytes; any other format is
// handed to vsnprintf. Both give the same bytes.
#include "rollbook.h"

#include <algorithm>
#include <atomic>
#include <charconv>
#include <cstdarg>
#include <cstdint>
#include <cstring>
#include <filesystem>
#include <vector>

#if defined(__SSE2__)
#include <emmintrin.h>
#endif

#include <fcntl.h>
#include <sys/stat.h>
#include <unistd.h>

#if defined(__linux__) && defined(__GLIBC__)
#include <link.h>
#endif

// A report writer prints the same few hundred formats millions of times. A
// format held in the program's read-only memory cannot change, so it is
// cut once, per thread, into its pieces: literal text with its line feeds
// already CR LF, each followed by one conversion.
struct ReportFormat {
    // Piece: literal bytes of text, then a conversion ('s', 'c', 'd', or 0
    // for none).
    struct Piece {
        std::uint32_t from, length;
        char conv;
        std::uint8_t width, precision;
    };
    // Spare bytes after the text, so that a piece can be read in one move.
    static constexpr std::size_t Padding = 32;
    const char* key = nullptr;
    bool direct = false;  // only conversions formatted here
    std::string text;     // the pieces' literal bytes, then Padding zero bytes
    std::vector<Piece> pieces;
};

namespace {

// Set from any thread that writes reports.
std::atomic<bool> anyReportFailed{false};

// openEmpty: name opened for writing without truncating it, when it is
// missing (then created) or an empty regular file; else null.
std::FILE* openEmpty(const std::string& name) {
    const int fd = ::open(name.c_str(), O_WRONLY | O_CREAT | O_CLOEXEC, 0666);
    if (fd < 0) return nullptr;
    struct stat st;
    if (fstat(fd, &st) == 0 && S_ISREG(st.st_mode) && st.st_size == 0) {
        if (std::FILE* fp = fdopen(fd, "wb")) return fp;
    }
    ::close(fd);
    return nullptr;
}

// StringSink: formatted bytes appended to a text as they are.
struct StringSink {
    std::string& text;
    void put(const char* p, std::size_t n) { text.append(p, n); }
};

// formatNumber: v as "%<width>.<precision>d" writes it (0 for either: not
// given) into to, which has room for 48 bytes: at least precision digits,
// zeros in front, the sign before them, blanks in front up to width. Returns
// the end of the text.
char* formatNumber(char* to, int v, int width, int precision) {
    // Most numbers of the reports are ids, counts and dates: below 100, in
    // at most two places.
    if (static_cast<unsigned int>(v) < 100 && width <= 2 && precision <= 2) {
        if (v < 10 && (width == 2 || precision == 2)) *to++ = precision == 2 ? '0' : ' ';
        if (v >= 10) *to++ = static_cast<char>('0' + v / 10);
        *to++ = static_cast<char>('0' + v % 10);
        return to;
    }
    char digits[16];
    const unsigned int mag = v < 0 ? 0u - static_cast<unsigned int>(v) : static_cast<unsigned int>(v);
    const int n = static_cast<int>(std::to_chars(digits, digits + sizeof digits, mag).ptr - digits);
    const int zeros = precision > n ? precision - n : 0;
    for (int i = n + zeros + (v < 0 ? 1 : 0); i < width; ++i) *to++ = ' ';
    if (v < 0) *to++ = '-';
    for (int i = 0; i < zeros; ++i) *to++ = '0';
    std::memcpy(to, digits, static_cast<std::size_t>(n));
    return to + n;
}

// conversion: read the conversion after a "%" at p (p moves past it): 's',
// 'c', 'd' (with its width and precision, both below 40) or '%'; 0 for any
// other, which only vsnprintf formats.
char conversion(const char*& p, int& width, int& precision) {
    width = precision = 0;
    if (*p >= '1' && *p <= '9') {
        while (*p >= '0' && *p <= '9' && width < 100) width = width * 10 + (*p++ - '0');
        if (*p != '.') return 0;
    }
    if (*p == '.') {
        ++p;
        if (*p < '0' || *p > '9') return 0;
        while (*p >= '0' && *p <= '9' && precision < 100) precision = precision * 10 + (*p++ - '0');
        if (*p != 'd' || width >= 40 || precision >= 40) return 0;
    }
    const char c = *p;
    if (c != 's' && c != 'c' && c != 'd' && c != '%') return 0;
    ++p;
    return c;
}

// copyText: n bytes from p to out, each line feed as CR LF when crlf; out
// has room for 2 n bytes. Returns the end of what was written.
char* copyText(char* out, const char* p, std::size_t n, bool crlf) {
    const char* end = p + n;
    // Eight bytes at a time while none of them is a line feed.
    constexpr std::uint64_t ones = 0x0101010101010101ULL, highs = 0x8080808080808080ULL;
    constexpr std::uint64_t lfs = ones * static_cast<unsigned char>('\n');
    while (end - p >= 8) {
        std::uint64_t w;
        std::memcpy(&w, p, 8);
        const std::uint64_t x = w ^ lfs;
        if (crlf && ((x - ones) & ~x & highs) != 0) break;
        std::memcpy(out, p, 8);
        out += 8;
        p += 8;
    }
    for (; p < end; ++p) {
        if (*p == '\n' && crlf) *out++ = '\r';
        *out++ = *p;
    }
    return out;
}

// readOnlyRanges: where the program's read-only memory lies, found once.
const std::vector<std::pair<std::uintptr_t, std::uintptr_t>>& readOnlyRanges() {
    static const auto ranges = [] {
        std::vector<std::pair<std::uintptr_t, std::uintptr_t>> found;
#if defined(__linux__) && defined(__GLIBC__)
        dl_iterate_phdr(
            [](dl_phdr_info* info, std::size_t, void* data) {
                auto& out = *static_cast<std::vector<std::pair<std::uintptr_t, std::uintptr_t>>*>(data);
                for (int i = 0; i < info->dlpi_phnum; ++i) {
                    const ElfW(Phdr)& ph = info->dlpi_phdr[i];
                    if (ph.p_type != PT_LOAD || (ph.p_flags & PF_W) != 0) continue;
                    const std::uintptr_t from = info->dlpi_addr + ph.p_vaddr;
                    out.emplace_back(from, from + ph.p_memsz);
                }
                return 1;  // the program itself comes first; its libraries are not needed
            },
            &found);
#endif
        return found;
    }();
    return ranges;
}

bool readOnly(const char* p) {
    const auto at = reinterpret_cast<std::uintptr_t>(p);
    for (const auto& [from, to] : readOnlyRanges())
        if (at >= from && at < to) return true;
    return false;
}

// compile: the pieces of fmt, its literal text as a file receives it.
void compile(ReportFormat& f, const char* fmt) {
    f.key = fmt;
    f.direct = true;
    f.text.clear();
    f.pieces.clear();
    ReportFormat::Piece piece{0, 0, 0, 0, 0};
    for (const char* p = fmt; *p != '\0';) {
        if (*p != '%') {
            if (*p == '\n') f.text += '\r';
            f.text += *p++;
            continue;
        }
        ++p;
        int width, precision;
        const char c = conversion(p, width, precision);
        if (c == 0) {
            f.direct = false;
            return;
        }
        if (c == '%') {
            f.text += '%';
            continue;
        }
        piece.length = static_cast<std::uint32_t>(f.text.size()) - piece.from;
        piece.conv = c;
        piece.width = static_cast<std::uint8_t>(width);
        piece.precision = static_cast<std::uint8_t>(precision);
        f.pieces.push_back(piece);
        piece = ReportFormat::Piece{static_cast<std::uint32_t>(f.text.size()), 0, 0, 0, 0};
    }
    piece.length = static_cast<std::uint32_t>(f.text.size()) - piece.from;
    if (piece.length > 0) f.pieces.push_back(piece);
    f.text.append(ReportFormat::Padding, '\0');
}

// formatSlot: where this thread keeps fmt compiled, if it does.
inline ReportFormat& formatSlot(const char* fmt) {
    constexpr std::size_t Slots = 1024;
    thread_local std::vector<ReportFormat> cache(Slots);
    return cache[(reinterpret_cast<std::uintptr_t>(fmt) * 0x9E3779B97F4A7C15ull) >> 54];
}

// compiled: fmt cut into its pieces, or null for a format that may change.
const ReportFormat* compiled(const char* fmt) {
    ReportFormat& f = formatSlot(fmt);
    if (f.key == fmt) return &f;
    if (!readOnly(fmt)) return nullptr;
    compile(f, fmt);
    return &f;
}

// copyPiece: the n literal bytes of a format at p to out, which has room for
// 32 more: a short piece is copied whole in one or two moves, with the
// padding that follows it.
char* copyPiece(char* out, const char* p, std::size_t n) {
    static_assert(ReportFormat::Padding >= 32, "a short piece is read as 32 bytes");
    if (n <= 16) {
        std::memcpy(out, p, 16);
    } else if (n <= 32) {
        std::memcpy(out, p, 32);
    } else {
        std::memcpy(out, p, n);
    }
    return out + n;
}

// formatCommon: format the common conversions into sink as vsnprintf would.
// False, with part of the text already given to the sink, for a format with
// anything else; the caller then formats it with vsnprintf from the start.
template <typename Sink>
bool formatCommon(Sink& sink, const char* fmt, va_list ap) {
    for (const char* p = fmt; *p != '\0';) {
        const char* pct = std::strchr(p, '%');
        if (pct == nullptr) {
            sink.put(p, std::strlen(p));
            return true;
        }
        if (pct > p) sink.put(p, static_cast<std::size_t>(pct - p));
        p = pct + 1;
        int width, precision;
        switch (conversion(p, width, precision)) {
        case 's': {
            const char* arg = va_arg(ap, const char*);
            if (arg == nullptr) arg = "(null)";
            sink.put(arg, std::strlen(arg));
            break;
        }
        case 'd': {
            char text[48];
            sink.put(text, static_cast<std::size_t>(formatNumber(text, va_arg(ap, int), width, precision) - text));
            break;
        }
        case 'c': {
            const char c = static_cast<char>(va_arg(ap, int));
            sink.put(&c, 1);
            break;
        }
        case '%': sink.put("%", 1); break;
        default: return false;
        }
    }
    return true;
}

}  // namespace

bool reportFailed() { return anyReportFailed; }

RptFile::~RptFile() { close(); }

void RptFile::close() {
    if (fp_ != nullptr && !console_) {
        flushPending(true);
        // Buffered bytes reach the file only now: a full disk shows here.
        if (std::fflush(fp_) != 0 || std::ferror(fp_) != 0) failed_ = true;
        if (std::fclose(fp_) != 0) failed_ = true;
        if (failed_) {
            consoleMessage(stderr, "Error writing report file (%s)\n", name_.c_str());
            anyReportFailed = true;
        }
    }
    fp_ = nullptr;
    console_ = false;
    failed_ = false;
    length_ = 0;
    capture_ = -1;
}

bool RptFile::open(const std::string& name) {
    close();
    name_ = name;
    // A pipe or socket in the report's place would make the run wait for a
    // reader that never comes: it counts as a file that cannot be created.
    std::error_code ec;
    const auto kind = std::filesystem::status(name, ec).type();
    if (!ec && (kind == std::filesystem::file_type::fifo || kind == std::filesystem::file_type::socket)) {
        anyReportFailed = true;
        return false;
    }
    // An empty file, such as an old report the run has already emptied, is
    // not truncated again: on some file systems, truncating a file makes its
    // closing write all of it out at once, which holds up the writer.
    fp_ = openEmpty(name);
    if (fp_ == nullptr) fp_ = std::fopen(name.c_str(), "wb");
    if (fp_ == nullptr) anyReportFailed = true;
    // The pending bytes are the file's buffer: each write reaches the file
    // as it was cut (see flushPending).
    else std::setvbuf(fp_, nullptr, _IONBF, 0);
    return fp_ != nullptr;
}

void RptFile::openStdout() {
    close();
    fp_ = stdout;
    console_ = true;
}

void RptFile::printf(const char* fmt, ...) {
    if (fp_ == nullptr) return;
    // The arguments are walked a second time only for a format that is not
    // formatted here (a copy of them up front costs more than the rest).
    va_list ap;
    va_start(ap, fmt);
    // A format met before goes straight to its pieces.
    const ReportFormat& f = formatSlot(fmt);
    const bool done = f.key == fmt && f.direct && !console_ ? formatPieces(f, ap) : formatDirect(fmt, ap);
    va_end(ap);
    if (!done) {
        va_start(ap, fmt);
        const std::string text = vstrprintf(fmt, ap);
        va_end(ap);
        put(text.data(), text.size());
    }
    if (capture_ < 0 && (length_ >= PendingLimit || console_)) flushPending();
}

char* RptFile::room(char* out, std::size_t n) {
    const std::size_t used = static_cast<std::size_t>(out - pending_.data());
    if (used + n > pending_.size()) pending_.resize(std::max(used + n, 2 * pending_.size() + PendingLimit));
    return pending_.data() + used;
}

bool RptFile::formatPieces(const ReportFormat& f, va_list ap) {
    char* out = pending_.data() + length_;
    for (const ReportFormat::Piece& piece : f.pieces) {
        out = room(out, piece.length + 48);
        out = copyPiece(out, f.text.data() + piece.from, piece.length);
        switch (piece.conv) {
        case 's': out = copyArgument(out, va_arg(ap, const char*)); break;
        case 'd': out = formatNumber(out, va_arg(ap, int), piece.width, piece.precision); break;
        case 'c': {
            const char ch = static_cast<char>(va_arg(ap, int));
            if (ch == '\n') *out++ = '\r';
            *out++ = ch;
            break;
        }
        default: break;
        }
    }
    length_ = static_cast<std::size_t>(out - pending_.data());
    return true;
}

// copyArgument reads the argument sixteen bytes at a time, and so may read
// past its end, though never across a 4096-byte boundary: never into a page
// that may be unmapped. The sanitizers would take that read for a fault.
__attribute__((no_sanitize("address", "thread")))
char* RptFile::copyArgument(char* out, const char* arg) {
    if (arg == nullptr) arg = "(null)";
#if defined(__SSE2__)
    // Sixteen bytes at a time, found and copied at once, while they hold no
    // line feed to turn into CR LF; the rest as below.
    if (!console_) {
        const __m128i zero = _mm_setzero_si128(), lf = _mm_set1_epi8('\n');
        while ((reinterpret_cast<std::uintptr_t>(arg) & 4095) <= 4096 - 16) {
            out = room(out, 16);
            const __m128i v = _mm_loadu_si128(reinterpret_cast<const __m128i*>(arg));
            const unsigned ends = static_cast<unsigned>(_mm_movemask_epi8(_mm_cmpeq_epi8(v, zero)));
            const unsigned lfs = static_cast<unsigned>(_mm_movemask_epi8(_mm_cmpeq_epi8(v, lf)));
            const unsigned before = ends != 0 ? (ends & (0u - ends)) - 1 : 0xFFFFu;
            if ((lfs & before) != 0) break;
            _mm_storeu_si128(reinterpret_cast<__m128i*>(out), v);
            if (ends != 0) return out + __builtin_ctz(ends);
            out += 16;
            arg += 16;
        }
    }
#endif
    const std::size_t n = std::strlen(arg);
    out = room(out, 2 * n);
    return copyText(out, arg, n, !console_);
}

bool RptFile::formatDirect(const char* fmt, va_list ap) {
    if (!console_) {
        if (const ReportFormat* f = compiled(fmt)) return f->direct && formatPieces(*f, ap);
    }
    // The common conversions go straight into the pending bytes, each line
    // feed (of the format or of an argument) as CR LF; a format with anything
    // else leaves the pending bytes as they were and returns false. Only
    // locals are written in the loop, so the compiler keeps them in
    // registers.
    const bool crlf = !console_;
    char* out = pending_.data() + length_;
    for (const char* p = fmt;;) {
        // 1. Plain text up to the next conversion.
        const char* run = p;
        while (*p != '\0' && *p != '%') ++p;
        if (p > run) {
            const std::size_t n = static_cast<std::size_t>(p - run);
            out = room(out, 2 * n);
            out = copyText(out, run, n, crlf);
        }
        if (*p == '\0') break;

        // 2. The conversion.
        ++p;
        int width, precision;
        switch (conversion(p, width, precision)) {
        case 's': out = copyArgument(out, va_arg(ap, const char*)); break;
        case 'd':
            out = room(out, 48);
            out = formatNumber(out, va_arg(ap, int), width, precision);
            break;
        case 'c': {
            const char ch = static_cast<char>(va_arg(ap, int));
            out = room(out, 2);
            out = copyText(out, &ch, 1, crlf);
            break;
        }
        case '%':
            out = room(out, 1);
            *out++ = '%';
            break;
        default: return false;
        }
    }
    length_ = static_cast<std::size_t>(out - pending_.data());
    return true;
}

void RptFile::write(const char* data, std::size_t n) {
    if (fp_ == nullptr) return;
    put(data, n);
    if (capture_ < 0 && (length_ >= PendingLimit || console_)) flushPending();
}

void RptFile::startCapture() { capture_ = static_cast<long>(length_); }

void RptFile::writeCaptured(const char* data, std::size_t n) {
    if (fp_ == nullptr) return;
    char* out = room(pending_.data() + length_, n);
    std::memcpy(out, data, n);
    length_ += n;
    if (capture_ < 0 && (length_ >= PendingLimit || console_)) flushPending();
}

void RptFile::put(const char* data, std::size_t n) {
    // Room for the worst case: every byte a line feed that becomes CR LF.
    if (length_ + 2 * n > pending_.size()) pending_.resize(std::max(length_ + 2 * n, 2 * pending_.size() + PendingLimit));
    char* out = &pending_[length_];
    if (console_) {
        std::memcpy(out, data, n);
        length_ += n;
        return;
    }
    // Short pieces, the most of them, are copied byte by byte; long ones a
    // line at a time.
    if (n < 64) {
        for (const char* end = data + n; data < end; ++data) {
            if (*data == '\n') *out++ = '\r';
            *out++ = *data;
        }
        length_ = static_cast<std::size_t>(out - pending_.data());
        return;
    }
    while (n > 0) {
        const char* lf = static_cast<const char*>(std::memchr(data, '\n', n));
        const std::size_t run = lf != nullptr ? static_cast<std::size_t>(lf - data) : n;
        std::memcpy(out, data, run);
        out += run;
        if (lf == nullptr) break;
        *out++ = '\r';
        *out++ = '\n';
        data = lf + 1;
        n -= run + 1;
    }
    length_ = static_cast<std::size_t>(out - pending_.data());
}

void RptFile::flushPending(bool all) {
    // A report file goes out in whole multiples of PendingLimit until its
    // end, so that each write starts and ends on the same boundaries in the
    // file: the file system then takes it in large pieces, not page by page.
    // The few bytes past the last boundary wait for the next write.
    std::size_t n = length_;
    if (!all && !console_) n -= n % PendingLimit;
    if (n > 0 && std::fwrite(pending_.data(), 1, n, fp_) != n) failed_ = true;
    if (n < length_) std::memmove(&pending_[0], &pending_[n], length_ - n);
    length_ -= n;
}

std::string vstrprintf(const char* fmt, va_list ap) {
    std::string text;
    StringSink sink{text};
    va_list again;
    va_copy(again, ap);
    const bool done = formatCommon(sink, fmt, again);
    va_end(again);
    if (done) return text;

    char small[512];
    va_copy(again, ap);
    int n = std::vsnprintf(small, sizeof small, fmt, ap);
    if (n < 0) {
        va_end(again);
        return std::string();
    }
    if (static_cast<std::size_t>(n) < sizeof small) {
        va_end(again);
        return std::string(small, static_cast<std::size_t>(n));
    }
    std::vector<char> big(static_cast<std::size_t>(n) + 1);
    std::vsnprintf(big.data(), big.size(), fmt, again);
    va_end(again);
    return std::string(big.data(), static_cast<std::size_t>(n));
}

std::string strprintf(const char* fmt, ...) {
    va_list ap;
    va_start(ap, fmt);
    std::string text = vstrprintf(fmt, ap);
    va_end(ap);
    return text;
}

namespace {
thread_local HeldMessages* heldHere = nullptr;
}  // namespace

void consoleMessage(std::FILE* stream, const char* fmt, ...) {
    va_list ap;
    va_start(ap, fmt);
    std::string text = vstrprintf(fmt, ap);
    va_end(ap);
    if (heldHere != nullptr) heldHere->texts.emplace_back(stream, std::move(text));
    else std::fwrite(text.data(), 1, text.size(), stream);
}

void HeldMessages::write() {
    for (const auto& [stream, text] : texts) std::fwrite(text.data(), 1, text.size(), stream);
    texts.clear();
}

void holdMessages(HeldMessages* held) { heldHere = held; }

const char* nullstr(const Text& t) { return t ? t->c_str() : "(null)"; }

const char* textOrNull(const Text& t) { return t ? t->c_str() : nullptr; }
