#!/bin/sh
# Starts the synchronisation tool on a sample office in a real window.
#
#   scripts/run-sample.sh [folder]
#   scripts/run-sample.sh --help
#
# Builds the programs when needed (build folder $BUILD_DIR, default
# build/ of the source tree), creates a sample office with makeoffice in
# <folder>/office/Data and the host's program folder <folder>/tool (folder
# default: a new one under /tmp), puts orvsync7 into the program folder as
# the host would, and starts it with the host's three arguments: the
# office data folder, "1" for a local database server and the host's
# release. Temporary, common and documents folders of the run stay inside
# <folder>, so nothing outside it is touched.
#
# The tool needs an X display ($DISPLAY). Without one the script stops
# with a message and exit code 2 before it builds anything.
set -eu

ROOT=$(cd "$(dirname "$0")/.." && pwd)
BUILD=${BUILD_DIR:-$ROOT/build}
HOST_RELEASE=12340

case "${1:-}" in
  -h|--help)
    sed -n '2,/^[^#]/{/^#/s/^# \{0,1\}//p}' "$0"
    exit 0
    ;;
esac

if [ -z "${DISPLAY:-}" ]; then
  # The tool shows one window; without a display nobody could see or
  # answer it.
  echo "Kein X-Display: DISPLAY ist nicht gesetzt. Starten Sie das Skript in einer grafischen Sitzung" >&2
  echo "(oder mit DISPLAY=:<Nummer> eines laufenden X-Servers)." >&2
  exit 2
fi

bash "$ROOT/scripts/install-deps.sh"
if [ ! -f "$BUILD/build.ninja" ]; then
  cmake -S "$ROOT" -B "$BUILD" -G Ninja -DCMAKE_BUILD_TYPE=RelWithDebInfo
fi
JOBS=$(nproc 2>/dev/null || echo 2)
cmake --build "$BUILD" -j "$JOBS" --target orvsync7 makeoffice updatemobile tovar

WORK=${1:-$(mktemp -d /tmp/mds-sample-XXXXXX)}
WORK=$(mkdir -p "$WORK" && cd "$WORK" && pwd)
OFFICE="$WORK/office/Data"
TOOL="$WORK/tool"

if [ ! -e "$OFFICE/setup.OAT" ]; then
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
