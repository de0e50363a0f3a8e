#include "merge.h"

#include <algorithm>
#include <cstring>
#include <memory>

#include "sortsol/sortsol.h"

namespace sortsol {

std::optional<SortError> merge_runs(const std::vector<std::string>& runs, RecordSource* last, OutputFile& out,
                                    const KeyLayout& layout, DuplicateFilter filter, std::size_t buffer_size,
                                    std::int64_t& removed) {
  const std::size_t width = layout.width();
  struct Source {
    std::unique_ptr<RecordReader> file;
    RecordSource* reader;
    std::string_view record;
    std::vector<unsigned char> key;
  };
  std::vector<Source> sources;
  sources.reserve(runs.size());
  std::vector<std::size_t> heap;
  auto unreadable = [&](std::size_t i) {
    return make_error(SSI_ERR_OUTPUT, "Impossible de relire le fichier temporaire : ", i < runs.size() ? runs[i] : "");
  };
  auto advance = [&](Source& s) {
    if (!s.reader->next(s.record)) return false;
    layout.encode(s.record, s.key.data());
    return true;
  };
  // Min-heap on (key, run): a greater-than comparator for the std heap.
  auto after = [&](std::size_t a, std::size_t b) {
    int c = std::memcmp(sources[a].key.data(), sources[b].key.data(), width);
    return c != 0 ? c > 0 : a > b;
  };
  for (std::size_t i = 0; i < runs.size(); ++i) {
    auto file = std::make_unique<RecordReader>(buffer_size);
    if (!file->open(runs[i])) return unreadable(i);
    RecordSource* reader = file.get();
    sources.push_back(Source{std::move(file), reader, {}, std::vector<unsigned char>(width)});
  }
  if (last) sources.push_back(Source{nullptr, last, {}, std::vector<unsigned char>(width)});
  for (std::size_t i = 0; i < sources.size(); ++i) {
    if (advance(sources[i]))
      heap.push_back(i);
    else if (sources[i].reader->failed())
      return unreadable(i);
  }
  std::make_heap(heap.begin(), heap.end(), after);

  std::vector<unsigned char> last_key(width);
  bool have_last = false;
  DuplicateGroup group;
  while (!heap.empty()) {
    std::pop_heap(heap.begin(), heap.end(), after);
    const std::size_t i = heap.back();
    Source& s = sources[i];
    const bool same = have_last && std::memcmp(last_key.data(), s.key.data(), width) == 0;
    bool drop = false;
    if (filter == DuplicateFilter::keys) {
      drop = same;
    } else if (filter == DuplicateFilter::record) {
      if (!same) group.reset();
      drop = group.seen_before(s.record);
    }
    if (drop)
      ++removed;
    else
      out.put_record(s.record);
    if (!same) {
      std::memcpy(last_key.data(), s.key.data(), width);
      have_last = true;
    }
    if (out.failed()) return std::nullopt;  // the caller reports it at close
    if (advance(s))
      std::push_heap(heap.begin(), heap.end(), after);
    else if (s.reader->failed())
      return unreadable(i);
    else
      heap.pop_back();
  }
  return std::nullopt;
}

}  // namespace sortsol
