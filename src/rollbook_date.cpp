// The run date: the local date, or ROLLBOOK_TODAY=YYYY-MM-DD when set, so
// that ages and class years can be reproduced.
#include "rollbook.h"

#include <cstdlib>
#include <ctime>

namespace {

bool isLeap(int y) { return (y % 4 == 0 && y % 100 != 0) || y % 400 == 0; }

int daysInMonth(int y, int m) {
    static const int days[12] = {31, 28, 31, 30, 31, 30, 31, 31, 30, 31, 30, 31};
    return m == 2 && isLeap(y) ? 29 : days[m - 1];
}

// parseRunDate: accept exactly four digits, '-', two digits, '-', two digits
// naming a real calendar date.
bool parseRunDate(const char* s, RunDate& out) {
    for (int i = 0; i < 10; ++i) {
        bool dash = i == 4 || i == 7;
        if (dash ? s[i] != '-' : (s[i] < '0' || s[i] > '9')) return false;
    }
    if (s[10] != '\0') return false;
    auto num = [s](int from, int len) {
        int v = 0;
        for (int i = from; i < from + len; ++i) v = v * 10 + (s[i] - '0');
        return v;
    };
    RunDate d{num(0, 4), num(5, 2), num(8, 2)};
    if (d.month < 1 || d.month > 12 || d.day < 1 || d.day > daysInMonth(d.year, d.month)) return false;
    out = d;
    return true;
}

}  // namespace

bool checkRunDate() {
    const char* env = std::getenv("ROLLBOOK_TODAY");
    RunDate d;
    if (env == nullptr || parseRunDate(env, d)) return true;
    std::fprintf(stderr, "ROLLBOOK_TODAY must be a date written YYYY-MM-DD (found \"%s\")\n", env);
    return false;
}

RunDate runDate() {
    const char* env = std::getenv("ROLLBOOK_TODAY");
    RunDate d;
    if (env != nullptr && parseRunDate(env, d)) return d;
    // Every age is counted from here: the local date is worked out once per
    // second, not for every member (by each thread for itself).
    thread_local std::time_t known = -1;
    thread_local RunDate today{};
    const std::time_t now = std::time(nullptr);
    if (now != known) {
        std::tm local{};
        localtime_r(&now, &local);
        today = RunDate{local.tm_year + 1900, local.tm_mon + 1, local.tm_mday};
        known = now;
    }
    return today;
}
