#!/usr/bin/env bash
# Installs the Debian packages the build, the demo and the tests need, when
# any is missing. As root it uses apt-get; otherwise it says what to install.
set -euo pipefail

need=()
have() { command -v "$1" >/dev/null 2>&1; }
have i686-w64-mingw32-g++-posix || need+=(g++-mingw-w64-i686)
have cmake || need+=(cmake)
have ninja || need+=(ninja-build)
have wine || need+=(wine)
dpkg -s wine32:i386 >/dev/null 2>&1 || need+=(wine32:i386)
# The 64-bit Windows the end-to-end scenarios run on too (WoW64).
dpkg -s wine64 >/dev/null 2>&1 || need+=(wine64)
have xvfb-run || need+=(xvfb)
have mscompress || need+=(mscompress)
have xorriso || need+=(xorriso)
# Signing (tools/sign.sh) and the tests' own certificate.
have osslsigncode || need+=(osslsigncode)
have openssl || need+=(openssl)
have import || need+=(imagemagick)
have python3 || need+=(python3)
[ -d /usr/src/googletest/googletest ] || need+=(googletest)
have localedef || need+=(locales)
# The zones far from UTC the tests run in (tools/env.sh): Wine takes the zone from them.
[ -e /usr/share/zoneinfo/Pacific/Kiritimati ] && [ -e /usr/share/zoneinfo/Etc/GMT+12 ] || need+=(tzdata)
# The Japanese system of the code-page scenarios (Wine takes code page 932 from it).
japanese() { locale -a 2>/dev/null | grep -qix 'ja_JP.utf8'; }

if [ ${#need[@]} -eq 0 ] && japanese; then exit 0; fi
if [ "$(id -u)" -ne 0 ]; then
  echo "Please install: ${need[*]} (after 'dpkg --add-architecture i386; apt-get update')" >&2
  echo "and make the Japanese locale: localedef -i ja_JP -f UTF-8 ja_JP.UTF-8" >&2
  exit 1
fi
if [ ${#need[@]} -gt 0 ]; then
  echo "Installing: ${need[*]}"
  dpkg --add-architecture i386
  export DEBIAN_FRONTEND=noninteractive
  apt-get update -qq
  apt-get install -y -qq --no-install-recommends "${need[@]}" >/dev/null
fi
japanese || localedef -i ja_JP -f UTF-8 ja_JP.UTF-8
