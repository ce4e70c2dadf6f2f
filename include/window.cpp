#include "window.h"

#include <cstring>

namespace morvel {

namespace {

// The tables that morvel-validate writes (make validate): one row of
// windowBins cells per kind, in the order of objectKind, for each way.
#include "windowtable.inc"

bool startsWith(const char* s, const char* prefix) { return std::strncmp(s, prefix, std::strlen(prefix)) == 0; }

// Whether `word` stands in `name` as a word of its own (blanks, brackets or
// the ends around it): "DEB" in "FENGYUN 1C DEB", not in "DEBUT".
bool hasWord(const char* name, const char* word) {
    const std::size_t n = std::strlen(word);
    for (const char* p = std::strstr(name, word); p != nullptr; p = std::strstr(p + 1, word)) {
        const bool before = p == name || p[-1] == ' ' || p[-1] == '(' || p[-1] == '[';
        const char after = p[n];
        if (before && (after == '\0' || after == ' ' || after == ')' || after == ']')) return true;
    }
    return false;
}

}  // namespace

objectKind kindOf(const char* name) {
    while (*name == ' ') ++name;
    if (hasWord(name, "R/B")) return objectKind::rocketBody;
    if (hasWord(name, "DEB")) return objectKind::debris;
    if (startsWith(name, "STARLINK")) return objectKind::starlink;
    if (startsWith(name, "ONEWEB")) return objectKind::oneweb;
    return objectKind::satellite;
}

const char* kindName(objectKind k) {
    switch (k) {
        case objectKind::rocketBody: return "rocket body";
        case objectKind::debris: return "debris";
        case objectKind::starlink: return "Starlink";
        case objectKind::oneweb: return "OneWeb";
        case objectKind::satellite: break;
    }
    return "satellite";
}

int windowBin(double remaining) {
    int i = 0;
    while (i < windowBins - 1 && !(remaining < windowBinEdges[i])) ++i;
    return i;
}

windowCell windowFor(objectKind k, double remaining, windowWay way) {
    const auto& cells = way == windowWay::fitted ? fittedWindowCells : windowCells;
    return cells[static_cast<int>(k)][windowBin(remaining)];
}

decayWindow windowOf(objectKind k, double epoch, double remaining, windowWay way) {
    const windowCell c = windowFor(k, remaining, way);
    return {epoch + remaining * (1 + c.lower), epoch + remaining * (1 + c.upper)};
}

}  // namespace morvel
