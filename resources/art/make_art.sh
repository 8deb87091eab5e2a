#!/usr/bin/env bash
# Draws the installer's artwork: window backgrounds, button faces, check box,
# progress bar, message-box pieces and the application icons.
#
# Needs ImageMagick 6 (convert), zopflipng (zopfli), DejaVu Sans (fonts-dejavu-core) and
# WenQuanYi Micro Hei (fonts-wqy-microhei). The generated files are committed,
# so a normal build never runs this script.
#
#   bash resources/art/make_art.sh            # rewrite images/ and icons/
#   bash resources/art/make_art.sh --mockups  # also write window mock-ups to $MOCKUP_DIR
set -euo pipefail

here="$(cd "$(dirname "${BASH_SOURCE[0]}")" && pwd)"
res="$(dirname "$here")"
img="$res/images"
ico="$res/icons"
if [ -n "${ART_WORK:-}" ]; then
  work="$ART_WORK"; mkdir -p "$work"      # keep the unreduced pictures for inspection
else
  work="$(mktemp -d)"; trap 'rm -rf "$work"' EXIT
fi
mkdir -p "$img" "$ico"

LATIN_BOLD=/usr/share/fonts/truetype/dejavu/DejaVuSans-Bold.ttf
LATIN=/usr/share/fonts/truetype/dejavu/DejaVuSans.ttf
CJK=/usr/share/fonts/truetype/wqy/wqy-microhei.ttc
for f in "$LATIN_BOLD" "$LATIN" "$CJK"; do
  [ -f "$f" ] || { echo "missing font $f" >&2; exit 1; }
done
command -v zopflipng >/dev/null || { echo "missing zopflipng (apt install zopfli)" >&2; exit 1; }

# Palette. One brand blue with a mint accent on deep navy.
BRAND='#3D7BFF'
BRAND_HI='#6A9BFF'
BRAND_LO='#2A5BD7'
MINT='#22C9A0'
NAVY_TOP='#12245E'
NAVY_BOTTOM='#091029'
AMBER='#FFB020'

# Final encoding: stripped, then recompressed losslessly with zopflipng (the pixels stay as
# ImageMagick wrote them). Truecolour+alpha pieces are small; the large backgrounds get a fine
# ordered dither and a 256-colour palette, which keeps the glows smooth at a quarter of the
# truecolour size.
shrink() { zopflipng -y -m "$1" "$1.z" >/dev/null && mv "$1.z" "$1"; }
save() {
  convert "$1" -strip -depth 8 -define png:compression-level=9 -define png:compression-strategy=1 "$2"
  shrink "$2"
}
save_palette() {
  convert "$1" -strip -ordered-dither o8x8,32 +dither -colors 256 \
    -define png:compression-level=9 -define png:compression-strategy=1 "PNG8:$2"
  shrink "$2"
}

# ---------------------------------------------------------------- logo mark
# A rounded square in a blue-to-mint gradient carrying a white "V" and a spark.
convert -size 192x192 -define gradient:angle=135 gradient:"#4F86FF-#1FC9A3" \
  \( -size 192x192 xc:black -fill white -draw "roundrectangle 0,0 191,191 46,46" \) \
  -alpha off -compose CopyOpacity -composite -compose Over \
  -fill none -stroke white -strokewidth 26 \
  -draw "stroke-linecap round stroke-linejoin round polyline 52,60 96,140 122,94" \
  -stroke none -fill white -draw "circle 146,54 146,68" "$work/logo.png"
logo() { convert "$work/logo.png" -filter Lanczos -resize "$1x$1" "$2"; }

# ---------------------------------------------------------------- backgrounds
# Drawn at scale $S (1 or 2) in 100 % coordinates: shapes through an affine scale, text and
# pasted pieces at scaled sizes and places (the affine scale does not reach them).
S=1
sc() { echo $(($1 * S)); }
bg_affine() { [ "$S" = 1 ] || echo "-affine $S,0,0,$S,0,0"; }
# Text at a 100 % point size and baseline position. -annotate sets the drawing's affine matrix
# to its own rotation, so the scale is set again after it for the shapes that follow.
ann() { # point size, x, y, text
  echo "-pointsize $(sc "$1") -annotate +$(sc "$2")+$(sc "$3") '$4' $(bg_affine)"
}

