// RptFile: the one writer of report files. Lines end in CR LF whatever the
// host, and every formatted byte is kept, a zero byte from "%c" included.
#include "rollbook.h"

#include <cstdarg>
#include <filesystem>
#include <vector>

namespace {

bool anyReportFailed = false;

}  // namespace

bool reportFailed() { return anyReportFailed; }

RptFile::~RptFile() { close(); }

void RptFile::close() {
    if (fp_ != nullptr && !console_) {
        // Buffered bytes reach the file only now: a full disk shows here.
        if (std::fflush(fp_) != 0 || std::ferror(fp_) != 0) failed_ = true;
        if (std::fclose(fp_) != 0) failed_ = true;
        if (failed_) {
            std::fprintf(stderr, "Error writing report file (%s)\n", name_.c_str());
            anyReportFailed = true;
        }
    }
    fp_ = nullptr;
    console_ = false;
    failed_ = false;
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
    fp_ = std::fopen(name.c_str(), "wb");
    if (fp_ == nullptr) anyReportFailed = true;
    return fp_ != nullptr;
}

void RptFile::openStdout() {
    close();
    fp_ = stdout;
    console_ = true;
}

void RptFile::printf(const char* fmt, ...) {
    va_list ap;
    va_start(ap, fmt);
    std::string text = vstrprintf(fmt, ap);
    va_end(ap);
    write(text.data(), text.size());
}

void RptFile::put(const char* data, std::size_t n) {
    if (n > 0 && std::fwrite(data, 1, n, fp_) != n) failed_ = true;
}

void RptFile::write(const char* data, std::size_t n) {
    if (fp_ == nullptr) return;
    if (console_) {
        put(data, n);
        return;
    }
    std::size_t start = 0;
    for (std::size_t i = 0; i < n; ++i) {
        if (data[i] != '\n') continue;
        put(data + start, i - start);
        put("\r\n", 2);
        start = i + 1;
    }
    put(data + start, n - start);
}

std::string vstrprintf(const char* fmt, va_list ap) {
    char small[512];
    va_list again;
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

const char* nullstr(const Text& t) { return t ? t->c_str() : "(null)"; }

const char* textOrNull(const Text& t) { return t ? t->c_str() : nullptr; }
