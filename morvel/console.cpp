// Console replies, the final prompt and the one place where the run ends.
#include <cstdio>
#include <cstdlib>
#include <string>

#include "driver.h"
#include "numtext.h"

namespace morvel {

namespace {

// Discards the character after the last reply (its line end), then waits for
// a line end; returns at once at the end of the input.
void complete() {
    std::printf("Press <Enter> to complete: ");
    std::fflush(stdout);
    if (std::getchar() == EOF) return;
    int c;
    do {
        c = std::getchar();
    } while (c != EOF && c != '\n');
}

}  // namespace

[[noreturn]] void finish(bool prompt) {
    if (prompt) complete();
    std::fflush(stdout);
    std::exit(0);
}

bool readWord(std::string& word) {
    std::fflush(stdout);
    word.clear();
    int c;
    do {
        c = std::getchar();
    } while (c != EOF && isBlank(c));
    if (c == EOF) return false;
    // A NUL byte ends the text, as in a C string; the rest of the word is
    // read and dropped.
    bool ended = false;
    while (c != EOF && !isBlank(c)) {
        if (c == '\0') ended = true;
        if (!ended) word.push_back(static_cast<char>(c));
        c = std::getchar();
    }
    // The blank after the word is left for the next read (complete
    // discards the line end of the last reply).
    if (c != EOF) std::ungetc(c, stdin);
    return true;
}

void readNumber(double& value) {
    std::string word;
    if (readWord(word)) scanDecimal(word.c_str(), value);
}

std::string readName() {
    std::string word;
    readWord(word);
    checkName(word);
    return word;
}

void checkName(const std::string& name) {
    if (name.size() <= maxName) return;
    std::printf("Name too long (at most 79 characters): %s\n", name.c_str());
    finish(true);
}

}  // namespace morvel
