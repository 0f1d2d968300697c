#!/usr/bin/env bash
# Regenerates every picture of the default skin and the two icons from the palette below.
#
#   data/make-skin.sh                    rewrite Skins/Default/*, Icon/TrayLOGO.ico and
#                                        Icon/AdvertLOGO.ico
#   data/make-skin.sh --preview OUT.png  also compose a preview of the frame and dialogs
#
# Needs ImageMagick 6 (`convert`) and fonts-noto-cjk. Restyle by editing the palette or
# the drawing functions and running the script again; commit the pictures with it.
#
# The windows show each picture unscaled at the size of its control, so every size below
# is the size of the control that shows the picture. Buttons are opaque and painted on
# the exact colour they sit on: GIF transparency is one bit deep and would fray the
# anti-aliased edges.
set -euo pipefail

here=$(cd "$(dirname "$0")" && pwd)
skin=$here/Skins/Default
icon_dir=$here/Icon
preview=
if [[ ${1:-} == --preview ]]; then
  preview=${2:?usage: make-skin.sh [--preview OUT.png]}
  [[ $preview == /* ]] || preview=$PWD/$preview
fi

# --- Palette -----------------------------------------------------------------------------
# WINDOW is the flat colour the title strip fades into at its right end. Maximized windows
# widen the strip beyond the picture, so the window's own background must be this colour
# for the widened part and the caption buttons there to match.
WINDOW='#1e232b'
STRIP_TINT='#2d3747'     # left end of the title strip, fading into WINDOW
STRIP_SHINE='#3c485b'    # one-pixel highlight along the top of the strip, fading likewise
STRIP_FADE_END=520       # the strip is plain WINDOW from here on (pop-under close at 567)
SIDEBAR='#181c23'        # dialog tab column
DIVIDER='#2b323d'        # hairlines inside dialogs
FRAME_LINE='#2b86cf'     # 2-pixel frame lines of every window
ACCENT='#3ba7f0'
GLYPH='#aab5c4'          # caption glyphs at rest
GLYPH_HOVER='#ffffff'
HOVER='#37414f'          # caption button under the pointer
CLOSE_HOVER='#d8434e'    # close button under the pointer: the usual warning red
TEXT='#e8ecf1'
TEXT_DIM='#8f9aab'
BUTTON='#2b333f'; BUTTON_EDGE='#3c4656'
BUTTON_HOVER='#3a4657'
PRIMARY='#2a8ad6'; PRIMARY_HOVER='#4aa8f0'
LOGO_TOP='#5cc2f9'; LOGO_BOTTOM='#1f6fc0'
# The advertising windows' icon: warm, so it never passes for the program's own in a task bar.
ADVERT_TOP='#ff9a5a'; ADVERT_BOTTOM=$CLOSE_HOVER

FONT_SC=${FONT_SC:-Noto-Sans-CJK-SC}
FONT_TC=${FONT_TC:-Noto-Sans-CJK-TC}
FONT_BOLD=${FONT_BOLD:-Noto-Sans-CJK-SC-Bold}

command -v convert >/dev/null || { echo "make-skin.sh: ImageMagick 'convert' not found" >&2; exit 1; }
fonts=$(convert -list font)
for f in "$FONT_SC" "$FONT_TC" "$FONT_BOLD"; do
  grep -q "Font: $f\$" <<<"$fonts" ||
    { echo "make-skin.sh: font $f missing (install fonts-noto-cjk)" >&2; exit 1; }
done

tmp=$(mktemp -d)
trap 'rm -rf "$tmp"' EXIT
mkdir -p "$skin" "$icon_dir"

# Flat UI colours quantize cleanly; dithering would only sprinkle noise over them.
gif() { convert "$1" -alpha remove -alpha off +dither -colors 256 -strip "$2"; }

# --- Logo: a white play triangle in a rounded square ---------------------------------------
# Drawn once large and scaled down, so the small sizes stay smooth.
convert -size 256x256 gradient:"$LOGO_TOP-$LOGO_BOTTOM" \
  \( -size 256x256 xc:black -fill white -draw 'roundrectangle 8,8 247,247 58,58' \) \
  -alpha off -compose CopyOpacity -composite -compose Over \
  -fill white -stroke white -strokewidth 22 \
  -draw 'stroke-linejoin round polygon 102,78 102,178 184,128' "$tmp/logo.png"
logo() { convert "$tmp/logo.png" -filter Lanczos -resize "$1x$1" "$2"; }

# --- Title strip and frame lines -------------------------------------------------------------
# A slate glow behind the logo, title and columns that fades to WINDOW, lighter at the top.
strip() {  # width fade_end out
  convert -size "$1x30" xc:"$WINDOW" \
    \( -size "$1x30" xc:"$STRIP_TINT" -fill "$STRIP_SHINE" -draw "line 0,0 $1,0" \) \
    \( -size "$1x30" xc: -fx "f=max(0,1-i/$2); f*f*(3-2*f)*(1-0.55*j/(h-1))" \) \
    -composite "$3"
}
strip 984 "$STRIP_FADE_END" "$tmp/strip.png"
gif "$tmp/strip.png" "$skin/TopBackground.gif"

# The logo sits on the strip at (6, 3); a JPEG has no transparency, so it carries its own
# piece of the strip, cut from the quantized picture to match it.
logo 18 "$tmp/logo18.png"
convert "$skin/TopBackground.gif" -crop 22x26+6+3 +repage "$tmp/logo18.png" \
  -geometry +2+2 -composite -quality 95 -sampling-factor 1x1 -strip "$skin/Top.jpg"

# Frame lines are one flat colour, so they are made long enough for any screen: the
# maximized frame stretches the controls but shows the pictures unscaled from the corner.
convert -size 2x4320 xc:"$FRAME_LINE" "$tmp/side.png"
gif "$tmp/side.png" "$skin/Left.gif"
gif "$tmp/side.png" "$skin/Right.gif"
convert -size 7680x2 xc:"$FRAME_LINE" "$tmp/foot.png"
gif "$tmp/foot.png" "$skin/Foot.gif"

# --- Caption buttons -----------------------------------------------------------------------
# Glyphs are one-pixel lines on whole pixels so they stay sharp. At rest a glyph sits on
# the bare strip; under the pointer it turns white on a rounded plate.
caption() {  # width height plate(or "") glyph_colour out -- convert drawing arguments
  local w=$1 h=$2 plate=$3 glyph=$4 out=$5
  shift 6
  local args=(-size "${w}x${h}" xc:"$WINDOW")
  [[ -n $plate ]] && args+=(-fill "$plate" -draw "roundrectangle 0,0 $((w - 1)),19 3,3")
  convert "${args[@]}" -fill none -stroke "$glyph" -strokewidth 1 "$@" "$tmp/cap.png"
  gif "$tmp/cap.png" "$out"
}
for state in A B; do
  if [[ $state == A ]]; then plate='' glyph=$GLYPH close_plate=''
  else plate=$HOVER glyph=$GLYPH_HOVER close_plate=$CLOSE_HOVER; fi
  caption 26 20 "$plate" "$glyph" "$skin/Minimality$state.gif" -- -draw 'line 8,10 17,10'
  caption 26 20 "$plate" "$glyph" "$skin/Maximization$state.gif" -- \
    -draw 'rectangle 8,5 17,14' -draw 'line 9,6 16,6'
  caption 26 20 "$close_plate" "$glyph" "$skin/Close$state.gif" -- -strokewidth 1.3 \
    -draw 'line 8,5 17,14' -draw 'line 17,5 8,14'
done
# The options button (44 x 26, of which the strip shows the top 24): a menu glyph with a
# small drop-down caret, centred on the same line as the other caption glyphs.
caption 44 26 "" "$GLYPH" "$skin/OptionC.gif" -- \
  -draw 'line 12,5 24,5' -draw 'line 12,9 24,9' -draw 'line 12,13 24,13' \
  -fill "$GLYPH" -stroke none -draw 'polygon 28,8 34,8 31,11'
caption 44 26 "$HOVER" "$GLYPH_HOVER" "$skin/OptionD.gif" -- \
  -draw 'line 12,5 24,5' -draw 'line 12,9 24,9' -draw 'line 12,13 24,13' \
  -fill "$ACCENT" -stroke none -draw 'polygon 28,8 34,8 31,11'

# The pop-up advertising windows' close button (51 x 21) lies over the advert's own page,
# so it brings its own plate; one picture serves all languages, hence a glyph, no word.
popup_close() {  # fill edge glyph out
  convert -size 51x21 xc:"$1" -fill none -stroke "$2" -strokewidth 1 \
    -draw 'rectangle 0,0 50,20' -stroke "$3" -strokewidth 1.4 \
    -draw 'line 21,6 29,14' -draw 'line 29,6 21,14' "$tmp/pc.png"
  gif "$tmp/pc.png" "$4"
}
popup_close "$WINDOW" "$BUTTON_EDGE" "$GLYPH" "$skin/CloseC.gif"
popup_close "$CLOSE_HOVER" "$CLOSE_HOVER" "$GLYPH_HOVER" "$skin/CloseD.gif"

# --- Settings and About dialogs (552 x 352) ----------------------------------------------
# Background: a short title strip with the logo and word mark, a tab column on the left, a
# hairline above the three dialog buttons, and the frame line all round. The close button
# at (520, 8) falls on the strip's plain end, the colour its picture is painted on.
strip 552 400 "$tmp/dstrip.png"
logo 16 "$tmp/logo16.png"
convert -size 552x352 xc:"$WINDOW" "$tmp/dstrip.png" -composite \
  "$tmp/logo16.png" -geometry +12+7 -composite \
  -font "$FONT_BOLD" -pointsize 13 -fill "$TEXT" -annotate +35+20 'Lumora' \
  -fill "$SIDEBAR" -draw 'rectangle 0,30 121,351' \
  -fill "$DIVIDER" -draw 'rectangle 0,30 551,30' -draw 'rectangle 122,30 122,351' \
  -draw 'rectangle 140,286 535,286' \
  -shave 2x2 -bordercolor "$FRAME_LINE" -border 2 "$tmp/bg.png"
gif "$tmp/bg.png" "$skin/BackgroundA.gif"

# Tabs (102 x 36) take one picture for every state. The open page's tab is a raised plate
# with an accent bar and an accent icon; the other tab is dimmed on the bare tab column.
icon_options() {  # three slider rails with knobs
  icon=(-fill none -stroke "$1" -strokewidth 1.2 -draw 'line 16,12 31,12'
        -draw 'line 16,18 31,18' -draw 'line 16,24 31,24' -fill "$1" -stroke none
        -draw 'circle 20,12 20,14.4' -draw 'circle 27,18 27,20.4' -draw 'circle 22,24 22,26.4')
}
icon_about() {  # an "i" in a ring
  icon=(-fill none -stroke "$1" -strokewidth 1.3 -draw 'circle 23.5,18 23.5,25.5'
        -fill "$1" -stroke none -draw 'circle 23.5,14.3 23.5,15.4'
        -draw 'rectangle 22.8,16.8 24.2,21.8')
}
tab() {  # own|other options|about font text_dy text out
  local plate=() ink=$TEXT_DIM label=$TEXT_DIM
  if [[ $1 == own ]]; then
    ink=$ACCENT label=$TEXT
    plate=(-fill '#262e3a' -draw 'roundrectangle 0,0 101,35 5,5'
           -fill "$ACCENT" -draw 'roundrectangle 0,9 2,26 1,1')
  fi
  "icon_$2" "$ink"
  convert -size 102x36 xc:"$SIDEBAR" "${plate[@]}" "${icon[@]}" \
    -stroke none -font "$3" -pointsize 14 -fill "$label" -gravity West \
    -annotate "+40$4" "$5" "$tmp/tab.png"
  gif "$tmp/tab.png" "$6"
}

# Dialog buttons (81 x 27): confirm is the primary action in the accent colour; cancel
# and apply are quiet plates. Under the pointer each one lightens.
button() {  # fill edge text_colour font text_dy text out
  convert -size 81x27 xc:"$WINDOW" -fill "$1" -stroke "$2" -strokewidth 1 \
    -draw 'roundrectangle 0,0 80,26 4,4' -stroke none -font "$4" -pointsize 13 \
    -fill "$3" -gravity center -annotate "+0$5" "$6" "$tmp/btn.png"
  gif "$tmp/btn.png" "$7"
}

# One row per language: the letters of its pictures (tabs: own and other look; buttons:
# normal and mouse-over), its font, a vertical nudge that centres its script optically,
# and its words.
#   rest-letter hover-letter option-own option-other about-own about-other font dy
#   options-tab about-tab confirm cancel apply
languages=(
  "A B A B A B $FONT_SC -1 软件设置 关于软件 确定 取消 应用"
  "C D E F C D $FONT_TC -1 軟件設置 關於軟件 確定 取消 應用"
  "E F G H E F $FONT_SC +0 Settings About OK Cancel Apply"
)
for row in "${languages[@]}"; do
  read -r rest hover opt_own opt_other about_own about_other font dy \
    t_options t_about w_confirm w_cancel w_apply <<<"$row"
  tab own options "$font" "$dy" "$t_options" "$skin/Option$opt_own.gif"
  tab other options "$font" "$dy" "$t_options" "$skin/Option$opt_other.gif"
  tab own about "$font" "$dy" "$t_about" "$skin/About$about_own.gif"
  tab other about "$font" "$dy" "$t_about" "$skin/About$about_other.gif"
  button "$PRIMARY" "$PRIMARY" '#ffffff' "$font" "$dy" "$w_confirm" "$skin/Confirm$rest.gif"
  button "$PRIMARY_HOVER" "$PRIMARY_HOVER" '#ffffff' "$font" "$dy" "$w_confirm" "$skin/Confirm$hover.gif"
  for kind in Cancel Apply; do
    word=$w_cancel; [[ $kind == Apply ]] && word=$w_apply
    button "$BUTTON" "$BUTTON_EDGE" "$TEXT" "$font" "$dy" "$word" "$skin/$kind$rest.gif"
    button "$BUTTON_HOVER" "$ACCENT" '#ffffff' "$font" "$dy" "$word" "$skin/$kind$hover.gif"
  done
done

# The About page's logo (80 x 80) on the dialog's colour.
logo 72 "$tmp/logo72.png"
convert -size 80x80 xc:"$WINDOW" "$tmp/logo72.png" -geometry +4+4 -composite "$tmp/about.png"
gif "$tmp/about.png" "$skin/AboutLOGO.gif"

# --- Tray icon: the logo at 16, 32 and 48 pixels, with alpha ------------------------------
for s in 16 32 48; do logo "$s" "$tmp/ico$s.png"; done
convert "$tmp/ico16.png" "$tmp/ico32.png" "$tmp/ico48.png" "$icon_dir/TrayLOGO.ico"

# --- Advertising icon: a white megaphone with two sound waves, same shape of tile ----------
convert -size 256x256 gradient:"$ADVERT_TOP-$ADVERT_BOTTOM" \
  \( -size 256x256 xc:black -fill white -draw 'roundrectangle 8,8 247,247 58,58' \) \
  -alpha off -compose CopyOpacity -composite -compose Over \
  -fill white -stroke none -draw 'roundrectangle 46,104 80,152 8,8' \
  -draw 'polygon 72,106 150,64 150,192 72,150' -draw 'roundrectangle 142,58 162,198 10,10' \
  -draw 'polygon 86,146 110,146 122,190 98,190' \
  -fill none -stroke white -strokewidth 13 \
  -draw "stroke-linecap round path 'M 184,104 A 34 34 0 0 1 184,152'" \
  -draw "stroke-linecap round path 'M 202,82 A 62 62 0 0 1 202,174'" "$tmp/advert.png"
for s in 16 32 48; do convert "$tmp/advert.png" -filter Lanczos -resize "${s}x$s" "$tmp/adv$s.png"; done
convert "$tmp/adv16.png" "$tmp/adv32.png" "$tmp/adv48.png" "$icon_dir/AdvertLOGO.ico"

echo "make-skin.sh: wrote $(find "$skin" -type f | wc -l) pictures, Icon/TrayLOGO.ico and Icon/AdvertLOGO.ico"

[[ -z $preview ]] && exit 0

# --- Preview (optional): the pictures where the windows put them -------------------------
p=(-size 1720x1000 xc:'#0b0d10')
put() { p+=(\( "$1" -crop "${4:-0}x${5:-0}+0+0" +repage \) -geometry "+$2+$3" -composite); }
say() { p+=(-font "$FONT_SC" -pointsize "${4:-12}" -fill "${5:-$TEXT_DIM}" -annotate "+$2+$3" "$1"); }
box() { p+=(-fill "$5" -draw "rectangle $1,$2 $3,$4"); }

frame() {  # x y width height hover(0/1) name: a framed window cut short, as laid out
  local x=$1 y=$2 w=$3 h=$4 s=A o=C
  [[ $5 == 1 ]] && s=B o=D
  box "$x" "$y" $((x + w - 1)) $((y + h - 1)) "$WINDOW"
  box "$x" $((y + 28)) $((x + w - 1)) $((y + h - 1)) '#2a3038'
  put "$skin/TopBackground.gif" "$x" "$y" "$w" 28  # the browser covers rows 28 and 29
  put "$skin/Top.jpg" $((x + 6)) $((y + 3))
  put "$skin/Left.gif" "$x" $((y + 2)) 2 $((h - 2))
  put "$skin/Right.gif" $((x + w - 2)) $((y + 2)) 2 $((h - 2))
  put "$skin/Foot.gif" "$x" $((y + h - 2)) "$w" 2
  p+=(-font "$FONT_SC" -pointsize 13 -fill 'rgb(236,236,236)' -annotate "+$((x + 33))+$((y + 21))" "$6")
  if [[ $w -ge 984 ]]; then
    local i=0 c
    for c in 影视片库 电视直播 应用中心 玩玩游戏 官方推荐; do
      local col='rgb(255,255,255)'; [[ $i == 0 ]] && col='rgb(145,187,0)'
      p+=(-fill "$col" -annotate "+$((x + 103 + 70 * i))+$((y + 21))" "$c")
      i=$((i + 1))
    done
    put "$skin/Option$o.gif" $((x + w - 137)) $((y + 4)) 44 24
    put "$skin/Minimality$s.gif" $((x + w - 92)) $((y + 4))
    put "$skin/Maximization$s.gif" $((x + w - 62)) $((y + 4))
  fi
  put "$skin/Close$s.gif" $((x + w - 34)) $((y + 4))
}
say 'MainWindow, pointer away' 10 16; frame 10 22 984 90 0 Lumora
say 'MainWindow, every caption button under the pointer' 10 134; frame 10 140 984 90 1 Lumora
say 'PopUnderWindow (600 wide)' 1010 16; frame 1010 22 600 90 0 'Lumora 背投广告'
say 'Maximized to 1366: the strip picture ends at 984, the window colour continues' 10 252
frame 10 258 1366 70 0 'Lumora'

dialog() {  # x y option-tab about-tab page(options|about) letter-rest font words...
  local x=$1 y=$2
  put "$skin/BackgroundA.gif" "$x" "$y"
  put "$skin/CloseA.gif" $((x + 520)) $((y + 8))
  put "$skin/Option$3.gif" $((x + 10)) $((y + 36))
  put "$skin/About$4.gif" $((x + 10)) $((y + 73))
  put "$skin/Confirm$6.gif" $((x + 186)) $((y + 300))
  put "$skin/Cancel$6.gif" $((x + 291)) $((y + 300))
  put "$skin/Apply$6.gif" $((x + 398)) $((y + 300))
  if [[ $5 == about ]]; then
    put "$skin/AboutLOGO.gif" $((x + 424)) $((y + 40))
    p+=(-font "$7" -pointsize 32 -fill white -annotate "+$((x + 160))+$((y + 68))" "$8"
        -pointsize 13 -annotate "+$((x + 160))+$((y + 112))" "$9")
  else
    p+=(-font "$7" -pointsize 13 -fill white -annotate "+$((x + 160))+$((y + 66))" "$8"
        -annotate "+$((x + 160))+$((y + 90))" "$9"
        -fill 'rgb(128,224,0)' -annotate "+$((x + 160))+$((y + 155))" "${10}")
  fi
}
dialog 10 350 A B options A "$FONT_SC" 开机启动 软件语言 选择合适的渲染器，能有效提升视频画质
dialog 582 350 F C about C "$FONT_TC" Lumora影音 主程序版本：1.1
dialog 1154 350 G F options E "$FONT_SC" Auto Language 'Select the appropriate renderer'

say 'Under the pointer: dialog buttons of the three languages, dialog close, pop-up close' 10 730
xx=10
for l in B D F; do
  for k in Confirm Cancel Apply; do put "$skin/$k$l.gif" "$xx" 740; xx=$((xx + 88)); done
  xx=$((xx + 12))
done
put "$skin/CloseB.gif" $((xx + 10)) 744; put "$skin/CloseC.gif" $((xx + 50)) 740
put "$skin/CloseD.gif" $((xx + 110)) 740
say 'Tabs of the three languages, open page and other page' 10 800
xx=10
for t in OptionA OptionB AboutA AboutB OptionE OptionF AboutC AboutD OptionG OptionH AboutE AboutF; do
  box "$xx" 808 $((xx + 101)) 843 "$SIDEBAR"
  put "$skin/$t.gif" "$xx" 808; xx=$((xx + 108))
done
say 'Tray icon 16, 32, 48; window logo at 4x; advertising icon 16, 32, 48' 10 870
put "$icon_dir/TrayLOGO.ico[0]" 10 880; put "$icon_dir/TrayLOGO.ico[1]" 36 880
put "$icon_dir/TrayLOGO.ico[2]" 78 880
p+=(\( "$skin/Top.jpg" -filter point -resize 400% \) -geometry +140+880 -composite)
p+=(\( -background "$WINDOW" "$skin/MinimalityB.gif" "$skin/MaximizationB.gif" "$skin/CloseB.gif" "$skin/OptionD.gif" +append
       -filter point -resize 400% \) -geometry +250+880 -composite)
put "$icon_dir/AdvertLOGO.ico[0]" 760 880; put "$icon_dir/AdvertLOGO.ico[1]" 786 880
put "$icon_dir/AdvertLOGO.ico[2]" 828 880
convert "${p[@]}" "$preview"
echo "make-skin.sh: preview in $preview"
