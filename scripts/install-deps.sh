#!/usr/bin/env bash
# Installs the Debian 12 packages the project needs to build, run and test, and any
# further packages named as arguments.
# Idempotent: packages already present are not fetched again.
set -euo pipefail

packages=(
  build-essential cmake ninja-build pkg-config
  qt6-base-dev qt6-base-dev-tools libqt6sql6-sqlite libsqlite3-dev libssl-dev qt6-svg-dev libqt6svg6 qt6-qpa-plugins
  qt6-translations-l10n libgl-dev
  libgsf-1-dev libqpdf-dev libdeflate-dev libharfbuzz-dev libzxing-dev libxlsxwriter-dev libpoppler-qt6-dev qt6-image-formats-plugins
  fonts-wqy-microhei fonts-wqy-zenhei fonts-arphic-uming fonts-arphic-ukai
  fonts-liberation2 fonts-dejavu-core fonts-dejavu-extra
  # The usual Chinese desktop's CJK face (OpenType, CFF outlines): the one that has 𠮷.
  fonts-noto-cjk
  poppler-utils unzip
  # The tests change a ledger past the program with the database's own shell.
  sqlite3
  # A firm's ledger lives on a PostgreSQL server; the tests start a real one of their own.
  libqt6sql6-psql postgresql
  # Letters go out by e-mail over libcurl's SMTP, which verifies servers against the system's
  # CA bundle; the tests run a real SMTP server, its self-signed certificates made by openssl.
  libcurl4-openssl-dev ca-certificates python3-aiosmtpd openssl
  # The SMTP password goes to the desktop's secret store; the tests use a real keyring.
  libsecret-1-dev gnome-keyring
  python3-xlwt python3-openpyxl python3-xlrd libreoffice-calc-nogui
  xvfb xauth
  "$@"
)

missing=()
for p in "${packages[@]}"; do
  if ! dpkg-query -W -f='${Status}' "$p" 2>/dev/null | grep -q 'install ok installed'; then
    missing+=("$p")
  fi
done

if [ ${#missing[@]} -eq 0 ]; then
  exit 0
fi

as_root=()
if [ "$(id -u)" -ne 0 ]; then
  as_root=(sudo)
fi

export DEBIAN_FRONTEND=noninteractive
"${as_root[@]}" apt-get update -qq
"${as_root[@]}" apt-get install -y -qq --no-install-recommends "${missing[@]}"
