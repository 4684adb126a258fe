#!/usr/bin/env bash
# quillmark.exe converting Word documents with Word, under Wine, where word-standin.exe
# (a stand-in for Word's automation server) is registered as Word.Application in a
# prefix of this test's own:  word-test.sh WINDOWS64_BUILD SAMPLES
# One batch meets a plain document, one with an auto macro, one whose filtered HTML is
# refused, one that hangs Word, one that crashes it, one with a password and one after
# them all, while the user's own Word runs with a document open; then batches meet a Word
# that will not start. The test checks the
# calls Word gets, the pages and pictures placed beside the documents, each fault's
# reason, that the batch goes on past each, that the user's Word is never called, and
# that no Word of ours is left running, after the batch and after runs that are
# interrupted (Ctrl-C) or killed. Exit 77 (skipped) when wine, the Windows build or the
# sample documents are missing. KEEP_SCRATCH=1 keeps the documents, pages and call logs.
set -uo pipefail
win64=$(realpath -m "$1") samples=$(realpath -m "$2")

skip() { echo "SKIPPED: $*"; exit 77; }
command -v wine >/dev/null || skip "wine is absent; ./dev windows installs it"
for f in "$win64/quillmark.exe" "$win64/word-standin.exe"; do
    [ -f "$f" ] || skip "$f is missing; ./dev windows builds it"
done
[ -f "$samples/doc/poi__PasswordProtected.doc" ] || skip "the sample documents ($samples/doc) are absent"

failures=0
fail() { echo "FAIL: $*"; failures=$((failures + 1)); }

export WINEPREFIX=$win64/word-prefix WINEDEBUG=-all WINEDLLOVERRIDES="mscoree,mshtml=" LC_ALL=C.UTF-8
[ -d "$WINEPREFIX" ] || wine wineboot --init >/dev/null 2>&1 || fail "wineboot could not make $WINEPREFIX"
clsid='{6E1C2A7B-3D4F-4B8A-9C21-5F0E8D7A4B11}'
server='\"Z:'$(echo "$win64/word-standin.exe" | sed 's|/|\\\\|g')'\" /Automation'
scratch=$(mktemp -d)
standins() { ps -eo args | grep '[w]ord-standin.exe' | grep -v -- '--user' || true; }
# Wine takes a moment to remove a process that has ended.
gone() { for _ in $(seq 100); do [ -z "$(standins)" ] && return 0; sleep 0.1; done; return 1; }
cleanup() {
    [ -n "${user:-}" ] && kill "$user" 2>/dev/null
    wineserver -k 2>/dev/null
    [ -n "${KEEP_SCRATCH:-}" ] || rm -rf "$scratch"
}
trap cleanup EXIT
# Wine's null display driver gives the programs windows without a display: Word's main
# window is how the client tells which process it is talking to.
cat >"$scratch/word.reg" <<EOF
REGEDIT4

[HKEY_CURRENT_USER\\Software\\Wine\\Drivers]
"Graphics"="null"

[HKEY_LOCAL_MACHINE\\Software\\Classes\\Word.Application]
@="Microsoft Word Application"

[HKEY_LOCAL_MACHINE\\Software\\Classes\\Word.Application\\CLSID]
@="$clsid"

[HKEY_LOCAL_MACHINE\\Software\\Classes\\CLSID\\$clsid]
@="Microsoft Word Application"

[HKEY_LOCAL_MACHINE\\Software\\Classes\\CLSID\\$clsid\\ProgID]
@="Word.Application"

[HKEY_LOCAL_MACHINE\\Software\\Classes\\CLSID\\$clsid\\LocalServer32]
@="$server"
EOF
# As a 32-bit Word on 64-bit Windows registers itself: in the registry's 32-bit view.
wine reg import "Z:$scratch/word.reg" /reg:32 >/dev/null 2>&1 || fail "reg could not register the stand-in"
# The display driver is chosen when the prefix's desktop starts: start it anew.
wineserver -k 2>/dev/null

