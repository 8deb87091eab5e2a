#pragma once
// The texts and background images the main window sets from code, in Chinese or English.
#include <windows.h>

struct MainFrameTexts {
    const wchar_t* statusDownloadingStage;  // stage 1 label
    const wchar_t* statusInstalling;        // stage 2 label
    const wchar_t* statusDownloading;       // running download (pause logic)
    const wchar_t* statusPaused;
    const wchar_t* pause;
    const wchar_t* resume;
    const wchar_t* installSucceeded;
    const wchar_t* installFailed;
    const wchar_t* restartNeeded;  // result page, under installSucceeded, for 3010 and 1641
    const wchar_t* open;
    const wchar_t* retry;
    const wchar_t* minimizedBalloon;
    const wchar_t* installingBalloon;
    const wchar_t* trayTip;
    const wchar_t* progressBalloonTitle;
    const wchar_t* banners[5];  // background rotation, index 0 to 4; 4 is the layout's own
    UINT layout;                // main layout resource
};

const MainFrameTexts& TextsFor(bool chinese);

// The user's language picks Chinese exactly for 2052.
bool IsChineseLanguage(LANGID language);
