#!/usr/bin/env bash
# Builds the Debian package from a build tree and checks it as a package
# archive would: its contents, its dependencies, the desktop entry, the
# manual pages, and lintian's verdict (no errors).
#   packaging/check-deb.sh [BUILD_DIR]
set -euo pipefail
cd "$(dirname "$0")/.."
build=${1:-build}
fail() { echo "check-deb: $*" >&2; exit 1; }

if ! command -v lintian >/dev/null; then
    SUDO=""; [ "$(id -u)" -ne 0 ] && SUDO="sudo"
    $SUDO apt-get update -qq
    DEBIAN_FRONTEND=noninteractive $SUDO apt-get install -y -qq lintian >/dev/null
fi

rm -f "$build"/userobj_*.deb
(cd "$build" && cpack -G DEB >/dev/null)
debs=("$build"/userobj_*.deb)
deb=${debs[0]}
[ -f "$deb" ] || fail "cpack made no userobj_*.deb"

contents=$(dpkg-deb -c "$deb" | awk '{print $6}')
for f in usr/bin/omclient usr/bin/mmlswitch \
         usr/lib/userobj/libuserobj.so usr/lib/userobj/libuoframe.so \
         usr/lib/userobj/libuohostlibs.so usr/lib/userobj/libuoplatform.so \
         usr/share/userobj/objects.json usr/share/userobj/hoststrings.ini \
         usr/share/userobj/ExcelTemplate.xlsx usr/share/userobj/defaults/Filter.ini \
         usr/share/applications/omclient.desktop \
         usr/share/icons/hicolor/16x16/apps/omclient.png usr/share/icons/hicolor/48x48/apps/omclient.png \
         usr/share/icons/hicolor/256x256/apps/omclient.png \
         usr/share/man/man1/omclient.1.gz usr/share/man/man8/mmlswitch.8.gz \
         usr/lib/systemd/system/mmlswitch.service usr/share/doc/userobj/copyright; do
    grep -qx "\./$f" <<<"$contents" || fail "the package lacks /$f"
done

depends=$(dpkg-deb -f "$deb" Depends)
for lib in qt6-qpa-plugins libqt6core6 libqt6widgets6 libqt6network6 libsqlite3-0 libzip4 libpugixml1v5 libsodium23; do
    grep -q "$lib" <<<"$depends" || fail "Depends lacks $lib: $depends"
done
dpkg-deb -I "$deb" control >/dev/null

tree=$(mktemp -d)
trap 'rm -rf "$tree"' EXIT
dpkg-deb -x "$deb" "$tree"
desktop-file-validate "$tree/usr/share/applications/omclient.desktop"
for page in "$tree"/usr/share/man/man*/*.gz; do
    warnings=$(zcat "$page" | groff -man -ww -z -Tutf8 2>&1 || true)
    [ -z "$warnings" ] || fail "$page: $warnings"
done
grep -qx 'ExecStart=/usr/bin/mmlswitch .*' "$tree/usr/lib/systemd/system/mmlswitch.service" ||
    fail "the service does not start /usr/bin/mmlswitch"

lintian --fail-on error --tag-display-limit 0 "$deb"
echo "check-deb: $deb OK"
