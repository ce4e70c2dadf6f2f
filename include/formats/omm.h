// Orbit Mean-Elements Messages (OMM, CCSDS 502.0): one message's keyword
// values mapped onto the element-set record, and the readers of its two
// line encodings, CSV and KVN. The structured encodings (JSON, XML) are
// parsed by libraries in elfile.cpp and feed the same record.
#pragma once

#include <cstdio>
#include <string_view>

#include "elinput.h"

namespace morvel {

namespace omm {

// The keywords the mapping uses. Every other keyword (CelesTrak's RMS and
// DATA_SOURCE, Space-Track's SEMIMAJOR_AXIS, PERIOD, TLE_LINE1 ...) is
// `other` and passed over.
enum class key {
    objectName,
    objectId,
    epoch,
    meanMotion,
    eccentricity,
    inclination,
    raOfAscNode,
    argOfPericenter,
    meanAnomaly,
    ephemerisType,
    classificationType,
    noradCatId,
    elementSetNo,
    revAtEpoch,
    bstar,
    meanMotionDot,
    meanMotionDdot,
    centerName,
    refFrame,
    timeSystem,
    meanElementTheory,
    other
};
inline constexpr int keyCount = static_cast<int>(key::other);

// The keyword of `name` (exact, upper case as the standard writes it).
key keyOf(std::string_view name);

// The keyword of a key, as written in the files.
const char* keyName(key k);

// True when `name` has the form of an OMM keyword: a capital letter, then
// capitals, digits and underscores.
bool isKeyword(std::string_view name);

// The blanks around OMM tokens: space, tab and the line ends.
inline bool isSpace(char c) { return c == ' ' || c == '\t' || c == '\r' || c == '\n'; }

// Catalogue numbers: up to nine digits.
inline constexpr long highestObjno = 999999999;

// Epoch of `text`, a CCSDS time (YYYY-MM-DDThh:mm:ss[.f...][Z] or the
// day-of-year form YYYY-DDDThh:mm:ss[.f...][Z]), to the day-number scale
// (cal.h). The day of the year and its fraction are one correctly rounded
// quotient of exact integers, as a TLE epoch's day field reads, so that the
// same instant gives the same double as the TLE reader. Fractions of a
// second beyond 8 digits are dropped. Only the years 1957 to 2056, which the
// TLE epoch can hold, are accepted. False when the text is not such a time.
bool epochOf(std::string_view text, double& epoch);

// The international designator of `text` in the form 1998-067A (one to
// three piece letters) as columns 10-17 of line 1 hold it, "98067A  "; an
// empty text gives eight blanks. False for another form.
bool designatorOf(std::string_view text, char (&objid)[9]);

// The message that a file ends inside a record at `line`.
void reportCut(long line);

// One message's values by keyword, as given, until they are converted into
// an element set. Fixed storage: nothing is allocated per record.
class record {
public:
    // Starts message number `number` of the file (from 1), at `line`.
    void begin(long number, long line);

    // The value of `k`, blanks around it dropped; an empty value counts as
    // absent (an empty OBJECT_ID is an analyst object's). A later value of
    // the same keyword replaces an earlier one. `set` keeps a view of the
    // caller's text, which must last until finish; `keep` copies it.
    void set(key k, std::string_view value);
    void keep(key k, std::string_view value);

    // The element set of the values given; a set the reader rejects has
    // if_valid 0 and its message printed on standard output: a keyword
    // missing or unreadable, a theory, frame, time system or centre other
    // than SGP4's, or (as for a TLE) a mean motion outside 0.01..17 rev/day.
    element finish();

    // Rejects the message for a fault found by the encoding's reader: one
    // console line naming the record, `what` and `problem`.
    void reject(const char* what, const char* problem) const;

private:
    static constexpr int valueSize =
        96;  // kept values longer are cut (and, but for names, unreadable)
    std::string_view value_[keyCount];  // data() null: absent
    bool cut_[keyCount];
    char text_[keyCount][valueSize];
    long number_ = 0;
    long line_ = 0;

    std::string_view value(key k) const { return value_[static_cast<int>(k)]; }
    bool given(key k) const { return value_[static_cast<int>(k)].data() != nullptr; }
    bool cut(key k) const { return cut_[static_cast<int>(k)]; }
};

// A line of a line encoding, its line end dropped. A line longer than the
// buffer is an unreadable line of its own.
class lineReader {
public:
    explicit lineReader(std::FILE* fp) : fp_(fp) {}
    // The next line into `text`; false at the end of the file.
    bool next();
    std::string_view text() const { return {buf_, static_cast<std::size_t>(len_)}; }
    long number() const { return line_; }
    bool ended() const { return ended_; }  // the line had its line end
    bool tooLong() const { return tooLong_; }

private:
    std::FILE* fp_;
    char buf_[8192];
    int len_ = 0;
    long line_ = 0;
    bool ended_ = true;
    bool tooLong_ = false;
};

// CSV: a header line of keywords in any order, then one record per line.
class csvReader {
public:
    explicit csvReader(std::FILE* fp);
    element next();

private:
    static constexpr int maxColumns = 128;
    lineReader lines_;
    key column_[maxColumns];
    int columns_ = 0;
    long records_ = 0;
    bool done_ = false;
    record rec_;
};

// KVN: "KEYWORD = value [unit]" lines; each message starts with
// CCSDS_OMM_VERS; COMMENT and blank lines are passed over.
class kvnReader {
public:
    explicit kvnReader(std::FILE* fp) : lines_(fp) {}
    element next();

private:
    lineReader lines_;
    long records_ = 0;
    bool pending_ = false;  // a CCSDS_OMM_VERS line read and not yet begun
    long pendingLine_ = 0;
    record rec_;
};

}  // namespace omm

}  // namespace morvel
