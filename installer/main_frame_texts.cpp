#include "installer/main_frame_texts.h"

namespace {
const MainFrameTexts kChinese = {
    L"下载中 ...",
    L"安装中 ...",
    L"下载中...",
    L"已暂停",
    L"暂停",
    L"继续",
    L"安装成功!",
    L"安装失败!",
    L"需要重新启动 Windows 才能完成安装。",
    L"打开",
    L"重试",
    L"Velmora已最小化!",
    L"Velmora已开始安装!",
    L"Velmora下载器",
    L"安装进度:",
    {L"res='131' restype='png'", L"res='132' restype='png'", L"res='168' restype='png'",
     L"res='169' restype='png'", L"res='130' restype='png'"},
    154,
};

const MainFrameTexts kEnglish = {
    L"Downloading ...",
    L"Installing ...",
    L"Downloading...",
    L"Paused",
    L"Pause",
    L"Resume",
    L"Installation successful!",
    L"Installation failed!",
    L"Windows must restart to finish the installation.",
    L"Open",
    L"Retry",
    L"Velmora is Minimized here!",
    L"Velmora is being installed!",
    L"Velmora Installer",
    L"Progress of the installation:",
    {L"res='171' restype='png'", L"res='172' restype='png'", L"res='173' restype='png'",
     L"res='174' restype='png'", L"res='170' restype='png'"},
    129,
};
}  // namespace

const MainFrameTexts& TextsFor(bool chinese) {
    return chinese ? kChinese : kEnglish;
}

bool IsChineseLanguage(LANGID language) {
    return language == 2052;
}
