// An additive lagged Fibonacci generator over 31 words, x[n] = x[n-3] +
// x[n-31] modulo 2^32, each draw giving the sum without its lowest bit. The
// 31 words are seeded by the Park-Miller minimal standard generator
// (multiplier 16807, modulus 2^31 - 1) and the first 310 sums are thrown
// away, so that nearby seeds give unrelated streams.
#include "random_stream.h"

namespace {

constexpr int word_count = 31;
constexpr int lag = 3;
constexpr int discarded_draws = 10 * word_count;

uint32_t words[word_count];
int front; // the word that receives the next sum
int rear;  // the word added into it

// One step of the minimal standard generator by Schrage's method, which
// keeps every intermediate within 32 signed bits. The seed word may be
// negative (a seed above 2^31), so the quotient and remainder are taken
// with truncation towards zero before the sign is corrected.
int32_t minimal_standard_step(int32_t word) {
    const int32_t high = word / 127773;
    const int32_t low = word % 127773;
    int32_t next = 16807 * low - 2836 * high;
    if (next < 0) {
        next += 2147483647;
    }
    return next;
}

} // namespace

void seed_random(uint32_t seed) {
    // Seed 0 would leave every word 0; it stands for seed 1.
    int32_t word = seed == 0 ? 1 : static_cast<int32_t>(seed);
    words[0] = static_cast<uint32_t>(word);
    for (int i = 1; i < word_count; ++i) {
        word = minimal_standard_step(word);
        words[i] = static_cast<uint32_t>(word);
    }
    front = lag;
    rear = 0;
    for (int i = 0; i < discarded_draws; ++i) {
        next_random();
    }
}

int32_t next_random() {
    words[front] += words[rear];
    const auto result = static_cast<int32_t>(words[front] >> 1);
    front = front + 1 == word_count ? 0 : front + 1;
    rear = rear + 1 == word_count ? 0 : rear + 1;
    return result;
}
