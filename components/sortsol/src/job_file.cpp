#include "job_file.h"

#include <cstdio>

#include "common/cp1252.h"
#include "common/format.h"
#include "common/paths.h"
#include "sortsol/sortsol.h"

namespace sortsol {
namespace {

constexpr std::string_view kFileType = R"(FILETYPE(DELIMITED,"0x00" ,"0x0D,0x0A"))";
constexpr std::size_t kMaxPosition = 1u << 20;  // offsets and lengths beyond any record

std::string cp(std::string_view utf8) {
  auto t = pmsi::utf8_to_cp1252(utf8);
  return t ? *t : std::string(utf8);
}

// A fault of one line: its text (UTF-8), optionally quoting bytes of the line.
struct Fault {
  std::string text;
  std::string quoted;  // raw bytes, shown as « ... » after the text
  bool has_quote = false;
};

Fault fault(std::string text) { return {std::move(text), {}, false}; }
Fault fault(std::string text, std::string_view quoted) { return {std::move(text), std::string(quoted), true}; }

// Decimal digits only, no sign or blank.
bool read_position(std::string_view s, std::size_t& out) {
  if (s.empty() || s.size() > 7) return false;
  std::size_t v = 0;
  for (char c : s) {
    if (c < '0' || c > '9') return false;
    v = v * 10 + static_cast<std::size_t>(c - '0');
  }
  if (v > kMaxPosition) return false;
  out = v;
  return true;
}

std::vector<std::string_view> split_commas(std::string_view s) {
  std::vector<std::string_view> parts;
  std::size_t start = 0;
  for (;;) {
    std::size_t comma = s.find(',', start);
    if (comma == std::string_view::npos) {
      parts.push_back(s.substr(start));
      return parts;
    }
    parts.push_back(s.substr(start, comma - start));
    start = comma + 1;
  }
}

// "NAME(" ... ")": the inside, or false when the line does not have that form.
bool inside(std::string_view line, std::string_view name, std::string_view& in) {
  if (line.size() < name.size() + 2 || line.substr(0, name.size()) != name || line[name.size()] != '(' ||
      line.back() != ')')
    return false;
  in = line.substr(name.size() + 1, line.size() - name.size() - 2);
  return true;
}

// A path statement: everything between the parentheses, blanks at its end
// dropped (the front end writes one after the output path of its RHS job).
std::optional<Fault> read_path(std::string_view line, std::string_view name, std::string& out) {
  std::string_view in;
  if (!inside(line, name, in))
    return fault("forme attendue " + std::string(name) + "(chemin)", line);
  while (!in.empty() && in.back() == ' ') in.remove_suffix(1);
  if (in.empty()) return fault(std::string(name) + " sans chemin");
  out = std::string(in);
  return std::nullopt;
}

std::optional<Fault> read_log(std::string_view line, std::string& out) {
  std::string_view in;
  constexpr std::string_view kTail = ",TRUE";
  if (!inside(line, "LOGFILE", in) || in.size() < kTail.size() || in.substr(in.size() - kTail.size()) != kTail)
    return fault("forme attendue LOGFILE(chemin,TRUE)", line);
  in.remove_suffix(kTail.size());
  while (!in.empty() && in.back() == ' ') in.remove_suffix(1);
  if (in.empty()) return fault("LOGFILE sans chemin");
  out = std::string(in);
  return std::nullopt;
}

std::optional<Fault> read_key(std::string_view line, KeyField& key) {
  std::string_view in;
  if (!inside(line, "KEY", in)) return fault("forme attendue KEY(type,ASC,0,position,longueur)", line);
  auto parts = split_commas(in);
  if (parts.size() != 5) return fault("KEY attend 5 arguments", line);
  if (parts[0] == "String")
    key.kind = KeyKind::string;
  else if (parts[0] == "UIntS")
    key.kind = KeyKind::uint_s;
  else if (parts[0] == "Date")
    key.kind = KeyKind::date;
  else
    return fault("type de clé inconnu (String, UIntS ou Date)", parts[0]);
  if (parts[1] != "ASC") return fault("ordre non pris en charge (ASC seulement)", parts[1]);
  if (parts[2] != "0") return fault("numéro de champ non pris en charge (0 seulement)", parts[2]);
  if (!read_position(parts[3], key.offset)) return fault("position invalide", parts[3]);
  if (key.kind == KeyKind::date) {
    if (parts[4] != "\"DDMMYYYY\"") return fault("format de date non pris en charge (\"DDMMYYYY\" seulement)", parts[4]);
    key.length = 8;
  } else if (!read_position(parts[4], key.length) || key.length == 0) {
    return fault("longueur invalide", parts[4]);
  }
  return std::nullopt;
}

std::optional<Fault> read_filter(std::string_view line, DuplicateFilter& filter) {
  if (line == "FILTER(DUPLICATES,RECORD)")
    filter = DuplicateFilter::record;
  else if (line == "FILTER(DUPLICATES,KEYS)")
    filter = DuplicateFilter::keys;
  else
    return fault("filtre non pris en charge (FILTER(DUPLICATES,RECORD) ou FILTER(DUPLICATES,KEYS))", line);
  return std::nullopt;
}

std::string_view statement_name(std::string_view line) {
  std::size_t n = 0;
  while (n < line.size() && ((line[n] >= 'A' && line[n] <= 'Z') || (line[n] >= 'a' && line[n] <= 'z'))) ++n;
  return line.substr(0, n);
}

}  // namespace

ParsedJob parse_job_file(std::string_view text, std::string_view name) {
  ParsedJob out;
  SortJob& job = out.job;
  // Stages: the statements come in this order; LOGFILE and FILTER may be absent.
  enum Stage { input, output, filetype, log_or_key, key_or_filter, done } stage = input;

  auto fail = [&](int line_number, const Fault& f) {
    std::string m = cp("Fichier de spécification « ") + std::string(name) +
                    cp(pmsi::format(" », ligne %d : ", line_number)) + cp(f.text);
    if (f.has_quote) m += cp(" : « ") + f.quoted + cp(" »");
    out.error = SortError{SSI_ERR_STATEMENT, m};
    return out;
  };

  std::vector<std::string_view> lines;
  for (std::size_t start = 0; start < text.size();) {
    std::size_t lf = text.find('\n', start);
    std::size_t end = lf == std::string_view::npos ? text.size() : lf;
    std::string_view line = text.substr(start, end - start);
    if (!line.empty() && line.back() == '\r') line.remove_suffix(1);
    lines.push_back(line);
    start = end + 1;
  }
  // Empty lines at the end are harmless; an empty line inside is not.
  while (!lines.empty() && lines.back().empty()) lines.pop_back();

  for (std::size_t i = 0; i < lines.size(); ++i) {
    const int n = static_cast<int>(i + 1);
    std::string_view line = lines[i];
    if (line.empty()) return fail(n, fault("ligne vide"));
    std::string_view word = statement_name(line);
    std::optional<Fault> f;
    if (word == "INPUTFILE" && stage == input) {
      f = read_path(line, word, job.input);
      stage = output;
    } else if (word == "OUTPUTFILE" && stage == output) {
      f = read_path(line, word, job.output);
      stage = filetype;
    } else if (word == "FILETYPE" && stage == filetype) {
      if (line != kFileType) f = fault("type de fichier non pris en charge, attendu " + std::string(kFileType), line);
      stage = log_or_key;
    } else if (word == "LOGFILE" && stage == log_or_key) {
      f = read_log(line, job.log);
      stage = key_or_filter;
    } else if (word == "KEY" && (stage == log_or_key || stage == key_or_filter)) {
      KeyField key;
      f = read_key(line, key);
      job.keys.push_back(key);
      stage = key_or_filter;
    } else if (word == "FILTER" && stage == key_or_filter && !job.keys.empty()) {
      f = read_filter(line, job.filter);
      stage = done;
    } else if (word == "INPUTFILE" || word == "OUTPUTFILE" || word == "FILETYPE" || word == "LOGFILE" ||
               word == "KEY" || word == "FILTER") {
      const char* const kExpected[] = {
          "INPUTFILE attendu", "OUTPUTFILE attendu", "FILETYPE attendu", "LOGFILE ou KEY attendu",
          job.keys.empty() ? "KEY attendu" : "KEY ou FILTER attendu", "rien n'est attendu après FILTER"};
      f = fault(std::string("instruction hors de sa place, ") + kExpected[stage], line);
    } else {
      f = fault("instruction inconnue", line);
    }
    if (f) return fail(n, *f);
  }
  const int after = static_cast<int>(lines.size() + 1);
  if (stage < log_or_key) {
    static const char* const kMissing[] = {"INPUTFILE manquant", "OUTPUTFILE manquant", "FILETYPE manquant"};
    return fail(after, fault(kMissing[stage]));
  }
  if (job.keys.empty()) return fail(after, fault("aucune clé KEY"));
  return out;
}

ParsedJob read_job_file(std::string_view path) {
  ParsedJob out;
  auto file = pmsi::open_file(path, "rb");
  std::string text;
  bool ok = bool(file);
  if (ok) {
    char buf[4096];
    std::size_t n;
    while ((n = std::fread(buf, 1, sizeof buf, file->get())) > 0) {
      text.append(buf, n);
      if (text.size() > (1u << 20)) break;  // a sort specification file is a few lines
    }
    ok = !std::ferror(file->get()) && text.size() <= (1u << 20);
  }
  if (!ok) {
    out.error = make_error(SSI_ERR_JOB_FILE_UNREADABLE, "Fichier de spécification illisible : ", path);
    return out;
  }
  return parse_job_file(text, path);
}

}  // namespace sortsol
