#!/bin/bash
# The Windows runtime under Wine on a virtual X display with openbox.
#   wine_tests.sh setup STATE            start Xvfb and openbox, make a fresh Wine prefix in STATE
#   wine_tests.sh cleanup STATE          stop them again
#   wine_tests.sh CASE STATE BINDIR      one case; BINDIR holds starter.exe and the test programs
# Every wait polls with a generous limit: a slow machine takes longer, never decides a result.
# With QUORVANE_SHOTS=<folder> the skin, border-style and password cases save screenshots there.
set -u
command=$1
state=$2
bindir=${3:-}
limit=${QUORVANE_WINE_WAIT:-90} # seconds

fail() { echo "FAIL: $*" >&2; exit 1; }

if [ "$command" = setup ]; then
  rm -rf "$state" && mkdir -p "$state" || exit 1
  for n in $(seq 91 140); do
    [ -e "/tmp/.X$n-lock" ] || [ -e "/tmp/.X11-unix/X$n" ] || { display=":$n"; break; }
  done
  [ -n "${display:-}" ] || fail "no free display"
  setsid Xvfb "$display" -screen 0 1280x1024x24 -nolisten tcp </dev/null >/dev/null 2>&1 &
  echo $! > "$state/xvfb.pid"
  for _ in $(seq 1 $((limit * 5))); do xdpyinfo -display "$display" >/dev/null 2>&1 && break; sleep 0.2; done
  xdpyinfo -display "$display" >/dev/null 2>&1 || fail "Xvfb does not start"
  DISPLAY=$display setsid openbox </dev/null >/dev/null 2>&1 &
  echo $! > "$state/openbox.pid"
  {
    echo "export DISPLAY=$display"
    echo "export WINEPREFIX=$state/prefix"
    echo "export WINEDEBUG=-all"
    echo "export WINEDLLOVERRIDES=mscoree=d"
  } > "$state/env"
  . "$state/env"
  # No Mono and no Gecko: their install dialogs would wait for a click.
  WINEDLLOVERRIDES="mscoree,mshtml=" wineboot -i </dev/null >/dev/null 2>&1 || fail "wineboot failed"
  # The prefix's first start goes on in the background (services, desktop); while it does, every
  # window the cases create takes seconds. Wait for the server to end with it.
  wineserver -w </dev/null >/dev/null 2>&1
  # One wine server for all cases, kept until cleanup; its services started here, apart from the
  # cases' output.
  setsid wineserver -p </dev/null >/dev/null 2>&1
  setsid wineboot </dev/null >/dev/null 2>&1 || fail "wineboot failed"
  exit 0
fi

if [ "$command" = cleanup ]; then
  [ -f "$state/env" ] && . "$state/env" && wineserver -k >/dev/null 2>&1
  for name in openbox xvfb; do
    [ -f "$state/$name.pid" ] && kill "$(cat "$state/$name.pid")" 2>/dev/null
  done
  exit 0
fi

[ -f "$state/env" ] || fail "no Wine session in $state (the setup test did not run)"
. "$state/env"
work=$(mktemp -d "$state/case-XXXXXX")
pids=()
finish() {
  for pid in "${pids[@]}"; do kill "$pid" 2>/dev/null; done
  for pid in "${pids[@]}"; do wait "$pid" 2>/dev/null; done
}
trap finish EXIT

# wait_until DESCRIPTION COMMAND...: polls COMMAND until it succeeds.
wait_until() {
  local what=$1; shift
  local end=$((SECONDS + limit))
  while ! "$@" >/dev/null 2>&1; do
    [ $SECONDS -ge $end ] && fail "timed out waiting for $what"
    sleep 0.2
  done
}
traced() { grep -qxF -- "$1" "$work/trace.txt"; }
traced_like() { grep -qE -- "$1" "$work/trace.txt"; }
visible() { xdotool search --onlyvisible --name "^$1\$" 2>/dev/null | head -1 | grep -q .; }
window_id() { xdotool search --onlyvisible --name "^$1\$" 2>/dev/null | head -1; }

