// The CCAM V0 lists built into the program (data/ccam/ccam_v0.txt), read once
// on first use, and the lookup of one act code in them.
#include <algorithm>
#include <string>
#include <string_view>
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

int lookup_ccam_v0(std::string_view code, std::array<char, 10>& replacement) {
  const CcamV0Lists& lists = ccam_v0_lists();
  replacement.fill(' ');
  replacement[9] = '\0';
  const std::string_view stem = code.substr(0, std::min<std::size_t>(code.size(), 7));
  for (const std::string& d : lists.deleted) {
    if (stem.size() == 7 && std::string_view(d).substr(0, 7) == stem) return -1;
  }
  for (std::size_t i = 0; i < lists.v0.size(); ++i) {
    if (code.size() >= 8 && lists.v0[i] == code.substr(0, 8)) {
      std::copy_n(lists.v0bis[i].begin(), std::min<std::size_t>(lists.v0bis[i].size(), 9),
                  replacement.begin());
      return 1;
    }
  }
  std::copy_n(code.begin(), std::min<std::size_t>(code.size(), 9), replacement.begin());
  return 0;
}

}  // namespace grouper
