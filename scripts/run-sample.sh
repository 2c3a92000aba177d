#!/bin/sh
# Starts the synchronisation tool on a sample office in a real window.
#
#   scripts/run-sample.sh [folder]
#
# Builds the programs when needed (build folder $BUILD_DIR, default
# build/ of the source tree), creates a sample office with makeoffice in
# <folder>/office/Data and the host's program folder <folder>/tool (folder
# default: a new one under /tmp), puts orvsync7 into the program folder as
# the host would, and starts it with the host's three arguments: the
# office data folder, "1" for a local database server and the host's
# release. Temporary, common and documents folders of the run stay inside
# <folder>, so nothing outside it is touched.
set -eu

ROOT=$(cd "$(dirname "$0")/.." && pwd)
BUILD=${BUILD_DIR:-$ROOT/build}
HOST_RELEASE=12340

bash "$ROOT/scripts/install-deps.sh"
if [ -z "${DISPLAY:-}" ]; then
  # No graphical session: run on a virtual display instead, so that the
  # tool still starts (its window is then not visible).
  echo "Kein X-Display: das Werkzeug läuft auf einem virtuellen Display (xvfb-run)." >&2
  exec xvfb-run -a "$0" "$@"
fi
if [ ! -f "$BUILD/build.ninja" ]; then
  cmake -S "$ROOT" -B "$BUILD" -G Ninja -DCMAKE_BUILD_TYPE=RelWithDebInfo
fi
cmake --build "$BUILD" --target orvsync7 makeoffice updatemobile tovar

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
