// The allocator is replaced process-wide: malloc and its family forward to
// glibc's own entry points, operator new and delete to those. Nothing is counted
// unless armed and on a thread inside a CountedScope, so the rest of the process
// (llvmpipe's worker threads, Qt's X event reader, the test framework) runs
// untouched.
#include "AllocCounter.h"

#include <dlfcn.h>
#include <execinfo.h>
#include <unistd.h>

#include <algorithm>
#include <atomic>
#include <cerrno>
#include <cstring>
#include <new>

extern "C" {
void* __libc_malloc(size_t);
void __libc_free(void*);
void* __libc_calloc(size_t, size_t);
void* __libc_realloc(void*, size_t);
void* __libc_memalign(size_t, size_t);
}

namespace alloc_counter {
namespace {
constexpr int kMaxFrames = 64;
constexpr int kKeptStacks = 8;
constexpr int kPaths = 3;
constexpr int kMaxHeld = 4096;

std::atomic<bool> armed{false};
struct Tally {
    std::atomic<long> ours{0}, widget{0}, driver{0};
    long heldBytes = 0, peakBytes = 0;  // under heldLock
};
Tally tally[kPaths];
thread_local int scopeDepth = 0;
thread_local Path scopePath = Path::Frame;
thread_local bool inHook = false;

struct Stack {
    void* frames[kMaxFrames];
    int size;
};
Stack kept[kKeptStacks];
std::atomic<int> keptCount{0};

// Our blocks not yet freed, by address. One that finds no room is never taken
// off, so the peak can only come out high.
struct Held {
    void* p;
    size_t bytes;
    Tally* tally;
};
Held held[kMaxHeld];
int heldCount = 0;
std::atomic<bool> anyHeld{false};
std::atomic_flag heldLock = ATOMIC_FLAG_INIT;
struct HeldLock {
    HeldLock() {
        while (heldLock.test_and_set(std::memory_order_acquire)) {
        }
    }
    ~HeldLock() { heldLock.clear(std::memory_order_release); }
};

void Hold(void* p, size_t bytes, Tally& t) {
    HeldLock lock;
    if (heldCount < kMaxHeld) held[heldCount++] = {p, bytes, &t};
    anyHeld = true;
    t.heldBytes += static_cast<long>(bytes);
    t.peakBytes = std::max(t.peakBytes, t.heldBytes);
}

// Called for every free, on every thread: quick unless one of ours is held.
void Release(void* p) {
    if (!p || !anyHeld.load(std::memory_order_relaxed)) return;
    HeldLock lock;
    for (int i = 0; i < heldCount; ++i) {
        if (held[i].p != p) continue;
        held[i].tally->heldBytes -= static_cast<long>(held[i].bytes);
        held[i] = held[--heldCount];
        break;
    }
}

// Shared objects of the GL driver stack, by the start of their file name.
bool IsDriverObject(const char* path) {
    if (!path) return false;
    const char* base = std::strrchr(path, '/');
    base = base ? base + 1 : path;
    static const char* const kDriver[] = {"libGL.",      "libGLX",   "libGLdispatch", "libOpenGL",
                                          "libEGL",      "libglapi", "libgallium",    "libLLVM",
                                          "libdrm",      "libxshmfence"};
    for (const char* prefix : kDriver)
        if (std::strncmp(base, prefix, std::strlen(prefix)) == 0) return true;
    return std::strstr(base, "_dri.so") != nullptr;
}

// Counts the allocation of `bytes` at `p` made just now (p null when it failed).
void* Record(void* p, size_t bytes) {
    if (!armed.load(std::memory_order_relaxed) || scopeDepth == 0 || inHook) return p;
    inHook = true;
    Stack s;
    s.size = backtrace(s.frames, kMaxFrames);
    bool throughDriver = false, throughLineEdit = false;
    for (int i = 0; i < s.size && !throughDriver; ++i) {
        Dl_info info;
        if (!dladdr(s.frames[i], &info)) continue;
        throughDriver = IsDriverObject(info.dli_fname);
        if (info.dli_sname && std::strstr(info.dli_sname, "18QWidgetLineControl"))
            throughLineEdit = true;
    }
    Tally& t = tally[static_cast<int>(scopePath)];
    if (throughDriver) {
        ++t.driver;
    } else if (throughLineEdit) {
        ++t.widget;
    } else {
        ++t.ours;
        const int slot = keptCount.fetch_add(1);
        if (slot < kKeptStacks) kept[slot] = s;
        if (p) Hold(p, bytes, t);
    }
    inHook = false;
    return p;
}

// backtrace() loads the unwinder on first use, which allocates: do it up front.
[[maybe_unused]] const bool primed = [] {
    void* frames[4];
    backtrace(frames, 4);
    return true;
}();
}  // namespace

void Arm() {
    for (Tally& t : tally) t.ours = t.widget = t.driver = 0;
    {
        HeldLock lock;
        for (Tally& t : tally) t.heldBytes = t.peakBytes = 0;
        heldCount = 0;
        anyHeld = false;
    }
    keptCount = 0;
    armed = true;
}
void Disarm() { armed = false; }
Counts Current(Path path) {
    const Tally& t = tally[static_cast<int>(path)];
    HeldLock lock;
    return {t.ours.load(), t.widget.load(), t.driver.load(), t.peakBytes};
}

CountedScope::CountedScope(Path path) : saved_(scopePath), savedDepth_(scopeDepth) {
    scopePath = path;
    ++scopeDepth;
}
CountedScope::~CountedScope() {
    scopePath = saved_;
    scopeDepth = savedDepth_;
}

void DumpOurStacks() {
    const int n = keptCount.load() < kKeptStacks ? keptCount.load() : kKeptStacks;
    for (int i = 0; i < n; ++i) {
        static const char kHeader[] = "--- allocation in our frame path:\n";
        (void)!write(STDERR_FILENO, kHeader, sizeof kHeader - 1);
        backtrace_symbols_fd(kept[i].frames, kept[i].size, STDERR_FILENO);
    }
}
}  // namespace alloc_counter

using alloc_counter::Record;
using alloc_counter::Release;

extern "C" {
void* malloc(size_t n) { return Record(__libc_malloc(n), n); }
void free(void* p) {
    Release(p);
    __libc_free(p);
}
void* calloc(size_t n, size_t size) { return Record(__libc_calloc(n, size), n * size); }
void* realloc(void* p, size_t n) {
    Release(p);
    return Record(__libc_realloc(p, n), n);
}
void* memalign(size_t align, size_t n) { return Record(__libc_memalign(align, n), n); }
void* aligned_alloc(size_t align, size_t n) { return Record(__libc_memalign(align, n), n); }
int posix_memalign(void** out, size_t align, size_t n) {
    void* p = Record(__libc_memalign(align, n), n);
    if (!p) return ENOMEM;
    *out = p;
    return 0;
}
}

void* operator new(size_t n) {
    if (void* p = Record(__libc_malloc(n ? n : 1), n)) return p;
    throw std::bad_alloc();
}
void* operator new[](size_t n) { return operator new(n); }
void* operator new(size_t n, const std::nothrow_t&) noexcept { return Record(__libc_malloc(n ? n : 1), n); }
void* operator new[](size_t n, const std::nothrow_t&) noexcept {
    return operator new(n, std::nothrow);
}
void operator delete(void* p) noexcept { free(p); }
void operator delete[](void* p) noexcept { free(p); }
void operator delete(void* p, size_t) noexcept { free(p); }
void operator delete[](void* p, size_t) noexcept { free(p); }
