#!/usr/bin/env bash
# Renders the preview pictures through the real framework under Wine:
#   controls.png        the sample of every control kind, as built and in each pointer, focus
#                       and page state (one frame per state, captioned)
#   main_en.png, main_zh.png   the installer's main window, its three pages
#   msgbox_en.png, msgbox_zh.png   the installer's message box
#   obstacles_en.png, obstacles_zh.png   the progress page with a full disk and with the wait
#                       for the network, and the result page of a refused package
#   main_en_<dpi>.png, main_zh_<dpi>.png, msgbox_en_<dpi>.png, msgbox_zh_<dpi>.png,
#   obstacles_en_<dpi>.png, obstacles_zh_<dpi>.png
#                       the same at 125, 150 and 200 % display scale (120, 144, 192 DPI)
# usage: render_samples.sh [skinpreview.exe] [output folder]
# Default: the tool of ./build and the folder ./build/samples.
set -euo pipefail
here="$(cd "$(dirname "${BASH_SOURCE[0]}")" && pwd)"
root="$(cd "$here/../.." && pwd)"
exe="${1:-$root/build/tools/skinpreview/skinpreview.exe}"
out="${2:-$root/build/samples}"
mkdir -p "$out"
out="$(cd "$out" && pwd)"
export VELMORA_NEEDS_DISPLAY=1
export VELMORA_TEST_NAME="${VELMORA_TEST_NAME:-skinpreview}"
export VELMORA_PREFIX_ROOT="${VELMORA_PREFIX_ROOT:-$(cd "$(dirname "$exe")" && pwd)/wine}"

# The layouts ask for a Chinese face Wine does not have: let it use the CJK font of the machine
# (fonts-wqy-microhei) so that Chinese texts are readable in the pictures.
fonts_for_prefix() {
  LC_ALL=C.UTF-8 bash "$root/scripts/wine-test-run.sh" reg add 'HKCU\Software\Wine\Fonts\Replacements' \
    /v "微软雅黑" /d "WenQuanYi Micro Hei" /f >/dev/null
  # Marked-up texts start from the window's default font: link the CJK font to it as Chinese
  # Windows links its CJK fonts to the dialog font.
  LC_ALL=C.UTF-8 bash "$root/scripts/wine-test-run.sh" reg add \
    'HKLM\Software\Microsoft\Windows NT\CurrentVersion\FontLink\SystemLink' /v Tahoma \
    /t REG_MULTI_SZ /d "wqy-microhei.ttc,WenQuanYi Micro Hei" /f >/dev/null
}
fonts_for_prefix

preview() {
  bash "$root/scripts/wine-test-run.sh" "$exe" layout "$@"
}

# Wine maps the Unix root to drive Z:, so absolute Unix paths serve as Windows paths.
preview "$here/samples/controls.xml" "$out/controls.png" normal \
  hover:img_hot press:img_pushed focus:img_focused \
  hover:col_button press:col_button hover:closebtn press:minbtn \
  click:check_off click:opt_b select:tabs:2

# The main window's pages as the install flow shows them: the start page, downloading
# (stage 1), installing (stage 2), and the result page after a success and after a failure.
# Stages 1 and 2 hide the pause button, the tip, the full-package link and the speed label.
busy=hide:pausebtn,downtip,manualdownload,downladspeed
main_pages() {  # downloading installing success failure open retry
  echo "normal" \
    "select:switch:1+$busy+text:status=$1+value:progress:35+text:progressread=35%" \
    "select:switch:1+$busy+text:status=$2+value:progress:86+text:progressread=86%" \
    "select:switch:2+text:finishtext=$3+text:endbtn=$5" \
    "select:switch:2+text:finishtext=$4+text:endbtn=$6"
}
# shellcheck disable=SC2046
preview 129 "$out/main_en.png" $(main_pages "Downloading\u0020..." "Installing\u0020..." \
  "Installation\u0020successful!" "Installation\u0020failed!" Open Retry)
# 下载中 ... / 安装中 ... / 安装成功! / 安装失败! / 打开 / 重试
# shellcheck disable=SC2046
preview 154 "$out/main_zh.png" $(main_pages '\u4e0b\u8f7d\u4e2d\u0020...' \
  '\u5b89\u88c5\u4e2d\u0020...' '\u5b89\u88c5\u6210\u529f!' '\u5b89\u88c5\u5931\u8d25!' \
  '\u6253\u5f00' '\u91cd\u8bd5')

