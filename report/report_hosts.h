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

// The address step reports are sent to; set once by the main window before the first report.
void SetReportBaseUrl(const std::string& url);
std::string GetReportBaseUrl();
