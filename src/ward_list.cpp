// ward_list: creation and release of the shared records. Records live for the
// whole run; the release functions serve readers that drop a record they were
// building, and the tests.
#include "ward_list.h"

#include <condition_variable>
#include <cstdint>
#include <deque>
#include <mutex>
#include <new>
#include <exception>
#include <thread>
#include <unordered_map>
#include <utility>

#if defined(__linux__) && defined(__GLIBC__)
#include <malloc.h>
#include <sys/mman.h>
#include <unistd.h>
#endif

namespace {

#if defined(__linux__) && defined(__GLIBC__) && defined(MADV_POPULATE_WRITE)
// Prefaulter: a thread that has the kernel map each part the heap has grown
// by, ahead of its use: the pages are then cleared on another core while the
// records are read and built. Best effort: where the system declines, the
// pages are mapped at their first use, as always.
class Prefaulter {
public:
    void add(std::uintptr_t from, std::uintptr_t to) {
        std::lock_guard<std::mutex> guard(lock_);
        try {
            parts_.emplace_back(from, to);
        } catch (const std::bad_alloc&) {
            return;  // best effort: the pages are mapped at their first use
        }
        if (!started_) {
            try {
                std::thread([this] { run(); }).detach();
                started_ = true;
            } catch (const std::exception&) {
                parts_.clear();
                return;
            }
        }
        more_.notify_one();
    }

private:
    [[noreturn]] void run() {
        for (;;) {
            std::pair<std::uintptr_t, std::uintptr_t> part;
            {
                std::unique_lock<std::mutex> guard(lock_);
                more_.wait(guard, [this] { return !parts_.empty(); });
                part = parts_.front();
                parts_.pop_front();
            }
            madvise(reinterpret_cast<void*>(part.first), part.second - part.first, MADV_POPULATE_WRITE);
        }
    }

    std::mutex lock_;
    std::condition_variable more_;
    std::deque<std::pair<std::uintptr_t, std::uintptr_t>> parts_;
    bool started_ = false;
};
// Never destroyed: its thread lives as long as the process.
Prefaulter& prefaulter = *new Prefaulter;
#endif

// largeHeap: a large export's records fill hundreds of megabytes, which the
// reports then walk many times. Once the heap is that large, or is known to
// become so (expectRecordsFrom), the memory it grows by is asked for in huge
// pages, which saves most page faults and address-translation misses; small
// runs keep small pages and a small footprint. Best effort: nothing changes
// where the system declines.
constexpr std::uintptr_t LargeHeap = std::uintptr_t{32} << 20;  // heap size from which to ask
std::uintptr_t largeFrom = LargeHeap;  // 0 once a large store is expected
void largeHeap() {
#if defined(__linux__) && defined(__GLIBC__) && defined(MADV_HUGEPAGE)
    constexpr std::uintptr_t Step = std::uintptr_t{32} << 20;  // growth of a large heap at a time
    static std::uintptr_t start = 0, advised = 0;
    const auto top = reinterpret_cast<std::uintptr_t>(sbrk(0));
    if (top == static_cast<std::uintptr_t>(-1)) return;
    if (start == 0) start = top;
    if (top - start < largeFrom || top <= advised) return;
    if (advised == 0) {
        // Grow in large steps from now on, so that whole huge pages fit in
        // each part the heap grows by.
        mallopt(M_TOP_PAD, static_cast<int>(Step));
        advised = top;
        return;
    }
    const std::uintptr_t page = static_cast<std::uintptr_t>(sysconf(_SC_PAGESIZE));
    const std::uintptr_t from = advised & ~(page - 1);
    madvise(reinterpret_cast<void*>(from), top - from, MADV_HUGEPAGE);
#ifdef MADV_POPULATE_WRITE
    prefaulter.add(from, top);
#endif
    advised = top;
#endif
}

// The last member of a family's chain as far as add_member_to_family knows
// it, so that a long household is not walked for every member: for the
// family appended to last, and for each family whose chain was found long.
// A known tail is trusted only while that member still ends a chain of that
// family and is not the member being appended (one taken out of the chain
// and given the family again looks like a tail, yet is no longer linked);
// releasing any record forgets them all.
struct KnownTail {
    WardFamily* fam = nullptr;
    WardMember* tail = nullptr;
    bool long_ = false;  // the family is also in chainTail
};
KnownTail lastAppend;
std::unordered_map<WardFamily*, WardMember*>& chainTail = *new std::unordered_map<WardFamily*, WardMember*>;

// A chain walked this far counts as long.
constexpr int LongChain = 8;

void forgetTails() {
    lastAppend = KnownTail();
    chainTail.clear();
}

}  // namespace

