# Sourced by demo.sh: Dravik's context menu in a shell. Defines
#   shell_menu_demo <prefix> <bin dir> <out dir>
# which, in a Wine prefix of its own on the current display, writes a few sample files, registers
# Dravik.dll with regsvr32, sets the user's settings, then opens the menu in the shell host
# (ShellHost.exe) for several selections: saves a screenshot of each open menu in <out dir>, picks
# an entry with the pointer and prints what the host and the viewer report; and
#   shell_menu_demo_32bit <x86 bin dir>
# which, after it, registers the 32-bit Dravik beside the 64-bit one with the 32-bit regsvr32 and
# opens its menu in the 32-bit shell host, as a 32-bit program's file dialog would.
# shellcheck shell=bash

# The Windows form of a Unix path (Wine's Z: drive is the Unix root).
shell_menu_winpath() { printf 'Z:%s' "${1//\//\\}"; }

# A Windows program in the demonstration's prefix.
shell_menu_wine() { WINEPREFIX=$SHELL_MENU_PREFIX "$WINE" "$@"; }

# Waits until the host's layout file names the entry.
shell_menu_wait_for() {
  local layout=$1 entry=$2
  for _ in $(seq 1 200); do
    grep -q "^$entry=" "$layout" 2>/dev/null && return 0
    sleep 0.1
  done
  echo "the menu did not show $entry" >&2
  return 1
}

# Puts the pointer on the middle of an entry of the open menu.
shell_menu_point_at() {
  local layout=$1 entry=$2 left top right bottom
  shell_menu_wait_for "$layout" "$entry"
  IFS=, read -r left top right bottom < <(sed -n "s/^$entry=//p" "$layout")
  xdotool mousemove $(((left + right) / 2)) $(((top + bottom) / 2))
}

# Prints the chosen lines of a name=value report, indented; Korean text arrives in code page 949,
# except in the viewer's "wide ..." lines, which are UTF-8.
shell_menu_print() {
  local file=$1 pattern=$2 line
  tr -d '\r' <"$file" | { grep -aE "^($pattern)=" || true; } | while IFS= read -r line; do
    case $line in
      wide\ *) printf '    %s\n' "$line" ;;
      *) printf '%s\n' "$line" | iconv -f CP949 -t UTF-8 | sed 's/^/    /' ;;
    esac
  done
}

# One right-click: scene <name> <language> <entry to open> <entry to pick> <title> <path>...
# The entries are named as in the host's layout ("item.2", "subitem.0"); "-" opens nothing, and
# the pick "Escape" closes the menu with the key instead.
shell_menu_scene() {
  local name=$1 language=$2 open=$3 pick=$4 title=$5 locale=C.UTF-8
  shift 5
  local layout="$SHELL_MENU_OUT/reports/$name.layout" report="$SHELL_MENU_OUT/reports/$name.host.txt"
  local viewer="$SHELL_MENU_OUT/reports/$name.viewer.txt" shot="$SHELL_MENU_OUT/menu-$name.png"
  echo "== $title"
  rm -f "$layout" "$report" "$viewer" "$shot"
  shell_menu_wine reg add 'HKCU\SOFTWARE\Corvane\Lumorex' /v shmenu_language /t REG_SZ /d "$language" /f >/dev/null
  # Korean captions are code page 949 text, which Wine gives a program started in a Korean locale.
  if [ "$language" = kor ]; then locale=ko_KR.UTF-8; fi
  xdotool mousemove 1000 740
  (cd "${SHELL_MENU_HOST_BIN:-$SHELL_MENU_BIN}" && env LC_ALL=$locale LUMOREX_VIEWER_REPORT="$(shell_menu_winpath "$viewer")" \
    WINEPREFIX="$SHELL_MENU_PREFIX" "$WINE" ShellHost.exe /report "$(shell_menu_winpath "$report")" \
    /layout "$(shell_menu_winpath "$layout")" /timeout 30000 "$@") &
  local host=$!
  shell_menu_wait_for "$layout" item.0
  if [ "$open" != - ]; then shell_menu_point_at "$layout" "$open"; fi
  # Time to draw the highlighted entry and the submenu it opened.
  sleep 0.5
  import -display "$DISPLAY" -window root -crop 520x360+0+0 +repage "$shot"
  if [ "$pick" = Escape ]; then
    xdotool key Escape
  else
    shell_menu_point_at "$layout" "$pick"
    xdotool click 1
  fi
  wait "$host"
  shell_menu_print "$report" 'handler|menu|measured|picked|invoke|started'
  echo "  the open menu: $shot"
  if [ -f "$viewer" ]; then
    echo "  the viewer received:"
    shell_menu_print "$viewer" '[a-z0-9 ]+'
  else
    echo "  no viewer started"
  fi
}

# The Korean menus ask for Gulim, which Wine lacks: the prefix gets one face with Hangul, Latin,
# Thai and emoji (scripts/demo-font.py) in its place, or Thai names come out as boxes. An emoji
# stays two boxes: Wine draws text that it does not shape one UTF-16 unit at a time, and each half
# of a character past U+FFFF has no glyph in any font.
shell_menu_font() {
  local font="$SHELL_MENU_PREFIX/drive_c/windows/Fonts/LumorexDemoSans.ttf"
  if [ ! -s "$font" ] && ! /usr/bin/python3 "$(dirname "${BASH_SOURCE[0]}")/demo-font.py" "$font" >/dev/null 2>&1; then
    rm -f "$font"
    echo "    the font could not be built (python3-fonttools, scripts/setup.sh): Thai names show as boxes"
    return 0
  fi
  shell_menu_wine reg add 'HKCU\Software\Wine\Fonts\Replacements' /v Gulim /t REG_SZ /d 'Lumorex Demo Sans' /f >/dev/null
  echo "    Gulim drawn with Lumorex Demo Sans: NanumGothic, Loma's Thai, Symbola's symbols ($font)"
}

