// The physics and the evolution step allocate nothing: counted with a
// replaced global operator new around whole evolutions and the crossing
// pipeline of a real file.
#include <gtest/gtest.h>

#include <cstdio>
#include <cstdlib>
#include <new>

#include "eloutput.h"
#include "evolve.h"

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

TEST(Allocations, TheCounterSeesAnAllocation) {
    const long n = countAllocations([] {
        int* volatile p = new int(3);  // volatile: the pair may not be elided
        delete p;
    });
    EXPECT_EQ(n, 1);
}

TEST(Allocations, NoneInAWholeEvolution) {
    std::FILE* in = std::fopen(MORVEL_TEST_DATA "/44245-starlink-21.tle", "r");
    ASSERT_NE(in, nullptr);
    el = elinput(in);
    std::fclose(in);
    ASSERT_EQ(el.if_valid, 1);
    prime(150);
    long steps = 0;
    const long n = countAllocations([&] {
        while (l >= 0.01 && gone < 400) {
            evolve(150);
            steps++;
        }
    });
    EXPECT_GT(steps, 1000);
    EXPECT_EQ(n, 0);
}

TEST(Allocations, NoneInTheCrossingPipeline) {
    std::FILE* in = std::fopen(MORVEL_TEST_DATA "/catalogue-2026-05-07.tle", "r");
    std::FILE* out = std::fopen("/dev/null", "w");
    ASSERT_NE(in, nullptr);
    ASSERT_NE(out, nullptr);
    // The streams' own buffers are made before counting starts.
    std::setvbuf(out, nullptr, _IOFBF, 1 << 16);
    int sets = 0;
    const long n = countAllocations([&] {
        for (;;) {
            el = elinput(in);
            if (el.if_valid != 1) break;
            if (!crossingStep(150)) continue;
            eloutput(out, el);
            sets++;
        }
    });
    std::fclose(in);
    std::fclose(out);
    EXPECT_GT(sets, 10000);
    EXPECT_EQ(n, 0);
}
