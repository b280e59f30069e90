#include <gtest/gtest.h>

#include <vector>

#include "data/scramble.h"

TEST(Scramble, InvertsOnlyTheFirst96BytesAndIsItsOwnInverse) {
  std::vector<uint8_t> bytes(97);
  for (size_t i = 0; i < bytes.size(); ++i) bytes[i] = static_cast<uint8_t>(i);
  auto original = bytes;
  data::scrambleBytes(bytes.data(), bytes.size());
  for (size_t i = 0; i < 96; ++i) EXPECT_EQ(bytes[i], static_cast<uint8_t>(~original[i]));
  EXPECT_EQ(bytes[96], original[96]);
  data::scrambleBytes(bytes.data(), bytes.size());
  EXPECT_EQ(bytes, original);
}
