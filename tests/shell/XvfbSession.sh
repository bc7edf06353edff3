# Sourced by the tests that drive the uninstaller's windows in an X server
# of their own (Xvfb) with xdotool, as a person would. The test sets:
#   limit     seconds any wait may last
#   work      its scratch folder
#   marker    NAME=VALUE, in the environment of every program it starts
#   artifacts the folder for screenshots, named <scenario>-NAME.png
# start_xvfb sets DISPLAY and xvfb; end_xvfb_session ends what the run started.
# The processes of this run still alive: the phases and GNUstep's daemons.
marked_processes() {
  local entry
  for entry in /proc/[0-9]*; do
    grep -qxzF -- "$marker" "$entry/environ" 2>/dev/null && echo "${entry#/proc/}"
  done
}

# GNUstep programs may ignore SIGTERM.
end_marked_processes() {
  local pids
  mapfile -t pids < <(marked_processes)
  [ ${#pids[@]} -eq 0 ] || kill -KILL "${pids[@]}" 2>/dev/null
}

# end_xvfb_session: the run's programs ended, then the X server, gently, so
# that it removes its lock file.
end_xvfb_session() {
  end_marked_processes
  if [ -n "$xvfb" ]; then
    kill -TERM "$xvfb" 2>/dev/null
    wait "$xvfb" 2>/dev/null
  fi
}

# start_xvfb: an X server on the first free display from :90, reported ready
# through -displayfd; sets DISPLAY and xvfb.
start_xvfb() {
  local number ready fifo=$work/display
  for number in $(seq 90 140); do
    [ -e "/tmp/.X$number-lock" ] || [ -e "/tmp/.X11-unix/X$number" ] && continue
    rm -f "$fifo"
    mkfifo "$fifo"
    Xvfb ":$number" -nolisten tcp -screen 0 1280x1024x24 -displayfd 3 3>"$fifo" \
      >"$work/xvfb-$number.log" 2>&1 &
    xvfb=$!
    ready=
    read -r -t "$limit" ready <"$fifo"
    if [ "$ready" = "$number" ]; then
      export DISPLAY=":$number"
      return 0
    fi
    # Another server took the display first.
    kill -TERM "$xvfb" 2>/dev/null
    wait "$xvfb" 2>/dev/null
    xvfb=
  done
  return 1
}

# xdo ARGUMENTS: xdotool, asked again while the X server turns its connection
# away, as a busy one may for a moment; nothing was done then.
xdo() {
  local deadline=$((SECONDS + limit)) status errors=$work/xdotool-errors.$BASHPID
  while :; do
    xdotool "$@" 2>"$errors"
    status=$?
    grep -q "Can't open display" "$errors" && [ $SECONDS -lt $deadline ] || return $status
    sleep 0.1
  done
}

alive() {
  local state
  state=$(ps -o stat= -p "$1" 2>/dev/null) && [ "${state:0:1}" != Z ]
}

# wait_gone PID: true once the process has ended, false when it outlives the limit.
wait_gone() {
  local deadline=$((SECONDS + limit))
  while alive "$1"; do
    [ $SECONDS -lt $deadline ] || return 1
    sleep 0.1
  done
}

# window_named TITLE: the id of the visible window titled exactly TITLE,
# once there is one; empty when none comes within the limit. xdotool gives up
# when a window it looks at vanishes (as a program that ended leaves them),
# so it is asked again.
window_named() {
  local deadline=$((SECONDS + limit)) pattern ids id
  pattern="^$(printf '%s' "$1" | sed 's/[][\.*^$+?(){}|]/\\&/g')\$"
  while [ $SECONDS -lt $deadline ]; do
    ids=$(timeout $((deadline - SECONDS)) xdotool search --sync --onlyvisible --name "$pattern" \
      2>/dev/null)
    for id in $ids; do
      [ "$(xdo getwindowname "$id" 2>/dev/null)" = "$1" ] && echo "$id" && return
    done
    sleep 0.1
  done
}

# windows_titled TITLE: how many windows, mapped or not, are titled exactly TITLE.
windows_titled() {
  xdo search --name '.' 2>/dev/null | while read -r id; do
    [ "$(xdo getwindowname "$id" 2>/dev/null)" = "$1" ] && echo "$id"
  done | wc -l
}

# button_centres WINDOW: "x y" of each push button, left to right, in window
# coordinates. A button is a raised frame: a white top edge and, below it, a
# black bottom edge of the same start and about the same width.
button_centres() {
  import -window "$1" png:- 2>/dev/null | convert png:- -depth 8 txt:- 2>/dev/null | awk '
    NR == 1 { split($4, size, ","); height = size[2] + 0; next }
    {
      split($1, at, /[,:]/); x = at[1] + 0; y = at[2] + 0; colour = substr($3, 1, 7)
      if (y != row || colour != runColour) { endRun(); row = y; runColour = colour; start = x }
      last = x
    }
    END { endRun(); pair() }
    function endRun() {
      if (runColour == "" || last - start + 1 < 20 || start == 0) return
      if (runColour == "#FFFFFF" && row >= height / 2) { tops[++nTops] = row " " start " " (last - start + 1) }
      if (runColour == "#000000") { bottoms[++nBottoms] = row " " start " " (last - start + 1) }
    }
    function pair(   i, j, t, b, best) {
      for (i = 1; i <= nTops; ++i) {
        split(tops[i], t, " "); best = -1
        for (j = 1; j <= nBottoms; ++j) {
          split(bottoms[j], b, " ")
          if (b[1] > t[1] && (b[2] - t[2])^2 <= 1 && (b[3] - t[3])^2 <= 9 && (best < 0 || b[1] < best))
            best = b[1]
        }
        if (best >= 0) printf "%d %d\n", t[2] + t[3] / 2, (t[1] + best) / 2
      }
    }' | sort -n -k1,1
}

# buttons WINDOW COUNT: the centres of its buttons once COUNT are drawn (the
# window may be mapped before it is painted); whatever was found at the limit.
buttons() {
  local deadline=$((SECONDS + limit)) found
  while :; do
    found=$(button_centres "$1")
    [ "$(printf '%s' "$found" | grep -c .)" -eq "$2" ] || [ $SECONDS -ge $deadline ] && break
    sleep 0.2
  done
  printf '%s\n' "$found"
}

# click WINDOW X Y: press and release, as a hand does.
click() {
  xdo mousemove --window "$1" "$2" "$3" mousedown 1 sleep 0.1 mouseup 1
}

# press WINDOW CENTRE: clicks the button at CENTRE ("x y"). An application that
# is not active takes a click only to become active; phase 1 is never made
# active here, since no window manager hands it the focus, so it is clicked
# once beside its buttons first and given the focus before its button is.
press() {
  local deadline=$((SECONDS + limit))
  if [ "$(xdo getwindowfocus 2>/dev/null)" != "$1" ]; then
    click "$1" 5 5
    until [ "$(xdo getwindowfocus 2>/dev/null)" = "$1" ]; do
      [ $SECONDS -lt $deadline ] || return 1
      sleep 0.05
    done
  fi
  # shellcheck disable=SC2086
  click "$1" $2
}

# screenshot NAME: the whole screen, kept as ARTIFACT_DIR/<scenario>-NAME.png.
screenshot() {
  local deadline=$((SECONDS + limit))
  until import -window root "$artifacts/$scenario-$1.png" 2>/dev/null; do
    [ $SECONDS -lt $deadline ] || return 1
    sleep 0.1
  done
}