# Shared frame: navy gradient with soft glows, wordmark in the title strip,
# darker control panel along the bottom where the white labels sit.
frame() {
  logo "$(sc 26)" "$work/logo26x$S.png"
  # shellcheck disable=SC2046
  convert -size "$(sc 586)x$(sc 431)" gradient:"$NAVY_TOP-$NAVY_BOTTOM" \
    \( -size "$(sc 520)x$(sc 520)" radial-gradient:"rgba(61,123,255,0.45)-rgba(61,123,255,0)" \) -geometry "+$(sc 200)-$(sc 60)" -composite \
    \( -size "$(sc 420)x$(sc 420)" radial-gradient:"rgba(34,201,160,0.22)-rgba(34,201,160,0)" \) -geometry "-$(sc 170)+$(sc 120)" -composite \
    \( -size "$(sc 586)x$(sc 97)" xc:"rgba(4,8,24,0.55)" \) -geometry "+0+$(sc 334)" -composite $(bg_affine) \
    -fill "rgba(255,255,255,0.10)" -draw "line 0,334 585,334" \
    "$work/logo26x$S.png" -geometry "+$(sc 18)+$(sc 10)" -composite \
    -font "$LATIN_BOLD" -pointsize "$(sc 19)" -fill white -annotate "+$(sc 52)+$(sc 30)" "Velmora" \
    "$work/frame$S.png"
}

# Page dots under the hero: slide $1 of 5 is lit.
dots() {
  local lit=$1 d=""
  for i in 1 2 3 4 5; do
    local x=$((253 + (i - 1) * 20))
    if [ "$i" = "$lit" ]; then
      d+=" -fill '$BRAND_HI' -draw \"roundrectangle $((x - 2)),313 $((x + 14)),318 3,3\""
    else
      d+=" -fill \"rgba(255,255,255,0.30)\" -draw \"circle $((x + 6)),315.5 $((x + 8)),315.5\""
    fi
  done
  echo "$d"
}

# Illustrations, drawn into the right half of the hero (x 320..570, y 60..300).
app_icons() { # $1 x0, $2 y0, $3 size, $4 gap, $5 columns, $6 rows
  local x0=$1 y0=$2 s=$3 g=$4 cols=$5 rows=$6 out="" n=0
  local colours=("#FF6B6B" "#FFB020" "#22C9A0" "#3D7BFF" "#A66BFF" "#FF7AB8" "#2EC5F0" "#8BD346")
  for ((r = 0; r < rows; r++)); do
    for ((c = 0; c < cols; c++)); do
      local x=$((x0 + c * (s + g))) y=$((y0 + r * (s + g)))
      out+=" -fill '${colours[$((n % 8))]}' -draw 'roundrectangle $x,$y $((x + s)),$((y + s)) $((s / 4)),$((s / 4))'"
      out+=" -fill 'rgba(255,255,255,0.85)' -draw 'circle $((x + s / 2)),$((y + s / 2)) $((x + s / 2 + s / 6)),$((y + s / 2))'"
      n=$((n + 1))
    done
  done
  echo "$out"
}

monitor() { # screen fill $1; draws the monitor body, stand and screen
  echo "-fill '#0C1638' -draw 'roundrectangle 336,76 566,232 10,10'" \
       "-fill '$1' -draw 'roundrectangle 344,84 558,216 4,4'" \
       "-fill '#1B2A60' -draw 'polygon 432,232 470,232 478,258 424,258'" \
       "-fill '#24356F' -draw 'roundrectangle 404,256 498,264 4,4'" \
       "-fill 'rgba(255,255,255,0.35)' -draw 'circle 451,224 453,224'"
}

