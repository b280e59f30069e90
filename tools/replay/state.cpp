#include <algorithm>
#include <string>

#include "app/state_members.h"
#include "core/state_dump.h"
#include "tools/replay/replay.h"

namespace replay {

std::string stateJson(int frame) {
  StateDump dump;
  dump.add("frame", std::to_string(frame));
  dump.add(gameStateMembers());
  return dump.text();
}

Summary summarize(std::vector<long long> samples) {
  Summary s;
  if (samples.empty()) return s;
  std::sort(samples.begin(), samples.end());
  const size_t n = samples.size();
  s.median = n % 2 ? samples[n / 2] : (samples[n / 2 - 1] + samples[n / 2]) / 2;
  size_t p99 = (n * 99 + 99) / 100;  // nearest rank
  s.p99 = samples[std::min(n, std::max<size_t>(p99, 1)) - 1];
  s.max = samples.back();
  return s;
}

}  // namespace replay
