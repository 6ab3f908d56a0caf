// crc_bench.cpp - CRC-32 throughput in memory (the two kernel libraries, ISA-L where it was
// found, and libdeflate; the engine's register update, the table loop, the text pass), and a file
// mode that times the whole engine on one file for bench/crc_vs_cat.sh.
//
//   crc_bench [benchmark options]
//   crc_bench --file PATH --mode binary|ascii|unix [--repeat N]   best wall and processor
//                                                                 seconds of N, and the CRC
//   crc_bench --write-text PATH BYTES                              CR LF lines of 40-100 chars
#include <benchmark/benchmark.h>
#include <libdeflate.h>
#if QUILLMARK_BENCH_ISAL
#include <isa-l/crc.h>
#endif
#include <fcntl.h>
#include <sys/resource.h>

#include <chrono>
#include <cstdio>
#include <cstdlib>
#include <cstring>
#include <fstream>
#include <random>
#include <string>
#include <vector>

#include "checksum/crc_register.h"
#include "checksum/crc_table.h"
#include "checksum/text_crc.h"
#include "platform/text_mode_converter.h"
#include "settings/option_flags.h"

namespace {

using quillmark::CrcTable;

std::vector<std::uint8_t> RandomBytes(std::size_t size) {
    std::mt19937_64 rng(1);
    std::vector<std::uint8_t> bytes(size);
    for (auto& byte : bytes) byte = static_cast<std::uint8_t>(rng());
    return bytes;
}

// Printable lines of 40 to 100 characters, each ended by CR LF.
std::vector<std::uint8_t> CrLfText(std::size_t size, std::uint64_t seed) {
    std::mt19937_64 rng(seed);
    std::vector<std::uint8_t> text;
    text.reserve(size + 128);
    while (text.size() < size) {
        for (int n = 40 + static_cast<int>(rng() % 61); n > 0; --n) {
            text.push_back(static_cast<std::uint8_t>(' ' + rng() % 95));
        }
        text.push_back('\r');
        text.push_back('\n');
    }
    text.resize(size);
    return text;
}

void BM_LibdeflateCrc(benchmark::State& state) {
    auto bytes = RandomBytes(static_cast<std::size_t>(state.range(0)));
    for (auto _ : state) {
        benchmark::DoNotOptimize(libdeflate_crc32(0, bytes.data(), bytes.size()));
    }
    state.SetBytesProcessed(static_cast<std::int64_t>(state.iterations() * bytes.size()));
}
BENCHMARK(BM_LibdeflateCrc)->Arg(4 << 10)->Arg(256 << 10)->Arg(1 << 20);

#if QUILLMARK_BENCH_ISAL
void BM_IsalCrc(benchmark::State& state) {
    auto bytes = RandomBytes(static_cast<std::size_t>(state.range(0)));
    for (auto _ : state) {
        benchmark::DoNotOptimize(crc32_gzip_refl(0, bytes.data(), bytes.size()));
    }
    state.SetBytesProcessed(static_cast<std::int64_t>(state.iterations() * bytes.size()));
}
BENCHMARK(BM_IsalCrc)->Arg(4 << 10)->Arg(256 << 10)->Arg(1 << 20);
#endif

// The register update the engine uses, over the kernel it was built with.
void BM_UpdateRegister(benchmark::State& state) {
    auto bytes = RandomBytes(static_cast<std::size_t>(state.range(0)));
    for (auto _ : state) {
        benchmark::DoNotOptimize(quillmark::UpdateRegister(0, bytes.data(), bytes.size()));
    }
    state.SetBytesProcessed(static_cast<std::int64_t>(state.iterations() * bytes.size()));
}
BENCHMARK(BM_UpdateRegister)->Arg(4 << 10)->Arg(256 << 10)->Arg(1 << 20);

void BM_TableLoop(benchmark::State& state) {
    auto bytes = RandomBytes(static_cast<std::size_t>(state.range(0)));
    CrcTable table;
    for (auto _ : state) {
        std::uint32_t reg = 0xFFFFFFFFu;
        for (std::uint8_t byte : bytes) reg = table.UpdateByte(reg, byte);
        benchmark::DoNotOptimize(reg);
    }
    state.SetBytesProcessed(static_cast<std::int64_t>(state.iterations() * bytes.size()));
}
BENCHMARK(BM_TableLoop)->Arg(256 << 10);

// The text-mode conversion alone, nothing checksummed; arg 1 for CR LF line ends.
void BM_TextConverter(benchmark::State& state) {
    auto text = CrLfText(256 << 10, 2);
    std::vector<std::uint8_t> out(quillmark::TextModeConverter::OutputRoom(text.size()));
    for (auto _ : state) {
        quillmark::TextModeConverter converter(state.range(0) != 0);
        benchmark::DoNotOptimize(converter.Convert(text.data(), text.size(), out.data()));
    }
    state.SetBytesProcessed(static_cast<std::int64_t>(state.iterations() * text.size()));
}
BENCHMARK(BM_TextConverter)->Arg(0)->Arg(1);

// The whole text pass over a buffer: conversion, CRC and count; arg 1 for Unix line ends.
void BM_TextCrc(benchmark::State& state) {
    auto text = CrLfText(256 << 10, 3);
    for (auto _ : state) {
        quillmark::TextCrc crc(state.range(0) != 0);
        crc.Feed(text.data(), text.size());
        crc.Finish();
        benchmark::DoNotOptimize(crc.Crc());
    }
    state.SetBytesProcessed(static_cast<std::int64_t>(state.iterations() * text.size()));
}
BENCHMARK(BM_TextCrc)->Arg(0)->Arg(1);

// User and system time of this process: on a busy machine it shows the cost apart from waiting.
double ProcessorSeconds() {
    rusage usage{};
    ::getrusage(RUSAGE_SELF, &usage);
    auto seconds = [](const timeval& t) { return double(t.tv_sec) + double(t.tv_usec) / 1e6; };
    return seconds(usage.ru_utime) + seconds(usage.ru_stime);
}

int TimeFile(const std::string& path, const std::string& mode, int repeat) {
    std::uint8_t flags = 0;
    if (mode == "ascii") {
        flags = quillmark::OPT_ASCII_MODE;
    } else if (mode == "unix") {
        flags = quillmark::OPT_UNIX_LF;
    } else if (mode != "binary") {
        std::fprintf(stderr, "unknown mode %s\n", mode.c_str());
        return 2;
    }
    const std::optional<quillmark::RegularFile> file =
        quillmark::RegularFile::OpenAt(AT_FDCWD, path);
    if (!file) {
        std::fprintf(stderr, "cannot open %s\n", path.c_str());
        return 1;
    }
    CrcTable table;
    double bestWall = 1e30, bestCpu = 1e30;
    quillmark::CrcResult result;
    for (int i = 0; i < repeat; ++i) {
        double cpuBefore = ProcessorSeconds();
        auto start = std::chrono::steady_clock::now();
        quillmark::ReadProgress progress;
        result = table.ComputeFileCrc(*file, file->Size(), quillmark::ReadModeFromFlags(flags),
                                      progress);
        std::chrono::duration<double> wall = std::chrono::steady_clock::now() - start;
        bestWall = std::min(bestWall, wall.count());
        bestCpu = std::min(bestCpu, ProcessorSeconds() - cpuBefore);
    }
    if (!result.Readable()) {
        std::fprintf(stderr, "unreadable %s\n", path.c_str());
        return 1;
    }
    std::printf("%.6f %.6f %08x\n", bestWall, bestCpu, result.crc);
    return 0;
}

int WriteText(const std::string& path, std::uint64_t bytes) {
    std::ofstream out(path, std::ios::binary | std::ios::trunc);
    constexpr std::size_t kChunk = 16 << 20;
    for (std::uint64_t done = 0, seed = 10; done < bytes && out; ++seed) {
        auto chunk =
            CrLfText(static_cast<std::size_t>(std::min<std::uint64_t>(kChunk, bytes - done)), seed);
        // Each chunk ends on a line end so the file stays CR LF text throughout.
        while (chunk.size() >= 2 && chunk[chunk.size() - 1] != '\n') chunk.pop_back();
        if (chunk.size() < 2) break;
        out.write(reinterpret_cast<const char*>(chunk.data()),
                  static_cast<std::streamsize>(chunk.size()));
        done += chunk.size();
    }
    return out ? 0 : 1;
}

}  // namespace

int main(int argc, char** argv) {
    if (argc >= 5 && std::strcmp(argv[1], "--file") == 0 && std::strcmp(argv[3], "--mode") == 0) {
        int repeat = argc >= 7 && std::strcmp(argv[5], "--repeat") == 0 ? std::atoi(argv[6]) : 3;
        return TimeFile(argv[2], argv[4], repeat < 1 ? 1 : repeat);
    }
    if (argc == 4 && std::strcmp(argv[1], "--write-text") == 0) {
        return WriteText(argv[2], std::strtoull(argv[3], nullptr, 10));
    }
    benchmark::Initialize(&argc, argv);
    if (benchmark::ReportUnrecognizedArguments(argc, argv)) return 1;
    benchmark::RunSpecifiedBenchmarks();
    benchmark::Shutdown();
    return 0;
}