docs=$scratch/文档
mkdir -p "$docs"
cp "$samples/doc/gb8567__document-outline.doc" "$docs/手册.doc"
cp "$samples/doc/poi__PasswordProtected.doc" "$docs/密码.doc"
rtf() { printf '{\\rtf1\\ansi %s}\r\n' "$2" >"$docs/$1"; }
rtf 宏.rtf QM-STANDIN-AUTOMACRO
rtf 网页.rtf QM-STANDIN-NO-FILTERED
rtf 挂起.rtf QM-STANDIN-HANG
rtf 崩溃.rtf QM-STANDIN-CRASH
rtf 最后.rtf "the last one"
export STANDIN_LOG=Z:$scratch/calls.log

# The user's own Word, with a document open.
wine "$win64/word-standin.exe" --user 用户的文档.docx >/dev/null 2>&1 &
user=$!
for _ in $(seq 300); do grep -q 'running with' "$scratch/calls.log" 2>/dev/null && break; sleep 0.1; done
grep -q 'running with' "$scratch/calls.log" 2>/dev/null || fail "the user's stand-in Word did not start"

batch=(手册.doc 宏.rtf 网页.rtf 挂起.rtf 崩溃.rtf 密码.doc 最后.rtf)
args=()
for d in "${batch[@]}"; do args+=("Z:$docs/$d"); done
# Each Word starts slowly: two starts take longer than the limit on one document, which
# counts only from the document on.
STANDIN_START_SECONDS=3 QUILLMARK_WORD_SECONDS=5 wine "$win64/quillmark.exe" --json "${args[@]}" \
    >"$scratch/report.json" 2>"$scratch/stderr"
status=$?
[ "$status" -eq 1 ] || fail "the batch exited $status, not 1 (some documents failed): $(head -3 "$scratch/stderr")"

python3 - "$scratch" <<'EOF' || { failures=$((failures + 1)); echo "Word's calls:"; cat "$scratch/calls.log"; }
import json, re, sys
scratch = sys.argv[1]
problems = []
reports = {}
for line in open(f"{scratch}/report.json", encoding="utf-8"):
    r = json.loads(line)
    reports[re.split(r"[\\/]", r["source"])[-1]] = r
expect = {"手册.doc": "done", "宏.rtf": "done", "网页.rtf": "done", "最后.rtf": "done",
          "挂起.rtf": "超过5秒", "崩溃.rtf": "意外退出", "密码.doc": "文档有密码保护"}
for name, want in expect.items():
    r = reports.get(name)
    if r is None:
        problems.append(f"{name}: no report")
    elif want == "done" and r["outcome"] != "done":
        problems.append(f"{name}: {r['outcome']} ({r.get('reason')})")
    elif want != "done" and (r["outcome"] != "failed" or want not in r.get("reason", "")):
        problems.append(f"{name}: {r['outcome']} ({r.get('reason')}), not failed with {want}")

calls = [l.rstrip("\n") for l in open(f"{scratch}/calls.log", encoding="utf-8")]
byPid = {}
for l in calls:
    who, _, what = l.partition(" ")
    byPid.setdefault(who, []).append(what)
    if who.startswith("user[") and not what.startswith("running with"):
        problems.append(f"the user's Word was called: {l}")
    if what == "MACRO RAN":
        problems.append(f"an auto macro ran: {l}")
opens = [w for l in byPid.values() for w in l if w.startswith("Documents.Open(")]
if len(opens) != 7:  # six documents, the refused one twice, the one with a password never
    problems.append(f"{len(opens)} documents opened, not 7")
