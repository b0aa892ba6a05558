#include "program/batch.h"

#include <getopt.h>
#include <strings.h>
#include <unistd.h>

#include <cstdio>
#include <cstring>
#include <string>
#include <vector>

#include "core/address_check.h"
#include "core/diag.h"
#include "engine/engine.h"
#include "engine/writer.h"
#include "program/launch.h"
#include "program/modes.h"
#include "program/option_scan.h"
#include "program/progress.h"
#include "records/lookahead.h"
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
    {"rrset", "name", search_mode::rrset_name, 2}, {"rrset", "raw", search_mode::rrset_raw, 1},
    {"rdata", "name", search_mode::rdata_name, 1}, {"rdata", "raw", search_mode::rdata_raw, 1},
    {"rdata", "ip", search_mode::rdata_ip, 0},
};

}  // namespace

std::optional<std::string> batch_parse(const std::string& line, bool allow_8bit, qdesc& qd) {
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
  if (terms.size() < 3)
    return std::string("missing term after '") + match->first + "/" + match->second + "/'";
  qd = qdesc{};
  qd.mode = match->mode;
  qd.thing = terms[2];
  // Checked as soon as NAME is read, before the rest of the line.
  if (std::optional<std::string> err = qdesc_8bit_check(qd, allow_8bit)) return err;
  if (qd.mode == search_mode::rdata_ip) {
    if (std::optional<std::string> err = rdata_ip_term_check(terms[2])) return err;
  }
  const size_t extra = terms.size() - 3;
  if (extra > static_cast<size_t>(match->optional_terms)) return "extra garbage";
  if (extra >= 1) {
    if (tokenizer_split(terms[3].c_str(), ",").empty()) return "no record type given";
    qd.rrtype = terms[3];
  }
  if (extra >= 2) {
    qd.bailiwick = terms[4];
    return qdesc_8bit_check(qd, allow_8bit);
  }
  return std::nullopt;
}

namespace {

// Applies a "$options" line to batch_qp; the line has no effect at all when
// any of it is refused, and false says so.
bool options_line(const run_options& opts, const std::string& line, long line_no, qparam& batch_qp,
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
    while (!error) {
      result<int> opt = next_option(argc, argv.data(), true);
      if (!opt)
        error = opt.error();
      else if (*opt == -1)
        break;
      else
        error = qparam_option(opts, *opt, optarg, batch_qp);
    }
    if (!error && optind < argc) error = "superfluous non-arguments in $OPTIONS";
  }
  if (error) {
    batch_qp = saved;
    warning("batch option parse error: %s (line %ld)", error->c_str(), line_no);
    return false;
  }
  qparam_debug("batch", batch_qp);
  return true;
}

// "$options" alone or followed by blanks and words; "$optionsX" is not one.
bool is_options_line(const std::string& line) {
  return strncasecmp(line.c_str(), "$options", 8) == 0 &&
         (line.size() == 8 || line[8] == ' ' || line[8] == '\t');
}

// For the progress line: lines whose answer has ended, those of them that
// failed, and the records of the lines whose writers are finished.
struct line_tally {
  long done = 0;
  long failed = 0;
  long records_before = 0;
  const writer* current = nullptr;  // the line's writer, until it is finished
};

// What the batch loop carries from line to line.
struct batch_run {
  const run_options& opts;
  run_state& state;
  const qparam& cmdline_qp;
  qparam batch_qp;
  writer* shared = nullptr;  // -f -m: one writer for every line
  std::string footer;        // -ff: the line that ends the current query's output
  long line_no = 0;          // of standard input, comments included: what an editor shows
  line_tally tally;
};

// A line whose query ended without an answer, or with an error status.
void count_line(batch_run& run, const query* q) {
  ++run.tally.done;
  if (q == nullptr || (q->status && *q->status != "NOERROR")) ++run.tally.failed;
}

progress_counts batch_progress(const batch_run& run) {
  progress_counts counts;
  counts.batch = true;
  counts.lines_done = run.tally.done;
  counts.lines_failed = run.tally.failed;
  counts.records = run.tally.records_before;
  if (run.shared != nullptr)
    counts.records += run.shared->count;
  else if (run.tally.current != nullptr)
    counts.records += run.tally.current->count;
  return counts;
}

// The framing of -ff: "++ PATH" before a query's output and "-- STATUS
// (MESSAGE)" after it, the status and message of the query's end.
query_listener tagged_framing(batch_run& run) {
  query_listener framing;
  framing.answer_started = [&run](query& q) {
    if (!is_graph(run.opts.presentation))
      run.state.sink.write("++ " + q.detail.descr.value_or("") + "\n");
  };
  framing.finished = [&run](query& q, const fetch& f) {
    const std::string status = q.status.value_or("NOERROR");
    const std::string message = q.message ? *q.message : f.saf_msg ? *f.saf_msg : "no error";
    run.footer = "-- " + status + " (" + message + ")\n";
  };
  return framing;
}

