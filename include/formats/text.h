// The small grammars every input file shares: blanks and trimming, runs of
// digits, CSV fields, ISO 8601 dates and times, and the lines of a file.
#pragma once

#include <cstddef>
#include <cstdio>
#include <cstring>
#include <memory>
#include <string>
#include <string_view>

namespace morvel::text {

// The blanks around tokens: space, tab and the line ends.
inline bool isSpace(char c) { return c == ' ' || c == '\t' || c == '\r' || c == '\n'; }

// `s` without the blanks at either end; true when nothing else is left.
std::string_view trim(std::string_view s);
inline bool blank(std::string_view s) { return trim(s).empty(); }

// The whole number written by exactly `n` digits at `p` of `s`; -1 when one
// of them is no digit or the text ends before them.
inline int digitsAt(std::string_view s, std::size_t p, int n) {
    if (p > s.size() || s.size() - p < static_cast<std::size_t>(n)) return -1;
    int v = 0;
    for (int k = 0; k < n; ++k) {
        const char c = s[p + k];
        if (c < '0' || c > '9') return -1;
        v = v * 10 + (c - '0');
    }
    return v;
}

// ---- CSV ----------------------------------------------------------------------
// A field is the text between commas. One that starts with a double quote
// (blanks before it allowed) runs to the quote that closes it, commas
// included, and "" inside it is one quote; text between that quote and the
// next comma is dropped.

// The fields of one line, one at a time.
class csvFields {
public:
    explicit csvFields(std::string_view line) : line_(line) {}
    // The next field into `field`: a view of the line, or for a quoted field
    // its text unquoted (a view of this object's storage, valid until the
    // next call; at most 255 characters are kept). False after the last.
    bool next(std::string_view& field);
    // The field given last was in quotes; its text as the line has it
    // (inside the quotes, a doubled quote as written).
    bool quoted() const { return quoted_; }
    std::string_view raw() const { return raw_; }

private:
    std::string_view line_;
    std::size_t at_ = 0;
    bool done_ = false;
    bool quoted_ = false;
    std::string_view raw_;
    char unquoted_[256];
};

// The fields numbered `columns[0] < columns[1] < ...` (`count` of them, from
// 0) of a line of a table whose head has `fields` fields, untrimmed (a
// quoted one as its raw text), into `out`; false when the line is too short
// for one. A line without quotes is
// walked from its start to the columns of the head's first half and from
// its end to the others, so that the fields between are never looked at.
bool csvColumns(std::string_view line, int fields, const int* columns, int count,
                std::string_view* out);

// `value` as one CSV field: in double quotes, its quotes doubled, when it
// holds a comma, a quote or a line end; as it is otherwise.
std::string csvQuoted(std::string_view value);

// ---- ISO 8601 dates and times ---------------------------------------------------

// The parts of YYYY-MM-DD or YYYY-DDD (day of the year), then optionally
// Thh:mm, :ss and a fraction of the second, then optionally a zone mark Z.
struct isoTime {
    int year = 0;
    int month = 0;      // 0 in the day-of-year form
    int day = 0;        // of the month
    int dayOfYear = 0;  // from 1, in both forms
    bool hasTime = false;
    bool hasSeconds = false;
    int hour = 0, minute = 0, second = 0;
    long long fraction = 0;  // the fraction's first 8 digits as a whole number of 10^-places s
    long long scale = 1;     // 10^places
    char zone = 0;           // 'Z' or 'z' when given
    int dayNumber = 0;       // Julian Day Number of the date
};

// `s` read as such a time, the date checked with std::chrono (the
// proleptic Gregorian calendar of ISO 8601) and the time of day with hours
// below 24 and minutes and seconds below 60. False for any other text.
bool parseIsoTime(std::string_view s, isoTime& t);

// The parts of the date YYYY-MM-DD standing at the start of `s`, by their
// digits alone (the calendar is not asked); false when `s` does not start so.
inline bool isoDateParts(std::string_view s, int& year, int& month, int& day) {
    year = digitsAt(s, 0, 4);
    month = digitsAt(s, 5, 2);
    day = digitsAt(s, 8, 2);
    return year >= 0 && month >= 0 && day >= 0 && s[4] == '-' && s[7] == '-';
}

// Julian Day Number of a Gregorian date; 0 when it is no date.
int civilDayNumber(int year, int month, int day);

// Days of a month (1..12) of the Gregorian calendar.
int daysInMonth(int year, int month);

// ---- Lines ----------------------------------------------------------------------

// The lines of a file or of a text in memory, each without its line end
// (a line feed, and a carriage return before it). A NUL byte is a byte of
// the line; readers of C text cut the line there.
class lineSource {
public:
    // What becomes of a line longer than the longest kept.
    enum class longLines {
        pieces,   // it comes in pieces of the longest, the last with the line end
        skipped,  // its first characters come, marked tooLong, the rest is skipped
    };

