#!/usr/bin/env bash
# The manual pages: groff reads them without a warning, and every option the
# program's --help names is in its page.
#   test_man_pages.sh BIN_DIR MAN_DIR
set -euo pipefail
bin=$1 man=$2
status=0
for page in omclient.1 mmlswitch.8; do
    program=${page%.*}
    warnings=$(zcat "$man/$page.gz" | groff -man -ww -z -Tutf8 2>&1 || true)
    [ -z "$warnings" ] || { echo "FAIL: $page: $warnings" >&2; status=1; }
    text=$(zcat "$man/$page.gz" | MANWIDTH=200 man -l - 2>/dev/null)
    for option in $("$bin/$program" --help | grep -oE '^  (-[a-z?], )?--[a-z-]+' | grep -oE -- '--[a-z-]+'); do
        grep -qF -- "$option" <<<"$text" || { echo "FAIL: $page lacks $option" >&2; status=1; }
    done
done
exit $status
