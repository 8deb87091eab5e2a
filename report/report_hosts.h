#pragma once
// Where usage reports go: the reporting server for Chinese (PRC) users, the product's web
// server for everyone else.
#include <windows.h>

#include <string>

const LANGID kChineseLanguageId = 2052;

// "http://<host>/qzadmin/operate.php" for the language.
std::string OperateEndpointFor(LANGID language);
// "http://<host>/qzadmin/down_speed.php" for the language.
std::string DownSpeedEndpointFor(LANGID language);

// The address step reports are sent to: the operate endpoint for the user's language until
// set otherwise (the main window sets the same address when it is created).
void SetReportBaseUrl(const std::string& url);
std::string GetReportBaseUrl();
