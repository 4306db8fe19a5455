#!/usr/bin/env bash
# Runs the Windows-side tests in a scratch Wine prefix of their own; the
# Windows builds' CTest runs every program through it.
#   wine.sh setup PREFIX         make the prefix (headless), start its server
#   wine.sh run PREFIX EXE ARGS  run a Windows program in it, making the
#                                prefix first if there is none yet
#   wine.sh stop PREFIX          end the prefix's server and its processes
set -euo pipefail
action=$1
export WINEPREFIX=$2
shift 2
export WINEDEBUG=-all WINEDLLOVERRIDES="mscoree,mshtml=" WINEARCH=win64
unset DISPLAY WAYLAND_DISPLAY

setup() {
  mkdir -p "$WINEPREFIX"
  # One server, and Wine's own services, for the whole run. Their output
  # goes nowhere: started from a test, they would hold its pipe open.
  # Already running, it stays.
  wineserver -p </dev/null >/dev/null 2>&1 || true
  wineboot -i </dev/null >/dev/null 2>&1 || true
  # Without a display, windows can only be made with the null driver.
  wine reg add 'HKCU\Software\Wine\Drivers' /v Graphics /d null /f </dev/null >/dev/null 2>&1
  # The desktop wineboot started knows no driver yet, and a fresh prefix's
  # message boxes never appear on it: start again with the setting read.
  wineserver -k 2>/dev/null || true
  wineserver -w 2>/dev/null || true
  wineserver -p </dev/null >/dev/null 2>&1 || true
  # Not system.reg: a running server writes it only when it ends.
  touch "$WINEPREFIX/.tarnweld-ready"
}

case $action in
  setup)
    setup
    echo "Wine prefix ready: $WINEPREFIX"
    ;;
  run)
    # CTest asks the test program for its tests before any test has run.
    [ -f "$WINEPREFIX/.tarnweld-ready" ] || setup
    # Through a file, so that no process Wine starts on the side can keep
    # the caller waiting for the end of its output.
    log=$(mktemp)
    trap 'rm -f "$log"' EXIT
    status=0
    wine "$@" </dev/null >"$log" 2>&1 || status=$?
    cat "$log"
    exit $status
    ;;
  stop)
    wineserver -k 2>/dev/null || true
    ;;
  *)
    echo "usage: wine.sh setup|run|stop PREFIX ..." >&2
    exit 2
    ;;
esac
