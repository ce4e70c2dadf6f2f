// Orbit Mean-Elements Messages (OMM, CCSDS 502.0): the one table of the
// keywords Morvel reads and writes, each with its place in CelesTrak's GP
// files and its element-set field, and one message's values by keyword until
// they become an element set. The readers of the four encodings (ommcsv,
// ommkvn, ommjson, ommxml) feed a record; writers take the same table.
#pragma once

#include <string_view>

#include "elinput.h"
#include "eloutput.h"
#include "formats/messages.h"

namespace morvel::omm {

// The keywords of the table. Every other keyword (CelesTrak's RMS and
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
    meanElementTheory,
    refFrame,
    timeSystem,
    centerName,
    other
};
inline constexpr int keyCount = static_cast<int>(key::other);

// How a keyword's value maps onto the element set.
enum class fieldKind {
    name,            // the title (OBJECT_NAME)
    designator,      // 1998-067A, columns 10-17 of line 1
    epoch,           // a CCSDS time, the set's epoch
    real,            // a decimal number, one double of the set
    whole,           // a whole number, one int of the set (none: read, checked, not kept)
    classification,  // one letter
    metadata,        // a fixed text: the only value this theory can use
};

// The blocks of a CCSDS message (KVN, XML) that hold the keywords.
enum class section { metadata, meanElements, tleParameters };

struct field {
    key k;
    std::string_view keyword;  // as the files write it
    int gpOrder;               // place in CelesTrak's GP files (CSV, JSON), from 1; 0: not there
    int messageOrder;          // place in a CCSDS message (KVN, XML), from 1
    section part;              // the block of the message that holds it
    fieldKind kind;
    double element::*real;  // kind real: the element's field
    int element::*whole;    // kind whole: the element's field, or null
    long lowest, highest;   // kind whole: the values read
    std::string_view only;  // the value of SGP4's elements: metadata read and written, a whole
                            // number without an element field written
};

// Catalogue numbers: up to nine digits.
inline constexpr long highestObjno = 999999999;
inline constexpr long intHighest = 2147483647;

// The table, in the order of `key`.
namespace blocks {
inline constexpr section meta = section::metadata, mean = section::meanElements, tle = section::tleParameters;
}
inline constexpr field fields[keyCount] = {
    {key::objectName, "OBJECT_NAME", 1, 1, blocks::meta, fieldKind::name, nullptr, nullptr, 0, 0, {}},
    {key::objectId, "OBJECT_ID", 2, 2, blocks::meta, fieldKind::designator, nullptr, nullptr, 0, 0, {}},
    {key::epoch, "EPOCH", 3, 7, blocks::mean, fieldKind::epoch, nullptr, nullptr, 0, 0, {}},
    {key::meanMotion, "MEAN_MOTION", 4, 8, blocks::mean, fieldKind::real, &element::n, nullptr, 0, 0, {}},
    {key::eccentricity, "ECCENTRICITY", 5, 9, blocks::mean, fieldKind::real, &element::ecc, nullptr, 0, 0, {}},
    {key::inclination, "INCLINATION", 6, 10, blocks::mean, fieldKind::real, &element::inc, nullptr, 0, 0, {}},
    {key::raOfAscNode, "RA_OF_ASC_NODE", 7, 11, blocks::mean, fieldKind::real, &element::ra, nullptr, 0, 0, {}},
    {key::argOfPericenter, "ARG_OF_PERICENTER", 8, 12, blocks::mean, fieldKind::real, &element::ap, nullptr, 0, 0, {}},
    {key::meanAnomaly, "MEAN_ANOMALY", 9, 13, blocks::mean, fieldKind::real, &element::m, nullptr, 0, 0, {}},
    {key::ephemerisType, "EPHEMERIS_TYPE", 10, 14, blocks::tle, fieldKind::whole, nullptr, nullptr, 0, 9, "0"},
    {key::classificationType, "CLASSIFICATION_TYPE", 11, 15, blocks::tle, fieldKind::classification, nullptr, nullptr, 0, 0, {}},
    {key::noradCatId, "NORAD_CAT_ID", 12, 16, blocks::tle, fieldKind::whole, nullptr, &element::objno, 0, highestObjno, {}},
    {key::elementSetNo, "ELEMENT_SET_NO", 13, 17, blocks::tle, fieldKind::whole, nullptr, &element::elno, -intHighest, intHighest, {}},
    {key::revAtEpoch, "REV_AT_EPOCH", 14, 18, blocks::tle, fieldKind::whole, nullptr, &element::revno, -intHighest, intHighest, {}},
    {key::bstar, "BSTAR", 15, 19, blocks::tle, fieldKind::real, &element::bstar, nullptr, 0, 0, {}},
    {key::meanMotionDot, "MEAN_MOTION_DOT", 16, 20, blocks::tle, fieldKind::real, &element::nrate, nullptr, 0, 0, {}},
    {key::meanMotionDdot, "MEAN_MOTION_DDOT", 17, 21, blocks::tle, fieldKind::real, &element::nrate2, nullptr, 0, 0, {}},
    {key::meanElementTheory, "MEAN_ELEMENT_THEORY", 0, 6, blocks::meta, fieldKind::metadata, nullptr, nullptr, 0, 0, "SGP4"},
    {key::refFrame, "REF_FRAME", 0, 4, blocks::meta, fieldKind::metadata, nullptr, nullptr, 0, 0, "TEME"},
    {key::timeSystem, "TIME_SYSTEM", 0, 5, blocks::meta, fieldKind::metadata, nullptr, nullptr, 0, 0, "UTC"},
    {key::centerName, "CENTER_NAME", 0, 3, blocks::meta, fieldKind::metadata, nullptr, nullptr, 0, 0, "EARTH"},
};