illustration() {
  case $1 in
  apps) # a phone's apps moving onto a PC monitor
    echo "$(monitor '#1A3C8F')" \
      "$(app_icons 364 102 30 14 4 2)" \
      "-fill 'rgba(255,255,255,0.18)' -draw 'roundrectangle 364,190 540,198 4,4'" \
      "-fill '#0C1638' -draw 'roundrectangle 318,150 386,280 10,10'" \
      "-fill '#2A56C8' -draw 'roundrectangle 323,162 381,266 4,4'" \
      "$(app_icons 328 168 14 6 3 3)" \
      "-fill 'rgba(255,255,255,0.5)' -draw 'roundrectangle 342,272 362,274 1,1'"
    ;;
  games) # a game on the big screen and a game pad
    echo "$(monitor '#2B4FC0')" \
      "-fill '#6EC3FF' -draw 'rectangle 344,84 558,170'" \
      "-fill '#FFD45C' -draw 'circle 510,112 510,126'" \
      "-fill '#2FBF8F' -draw 'polygon 344,216 344,160 392,128 440,170 480,142 558,196 558,216'" \
      "-fill '#1E8E6E' -draw 'polygon 344,216 344,190 410,168 470,200 558,186 558,216'" \
      "-fill '#FF6B6B' -draw 'roundrectangle 402,150 418,166 3,3'" \
      "-fill '#0C1638' -draw 'roundrectangle 372,246 530,292 22,22'" \
      "-fill '#0C1638' -draw 'circle 392,282 392,304' -draw 'circle 510,282 510,304'" \
      "-fill '#3D7BFF' -draw 'rectangle 396,262 402,282' -draw 'rectangle 389,269 409,275'" \
      "-fill '#FFB020' -draw 'circle 500,262 500,267' -fill '#22C9A0' -draw 'circle 512,274 512,279'" \
      "-fill '#FF6B6B' -draw 'circle 488,274 488,279' -fill '#A66BFF' -draw 'circle 500,286 500,291'"
    ;;
  keys) # keyboard with the movement keys lit, a mouse and an aim mark
    local k="" x y lit
    for ((r = 0; r < 4; r++)); do
      for ((c = 0; c < 8; c++)); do
        x=$((352 + c * 20 + (r % 2) * 6)); y=$((158 + r * 19))
        lit=""
        [ $r = 1 ] && [ $c = 1 ] && lit=W
        [ $r = 2 ] && [ $c = 0 ] && lit=A
        [ $r = 2 ] && [ $c = 1 ] && lit=S
        [ $r = 2 ] && [ $c = 2 ] && lit=D
        if [ -n "$lit" ]; then
          k+=" -fill '$BRAND' -draw 'roundrectangle $x,$y $((x + 16)),$((y + 15)) 3,3'"
          k+=" -font '$LATIN_BOLD' -fill white $(ann 10 $((x + 4)) $((y + 12)) "$lit")"
        else
          k+=" -fill '#2A3B78' -draw 'roundrectangle $x,$y $((x + 16)),$((y + 15)) 3,3'"
        fi
      done
    done
    echo "-fill 'rgba(0,0,0,0.25)' -draw 'roundrectangle 344,152 536,252 12,12'" \
      "-fill '#0C1638' -draw 'roundrectangle 340,146 532,246 12,12'" "$k" \
      "-fill '#2A3B78' -draw 'roundrectangle 392,234 490,242 3,3'" \
      "-fill '#0C1638' -draw 'roundrectangle 506,196 562,282 28,28'" \
      "-fill '#2A3B78' -draw 'roundrectangle 512,202 556,276 22,22'" \
      "-stroke '#0C1638' -strokewidth 3 -draw 'line 534,202 534,232'" \
      "-stroke none -fill '$MINT' -draw 'roundrectangle 531,210 537,224 3,3'" \
      "-fill none -stroke '$MINT' -strokewidth 4 -draw 'circle 470,106 470,128'" \
      "-strokewidth 3 -draw 'line 470,76 470,92' -draw 'line 470,120 470,136' -draw 'line 440,106 456,106' -draw 'line 484,106 500,106'" \
      "-stroke none -fill '$AMBER' -draw 'circle 470,106 470,111'"
    ;;
  multi) # several app windows running side by side
    local w="" i x y
    for i in 0 1 2; do
      x=$((330 + i * 40)); y=$((80 + i * 36))
      w+=" -fill 'rgba(0,0,0,0.25)' -draw 'roundrectangle $((x + 4)),$((y + 6)) $((x + 154)),$((y + 146)) 10,10'"
      w+=" -fill '#0C1638' -draw 'roundrectangle $x,$y $((x + 150)),$((y + 140)) 10,10'"
      w+=" -fill '#1E347A' -draw 'roundrectangle $((x + 6)),$((y + 20)) $((x + 144)),$((y + 134)) 4,4'"
      w+=" -fill '#FF6B6B' -draw 'circle $((x + 12)),$((y + 10)) $((x + 15)),$((y + 10))'"
      w+=" -fill '#FFB020' -draw 'circle $((x + 22)),$((y + 10)) $((x + 25)),$((y + 10))'"
      w+=" -fill '#22C9A0' -draw 'circle $((x + 32)),$((y + 10)) $((x + 35)),$((y + 10))'"
      w+=" $(app_icons $((x + 16)) $((y + 32)) 24 10 4 3)"
    done
    echo "$w" "-fill '$MINT' -draw 'circle 548,88 548,102'" \
      "-font '$LATIN_BOLD' -fill white $(ann 16 536 94 '×3')"
    ;;
  speed) # speed gauge with the needle near the top and a lightning bolt
    echo "-stroke none -fill '#0C1638' $(arc 440 176 90 150 390 9)" \
      "-fill '$BRAND' $(arc 440 176 90 150 312 9)" \
      "-fill '$MINT' $(arc 440 176 90 318 360 9)" \
      "-stroke 'rgba(255,255,255,0.45)' -strokewidth 2 -draw 'line 374,176 386,176' -draw 'line 440,110 440,122' -draw 'line 494,176 506,176'" \
      "-draw 'line 393,129 401,137' -draw 'line 487,129 479,137'" \
      "-stroke none -fill white -draw 'polygon 435,171 445,181 498,128'" \
      "-fill '#0C1638' -draw 'circle 440,176 440,190'" \
      "-fill '$BRAND_HI' -draw 'circle 440,176 440,183'" \
      "-fill '$AMBER' -draw 'polygon 452,204 426,244 442,244 432,276 464,230 448,230 460,204'"
    ;;
  esac
}