writer& line_writer(batch_run& run) {
  if (run.shared != nullptr) return *run.shared;
  run.footer.clear();
  const bool tagged = run.opts.batching == batch_mode::tagged;
  writer& wr = writer_init(run.opts, run.state, run.batch_qp.output_limit, false,
                           tagged ? tagged_framing(run) : query_listener{});
  run.tally.current = &wr;
  return wr;
}

// A line's whole output, records (sorted ones too) and framing, leaves
// before the next line is read: a program driving the batch line by line
// waits for it.
void finish_line(batch_run& run, writer& wr, const query* q) {
  const bool plain = run.opts.batching == batch_mode::plain;
  lookahead_drain(wr);  // the line's records come before its status
  if (plain && q != nullptr && !report_shortfall(*q) && q->status)
    log_line("batch line status: %s (%s)", q->status->c_str(), q->message->c_str());
  run.tally.records_before += wr.count;
  run.tally.current = nullptr;
  writer_fini(run.state, wr);
  // A graph is one document of every line, without framing.
  if (!is_graph(run.opts.presentation))
    run.state.sink.write(plain ? std::string("--\n") : run.footer);
  run.state.sink.flush();
}

// The parse error of a query line, or nothing with qd filled.
std::optional<std::string> parse_query_line(batch_run& run, const line_reader& reader,
                                            const std::string& line, qdesc& qd) {
  if (reader.too_long()) {
    static_assert(max_line_bytes == 67108864, "the text names the bound");
    run.state.exit_status = 1;
    return "line longer than 67108864 bytes";
  }
  return batch_parse(line, run.opts.allow_8bit, qd);
}

// Runs one query line; false when the run cannot go on.
bool query_line(batch_run& run, const line_reader& reader, const std::string& line) {
  writer& wr = line_writer(run);
  qdesc qd;
  if (std::optional<std::string> err = parse_query_line(run, reader, line, qd)) {
    log_line("batch entry parse error: %s (line %ld)", err->c_str(), run.line_no);
    run.state.exit_status = 1;
    count_line(run, nullptr);
    if (run.shared == nullptr) finish_line(run, wr, nullptr);
    return true;
  }
  result<launched_query> launched = launch_query(run.opts, run.state, qd, run.batch_qp, wr);
  if (!launched) {
    log_line("%s", launched.error().c_str());
    return false;
  }
  if (launched->refused) {
    log_line("%s (line %ld)", launched->refused->c_str(), run.line_no);
    run.state.exit_status = 1;
    count_line(run, nullptr);
  }
  const query* q = launched->q;
  if (run.shared != nullptr) {
    io_engine(run.opts, run.state, 8);
    if (q != nullptr && q->status)
      log_line("batch line status: %s (%s)", q->status->c_str(), q->message->c_str());
    return true;
  }
  io_engine(run.opts, run.state, 0);
  if (q != nullptr) count_line(run, q);
  finish_line(run, wr, q);
  return true;
}

// The line as it was read, for the debug trace: its tabs stay tabs, which a
// terminal shows as the user typed them; the rest is made safe.
std::string shown_line(std::string_view line) {
  std::string shown;
  for (size_t tab = line.find('\t'); tab != std::string_view::npos; tab = line.find('\t')) {
    append_safe(shown, line.substr(0, tab));
    shown += '\t';
    line.remove_prefix(tab + 1);
  }
  append_safe(shown, line);
  return shown;
}

// The line without its newline, and without the blanks, tabs and carriage
// return (of CR LF endings) before it: a term never ends in white space.
std::string line_text(std::string_view raw) {
  if (!raw.empty() && raw.back() == '\n') raw.remove_suffix(1);
  const size_t end = raw.find_last_not_of(" \t\r");
  return std::string(raw.substr(0, end == std::string_view::npos ? 0 : end + 1));
}

}  // namespace

int do_batch(const run_options& opts, run_state& state, const qparam& cmdline_qp) {
  batch_run run{opts, state, cmdline_qp, cmdline_qp, nullptr, {}, 0, {}};
  if (opts.multiple && opts.batching == batch_mode::plain) {
    query_listener counting;
    counting.finished = [&run](query& q, const fetch&) {
      report_shortfall(q);
      count_line(run, &q);
    };
    run.shared = &writer_init(opts, state, run.batch_qp.output_limit, false, std::move(counting));
  }
  progress_line progress(opts, state, [&run] { return batch_progress(run); });

  line_reader reader(STDIN_FILENO);
  std::string_view raw;
  while (reader.next(raw)) {
    const std::string line = line_text(raw);
    ++run.line_no;
    if (!line.empty() && line[0] == '#') continue;
    if (debugging(1)) debug_line(1, "do_batch(%s)\n", shown_line(line).c_str());
    if (is_options_line(line)) {
      if (!options_line(opts, line, run.line_no, run.batch_qp, cmdline_qp)) state.exit_status = 1;
    } else if (!query_line(run, reader, line)) {
      return 1;
    }
    progress.update();
  }
  if (reader.error() != 0) {
    log_line("batch input: %s", strerror(reader.error()));
    state.exit_status = 1;
  }
  if (run.shared != nullptr) {
    io_engine(opts, state, 0);
    writer_fini(state, *run.shared);
  }
  return state.exit_status;
}

}  // namespace trawl
