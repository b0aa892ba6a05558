// Asking a failed fetch again when its failure may pass: the server said
// it is busy (HTTP 429, 503), or it could not be reached. The wait is a
// timer inside the engine, so that other transfers go on meanwhile.
#pragma once

#include <curl/curl.h>

#include <optional>
#include <string>

#include "core/options.h"
#include "core/transfer.h"

namespace trawl {

// The longest wait before an attempt, whatever the server asks.
inline constexpr long retry_wait_limit_ms = 60000;

// The wait in milliseconds after `attempts` failed attempts: the server's
// Retry-After when it gave one (retry_after_s > 0), else 1 s doubled for
// each attempt after the first plus up to a quarter of that as jitter
// (jitter in [0, 1)); never more than retry_wait_limit_ms.
long retry_wait_ms(int attempts, long retry_after_s, double jitter);

// Why an ended transfer failed, as the wait line says it, when asking again
// may help; none otherwise. body_bytes: bytes of body received. A transfer
// that received any body of a 200 answer is never asked again: its records
// are out.
std::optional<std::string> retry_reason(long rcode, CURLcode result, long body_bytes);

// Decides whether the ended transfer of f is asked again. When it is, the
// transfer is out of the multi handle, the fetch is back to the state of
// one not yet answered, the wait is logged (unless quiet), and the fetch is
// on the engine's waiting list: true. False leaves everything as it was.
bool retry_later(const run_options& opts, transfer_engine& engine, fetch& f, CURLcode result);

// Puts every waiting fetch whose time has come back into the multi handle;
// throws fatal_error when the library refuses it.
void retry_start_due(transfer_engine& engine);

// At most `longest` ms, less when a waiting fetch is due sooner.
int retry_poll_ms(const transfer_engine& engine, int longest);

}  // namespace trawl