# A thick circular arc with round ends, laid down as overlapping discs
# (centre, radius, start and end angle in degrees clockwise on screen, half width).
arc() {
  awk -v cx="$1" -v cy="$2" -v r="$3" -v a0="$4" -v a1="$5" -v w="$6" 'BEGIN {
    for (a = a0; a <= a1 + 0.01; a += 1.5) {
      t = a * 3.14159265 / 180; x = cx + r * cos(t); y = cy + r * sin(t)
      printf " -draw \"circle %.1f,%.1f %.1f,%.1f\"", x, y, x + w, y
    }
  }'
}

# Headline (two lines) and a subtitle line in the left half of the hero.
hero_text() { # $1 lang, $2 headline 1, $3 headline 2, $4 subtitle
  if [ "$1" = en ]; then
    echo "-font '$LATIN_BOLD' -fill white $(ann 27 36 136 "$2") $(ann 27 36 172 "$3")" \
         "-font '$LATIN' -fill 'rgba(255,255,255,0.72)' $(ann 14 37 206 "$4")"
  else
    local stroke=0.7
    [ "$S" = 1 ] || stroke=1.4
    echo "-font '$CJK' -fill white -stroke white -strokewidth $stroke $(ann 30 36 136 "$2") $(ann 30 36 178 "$3")" \
         "-stroke none -font '$CJK' -fill 'rgba(255,255,255,0.72)' $(ann 15 37 214 "$4")"
  fi
}

accent_bar() { echo "-fill '$MINT' -draw 'roundrectangle 37,96 65,101 2,2'"; }

background() { # $1 id, $2 lang, $3 slide number, $4 illustration, $5..$7 texts
  local cmd
  cmd="convert '$work/frame$S.png' $(bg_affine) $(accent_bar) $(illustration "$4") $(hero_text "$2" "$5" "$6" "$7") $(dots "$3") '$work/bg${1}x$S.png'"
  eval "$cmd"
  if [ "$S" = 1 ]; then
    save_palette "$work/bg${1}x1.png" "$img/bg_$2_$1.png"
  else
    detail_layer "$work/bg${1}x$S.png" "$img/bg_$2_$1.png" "$img/$((S * 100))/bg_$2_$1_detail.png"
  fi
}

# The 200 % backgrounds are shipped as details over the 100 % picture: the framework upscales
# the 100 % picture linearly (which keeps the glows and gradients as they are) and lays the
# details on top. They are the pixels of the real 200 % drawing wherever it differs visibly from
# that upscale (text, edges), and transparent elsewhere, which compresses to a fraction of a
# whole 200 % picture.
detail_layer() { # $1 drawing at 200 %, $2 the shipped 100 % picture, $3 out
  convert "$2" -filter Triangle -resize 200% "$work/up.png"
  convert "$1" "$work/up.png" -compose Difference -composite -separate \
    -evaluate-sequence Max -threshold "${DETAIL_THRESHOLD:-4}%" "$work/mask.png"
  # Edge pixels only: a palette (no dither) with one transparent entry holds them well.
  convert "$1" "$work/mask.png" -alpha off -compose CopyOpacity -composite \
    -background black -alpha background -strip +dither -colors 256 "PNG8:$3"
  shrink "$3"
}

