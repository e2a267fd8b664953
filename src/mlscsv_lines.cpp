// CsvLines: the lines of an input file as the CSV reader splits them, read
// either when asked for or ahead on another thread.
//
// Reading ahead, a thread reads and splits the lines with the CSV reader
// and keeps a copy of each: its result, its message, its fields (each ended
// by a zero byte) and the intact line. The copies reach the reader in
// batches, so that the two threads meet once per batch, not once per line.
// The CSV module is not reentrant: while the thread runs, only it calls the
// module. To dump a line, the thread is stopped and the line split again in
// the record of id, with the reader's cuts copied over its fields.
#include <algorithm>
#include <condition_variable>
#include <cstdint>
#include <cstring>
#include <exception>
#include <mutex>
#include <new>
#include <optional>
#include <thread>
#include <vector>

#include <sys/stat.h>

#include "mlscsv.h"
#include "wrpcsv.h"

namespace {

// Lines handed over at a time, and batches waiting at most.
constexpr std::size_t BatchLines = 64;
constexpr std::size_t BatchesAhead = 16;

// The smallest file worth a second thread.
constexpr long long ReadAheadFrom = 512 * 1024;

// One line as the CSV reader left it.
struct Line {
    int rc = 0;
    const char* err = nullptr;  // the reader's message after a failed line
    int numFields = 0;
    bool hasLine = false;
    std::string line;                   // the intact line, when the record holds one
    std::string text;                   // the fields as the CSV reader cut them
    std::vector<std::uint32_t> starts;  // where each field begins in text

    // take: copy what the CSV reader holds for id after a read giving result.
    void take(int id, int result) {
        rc = result;
        err = result != 0 ? wrpCsvGetErrMsg() : nullptr;
        numFields = std::max(wrpCsvGetNumFields(id), 0);
        const char* l = wrpCsvGetLine(id);
        hasLine = l != nullptr;
        line.assign(l != nullptr ? l : "");
        text.clear();
        starts.clear();
        if (numFields == 0) return;
        // The fields lie in order in the CSV reader's copy of the line, each
        // ended by a zero byte: they are kept at once, as they lie there.
        const char* first = wrpCsvGetField(id, 0);
        const char* last = wrpCsvGetField(id, numFields - 1);
        text.assign(first, static_cast<std::size_t>(last - first) + std::strlen(last) + 1);
        for (int i = 0; i < numFields; ++i) starts.push_back(static_cast<std::uint32_t>(wrpCsvGetField(id, i) - first));
    }
    // reserve: room for any line the CSV reader gives, so that keeping one
    // asks for no memory once it has been read.
    void reserve() {
        const std::size_t maxLine = static_cast<std::size_t>(std::max(wrpCsvGetDefaultMaxLine(), 1));
        const std::size_t maxFields = static_cast<std::size_t>(std::max(wrpCsvGetDefaultMaxFields(), 1));
        line.reserve(maxLine);
        text.reserve(maxLine + maxFields);
        starts.reserve(maxFields);
    }
    // prefetch: ask for the fields' cache lines ahead of their use.
    void prefetch() const {
        for (std::size_t off = 0; off < text.size(); off += 64) __builtin_prefetch(text.data() + off);
        for (std::size_t off = 0; off < starts.size() * sizeof starts[0]; off += 64)
            __builtin_prefetch(reinterpret_cast<const char*>(starts.data()) + off);
    }
};

using Batch = std::vector<Line>;

}  // namespace

struct CsvLines::State {
    // Room for every batch there can be is made here, so that handing
    // batches over never asks for memory.
    State(int csv, std::FILE* file) : id(csv), fp(file), ready(BatchesAhead) { spare.reserve(BatchesAhead + 2); }

    int id;
    std::FILE* fp;
    bool ahead = true;  // lines come from the thread

    // Shared with the thread, under lock.
    std::mutex lock;
    std::condition_variable changed;
    std::vector<Batch> ready;      // read, not yet taken: readyCount from readyFirst on, in a ring
    std::size_t readyFirst = 0, readyCount = 0;
    std::vector<Batch> spare;      // taken and done with, for the thread to fill again
    bool stopping = false;         // the thread is asked to stop
    bool finished = false;         // the thread read its last line
    std::optional<int> heldRc;     // a line read but left in the record of id

    // The reader's own.
    bool running = false;
    std::thread thread;
    Batch current;
    std::size_t at = 0;  // the line taken last in current

    void start();
    void stop();
    void readAhead();
    bool takeBatch();
};

void CsvLines::State::start() {
    if (running || finished) return;
    stopping = false;
    try {
        thread = std::thread([this] { readAhead(); });
        running = true;
    } catch (const std::exception&) {
        ahead = false;  // no thread: the reader reads the lines itself
    }
}

void CsvLines::State::stop() {
    if (!running) return;
    {
        std::lock_guard<std::mutex> guard(lock);
        stopping = true;
    }
    changed.notify_all();
    thread.join();
    running = false;
}

