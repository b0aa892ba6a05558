// Owning wrappers for libcurl handles.
#pragma once

#include <curl/curl.h>

#include <memory>
#include <optional>
#include <string>

namespace trawl {

struct curl_easy_deleter {
  void operator()(CURL* h) const { curl_easy_cleanup(h); }
};
struct curl_multi_deleter {
  void operator()(CURLM* h) const { curl_multi_cleanup(h); }
};
struct curl_slist_deleter {
  void operator()(curl_slist* l) const { curl_slist_free_all(l); }
};

using curl_easy_ptr = std::unique_ptr<CURL, curl_easy_deleter>;
using curl_multi_ptr = std::unique_ptr<CURLM, curl_multi_deleter>;
using curl_slist_ptr = std::unique_ptr<curl_slist, curl_slist_deleter>;

// Appends a header line to a list, keeping ownership in the wrapper; throws
// std::bad_alloc when the library cannot.
void slist_append(curl_slist_ptr& list, const char* line);

// The library's URL escaping; nullopt when it fails.
std::optional<std::string> url_escape(const std::string& text);

}  // namespace trawl
