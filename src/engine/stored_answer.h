// Answers from the store, entering the record pipeline where the network's
// bytes do, and answers kept in it once they have ended whole.
#pragma once

#include <curl/curl.h>

#include <optional>
#include <string>
#include <string_view>
#include <vector>

#include "core/options.h"
#include "core/state.h"
#include "core/transfer.h"
#include "support/result.h"
#include "support/sha256.h"

namespace trawl {

// The key of a request's answer: the system, the URL, the request headers
// that shape the answer, and a digest of the credential (none without one),
// so that two accounts never see each other's answers. The credential
// itself is in no key and in no stored answer.
sha256_digest stored_answer_key(std::string_view system, std::string_view url,
                                const std::vector<std::string>& headers,
                                const std::optional<std::string>& credential);

// Where a fetch's transfer would start: true when the fetch waits for the
// store instead (the engine looks it up when it runs next), false when the
// network is to answer it.
bool store_takes(const run_options& opts, run_state& state, fetch& f);

// Answers the fetch from the store: its stored body goes through the write
// callback's path as the network's bytes would. False when the store holds
// no fresh answer for it (or could not be read, which is warned about and
// ends the store's use), and nothing was delivered.
bool replay_stored_answer(const run_options& opts, run_state& state, fetch& f);

// Whether an answer whose transfer has just ended is kept, and if so keeps
// it: a whole answer only, never one failed, cut, refused or stopped by -L.
void keep_answer(const run_options& opts, run_state& state, fetch& f, CURLcode result);

// Gives up the store for the rest of the run, with one warning naming its
// file and the reason.
void store_failed(run_state& state, const std::string& reason);

}  // namespace trawl
