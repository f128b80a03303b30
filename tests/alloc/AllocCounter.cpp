// The allocator is replaced process-wide: malloc and its family forward to
// glibc's own entry points, operator new and delete to those. Nothing is counted
// unless armed and on a thread inside a CountedScope, so the rest of the process
// (llvmpipe's worker threads, Qt's X event reader, the test framework) runs
// untouched.
#include "AllocCounter.h"

#include <dlfcn.h>
#include <execinfo.h>
#include <unistd.h>

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

std::atomic<bool> armed{false};
struct Tally {
    std::atomic<long> ours{0}, widget{0}, driver{0};
};
Tally tally[2];
thread_local int scopeDepth = 0;
thread_local Path scopePath = Path::Frame;
thread_local bool inHook = false;

struct Stack {
    void* frames[kMaxFrames];
    int size;
};
Stack kept[kKeptStacks];
std::atomic<int> keptCount{0};

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

void Record() {
    if (!armed.load(std::memory_order_relaxed) || scopeDepth == 0 || inHook) return;
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
    }
    inHook = false;
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
    keptCount = 0;
    armed = true;
}
void Disarm() { armed = false; }
Counts Current(Path path) {
    const Tally& t = tally[static_cast<int>(path)];
    return {t.ours.load(), t.widget.load(), t.driver.load()};
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

extern "C" {
void* malloc(size_t n) {
    Record();
    return __libc_malloc(n);
}
void free(void* p) { __libc_free(p); }
void* calloc(size_t n, size_t size) {
    Record();
    return __libc_calloc(n, size);
}
void* realloc(void* p, size_t n) {
    Record();
    return __libc_realloc(p, n);
}
void* memalign(size_t align, size_t n) {
    Record();
    return __libc_memalign(align, n);
}
void* aligned_alloc(size_t align, size_t n) {
    Record();
    return __libc_memalign(align, n);
}
int posix_memalign(void** out, size_t align, size_t n) {
    Record();
    void* p = __libc_memalign(align, n);
    if (!p) return ENOMEM;
    *out = p;
    return 0;
}
}

void* operator new(size_t n) {
    Record();
    if (void* p = __libc_malloc(n ? n : 1)) return p;
    throw std::bad_alloc();
}
void* operator new[](size_t n) { return operator new(n); }
void* operator new(size_t n, const std::nothrow_t&) noexcept {
    Record();
    return __libc_malloc(n ? n : 1);
}
void* operator new[](size_t n, const std::nothrow_t&) noexcept {
    return operator new(n, std::nothrow);
}
void operator delete(void* p) noexcept { __libc_free(p); }
void operator delete[](void* p) noexcept { __libc_free(p); }
void operator delete(void* p, size_t) noexcept { __libc_free(p); }
void operator delete[](void* p, size_t) noexcept { __libc_free(p); }