void CsvLines::State::readAhead() {
    Batch batch;
    for (bool done = false; !done;) {
        // 1. Wait while enough lines are waiting; stop when asked.
        {
            std::unique_lock<std::mutex> guard(lock);
            changed.wait(guard, [this] { return stopping || readyCount < BatchesAhead; });
            if (stopping) return;
            if (!spare.empty()) {
                batch = std::move(spare.back());
                spare.pop_back();
            }
        }
        // 2. Read up to a batch of lines. A line that cannot be kept for
        //    want of memory stays in the record of id for the reader.
        std::size_t n = 0;
        try {
            for (; n < BatchLines && !done; ++n) {
                if (batch.size() <= n) batch.emplace_back();
                batch[n].reserve();
                const int rc = wrpCsvReadLine(id, fp);
                try {
                    batch[n].take(id, rc);
                } catch (const std::bad_alloc&) {
                    std::lock_guard<std::mutex> guard(lock);
                    heldRc = rc;
                    done = true;
                    break;
                }
                done = rc == -1;
            }
        } catch (const std::bad_alloc&) {
            done = true;  // no line was lost: the reader goes on from here
        }
        // 3. Hand them over.
        {
            std::lock_guard<std::mutex> guard(lock);
            batch.resize(std::min(n, batch.size()));
            if (!batch.empty()) ready[(readyFirst + readyCount++) % BatchesAhead] = std::move(batch);
            batch = Batch();
            if (done) finished = true;
        }
        changed.notify_all();
    }
}

bool CsvLines::State::takeBatch() {
    std::unique_lock<std::mutex> guard(lock);
    if (!current.empty()) spare.push_back(std::move(current));
    current.clear();
    at = 0;
    if (readyCount == 0 && !finished && !running) {
        // Stopped for a dump: read on.
        guard.unlock();
        start();
        guard.lock();
    }
    changed.notify_all();
    changed.wait(guard, [this] { return readyCount > 0 || finished || !running; });
    if (readyCount == 0) return false;
    current = std::move(ready[readyFirst]);
    readyFirst = (readyFirst + 1) % BatchesAhead;
    --readyCount;
    guard.unlock();
    changed.notify_all();
    return true;
}

CsvLines::CsvLines(int id, std::FILE* fp, bool readAhead) : id_(id), fp_(fp) {
    if (!readAhead) return;
    try {
        s_.reset(new State(id, fp));
    } catch (const std::bad_alloc&) {
        return;  // the reader reads the lines itself
    }
    s_->start();
}

CsvLines::~CsvLines() {
    if (s_) s_->stop();
}

bool CsvLines::ahead() const { return s_ && s_->ahead; }

bool CsvLines::readAheadPays(std::FILE* fp) {
    struct stat st;
    if (fp == nullptr || fstat(fileno(fp), &st) != 0) return false;
    return st.st_size >= ReadAheadFrom && coresAllowed() >= 2;
}

int CsvLines::next() {
    if (ahead()) {
        State& s = *s_;
        if (s.at + 1 < s.current.size()) {
            ++s.at;
            // The next line was written on the other core: its fields are
            // fetched while this one is used.
            if (s.at + 1 < s.current.size()) s.current[s.at + 1].prefetch();
            return s.current[s.at].rc;
        }
        if (s.takeBatch()) {
            if (s.current.size() > 1) s.current[1].prefetch();
            return s.current[0].rc;
        }
        // The thread has ended: at the end of the file, or short of memory,
        // or it could not be started again. The reader reads on by itself.
        s.stop();
        s.ahead = false;
    }
    if (s_ && s_->heldRc) {
        const int rc = *s_->heldRc;
        s_->heldRc.reset();
        return rc;
    }
    return wrpCsvReadLine(id_, fp_);
}

int CsvLines::numFields() const {
    if (!ahead()) return wrpCsvGetNumFields(id_);
    return s_->current[s_->at].numFields;
}

char* CsvLines::field(int col) {
    if (!ahead()) return wrpCsvGetField(id_, col);
    Line& l = s_->current[s_->at];
    if (col < 0 || col >= l.numFields) return nullptr;
    return &l.text[l.starts[col]];
}

const char* CsvLines::errMsg() const {
    if (!ahead()) return wrpCsvGetErrMsg();
    return s_->current[s_->at].err;
}

void CsvLines::dump(std::FILE* out) {
    if (!ahead()) {
        dump_csv(id_, out);
        return;
    }
    // The thread stops until the next line is taken, and the record of id
    // holds this line again, cut as the reader cut it. A line the thread
    // left in the record for want of memory is put back afterwards.
    State& s = *s_;
    s.stop();
    std::string held;
    bool restore = false;
    if (s.heldRc) {
        const char* l = wrpCsvGetLine(id_);
        try {
            if (l != nullptr) held = l;
            restore = l != nullptr;
        } catch (const std::bad_alloc&) {
            dump_csv(id_, out);  // the record cannot be lent: shown as it is
            return;
        }
    }
    const Line& l = s.current[s.at];
    if (l.hasLine && wrpCsvParseString(id_, l.line.c_str()) == 0 && wrpCsvGetNumFields(id_) == l.numFields)
        for (int i = 0; i < l.numFields; ++i) {
            char* f = wrpCsvGetField(id_, i);
            std::memcpy(f, &l.text[l.starts[i]], std::strlen(f));
        }
    dump_csv(id_, out);
    if (restore) wrpCsvParseString(id_, held.c_str());
}
