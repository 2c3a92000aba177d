#!/bin/sh
# Starts the synchronisation tool on a sample office.
#
#   scripts/run-sample.sh [folder]
#   scripts/run-sample.sh --help
#
# Builds the programs when needed (build folder $BUILD_DIR, default build/
# of the source tree, with -j and the machine's processor count), then:
#
# With an X display ($DISPLAY set): creates the sample office once in
# <folder>/office/Data and the host's program folder <folder>/tool, puts
# orvsync7 there as the host would and starts it in a window with the
# host's three arguments (the office data folder, "1" for a local server,
# the host's release). A mobile installation can go to <folder>/mobile/.
#
# Without a display: samplewalk walks an installation and a
# synchronisation through the real window on a virtual display (Xvfb) by
# pointer clicks and keys, prints each step and the counters of the final
# message, and saves a picture (PNG) of every page in
# <folder>/screenshots/. The walk makes the office, the program folder
# and the mobile folder afresh each time.
#
# <folder> defaults to $HOME/mobile-daten-sync and is reused by every run;
# temporary, common and documents folders of the tool stay inside it, so
# nothing outside it is touched. The folder dialog does not show hidden
# folders, so <folder> must not lie below one (such as ~/.cache): the
# mobile folder is picked in that dialog. samplewalk only works in a
# folder it made itself (or an empty one). While the tool started from
# <folder> still runs, a further start says so and leaves it alone.
set -eu

ROOT=$(cd "$(dirname "$0")/.." && pwd)
BUILD=${BUILD_DIR:-$ROOT/build}
HOST_RELEASE=12340

case "${1:-}" in
  -h|--help)
    sed -n '2,/^[^#]/{/^#/s/^# \{0,1\}//p}' "$0"
    exit 0
    ;;
  -*)
    echo "Unbekannte Option: $1 (siehe --help)" >&2
    exit 2
    ;;
esac

WORK=${1:-$HOME/mobile-daten-sync}
# The folder's full path, its links resolved, before anything is made.
WORK=$(realpath -m -- "$WORK")
case "$WORK/" in
  */.*)
    echo "Der Ordner $WORK liegt in einem versteckten Ordner; der Ordnerdialog des Programms zeigt ihn nicht." >&2
    echo "Geben Sie einen sichtbaren Ordner an, z.B.: $0 \$HOME/mobile-daten-sync" >&2
    exit 2
    ;;
esac

# A tool still running from this folder keeps its program and files in
# use: they are left alone (copying over the running program fails).
TOOL="$WORK/tool"
for exe in /proc/[0-9]*/exe; do
  if [ "$(readlink "$exe" 2>/dev/null)" = "$TOOL/orvsync7" ]; then
    pid=${exe#/proc/}
    pid=${pid%/exe}
    echo "Das Beispielprogramm läuft bereits ($TOOL/orvsync7, Prozess $pid); schließen Sie zuerst sein Fenster." >&2
    exit 1
  fi
done
mkdir -p "$WORK"

bash "$ROOT/scripts/install-deps.sh"
if [ ! -f "$BUILD/build.ninja" ]; then
  cmake -S "$ROOT" -B "$BUILD" -G Ninja -DCMAKE_BUILD_TYPE=RelWithDebInfo
fi
JOBS=$(nproc 2>/dev/null || echo 2)
cmake --build "$BUILD" -j "$JOBS" --target orvsync7 makeoffice updatemobile tovar samplewalk

echo "Beispielordner: $WORK"
if [ -z "${DISPLAY:-}" ]; then
  echo "Kein X-Display: Installation und Synchronisation laufen auf einer virtuellen Anzeige durch."
  exec "$BUILD/src/samplewalk" "$WORK" "$BUILD/src"
fi

OFFICE="$WORK/office/Data"
if [ ! -e "$OFFICE/setup.OAT" ]; then
  rm -rf "$WORK/office" "$TOOL"
  "$BUILD/src/makeoffice" "$OFFICE" "$TOOL" "$BUILD/src/updatemobile" "$BUILD/src/tovar"
fi
cp "$BUILD/src/orvsync7" "$TOOL/orvsync7"
mkdir -p "$WORK/tmp" "$WORK/common" "$WORK/documents" "$WORK/mobile"

echo "Musterbüro: $OFFICE"
echo "Programmordner: $TOOL"
echo "Ziel für eine mobile Installation, z.B.: $WORK/mobile/"
export TMPDIR="$WORK/tmp"
export MDS_COMMON_APPDATA="$WORK/common"
export MDS_COMMON_DOCUMENTS="$WORK/documents"
export KELPO_TOVAR_LOG="$WORK/tovar.log"
exec "$TOOL/orvsync7" "$OFFICE" 1 "$HOST_RELEASE"
