// The physics and the evolution step allocate nothing: counted by a replaced
// global operator new around a whole evolution, the crossing pipeline of the
// catalogue and a flight of each of its sets.
#include <gtest/gtest.h>

#include <cstdio>
#include <cstdlib>
#include <new>
#include <vector>

#include "eloutput.h"
#include "evolve.h"
#include "flight.h"
#include "support.h"

namespace {
long allocations = 0;
bool counting = false;
}  // namespace

void* operator new(std::size_t n) {
    if (counting) allocations++;
    void* p = std::malloc(n ? n : 1);
    if (p == nullptr) throw std::bad_alloc();
    return p;
}
void* operator new[](std::size_t n) { return operator new(n); }
void operator delete(void* p) noexcept { std::free(p); }
void operator delete[](void* p) noexcept { std::free(p); }
void operator delete(void* p, std::size_t) noexcept { std::free(p); }
void operator delete[](void* p, std::size_t) noexcept { std::free(p); }

using namespace morvel;

namespace {

template <class F>
long countAllocations(F f) {
    allocations = 0;
    counting = true;
    f();
    counting = false;
    return allocations;
}

}  // namespace

TEST(Allocations, NoneInAWholeEvolutionNorInTheCrossingPipeline) {
    // The counter sees an allocation (volatile: the pair may not be elided).
    EXPECT_EQ(countAllocations([] {
                  int* volatile p = new int(3);
                  delete p;
              }),
              1);

    el = test::readSets(test::dataFile("44245-starlink-21.tle")).at(0);
    prime(150);
    long steps = 0;
    EXPECT_EQ(countAllocations([&] {
                  steps = evolveUntil(150, 400);
              }),
              0);
    EXPECT_GT(steps, 1000);

    // The reader, the crossing step and the writer over the catalogue; the
    // streams' buffers are made before counting starts.
    std::FILE* in = std::fopen(MORVEL_TEST_DATA "/catalogue-2026-05-07.tle", "r");
    std::FILE* out = std::fopen("/dev/null", "w");
    ASSERT_TRUE(in != nullptr && out != nullptr);
    std::setvbuf(in, nullptr, _IOFBF, 1 << 16);
    std::setvbuf(out, nullptr, _IOFBF, 1 << 16);
    int written = 0;
    EXPECT_EQ(countAllocations([&] {
                  for (el = elinput(in); el.if_valid == 1; el = elinput(in))
                      if (crossingStep(150)) written += eloutput(out, el);
              }),
              0);
    std::fclose(in);
    std::fclose(out);
    EXPECT_GT(written, 10000);

    // The flight of every set of the catalogue with one coefficient.
    const std::vector<element> sets = test::readSets(test::dataFile("catalogue-2026-05-07.tle"));
    int decays = 0;
    EXPECT_EQ(countAllocations([&] {
                  for (const element& e : sets) decays += fly(e, 0.02, {nullptr, 150}, 100).decay > 0;
              }),
              0);
    EXPECT_GT(decays, 50);
}
