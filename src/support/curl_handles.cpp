#include "support/curl_handles.h"

#include <new>

namespace trawl {

void slist_append(curl_slist_ptr& list, const char* line) {
  curl_slist* grown = curl_slist_append(list.get(), line);
  if (grown == nullptr) throw std::bad_alloc();
  (void)list.release();  // the grown list still starts with the old head
  list.reset(grown);
}

std::optional<std::string> url_escape(const std::string& text) {
  char* escaped = curl_easy_escape(nullptr, text.c_str(), static_cast<int>(text.size()));
  if (escaped == nullptr) return std::nullopt;
  std::string result = escaped;
  curl_free(escaped);
  return result;
}

}  // namespace trawl
