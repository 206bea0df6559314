#!/bin/sh
# The client's memory on a database of a million subscribers: omclient opens
# the type 3 window (MGCP subscribers) and describes it (--dump); meanwhile
# its /proc status is read every 20 ms. Printed: the highest anonymous
# resident memory (the heap, thread stacks and every other private page)
# and the file-backed resident memory at that moment (the database's pages
# the switch maps, and the libraries), in MiB.
#
#   bench/client_memory.sh build/bin/omclient /tmp/userobj-bench-1m.db
# (a database not there yet is seeded first, which takes a while).
set -eu
client=${1:?omclient}
db=${2:?database file}
home=$(mktemp -d)
trap 'rm -rf "$home"' EXIT
if [ ! -f "$db" ]; then
    HOME=$home QT_QPA_PLATFORM=offscreen "$client" --switch-db "$db" --subscribers 1000000 \
        --config 3 --dump "$home/seed.json" >/dev/null 2>&1
fi
HOME=$home QT_QPA_PLATFORM=offscreen "$client" --switch-db "$db" --config 3 --dump "$home/d.json" \
    >/dev/null 2>&1 &
pid=$!
peak=0
file=0
while kill -0 "$pid" 2>/dev/null; do
    if s=$(cat "/proc/$pid/status" 2>/dev/null); then
        anon=$(echo "$s" | awk '/^RssAnon:/ {print $2}')
        f=$(echo "$s" | awk '/^RssFile:/ {print $2}')
        if [ -n "$anon" ] && [ "$anon" -gt "$peak" ]; then
            peak=$anon
            file=$f
        fi
    fi
    sleep 0.02
done
wait "$pid" || true
echo "anonymous (heap and other private pages), highest: $((peak / 1024)) MiB"
echo "file-backed at that moment (mapped database pages, libraries): $((file / 1024)) MiB"
