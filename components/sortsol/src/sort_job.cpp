#include "sort_job.h"

#include <algorithm>
#include <chrono>
#include <cstdlib>
#include <cstring>
#include <limits>
#include <memory>
#include <new>
#include <vector>

#include "common/textfile.h"
#include "merge.h"
#include "sort_key.h"
#include "sortsol/sortsol.h"

#ifdef _WIN32
#include <sys/stat.h>
#include <sys/types.h>
#else
#include <sys/stat.h>
#endif

namespace sortsol {
namespace {

constexpr std::size_t kProbeBytes = 64 * 1024;
// Reads of the input stay small enough for the records to be still in the
// cache when they are split and their keys taken.
constexpr std::size_t kReadBytes = 256 << 10;
// Read buffer of each run merged with a chunk still in memory.
constexpr std::size_t kSmallReadBuffer = 256 * 1024;
constexpr std::size_t kMinTextBytes = 256;
constexpr std::size_t kMaxTextBytes = std::numeric_limits<std::uint32_t>::max();

// One record of the chunk in memory: its first 16 key bytes as two big-endian
// numbers (most comparisons end there; the rest of the key is taken again from
// the record when they tie), and where its bytes lie. Offsets grow in input
// order, so they break ties: the sort is stable.
struct Line {
  std::uint64_t k0, k1;
  std::uint32_t offset, length;
};

std::uint64_t load_be(const unsigned char* p) {
  std::uint64_t v = 0;
  for (int i = 0; i < 8; ++i) v = (v << 8) | p[i];
  return v;
}

enum class InputKind { file, directory, missing };

InputKind input_kind(std::FILE* f, std::uint64_t& size) {
#ifdef _WIN32
  struct _stat64 st;
  if (::_fstat64(::_fileno(f), &st) != 0) return InputKind::missing;
  if (st.st_mode & _S_IFDIR) return InputKind::directory;
#else
  struct stat st;
  if (::fstat(::fileno(f), &st) != 0) return InputKind::missing;
  if (S_ISDIR(st.st_mode)) return InputKind::directory;
#endif
  // A pipe or device has no size to plan by.
#ifdef _WIN32
  const bool regular = (st.st_mode & _S_IFREG) != 0;
#else
  const bool regular = S_ISREG(st.st_mode);
#endif
  size = regular ? static_cast<std::uint64_t>(st.st_size) : std::numeric_limits<std::uint64_t>::max();
  return InputKind::file;
}

class JobRunner {
 public:
  JobRunner(const SortJob& job, const SortOptions& options, JobFigures& figures, TempFiles& temps)
      : job_(job),
        options_(options),
        fig_(figures),
        temps_(temps),
        layout_(job.keys),
        width_(layout_.width()),
        per_line_(sizeof(Line)),
        scratch_(std::max<std::size_t>(width_, 16)),
        scratch_b_(scratch_.size()) {}

  // Sorts into a temporary file beside the output; its name goes to result.
  std::optional<SortError> run(std::string& result);

 private:
  std::optional<SortError> read_error() const {
    return make_error(SSI_ERR_INPUT, "Erreur de lecture du fichier d'entrée : ", job_.input);
  }
  void plan(std::uint64_t file_size, std::string_view probe);
  bool room_for_line();
  void add_record(std::size_t start, std::size_t length);
  // Compares the keys of two records whose first 16 key bytes are equal.
  int compare_tail(const Line& a, const Line& b) {
    if (width_ <= 16) return 0;
    layout_.encode(record(a), scratch_.data());
    layout_.encode(record(b), scratch_b_.data());
    return std::memcmp(scratch_.data() + 16, scratch_b_.data() + 16, width_ - 16);
  }
  bool equal_keys(const Line& a, const Line& b) { return a.k0 == b.k0 && a.k1 == b.k1 && compare_tail(a, b) == 0; }
  std::string_view record(const Line& l) const { return {text_.get() + l.offset, l.length}; }
  void sort_lines();
  std::optional<SortError> emit(bool final_output, std::string& result);
  std::optional<SortError> merge_with_chunk(std::string& result);
  std::optional<SortError> merge_group(const std::vector<std::string>& group, bool final_output, std::string& merged);
  std::optional<SortError> merge(std::string& result);
  friend class ChunkSource;
  // Each run read in a merge gets an equal share of the budget.
  std::size_t buffer_size() const {
    return std::max<std::size_t>(64 * 1024, data_budget_ / (options_.fan_in + 2));
  }
  std::size_t write_buffer_size() const { return std::min<std::size_t>(buffer_size(), 1 << 20); }

