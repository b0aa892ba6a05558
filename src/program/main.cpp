#include "program/entry.h"

int main(int argc, char* argv[]) {
  return trawl::trawl_main(argc, argv);
}
