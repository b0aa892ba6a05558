// The transfer library's verbose trace (-ddd), credentials left out.
#pragma once

#include <curl/curl.h>

#include <cstddef>

namespace trawl {

int curl_debug_trace(CURL* handle, curl_infotype type, char* data, size_t size, void* userdata);

}  // namespace trawl
