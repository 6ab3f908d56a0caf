// result_tree_bench.cpp - a sorted run's results through the ResultTree (in key order and in random
// order) against std::sort of the same keys, each printed to a counting sink.
#include <benchmark/benchmark.h>

#include <algorithm>
#include <cstdio>
#include <random>
#include <string>
#include <vector>

#include "processing/result_line_append.h"
#include "processing/result_tree.h"

namespace {

using quillmark::OutputSink;
using quillmark::ResultTree;

constexpr int kResults = 1000000;

struct Result {
    std::string key;
    std::uint64_t size;
    std::uint32_t crc;
};

// Paths shaped like a real tree: 1000 directories of 1000 files, keys already lowercase.
const std::vector<Result>& KeyOrder() {
    static const std::vector<Result> results = [] {
        std::vector<Result> made;
        made.reserve(kResults);
        std::mt19937 random(12345);
        char key[96];
        for (int i = 0; i < kResults; ++i) {
            std::snprintf(key, sizeof key, "/home/user/projects/data/dir%04d/file-%06d.dat",
                          i / 1000, i);
            made.push_back({key, random() % 65536, static_cast<std::uint32_t>(random())});
        }
        return made;
    }();
    return results;
}

const std::vector<Result>& RandomOrder() {
    static const std::vector<Result> results = [] {
        std::vector<Result> shuffled = KeyOrder();
        std::shuffle(shuffled.begin(), shuffled.end(), std::mt19937(54321));
        return shuffled;
    }();
    return results;
}

class CountingSink : public OutputSink {
public:
    bool Write(std::string_view text) override {
        bytes += text.size();
        lines += static_cast<std::uint64_t>(std::count(text.begin(), text.end(), '\n'));
        return true;
    }
    std::uint64_t bytes = 0;
    std::uint64_t lines = 0;
};

void RunThroughTree(benchmark::State& state, const std::vector<Result>& arrivals) {
    for (auto _ : state) {
        ResultTree tree;
        for (const Result& result : arrivals)
            tree.Insert(result.key, result.size, result.crc, true);
        CountingSink sink;
        // A million results in key order is what a plain binary tree degrades on; the timing
        // counts only when every one of them came out.
        if (!tree.Print(sink) || sink.lines != arrivals.size()) {
            state.SkipWithError("the tree did not print every result");
            return;
        }
        tree.Clear();
        benchmark::DoNotOptimize(sink.bytes);
    }
    state.SetItemsProcessed(state.iterations() * kResults);
}

void BM_TreeKeyOrder(benchmark::State& state) { RunThroughTree(state, KeyOrder()); }
void BM_TreeRandomOrder(benchmark::State& state) { RunThroughTree(state, RandomOrder()); }

// The reference: collect the same results in a vector, sort them once, print them the same way.
void BM_StdSortRandomOrder(benchmark::State& state) {
    const std::vector<Result>& arrivals = RandomOrder();
    for (auto _ : state) {
        std::vector<Result> collected;
        collected.reserve(arrivals.size());
        for (const Result& result : arrivals) collected.push_back(result);
        std::stable_sort(collected.begin(), collected.end(),
                         [](const Result& a, const Result& b) { return a.key < b.key; });
        CountingSink sink;
        std::string block;
        for (const Result& result : collected) {
            quillmark::AppendTabularLine(block, result.crc, result.size, result.key, {});
            if (block.size() >= 64 * 1024) {
                sink.Write(block);
                block.clear();
            }
        }
        sink.Write(block);
        benchmark::DoNotOptimize(sink.bytes);
    }
    state.SetItemsProcessed(state.iterations() * kResults);
}

BENCHMARK(BM_TreeKeyOrder)->Unit(benchmark::kMillisecond);
BENCHMARK(BM_TreeRandomOrder)->Unit(benchmark::kMillisecond);
BENCHMARK(BM_StdSortRandomOrder)->Unit(benchmark::kMillisecond);

}  // namespace

BENCHMARK_MAIN();
