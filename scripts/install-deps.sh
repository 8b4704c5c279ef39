#!/usr/bin/env bash
# Installs the Debian packages needed to build and test Vantrel Reaktion,
# but only those that are missing. Runs apt-get as root, or through sudo.
set -euo pipefail

packages=(cmake g++ make qt6-base-dev qt6-serialport-dev libqt6sql6-sqlite qt6-translations-l10n libgl-dev)
# The desktop smoke test: a real X server without a window manager, keys sent with xdotool.
packages+=(xvfb xauth xdotool)
# The X server's stamp of a shown target (xcb). The X-screen timing test watches the
# window's pixels (DAMAGE) and types (XTEST).
packages+=(pkg-config libxcb1-dev libxcb-damage0-dev libxcb-xtest0-dev)
# Progress chart of the evaluation; pdfinfo/pdftotext for the tests of the printed records.
packages+=(qt6-charts-dev poppler-utils)
# Audible hit display.
packages+=(qt6-multimedia-dev)
# The club server: Qt's PostgreSQL driver; the server itself for the store tests.
packages+=(libqt6sql6-psql postgresql)
# The server watchdog shuts a silent connection's socket down (libpq's header).
packages+=(libpq-dev)

missing=()
for p in "${packages[@]}"; do
  if ! dpkg-query -W -f='${Status}' "$p" 2>/dev/null | grep -q "install ok installed"; then
    missing+=("$p")
  fi
done

if [ ${#missing[@]} -eq 0 ]; then
  echo "Alle benötigten Pakete sind installiert."
  exit 0
fi

if [ "$(id -u)" -eq 0 ]; then
  sudo=()
else
  sudo=(sudo)
fi
echo "Installiere: ${missing[*]}"
"${sudo[@]}" apt-get update -qq
DEBIAN_FRONTEND=noninteractive "${sudo[@]}" apt-get install -y -qq "${missing[@]}"