# A menu folder with the program and a start page; more files by the case.
make_menu() {
  mkdir -p "$work/menu"
  cp "${QUORVANE_TEST_STARTER:-$bindir/starter.exe}" "$work/menu/starter.exe"
  printf '<html><body><a href="seite2.html">weiter</a></body></html>' > "$work/menu/index.html"
}
# start_starter ARG...: runs the menu's starter.exe with the trace switched on.
start_starter() {
  : > "$work/trace.txt"
  QUORVANE_STARTER_TRACE="Z:$work/trace.txt" wine "$work/menu/starter.exe" "$@" </dev/null >"$work/wine.log" 2>&1 &
  starter_pid=$!
  pids+=("$starter_pid")
}
# Waits until the starter process has ended on its own.
wait_for_exit() {
  wait_until "the starter to end" bash -c "! kill -0 $starter_pid"
}
press() { # press WINDOW KEY...
  local id=$1; shift
  xdotool windowactivate --sync "$id" >/dev/null 2>&1 || xdotool windowfocus --sync "$id" >/dev/null 2>&1
  xdotool key --clearmodifiers --delay 80 "$@"
}
# Keys sent before Wine has given the window the focus are lost: presses the Right arrow (code 39,
# never blocked in these cases) until the program traces it.
keyboard_ready() { # keyboard_ready WINDOW
  local end=$((SECONDS + limit))
  until traced_like "^key 39 "; do
    [ $SECONDS -ge $end ] && fail "timed out waiting for the keyboard to reach the window"
    press "$1" Right
    sleep 0.5
  done
}

case "$command" in
run-exe) # a cross-built test program; its exit code decides
  shift 3
  wine "$bindir/$1.exe" "${@:2}"
  ;;

geometry) # each border style: the client size and what the window asks of the window manager
  make_menu
  # style  decorations (_MOTIF_WM_HINTS, 3rd field)  fixed size  X window larger than the client
  while read -r style decorations fixed outer; do
    start_starter /startfile=index.html "/caption=Geo$style" /width=400 /height=300 /left=50 /top=60 \
      "/borderstyle=$style"
    wait_until "the $style window" visible "Geo$style"
    id=$(window_id "Geo$style")
    info=$(xwininfo -id "$id")
    width=$(sed -n 's/^ *Width: //p' <<<"$info"); height=$(sed -n 's/^ *Height: //p' <<<"$info")
    if [ "$outer" = no ]; then
      [ "$width" = 400 ] && [ "$height" = 300 ] || fail "$style: client $width x $height, not 400 x 300"
    else # Wine draws a tool window's small frame itself: the X window holds frame and client
      [ "$width" -gt 400 ] && [ "$height" -gt 300 ] && [ "$height" -lt 340 ] || fail "$style: $width x $height"
    fi
    [ -n "${QUORVANE_SHOTS:-}" ] && import -window root "$QUORVANE_SHOTS/border-$style.png"
    props=$(xprop -id "$id" _MOTIF_WM_HINTS WM_NORMAL_HINTS)
    got=$(sed -n 's/^_MOTIF_WM_HINTS.*= *[^,]*, *[^,]*, *\([^,]*\),.*/\1/p' <<<"$props")
    [ "$got" = "$decorations" ] || fail "$style: decorations $got, expected $decorations"
    if grep -q "maximum size" <<<"$props"; then isfixed=yes; else isfixed=no; fi
    [ "$isfixed" = "$fixed" ] || fail "$style: fixed size $isfixed, expected $fixed"
    kill "$starter_pid"; wait "$starter_pid" 2>/dev/null
    wait_until "the $style window to go" bash -c "! xdotool search --onlyvisible --name '^Geo$style\$' | grep -q ."
  done <<'TABLE'
none 0x0 yes no
sizeable 0x7e no no
dialog 0x1a yes no
single 0x3a yes no
tool 0x0 yes yes
sizetool 0x0 no yes
minimal 0x6 no no
TABLE
  ;;