for who, lines in byPid.items():
    if not who.startswith("word["):
        continue
    if "connected" in lines:
        first = next((i for i, w in enumerate(lines) if w.startswith("Documents.")), len(lines))
        settings = lines[:first]
        for s in ("Application.AutomationSecurity=3", "Application.Visible=false",
                  "Application.DisplayAlerts=0"):
            if s not in settings and first < len(lines):
                problems.append(f"{who}: {s} not set before the first document")
        if not any(w.startswith("Application.Caption=quillmark-") for w in settings):
            problems.append(f"{who}: no caption to tell its window by")
    for i, w in enumerate(lines):
        if w.startswith("Documents.Open("):
            a = w[len("Documents.Open("):-1].split(", ")
            if not re.search(r"quillmark-word-.*[\\/]document\.(doc|rtf)$", a[0]):
                problems.append(f"{who}: opened {a[0]}, not a copy at a private path")
            want = {1: "false", 2: "true", 3: "false", 9: "0", 11: "false", 12: "false", 14: "true"}
            if len(a) != 15 or any(a[k] != v for k, v in want.items()) or a[4] in ("", "missing"):
                problems.append(f"{who}: Open's arguments {a[1:]}")
        if w.startswith("Document.SaveAs2("):
            if "WebOptions.Encoding=936" not in lines[:i]:
                problems.append(f"{who}: saved without the encoding 936")
    saves = [w for w in lines if w.startswith("Document.SaveAs2(")]
    if len(saves) > 0 and "ended" in lines and "Application.Quit(0)" not in lines:
        problems.append(f"{who}: ended without Quit")
saves = [w.rsplit(", ", 1)[-1] for l in byPid.values() for w in l if w.startswith("Document.SaveAs2(")]
if saves.count("8)") != 1:
    problems.append(f"Web-page format used {saves.count('8)')} times, not once (after the refusal)")
started = [w for w in byPid if w.startswith("word[") and "connected" in byPid[w]]
if len(started) < 6:  # each Word of ours comes with a placeholder; three Words: after hang and crash
    problems.append(f"{len(started)} stand-ins connected, not 6 (3 Words and their placeholders)")
for p in problems:
    print("FAIL:", p)
sys.exit(1 if problems else 0)
EOF

gbk() { printf '%s' "$1" | iconv -f UTF-8 -t GBK; }
for d in 手册 宏 网页 最后; do
    page=$docs/$d.htm
    if [ ! -f "$page" ] || [ ! -f "$docs/$d.files/image001.png" ] || [ ! -f "$docs/$d.chm" ]; then
        fail "$d: no page, picture or CHM beside the document"
        continue
    fi
    grep -q 'name="quillmark-conversion"' "$page" || fail "$d: the page has no conversion mark"
    grep -aq "src=\"$(gbk "$d").files/image001.png\"" "$page" || fail "$d: the picture's link does not lead into $d.files"
    grep -aq '_files/' "$page" && fail "$d: a link still leads into Word's own folder"
done
[ -f "$docs/网页.files/filelist.xml" ] || fail "the Web page's file list is not in its folder"
for d in 挂起 崩溃 密码; do
    [ -e "$docs/$d.htm" ] && fail "$d: a page was placed for a failed document"
done
gone || fail "a Word of ours outlived the batch: $(standins)"
kill -0 "$user" 2>/dev/null || fail "the user's Word did not survive the batch"

