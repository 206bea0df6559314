#!/usr/bin/env bash
# An installed client: `cmake --install` into a scratch prefix, then the
# installed omclient and mmlswitch run for a user whose home is scratch too.
# Nothing may be written below the prefix, the user's files land in the XDG
# places, a user's settings survive the next start, and a moved tree starts.
#   test_install.sh BUILD_DIR WORK_DIR
set -euo pipefail
build=$1 work=$(realpath -m "$2")
rm -rf "$work"
mkdir -p "$work"
prefix=$work/prefix home=$work/home
fail() { echo "FAIL: $*" >&2; exit 1; }

cmake --install "$build" --prefix "$prefix" >/dev/null

export HOME=$home XDG_CONFIG_HOME=$home/config XDG_DATA_HOME=$home/data XDG_STATE_HOME=$home/state
export XDG_CACHE_HOME=$home/cache XDG_RUNTIME_DIR=$home/run QT_QPA_PLATFORM=offscreen
unset USEROBJ_TRACE LD_LIBRARY_PATH
mkdir -p "$home" && chmod 700 "$home"
mkdir -m 700 "$XDG_RUNTIME_DIR"

# The binaries take their libraries from the tree they lie in.
for f in "$prefix"/bin/omclient "$prefix"/bin/mmlswitch "$prefix"/lib/userobj/libuserobj.so; do
    unresolved=$(ldd "$f" | grep -E 'libuo|not found' | grep -v "=> $prefix/" || true)
    [ -z "$unresolved" ] || fail "$f resolves outside the tree: $unresolved"
done

# The desktop finds the client and its icon at every size; man finds the pages.
[ -f "$prefix/share/applications/omclient.desktop" ] || fail "no desktop entry"
for size in 16 32 48 256; do
    [ -s "$prefix/share/icons/hicolor/${size}x$size/apps/omclient.png" ] || fail "no ${size}px icon"
done

[ -s "$prefix/share/man/man1/omclient.1.gz" ] && [ -s "$prefix/share/man/man8/mmlswitch.8.gz" ] ||
    fail "manual pages missing"

grep -qx "ExecStart=$prefix/bin/mmlswitch .*" "$prefix/lib/systemd/system/mmlswitch.service" ||
    fail "the service does not start the installed switch"

snapshot() { (cd "$1" && find . -printf '%p %s %T@ %m\n' | sort); }
before=$(snapshot "$prefix")

client() {  # client PREFIX DUMP: the installed client's first results, described
    "$1/bin/omclient" --subscribers 200 --dump "$2" 2>"$work/client.err" ||
        fail "$1/bin/omclient --dump: $(cat "$work/client.err")"
    grep -q '"rows"' "$2" || fail "the dump describes no list: $(head -c 300 "$2")"
}

client "$prefix" "$work/first.json"
report=$("$prefix/bin/mmlswitch" --seed demo --subscribers 10 --exec 'LST MGCPSUB:;') ||
    fail "mmlswitch --exec: $report"
grep -q 'RETCODE = 0' <<<"$report" || fail "mmlswitch --exec answered: $report"

# A session ended by SIGTERM, as a desktop logout ends it, remembers its
# windows in the user's settings. Its first --state description says it runs.
"$prefix/bin/omclient" --state "$work/state.json" 2>"$work/session.err" &
session=$!
for _ in $(seq 600); do
    [ -s "$work/state.json" ] || ! kill -0 $session 2>/dev/null && break
    sleep 0.1
done
kill -TERM $session 2>/dev/null || true
wait $session || fail "the session did not end cleanly: $(cat "$work/session.err")"
grep -qi '^open *=' "$XDG_CONFIG_HOME/userobj/omclient.ini" || fail "the open windows were not remembered"

[ "$(snapshot "$prefix")" = "$before" ] || fail "the run wrote below the prefix: $(diff <(echo "$before") <(snapshot "$prefix"))"

cfg=$XDG_CONFIG_HOME/userobj
for f in Filter.ini Marrowind.ini Subscriber.ini; do
    [ -f "$cfg/$f" ] || fail "no $f in the user's settings"
    cmp -s "$cfg/$f" "$prefix/share/userobj/defaults/$f" || fail "$f is not the shipped default"
    [ -w "$cfg/$f" ] || fail "the user's $f is not writable"
done
[ -f "$XDG_DATA_HOME/userobj/switch/demo.db" ] || fail "the embedded switch's database is not in XDG_DATA_HOME"
[ ! -e "$cfg/hoststrings.ini" ] || fail "the string table was copied to the user's settings"

# A setting of the user's own is kept; the tree moved elsewhere still starts.
echo '; mine' >>"$cfg/Filter.ini"
mv "$prefix" "$work/moved"
client "$work/moved" "$work/moved.json"
grep -q '^; mine' "$cfg/Filter.ini" || fail "the user's Filter.ini was replaced"
[ "$(snapshot "$work/moved")" = "$before" ] || fail "the moved tree was written to"
echo "install tree OK"
