// chaingen: sample key files for the chaining programs.
#include <cstdio>
#include <cstdlib>
#include <cstring>
#include <string>

#include "chaingen.h"

namespace {

constexpr const char* kHelp =
    "usage: chaingen [--seed N] (--rhs FILE | --link FILE | --srha FILE)\n"
    "                [--ano-hosp OUT] [--hosp-pmsi OUT] [faults]\n"
    "\n"
    "Makes an ANO-HOSP file and a HOSP-PMSI file consistent with the stays of\n"
    "one input, for chaining step 1 (etape1). Output lines end with CR LF.\n"
    "\n"
    "Stays come from:\n"
    "  --rhs FILE    an RHS file (any of the six formats): stay number and ipp;\n"
    "                the ipp of a stay's last RHS is its administrative number\n"
    "  --link FILE   a link file hospmsi.$$$ (stay number, administrative number)\n"
    "  --srha FILE   an SRHA chaining file srhab.$$$ (stay number); the\n"
    "                administrative numbers are made up from the seed\n"
    "\n"
    "Outputs:\n"
    "  --ano-hosp OUT   one record per administrative number: its integrity key\n"
    "                   (crclavix), ano code 0000, an anonymous number of 17\n"
    "                   characters drawn from the seed and the number, the number\n"
    "  --hosp-pmsi OUT  one record per stay (stay number, administrative\n"
    "                   number), the HOSP-PMSI file of chaining mode 2\n"
    "Both are sorted on the administrative number, as the front end's sort\n"
    "jobs leave them, unless --unsorted.\n"
    "\n"
    "Faults on demand (counts; records chosen from the seed):\n"
    "  --wrong-keys N    ANO-HOSP records with a wrong integrity key\n"
    "  --special N       special ANO-HOSP records (00009999XXX...)\n"
    "  --repeat-admin N  extra ANO-HOSP records repeating an administrative\n"
    "                    number with another anonymous number\n"
    "  --missing-ano N   numbers left out of ANO-HOSP (stays only in HOSP-PMSI)\n"
    "  --missing-hosp N  ANO-HOSP numbers that no stay has\n"
    "  --empty-lines N   empty lines inserted in each output\n"
    "  --high-chars N    anonymous numbers holding a character above 127\n"
    "  --unsorted        lines in random order\n"
    "\n"
    "--seed N (default 1): the same seed and input give the same files.\n";

int fail(const std::string& what) {
  std::fprintf(stderr, "chaingen: error: %s\n", what.c_str());
  return 1;
}

}  // namespace

int main(int argc, char** argv) {
  std::uint64_t seed = 1;
  chaingen::Source source = chaingen::Source::rhs;
  std::string input, ano_out, hosp_out;
  chaingen::Faults f;
  struct Count {
    const char* name;
    int* value;
  } counts[] = {{"--wrong-keys", &f.wrong_keys},     {"--special", &f.special},
                {"--repeat-admin", &f.repeat_admin}, {"--missing-ano", &f.missing_ano},
                {"--missing-hosp", &f.missing_hosp}, {"--empty-lines", &f.empty_lines},
                {"--high-chars", &f.high_chars}};
  for (int i = 1; i < argc; ++i) {
    std::string a = argv[i];
    if (a == "--help" || a == "-h") {
      std::fputs(kHelp, stdout);
      return 0;
    }
    if (a == "--unsorted") {
      f.unsorted = true;
      continue;
    }
    if (i + 1 >= argc) return fail("'" + a + "' needs a value (see --help)");
    std::string v = argv[++i];
    bool known = true;
    if (a == "--seed") seed = std::strtoull(v.c_str(), nullptr, 10);
    else if (a == "--rhs") source = chaingen::Source::rhs, input = v;
    else if (a == "--link") source = chaingen::Source::link, input = v;
    else if (a == "--srha") source = chaingen::Source::srha, input = v;
    else if (a == "--ano-hosp") ano_out = v;
    else if (a == "--hosp-pmsi") hosp_out = v;
    else {
      known = false;
      for (auto& c : counts)
        if (a == c.name) known = true, *c.value = std::atoi(v.c_str());
    }
    if (!known) return fail("unknown option '" + a + "' (see --help)");
  }
  if (input.empty()) return fail("no input: give --rhs, --link or --srha (see --help)");
  auto stays = chaingen::read_stays(source, input, seed);
  if (!stays) return fail("'" + input + "': " + stays.error());
  chaingen::Files files = chaingen::generate(stays.value(), f, seed);
  int rc = 0;
  if (!ano_out.empty())
    if (auto st = chaingen::write_lines(ano_out, files.ano_hosp); !st) rc = fail("'" + ano_out + "': " + st.error());
  if (!hosp_out.empty())
    if (auto st = chaingen::write_lines(hosp_out, files.hosp_pmsi); !st) rc = fail("'" + hosp_out + "': " + st.error());
  return rc;
}
