// Cost of loading language files and of the lookups the windows make, and of
// the settings save that runs at every exit.
#include <benchmark/benchmark.h>
#include <unistd.h>

#include <cstdio>
#include <filesystem>
#include <fstream>
#include <string>

#include "lang/language_file.h"
#include "lang/language_table.h"
#include "store/profile_file.h"
#include "store/settings.h"

namespace {

using namespace korvale;

std::string ScratchFile(const char* name) {
    return (std::filesystem::temp_directory_path() /
            ("korvale-bench-" + std::to_string(::getpid()) + "-" + name))
        .string();
}

void WriteText(const std::string& path, const std::string& text) {
    std::ofstream(path, std::ios::binary) << text;
}

// A language file of `sections` sections of `entries` lines each.
std::string LanguageText(int sections, int entries) {
    std::string text;
    for (int s = 0; s < sections; ++s) {
        text += "[Section " + std::to_string(s) + "]\n";
        for (int e = 0; e < entries; ++e) {
            text += "\"English text number " + std::to_string(e) +
                    "\\r\"=\"Deutscher Text Nummer " + std::to_string(e) + "\\r\"\n";
        }
    }
    return text;
}

void BM_LoadLanguageFile(benchmark::State& state) {
    const std::string path = ScratchFile("load.lng");
    const std::string text =
        LanguageText(static_cast<int>(state.range(0)), static_cast<int>(state.range(1)));
    WriteText(path, text);
    for (auto _ : state) {
        LanguageTable table;
        LoadLanguageFile(table, path, "");
        benchmark::DoNotOptimize(table.sections().data());
    }
    state.SetBytesProcessed(static_cast<std::int64_t>(state.iterations() * text.size()));
    std::remove(path.c_str());
}
// A typical file (11 sections of about 10 texts), and the largest a file
// may be: about 1 MiB in thousands of sections.
BENCHMARK(BM_LoadLanguageFile)->Args({11, 10})->Args({1500, 12})->Unit(benchmark::kMicrosecond);

void BM_LookupLastOfManyKeys(benchmark::State& state) {
    LanguageTable table;
    const int entries = static_cast<int>(state.range(0));
    for (int e = 0; e < entries; ++e) {
        table.addEntry("Strings", "key " + std::to_string(e), "text " + std::to_string(e));
    }
    const std::string last = "key " + std::to_string(entries - 1);
    for (auto _ : state) {
        benchmark::DoNotOptimize(table.translate("Strings", last));
    }
}
BENCHMARK(BM_LookupLastOfManyKeys)->Arg(100)->Arg(1000);

void BM_SaveUnchangedSettings(benchmark::State& state) {
    const std::string path = ScratchFile("save.ini");
    Settings settings;
    LoadSettings(settings, path);
    SaveSettings(settings, path);
    for (auto _ : state) {
        benchmark::DoNotOptimize(SaveSettings(settings, path));
    }
    std::remove(path.c_str());
}
BENCHMARK(BM_SaveUnchangedSettings)->Unit(benchmark::kMicrosecond);

}  // namespace
