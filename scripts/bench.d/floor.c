/* The least a JSON-lines re-encoder can do with jansson: read a line, decode
 * it, encode it compactly, write it. scripts/bench compares `trawl -J -j`
 * with this to see what trawl's own work costs on top of the library. */
#define _GNU_SOURCE
#include <jansson.h>
#include <stdio.h>
#include <stdlib.h>

int main(int argc, char **argv) {
  FILE *in = argc > 1 ? fopen(argv[1], "r") : stdin;
  if (in == NULL) {
    perror(argv[1]);
    return 1;
  }
  char *line = NULL, *out = NULL;
  size_t line_cap = 0, out_cap = 0;
  ssize_t got;
  while ((got = getline(&line, &line_cap, in)) > 0) {
    json_error_t error;
    json_t *value = json_loadb(line, (size_t)got, 0, &error);
    if (value == NULL) continue;
    size_t need = json_dumpb(value, out, out_cap, JSON_COMPACT);
    if (need + 1 > out_cap) {
      out_cap = 2 * need + 1;
      out = realloc(out, out_cap);
      if (out == NULL) return 1;
      need = json_dumpb(value, out, out_cap, JSON_COMPACT);
    }
    out[need] = '\n';
    fwrite(out, 1, need + 1, stdout);
    json_decref(value);
  }
  free(line);
  free(out);
  return 0;
}