backgrounds() {
frame
background 170 en 1 apps  "Android apps" "on your PC" "Mobile apps, right on Windows."
background 171 en 2 games "Play mobile games" "on a big screen" "Full screen, high frame rates."
background 172 en 3 keys  "Keyboard and mouse," "made for games" "Precise key mapping for every game."
background 173 en 4 multi "Run many apps" "side by side" "Several instances, all at once."
background 174 en 5 speed "Fast and light," "ready in a minute" "A fast engine built for PCs."

background 130 zh 1 apps  "电脑上畅玩" "安卓应用" "海量手机应用，电脑上轻松运行"
background 131 zh 2 games "大屏畅玩" "手机游戏" "全屏高帧率，操作更流畅"
background 132 zh 3 keys  "键鼠操控" "精准自如" "专业按键映射，适配热门游戏"
background 168 zh 4 multi "多开同屏" "一机多用" "多个实例同时运行，互不干扰"
background 169 zh 5 speed "轻快极速" "一分钟就绪" "高性能引擎，为电脑而生"
}
mkdir -p "$img/200"
S=1 backgrounds
S=2 backgrounds

# ---------------------------------------------------------------- small pieces
# Everything but the backgrounds, drawn at scale $1 (1 or 2) into folder $2: the 100 % set
# (resource type PNG) and the 200 % set (PNG200) the framework picks at 150 % and more. Shapes
# are drawn in 100 % coordinates through an affine scale, so both sets show the same design.
small_pieces() {
local s=$1 dir=$2 A=""
[ "$s" = 1 ] || A="-affine $s,0,0,$s,0,0"
mkdir -p "$dir"
# ---- button faces
# face W H radius top-colour bottom-colour style out
#   style: raised (light top edge), pressed (dark top edge, no light edge)
face() {
  local w=$1 h=$2 r=$3 c0=$4 c1=$5 style=$6 out=$7 edge
  if [ "$style" = raised ]; then
    edge="-fill 'rgba(255,255,255,0.35)' -draw 'line $r,1 $((w - r - 1)),1'"
  else
    edge="-fill 'rgba(0,0,0,0.22)' -draw 'line $r,1 $((w - r - 1)),1' -fill 'rgba(0,0,0,0.10)' -draw 'line $((r - 1)),2 $((w - r)),2'"
  fi
  eval "convert -size $((w * s))x$((h * s)) gradient:'$c0-$c1' \
    \( -size $((w * s))x$((h * s)) xc:black -fill white -draw 'roundrectangle 0,0 $((w * s - 1)),$((h * s - 1)) $((r * s)),$((r * s))' \) \
    -alpha off -compose CopyOpacity -composite -compose Over $A $edge '$work/face.png'"
  save "$work/face.png" "$out"
}
# hot, normal, pushed
face_set() { # W H radius hot-id normal-id pushed-id name
  face "$1" "$2" "$3" '#74A6FF' '#4A86FF' raised "$dir/$7_hot_$4.png"
  face "$1" "$2" "$3" '#4F8CFF' '#2F6BEF' raised "$dir/$7_normal_$5.png"
  face "$1" "$2" "$3" '#2557D0' '#2A5FDF' pressed "$dir/$7_pushed_$6.png"
}
face_set 139 39 6 136 137 138 btn_large
face_set 183 51 8 145 146 147 btn_result
face_set 76 34 5 158 159 160 msg_btn

# ---------------------------------------------------------------- title buttons
# Drawn at 31 x 32 and shown at 26 x 26: glyph strokes a little heavier than 2 px.
title_button() { # glyph(close|min) state(hot|normal|pushed) out
  local bg="" glyph col='rgba(255,255,255,0.85)'
  case "$1:$2" in
  close:hot) bg="-fill '#E5484D' -draw 'roundrectangle 1,1 29,30 7,7'"; col=white ;;
  close:pushed) bg="-fill '#B4262C' -draw 'roundrectangle 1,1 29,30 7,7'"; col='rgba(255,255,255,0.9)' ;;
  min:hot) bg="-fill 'rgba(255,255,255,0.18)' -draw 'roundrectangle 1,1 29,30 7,7'"; col=white ;;
  min:pushed) bg="-fill 'rgba(255,255,255,0.30)' -draw 'roundrectangle 1,1 29,30 7,7'"; col='rgba(255,255,255,0.9)' ;;
  esac
  if [ "$1" = close ]; then
    glyph="-stroke '$col' -strokewidth 2.4 -draw 'stroke-linecap round line 10.5,11 20.5,21' -draw 'stroke-linecap round line 20.5,11 10.5,21'"
  else
    glyph="-stroke '$col' -strokewidth 2.4 -draw 'stroke-linecap round line 10,16 21,16'"
  fi
  eval "convert -size $((31 * s))x$((32 * s)) xc:none $A $bg $glyph '$work/tb.png'"
  save "$work/tb.png" "$3"
}
title_button close hot "$dir/close_hot_133.png"
title_button close normal "$dir/close_normal_134.png"
title_button close pushed "$dir/close_pushed_135.png"
title_button min hot "$dir/min_hot_139.png"
title_button min normal "$dir/min_normal_140.png"
title_button min pushed "$dir/min_pushed_141.png"

