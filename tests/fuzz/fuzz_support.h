// For the fuzz targets: the entry point, a check libFuzzer reports as a crash, a scratch file.
#pragma once

#include <unistd.h>

#include <algorithm>
#include <cstdint>
#include <cstdio>
#include <cstdlib>
#include <fstream>
#include <span>
#include <string>
#include <vector>

namespace korvale {}  // namespace korvale
using namespace korvale;
using Bytes = std::vector<std::uint8_t>;
using Input = std::span<const std::uint8_t>;

[[gnu::noinline]] inline void check(bool condition) {
    condition ? void() : std::abort();
}

inline std::string_view AsText(Input bytes) {
    return {reinterpret_cast<const char*>(bytes.data()), bytes.size()};
}

// `bytes` in this process's scratch file on tmpfs (kept after a crash); returns its path.
inline const std::string& WriteScratch(const char* suffix, Input bytes) {
    static const struct ScratchFile {
        std::string path;
        ~ScratchFile() { std::remove(path.c_str()); }
    } file{"/dev/shm/korvale-fuzz-" + std::to_string(::getpid()) + suffix};
    std::ofstream out(file.path, std::ios::binary);
    check(out.write(reinterpret_cast<const char*>(bytes.data()), bytes.size()).flush().good());
    return file.path;
}

// FUZZ_TARGET(N) { body }: the body runs on each input `data` of at least N bytes.
#define FUZZ_TARGET(minimumSize)                                                         \
    static void FuzzOne(Input data);                                                     \
    extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* bytes, std::size_t size) { \
        return size >= (minimumSize) ? (FuzzOne({bytes, size}), 0) : 0;                  \
    }                                                                                    \
    static void FuzzOne(Input data)
