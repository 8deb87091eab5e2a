#!/usr/bin/env bash
# Renders the preview pictures through the real framework under Wine:
#   controls.png        the sample of every control kind, as built and in each pointer, focus
#                       and page state (one frame per state, captioned)
#   main_en.png, main_zh.png   the installer's main window, its three pages
#   msgbox_en.png, msgbox_zh.png   the installer's message box
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

# The layouts ask for a Chinese face Wine does not have: let it use the CJK font of the machine
# (fonts-wqy-microhei) so that Chinese texts are readable in the pictures.
LC_ALL=C.UTF-8 bash "$root/scripts/wine-test-run.sh" reg add 'HKCU\Software\Wine\Fonts\Replacements' \
  /v "微软雅黑" /d "WenQuanYi Micro Hei" /f >/dev/null
# Marked-up texts start from the window's default font: link the CJK font to it as Chinese
# Windows links its CJK fonts to the dialog font.
LC_ALL=C.UTF-8 bash "$root/scripts/wine-test-run.sh" reg add \
  'HKLM\Software\Microsoft\Windows NT\CurrentVersion\FontLink\SystemLink' /v Tahoma \
  /t REG_MULTI_SZ /d "wqy-microhei.ttc,WenQuanYi Micro Hei" /f >/dev/null

preview() {
  bash "$root/scripts/wine-test-run.sh" "$exe" layout "$@"
}

# Wine maps the Unix root to drive Z:, so absolute Unix paths serve as Windows paths.
preview "$here/samples/controls.xml" "$out/controls.png" normal \
  hover:img_hot press:img_pushed focus:img_focused \
  hover:col_button press:col_button hover:closebtn press:minbtn \
  click:check_off click:opt_b select:tabs:2

pages="normal select:switch:1 select:switch:2"
preview 129 "$out/main_en.png" $pages
preview 154 "$out/main_zh.png" $pages

# The message box as each of its six kinds shows it.
labels=msg11,msg12,msg13,msg21,msg22,msg23,msg31,msg41,msg51,msg61,msg62
buttons=btnISee,btnQuit,btnQuitCenter,btnRetry,btnDetail,btnContinueSetup,btnCancelSetup,btnOK,btnCancel
kinds=""
for shown in msg21,msg22,msg23,btnISee msg11,msg12,msg13,btnQuitCenter msg31,btnRetry,btnQuit \
             msg41,btnContinueSetup,btnCancelSetup msg51,btnOK,btnCancel msg61,msg62,btnQuitCenter; do
  kinds="$kinds hide:$labels,$buttons+show:$shown"
done
preview 167 "$out/msgbox_en.png" $kinds
preview 156 "$out/msgbox_zh.png" $kinds

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
