#pragma once

#include <cstdio>
#include <fstream>
#include <set>
#include <string>

// What a program that ends at its first idle moment tells the start-up
// benchmark (bench/bench_startup): one line on stderr,
//   idle: <n> shared libraries
// with the number of distinct shared libraries mapped into the process.

inline int GeladeneBibliotheken()
{
    std::ifstream maps("/proc/self/maps");
    std::set<std::string> pfade;
    std::string zeile;
    while (std::getline(maps, zeile)) {
        const size_t anfang = zeile.find('/');
        if (anfang == std::string::npos) {
            continue;
        }
        const std::string pfad = zeile.substr(anfang);
        const size_t so = pfad.rfind(".so");
        // libfoo.so, libfoo.so.6, ld-linux-x86-64.so.2
        if (so != std::string::npos && (so + 3 == pfad.size() || pfad[so + 3] == '.')) {
            pfade.insert(pfad);
        }
    }
    return static_cast<int>(pfade.size());
}

inline void LeerlaufMelden()
{
    std::fprintf(stderr, "idle: %d shared libraries\n", GeladeneBibliotheken());
    std::fflush(stderr);
}
