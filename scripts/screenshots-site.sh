#!/usr/bin/env bash
# Pictures of the site strip for the README, from the real program under Xvfb against the
# meter simulator: undecided after a start (with what it waits for), a stop in its hold
# (with its countdown), and a storm latched over a stop (kept over a restart); the last
# once more in English. Then the outputs' status panel while logging, in both languages,
# and the inspection dialog during a stop.
set -euo pipefail
cd "$(dirname "$0")/.."
scripts/install-deps.sh --extra
export QV_BUILD_DIR=${QV_BUILD_DIR:-$PWD/build}
[ -x "$QV_BUILD_DIR/app/qv475" ] || scripts/build.sh
out=$PWD/docs/images

# site_shot NAME SECONDS STATE SITE SIMULATOR-OPTIONS...: a session of its own, the state
# file STATE (may be empty) and the [Site] lines SITE, a picture after SECONDS.
site_shot() {
  local name=$1 wait=$2 state=$3 site=$4
  shift 4
  (
    source scripts/lib/session.sh
    qv_session_start 10 1 "$@"
    printf '%b' "$site" >>"$qv_home/QV475_XP/QV475_XP.ini"
    # QV475_LANGUAGE=en: the same in the English interface.
    [ -z "${QV475_LANGUAGE:-}" ] ||
      sed -i "s/^\\[Settings\\]\$/[Settings]\\nLanguage=$QV475_LANGUAGE/" "$qv_home/QV475_XP/QV475_XP.ini"
    [ -z "$state" ] || printf '%b' "$state" >"$qv_home/QV475_XP/QV475_XP_site.ini"
    qv_app_start >/dev/null
    sleep 1
    qv_key F5
    sleep "$wait"
    import -window "$(qv_find_window 'QV-475')" "$out/$name.png"
    echo "$out/$name.png"
  )
}

site_shot site-undecided 4 '' '[Site]\nEnabled=1\n' --fixed 4.5,6.0,4.0,5.0,0,0
site_shot site-hold 62 'Work=stop\n' '[Site]\nEnabled=1\nMinutes=1\nHoldMinutes=10\n' \
  --fixed 7.5,9.0,7.0,8.0,0,0
latched="Latched=$(date -d '-25 min' +%Y-%m-%dT%H:%M:%S).000$(date +%:z)"
site_shot site-latched 4 "$latched\nGust=31.4\nGustAt=${latched#Latched=}\nWork=stop\n" \
  '[Site]\nEnabled=1\nMinutes=1\n' --fixed 12.3,14.0,11.5,13.0,1,1
QV475_LANGUAGE=en site_shot site-latched-en 4 "$latched\nGust=31.4\nGustAt=${latched#Latched=}\nWork=stop\n" \
  '[Site]\nEnabled=1\nMinutes=1\n' --fixed 12.3,14.0,11.5,13.0,1,1

# status_shot NAME [LANGUAGE]: logging with outputs that cannot reach their peers (a broker
# on a closed port; the sleep lock where no session bus is), the pointer on the panel after
# the five: its icon, and each output's whole line in its tool tip.
status_shot() {
  local name=$1 language=${2:-}
  (
    source scripts/lib/session.sh
    qv_session_start 10 1 --fixed 6.2,7.5,5.1,6.0,0,0
    printf '[Mqtt]\nHost=127.0.0.1\nPort=1\nTopic=site1/crane3\n' >>"$qv_home/QV475_XP/QV475_XP.ini"
    [ -z "$language" ] ||
      sed -i "s/^\\[Settings\\]\$/[Settings]\\nLanguage=$language/" "$qv_home/QV475_XP/QV475_XP.ini"
    qv_app_start >/dev/null
    sleep 1
    qv_key F5
    sleep 1
    qv_key F2
    sleep 2
    local w X Y WIDTH HEIGHT
    w=$(qv_find_window 'QV-475')
    eval "$(xdotool getwindowgeometry --shell "$w")"
    xdotool mousemove $((X + WIDTH - 12)) $((Y + HEIGHT - 8))
    sleep 2
    # The tool tip opens below the window and reaches left of it.
    import -window root -crop $((WIDTH + 340))x$((HEIGHT + 60))+$((X - 320))+"$Y" "$out/$name.png"
    echo "$out/$name.png"
  )
}

status_shot status-outputs
status_shot status-outputs-en en

# The inspection dialog over a stop with a storm latched: its latch, and why it cannot be
# signed now.
(
  source scripts/lib/session.sh
  qv_session_start 10 1 --fixed 4.3,6.0,4.0,5.0,0,0
  printf '[Site]\nEnabled=1\nMinutes=1\n' >>"$qv_home/QV475_XP/QV475_XP.ini"
  latched="Latched=$(date -d '-25 min' +%Y-%m-%dT%H:%M:%S).000$(date +%:z)"
  printf '%b' "$latched\nGust=31.4\nGustAt=${latched#Latched=}\nWork=stop\n" \
    >"$qv_home/QV475_XP/QV475_XP_site.ini"
  qv_app_start >/dev/null
  sleep 1
  qv_key F5
  sleep 3
  w=$(qv_find_window 'QV-475')
  eval "$(xdotool getwindowgeometry --shell "$w")"
  qv_key alt+v
  sleep 0.5
  xdotool key i
  sleep 1.5
  import -window root -crop $((WIDTH + 120))x"$HEIGHT"+$((X - 60))+"$Y" "$out/inspection-dialog.png"
  echo "$out/inspection-dialog.png"
)
