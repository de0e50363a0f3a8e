#pragma once
// RHS records: the six accepted formats, their field layouts, format
// detection, the version-1 shape, the date helpers shared by the whole
// grouper, and the CCAM V0 -> V0bis transcoding pass.
//
// Positions count from 0, widths are in bytes. Record content is bytes: no
// helper here decodes, trims or pads a record.
#include <array>
#include <cstddef>
#include <cstdint>
#include <string>
#include <string_view>

namespace pmsi {
class TextWriter;
}

namespace grouper {

struct FieldSpec {
  std::string_view name;
  std::size_t offset;
  std::size_t width;
  constexpr std::size_t end() const { return offset + width; }
};

// The bytes of a field that the record holds (fewer, or none, when short).
std::string_view field(std::string_view record, const FieldSpec& spec);

// ---------------------------------------------------------------------------
// Formats

struct FormatSpec {
  std::string_view code;      // at offset 9 of the line
  int version;                // 1 to 6
  int rhs_version;            // 1 to 3
  bool leading_grouping;      // 12 leading characters removed at detection
  std::size_t min_length;     // L: length of the fixed part (header removed)
  std::size_t act_width;      // M: width of one act code
};

// In the order detection compares them.
inline constexpr std::array<FormatSpec, 6> kFormats{{
    {"M01", 1, 1, false, 204, 4},
    {"M11", 2, 1, true, 204, 4},
    {"M02", 3, 2, false, 220, 4},
    {"M12", 4, 2, true, 220, 4},
    {"M03", 5, 3, false, 220, 8},
    {"M13", 6, 3, true, 220, 8},
}};

inline constexpr std::size_t kFormatCodeOffset = 9;
inline constexpr std::size_t kFormatCodeWidth = 3;
// Leading grouping: removed from the line at detection; its first 9
// characters are the line's read_grouping.
inline constexpr std::size_t kLeadingGroupingWidth = 12;
inline constexpr std::size_t kReadGroupingWidth = 9;
inline constexpr std::string_view kNoReadGrouping = "         ";  // 9 blanks

namespace leading {
inline constexpr FieldSpec read_classif_version{"read_classif_version", 0, 2};
inline constexpr FieldSpec read_cm{"read_cm", 2, 2};
inline constexpr FieldSpec read_ghj{"read_ghj", 4, 3};
inline constexpr FieldSpec read_return_code{"read_return_code", 7, 2};
inline constexpr FieldSpec format_code{"format_code", 9, 3};
inline constexpr std::array<FieldSpec, 5> kLayout{read_classif_version, read_cm, read_ghj,
                                                  read_return_code, format_code};
}  // namespace leading

// Version-1 record (header removed), also the shape the controls, the
// grouping and the RHA writer work on. Offsets 0 to 98 are the same in every
// version.
namespace v1 {
inline constexpr FieldSpec finess{"finess", 0, 9};
inline constexpr FieldSpec format_code{"format_code", 9, 3};
inline constexpr FieldSpec stay_number{"stay_number", 12, 7};
inline constexpr FieldSpec hosp_type{"hosp_type", 19, 1};
inline constexpr FieldSpec ipp{"ipp", 20, 20};
inline constexpr FieldSpec birth_date{"birth_date", 40, 8};
inline constexpr FieldSpec sex{"sex", 48, 1};
inline constexpr FieldSpec postal_code{"postal_code", 49, 5};
inline constexpr FieldSpec entry_date{"entry_date", 54, 8};
inline constexpr FieldSpec entry_mode{"entry_mode", 62, 1};
inline constexpr FieldSpec entry_origin{"entry_origin", 63, 1};
inline constexpr FieldSpec exit_date{"exit_date", 64, 8};
inline constexpr FieldSpec exit_mode{"exit_mode", 72, 1};
inline constexpr FieldSpec exit_destination{"exit_destination", 73, 1};
inline constexpr FieldSpec week{"week", 74, 6};
inline constexpr FieldSpec presence_days{"presence_days", 80, 7};
inline constexpr FieldSpec um{"um", 87, 4};
inline constexpr FieldSpec delay_date{"delay_date", 91, 8};
inline constexpr FieldSpec diag_1{"diag_1", 99, 6};
inline constexpr FieldSpec diag_2{"diag_2", 105, 6};
inline constexpr FieldSpec diag_3{"diag_3", 111, 6};
inline constexpr FieldSpec diag_assoc{"diag_assoc", 117, 30};  // five of 6
inline constexpr FieldSpec scores{"scores", 147, 6};
inline constexpr FieldSpec flag_153{"flag_153", 153, 1};
inline constexpr FieldSpec durations{"durations", 154, 48};  // twelve of 4
inline constexpr FieldSpec act_count{"act_count", 202, 2};
inline constexpr std::size_t kDiagWidth = 6;
inline constexpr std::size_t kDiagCount = 8;  // diag_1..3 then five associated
inline constexpr std::size_t kActsOffset = 204;
inline constexpr std::size_t kLength = 204;
inline constexpr std::array<FieldSpec, 26> kLayout{
    finess,   format_code,   stay_number,   hosp_type, ipp,        birth_date,
    sex,      postal_code,   entry_date,    entry_mode, entry_origin, exit_date,
    exit_mode, exit_destination, week,      presence_days, um,     delay_date,
    diag_1,   diag_2,        diag_3,        diag_assoc, scores,     flag_153,
    durations, act_count};
}  // namespace v1

// Versions 2 and 3 (header removed): offsets 0 to 98 as v1; eight diagnoses
// of 8 characters padded with "+" or blanks; then what v1 holds at 147-203.
namespace v23 {
inline constexpr FieldSpec diagnoses{"diagnoses", 99, 64};  // eight of 8
inline constexpr FieldSpec scores{"scores", 163, 6};
inline constexpr FieldSpec flag_153{"flag_153", 169, 1};
inline constexpr FieldSpec durations{"durations", 170, 48};
inline constexpr FieldSpec act_count{"act_count", 218, 2};
inline constexpr std::size_t kDiagWidth = 8;
inline constexpr std::size_t kDiagCount = 8;
inline constexpr std::size_t kActsOffset = 220;
inline constexpr std::size_t kLength = 220;
inline constexpr std::array<FieldSpec, 5> kLayout{diagnoses, scores, flag_153, durations,
                                                  act_count};
}  // namespace v23

inline constexpr std::size_t kCdamActWidth = 4;  // versions 1 and 2
inline constexpr std::size_t kCcamActWidth = 8;  // version 3

// ---------------------------------------------------------------------------
// Format detection

enum DetectResult : std::int16_t { kAccepted = 0, kSizeIncompatible = 1, kUnknownFormat = 2 };

struct Detection {
  std::int16_t result = kAccepted;
  int version = 0;                   // 0 to 6 (0: unrecognised outer code)
  std::array<char, kReadGroupingWidth> read_grouping{};  // 9 blanks without grouping
  std::size_t min_length = 0;        // L of the line's format
  std::size_t act_width = 0;         // M of the line's format
  std::string_view read_grouping_view() const { return {read_grouping.data(), read_grouping.size()}; }
};

// Classifies one line (without its line end). Lines of an even version, and
// lines whose code at offset 9 is none of the six, lose their first 12
// characters (the leading grouping) in place. Never fails: the result says
// accepted, size incompatible or unknown format.
Detection detect_format(std::string& line);

// Version of a format code ("M01" -> 1 ... "M13" -> 6), 0 for any other.
int format_version(std::string_view code);

// The record in version-1 shape: a version-2/3 record's eight diagnoses are
// cut to 6 characters (trailing "+" among those 6 becoming blanks, from the
// 6th back to the 3rd) and packed at 99, and bytes 147-162 are dropped. A
// record that is not of version 2/3 (own code neither "M02" nor "M03") is
// copied as it stands. `out` holds the whole converted record.
void to_version1_shape(std::string_view record, std::string& out);

// ---------------------------------------------------------------------------
// Dates: DDMMYYYY texts, day, month and year read as C's atoi reads them
// (leading blanks, then digits).

struct Ymd {
  int year = 0, month = 0, day = 0;
};
Ymd parse_date(std::string_view ddmmyyyy);

// Month 1-12 and day within the month (Gregorian leap years).
bool is_valid_date(std::string_view ddmmyyyy);
bool is_valid_date(const Ymd& d);

// Serial day count (differences only are meaningful). Defined for any
// numbers, valid or not (no overflow for 4-digit fields).
long day_number(const Ymd& d);
long day_number(std::string_view ddmmyyyy);

// 0 Sunday ... 6 Saturday.
int day_of_week(const Ymd& d);

// year * 100 + ISO week of a date. A date before week 1 gets week 53 of the
// previous year (53 even when that year had 52 weeks).
long week_code(std::string_view ddmmyyyy);
long week_code(const Ymd& d);

// The Monday of week WW of year YYYY, from a WWYYYY text, as "%02d%02d%04d"
// (8 characters for years 1 to 9999; longer only for out-of-range fields).
std::string week_monday(std::string_view wwyyyy);

// Week code of a record's `week` field compared by the driver and the
// sequence checks: year (4 characters) then week (2 characters, a blank
// first digit read as "0"), read as a number the way atoi does.
long week_field_code(std::string_view wwyyyy);

// Week number of a `week` field: its 2 characters, a blank first one read
// as "0", read as atoi does.
int week_field_number(std::string_view wwyyyy);

// ---------------------------------------------------------------------------
// CCAM V0 -> V0bis transcoding

// -1 deleted code (replacement: 9 blanks), 1 V0 code (replacement: its V0bis
// code), 0 otherwise (replacement: the code itself). `code` is 8 characters;
// `replacement` receives 9 characters (NUL-terminated at [9]).
int lookup_ccam_v0(std::string_view code, std::array<char, 10>& replacement);

struct TranscodeCounts {
  long concerned = 0;   // M03 / M13 lines
  long treated = 0;     // acts of concerned lines
  long transcoded = 0;
  long deleted = 0;
};

// Copies input_path to output_path turning CCAM V0 act codes into V0bis
// codes, and writes the account of the pass to `log`. `aux_err_path` is the
// "transcod.err" file that the pass creates and leaves empty; failing to
// create it is printed on the console and the pass goes on. Failing to open
// the input or the output is written to the log and ends the pass. Returns
// the counts (for tests; the driver ignores them).
TranscodeCounts transcode_ccam(const std::string& input_path, const std::string& output_path,
                               pmsi::TextWriter& log, const std::string& aux_err_path);

}  // namespace grouper
