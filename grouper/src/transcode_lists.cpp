// The CCAM V0 lists built into the program (data/ccam/ccam_v0.txt), read once
// on first use, and the lookup of one act code in them.
#include <algorithm>
#include <string>
#include <string_view>
#include <unordered_map>
#include <unordered_set>
#include <vector>

#include "grouper/rhs.h"
#include "grouper/transcode_lists.h"

namespace grouper::data {
extern const char kCcamV0Text[];
}

namespace grouper {

namespace {

std::vector<std::string_view> words_of(std::string_view line) {
  std::vector<std::string_view> words;
  std::size_t i = 0;
  while (i < line.size()) {
    while (i < line.size() && (line[i] == ' ' || line[i] == '\t' || line[i] == '\r')) ++i;
    const std::size_t start = i;
    while (i < line.size() && line[i] != ' ' && line[i] != '\t' && line[i] != '\r') ++i;
    if (i > start) words.push_back(line.substr(start, i - start));
  }
  return words;
}

}  // namespace

CcamV0Lists parse_ccam_v0_lists(std::string_view text) {
  CcamV0Lists lists;
  std::size_t pos = 0;
  while (pos < text.size()) {
    std::size_t end = text.find('\n', pos);
    if (end == std::string_view::npos) end = text.size();
    const std::vector<std::string_view> w = words_of(text.substr(pos, end - pos));
    pos = end + 1;
    if (w.empty() || w[0].front() == '#') continue;
    if (w[0] == "deleted" && w.size() == 2) {
      lists.deleted.emplace_back(w[1]);
    } else if (w[0] == "v0" && w.size() == 3) {
      lists.v0.emplace_back(w[1]);
      lists.v0bis.emplace_back(w[2]);
    } else {
      lists.bad_lines.emplace_back(w[0]);
    }
  }
  return lists;
}

const CcamV0Lists& ccam_v0_lists() {
  static const CcamV0Lists lists = parse_ccam_v0_lists(data::kCcamV0Text);
  return lists;
}

namespace {

// The lists as hash lookups: the 7-character stems of the deleted codes, and
// for each V0 code the first line that names it (the one a scan would find).
struct CcamV0Index {
  std::unordered_set<std::string_view> deleted_stems;
  std::unordered_map<std::string_view, std::size_t> v0_first;
  explicit CcamV0Index(const CcamV0Lists& lists) {
    for (const std::string& d : lists.deleted)
      if (d.size() >= 7) deleted_stems.insert(std::string_view(d).substr(0, 7));
    for (std::size_t i = 0; i < lists.v0.size(); ++i) v0_first.emplace(lists.v0[i], i);
  }
};

const CcamV0Index& ccam_v0_index() {
  static const CcamV0Index index(ccam_v0_lists());
  return index;
}

}  // namespace

int lookup_ccam_v0(std::string_view code, std::array<char, 10>& replacement) {
  const CcamV0Lists& lists = ccam_v0_lists();
  const CcamV0Index& index = ccam_v0_index();
  replacement.fill(' ');
  replacement[9] = '\0';
  const std::string_view stem = code.substr(0, std::min<std::size_t>(code.size(), 7));
  if (stem.size() == 7 && index.deleted_stems.count(stem) != 0) return -1;
  if (code.size() >= 8) {
    const auto it = index.v0_first.find(code.substr(0, 8));
    if (it != index.v0_first.end()) {
      const std::string& bis = lists.v0bis[it->second];
      std::copy_n(bis.begin(), std::min<std::size_t>(bis.size(), 9), replacement.begin());
      return 1;
    }
  }
  std::copy_n(code.begin(), std::min<std::size_t>(code.size(), 9), replacement.begin());
  return 0;
}

}  // namespace grouper