skin) # the window takes the picture's size and shape: key-colour pixels are cut, the page area not
  make_menu
  # 160 x 120 picture, blue; a magenta band on top (cut) and a magenta square inside the page area
  # (kept: the page covers it).
  convert -size 160x120 xc:'#2040c0' -fill '#ff00ff' -draw 'rectangle 0,0 159,19' \
    -draw 'rectangle 100,60 119,79' "$work/menu/skin.png" || fail "convert"
  start_starter /startfile=index.html /caption=Haut /skin=skin.png /transparencycolor=FF00FF \
    /skinpos=90,50,60,60 /left=200 /top=200 /ontop=1
  wait_until "the skin window" visible Haut
  id=$(window_id Haut)
  info=$(xwininfo -id "$id")
  [ "$(sed -n 's/^ *Width: //p' <<<"$info")" = 160 ] || fail "skin width"
  [ "$(sed -n 's/^ *Height: //p' <<<"$info")" = 120 ] || fail "skin height"
  x=$(sed -n 's/^ *Absolute upper-left X: *//p' <<<"$info"); y=$(sed -n 's/^ *Absolute upper-left Y: *//p' <<<"$info")
  pixel() { convert "$work/shot.png" -format "%[hex:p{$(( x + $1 )),$(( y + $2 ))}]" info: | cut -c1-6; }
  # The window manager may still be placing it: poll until the picture's blue shows where it should.
  shot_shows_blue() { import -window root "$work/shot.png" && [ "$(pixel 10 60)" = 2040C0 ]; }
  wait_until "the skin on screen" shot_shows_blue
  [ "$(pixel 80 5)" = 000000 ] || fail "the key colour band is not cut: $(pixel 80 5)"
  [ "$(pixel 10 30)" = 2040C0 ] || fail "the picture below the band is missing: $(pixel 10 30)"
  [ "$(pixel 110 70)" != 000000 ] || fail "the page area was cut"
  xprop -id "$id" _NET_WM_STATE | grep -q _NET_WM_STATE_ABOVE || fail "ontop=1 is not above"
  [ -n "${QUORVANE_SHOTS:-}" ] && cp "$work/shot.png" "$QUORVANE_SHOTS/skin.png"
  true
  ;;

not-on-top) # without ontop the window is not kept above
  make_menu
  start_starter /startfile=index.html /caption=Normal
  wait_until "the window" visible Normal
  ! xprop -id "$(window_id Normal)" _NET_WM_STATE | grep -q _NET_WM_STATE_ABOVE || fail "above without ontop"
  ;;

splash) # the splash first, alone; then the main window
  make_menu
  convert -size 120x80 xc:'#c04020' "$work/menu/splash.png" || fail "convert"
  start_starter /startfile=index.html /caption=Hauptfenster /splash=splash.png
  wait_until "the splash" traced "splash shown"
  visible Hauptfenster && ! traced "splash closed" && fail "the main window shows during the splash"
  wait_until "the main window" visible Hauptfenster
  order=$(grep -nE '^(splash shown|splash closed|window shown)$' "$work/trace.txt" | cut -d: -f2 | tr '\n' ,)
  [ "$order" = "splash shown,splash closed,window shown," ] || fail "order: $order"
  ;;

keys) # disabledkeylist blocks its keys only; keyinput=0 blocks all
  make_menu
  # Ctrl+A = 16384 + 65, F5 = 116
  start_starter /startfile=index.html /caption=Tasten /disabledkeylist=16449,116
  wait_until "the window" visible Tasten
  keyboard_ready "$(window_id Tasten)"
  press "$(window_id Tasten)" ctrl+a F5 b
  wait_until "the key b" traced "key 66 passed"
  traced "key 16449 blocked" || fail "Ctrl+A not blocked"
  traced "key 116 blocked" || fail "F5 not blocked"
  kill "$starter_pid"; wait "$starter_pid" 2>/dev/null
  start_starter /startfile=index.html /caption=Keine /keyinput=0
  wait_until "the window" visible Keine
  keyboard_ready "$(window_id Keine)"
  press "$(window_id Keine)" b F5
  wait_until "F5" traced_like "^key 116 "
  traced "key 66 blocked" || fail "b passed with keyinput=0"
  traced "key 116 blocked" || fail "F5 passed with keyinput=0"
  ;;

