#!/usr/bin/env bash
# Installs the Debian packages the project needs, only those that are missing.
# Safe to run again; needs root (or sudo) only when something is missing.
set -euo pipefail

packages=(
  build-essential cmake pkg-config         # compiler and build
  qt6-base-dev qt6-tools-dev qt6-tools-dev-tools qt6-l10n-tools  # Qt 6 Core/Gui/Widgets/Sql/Test, lrelease
  libqt6sql6-sqlite libqt6sql6-psql        # Qt SQL drivers: SQLite (default), PostgreSQL
  libgl-dev                                # needed by Qt6Gui's CMake package
  libzip-dev                               # the zip component's library
  zlib1g-dev                               # CRC-32 of files for the dry run of a publish
  libdeflate-dev                           # fast whole-buffer deflate of small entries
  qt6-webengine-dev                        # the host's web bar shows action pads as a browser does
  libpq-dev                                # binary bytea transfer for PostgreSQL chunks
  libssl-dev                               # SHA-256 of the stored archive (libcrypto)
  zip unzip                                # independent zip reader/writer for tests and benchmarks
  sqlite3 postgresql                       # independent database checks; a throwaway test server
  fonts-dejavu-core                        # a sans-serif font for the offscreen windows
  qt6-translations-l10n                    # Qt's own dialog texts in the user's language (qtbase_de.qm)
  python3                                  # independent zip reader in tests
  dpkg-dev file                            # the Debian package: dpkg-shlibdeps, CPack's ELF check
  groff-base                               # the install test checks the man page
)

missing=()
for p in "${packages[@]}"; do
  [[ "$p" == \#* ]] && continue
  if ! dpkg-query -W -f='${Status}' "$p" 2>/dev/null | grep -q "install ok installed"; then
    missing+=("$p")
  fi
done

if ((${#missing[@]} == 0)); then
  exit 0
fi

echo "Installing: ${missing[*]}" >&2
sudo_cmd=()
if [[ $(id -u) -ne 0 ]]; then sudo_cmd=(sudo); fi
"${sudo_cmd[@]}" apt-get update -qq
DEBIAN_FRONTEND=noninteractive "${sudo_cmd[@]}" apt-get install -y -qq --no-install-recommends "${missing[@]}" >/dev/null
