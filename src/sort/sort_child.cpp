#include "sort/sort_child.h"

#include <fcntl.h>
#include <sys/types.h>
#include <sys/wait.h>
#include <unistd.h>

#include <cerrno>
#include <csignal>
#include <cstdio>
#include <cstring>
#include <string>
#include <string_view>
#include <vector>

#include "core/diag.h"
#include "core/transfer.h"
#include "core/verb.h"
#include "records/lookahead.h"
#include "records/tuple.h"
#include "sort/sigpipe_guard.h"
#include "sort/sort_keys.h"
#include "sort/sort_line.h"
#include "support/file_handles.h"
#include "support/line_reader.h"
#include "support/safe_text.h"

extern char** environ;

namespace trawl {

namespace {

constexpr const char* sort_program = "/usr/bin/sort";

// The size asked for each pipe between a writer and its sort program.
constexpr int sort_pipe_size = 1 << 20;

[[noreturn]] void panic(const char* operation) {
  throw panic_error{operation, errno};
}

struct pipe_ends {
  unique_fd read_end;
  unique_fd write_end;
};

// Everything the child needs, made before the fork so that the child only
// has to move descriptors and exec: the transfer library may run resolver
// threads, and the child of a threaded process should not allocate.
struct sort_command {
  std::vector<std::string> args;
  std::string lc_all = "LC_ALL=C";  // so that the sort program compares bytes
  std::vector<char*> argv;
  std::vector<char*> envp;
};

sort_command make_sort_command(const run_options& opts) {
  sort_command cmd;
  cmd.args = {"sort", "-u"};
  for (std::string& arg : sort_key_arguments(opts)) cmd.args.push_back(std::move(arg));
  for (std::string& arg : cmd.args) cmd.argv.push_back(arg.data());
  cmd.argv.push_back(nullptr);

  // As putenv would: an LC_ALL inherited from the user gives way to ours.
  for (char** var = environ; *var != nullptr; ++var) {
    if (strncmp(*var, "LC_ALL=", 7) != 0) cmd.envp.push_back(*var);
  }
  cmd.envp.push_back(cmd.lc_all.data());
  cmd.envp.push_back(nullptr);
  return cmd;
}

void debug_sort_command(const sort_command& cmd) {
  std::string text = "\"";
  text += sort_program;
  text += "\" args:";
  for (const std::string& arg : cmd.args) text += " [" + arg + "]";
  text += '\n';
  // One call, so that the line cannot be split by other output.
  debug_line(1, "%s", text.c_str());
}

// A pipe end that landed on descriptor 0, 1 or 2 (the program was started
// with one of them closed) would be overwritten or left close-on-exec by the
// child's dup2, so it is moved above them.
int lift_above_stdio(int fd) {
  if (fd > STDERR_FILENO) return fd;
  const int lifted = fcntl(fd, F_DUPFD_CLOEXEC, STDERR_FILENO + 1);
  if (lifted < 0) panic("pipe");
  close(fd);
  return lifted;
}

// Close-on-exec, so that no other writer's sort child holds this pipe open:
// a sort program that inherited the write end of another's input would keep
// it from ever seeing the end of that input.
void make_pipe(pipe_ends& ends) {
  int fds[2];
  if (pipe2(fds, O_CLOEXEC) != 0) panic("pipe");
  ends.read_end.reset(lift_above_stdio(fds[0]));
  ends.write_end.reset(lift_above_stdio(fds[1]));
  // Every record crosses the pipe twice: in pieces of the default 64 KiB,
  // each side would wait for the other thousands of times. The system's
  // limit is taken when it is lower; a refusal leaves the default.
  if (fcntl(ends.write_end.get(), F_SETPIPE_SZ, sort_pipe_size) < 0)
    (void)fcntl(ends.write_end.get(), F_SETPIPE_SZ, 256 << 10);
}

// In the child: nothing of the parent is cleaned up, only _exit is used.
[[noreturn]] void exec_sort(const pipe_ends& to_sort, const pipe_ends& from_sort,
                            sort_command& cmd) {
  // dup2 clears close-on-exec on the copies it makes.
  if (dup2(to_sort.read_end.get(), STDIN_FILENO) < 0 ||
      dup2(from_sort.write_end.get(), STDOUT_FILENO) < 0) {
    perror("dup2");
    _exit(1);
  }
  close(to_sort.read_end.get());
  close(to_sort.write_end.get());
  close(from_sort.read_end.get());
  close(from_sort.write_end.get());
  execve(sort_program, cmd.argv.data(), cmd.envp.data());
  perror("execve");
  _exit(1);
}

file_ptr open_stream(unique_fd& fd, const char* mode) {
  file_ptr stream(fdopen(fd.get(), mode));
  if (!stream) panic("fdopen");
  fd.release();
  return stream;
}

// Presents one line of the sort program's output; true when a record went out.
bool present_sorted_line(writer& wr, std::string_view line) {
  if (line.empty() || line.back() != '\n') {
    warning("no \\n found in '%s'", safe_text(line).c_str());
    return false;
  }
  line.remove_suffix(1);
  const int n = static_cast<int>(line.size());
  debug_line(2, "sort1: '%*.*s'\n", n, n, line.data());
  std::string_view record;
  if (const char* missing = sort_line_split(line, &record)) {
    warning("%s '%s'", missing, safe_text(line).c_str());
    return false;
  }
  const int m = static_cast<int>(record.size());
  debug_line(2, "sort2: '%*.*s'\n", m, m, record.data());
  pdns_tuple tup;
  // The record text is the line as received, framing and all.
  if (std::optional<tuple_error> error =
          tuple_make(tup, record, wr.stream.transforms, wr.stream.framed)) {
    if (error->not_json)
      warning("json_loadb: %s", safe_text(error->text).c_str());
    else
      warning("tuple_make: %s", error->text.c_str());
    return false;
  }
  // The writer's queries are gone by now.
  lookahead_present(wr, tup, record, nullptr);
  tuple_unmake(tup);
  return true;
}

// Reads to the end even past the limit, so that the child is never left
// blocked on a full pipe.
int read_back(writer& wr) {
  // Our own lines, each bounded through the record it holds.
  line_reader reader(fileno(wr.sort_stdout.get()), SIZE_MAX);
  std::string_view line;
  int presented = 0;
  while (reader.next(line)) {
    if (wr.output_limit > 0 && presented >= wr.output_limit) {
      if (!wr.sort_killed) {
        kill(wr.sort_pid, SIGTERM);
        wr.sort_killed = true;
      }
      continue;
    }
    if (present_sorted_line(wr, line)) ++presented;
  }
  lookahead_drain(wr);
  return presented;
}

void reap(writer& wr) {
  int status = 0;
  pid_t waited;
  do {
    waited = waitpid(wr.sort_pid, &status, 0);
  } while (waited < 0 && errno == EINTR);
  wr.sort_pid = 0;
  if (waited < 0) {
    perror("waitpid");
  } else if (!wr.sort_killed && status != 0) {
    // Its output, and so ours, is incomplete.
    warning("sort exit status is %u", static_cast<unsigned>(status));
    wr.incomplete = true;
  }
}

}  // namespace

void sort_child_start(const run_options& opts, writer& wr) {
  sort_command cmd = make_sort_command(opts);
  pipe_ends to_sort;
  pipe_ends from_sort;
  make_pipe(to_sort);
  make_pipe(from_sort);
  // Written here rather than by the child, so that it keeps its place among
  // the parent's own debug lines.
  if (debugging(1)) debug_sort_command(cmd);

  const pid_t pid = fork();
  if (pid < 0) panic("fork");
  if (pid == 0) exec_sort(to_sort, from_sort, cmd);

  wr.sort_pid = pid;
  to_sort.read_end.reset();
  from_sort.write_end.reset();
  wr.sort_stdin = open_stream(to_sort.write_end, "w");
  wr.sort_stdout = open_stream(from_sort.read_end, "r");
}

void sort_child_finish(writer& wr) {
  sort_line_flush(wr);
  {
    sigpipe_guard guard;  // the flush on close meets a sort program that never started
    wr.sort_stdin.reset();
  }
  debug_line(1, "closed sort_stdin, wrote %d objs\n", wr.count);
  const int presented = read_back(wr);
  wr.sort_stdout.reset();
  debug_line(1, "closed sort_stdout, read %d objs (lim %ld)\n", presented,
             static_cast<long>(wr.output_limit));
  reap(wr);
}

}  // namespace trawl
