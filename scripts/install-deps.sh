#!/bin/sh
# Installs the Debian packages fenban builds and tests with; skips what is present.
set -eu

packages="build-essential cmake pkg-config qt6-base-dev libxlsxwriter-dev libzip-dev libexpat1-dev
libfreexl-dev fonts-wqy-microhei xvfb libgtest-dev libgmock-dev libbenchmark-dev python3 python3-openpyxl
python3-xlsxwriter time poppler-utils qt6-translations-l10n"

missing=""
for p in $packages; do
    if ! dpkg-query -W -f='${Status}' "$p" 2>/dev/null | grep -q "install ok installed"; then
        missing="$missing $p"
    fi
done

[ -z "$missing" ] && exit 0

sudo=""
if [ "$(id -u)" -ne 0 ]; then
    sudo="sudo"
fi
echo "Installing:$missing"
$sudo apt-get update -qq
DEBIAN_FRONTEND=noninteractive $sudo apt-get install -y -qq --no-install-recommends $missing
