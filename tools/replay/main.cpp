#include <cstdio>

#include "tools/replay/replay.h"

int main(int argc, char** argv) {
  std::vector<std::string> args(argv + 1, argv + argc);
  replay::Options options;
  std::string error;
  if (!replay::parseArguments(args, options, error)) {
    std::fprintf(stderr, "orvane-replay: %s\n", error.c_str());
    std::fprintf(stderr,
                 "usage: orvane-replay --data DIR [--keys FILE] [--frames N] [--shot N:FILE.png]... "
                 "[--state N:FILE.json]... [--messages FILE] [--seed N] [--random-keys SEED] [--report]\n");
    return 2;
  }
  return replay::run(options);
}
