#!/usr/bin/env bash
# Installs the Debian packages the project builds, tests and runs with; the X
# server, window manager and image tools are for the wizard's screenshot.
# Idempotent: apt-get runs only when a package is missing.
set -euo pipefail

packages=(
  cmake ninja-build g++ pkg-config git clang-format
  googletest libgtest-dev libgmock-dev libbenchmark-dev
  libmariadb-dev mariadb-server mariadb-client
  unixodbc-dev tdsodbc freetds-dev freetds-bin libsqliteodbc
  qt6-base-dev
  xvfb xauth x11-utils imagemagick openbox
)

missing=()
for package in "${packages[@]}"; do
  status=$(dpkg-query -W -f='${Status}' "$package" 2>/dev/null || true)
  [[ $status == "install ok installed" ]] || missing+=("$package")
done

if ((${#missing[@]})); then
  sudo=
  [[ $(id -u) -eq 0 ]] || sudo=sudo
  echo "installing: ${missing[*]}"
  $sudo apt-get update -qq
  DEBIAN_FRONTEND=noninteractive $sudo apt-get install -y -qq --no-install-recommends "${missing[@]}"
fi