  const SortJob& job_;
  const SortOptions& options_;
  JobFigures& fig_;
  TempFiles& temps_;
  KeyLayout layout_;
  const std::size_t width_;
  const std::size_t per_line_;  // memory of a record beyond its bytes
  // The budget less what the program itself holds (code, libraries, stdio).
  const std::size_t data_budget_ = fig_.memory_budget - std::min<std::size_t>(fig_.memory_budget / 8, 5 << 20);
  std::size_t chunk_budget_ = 0;  // the budget less the buffers of a merge

  std::unique_ptr<char[]> text_;
  std::size_t text_capacity_ = 0;
  std::vector<Line> lines_;
  std::vector<unsigned char> scratch_, scratch_b_;
  DuplicateGroup group_;
  std::vector<std::string> runs_;
};

void JobRunner::plan(std::uint64_t file_size, std::string_view probe) {
  // The last chunk may stay in memory during the final merge, beside the
  // read buffers of the runs and the output buffer.
  const std::size_t reserve = std::min(data_budget_ / 8, options_.fan_in * kSmallReadBuffer + (3 << 20));
  const std::size_t budget = chunk_budget_ = data_budget_ - reserve;
  std::size_t lines_in_probe = static_cast<std::size_t>(std::count(probe.begin(), probe.end(), '\n'));
  std::size_t average = lines_in_probe ? probe.size() / lines_in_probe : std::max<std::size_t>(probe.size(), 64);
  average = std::max<std::size_t>(average, 1);
  std::size_t lines = budget / (average + per_line_);
  std::size_t text = budget > lines * per_line_ ? budget - lines * per_line_ : 0;
  if (file_size < text) {
    // The whole file fits: hold just that, with room for its records.
    text = static_cast<std::size_t>(file_size) + 1;
    lines = std::min(lines, text / average + text / average / 4 + 16);
  }
  text = std::clamp(text, std::max(kMinTextBytes, probe.size()), kMaxTextBytes);
  lines = std::max<std::size_t>(lines, 16);
  text_.reset(new char[text]);
  text_capacity_ = text;
  lines_.reserve(lines);
}

// Grows the record tables while the budget allows; false when the chunk is full.
bool JobRunner::room_for_line() {
  if (lines_.size() < lines_.capacity()) return true;
  if (lines_.size() >= std::numeric_limits<std::uint32_t>::max()) return false;
  std::size_t grown = lines_.capacity() + lines_.capacity() / 2 + 16;
  if (text_capacity_ + grown * per_line_ > chunk_budget_ && !lines_.empty()) return false;
  lines_.reserve(grown);
  return true;
}

void JobRunner::add_record(std::size_t start, std::size_t length) {
  std::string_view rec = strip_cr({text_.get() + start, length});
  layout_.encode(rec, scratch_.data());
  lines_.push_back(Line{load_be(scratch_.data()), load_be(scratch_.data() + 8), static_cast<std::uint32_t>(start),
                        static_cast<std::uint32_t>(rec.size())});
  ++fig_.records_read;
}

void JobRunner::sort_lines() {
  std::sort(lines_.begin(), lines_.end(), [this](const Line& a, const Line& b) {
    if (a.k0 != b.k0) return a.k0 < b.k0;
    if (a.k1 != b.k1) return a.k1 < b.k1;
    if (int c = compare_tail(a, b)) return c < 0;
    return a.offset < b.offset;
  });
  fig_.memory_used = std::max(fig_.memory_used, text_capacity_ + lines_.capacity() * per_line_);
}

std::optional<SortError> JobRunner::emit(bool final_output, std::string& result) {
  sort_lines();
  const std::string name = temps_.make();
  OutputFile out(options_.write, write_buffer_size());
  if (!out.open(name)) return out.error(name);
  const Line* previous = nullptr;
  for (const Line& l : lines_) {
    const bool same = previous && equal_keys(*previous, l);
    previous = &l;
    const std::string_view rec = record(l);
    if (job_.filter == DuplicateFilter::keys && same) {
      ++fig_.records_removed;
      continue;
    }
    if (job_.filter == DuplicateFilter::record) {
      if (!same) group_.reset();
      if (group_.seen_before(rec)) {
        ++fig_.records_removed;
        continue;
      }
    }
    out.put_record(rec);
    if (out.failed()) break;
  }
  if (!out.close()) return out.error(name);
  if (final_output) {
    result = name;
    fig_.output_bytes = out.bytes();
  } else {
    runs_.push_back(name);
    ++fig_.runs;
    fig_.temp_bytes += out.bytes();
  }
  lines_.clear();
  return std::nullopt;
}

// The sorted chunk in memory as the last source of a merge.
class ChunkSource : public RecordSource {
 public:
  explicit ChunkSource(const JobRunner& runner) : runner_(runner) {}
  bool next(std::string_view& record) override {
    if (next_ == runner_.lines_.size()) return false;
    record = runner_.record(runner_.lines_[next_++]);
    return true;
  }

