// Benchmarks of the engine: one evolution step, priming, reading and writing
// one set, and whole-file work over the catalogue snapshot.
#include <benchmark/benchmark.h>

#include <cstdio>
#include <cstring>
#include <string>
#include <vector>

#include "formats/elfile.h"
#include "eloutput.h"
#include "evolve.h"

using namespace morvel;

namespace {

const char* const catalogue = MORVEL_DATA "/catalogue-2026-05-07.tle";

// A real decaying set: the first of a re-entered satellite's last 180 days.
const char setText[] =
    "STARLINK-21\n"
    "1 44245U 19029L   20086.83334491  .00056316  00000-0  32258-2 0  9994\n"
    "2 44245  52.9999 225.3455 0001509  91.9349  38.9465 15.12091717 46571\n";

element readSet() {
    std::FILE* in = fmemopen(const_cast<char*>(setText), sizeof setText - 1, "r");
    element e = elinput(in);
    std::fclose(in);
    return e;
}

void BM_EvolveStep(benchmark::State& state) {
    const element e = readSet();
    el = e;
    prime(150);
    for (auto _ : state) {
        // A crossing due at every step returns each call after one step.
        tnex = tz;
        evolve(150);
        if (l < decayLimit) {
            el = e;
            prime(150);
        }
    }
}
BENCHMARK(BM_EvolveStep);

void BM_EvolveRevolution(benchmark::State& state) {
    const element e = readSet();
    el = e;
    prime(150);
    for (auto _ : state) {
        evolve(150);
        if (l < decayLimit) {
            el = e;
            prime(150);
        }
    }
}
BENCHMARK(BM_EvolveRevolution);

// A whole evolution of the set to its decay, as the report of the program
// makes it, its crossings counted.
void BM_EvolveToDecay(benchmark::State& state) {
    const element e = readSet();
    long crossings = 0;
    for (auto _ : state) {
        el = e;
        prime(150);
        evolveUntil(150, 400, [&](int) { ++crossings; });
    }
    benchmark::DoNotOptimize(crossings);
}
BENCHMARK(BM_EvolveToDecay)->Unit(benchmark::kMillisecond);

void BM_Prime(benchmark::State& state) {
    const element e = readSet();
    for (auto _ : state) {
        el = e;
        prime(150);
        benchmark::DoNotOptimize(lifetime);
    }
}
BENCHMARK(BM_Prime);

void BM_ElinputOneSet(benchmark::State& state) {
    for (auto _ : state) {
        std::FILE* in = fmemopen(const_cast<char*>(setText), sizeof setText - 1, "r");
        element e = elinput(in);
        std::fclose(in);
        benchmark::DoNotOptimize(e.n);
    }
}
BENCHMARK(BM_ElinputOneSet);

void BM_EloutputOneSet(benchmark::State& state) {
    const element e = readSet();
    std::FILE* out = std::fopen("/dev/null", "w");
    for (auto _ : state) eloutput(out, e);
    std::fclose(out);
}
BENCHMARK(BM_EloutputOneSet);

void BM_CatalogueDecayListEstimate(benchmark::State& state) {
    for (auto _ : state) {
        std::FILE* in = std::fopen(catalogue, "r");
        int listed = 0;
        for (;;) {
            el = elinput(in);
            if (el.if_valid != 1) break;
            if (decayListLifetime(el, 150) > 0) listed++;
        }
        std::fclose(in);
        benchmark::DoNotOptimize(listed);
    }
}
BENCHMARK(BM_CatalogueDecayListEstimate)->Unit(benchmark::kMillisecond);

void BM_CatalogueCrossingPipeline(benchmark::State& state) {
    std::FILE* out = std::fopen("/dev/null", "w");
    for (auto _ : state) {
        std::FILE* in = std::fopen(catalogue, "r");
        for (;;) {
            el = elinput(in);
            if (el.if_valid != 1) break;
            if (crossingStep(150)) eloutput(out, el);
        }
        std::fclose(in);
    }
    std::fclose(out);
}
BENCHMARK(BM_CatalogueCrossingPipeline)->Unit(benchmark::kMillisecond);

// Reading a whole element file through the encoding's reader, per set: the
// catalogue as TLE, and real CelesTrak OMM samples (the whole-process
// comparison of the catalogue in every encoding is
// bench/omm-whole-process.sh).
void readElementFile(benchmark::State& state, const char* path) {
    long sets = 0;
    for (auto _ : state) {
        std::FILE* in = std::fopen(path, "r");
        if (!in) {
            state.SkipWithError("cannot open the element file");
            return;
        }
        elfile file(in);
        for (element e = file.next(); e.if_valid == 1; e = file.next()) ++sets;
        std::fclose(in);
    }
    state.SetItemsProcessed(sets);
}
BENCHMARK_CAPTURE(readElementFile, catalogue_tle, catalogue)->Unit(benchmark::kMillisecond);
BENCHMARK_CAPTURE(readElementFile, active_json,
                  MORVEL_DATA "/omm/celestrak-active-2026-06-22.json");
BENCHMARK_CAPTURE(readElementFile, six_digit_json,
                  MORVEL_DATA "/omm/celestrak-active-six-digit.json");
BENCHMARK_CAPTURE(readElementFile, csv_rows, MORVEL_DATA "/omm/unedited-rows.csv");
BENCHMARK_CAPTURE(readElementFile, kvn_message, MORVEL_DATA "/omm/v01-baseline-reserialised.kvn");

// The writer loop of the equator-crossing file: the catalogue's sets moved
// to their crossings once, then written per iteration as TLE (eloutput) or
// as OMM in one encoding, to /dev/null through a 64 KiB buffer as the
// program writes its files.
void writeCrossingSets(benchmark::State& state, elformat format) {
    std::vector<element> sets;
    std::FILE* in = std::fopen(catalogue, "r");
    for (el = elinput(in); el.if_valid == 1; el = elinput(in)) {
        if (crossingStep(150)) sets.push_back(el);
    }
    std::fclose(in);
    static char buffer[1 << 16];
    std::FILE* out = std::fopen("/dev/null", "w");
    std::setvbuf(out, buffer, _IOFBF, sizeof buffer);
    for (auto _ : state) {
        if (format == elformat::tle) {
            for (const element& e : sets) eloutput(out, e);
            continue;
        }
        ommWriter w(out, format);
        for (const element& e : sets) w.write(e);
        w.finish();
    }
    std::fclose(out);
    state.SetItemsProcessed(state.iterations() * static_cast<long>(sets.size()));
}
BENCHMARK_CAPTURE(writeCrossingSets, tle, elformat::tle)->Unit(benchmark::kMillisecond);
BENCHMARK_CAPTURE(writeCrossingSets, omm_csv, elformat::csv)->Unit(benchmark::kMillisecond);
BENCHMARK_CAPTURE(writeCrossingSets, omm_json, elformat::json)->Unit(benchmark::kMillisecond);
BENCHMARK_CAPTURE(writeCrossingSets, omm_xml, elformat::xml)->Unit(benchmark::kMillisecond);
BENCHMARK_CAPTURE(writeCrossingSets, omm_kvn, elformat::kvn)->Unit(benchmark::kMillisecond);

}  // namespace

BENCHMARK_MAIN();