void expectRecordsFrom(std::uintmax_t inputBytes) {
    // An input byte makes several bytes of records.
    constexpr std::uintmax_t RecordBytesPerInputByte = 5;
    if (inputBytes < LargeHeap / RecordBytesPerInputByte) return;
    largeFrom = 0;
    largeHeap();
}

mls_date* create_mlsDate() { return new (std::nothrow) mls_date(); }

WardFamily* create_ward_family() {
    largeHeap();
    return new (std::nothrow) WardFamily();
}

WardMember* create_ward_member() {
    largeHeap();
    try {
        return new WardMember();
    } catch (const std::bad_alloc&) {
        return nullptr;
    }
}

WardEnts* create_ward_ents() { return new (std::nothrow) WardEnts(); }

WardErr* create_ward_err() { return new (std::nothrow) WardErr(); }

WardOrg* create_ward_org() { return new (std::nothrow) WardOrg(); }

WardPos* create_ward_pos() { return new (std::nothrow) WardPos(); }

HTDist* create_htdist() {
    largeHeap();
    return new (std::nothrow) HTDist();
}

void add_member_to_family(WardFamily* fam, WardMember* mem) {
    // 1. What is known of the family's tail.
    KnownTail known{fam, nullptr, false};
    if (lastAppend.fam == fam) {
        known = lastAppend;
    } else if (!chainTail.empty()) {
        auto it = chainTail.find(fam);
        if (it != chainTail.end()) known = {fam, it->second, true};
    }

    // 2. An empty chain starts with the member; otherwise append it after the
    //    known tail when it can be trusted, else after the tail found by a
    //    walk of the chain.
    if (fam->members == nullptr) {
        fam->members = mem;
    } else {
        WardMember* last = known.tail;
        if (last == nullptr || last == mem || last->fam != fam || last->next != nullptr) {
            int steps = 0;
            for (last = fam->members; last->next != nullptr; last = last->next) ++steps;
            if (steps >= LongChain) known.long_ = true;
        }
        last->next = mem;
    }
    known.tail = mem;
    if (known.long_) chainTail[fam] = mem;
    lastAppend = known;
}

void free_mlsDate(mls_date* d) { delete d; }

void free_ward_ents(WardEnts* ents) {
    // Walk rather than recurse, so a long chain cannot exhaust the stack.
    while (ents != nullptr) {
        WardEnts* next = ents->next;
        delete ents;
        ents = next;
    }
}

void free_ward_err(WardErr* err) { delete err; }

void free_ward_member(WardMember* mem) {
    if (mem == nullptr) return;
    forgetTails();
    free_ward_ents(mem->cell);
    free_ward_ents(mem->work);
    free_ward_ents(mem->email2);
    free_ward_ents(mem->rem);
    delete mem;
}

void free_ward_family(WardFamily* fam) {
    if (fam == nullptr) return;
    forgetTails();
    WardMember* mem = fam->members;
    while (mem != nullptr) {
        WardMember* next = mem->next;
        free_ward_member(mem);
        mem = next;
    }
    delete fam;
}

void free_htdist(HTDist*) {}