// The keys in the order of a CCSDS message (KVN, XML), and of CelesTrak's
// GP files (CSV, JSON), which hold the first `count` of the table's.
struct keyOrder {
    key at[keyCount];
    int count;
};
constexpr keyOrder orderBy(int field::*place) {
    keyOrder o{};
    for (int p = 1; p <= keyCount; ++p) {
        for (const field& f : fields) {
            if (f.*place == p) o.at[o.count++] = f.k;
        }
    }
    return o;
}
inline constexpr keyOrder inMessageOrder = orderBy(&field::messageOrder);
inline constexpr keyOrder inGpOrder = orderBy(&field::gpOrder);

// What the title line of a TLE carries and no OMM keyword holds: the apogee
// and perigee heights (km). The writers put them where OMM puts user data:
// USER_DEFINED_<parameter> in KVN and as CSV columns and JSON keys,
// <USER_DEFINED parameter="..."> in XML. The readers pass over them.
struct userField {
    std::string_view parameter;
    long titleHeights::*height;
};
inline constexpr std::string_view userPrefix = "USER_DEFINED_";
inline constexpr userField userFields[] = {{"APOGEE", &titleHeights::apogee},
                                           {"PERIGEE", &titleHeights::perigee}};
inline constexpr int userCount = sizeof userFields / sizeof userFields[0];

// One set's values as every encoding writes them before its own quoting:
// the name with each character outside printable ASCII as '?', the
// designator as 1998-067A (empty when columns 10-17 hold no such form), the
// epoch as isoUtcMicroseconds gives it, each real as the shortest text that
// reads back to the very double (std::to_chars), whole numbers in full, a
// classification that is no letter as U, and the fixed values of SGP4's
// elements; the heights as the title line writes them.
class texts {
public:
    // Takes the values of `el`: key::other, or the key of the first value no
    // text can give (a real or an epoch that is not a finite number, an
    // epoch past year 9999), which leaves the set unwritable.
    key fill(const element& el);
    std::string_view operator[](key k) const { return value_[static_cast<int>(k)]; }
    std::string_view user(int i) const { return user_[i]; }

private:
    static constexpr int textSize = 96;  // a name of 79 characters, a double's 24
    char text_[keyCount][textSize];
    std::string_view value_[keyCount];
    char userText_[userCount][24];
    std::string_view user_[userCount];
};

// The keyword of `name` (exact, upper case as the standard writes it).
key keyOf(std::string_view name);

// The keyword of a key, as written in the files ("?" for other).
const char* keyName(key k);

// True when `name` has the form of an OMM keyword: a capital letter, then
// capitals, digits and underscores.
bool isKeyword(std::string_view name);

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

// The message that file `file` ends inside a record at `line`.
void reportCut(messageSink& sink, std::string_view file, long line);
// The message that file `file` ends at `line` where only the close of its
// list of records is missing: every record was read.
void reportUnclosed(messageSink& sink, std::string_view file, long line);

// One message's values by keyword, as given, until they are converted into
// an element set. Fixed storage: nothing is allocated per record.
class record {
public:
    // Problems go to `sink`, naming the file `file`.
    record(messageSink& sink, std::string_view file) : sink_(sink), file_(file) {}

    // Starts message number `number` of the file (from 1), at `line`.
    void begin(long number, long line);

    // The value of `k`, blanks around it dropped; an empty value counts as
    // absent (an empty OBJECT_ID is an analyst object's). A later value of
    // the same keyword replaces an earlier one. `set` keeps a view of the
    // caller's text, which must last until finish; `keep` copies it.
    void set(key k, std::string_view value);
    void keep(key k, std::string_view value);

    // The element set of the values given; a set the reader rejects has
    // if_valid 0 and its message reported: a keyword missing or unreadable,
    // a theory, frame, time system or centre other than SGP4's, or (as for
    // a TLE) a mean motion outside 0.01..17 rev/day.
    element finish();

    // Rejects the message for a fault found by the encoding's reader: one
    // message naming the record, `what` and `problem`.
    void reject(std::string_view what, std::string_view problem) const;

    messageSink& sink() const { return sink_; }
    std::string_view file() const { return file_; }

private:
    static constexpr int valueSize =
        96;  // kept values longer are cut (and, but for names, unreadable)
    messageSink& sink_;
    std::string_view file_;
    std::string_view value_[keyCount];  // data() null: absent
    bool cut_[keyCount];
    char text_[keyCount][valueSize];
    long number_ = 0;
    long line_ = 0;

    std::string_view value(key k) const { return value_[static_cast<int>(k)]; }
    bool given(key k) const { return value_[static_cast<int>(k)].data() != nullptr; }
    bool cut(key k) const { return cut_[static_cast<int>(k)]; }
    bool readWhole(const field& f, long& v) const;
};

}  // namespace morvel::omm
