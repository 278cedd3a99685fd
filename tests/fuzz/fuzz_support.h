// The fuzz targets' property check (a crash for libFuzzer) and a per-process
// scratch file; "using namespace korvale::fuzzing;" also brings korvale's names.
#pragma once

#include <unistd.h>

#include <algorithm>
#include <cstdint>
#include <cstdio>
#include <cstdlib>
#include <span>
#include <string>
#include <vector>

namespace korvale::fuzzing {

using namespace korvale;
using Bytes = std::vector<std::uint8_t>;

// A broken property aborts, so libFuzzer keeps the input that broke it; kept
// out of line so that the stack trace names the line of the broken check.
[[gnu::noinline]] inline void check(bool condition) {
    condition ? void() : std::abort();
}

// Writes the input to this process's scratch file, on tmpfs so that the runs
// are not slowed by a disk, and returns its path. The file is removed when the
// process exits normally; a crashing run leaves it for study.
inline const std::string& WriteScratch(const char* suffix, std::span<const std::uint8_t> bytes) {
    static const struct ScratchFile {
        std::string path;
        ~ScratchFile() { std::remove(path.c_str()); }
    } file{"/dev/shm/korvale-fuzz-" + std::to_string(::getpid()) + suffix};
    std::FILE* out = std::fopen(file.path.c_str(), "wb");
    check(out != nullptr && std::fwrite(bytes.data(), 1, bytes.size(), out) == bytes.size() &&
          std::fclose(out) == 0);
    return file.path;
}

}  // namespace korvale::fuzzing
