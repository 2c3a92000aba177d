// Ratios of the benchmarks: each benchmark times its own code and a
// baseline in alternating pairs within one run (A B, then B A, ...), so
// that a machine whose speed drifts weighs on both sides alike, and prints
// the minimum and median of the pair ratios with its goal.
#pragma once

#include <algorithm>
#include <chrono>
#include <cstdio>
#include <functional>
#include <string>
#include <vector>

namespace bench {

// Seconds one call of Work takes on the steady clock.
inline double Seconds(const std::function<void()>& Work) {
  const auto Start = std::chrono::steady_clock::now();
  Work();
  return std::chrono::duration<double>(std::chrono::steady_clock::now() - Start).count();
}

// The ratios of one comparison (ours / baseline, or the reverse for
// "ahead of" goals), with the goal they are held against.
class TRatio {
 public:
  // Name: what is compared ("CopyFileByStreams / copy_file_range");
  // Goal: the bound; AtMost: the ratio must stay at or below Goal (else at
  // or above it).
  TRatio(std::string Name, double Goal, bool AtMost) : FName(std::move(Name)), FGoal(Goal), FAtMost(AtMost) {}

  void Add(double Ratio) { FRatios.push_back(Ratio); }
  // Times Ours and Base Pairs times, alternating which goes first, with
  // Between run untimed before every timed call; adds Ours / Base.
  void Pairs(int Count, const std::function<void()>& Ours, const std::function<void()>& Base,
             const std::function<void()>& Between = [] {}) {
    for (int I = 0; I < Count; ++I) {
      double O = 0, B = 0;
      for (int Side = 0; Side < 2; ++Side) {
        Between();
        if ((Side == 0) == (I % 2 == 0))
          O = Seconds(Ours);
        else
          B = Seconds(Base);
      }
      Add(O / B);
    }
  }
  double Min() const { return *std::min_element(FRatios.begin(), FRatios.end()); }
  double Median() const {
    std::vector<double> S = FRatios;
    std::sort(S.begin(), S.end());
    const std::size_t N = S.size();
    return N % 2 ? S[N / 2] : (S[N / 2 - 1] + S[N / 2]) / 2;
  }
  // A goal of 0 marks a ratio shown for reference only.
  bool Reference() const { return FGoal == 0; }
  // The median meets the goal.
  bool Met() const { return FAtMost ? Median() <= FGoal : Median() >= FGoal; }
  // One line: name, min and median of the pairs, goal, verdict.
  void Print() const {
    if (FRatios.empty()) {
      std::printf("%s: not measured\n", FName.c_str());
      return;
    }
    if (Reference()) {
      std::printf("%s = %.2f median, %.2f min of %zu pairs (for reference, no goal)\n", FName.c_str(), Median(),
                  Min(), FRatios.size());
      return;
    }
    std::printf("%s = %.2f median, %.2f min of %zu pairs (goal: %s %.2f) %s\n", FName.c_str(), Median(), Min(),
                FRatios.size(), FAtMost ? "at most" : "at least", FGoal, Met() ? "met" : "NOT MET");
  }

 private:
  std::string FName;
  double FGoal;
  bool FAtMost;
  std::vector<double> FRatios;
};

}  // namespace bench
