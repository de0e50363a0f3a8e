#pragma once
// Record layouts of the chaining files: one table per record family, shared by
// etape1, etape2, the sample-data generator and the tests. Positions count
// from 0; widths are in characters (bytes).
#include <cstddef>
#include <string>
#include <string_view>

#include "common/fields.h"

namespace chaining {

struct Field {
  std::size_t offset;
  std::size_t width;
};

inline std::string_view field(std::string_view record, Field f) {
  return pmsi::field(record, f.offset, f.width);
}

// ANO-HOSP: anonymous number per administrative stay number, 45 characters.
namespace ano_hosp {
inline constexpr Field integrity_key{0, 4};  // key of the record from keyed_from to its end
inline constexpr Field ano_code{4, 4};
inline constexpr Field anonymous_number{8, 17};
inline constexpr Field admin_number{25, 20};  // the merge key
inline constexpr std::size_t keyed_from = 4;
inline constexpr std::size_t length = 45;
// A record that carries no link (its VID-HOSP record was faulty upstream).
inline constexpr std::string_view special_record = "00009999XXXXXXXXXXXXXXXXXXXXXXXXXXXXXXXXXXXXX";
}  // namespace ano_hosp

// HOSP-PMSI: administrative number per SSR stay number; also the grouper's
// link file hospmsi.$$$ ("%7.7s%20.20s").
namespace hosp_pmsi {
inline constexpr Field stay_number{0, 7};
inline constexpr Field admin_number{7, 20};  // the merge key
inline constexpr std::size_t length = 27;    // every line is brought to this length
}  // namespace hosp_pmsi

// ANO-PMSI: written by etape1, read by etape2, 29 characters.
namespace ano_pmsi {
inline constexpr Field ano_code{0, 4};
inline constexpr Field link_status{4, 1};
inline constexpr Field anonymous_number{5, 17};
inline constexpr Field stay_number{22, 7};  // the merge key of etape2
inline constexpr Field key_block_head{0, 5};  // ano_code and link status
inline constexpr std::size_t length = 29;
}  // namespace ano_pmsi

// SRHA line with its chaining prefix (srhab.$$$), as far as etape2 reads it.
namespace srha {
inline constexpr Field stay_number{0, 7};   // chaining prefix: the merge key
inline constexpr Field first_monday{7, 8};  // DDMMYYYY of the stay's first Monday
inline constexpr Field month_year{9, 6};    // MMYYYY of that Monday
inline constexpr Field year{11, 4};
inline constexpr Field finess{21, 9};
inline constexpr Field stay_ordinal{36, 7};
inline constexpr std::size_t chaining_prefix_length = 21;
}  // namespace srha

// Link status of an ANO-PMSI line.
inline constexpr char kLinkSound = '0';     // linked, ANO-HOSP key sound
inline constexpr char kLinkNoAnoHosp = '1'; // no ANO-HOSP record for the number
inline constexpr char kLinkWrongKey = '2';  // linked, ANO-HOSP key wrong

// Compares two merge keys of `width` characters as the programs always have:
// byte order, a missing character counting as NUL, and equal once both reach
// a NUL.
int compare_key(std::string_view a, std::string_view b, std::size_t width);

// NUL-terminated copy of a field for the "%W.Ws" formats (a field stops at
// its first NUL, as a C string would).
struct FieldText {
  char text[32];
  const char* c_str() const { return text; }
};
FieldText field_text(std::string_view record, Field f);

// Appends what "%W.Ws" prints of a field: its bytes up to the first NUL, at
// most width of them, right-aligned on width with blanks. The record lines
// written per record are built this way (the "%W.Ws" formats are kept beside
// each use and a test holds the two equal).
void append_padded(std::string& out, std::string_view f, std::size_t width);

}  // namespace chaining