# Ctrl-C while Word hangs, a run killed outright, and Ctrl-C while a slow Word starts: our
# Words go with the run each time, and the run ends at once, not when Word has started.
# Wine starts the program through start.exe, in a process of its own that the signal goes to.
export STANDIN_LOG=Z:$scratch/interrupted.log
ready() {
    if [ "$slow" -gt 0 ]; then [ -n "$(standins)" ]; else grep -q 'Document.SaveAs2' "$scratch/interrupted.log" 2>/dev/null; fi
}
for how in INT KILL INT-starting; do
    slow=0
    [ "$how" = INT-starting ] && slow=100
    STANDIN_START_SECONDS=$slow QUILLMARK_WORD_SECONDS=120 wine "$win64/quillmark.exe" -q "Z:$docs/挂起.rtf" >/dev/null 2>&1 &
    run=$!
    for _ in $(seq 300); do ready && break; sleep 0.1; done
    program=$(ps -eo pid=,args= | grep -F "Z:$docs/挂起.rtf" | awk '$2 ~ /^Z:.*quillmark\.exe$/ {print $1}')
    if [ -z "$program" ] || ! ready; then
        fail "$how: quillmark.exe was not found, or Word was not reached"
        kill "$run"
    else
        kill -"${how%-starting}" "$program"
    fi
    for _ in $(seq 300); do kill -0 "$run" 2>/dev/null || break; sleep 0.1; done
    kill -0 "$run" 2>/dev/null && { fail "$how: the run did not end within 30 seconds"; kill "$program"; }
    wait "$run" 2>/dev/null
    status=$?
    [ "$how" != KILL ] && [ "$status" -ne 130 ] && fail "Ctrl-C ($how): the run exited $status, not 130"
    gone || fail "$how: a Word of ours outlived the run: $(standins)"
    rm -f "$scratch/interrupted.log"
done

# A Word that will not start, registered at a path where nothing is or ending as it starts:
# the batch's documents fail with the reason, Word is tried once for the batch and not
# once per document, and a page saved by Word in the same batch still gets its help.
cp -r "$samples/html/countingpi_cn" "$scratch/网页" || fail "the sample Word page countingpi_cn is absent"
export STANDIN_LOG=Z:$scratch/unstarted.log
standin='\"Z:'$(echo "$win64/word-standin.exe" | sed 's|/|\\\\|g')'\"'
for server in '\"Z:\\nowhere\\WINWORD.EXE\" /Automation' "$standin --exit-at-once /Automation"; do
    printf 'REGEDIT4\n\n[HKEY_LOCAL_MACHINE\\Software\\Classes\\CLSID\\%s\\LocalServer32]\n@="%s"\n' \
        "$clsid" "$server" >"$scratch/unstarted.reg"
    wine reg import "Z:$scratch/unstarted.reg" /reg:32 >/dev/null 2>&1 || fail "reg could not register $server"
    rm -f "$scratch/unstarted.log" "$scratch/网页/index.chm"
    # The limit per document is long: a run that waited for Word per document would not end.
    QUILLMARK_WORD_SECONDS=600 timeout 300 wine "$win64/quillmark.exe" --json \
        "Z:$docs/手册.doc" "Z:$docs/最后.rtf" "Z:$scratch/网页/index.htm" \
        >"$scratch/unstarted.json" 2>"$scratch/stderr"
    status=$?
    [ "$status" -eq 1 ] || fail "Word not starting ($server): the batch exited $status, not 1"
    python3 - "$scratch/unstarted.json" <<'EOF2' || fail "Word not starting ($server): reports as above"
import json, re, sys
reports = {re.split(r"[\\/]", r["source"])[-1]: r
           for r in map(json.loads, open(sys.argv[1], encoding="utf-8"))}
problems = [f"{n}: {reports.get(n)}" for n in ("手册.doc", "最后.rtf")
            if reports.get(n, {}).get("outcome") != "failed"
            or "无法启动Word" not in reports[n].get("reason", "")]
if reports.get("index.htm", {}).get("outcome") != "done":
    problems.append(f"index.htm: {reports.get('index.htm')}")
for p in problems:
    print("FAIL:", p)
sys.exit(1 if problems else 0)
EOF2
    [ -f "$scratch/网页/index.chm" ] || fail "Word not starting ($server): the Word page got no CHM"
    tries=$(grep -c 'exited at once' "$scratch/unstarted.log" 2>/dev/null)
    [ "${tries:-0}" -le 2 ] || fail "Word was started $tries times for one batch, not once (with its placeholder)"
    gone || fail "Word not starting ($server): a Word of ours was left running: $(standins)"
done

if [ "$failures" -gt 0 ]; then
    echo "$failures failure(s)"
    exit 1
fi
echo "Word converter: calls, pages, faults and instances as expected against the stand-in"
