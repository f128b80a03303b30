#pragma once
// Counts heap allocations made on the calling thread while it is inside a
// CountedScope and counting is armed, per scope kind. Each counted allocation is
// told apart by its call stack:
//  - driver: passes through the GL driver stack (libGL, GLX, Mesa, llvmpipe, LLVM),
//    the driver's own work behind a GL call;
//  - widget: passes through a line edit's text control (QWidgetLineControl), the
//    widget laying out and shaping a text it was handed;
//  - ours: any other, made by our code or by the toolkit types our code calls
//    directly (strings, lists, events, the GL context wrapper).
// Of ours it also keeps the most bytes held at once, blocks freed anywhere taken off.
#include <cstddef>

namespace alloc_counter {

struct Counts {
    long ours = 0;
    long widget = 0;
    long driver = 0;
    long peakBytes = 0;  // of ours
};

enum class Path { Frame, Readout, TextureLoad };

// Starts or stops counting; Arm() zeroes the counts and the recorded stacks.
void Arm();
void Disarm();
Counts Current(Path path);

// Marks the calling thread as inside `path` for the scope's lifetime.
class CountedScope {
public:
    explicit CountedScope(Path path);
    ~CountedScope();
    CountedScope(const CountedScope&) = delete;
    CountedScope& operator=(const CountedScope&) = delete;

private:
    Path saved_;
    int savedDepth_;
};

// Writes the call stacks of the first of our allocations to stderr, symbolised
// without allocating.
void DumpOurStacks();

}  // namespace alloc_counter