# ---------------------------------------------------------------- folder button
# Sits right of the white folder field: a small blue key with a white folder.
browse() { # c0 c1 out
  # shellcheck disable=SC2086
  convert -size $((27 * s))x$((22 * s)) gradient:"$1-$2" \
    \( -size $((27 * s))x$((22 * s)) xc:black -fill white -draw "roundrectangle 0,0 $((27 * s - 1)),$((22 * s - 1)) $((3 * s)),$((3 * s))" \) \
    -alpha off -compose CopyOpacity -composite -compose Over $A \
    -fill white -draw "roundrectangle 7,6 12,9 1,1" -draw "roundrectangle 7,8 20,16 1,1" \
    -fill "rgba(0,0,0,0.18)" -draw "line 8,10 19,10" "$work/br.png"
  save "$work/br.png" "$3"
}
browse '#74A6FF' '#4A86FF' "$dir/browse_hot_142.png"
browse '#4F8CFF' '#2F6BEF' "$dir/browse_normal_143.png"
browse '#2557D0' '#2A5FDF' "$dir/browse_pushed_144.png"

# ---------------------------------------------------------------- check box
# shellcheck disable=SC2086
convert -size $((13 * s))x$((13 * s)) xc:none $A -fill "$BRAND" -draw "roundrectangle 0,0 12,12 2.5,2.5" \
  -stroke white -strokewidth 1.7 -draw "stroke-linecap round line 3.2,6.6 5.4,8.9" \
  -draw "stroke-linecap round line 5.4,8.9 9.8,3.8" "$work/cb1.png"
save "$work/cb1.png" "$dir/check_selected_148.png"
# shellcheck disable=SC2086
convert -size $((13 * s))x$((13 * s)) xc:none $A -fill "rgba(255,255,255,0.10)" -stroke "rgba(255,255,255,0.85)" \
  -strokewidth 1 -draw "roundrectangle 0.5,0.5 12.5,12.5 2.5,2.5" "$work/cb0.png"
save "$work/cb0.png" "$dir/check_normal_149.png"

# ---------------------------------------------------------------- progress bar
# Track: a pill of soft white on the panel. Fill: blue into cyan with a light
# upper edge; it is stretched to the value, so it has no distinct end caps.
# shellcheck disable=SC2086
convert -size $((534 * s))x$((20 * s)) xc:none $A -fill "rgba(255,255,255,0.13)" -stroke "rgba(255,255,255,0.20)" \
  -strokewidth 1 -draw "roundrectangle 0.5,0.5 533.5,19.5 9.5,9.5" "$work/track.png"
save "$work/track.png" "$dir/progress_track_151.png"
# shellcheck disable=SC2086
convert -size $((20 * s))x$((534 * s)) gradient:"#21B6D8-#2F6BEF" -rotate 90 \
  \( -size $((534 * s))x$((20 * s)) xc:black -fill white -draw "roundrectangle 0,0 $((534 * s - 1)),$((20 * s - 1)) $((9 * s)),$((9 * s))" \) \
  -alpha off -compose CopyOpacity -composite -compose Over $A \
  -fill "rgba(255,255,255,0.28)" -draw "line 8,2 525,2" "$work/fill.png"
save "$work/fill.png" "$dir/progress_fill_153.png"

# Two spare pieces of the skin: a plain field frame and a bullet dot.
# shellcheck disable=SC2086
convert -size $((232 * s))x$((22 * s)) xc:none $A -fill white -stroke "#C9D3E6" -strokewidth 1 \
  -draw "roundrectangle 0.5,0.5 231.5,21.5 3,3" "$work/field.png"
