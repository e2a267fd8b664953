// RptFile: the one writer of report files. Lines end in CR LF whatever the
// host, and every formatted byte is kept, a zero byte from "%c" included.
#include "rollbook.h"

#include <cstdarg>
#include <vector>

RptFile::~RptFile() { close(); }

void RptFile::close() {
    if (fp_ != nullptr && !console_) std::fclose(fp_);
    fp_ = nullptr;
    console_ = false;
}

bool RptFile::open(const std::string& name) {
    close();
    fp_ = std::fopen(name.c_str(), "wb");
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

void RptFile::write(const char* data, std::size_t n) {
    if (fp_ == nullptr) return;
    if (console_) {
        std::fwrite(data, 1, n, fp_);
        return;
    }
    std::size_t start = 0;
    for (std::size_t i = 0; i < n; ++i) {
        if (data[i] != '\n') continue;
        std::fwrite(data + start, 1, i - start, fp_);
        std::fputs("\r\n", fp_);
        start = i + 1;
    }
    std::fwrite(data + start, 1, n - start, fp_);
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