# What the pages say when something stands in the way: a disk without room (with Retry and the
# way back to the folder field), the wait for the network, and a refused package.
obstacle_pages() {  # disk network downloading refused-reason failed retry
  echo "select:switch:1+$busy+value:progress:35+text:progressread=35%+show:obstacle,spaceretry,spacefolder+text:obstacle=$1" \
    "select:switch:1+$busy+value:progress:35+text:progressread=35%+show:obstacle+text:obstacle=$2" \
    "select:switch:2+text:finishtext=$3+text:endbtn=$4+show:failreason,manuallink"
}
obstacles_en() {
  obstacle_pages \
    "Not\u0020enough\u0020disk\u0020space\u0020on\u0020drive\u0020C:\u0020(120.5\u0020MB\u0020needed,\u002020.0\u0020MB\u0020free).\u0020The\u0020download\u0020goes\u0020on\u0020by\u0020itself\u0020as\u0020soon\u0020as\u0020there\u0020is\u0020room." \
    "Waiting\u0020for\u0020the\u0020network,\u0020trying\u0020again\u0020in\u002012\u0020s" \
    "Installation\u0020failed!" Retry
}
# 磁盘 C: 空间不足：需要 120.5 MB，可用 20.0 MB。空出空间后，下载会自动继续。 /
# 正在等待网络，12 秒后重试 / 安装失败! / 重试
obstacles_zh() {
  obstacle_pages \
    '\u78c1\u76d8\u0020C:\u0020\u7a7a\u95f4\u4e0d\u8db3\uff1a\u9700\u8981\u0020120.5\u0020MB\uff0c\u53ef\u7528\u002020.0\u0020MB\u3002\u7a7a\u51fa\u7a7a\u95f4\u540e\uff0c\u4e0b\u8f7d\u4f1a\u81ea\u52a8\u7ee7\u7eed\u3002' \
    '\u6b63\u5728\u7b49\u5f85\u7f51\u7edc\uff0c12\u0020\u79d2\u540e\u91cd\u8bd5' \
    '\u5b89\u88c5\u5931\u8d25!' '\u91cd\u8bd5'
}
# shellcheck disable=SC2046
preview 129 "$out/obstacles_en.png" $(obstacles_en)
# shellcheck disable=SC2046
preview 154 "$out/obstacles_zh.png" $(obstacles_zh)

# The message box as each of its six kinds shows it.
labels=msg11,msg12,msg13,msg21,msg22,msg23,msg31,msg41,msg51,msg61,msg62
buttons=btnISee,btnQuit,btnQuitCenter,btnRetry,btnDetail,btnContinueSetup,btnCancelSetup,btnOK,btnCancel
kinds=""
for shown in msg21,msg22,msg23,btnISee msg11,msg12,msg13,btnQuitCenter msg31,btnRetry,btnQuit \
             msg41,btnContinueSetup,btnCancelSetup msg51,btnOK,btnCancel msg61,msg62,btnQuitCenter; do
  kinds="$kinds hide:$labels,$buttons+show:$shown"
done
# The processor box with a 34-character name wrapped after 30 characters, as the box does it.
cpu="text:msg12=AMD\u0020Athlon(tm)\u0020II\u0020X4\u0020640\u0020Proce"
preview 167 "$out/msgbox_en.png" $kinds \
  "hide:$labels,$buttons+show:msg11,msg12,msg13,btnQuitCenter+$cpu+text:msg13=ssor\u0020CPU\u0020temporarily."
preview 156 "$out/msgbox_zh.png" $kinds \
  "hide:$labels,$buttons+show:msg11,msg12,msg13,btnQuitCenter+$cpu+text:msg13=ssor\u0020\u578b\u53f7CPU"

# The windows at larger display scales: a prefix of their own each, with its LogPixels.
base_name="$VELMORA_TEST_NAME"
for dpi in 120 144 192; do
  export VELMORA_TEST_NAME="${base_name}_$dpi" VELMORA_WINE_DPI=$dpi
  fonts_for_prefix
  # shellcheck disable=SC2046
  preview 129 "$out/main_en_$dpi.png" $(main_pages "Downloading\u0020..." "Installing\u0020..." \
    "Installation\u0020successful!" "Installation\u0020failed!" Open Retry)
  # shellcheck disable=SC2046
  preview 154 "$out/main_zh_$dpi.png" $(main_pages '\u4e0b\u8f7d\u4e2d\u0020...' \
    '\u5b89\u88c5\u4e2d\u0020...' '\u5b89\u88c5\u6210\u529f!' '\u5b89\u88c5\u5931\u8d25!' \
    '\u6253\u5f00' '\u91cd\u8bd5')
  # shellcheck disable=SC2046
  preview 129 "$out/obstacles_en_$dpi.png" $(obstacles_en)
  # shellcheck disable=SC2046
  preview 154 "$out/obstacles_zh_$dpi.png" $(obstacles_zh)
  preview 167 "$out/msgbox_en_$dpi.png" $kinds
  preview 156 "$out/msgbox_zh_$dpi.png" $kinds
done
unset VELMORA_WINE_DPI
export VELMORA_TEST_NAME="$base_name"

# The tool writes uncompressed PNGs; compress them for keeping and viewing.
python3 - "$out"/*.png <<'PY'
import struct, sys, zlib
for path in sys.argv[1:]:
    data = open(path, "rb").read()
    pos, chunks, idat = 8, [], b""
    while pos < len(data):
        length, kind = struct.unpack(">I4s", data[pos:pos + 8])
        body = data[pos + 8:pos + 8 + length]
        pos += 12 + length
        if kind == b"IDAT":
            idat += body
        else:
            chunks.append((kind, body))
    packed = zlib.compress(zlib.decompress(idat), 9)
    with open(path, "wb") as f:
        f.write(data[:8])
        for kind, body in chunks:
            if kind == b"IEND":
                f.write(struct.pack(">I4s", len(packed), b"IDAT") + packed +
                        struct.pack(">I", zlib.crc32(b"IDAT" + packed)))
            f.write(struct.pack(">I4s", len(body), kind) + body +
                    struct.pack(">I", zlib.crc32(kind + body)))
PY
ls -l "$out"
