#pragma once
// The owner of a libcurl easy handle: app's owner template with libcurl's cleanup, kept here
// because app/ does not see libcurl.
#include <curl/curl.h>

#include "app/scoped_handles.h"

struct CurlEasyTraits : NullIsNone<CURL*> {
    static void Close(CURL* handle) { curl_easy_cleanup(handle); }
};

using ScopedCurl = ScopedResource<CurlEasyTraits>;
