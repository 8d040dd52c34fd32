// Seeded random SDS archives for tests: every resource type, Script bundles,
// chunk boundaries anywhere (1-byte chunks included), stored and compressed chunks.
#pragma once

#include <cstdint>
#include <random>
#include <string>

#include "SdsMaker.h"

namespace testing_support {

class RandomArchive {
public:
  explicit RandomArchive(uint32_t seed) : rng_(seed) {}
  sdsmaker::Archive Make();

private:
  int Pick(int lo, int hi);
  std::string Text(int length, bool anyByte = false);
  std::string Word();
  sdsmaker::Bytes Data(int maxLength);
  std::string Source(const std::string& type);
  sdsmaker::Resource MakeResource();

  std::mt19937 rng_;
};

}  // namespace testing_support