    // The whole of `text`; a UTF-8 byte-order mark before the first line
    // dropped.
    explicit lineSource(std::string_view text);
    // The rest of `fp`, read ahead in blocks: lines of any length, or when
    // `longest` is not 0 at most that many characters of a line (skipped);
    // the byte-order mark dropped.
    explicit lineSource(std::FILE* fp, std::size_t longest = 0);
    // The lines of `fp` read one at a time, nothing after a line taken from
    // the stream, so that the caller may go on reading it: at most 127
    // bytes, the line end included, at once (a longer line comes in pieces),
    // a NUL byte ending the text, no mark dropped, and a carriage return
    // dropped only before the line feed. The line feed of a line that had
    // one stands right after its text (text().data()[text().size()]).
    static lineSource unbuffered(std::FILE* fp);

    lineSource(const lineSource&) = delete;
    lineSource& operator=(const lineSource&) = delete;

    // The next line; false at the end or on a read error.
    bool next() {
        // A whole line in what is held: the common case, inline.
        if (source_ != source::unbuffered && !rest_.empty()) {
            const void* nl = std::memchr(rest_.data(), '\n', rest_.size());
            if (nl != nullptr) {
                const std::size_t k = static_cast<std::size_t>(static_cast<const char*>(nl) - rest_.data());
                take(rest_.substr(0, k), true);
                rest_.remove_prefix(k + 1);
                return true;
            }
        }
        return source_ == source::unbuffered ? nextPiece() : nextInBlocks();
    }
    std::string_view text() const { return text_; }
    long number() const { return number_; }
    bool ended() const { return ended_; }      // the line had its line end
    bool tooLong() const { return tooLong_; }  // longer than the longest kept
    bool failed() const { return failed_; }    // the stream could not be read

    // Characters an unbuffered line holds at most, its line end included.
    static constexpr std::size_t pieceSize = 127;

private:
    enum class source { memory, blocks, unbuffered };
    lineSource(std::FILE* fp, source s, std::size_t longest);
    bool nextPiece();
    bool nextInBlocks();
    void take(std::string_view line, bool ended) {
        ++number_;
        ended_ = ended;
        tooLong_ = longest_ != 0 && line.size() > longest_;
        if (tooLong_) line = line.substr(0, longest_);
        if (!line.empty() && line.back() == '\r') line.remove_suffix(1);
        if (number_ == 1 && line.size() >= 3 && line.substr(0, 3) == "\xEF\xBB\xBF") line.remove_prefix(3);
        text_ = line;
    }

    source source_;
    std::FILE* fp_ = nullptr;
    std::size_t longest_ = 0;
    std::string_view rest_;  // memory and blocks: what is not yet handed out
    std::unique_ptr<char[]> buf_;  // blocks: the block read
    std::size_t bufSize_ = 0;
    bool eof_ = false;
    char piece_[pieceSize + 1];
    std::string_view text_;
    long number_ = 0;
    bool ended_ = true;
    bool tooLong_ = false;
    bool failed_ = false;
};

// One piece of the stream, inline: the TLE reader takes every line so.
inline bool lineSource::nextPiece() {
    // fgets ends what it read with a NUL: in the last byte only when it
    // filled the buffer.
    constexpr std::size_t last = sizeof piece_ - 1;
    piece_[last] = 'x';
    if (std::fgets(piece_, sizeof piece_, fp_) == nullptr) {
        failed_ = std::ferror(fp_) != 0;
        return false;
    }
    if (piece_[last] == '\0' && piece_[last - 1] == '\r') {
        // A full piece that ends in a carriage return: with the line feed
        // that follows it, the pair is the line end, and the piece is whole.
        const int next = std::getc(fp_);
        if (next == '\n') {
            piece_[last - 1] = '\n';
        } else if (next != EOF) {
            std::ungetc(next, fp_);
        }
    }
    std::size_t n = std::strlen(piece_);
    ended_ = n > 0 && piece_[n - 1] == '\n';
    if (ended_) --n;
    if (ended_ && n > 0 && piece_[n - 1] == '\r') piece_[--n] = '\n';
    text_ = std::string_view(piece_, n);
    ++number_;
    return true;
}

}  // namespace morvel::text