save "$work/field.png" "$dir/field_150.png"
# shellcheck disable=SC2086
convert -size $((6 * s))x$((6 * s)) xc:none $A -fill "$BRAND" -draw "circle 2.5,2.5 2.5,0" "$work/dot.png"
save "$work/dot.png" "$dir/dot_152.png"

# ---------------------------------------------------------------- message box
# shellcheck disable=SC2086
convert -size $((300 * s))x$((180 * s)) gradient:"$NAVY_TOP-$NAVY_BOTTOM" \
  \( -size $((320 * s))x$((320 * s)) radial-gradient:"rgba(61,123,255,0.40)-rgba(61,123,255,0)" \) -geometry +$((120 * s))-$((170 * s)) -composite \
  \( -size $((300 * s))x$((58 * s)) xc:"rgba(4,8,24,0.45)" \) -geometry +0+$((122 * s)) -composite $A \
  -fill "rgba(255,255,255,0.10)" -draw "line 0,44 299,44" -draw "line 0,122 299,122" \
  -fill none -stroke "rgba(255,255,255,0.16)" -draw "rectangle 0,0 299,179" "$work/msgbg.png"
save_palette "$work/msgbg.png" "$dir/msg_bg_157.png"

logo $((22 * s)) "$work/logo22x$s.png"
convert -size $((99 * s))x$((28 * s)) xc:none "$work/logo22x$s.png" -geometry +0+$((3 * s)) -composite \
  -font "$LATIN_BOLD" -pointsize $((15 * s)) -fill white -annotate +$((28 * s))+$((20 * s)) "Velmora" "$work/msglogo.png"
save "$work/msglogo.png" "$dir/msg_logo_161.png"

msg_close() { # bg colour|none, glyph colour, out
  local bg=""
  [ "$1" != none ] && bg="-fill '$1' -draw 'circle 6.5,6.5 6.5,-0.2'"
  eval "convert -size $((14 * s))x$((14 * s)) xc:none $A $bg -stroke '$2' -strokewidth 1.6 \
    -draw 'stroke-linecap round line 4,4 9,9' -draw 'stroke-linecap round line 9,4 4,9' '$work/mc.png'"
  save "$work/mc.png" "$3"
}
msg_close '#E5484D' white "$dir/msg_close_hot_162.png"
msg_close none 'rgba(255,255,255,0.75)' "$dir/msg_close_normal_163.png"
msg_close '#B4262C' 'rgba(255,255,255,0.9)' "$dir/msg_close_pushed_164.png"

# shellcheck disable=SC2086
convert -size $((32 * s))x$((32 * s)) xc:none $A -fill "$AMBER" -stroke "$AMBER" -strokewidth 3 \
  -draw "stroke-linejoin round polygon 16,4 29.5,27.5 2.5,27.5" \
  -stroke none -fill '#1A1F36' -draw "roundrectangle 14.6,10.5 17.4,20.5 1.4,1.4" \
  -draw "circle 16,24 16,25.6" "$work/warn.png"
save "$work/warn.png" "$dir/msg_warning_165.png"

}
small_pieces 1 "$img"
small_pieces 2 "$img/200"

# ---------------------------------------------------------------- icons
# 107: the application mark; 108: the same mark in reverse (blue on white).
convert -size 192x192 xc:none -fill white -draw "roundrectangle 0,0 191,191 46,46" \
  -fill none -stroke "$BRAND" -strokewidth 26 \
  -draw "stroke-linecap round stroke-linejoin round polyline 52,60 96,140 122,94" \
  -stroke none -fill "$MINT" -draw "circle 146,54 146,68" "$work/logo_rev.png"
# Every size Windows asks for at 100 to 200 % (small icons 16 to 32, large 32 to 64, the
# 256 px image of Explorer's large views); Windows keeps the 256 px image PNG-compressed.
icon_sizes="16 20 24 32 40 48 64 256"
for s in $icon_sizes; do
  convert "$work/logo.png" -filter Lanczos -resize ${s}x${s} "PNG32:$work/app$s.png"
  convert "$work/logo_rev.png" -filter Lanczos -resize ${s}x${s} "PNG32:$work/alt$s.png"
done
app_icons="" alt_icons=""
for s in $icon_sizes; do app_icons+=" $work/app$s.png"; alt_icons+=" $work/alt$s.png"; done
# shellcheck disable=SC2086
convert $app_icons "$ico/velmora_107.ico"
# shellcheck disable=SC2086
convert $alt_icons "$ico/velmora_alt_108.ico"

