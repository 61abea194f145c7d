// A recording set of executors for the decoder tests: every call the state
// machine makes is logged as one line of text, so a test reads as "these
// bytes in, these calls out".
#pragma once

#include <cstdint>
#include <functional>
#include <string>
#include <vector>

namespace naplps {

struct Recorder {
    std::vector<std::string> calls;
    // What PDI_incpoint returns for a batch; by default every word is used.
    std::function<int(const int32_t *)> incpointResult;
};

extern Recorder rec;

// Load-time state of the decoder and a fresh log.
void resetAll();
// Feeds bytes and returns the calls they caused.
std::vector<std::string> feed(const std::vector<uint8_t> &bytes);
// Joins calls with " | " for compact expectations.
std::string joined(const std::vector<std::string> &calls);

}  // namespace naplps
