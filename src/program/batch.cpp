#include "program/batch.h"

#include <getopt.h>
#include <strings.h>

#include <cstdio>
#include <cstring>
#include <string>
#include <vector>

#include "core/diag.h"
#include "engine/engine.h"
#include "engine/writer.h"
#include "program/launch.h"
#include "program/option_scan.h"
#include "support/line_reader.h"
#include "support/safe_text.h"
#include "support/tokenizer.h"

namespace trawl {

namespace {

struct form {
  const char* first;
  const char* second;
  search_mode mode;
  // RRTYPES, then BAILIWICK. No request path carries the bailiwick of a raw
  // owner search, so such a line is refused rather than silently widened.
  int optional_terms;
};

constexpr form forms[] = {
    {"rrset", "name", mode_rrset_name, 2}, {"rrset", "raw", mode_rrset_raw, 1},
    {"rdata", "name", mode_rdata_name, 1}, {"rdata", "raw", mode_rdata_raw, 1},
    {"rdata", "ip", mode_rdata_ip, 0},
};

}  // namespace

const char* batch_parse(const std::string& line, bool allow_8bit, qdesc& qd) {
  // A C string would end there and silently query the first part.
  if (line.find('\0') != std::string::npos) return "NUL byte in line";
  // Runs of "/" count as one separator, as strtok_r has it.
  const std::vector<std::string> terms = tokenizer_split(line.c_str(), "/");

  if (terms.empty()) return "too few terms";
  const std::string& first = terms[0];
  if (first != "rrset" && first != "rdata") return "unrecognized initial term";
  if (terms.size() < 2)
    return first == "rrset" ? "missing term after 'rrset/'" : "missing term after 'rdata/'";
  const form* match = nullptr;
  for (const form& f : forms)
    if (first == f.first && terms[1] == f.second) match = &f;
  if (match == nullptr)
    return first == "rrset" ? "unrecognized term after 'rrset/'"
                            : "unrecognized term after 'rdata/'";
  if (terms.size() < 3) {
    static constexpr const char* missing[] = {
        "missing term after 'rrset/name/'", "missing term after 'rrset/raw/'",
        "missing term after 'rdata/name/'", "missing term after 'rdata/raw/'",
        "missing term after 'rdata/ip/'"};
    return missing[match - forms];
  }
  qd = qdesc{};
  qd.mode = match->mode;
  qd.thing = terms[2];
  // Checked as soon as NAME is read, before the rest of the line.
  if (const char* err = qdesc_8bit_check(qd, allow_8bit)) return err;
  const size_t extra = terms.size() - 3;
  if (extra > static_cast<size_t>(match->optional_terms)) return "extra garbage";
  if (extra >= 1) {
    if (tokenizer_split(terms[3].c_str(), ",").empty()) return "no record type given";
    qd.rrtype = terms[3];
  }
  if (extra >= 2) qd.bailiwick = terms[4];
  return nullptr;
}

namespace {

// Applies a "$options" line to batch_qp; the line has no effect at all when
// any of it is refused.
void options_line(const run_options& opts, const std::string& line, qparam& batch_qp,
                  const qparam& cmdline_qp) {
  const qparam saved = batch_qp;
  std::vector<std::string> words = tokenizer_split(line.c_str(), " \t");

  std::optional<std::string> error;
  if (words.size() == 1) {
    batch_qp = cmdline_qp;
    debug_line(2, "default options restored\n");
  } else {
    std::vector<char*> argv;
    argv.reserve(words.size() + 1);
    for (std::string& w : words) argv.push_back(w.data());
    argv.push_back(nullptr);
    const int argc = static_cast<int>(words.size());
    optind = 0;  // glibc's full reset of the scanner for a new vector
    const std::string letters = option_letters(true);
    int opt;
    while (!error && (opt = getopt(argc, argv.data(), letters.c_str())) != -1) {
      // The scanner has said why; the whole line is refused all the same.
      error = opt == '?' || opt == ':' ? "unrecognized option"
                                       : qparam_option(opts, opt, optarg, batch_qp);
    }
    if (!error && optind < argc) error = "superfluous non-arguments in $OPTIONS";
  }
  if (error) {
    batch_qp = saved;
    warning("batch option parse error: %s", error->c_str());
    return;
  }
  qparam_debug("batch", batch_qp);
}

// "$options" alone or followed by blanks and words; "$optionsX" is not one.
bool is_options_line(const std::string& line) {
  return strncasecmp(line.c_str(), "$options", 8) == 0 &&
         (line.size() == 8 || line[8] == ' ' || line[8] == '\t');
}

void finish_line_writer(const run_options& opts, writer& wr) {
  if (opts.batching == batch_plain) wr.ps_buf = "--\n";
  writer_fini(wr);
  fflush(stdout);
}

}  // namespace

void do_batch(const run_options& opts, run_state& state, const qparam& cmdline_qp) {
  qparam batch_qp = cmdline_qp;
  const bool shared = opts.multiple && opts.batching == batch_plain;
  writer* shared_writer =
      shared ? &writer_init(opts, state, batch_qp.output_limit, ps_stdout, false) : nullptr;

  line_reader reader(stdin);
  std::string_view raw;
  while (reader.next(raw)) {
    std::string line(raw);
    if (!line.empty() && line.back() == '\n') line.pop_back();
    // Lines of a file written with CR LF endings.
    if (!line.empty() && line.back() == '\r') line.pop_back();
    if (!line.empty() && line[0] == '#') continue;
    debug_line(1, "do_batch(%s)\n", safe_text(line).c_str());
    if (is_options_line(line)) {
      options_line(opts, line, batch_qp, cmdline_qp);
      continue;
    }

    writer& wr =
        shared ? *shared_writer : writer_init(opts, state, batch_qp.output_limit, ps_stdout, false);
    qdesc qd;
    const char* err = nullptr;
    if (reader.too_long()) {
      static_assert(max_line_bytes == 67108864, "the text names the bound");
      err = "line longer than 67108864 bytes";
      state.exit_status = 1;
    } else {
      err = batch_parse(line, opts.allow_8bit, qd);
    }
    if (err != nullptr) {
      log_line("batch entry parse error: %s", err);
      if (!shared) finish_line_writer(opts, wr);
      continue;
    }
    query* q = launch_query(opts, state, qd, batch_qp, wr);
    if (shared) {
      io_engine(opts, state, 8);
      if (q != nullptr && q->status)
        log_line("batch line status: %s (%s)", q->status->c_str(), q->message->c_str());
      continue;
    }
    io_engine(opts, state, 0);
    if (q != nullptr && q->status) {
      if (opts.batching == batch_tagged) {
        writer_fini(wr);
        fflush(stdout);
        continue;
      }
      log_line("batch line status: %s (%s)", q->status->c_str(), q->message->c_str());
    }
    finish_line_writer(opts, wr);
  }
  if (reader.error() != 0) {
    log_line("batch input: %s", strerror(reader.error()));
    state.exit_status = 1;
  }
  if (shared) {
    io_engine(opts, state, 0);
    writer_fini(*shared_writer);
  }
}

}  // namespace trawl
