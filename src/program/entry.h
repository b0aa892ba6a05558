// The program's entry point, kept in the library so tests can reach its parts.
#pragma once

namespace trawl {

int trawl_main(int argc, char* argv[]);

}  // namespace trawl
