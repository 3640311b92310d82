#pragma once
// Runs the project's and a peer's version of the same work in interleaved
// rounds (so that both see the same machine load) and prints the medians and
// their ratio. The ratio is the measurement; the times only give it scale.
#include <algorithm>
#include <chrono>
#include <cstdio>
#include <functional>
#include <string>
#include <vector>

namespace bench {

inline double MillisecondsOf(const std::function<void()>& work) {
  const auto start = std::chrono::steady_clock::now();
  work();
  return std::chrono::duration<double, std::milli>(std::chrono::steady_clock::now() - start).count();
}

inline double Median(std::vector<double> v) {
  std::sort(v.begin(), v.end());
  const size_t n = v.size();
  return n % 2 ? v[n / 2] : (v[n / 2 - 1] + v[n / 2]) / 2;
}

struct Comparison {
  double ours = 0, peer = 0;
  double Ratio() const { return peer > 0 ? ours / peer : 0; }
};

// `rounds` pairs, alternating which of the two goes first.
inline Comparison Compare(const std::string& what, const std::string& peerName, int rounds,
                          const std::function<void()>& ours, const std::function<void()>& peer) {
  std::vector<double> a, b;
  for (int r = 0; r < rounds; ++r) {
    if (r % 2) {
      b.push_back(MillisecondsOf(peer));
      a.push_back(MillisecondsOf(ours));
    } else {
      a.push_back(MillisecondsOf(ours));
      b.push_back(MillisecondsOf(peer));
    }
  }
  Comparison c{Median(a), Median(b)};
  std::printf("%-58s ours %10.3f ms  %-22s %10.3f ms  ratio %.2f\n", what.c_str(), c.ours, peerName.c_str(),
              c.peer, c.Ratio());
  std::fflush(stdout);
  return c;
}

}  // namespace bench