password-right|password-wrong|password-cancel) # the exit password
  make_menu
  start_starter /startfile=index.html /caption=Geschlossen /exitpw=Geheim
  wait_until "the window" visible Geschlossen
  ask() {
    keyboard_ready "$(window_id Geschlossen)"
    press "$(window_id Geschlossen)" alt+F4
    wait_until "the password dialog" visible Passwort
  }
  ask
  dialog=$(window_id Passwort)
  [ -n "${QUORVANE_SHOTS:-}" ] && import -window root "$QUORVANE_SHOTS/password.png"
  case "$command" in
  password-right)
    xdotool type --window "$dialog" --delay 60 Geheim; press "$dialog" Return
    wait_for_exit
    traced "window closed" || fail "closed without the trace"
    ;;
  password-wrong)
    xdotool type --window "$dialog" --delay 60 geheim; press "$dialog" Return
    wait_until "the note" traced "password wrong"
    wait_until "the note window" visible Passwort
    press "$(window_id Passwort)" Return
    wait_until "the note to go" bash -c "! xdotool search --onlyvisible --name '^Passwort\$' 2>/dev/null | grep -q ."
    kill -0 "$starter_pid" || fail "the starter ended after a wrong password"
    visible Geschlossen || fail "the window went after a wrong password"
    ;;
  password-cancel)
    press "$dialog" Escape
    wait_until "the cancel" traced "password cancelled"
    kill -0 "$starter_pid" || fail "the starter ended after Cancel"
    visible Geschlossen || fail "the window went after Cancel"
    ;;
  esac
  ;;

execute) # execute at start, executeonclose at the end: in the configuration's folder, with parameters
  make_menu
  cp "$bindir/qv_marker.exe" "$work/menu/marker.exe"
  printf '[quorvane]\r\nstartfile=index.html\r\ncaption=Programme\r\nexecute=marker.exe\r\nexecuteparam=start.txt "mit blank" zwei\r\nexecuteonclose=marker.exe\r\nexecuteparamonclose=ende.txt\r\n' \
    > "$work/menu/starter.ini"
  cd / # the starter's own working folder is not the configuration's folder
  start_starter
  wait_until "the window" visible Programme
  wait_until "the start marker" test -s "$work/menu/start.txt"
  line=$(tr -d '\r' < "$work/menu/start.txt")
  [ "$line" = "Z:${work//\//\\}\\menu [mit blank] [zwei]" ] || fail "execute: $line"
  [ ! -e "$work/menu/ende.txt" ] || fail "executeonclose ran at the start"
  keyboard_ready "$(window_id Programme)"
  press "$(window_id Programme)" alt+F4
  wait_for_exit
  wait_until "the close marker" test -s "$work/menu/ende.txt"
  [ "$(grep -c . "$work/menu/start.txt")" = 1 ] || fail "execute ran more than once"
  ;;

second-start) # a second start of the same menu shows the first one and ends: one window, execute once
  make_menu
  cp "$bindir/qv_marker.exe" "$work/menu/marker.exe"
  printf '[quorvane]\r\nstartfile=index.html\r\ncaption=Einmal\r\nexecute=marker.exe\r\nexecuteparam=start.txt\r\n' \
    > "$work/menu/starter.ini"
  start_starter
  first=$starter_pid
  wait_until "the window" visible Einmal
  wait_until "the start marker" test -s "$work/menu/start.txt"
  QUORVANE_STARTER_TRACE="Z:$work/second.txt" wine "$work/menu/starter.exe" </dev/null >>"$work/wine.log" 2>&1 &
  second=$!
  pids+=("$second")
  wait_until "the second start to end" bash -c "! kill -0 $second"
  kill -0 "$first" || fail "the first menu ended"
  grep -q '^second start' "$work/second.txt" || fail "the second start did not see the first: $(cat "$work/second.txt")"
  [ "$(xdotool search --onlyvisible --name '^Einmal$' | wc -l)" = 1 ] || fail "more than one menu window"
  [ "$(grep -c . "$work/menu/start.txt")" = 1 ] || fail "execute ran twice"
  ;;

