#!/bin/sh
# wine-mapid.sh PREFIX CHM ID...: for each context number, the page Wine's hh.exe -mapid
# opens in the CHM, as "ID<tab>page" ("(null)" when it maps none). Wine's HTML Help says
# which page it navigates to in its trace; hh.exe itself stays open, so the prefix's
# processes are ended once the trace has said it. Run under an X server (xvfb-run).
set -u
export WINEPREFIX="$1" WINEDEBUG=+htmlhelp WINEDLLOVERRIDES="mscoree,mshtml="
chm=$(winepath -w "$2")
shift 2
for id in "$@"; do
    log=$(mktemp)
    wine hh.exe -mapid "$id" "$chm" >/dev/null 2>"$log" &
    for _ in $(seq 1 300); do
        grep -aq "FindContextAlias returning" "$log" && break
        sleep 0.1
    done
    page=$(grep -a "FindContextAlias returning" "$log" | head -n 1 | sed 's/.*returning //')
    printf '%s\t%s\n' "$id" "$page"
    wineserver -k 2>/dev/null
    wait
    rm -f "$log"
done