shell_menu_demo() {
  local samples='C:\users\Public\Pictures\Lumorex samples'
  SHELL_MENU_PREFIX=$1
  SHELL_MENU_BIN=$2
  SHELL_MENU_OUT=$3
  mkdir -p "$SHELL_MENU_OUT/reports"
  echo "== A Wine prefix of Dravik's own: $SHELL_MENU_PREFIX"
  # A server still running there is left from a run that was cut short; it would never end.
  WINEPREFIX=$SHELL_MENU_PREFIX "$WINESERVER" -k >/dev/null 2>&1 || true
  lumorex_prefix_up "$SHELL_MENU_PREFIX"
  shell_menu_font

  echo "== Sample files: $samples"
  rm -rf "$SHELL_MENU_PREFIX/drive_c/users/Public/Pictures/Lumorex samples"
  # Names in any script exist under Wine only with a UTF-8 locale of the host (Wine makes them UTF-8).
  (cd "$SHELL_MENU_BIN" && LC_ALL=ko_KR.UTF-8 shell_menu_wine make_samples.exe "$samples")
  ls -1 "$SHELL_MENU_PREFIX/drive_c/users/Public/Pictures/Lumorex samples" | sed 's/^/    /'

  echo "== Dravik.dll registered with regsvr32 (a second run registers it again)"
  shell_menu_wine regsvr32 /s "$(shell_menu_winpath "$SHELL_MENU_BIN/Dravik.dll")"
  shell_menu_wine reg query 'HKCR\*\shellex\ContextMenuHandlers\Lumorex' | tr -d '\r' | grep -v '^$' | sed 's/^/    /'

  echo "== The user's settings: the viewer's folder, and the caption language of each right-click"
  shell_menu_wine reg add 'HKCU\SOFTWARE\Corvane\Lumorex' /v 'Main Path' /t REG_SZ \
    /d "$(shell_menu_winpath "$SHELL_MENU_BIN")" /f >/dev/null
  echo "    Main Path = $(shell_menu_winpath "$SHELL_MENU_BIN") (where Lumorex.exe is)"
  # No window manager runs: Wine is told so, or every hide of the host's window waits for one.
  shell_menu_wine reg add 'HKCU\Software\Wine\AppDefaults\ShellHost.exe\X11 Driver' /v Managed /t REG_SZ /d N \
    /f >/dev/null
  # A desktop colour behind the host's window, for the screenshots.
  xsetroot -solid '#3a6ea5'

  shell_menu_scene image-english eng item.2 subitem.0 \
    "One image, English: the Manager submenu opened, \"View\" picked" "$samples\\harbour.jpg"
  shell_menu_scene image-korean kor item.2 item.3 \
    "One image, Korean: the submenu opened, the preview entry picked" "$samples\\harbour.jpg"
  shell_menu_scene folder eng item.2 item.2 "One folder: \"Lumorex Brower\" picked" "$samples\\album"
  shell_menu_scene several eng item.2 subitem.4 \
    "Several items: the submenu opened, \"Presentation\" picked" \
    "$samples\\harbour.jpg" "$samples\\island.png" "$samples\\waves.gif" "$samples\\notes.txt"
  shell_menu_scene animation eng item.2 item.2 \
    "An animation, the reduced kind: its one entry picked" "$samples\\waves.gif"
  shell_menu_scene text eng item.0 Escape "A text file: no entries of Dravik; the menu closed with Escape" \
    "$samples\\notes.txt"
  # Names that code page 949 cannot spell: the ANSI list carries their short names, the wide list and
  # the wide command line carry them whole ("wide name1" in the viewer's report).
  shell_menu_scene thai-korean kor item.2 subitem.0 \
    "A photo named in Thai, Korean: the submenu opened, \"보기\" (View) picked" "$samples\\ตลาดน้ำ.jpg"
  shell_menu_scene emoji-korean kor item.2 item.3 \
    "A photo named with an emoji, Korean: the preview entry picked" "$samples\\🌅 sunrise.jpg"
  xsetroot -solid black
  echo "== The screenshots of the open menus: $SHELL_MENU_OUT/menu-*.png"
}

shell_menu_demo_32bit() {
  local bin32=$1 samples='C:\users\Public\Pictures\Lumorex samples'
  echo "== The 32-bit Dravik.dll registered beside the 64-bit one, with the 32-bit regsvr32"
  shell_menu_wine 'C:\windows\syswow64\regsvr32.exe' /s "$(shell_menu_winpath "$bin32/Dravik.dll")"
  for view in 64 32; do
    echo "    the class as $view-bit programs see it:"
    shell_menu_wine reg query 'HKCR\CLSID\{5D3A9E71-2F4B-4C8E-9A16-7B0C3D2E8F45}\InprocServer32' /ve /reg:$view |
      tr -d '\r' | grep REG_SZ | sed 's/^ */      /'
  done
  xsetroot -solid '#3a6ea5'
  SHELL_MENU_HOST_BIN=$bin32 shell_menu_scene image-korean-32bit kor item.2 subitem.0 \
    "One image, Korean, in the 32-bit shell host with the 32-bit handler: \"View\" picked (the viewer of Main Path, 64-bit, reads the list)" \
    "$samples\\harbour.jpg"
  xsetroot -solid black
}