navigation) # the link rule's answers where the control asks (BeforeNavigate2), for a page's own navigations
  make_menu
  mkdir -p "$work/menu/docs" "$work/draussen"
  : > "$work/menu/docs/info.pdf"; : > "$work/draussen/geheim.html"; : > "$work/menu/seite2.html"
  wpath() { echo "Z:${1//\//\\}"; }
  inside=$(wpath "$work/menu/seite2.html"); outside=$(wpath "$work/draussen/geheim.html")
  QUORVANE_STARTER_NAVIGATE="file:///Z:$work/draussen/geheim.html|$outside|$inside|$(wpath "$work/menu/docs/info.pdf")|file:///Z:$work/menu/docs/..%5C..%5Cdraussen/geheim.html|javascript:alert(1)" \
    start_starter /startfile=index.html /caption=Links /external=pdf
  wait_until "the window" visible Links
  wait_until "the last navigation" traced_like "^navigate javascript:"
  # The start page, asked for by the runtime itself, loads.
  traced "navigate $(wpath "$work/menu/index.html") load" || fail "start page: $(grep navigate "$work/trace.txt")"
  # Wine hands file: URLs over as drive paths: both forms are judged alike.
  [ "$(grep -cxF "navigate $outside refuse" "$work/trace.txt")" -ge 1 ] || fail "outside: $(cat "$work/trace.txt")"
  traced "navigate $inside load" || fail "inside: $(cat "$work/trace.txt")"
  # An external file the page navigates to without the user's click loads like any file; the
  # click's case is the host-event tables'.
  traced "navigate $(wpath "$work/menu/docs/info.pdf") load" || fail "external: $(cat "$work/trace.txt")"
  traced_like '^navigate .*(draussen|%5C).* refuse$' || fail "escaped ..: $(cat "$work/trace.txt")"
  ! traced_like '^navigate .*draussen.* load$' || fail "a page left the folder: $(cat "$work/trace.txt")"
  traced "navigate javascript:alert(1) refuse" || fail "javascript: $(cat "$work/trace.txt")"
  ;;

missing-start-page) # a missing start page: the window shows, with the German message page
  make_menu
  start_starter /startfile=fehlt.html /caption=Fehlt
  wait_until "the window" visible Fehlt
  wait_until "the message" traced "start-page missing fehlt.html"
  ;;

batch-umlauts) # runme.bat as the designer writes it for a caption and password with umlauts
  make_menu
  # The designer's bytes (its tests compare them): a code-page line, then the one command in
  # Windows-1252 (\366 ö, \226 –, \334 Ü, \344 ä).
  printf '@chcp 1252 >nul\r\nstarter.exe /startfile=index.html /caption="Sommerfest K\366ln \226 \334bersicht" /borderstyle=sizeable /exitpw="Geheim \344"\r\n' \
    > "$work/menu/runme.bat"
  # Wine's cmd refuses code page 1252. Windows' cmd.exe, after the code-page line, hands the runtime
  # the command's bytes read as Windows-1252: that is what starts the runtime here.
  command=$(sed -n 2p "$work/menu/runme.bat" | tr -d '\r' | iconv -f CP1252 -t UTF-8) || fail "iconv"
  eval "set -- ${command#starter.exe }"
  cd "$work/menu" || fail "no menu folder"
  start_starter "$@"
  title="Sommerfest Köln – Übersicht"
  wait_until "the window \"$title\"" visible "$title"
  keyboard_ready "$(window_id "$title")"
  press "$(window_id "$title")" alt+F4
  wait_until "the password dialog" visible Passwort
  xdotool type --window "$(window_id Passwort)" --delay 80 "Geheim ä"
  press "$(window_id Passwort)" Return
  wait_for_exit
  traced "window closed" || fail "the password with its umlaut did not close the menu: $(cat "$work/trace.txt")"
  ;;

selftest) # /selbsttest writes its report (after the start page, or 15 s without one) and ends
  make_menu
  printf '[quorvane]\r\nstartfile=index.html\r\ncaption=Selbst\r\nexitpw=Geheim\r\n' > "$work/menu/starter.ini"
  start_starter /selbsttest
  wait_until "the window" visible Selbst
  wait_for_exit
  report_line=$(grep '^selbsttest ' "$work/trace.txt") || fail "no report traced"
  report=$(find "$WINEPREFIX/drive_c/users" -name quorvane-selbsttest.txt -newer "$work/menu/starter.ini" | head -1)
  [ -n "$report" ] || fail "no report file ($report_line)"
  text=$(tr -d '\r' < "$report")
  for expected in "Quelle der Einstellungen: ini-Datei (Z:/" "  caption=Selbst" "  exitpw=***" \
      "Emulation (HKCU, FEATURE_BROWSER_EMULATION, starter.exe): 11001" "  navigate Z:"; do
    grep -qF -- "$expected" <<<"$text" || fail "the report lacks \"$expected\": $text"
  done
  ! grep -q Geheim <<<"$text" || fail "the report shows the password"
  ;;

*)
  fail "unknown case $command"
  ;;
esac
