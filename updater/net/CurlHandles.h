// SPDX-License-Identifier: MIT
#pragma once

#include <curl/curl.h>

#include <memory>

// Owners of libcurl's handles. An easy handle leaves its multi handle before either is
// cleaned up, and a header list outlives the transfer that sends it.
struct CurlEasyCleanup {
    void operator()(CURL *easy) const { curl_easy_cleanup(easy); }
};
struct CurlMultiCleanup {
    void operator()(CURLM *multi) const { curl_multi_cleanup(multi); }
};
struct CurlSlistFree {
    void operator()(curl_slist *list) const { curl_slist_free_all(list); }
};
using CurlEasy = std::unique_ptr<CURL, CurlEasyCleanup>;
using CurlMulti = std::unique_ptr<CURLM, CurlMultiCleanup>;
using CurlSlist = std::unique_ptr<curl_slist, CurlSlistFree>;

// curl_slist_append onto an owned list; false when out of memory, the list unchanged.
inline bool appendCurl(CurlSlist &list, const char *text)
{
    curl_slist *head = curl_slist_append(list.get(), text);
    if (!head)
        return false;
    (void)list.release(); // the same head, or the first item of an empty list
    list.reset(head);
    return true;
}
