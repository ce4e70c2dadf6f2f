#include "formats/text.h"

#include <algorithm>
#include <chrono>
#include <cstring>

namespace morvel::text {

std::string_view trim(std::string_view s) {
    while (!s.empty() && isSpace(s.front())) s.remove_prefix(1);
    while (!s.empty() && isSpace(s.back())) s.remove_suffix(1);
    return s;
}

// ---- CSV ----------------------------------------------------------------------

bool csvFields::next(std::string_view& field) {
    if (done_) return false;
    std::size_t p = at_;
    std::size_t q = p;
    while (q < line_.size() && (line_[q] == ' ' || line_[q] == '\t')) ++q;
    quoted_ = q < line_.size() && line_[q] == '"';
    std::size_t end = p;
    if (quoted_) {
        std::size_t n = 0;
        std::size_t k = q + 1;
        for (; k < line_.size(); ++k) {
            if (line_[k] == '"') {
                if (k + 1 < line_.size() && line_[k + 1] == '"') {
                    ++k;
                } else {
                    break;
                }
            }
            if (n < sizeof unquoted_) unquoted_[n++] = line_[k];
        }
        field = std::string_view(unquoted_, n);
        raw_ = line_.substr(q + 1, k - q - 1);
        end = k;
    } else {
        end = p;
    }
    const std::size_t comma = line_.find(',', end);
    if (!quoted_) {
        field = line_.substr(p, comma == std::string_view::npos ? std::string_view::npos : comma - p);
        raw_ = field;
    }
    done_ = comma == std::string_view::npos;
    at_ = done_ ? line_.size() : comma + 1;
    return true;
}

bool csvColumns(std::string_view line, int fields, const int* columns, int count,
                std::string_view* out) {
    const char* const lineStart = line.data();
    const char* const lineEnd = lineStart + line.size();
    // The next comma from `p` on, or the line's end.
    auto nextComma = [&](const char* p) {
        const void* c = std::memchr(p, ',', static_cast<std::size_t>(lineEnd - p));
        return c != nullptr ? static_cast<const char*>(c) : lineEnd;
    };
    const char* const firstComma = nextComma(lineStart);
    const char* b = lineStart;
    int at = 0;  // the field that starts at b
    int c = 0;
    for (; c < count && columns[c] < fields / 2; ++c) {
        for (; at < columns[c]; ++at) {
            b = nextComma(b);
            if (b == lineEnd) return false;
            ++b;
        }
        const char* e = b == lineStart ? firstComma : nextComma(b);
        out[c] = std::string_view(b, static_cast<std::size_t>(e - b));
    }
    // The start of the field that ends at `e`: after the comma before it, or
    // the line's start. While the first comma lies before `e` it stops the
    // walk, and no byte needs a second test.
    auto fieldStart = [&](const char* e) {
        if (firstComma < e) {
            while (e[-1] != ',') --e;
        } else {
            while (e != lineStart && e[-1] != ',') --e;
        }
        return e;
    };
    const char* e = lineEnd;
    at = fields - 1;  // the field that ends at e
    for (int n = count - 1; n >= c; --n) {
        const int k = columns[n];
        for (; at > k; --at) {
            e = fieldStart(e);
            if (e == lineStart) return false;
            --e;
        }
        const char* f = fieldStart(e);
        out[n] = std::string_view(f, static_cast<std::size_t>(e - f));
        // On from this field's start: the field before ends at its comma
        // (at the line's start there is none, and a further walk fails).
        e = f == lineStart ? f : f - 1;
        at = f == lineStart ? k : k - 1;
    }
    return true;
}

std::string csvQuoted(std::string_view value) {
    if (value.find_first_of(",\"\r\n") == std::string_view::npos) return std::string(value);
    std::string out = "\"";
    for (char c : value) {
        if (c == '"') out += '"';
        out += c;
    }
    return out + "\"";
}

// ---- ISO 8601 dates and times ---------------------------------------------------

namespace {

constexpr int jdnOf1970 = 2440588;    // Julian Day Number of 1970 January 1
constexpr int maxFractionDigits = 8;  // 10 ns

int dayNumberOf(std::chrono::sys_days d) {
    return static_cast<int>(d.time_since_epoch().count()) + jdnOf1970;
}

}  // namespace

int daysInMonth(int year, int month) {
    using namespace std::chrono;
    const year_month_day_last last{std::chrono::year{year} / std::chrono::month{static_cast<unsigned>(month)} / std::chrono::last};
    return static_cast<int>(static_cast<unsigned>(last.day()));
}

int civilDayNumber(int year, int month, int day) {
    using namespace std::chrono;
    if (month < 1 || month > 12 || day < 1 || day > 31) return 0;
    const year_month_day ymd{std::chrono::year{year}, std::chrono::month{static_cast<unsigned>(month)},
                             std::chrono::day{static_cast<unsigned>(day)}};
    return ymd.ok() ? dayNumberOf(sys_days{ymd}) : 0;
}

bool parseIsoTime(std::string_view s, isoTime& t) {
    using namespace std::chrono;
    t = isoTime{};
    if (!s.empty() && (s.back() == 'Z' || s.back() == 'z')) {
        t.zone = s.back();
        s.remove_suffix(1);
    }
    t.year = digitsAt(s, 0, 4);
    if (t.year < 0 || s.size() < 5 || s[4] != '-') return false;
    const std::chrono::year y{t.year};
    std::size_t p = 0;
    if (s.size() > 7 && s[7] == '-') {
        if (!isoDateParts(s, t.year, t.month, t.day)) return false;
        t.dayNumber = civilDayNumber(t.year, t.month, t.day);
        if (t.dayNumber == 0) return false;
        t.dayOfYear = t.dayNumber - dayNumberOf(sys_days{y / January / 1}) + 1;
        p = 10;
    } else {
        t.dayOfYear = digitsAt(s, 5, 3);
        if (t.dayOfYear < 1 || t.dayOfYear > (y.is_leap() ? 366 : 365)) return false;
        t.dayNumber = dayNumberOf(sys_days{y / January / 1}) + t.dayOfYear - 1;
        p = 8;
    }
    if (p == s.size()) return true;
    t.hasTime = true;
    t.hour = digitsAt(s, p + 1, 2);
    if (s[p] != 'T' || t.hour < 0 || s.size() < p + 6 || s[p + 3] != ':') return false;
    t.minute = digitsAt(s, p + 4, 2);
    if (t.minute < 0) return false;
    p += 6;
    // Seconds may be left out (hh:mm).
    if (p < s.size()) {
        t.second = digitsAt(s, p + 1, 2);
        if (s[p] != ':' || t.second < 0) return false;
        t.hasSeconds = true;
        p += 3;
    }
    if (t.hour > 23 || t.minute > 59 || t.second > 59) return false;
    // The fraction of the second as a whole number of 10^-places seconds.
    if (p < s.size()) {
        if (s[p] != '.' || p + 1 == s.size()) return false;
        for (std::size_t k = p + 1; k < s.size(); ++k) {
            if (s[k] < '0' || s[k] > '9') return false;
            if (k - p <= maxFractionDigits) {
                t.fraction = t.fraction * 10 + (s[k] - '0');
                t.scale *= 10;
            }
        }
    }
    return true;
}

// ---- Lines ----------------------------------------------------------------------

namespace {
constexpr std::size_t blockSize = 1 << 16;  // bytes read from a stream at a time, at least
}  // namespace

lineSource::lineSource(std::string_view text) : source_(source::memory), rest_(text), eof_(true) {}

lineSource::lineSource(std::FILE* fp, std::size_t longest) : lineSource(fp, source::blocks, longest) {}

lineSource::lineSource(std::FILE* fp, source s, std::size_t longest) : source_(s), fp_(fp), longest_(longest) {}

lineSource lineSource::unbuffered(std::FILE* fp) { return lineSource(fp, source::unbuffered, pieceSize); }

bool lineSource::nextInBlocks() {
    std::size_t kept = 0;  // a line too long: its first `longest_` characters, at the buffer's start
    for (;;) {
        // Nothing held at the start: no text to search (memchr takes no null).
        const void* nl = rest_.empty() ? nullptr : std::memchr(rest_.data(), '\n', rest_.size());
        if (kept == 0 && nl != nullptr) {
            const std::size_t k = static_cast<std::size_t>(static_cast<const char*>(nl) - rest_.data());
            take(rest_.substr(0, k), true);
            rest_.remove_prefix(k + 1);
            return true;
        }
        if (kept != 0 && (nl != nullptr || eof_)) {
            // The rest of the line too long is dropped.
            rest_.remove_prefix(nl != nullptr ? static_cast<std::size_t>(static_cast<const char*>(nl) - rest_.data()) + 1
                                              : rest_.size());
            take(std::string_view(buf_.get(), kept + 1), nl != nullptr);
            return true;
        }
        if (eof_) {
            if (rest_.empty()) return false;
            take(rest_, false);
            rest_ = {};
            return true;
        }
        if (kept == 0 && longest_ != 0 && rest_.size() > longest_) {
            // The first characters of the line stay; the rest is read past.
            std::memmove(buf_.get(), rest_.data(), longest_ + 1);
            kept = longest_;
            rest_ = {};
        }
        // More of the stream after what is kept: the start of an unfinished
        // line, or the head of a line too long.
        const std::size_t hold = kept != 0 ? kept + 1 : rest_.size();
        if (kept == 0 && hold > 0) std::memmove(buf_.get(), rest_.data(), hold);
        // The buffer grows only for a line longer than itself.
        if (bufSize_ == 0 || hold == bufSize_) {
            const std::size_t size = std::max(2 * bufSize_, blockSize);
            std::unique_ptr<char[]> grown(new char[size]);
            if (hold > 0) std::memcpy(grown.get(), buf_.get(), hold);
            buf_ = std::move(grown);
            bufSize_ = size;
        }
        const std::size_t n = std::fread(buf_.get() + hold, 1, bufSize_ - hold, fp_);
        if (n == 0) {
            failed_ = std::ferror(fp_) != 0;
            eof_ = true;
            if (failed_) return false;
        }
        rest_ = std::string_view(buf_.get() + (kept != 0 ? hold : 0), (kept != 0 ? 0 : hold) + n);
    }
}

}  // namespace morvel::text
