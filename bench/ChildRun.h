#pragma once
// What the start-up benchmarks share: the clock, the median, and this program run
// again as a child whose standard output is read back.
#include <string>
#include <vector>

long long NowNs();  // monotonic
double Median(std::vector<double> v);

// Spawns this program with `args` (argv[1] on), waits for it to end and returns
// what it wrote to standard output; `spawnedNs` gets the clock just before the
// spawn. Empty when it could not be started.
std::string RunSelf(const std::vector<std::string>& args, long long& spawnedNs);
