#include <getopt.h>
#include <strings.h>

#include <cstdio>
#include <cstring>
#include <string>
#include <vector>

#include "trawl/batch_parse.h"
#include "trawl/cli.h"
#include "trawl/diag.h"
#include "trawl/line_reader.h"
#include "trawl/netio.h"
#include "trawl/settings.h"
#include "trawl/tokenizer.h"

namespace trawl {

namespace {

// Applies a "$options" line to batch_qp; the line has no effect at all when
// any of it is refused.
void options_line(const std::string& line, qparam& batch_qp, const qparam& cmdline_qp) {
  const qparam saved = batch_qp;
  std::vector<std::string> words = tokenizer_split(line.c_str(), " \t");

  const char* error = nullptr;
  if (words.size() == 1) {
    batch_qp = cmdline_qp;
    if (debug_level >= 2) debug_line(true, "default options restored\n");
  } else {
    std::vector<char*> argv;
    argv.reserve(words.size() + 1);
    for (std::string& w : words) argv.push_back(w.data());
    argv.push_back(nullptr);
    const int argc = static_cast<int>(words.size());
    optind = 0;  // glibc's full reset of the scanner for a new vector
    int opt;
    while (error == nullptr && (opt = getopt(argc, argv.data(), "A:B:L:l:O:cgG")) != -1) {
      if (opt == '?' || opt == ':') continue;  // the scanner has said why
      error = qparam_option(opt, optarg, batch_qp);
    }
    if (error == nullptr && optind < argc) error = "superfluous non-arguments in $OPTIONS";
  }
  if (error != nullptr) {
    batch_qp = saved;
    log_line("warning: batch option parse error: %s", error);
    return;
  }
  if (debug_level >= 1) qparam_debug("batch", batch_qp);
}

void finish_line_writer(writer& wr) {
  if (batching == batch_plain) wr.ps_buf = "--\n";
  writer_fini(wr);
  fflush(stdout);
}

}  // namespace

void do_batch(const qparam& cmdline_qp) {
  qparam batch_qp = cmdline_qp;
  const bool shared = multiple && batching == batch_plain;
  writer* shared_writer = shared ? &writer_init(batch_qp.output_limit, ps_stdout, false) : nullptr;

  line_reader reader(stdin);
  std::string_view raw;
  while (reader.next(raw)) {
    std::string line(raw);
    if (!line.empty() && line.back() == '\n') line.pop_back();
    if (!line.empty() && line[0] == '#') continue;
    if (debug_level >= 1) debug_line(true, "do_batch(%s)\n", line.c_str());
    if (strncasecmp(line.c_str(), "$options", 8) == 0) {
      options_line(line, batch_qp, cmdline_qp);
      continue;
    }

    writer& wr = shared ? *shared_writer : writer_init(batch_qp.output_limit, ps_stdout, false);
    qdesc qd;
    if (const char* err = batch_parse(line, qd)) {
      log_line("batch entry parse error: %s", err);
      if (!shared) finish_line_writer(wr);
      continue;
    }
    query* q = launch_query(qd, batch_qp, wr);
    if (shared) {
      io_engine(8);
      if (q != nullptr && q->status)
        log_line("batch line status: %s (%s)", q->status->c_str(), q->message->c_str());
      continue;
    }
    io_engine(0);
    if (q != nullptr && q->status) {
      if (batching == batch_tagged) {
        writer_fini(wr);
        fflush(stdout);
        continue;
      }
      log_line("batch line status: %s (%s)", q->status->c_str(), q->message->c_str());
    }
    finish_line_writer(wr);
  }
  if (shared) {
    io_engine(0);
    writer_fini(*shared_writer);
  }
}

}  // namespace trawl