 private:
  const JobRunner& runner_;
  std::size_t next_ = 0;
};

// The runs on disk and the last chunk, still in memory, straight into the
// output: the chunk is neither written nor read back.
std::optional<SortError> JobRunner::merge_with_chunk(std::string& result) {
  sort_lines();
  ChunkSource chunk(*this);
  const std::string name = temps_.make();
  OutputFile out(options_.write, write_buffer_size());
  if (!out.open(name)) return out.error(name);
  ++fig_.merge_passes;
  if (auto e = merge_runs(runs_, &chunk, out, layout_, job_.filter, kSmallReadBuffer, fig_.records_removed))
    return e;
  if (!out.close()) return out.error(name);
  for (const std::string& run : runs_) temps_.remove(run);
  runs_.clear();
  fig_.output_bytes = out.bytes();
  result = name;
  return std::nullopt;
}

std::optional<SortError> JobRunner::merge_group(const std::vector<std::string>& group, bool final_output,
                                         std::string& merged) {
  merged = temps_.make();
  OutputFile out(options_.write, write_buffer_size());
  if (!out.open(merged)) return out.error(merged);
  if (auto e = merge_runs(group, nullptr, out, layout_, job_.filter, buffer_size(), fig_.records_removed)) return e;
  if (!out.close()) return out.error(merged);
  for (const std::string& g : group) temps_.remove(g);
  (final_output ? fig_.output_bytes : fig_.temp_bytes) += out.bytes();
  return std::nullopt;
}

std::optional<SortError> JobRunner::merge(std::string& result) {
  // Free the chunk before the merge buffers take the budget.
  text_.reset();
  text_capacity_ = 0;
  lines_ = {};
  const std::size_t fan_in = std::max<std::size_t>(options_.fan_in, 2);
  while (runs_.size() > fan_in) {
    // Merge consecutive runs, so that the runs stay in input order, and no
    // more of them than needed to leave fan_in runs for the final merge.
    ++fig_.merge_passes;
    std::size_t excess = runs_.size() - fan_in;
    std::vector<std::string> next;
    std::size_t i = 0;
    while (excess > 0 && i < runs_.size()) {
      const std::size_t take = std::min({fan_in, excess + 1, runs_.size() - i});
      std::vector<std::string> group(runs_.begin() + static_cast<std::ptrdiff_t>(i),
                                     runs_.begin() + static_cast<std::ptrdiff_t>(i + take));
      std::string merged;
      if (auto e = merge_group(group, false, merged)) return e;
      next.push_back(merged);
      excess -= take - 1;
      i += take;
    }
    next.insert(next.end(), runs_.begin() + static_cast<std::ptrdiff_t>(i), runs_.end());
    runs_ = std::move(next);
  }
  ++fig_.merge_passes;
  return merge_group(runs_, true, result);
}

std::optional<SortError> JobRunner::run(std::string& result) {
  auto opened = pmsi::open_file(job_.input, "rb");
  if (!opened) return make_error(SSI_ERR_INPUT, "Fichier d'entrée introuvable ou illisible : ", job_.input);
  pmsi::FilePtr input = std::move(opened.value());
  std::uint64_t file_size = 0;
  if (input_kind(input.get(), file_size) != InputKind::file)
    return make_error(SSI_ERR_INPUT, "Fichier d'entrée introuvable ou illisible : ", job_.input);

  std::string probe(std::min<std::size_t>(kProbeBytes, std::max<std::size_t>(data_budget_ / 4, 64)), '\0');
  probe.resize(std::fread(probe.data(), 1, probe.size(), input.get()));
  if (std::ferror(input.get())) return read_error();
  plan(file_size, probe);
  std::memcpy(text_.get(), probe.data(), probe.size());
  std::size_t used = probe.size(), scan = 0;
  bool eof = probe.empty();
  fig_.input_bytes = used;

  for (;;) {
    // Records complete in the buffer join the chunk while it has room.
    bool full = false;
    while (const void* lf = std::memchr(text_.get() + scan, '\n', used - scan)) {
      if (!room_for_line()) {
        full = true;
        break;
      }
      const std::size_t end = static_cast<const char*>(lf) - text_.get();
      add_record(scan, end - scan);
      scan = end + 1;
    }
    if (!full && eof && scan < used) {
      // The last record, without its line end.
      if (room_for_line()) {
        add_record(scan, used - scan);
        scan = used;
      } else {
        full = true;
      }
    }
    if (!full && eof) break;
    if (full || (used == text_capacity_ && scan > 0)) {
      if (auto e = emit(false, result)) return e;
      std::memmove(text_.get(), text_.get() + scan, used - scan);
      used -= scan;
      scan = 0;
      continue;
    }
    if (used == text_capacity_) {
      // One record longer than the whole buffer: make room for it.
      if (text_capacity_ >= kMaxTextBytes)
        return make_error(SSI_ERR_MEMORY, "Enregistrement trop long dans le fichier : ", job_.input);
      std::size_t grown = std::min(text_capacity_ * 2, kMaxTextBytes);
      std::unique_ptr<char[]> bigger(new char[grown]);
      std::memcpy(bigger.get(), text_.get(), used);
      text_ = std::move(bigger);
      text_capacity_ = grown;
    }
    std::size_t n = std::fread(text_.get() + used, 1, std::min(kReadBytes, text_capacity_ - used), input.get());
    if (n == 0) {
      if (std::ferror(input.get())) return read_error();
      eof = true;
    }
    used += n;
    fig_.input_bytes += n;
  }
  input.reset();
  if (runs_.empty()) return emit(true, result);
  if (!lines_.empty() && runs_.size() < std::max<std::size_t>(options_.fan_in, 2)) return merge_with_chunk(result);
  if (!lines_.empty())
    if (auto e = emit(false, result)) return e;
  return merge(result);
}

void write_report(pmsi::TextWriter& log, const SortJob& job, const JobFigures& f, const SortError* error) {
  log.printf("\nTri sortsol de %s vers %s\n", job.input.c_str(), job.output.c_str());
  if (error) {
    log.printf("   Échec du tri : %s\n", error->message.c_str());
    return;
  }
  log.printf("   Enregistrements lus       : %ld\n", static_cast<long>(f.records_read));
  log.printf("   Enregistrements supprimés : %ld\n", static_cast<long>(f.records_removed));
  log.printf("   Enregistrements écrits    : %ld\n", static_cast<long>(f.records_written));
  log.printf("   Durée                     : %ld ms\n", static_cast<long>(f.elapsed_ms));
}

}  // namespace

std::size_t memory_budget_from_environment() {
  if (const char* v = std::getenv("SORTSOL_MEMORY_MB")) {
    char* end = nullptr;
    unsigned long long mb = std::strtoull(v, &end, 10);
    if (end != v && *end == '\0' && mb >= 1 && mb <= (1ull << 20)) return static_cast<std::size_t>(mb) << 20;
  }
  return kDefaultMemoryMiB << 20;
}

SortOutcome run_sort(const SortJob& job, const SortOptions& options) {
  const auto start = std::chrono::steady_clock::now();
  SortOutcome outcome;
  JobFigures& fig = outcome.figures;
  fig.memory_budget = options.memory_bytes ? options.memory_bytes : memory_budget_from_environment();

  // The log is opened first: a job that cannot report does not run.
  std::optional<pmsi::TextWriter> log;
  if (!job.log.empty()) {
    auto opened = pmsi::TextWriter::open(job.log, pmsi::WriteMode::append);
    if (!opened) {
      outcome.error = make_error(SSI_ERR_LOG, "Impossible d'écrire le fichier de compte rendu : ", job.log);
      return outcome;
    }
    log.emplace(std::move(opened.value()));
  }

  const std::string target = pmsi::resolve(job.output);
  std::string sorted;
  {
    TempFiles temps(target);
    try {
      JobRunner runner(job, options, fig, temps);
      outcome.error = runner.run(sorted);
    } catch (const std::bad_alloc&) {
      outcome.error = make_error(SSI_ERR_MEMORY, "Mémoire insuffisante pour trier le fichier : ", job.input);
    }
    fig.records_written = fig.records_read - fig.records_removed;
    fig.elapsed_ms =
        std::chrono::duration_cast<std::chrono::milliseconds>(std::chrono::steady_clock::now() - start).count();
    if (!outcome.error && log) {
      write_report(*log, job, fig, nullptr);
      const bool written = log->close();
      log.reset();
      if (!written)
        outcome.error = make_error(SSI_ERR_LOG, "Impossible d'écrire le fichier de compte rendu : ", job.log);
    }
    if (!outcome.error) {
      if (pmsi::rename_file(sorted, target))
        temps.forget(sorted);
      else
        outcome.error = make_error(SSI_ERR_OUTPUT, "Impossible d'écrire le fichier de sortie : ", job.output);
    }
  }  // every temporary still held is deleted here
  if (outcome.error && log) {
    write_report(*log, job, fig, &*outcome.error);
    (void)log->close();
  }
  return outcome;
}

}  // namespace sortsol