echo "artwork written to $img and $ico"

# ---------------------------------------------------------------- mock-ups
# Whole windows put together at the layout positions, to judge the design.
[ "${1:-}" = --mockups ] || exit 0
out="${MOCKUP_DIR:-/tmp/velmora-mockups}"
mkdir -p "$out"
at() { echo "\\( '$img/$1' -resize '$2!' \\) -geometry +$3+$4 -composite"; }
txt() { # font size colour x baseline text
  echo "-font '$1' -pointsize $2 -fill '$3' -annotate +$4+$5 '$6'"
}
mock_main() { # lang bg page out
  local F=$LATIN t
  [ "$1" = zh ] && F=$CJK
  t="$(at min_normal_140.png 26x26 522 10) $(at close_hot_133.png 26x26 553 10)"
  case "$1:$3" in
  en:0) t+=" $(txt "$F" 12 white 24 364 'Destination Folder:')"
        t+=" -fill white -draw 'rectangle 146,346 333,367' $(txt "$F" 12 black 150 361 'C:\\Program Files\\Velmora\\')"
        t+=" $(at browse_hot_142.png 27x22 335 346) $(at check_selected_148.png 13x13 25 388)"
        t+=" $(txt "$F" 12 white 44 399 'Accept the') $(txt "$F" 12 '#0080ff' 110 399 'User Agreement')"
        t+=" -fill '#0080ff' -draw 'line 110,401 203,401'"
        t+=" $(at btn_large_normal_137.png 100x39 440 366) $(txt "$F" 12 white 471 390 'Install')" ;;
  zh:0) t+=" $(txt "$F" 12 white 24 364 '安装位置:')"
        t+=" -fill white -draw 'rectangle 106,346 293,367' $(txt "$F" 12 black 110 361 'C:\\Program Files\\Velmora\\')"
        t+=" $(at browse_normal_143.png 27x22 295 346) $(at check_normal_149.png 13x13 25 388)"
        t+=" $(txt "$F" 12 white 44 399 '接受') $(txt "$F" 12 '#0080ff' 72 399 '许可协议')"
        t+=" -fill '#0080ff' -draw 'line 72,401 120,401'"
        t+=" $(at btn_large_hot_136.png 100x39 440 366) $(txt "$F" 12 white 478 390 '安装')" ;;
  *:1)  t+=" $(at progress_track_151.png 534x20 28 366) $(at progress_fill_153.png 240x20 28 366)"
        t+=" $(txt "$F" 12 white 270 381 '31%')" ;;
  en:2) t+=" $(txt "$F" 20 white 24 386 'Installation successful!')"
        t+=" $(at btn_result_normal_146.png 100x39 450 356) $(txt "$F" 12 white 486 380 'Open')" ;;
  zh:2) t+=" $(txt "$F" 20 white 24 386 '安装成功!')"
        t+=" $(at btn_result_pushed_147.png 100x39 450 356) $(txt "$F" 12 white 488 380 '打开')" ;;
  esac
  eval "convert '$img/$2' $t '$out/$4'"
}
mock_main en bg_en_170.png 0 main_en_page0.png
mock_main zh bg_zh_130.png 0 main_zh_page0.png
mock_main en bg_en_172.png 1 main_en_page1.png
mock_main zh bg_zh_168.png 1 main_zh_page1.png
mock_main en bg_en_174.png 2 main_en_page2.png
mock_main zh bg_zh_131.png 2 main_zh_page2.png

mock_box() { # lang out line1 line2 left-button right-button
  local F=$LATIN
  [ "$1" = zh ] && F=$CJK
  eval "convert '$img/msg_bg_157.png' $(at msg_logo_161.png 99x28 8 8) $(at msg_warning_165.png 32x32 20 68) \
    $(at msg_close_normal_163.png 14x14 277 9) $(txt "$F" 13 white 64 82 "$3") $(txt "$F" 13 white 64 100 "$4") \
    $(at msg_btn_normal_159.png 76x34 70 130) $(at msg_btn_hot_158.png 76x34 154 130) \
    $(txt "$F" 13 white 88 152 "$5") $(txt "$F" 13 white 170 152 "$6") '$out/$2'"
}
mock_box en box_en.png "The installation is in progress" "Cancel it now?" Continue Cancel
mock_box zh box_zh.png "安装还未完成，确定取消么？" "" 继续安装 取消安装
echo "mock-ups written to $out"
