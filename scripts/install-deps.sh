#!/bin/sh
# Installs the Debian packages fenban builds and tests with; skips what is present.
# Fonts: 宋体 prints in Noto Serif CJK SC, with WenQuanYi Micro Hei and
# HanaMin (CJK Extension A and B: names such as 䶮, 𠮷, 𪚥) behind it.
set -eu

packages="build-essential cmake pkg-config qt6-base-dev qt6-translations-l10n libxlsxwriter-dev libzip-dev libexpat1-dev
libgsf-1-dev fonts-noto-cjk fonts-wqy-microhei fonts-hanazono xvfb libgtest-dev libgmock-dev libbenchmark-dev python3 python3-openpyxl
python3-xlsxwriter time poppler-utils locales"

# A locale whose decimal mark is a comma, so the tests that check number
# texts do not depend on the process locale really run.
comma_locale="de_DE.UTF-8"

missing=""
for p in $packages; do
    if ! dpkg-query -W -f='${Status}' "$p" 2>/dev/null | grep -q "install ok installed"; then
        missing="$missing $p"
    fi
done

sudo=""
if [ "$(id -u)" -ne 0 ]; then
    sudo="sudo"
fi

if [ -n "$missing" ]; then
    echo "Installing:$missing"
    $sudo apt-get update -qq
    DEBIAN_FRONTEND=noninteractive $sudo apt-get install -y -qq --no-install-recommends $missing
fi

# locale -a spells de_DE.UTF-8 as de_DE.utf8.
if ! locale -a 2>/dev/null | grep -qix "$(echo "$comma_locale" | sed 's/UTF-8$/utf8/')"; then
    echo "Generating the $comma_locale locale"
    if grep -q "^# *$comma_locale UTF-8" /etc/locale.gen 2>/dev/null; then
        $sudo sed -i "s/^# *$comma_locale UTF-8/$comma_locale UTF-8/" /etc/locale.gen
    elif ! grep -q "^$comma_locale UTF-8" /etc/locale.gen 2>/dev/null; then
        echo "$comma_locale UTF-8" | $sudo tee -a /etc/locale.gen >/dev/null
    fi
    $sudo locale-gen
fi
